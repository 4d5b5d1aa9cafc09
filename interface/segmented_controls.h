#pragma once
// Segmented controls: small button bars of segments, each with an image, a
// label, a tag, a width (0 sizes it to its content), a tool tip, an optional
// menu and an accessible name.
//
//   SegmentedControl             the bar; segments by index and by tag
//   SegmentedSwitcherControl     sends a named action to a target (or along
//                                the responder chain) when a segment is clicked
//   SegmentedActionControl       one-shot buttons: the action, then no selection
//   SegmentedDelayedMenuControl  a click sends the action; a 0.5 s hold
//                                shows the segment's menu instead
//   SegmentedMouseDownActionControl  sends on press, not on release
//   SegmentedBar                 spreads its segments over its width
//   CountedSegmentedControl      keeps a count per segment
//
// By-tag operations ignore a tag no segment has; getters answer -1, a null
// string or 0.

#include "interface/images.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <map>

#include <QMenu>

namespace sorvant {

enum class SegmentStyle { Automatic = 0, Rounded = 1 };

// How large a control is drawn: its font (the system font, the small system
// font, or 9/13 of the system size) and the height it asks for (at least 24,
// 20 or 16 points) follow from it.
enum class ControlSize : int { Regular = 0, Small = 1, Mini = 2 };

class SegmentedControl : public QWidget
{
    Q_OBJECT
public:
    enum class Tracking { SelectOne, Momentary };

    explicit SegmentedControl(QWidget* parent = nullptr);

    // --- segments by index ---------------------------------------------------
    [[nodiscard]] int segmentCount() const { return static_cast<int>(m_segments.size()); }
    virtual void setSegmentCount(int count);
    void setImage(const Image& image, int segment);
    [[nodiscard]] Image imageForSegment(int segment) const;
    void setLabel(const QString& label, int segment);
    [[nodiscard]] QString labelForSegment(int segment) const;
    void setTag(int tag, int segment);
    [[nodiscard]] int tagForSegment(int segment) const;
    void setEnabled(bool enabled, int segment);
    [[nodiscard]] bool isEnabledForSegment(int segment) const;
    using QWidget::setEnabled;
    void setWidth(double width, int segment);
    [[nodiscard]] double widthForSegment(int segment) const;
    void setToolTip(const QString& toolTip, int segment);
    [[nodiscard]] QString toolTipForSegment(int segment) const;
    using QWidget::setToolTip;
    void setMenu(QMenu* menu, int segment);
    [[nodiscard]] QMenu* menuForSegment(int segment) const;
    void setSelected(bool selected, int segment);
    [[nodiscard]] bool isSelectedForSegment(int segment) const;
    // -1 when none is selected.
    [[nodiscard]] int selectedSegment() const;
    void setSelectedSegment(int segment);
    // Nothing for a null text or a negative index or one past the segments.
    void setAccessibilityLabel(const QString& label, int segment);
    [[nodiscard]] QString accessibilityLabelForSegment(int segment) const;
    void setAccessibilityRoleDescription(const QString& role, int segment);

    [[nodiscard]] SegmentStyle segmentStyle() const { return m_style; }
    void setSegmentStyle(SegmentStyle style);
    [[nodiscard]] Tracking trackingMode() const { return m_tracking; }
    void setTrackingMode(Tracking tracking) { m_tracking = tracking; }
    // Sets the font and the height the control asks for (see ControlSize).
    virtual void setControlSize(ControlSize size);
    [[nodiscard]] ControlSize controlSize() const { return m_controlSize; }

    // --- adding -------------------------------------------------------------
    // The new segment's index; enabled, with the image, tag and width, and the
    // tool tip (also its accessible name) when given.
    int addSegmentWithImage(const Image& image, double width = 24.0, int tag = 0, const QString& toolTip = {});
    int addSegmentWithCachedImageNamed(const QString& name, double width = 24.0, int tag = 0,
                                       const QString& toolTip = {});

    // --- by tag -------------------------------------------------------------
    [[nodiscard]] int segmentForTag(int tag) const;
    // -1 without a selected segment.
    [[nodiscard]] int selectedTag() const;
    // The segment under a point in the control's coordinates; -1 when none.
    [[nodiscard]] int segmentForPoint(QPoint point) const;
    // NO when no segment has the tag.
    bool selectSegmentWithTag(int tag);
    // Unchanged when both tool tips are present and equal.
    void setToolTipForTag(const QString& toolTip, int tag);
    [[nodiscard]] QString toolTipForTag(int tag) const;
    void setSelectedForTag(bool selected, int tag);
    void setEnabledForTag(bool enabled, int tag);
    void setLabelForTag(const QString& label, int tag);
    void setWidthForTag(double width, int tag);
    [[nodiscard]] double widthForTag(int tag) const;
    void setCachedImageNamed(const QString& name, int segment);
    void setCachedImageNamedForTag(const QString& name, int tag);

    // The set widths of all segments (0 for those sized to their content)
    // plus one point per gap between segments; 0 without segments.
    //   widths 24, 32, 10 => 68
    [[nodiscard]] double segmentWidth() const;
    // The width a segment takes: its set width or its content's.
    [[nodiscard]] double effectiveWidth(int segment) const;
    [[nodiscard]] QRect rectForSegment(int segment) const;
    void sizeToFit();
    [[nodiscard]] QSize sizeHint() const override;

    // What a click does: the plain control emits `action`.
    virtual bool sendActionTo();
    virtual bool sendAction() { return sendActionTo(); }

signals:
    // A segment was clicked (after the selection changed).
    void action(int segment);

protected:
    // The platform's own press and release handling: the segment under the
    // press is selected; a release over it sends the action.
    virtual void mouseDown(QMouseEvent* event);
    virtual void mouseUp(QMouseEvent* event);
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    [[nodiscard]] bool validSegment(int segment) const { return segment >= 0 && segment < segmentCount(); }

private:
    struct Segment {
        Image image;
        QString label;
        int tag = 0;
        bool enabled = true;
        bool selected = false;
        double width = 0;
        QString toolTip;
        QPointer<QMenu> menu;
        QString accessibilityLabel;
        QString roleDescription;
    };
    QList<Segment> m_segments;
    SegmentStyle m_style = SegmentStyle::Automatic;
    Tracking m_tracking = Tracking::SelectOne;
    ControlSize m_controlSize = ControlSize::Regular;
    int m_pressed = -1;
};

// A control with a named action and target of its own.
class SegmentedSwitcherControl : public SegmentedControl
{
    Q_OBJECT
public:
    explicit SegmentedSwitcherControl(QWidget* parent = nullptr) : SegmentedSwitcherControl({}, nullptr, parent) {}
    SegmentedSwitcherControl(const QByteArray& action, QObject* target, QWidget* parent = nullptr);

    [[nodiscard]] QByteArray actionSelector() const { return m_action; }
    void setAction(const QByteArray& action) { m_action = action; }
    [[nodiscard]] QObject* target() const { return m_target; }
    void setTarget(QObject* target) { m_target = target; }
    [[nodiscard]] QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    // Deselects when no segment has the tag.
    void selectItemWithTag(int tag);
    // A negative index deselects.
    void selectItemAtIndex(int index);
    [[nodiscard]] int indexOfSelectedItem() const { return selectedSegment(); }
    // A switcher is always of the regular size, whatever size is asked.
    void setControlSize(ControlSize) override { SegmentedControl::setControlSize(ControlSize::Regular); }

    // The plain switcher sends nothing by itself; sendActionTo delivers the
    // stored action to the stored target (or along the chain).
    bool sendAction() override { return false; }
    bool sendActionTo() override;

private:
    QByteArray m_action;
    QPointer<QObject> m_target;
    QString m_title;
};

// Buttons that send their action once and never stay selected.
class SegmentedActionControl : public SegmentedSwitcherControl
{
    Q_OBJECT
public:
    using SegmentedSwitcherControl::SegmentedSwitcherControl;

    bool sendAction() override { return sendActionTo(); }
    // Sent only to a stored target that answers the action; answers NO.
    bool sendActionTo() override;

    // One segment 32 wide, or two 24 wide, each with its tool tip.
    static SegmentedActionControl* withCachedImageNamed(const QString& name, const QByteArray& action = {},
                                                        QObject* target = nullptr, const QString& toolTip = {});
    static SegmentedActionControl* withCachedImageNamed(const QString& name, const QString& toolTip,
                                                        const QString& secondName, const QString& secondToolTip,
                                                        const QByteArray& action, QObject* target);
};

// A held press shows the segment's menu after menuDelayForSegment.
class SegmentedDelayedMenuControl : public SegmentedActionControl
{
    Q_OBJECT
public:
    using SegmentedActionControl::SegmentedActionControl;
    [[nodiscard]] virtual int menuDelayForSegment(int) const { return 500; }
    // The menu last shown by a hold (for the caller's tests and placement).
    [[nodiscard]] QMenu* shownMenu() const { return m_shown; }

protected:
    void mouseDown(QMouseEvent* event) override;
    void mouseUp(QMouseEvent* event) override;

private:
    void showHeldMenu();
    QTimer m_hold;
    int m_heldSegment = -1;
    QPointer<QMenu> m_shown;
};

// Sends its action as soon as an enabled segment is pressed.
class SegmentedMouseDownActionControl : public SegmentedActionControl
{
    Q_OBJECT
public:
    using SegmentedActionControl::SegmentedActionControl;

protected:
    void mouseDown(QMouseEvent* event) override;
    void mouseUp(QMouseEvent*) override {}
};

// The widths of `count` segments spread over `width`: the room is the width
// less one point per gap and border (and 2 more for the rounded style);
// with more than two segments and a maximum, the inner segments take the
// maximum and the outer ones share the rest.
//   (3, 300, automatic, 0)  => 98, 98, 100
//   (3, 300, automatic, 50) => 123, 50, 123
[[nodiscard]] QList<double> segmentedBarWidths(int count, double width, SegmentStyle style, double maximum);

class SegmentedBar : public SegmentedControl
{
    Q_OBJECT
public:
    explicit SegmentedBar(QWidget* parent = nullptr) : SegmentedControl(parent) {}
    [[nodiscard]] double maximumSegmentWidth() const { return m_maximum; }
    void setMaximumSegmentWidth(double maximum);
    [[nodiscard]] bool autoresizesSegments() const { return m_autoresizes; }
    void setAutoresizesSegments(bool autoresizes) { m_autoresizes = autoresizes; }
    void setSegmentCount(int count) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void distribute();
    double m_maximum = 0;
    bool m_autoresizes = true;
};

// Keeps a count per segment; setting the segment count drops them.
class CountedSegmentedControl : public SegmentedControl
{
    Q_OBJECT
public:
    using SegmentedControl::SegmentedControl;
    [[nodiscard]] quint64 countForSegment(int segment) const;
    void setCount(quint64 count, int segment);
    void setSegmentCount(int count) override;

private:
    std::map<int, quint64> m_counts;
};

} // namespace sorvant
