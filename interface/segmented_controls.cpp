#include "interface/segmented_controls.h"

#include "interface/action_router.h"
#include "interface/fonts.h"
#include "interface/menus.h"

#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

namespace sorvant {

// --- SegmentedControl -----------------------------------------------------------------------

SegmentedControl::SegmentedControl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_Hover);
}

void SegmentedControl::setSegmentCount(int count)
{
    m_segments.resize(std::max(count, 0));
    updateGeometry();
    update();
}

#define SEGMENT_SETTER(Name, Type, field)                                                                           \
    void SegmentedControl::Name(Type value, int segment)                                                            \
    {                                                                                                               \
        if (!validSegment(segment))                                                                                 \
            return;                                                                                                 \
        m_segments[segment].field = value;                                                                          \
        updateGeometry();                                                                                           \
        update();                                                                                                   \
    }

SEGMENT_SETTER(setImage, const Image&, image)
SEGMENT_SETTER(setLabel, const QString&, label)
SEGMENT_SETTER(setTag, int, tag)
SEGMENT_SETTER(setEnabled, bool, enabled)
SEGMENT_SETTER(setWidth, double, width)
SEGMENT_SETTER(setToolTip, const QString&, toolTip)
#undef SEGMENT_SETTER

Image SegmentedControl::imageForSegment(int segment) const
{
    return validSegment(segment) ? m_segments[segment].image : Image();
}

QString SegmentedControl::labelForSegment(int segment) const
{
    return validSegment(segment) ? m_segments[segment].label : QString();
}

int SegmentedControl::tagForSegment(int segment) const
{
    return validSegment(segment) ? m_segments[segment].tag : -1;
}

bool SegmentedControl::isEnabledForSegment(int segment) const
{
    return validSegment(segment) && m_segments[segment].enabled;
}

double SegmentedControl::widthForSegment(int segment) const
{
    return validSegment(segment) ? m_segments[segment].width : 0.0;
}

QString SegmentedControl::toolTipForSegment(int segment) const
{
    return validSegment(segment) ? m_segments[segment].toolTip : QString();
}

void SegmentedControl::setMenu(QMenu* menu, int segment)
{
    if (validSegment(segment))
        m_segments[segment].menu = menu;
}

QMenu* SegmentedControl::menuForSegment(int segment) const
{
    return validSegment(segment) ? m_segments[segment].menu.data() : nullptr;
}

void SegmentedControl::setSelected(bool selected, int segment)
{
    if (!validSegment(segment))
        return;
    if (selected)
        for (Segment& other : m_segments)
            other.selected = false;
    m_segments[segment].selected = selected;
    update();
}

bool SegmentedControl::isSelectedForSegment(int segment) const
{
    return validSegment(segment) && m_segments[segment].selected;
}

int SegmentedControl::selectedSegment() const
{
    for (int i = 0; i < segmentCount(); ++i)
        if (m_segments[i].selected)
            return i;
    return -1;
}

void SegmentedControl::setSelectedSegment(int segment)
{
    if (validSegment(segment)) {
        setSelected(true, segment);
        return;
    }
    for (Segment& other : m_segments)
        other.selected = false;
    update();
}

void SegmentedControl::setAccessibilityLabel(const QString& label, int segment)
{
    if (label.isNull() || !validSegment(segment))
        return;
    m_segments[segment].accessibilityLabel = label;
    QStringList names;
    for (const Segment& s : m_segments)
        names << (s.accessibilityLabel.isEmpty() ? s.label : s.accessibilityLabel);
    setAccessibleName(names.join(QStringLiteral(", ")));
}

QString SegmentedControl::accessibilityLabelForSegment(int segment) const
{
    return validSegment(segment) ? m_segments[segment].accessibilityLabel : QString();
}

void SegmentedControl::setAccessibilityRoleDescription(const QString& role, int segment)
{
    if (!role.isNull() && validSegment(segment))
        m_segments[segment].roleDescription = role;
}

void SegmentedControl::setControlSize(ControlSize size)
{
    m_controlSize = size;
    switch (size) {
    case ControlSize::Regular:
        setFont(systemFont());
        break;
    case ControlSize::Small:
        setFont(smallSystemFont());
        break;
    case ControlSize::Mini:
        setFont(systemFontOfSize(systemFontSize() * 9.0 / 13.0));
        break;
    }
    updateGeometry();
    update();
}

void SegmentedControl::setSegmentStyle(SegmentStyle style)
{
    m_style = style;
    update();
}

int SegmentedControl::addSegmentWithImage(const Image& image, double width, int tag, const QString& toolTip)
{
    const int index = segmentCount();
    setSegmentCount(index + 1);
    Segment& s = m_segments[index];
    s.image = image;
    s.tag = tag;
    s.enabled = true;
    s.width = width;
    if (!toolTip.isNull()) {
        s.toolTip = toolTip;
        setAccessibilityLabel(toolTip, index);
    }
    return index;
}

int SegmentedControl::addSegmentWithCachedImageNamed(const QString& name, double width, int tag,
                                                     const QString& toolTip)
{
    return addSegmentWithImage(cachedImageNamed(name), width, tag, toolTip);
}

int SegmentedControl::segmentForTag(int tag) const
{
    for (int i = 0; i < segmentCount(); ++i)
        if (m_segments[i].tag == tag)
            return i;
    return -1;
}

int SegmentedControl::selectedTag() const
{
    const int selected = selectedSegment();
    return selected < 0 ? -1 : m_segments[selected].tag;
}

int SegmentedControl::segmentForPoint(QPoint point) const
{
    for (int i = 0; i < segmentCount(); ++i)
        if (rectForSegment(i).contains(point))
            return i;
    return -1;
}

bool SegmentedControl::selectSegmentWithTag(int tag)
{
    const int segment = segmentForTag(tag);
    if (segment < 0)
        return false;
    setSelected(true, segment);
    return true;
}

void SegmentedControl::setToolTipForTag(const QString& toolTip, int tag)
{
    const int segment = segmentForTag(tag);
    if (segment < 0)
        return;
    const QString& current = m_segments[segment].toolTip;
    if (!toolTip.isNull() && !current.isNull() && toolTip == current)
        return;
    setToolTip(toolTip, segment);
}

QString SegmentedControl::toolTipForTag(int tag) const
{
    return toolTipForSegment(segmentForTag(tag));
}

void SegmentedControl::setSelectedForTag(bool selected, int tag)
{
    setSelected(selected, segmentForTag(tag));
}

void SegmentedControl::setEnabledForTag(bool enabled, int tag)
{
    setEnabled(enabled, segmentForTag(tag));
}

void SegmentedControl::setLabelForTag(const QString& label, int tag)
{
    setLabel(label, segmentForTag(tag));
}

void SegmentedControl::setWidthForTag(double width, int tag)
{
    setWidth(width, segmentForTag(tag));
}

double SegmentedControl::widthForTag(int tag) const
{
    return widthForSegment(segmentForTag(tag));
}

void SegmentedControl::setCachedImageNamed(const QString& name, int segment)
{
    setImage(name.isNull() ? Image() : cachedImageNamed(name), segment);
}

void SegmentedControl::setCachedImageNamedForTag(const QString& name, int tag)
{
    const int segment = segmentForTag(tag);
    if (segment >= 0)
        setCachedImageNamed(name, segment);
}

double SegmentedControl::segmentWidth() const
{
    if (m_segments.isEmpty())
        return 0;
    double width = segmentCount() - 1;
    for (int i = 0; i < segmentCount(); ++i)
        width += widthForSegment(i);
    return width;
}

double SegmentedControl::effectiveWidth(int segment) const
{
    if (!validSegment(segment))
        return 0;
    const Segment& s = m_segments[segment];
    if (s.width > 0)
        return s.width;
    double content = 12;
    if (s.image)
        content += std::min(s.image.size().width(), 24.0);
    if (!s.label.isEmpty())
        content += fontMetrics().horizontalAdvance(s.label) + (s.image ? 4 : 0);
    return std::ceil(content);
}

QRect SegmentedControl::rectForSegment(int segment) const
{
    if (!validSegment(segment))
        return {};
    // One point of border before each segment and after the last.
    double x = 1;
    for (int i = 0; i < segment; ++i)
        x += effectiveWidth(i) + 1;
    return QRect(qRound(x), 0, qRound(effectiveWidth(segment)), height());
}

QSize SegmentedControl::sizeHint() const
{
    double width = 1;
    for (int i = 0; i < segmentCount(); ++i)
        width += effectiveWidth(i) + 1;
    const int minimumHeight = m_controlSize == ControlSize::Regular ? 24 : m_controlSize == ControlSize::Small ? 20 : 16;
    return QSize(qRound(width), std::max(minimumHeight, fontMetrics().height() + 10));
}

void SegmentedControl::sizeToFit()
{
    resize(sizeHint());
}

bool SegmentedControl::sendActionTo()
{
    emit action(selectedSegment());
    return true;
}

void SegmentedControl::mouseDown(QMouseEvent* event)
{
    const int segment = segmentForPoint(event->position().toPoint());
    m_pressed = isEnabled() && isEnabledForSegment(segment) ? segment : -1;
    if (m_pressed >= 0)
        setSelected(true, m_pressed);
}

void SegmentedControl::mouseUp(QMouseEvent* event)
{
    const int pressed = std::exchange(m_pressed, -1);
    if (pressed < 0 || segmentForPoint(event->position().toPoint()) != pressed)
        return;
    sendActionTo();
    if (m_tracking == Tracking::Momentary)
        setSelected(false, pressed);
}

void SegmentedControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        mouseDown(event);
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        mouseUp(event);
}

bool SegmentedControl::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = toolTipForSegment(segmentForPoint(help->pos()));
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this, rectForSegment(segmentForPoint(help->pos())));
        return true;
    }
    return QWidget::event(event);
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const double radius = m_style == SegmentStyle::Rounded ? height() / 2.0 : 4.0;
    painter.setPen(pal.color(QPalette::Mid));
    painter.setBrush(pal.color(QPalette::Button));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    for (int i = 0; i < segmentCount(); ++i) {
        const Segment& s = m_segments[i];
        const QRect r = rectForSegment(i);
        const bool enabled = isEnabled() && s.enabled;
        if (s.selected) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(pal.color(QPalette::Highlight));
            painter.drawRect(r.adjusted(0, 1, 0, -1));
        }
        if (i > 0) {
            painter.setPen(pal.color(QPalette::Mid));
            painter.drawLine(QPointF(r.left() - 0.5, 3), QPointF(r.left() - 0.5, height() - 3));
        }
        const double imageSide = s.image ? std::min({s.image.size().width(), 24.0, height() - 6.0}) : 0;
        const double labelWidth = s.label.isEmpty() ? 0 : fontMetrics().horizontalAdvance(s.label);
        const double gap = imageSide > 0 && labelWidth > 0 ? 4 : 0;
        double x = r.left() + (r.width() - imageSide - gap - labelWidth) / 2;
        if (imageSide > 0) {
            painter.setOpacity(enabled ? 1.0 : 0.4);
            s.image.drawInRect(painter, QRectF(x, (height() - imageSide) / 2, imageSide, imageSide), QRectF(),
                               CompositingOperation::SourceOver, 1.0);
            painter.setOpacity(1.0);
            x += imageSide + gap;
        }
        if (labelWidth > 0) {
            painter.setPen(s.selected ? pal.color(QPalette::HighlightedText)
                                      : pal.color(enabled ? QPalette::Active : QPalette::Disabled,
                                                  QPalette::ButtonText));
            painter.drawText(QRectF(x, 0, labelWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, s.label);
        }
    }
}

// --- SegmentedSwitcherControl ------------------------------------------------------------------

SegmentedSwitcherControl::SegmentedSwitcherControl(const QByteArray& action, QObject* target, QWidget* parent)
    : SegmentedControl(parent), m_action(action), m_target(target)
{
}

void SegmentedSwitcherControl::selectItemWithTag(int tag)
{
    if (!selectSegmentWithTag(tag))
        setSelectedSegment(-1);
}

void SegmentedSwitcherControl::selectItemAtIndex(int index)
{
    setSelectedSegment(index < 0 ? -1 : index);
}

bool SegmentedSwitcherControl::sendActionTo()
{
    emit action(selectedSegment());
    return !m_action.isEmpty() && sorvant::sendAction(m_action, m_target, this);
}

// --- SegmentedActionControl --------------------------------------------------------------------

bool SegmentedActionControl::sendActionTo()
{
    QObject* receiver = target();
    if (!actionSelector().isEmpty() && receiver && respondsToSelector(receiver, actionSelector()))
        performSelector(receiver, actionSelector(), this);
    emit action(selectedSegment());
    setSelectedSegment(-1);
    return false;
}

SegmentedActionControl* SegmentedActionControl::withCachedImageNamed(const QString& name, const QByteArray& action,
                                                                     QObject* target, const QString& toolTip)
{
    auto* control = new SegmentedActionControl(action, target);
    control->addSegmentWithCachedImageNamed(name, 32.0, 0, toolTip);
    control->sizeToFit();
    return control;
}

SegmentedActionControl* SegmentedActionControl::withCachedImageNamed(const QString& name, const QString& toolTip,
                                                                     const QString& secondName,
                                                                     const QString& secondToolTip,
                                                                     const QByteArray& action, QObject* target)
{
    auto* control = new SegmentedActionControl(action, target);
    control->addSegmentWithCachedImageNamed(name, 24.0, 0, toolTip);
    control->addSegmentWithCachedImageNamed(secondName, 24.0, 0, secondToolTip);
    control->sizeToFit();
    return control;
}

// --- SegmentedDelayedMenuControl ---------------------------------------------------------------

void SegmentedDelayedMenuControl::mouseDown(QMouseEvent* event)
{
    m_hold.stop();
    m_heldSegment = -1;
    if (!isEnabled())
        return;
    const int segment = segmentForPoint(event->position().toPoint());
    if (!isEnabledForSegment(segment))
        return;
    QMenu* menu = menuForSegment(segment);
    // A menu filled on demand is empty until filled: fill it before asking
    // whether there is a menu to hold for.
    fillMenuNow(menu);
    setSelected(true, segment);
    if (!menu || menu->actions().isEmpty()) {
        sendAction();
        setSelectedSegment(-1);
        return;
    }
    // A release before the deadline is a click; reaching it shows the menu.
    m_heldSegment = segment;
    m_hold.setSingleShot(true);
    m_hold.setInterval(menuDelayForSegment(segment));
    disconnect(&m_hold, nullptr, this, nullptr);
    connect(&m_hold, &QTimer::timeout, this, &SegmentedDelayedMenuControl::showHeldMenu);
    m_hold.start();
}

void SegmentedDelayedMenuControl::mouseUp(QMouseEvent*)
{
    if (!m_hold.isActive())
        return;
    m_hold.stop();
    m_heldSegment = -1;
    sendAction();
    setSelectedSegment(-1);
}

void SegmentedDelayedMenuControl::showHeldMenu()
{
    const int segment = std::exchange(m_heldSegment, -1);
    QMenu* menu = menuForSegment(segment);
    if (menu) {
        m_shown = menu;
        menu->popup(mapToGlobal(rectForSegment(segment).bottomLeft() + QPoint(0, 2)));
    }
    setSelectedSegment(-1);
}

// --- SegmentedMouseDownActionControl -----------------------------------------------------------

void SegmentedMouseDownActionControl::mouseDown(QMouseEvent* event)
{
    const int segment = segmentForPoint(event->position().toPoint());
    if (!isEnabled() || !isEnabledForSegment(segment))
        return;
    setSelected(true, segment);
    sendAction();
    setSelectedSegment(-1);
}

// --- SegmentedBar ----------------------------------------------------------------------------

QList<double> segmentedBarWidths(int count, double width, SegmentStyle style, double maximum)
{
    const double inset = style == SegmentStyle::Rounded ? 2.0 : 0.0;
    if (count <= 0)
        return {};
    if (count == 1)
        return {width - 2.0 - inset};
    const double room = width - (count + 1) - inset;
    const double even = std::floor(room / count);
    QList<double> widths(count, even);
    if (count > 2 && maximum > 0 && even > maximum) {
        const double rest = room - (count - 2) * maximum;
        for (int i = 1; i < count - 1; ++i)
            widths[i] = maximum;
        widths[0] = std::floor(rest * 0.5);
        widths[count - 1] = rest - widths[0];
    } else {
        widths[count - 1] = room - (count - 1) * even;
    }
    return widths;
}

void SegmentedBar::setMaximumSegmentWidth(double maximum)
{
    if (maximum == m_maximum)
        return;
    m_maximum = maximum;
    distribute();
}

void SegmentedBar::setSegmentCount(int count)
{
    SegmentedControl::setSegmentCount(count);
    distribute();
}

void SegmentedBar::resizeEvent(QResizeEvent* event)
{
    SegmentedControl::resizeEvent(event);
    distribute();
}

void SegmentedBar::distribute()
{
    if (!m_autoresizes)
        return;
    const QList<double> widths = segmentedBarWidths(segmentCount(), width(), segmentStyle(), m_maximum);
    for (int i = 0; i < widths.size(); ++i)
        setWidth(widths[i], i);
}

// --- CountedSegmentedControl -------------------------------------------------------------------

quint64 CountedSegmentedControl::countForSegment(int segment) const
{
    const auto it = m_counts.find(segment);
    return segment < 0 || it == m_counts.end() ? 0 : it->second;
}

void CountedSegmentedControl::setCount(quint64 count, int segment)
{
    if (segment < 0 || countForSegment(segment) == count)
        return;
    m_counts[segment] = count;
    update();
}

void CountedSegmentedControl::setSegmentCount(int count)
{
    m_counts.clear();
    SegmentedControl::setSegmentCount(count);
}

} // namespace sorvant
