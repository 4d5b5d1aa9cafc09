#include "interface/controls.h"

#include "foundation/number_formatting.h"
#include "foundation/unrecognized_selector.h"
#include "interface/action_router.h"
#include "interface/colors.h"
#include "interface/events.h"
#include "interface/shown_names.h"
#include "platform/file_system_representation.h"
#include "system/deletion_questions.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPaintEvent>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace sorvant {

namespace {

constexpr char kButtonSelectorProperty[] = "sorvantButtonSelector";
constexpr int kMaskBits = 32;

// Bit i of a mask: the 32-bit signed 1 << i widened with its sign.
qint64 maskBit(int index)
{
    return static_cast<qint64>(static_cast<qint32>(static_cast<quint32>(1) << index));
}

template <typename Visit>
void forEachListed(const QList<QObject*>& objects, Visit visit)
{
    const int count = static_cast<int>(std::min<qsizetype>(objects.size(), kMaskBits));
    for (int index = 0; index < count; ++index)
        visit(objects.at(index), index);
}

ClickablePathControl::Opener& pathOpener()
{
    static ClickablePathControl::Opener opener;
    return opener;
}

} // namespace

// --- actions and values ----------------------------------------------------------------

void setActionTarget(QAbstractButton* button, const QByteArray& selector, QObject* target)
{
    if (!button)
        return;
    const bool connected = button->property(kButtonSelectorProperty).isValid();
    button->setProperty(kButtonSelectorProperty, selector);
    button->setProperty("sorvantButtonTarget", QVariant::fromValue(QPointer<QObject>(target)));
    if (connected)
        return;
    QObject::connect(button, &QAbstractButton::clicked, button, [button] {
        const QPointer<QObject> bound = button->property("sorvantButtonTarget").value<QPointer<QObject>>();
        sendAction(buttonActionSelector(button), bound.data(), button);
    });
}

QByteArray buttonActionSelector(const QAbstractButton* button)
{
    return button ? button->property(kButtonSelectorProperty).toByteArray() : QByteArray();
}

void setStringValue(QWidget* control, const QString& value)
{
    if (!control)
        return;
    QString text = value;
    if (text.isNull()) {
        logUnrecognizedSelector(classNameForLog(control), QStringLiteral("setStringValue:"));
        text = QStringLiteral("");
    }
    if (auto* line = qobject_cast<QLineEdit*>(control))
        line->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* edit = qobject_cast<QTextEdit*>(control))
        edit->setPlainText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->setPlainText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->isEditable() ? combo->setEditText(text) : combo->setCurrentText(text);
}

QString stringValue(const QWidget* control)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(control))
        return line->text();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (const auto* edit = qobject_cast<const QTextEdit*>(control))
        return edit->toPlainText();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(control))
        return plain->toPlainText();
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(control))
        return spin->text();
    return QString();
}

void setFormattedIntegerValue(QWidget* control, qint64 value)
{
    setStringValue(control, stringForInteger(value));
}

void setFormattedFloatValue(QWidget* control, float value)
{
    setStringValue(control, stringForFloat(std::trunc(value)));
}

void setInfoEnabled(QWidget* field, bool flag)
{
    if (!field)
        return;
    field->setEnabled(flag);
    QPalette palette = field->palette();
    const QPalette::ColorGroup group = flag ? QPalette::Active : QPalette::Disabled;
    palette.setColor(QPalette::Text, QApplication::palette(field).color(group, QPalette::Text));
    palette.setColor(QPalette::WindowText, QApplication::palette(field).color(group, QPalette::WindowText));
    field->setPalette(palette);
}

void setBoolValue(QAbstractButton* button, bool flag)
{
    if (!button)
        return;
    if (!button->isCheckable())
        button->setCheckable(true);
    button->setChecked(flag);
}

// --- button masks ------------------------------------------------------------------------------

qint64 maskForButtons(const QList<QObject*>& objects)
{
    qint64 mask = 0;
    forEachListed(objects, [&mask](QObject* object, int index) {
        if (auto* button = qobject_cast<QAbstractButton*>(object); button && button->isChecked())
            mask |= maskBit(index);
    });
    return mask;
}

void setMaskOfButtons(qint64 mask, const QList<QObject*>& objects)
{
    forEachListed(objects, [mask](QObject* object, int index) {
        if (auto* button = qobject_cast<QAbstractButton*>(object))
            setBoolValue(button, (mask & maskBit(index)) != 0);
    });
}

qint64 enabledMaskForButtons(const QList<QObject*>& objects)
{
    qint64 mask = 0;
    forEachListed(objects, [&mask](QObject* object, int index) {
        if (auto* button = qobject_cast<QAbstractButton*>(object); button && button->isEnabled())
            mask |= maskBit(index);
    });
    return mask;
}

void setEnabledMaskOfButtons(qint64 mask, const QList<QObject*>& objects)
{
    forEachListed(objects, [mask](QObject* object, int index) {
        if (auto* button = qobject_cast<QAbstractButton*>(object))
            button->setEnabled((mask & maskBit(index)) != 0);
    });
}

void setEnabledOfButtons(bool flag, const QList<QObject*>& objects)
{
    for (QObject* object : objects) {
        if (auto* widget = qobject_cast<QWidget*>(object))
            widget->setEnabled(flag);
    }
}

// --- Return and the default button ----------------------------------------------------------------

bool handleReturnEvent(QAbstractButton* button, const QEvent* event, const QWidget* textView,
                       const QWidget* tokenField)
{
    if (!button)
        return false;
    const unichar key = pressedKey(event);
    if (key != kCarriageReturnCharacter && key != kEnterCharacter)
        return false;
    if (selectionOrMenuModifiersPressed(event) || !button->isEnabled())
        return false;
    const QWidget* focus = button->window() ? button->window()->focusWidget() : nullptr;
    for (const QWidget* owner : {textView, tokenField}) {
        if (owner && owner->isVisible() && focus && (focus == owner || owner->isAncestorOf(focus)))
            return false;
    }
    // A completion being chosen in the token field keeps Return for itself.
    if (const auto* line = qobject_cast<const QLineEdit*>(tokenField); line && line->completer()) {
        const QAbstractItemView* popup = line->completer()->popup();
        if (popup && popup->isVisible())
            return false;
    }
    button->click();
    return true;
}

// --- path controls -------------------------------------------------------------------------------

PathControl::PathControl(QWidget* parent) : QLabel(parent)
{
    // A file may be called "<b>x</b>": names are never markup.
    setTextFormat(Qt::PlainText);
}

void PathControl::setURL(const QUrl& url)
{
    m_url = url;
    // A newline in a name would break the line: marked as the table marks
    // it. Each name is isolated, with its layout characters written out, so
    // none reorders the path around it.
    setText(isolatedVisiblePath(pathByAbbreviatingWithTildeInPath()));
}

void PathControl::setPath(const QString& path)
{
    if (path.isEmpty())
        return;
    QString expanded = path;
    if (expanded == QLatin1String("~") || expanded.startsWith(QLatin1String("~/")))
        expanded.replace(0, 1, QDir::homePath());
    setURL(fileURLWithRepresentation(expanded));
}

QString PathControl::shownText() const
{
    const int width = contentsRect().width() - 2 * margin();
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, std::max(width, 0));
}

void PathControl::paintEvent(QPaintEvent* event)
{
    const QString shown = shownText();
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin())),
                          int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(), isEnabled(), shown,
                          foregroundRole());
}

QString PathControl::path() const
{
    return m_url.isEmpty() ? QString() : pathOfFileURL(m_url);
}

QString PathControl::pathByAbbreviatingWithTildeInPath() const
{
    const QString full = path();
    const QString home = QDir::homePath();
    if (full == home)
        return QStringLiteral("~");
    if (!home.isEmpty() && home != QLatin1String("/") && full.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + full.mid(home.size());
    return full;
}

ClickablePathControl::ClickablePathControl(QWidget* parent) : PathControl(parent) {}

ClickablePathControl::Opener ClickablePathControl::setOpener(Opener opener)
{
    Opener previous = pathOpener();
    pathOpener() = std::move(opener);
    return previous;
}

void ClickablePathControl::doubleClickAction(QObject*)
{
    const QString target = path();
    if (target.isEmpty())
        return;
    const QUrl url = fileURLWithRepresentation(target);
    if (pathOpener())
        pathOpener()(url);
    else
        QDesktopServices::openUrl(url);
}

void ClickablePathControl::mouseDoubleClickEvent(QMouseEvent* event)
{
    PathControl::mouseDoubleClickEvent(event);
    doubleClickAction(this);
}

// --- background views -----------------------------------------------------------------------------

BackgroundView::BackgroundView(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void BackgroundView::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void BackgroundView::paintEvent(QPaintEvent* event)
{
    const QColor color = backgroundColor();
    if (!color.isValid())
        return;
    QPainter painter(this);
    painter.fillRect(event->rect(), color);
}

QColor FullScreenBackgroundView::backgroundColor() const
{
    const QColor stored = BackgroundView::backgroundColor();
    return stored.isValid() ? stored : QColor(Qt::black);
}

// --- check boxes and radio buttons that read on any window ------------------------------------------

namespace {

// Draws check box and radio button indicators that read on any palette;
// all else as its base style. The application style outlines an indicator
// in a shade of the window (2:1 on a light one, lost on a dark one) and
// marks a chosen radio button with a small grey dot.
class ReadableIndicatorStyle : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        if ((element != PE_IndicatorCheckBox && element != PE_IndicatorRadioButton) || !option) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        drawReadableIndicator(element == PE_IndicatorRadioButton, *option, *painter);
    }
};

// One style for all readable indicators, over the application's style,
// made again for a new application or a new application style.
QStyle* readableIndicatorStyle()
{
    static QPointer<QStyle> style;
    static QString baseName;
    const QString name = QApplication::style()->name();
    if (!style || baseName != name) {
        style = new ReadableIndicatorStyle(QStyleFactory::create(name));
        style->setParent(QCoreApplication::instance());
        baseName = name;
    }
    return style;
}

} // namespace

void drawReadableIndicator(bool radio, const QStyleOption& option, QPainter& painter)
{
    const QPalette& palette = option.palette;
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    const bool sunken = option.state & QStyle::State_Sunken;
    const bool focused = (option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_KeyboardFocusChange);
    // The outline 60% of the way to the text: 5:1 on a light or dark
    // grey window. The mark in the text colour on the base.
    const QColor outline = focused ? palette.color(QPalette::Highlight) : mixedColor(window, text, 0.6);
    const QColor base = palette.color(QPalette::Base);
    const QColor fill = sunken ? mixedColor(base, text, 0.2) : base;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(option.rect).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal side = std::min(box.width(), box.height());
    const QRectF square(box.center() - QPointF(side / 2, side / 2), QSizeF(side, side));
    painter.setPen(QPen(outline, 1.0));
    painter.setBrush(fill);
    if (radio)
        painter.drawEllipse(square);
    else
        painter.drawRoundedRect(square, side / 8, side / 8);

    painter.setPen(Qt::NoPen);
    painter.setBrush(text);
    if (radio && (option.state & QStyle::State_On)) {
        // A dot half the circle wide.
        const qreal radius = side / 4;
        painter.drawEllipse(square.center(), radius, radius);
    } else if (!radio && (option.state & QStyle::State_NoChange)) {
        painter.drawRect(QRectF(square.left() + side / 4, square.center().y() - side / 12, side / 2, side / 6));
    } else if (!radio && (option.state & QStyle::State_On)) {
        QPainterPath mark;
        mark.moveTo(square.left() + side * 0.24, square.top() + side * 0.52);
        mark.lineTo(square.left() + side * 0.42, square.top() + side * 0.72);
        mark.lineTo(square.left() + side * 0.76, square.top() + side * 0.30);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(text, std::max<qreal>(1.5, side / 7), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(mark);
    }
    painter.restore();
}

void useReadableIndicators(QWidget* controls)
{
    if (!controls)
        return;
    QStyle* style = readableIndicatorStyle();
    QList<QAbstractButton*> buttons = controls->findChildren<QAbstractButton*>();
    if (auto* button = qobject_cast<QAbstractButton*>(controls))
        buttons.append(button);
    for (QAbstractButton* button : buttons) {
        if ((qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) && button->style() != style)
            button->setStyle(style);
    }
}

} // namespace sorvant
