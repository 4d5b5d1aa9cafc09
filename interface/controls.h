#pragma once
// Small extensions used on every control: actions, string and number
// values, button masks, the default button's Return handling and path
// controls; and two views that fill themselves with a colour.
//
// A "control" is any widget that shows a value: line edits, labels,
// buttons, text edits, combo boxes, spin boxes and path controls.
//
// Button masks: bit i stands for the i-th object of the list, counted over
// every object, buttons or not, so a list holds at most 32 objects; bit 31
// makes the mask negative (it is a 32-bit signed bit widened with its sign).
//   maskForButtons({on button, line edit, on button}) => 5
//
// Not here: view helpers (view_extensions.h); events (events.h).

#include <QColor>
#include <QLabel>
#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QEvent;
class QObject;
class QPainter;
class QStyleOption;

namespace sorvant {

// --- actions and values ----------------------------------------------------------------

// Makes a button send `selector` (to `target`, or along the responder chain
// when null) when clicked.
void setActionTarget(QAbstractButton* button, const QByteArray& selector, QObject* target);
// The selector a button sends; empty when none.
[[nodiscard]] QByteArray buttonActionSelector(const QAbstractButton* button);

// Sets the text a control shows. A null string is refused with the log line
// "-[<class> setStringValue:]: Unrecognized selector." and "" is shown
// instead; a widget that shows no text is left alone.
//   (line edit, null) => "", one log line   (label, "x") => "x"
void setStringValue(QWidget* control, const QString& value);
// The text a control shows; null for a widget that shows none.
[[nodiscard]] QString stringValue(const QWidget* control);
// The number as the shared integer formatter writes it ("1,234,567").
void setFormattedIntegerValue(QWidget* control, qint64 value);
// The float truncated toward zero, then as the shared float formatter
// writes it: 2.75 => "2", 1234.9 => "1,234".
void setFormattedFloatValue(QWidget* control, float value);

// Enables or disables a text field, with the palette's text colour for the
// state.
void setInfoEnabled(QWidget* field, bool flag);
// Checks (YES) or unchecks a button.
void setBoolValue(QAbstractButton* button, bool flag);

// --- button masks ------------------------------------------------------------------------------

[[nodiscard]] qint64 maskForButtons(const QList<QObject*>& objects);
void setMaskOfButtons(qint64 mask, const QList<QObject*>& objects);
[[nodiscard]] qint64 enabledMaskForButtons(const QList<QObject*>& objects);
void setEnabledMaskOfButtons(qint64 mask, const QList<QObject*>& objects);
// Every widget of the list (not only buttons) gets the enabled state.
void setEnabledOfButtons(bool flag, const QList<QObject*>& objects);

// --- Return and the default button ----------------------------------------------------------------

// Clicks `button` for a Return or Enter press, unless: the press carries
// Shift, Control or Command alone; the button is disabled; the given text
// view (or token field) has the focus; or the token field is showing
// completions. YES when clicked.
bool handleReturnEvent(QAbstractButton* button, const QEvent* event, const QWidget* textView = nullptr,
                       const QWidget* tokenField = nullptr);

// --- path controls -------------------------------------------------------------------------------

// Shows the path of a file URL, with the home folder written as "~", as
// plain text (a name that looks like markup shows as it is) on one line
// and in the order it is stored: each name as the table shows it
// (isolatedVisibleName, shown_names.h: control characters marked,
// bidirectional controls written out, right-to-left names isolated).
class PathControl : public QLabel
{
    Q_OBJECT
public:
    explicit PathControl(QWidget* parent = nullptr);

    [[nodiscard]] QUrl url() const { return m_url; }
    void setURL(const QUrl& url);

    // Nothing for a null or empty path; else the path with "~" expanded as
    // a file URL.
    void setPath(const QString& path);
    // The URL's path; null without a URL.
    [[nodiscard]] QString path() const;
    [[nodiscard]] QString pathByAbbreviatingWithTildeInPath() const;
    // The text as drawn at the control's present width: all of it when it
    // fits, else its middle replaced by an ellipsis, so that the path's
    // start and the item's name both stay in view.
    [[nodiscard]] QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QUrl m_url;
};

// A path control that opens its path with the desktop on a double click.
class ClickablePathControl : public PathControl
{
    Q_OBJECT
public:
    explicit ClickablePathControl(QWidget* parent = nullptr);

    // Replaces the opener (tests); an empty one restores the desktop's.
    using Opener = std::function<bool(const QUrl&)>;
    static Opener setOpener(Opener opener);

public slots:
    // Opens the path; nothing when there is none.
    void doubleClickAction(QObject* sender = nullptr);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// --- check boxes and radio buttons that read on any window ------------------------------------------

// Gives every check box and radio button in `controls` (and `controls`
// itself when it is one) a style whose indicator reads on a light and on a
// dark palette: an outline between the window and text colours, and a
// check mark, dash or dot in the text colour on the base, each at least 3:1
// against what it is drawn on. The rest of the button is the application
// style's. Buttons added later are not changed; null does nothing.
void useReadableIndicators(QWidget* controls);
// Draws the readable indicator of a check box (or, `radio`, a radio
// button) into option.rect as useReadableIndicators' style draws it, in
// the option's palette and state (on, off, mixed, pressed, focused). The
// application's style draws a menu's check boxes with it too.
void drawReadableIndicator(bool radio, const QStyleOption& option, QPainter& painter);

// --- background views -----------------------------------------------------------------------------

// Fills the area it paints with its background colour; paints nothing while
// the colour is invalid (none). Grows with its parent's layout.
class BackgroundView : public QWidget
{
    Q_OBJECT
public:
    explicit BackgroundView(QWidget* parent = nullptr);

    [[nodiscard]] virtual QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_backgroundColor;
};

// A background view that is black while no colour is set.
class FullScreenBackgroundView : public BackgroundView
{
    Q_OBJECT
public:
    using BackgroundView::BackgroundView;
    [[nodiscard]] QColor backgroundColor() const override;
};

} // namespace sorvant
