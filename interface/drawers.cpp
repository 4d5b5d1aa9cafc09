#include "interface/drawers.h"

#include "platform/user_defaults.h"

#include <QEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace sorvant {

namespace {

constexpr int kGripWidth = 5;
constexpr const char* kBaseMarginsProperty = "sorvantDrawerBaseMargins";

bool isHorizontal(DrawerEdge edge)
{
    return edge == DrawerEdge::Left || edge == DrawerEdge::Right;
}

// The drawer's panel; its inner edge is a grip the user drags to resize it.
class DrawerPanel : public QWidget
{
public:
    DrawerPanel(NSDrawerExtended* drawer, QWidget* parent)
        : QWidget(parent), m_drawer(drawer)
    {
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::AlternateBase);
        setMouseTracking(true);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(kGripWidth + 4, kGripWidth + 4, kGripWidth + 4, kGripWidth + 4);
    }

protected:
    bool onGrip(QPoint p) const
    {
        switch (m_drawer->edge()) {
        case DrawerEdge::Right: return p.x() < kGripWidth;
        case DrawerEdge::Left: return p.x() >= width() - kGripWidth;
        case DrawerEdge::Top: return p.y() >= height() - kGripWidth;
        case DrawerEdge::Bottom: return p.y() < kGripWidth;
        }
        return false;
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        m_dragging = event->button() == Qt::LeftButton && onGrip(event->position().toPoint());
        m_start = event->globalPosition().toPoint();
        m_startSize = m_drawer->contentSize();
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (!m_dragging) {
            const bool grip = onGrip(event->position().toPoint());
            setCursor(grip ? (isHorizontal(m_drawer->edge()) ? Qt::SizeHorCursor : Qt::SizeVerCursor)
                           : Qt::ArrowCursor);
            return;
        }
        const QPoint delta = event->globalPosition().toPoint() - m_start;
        Size size = m_startSize;
        switch (m_drawer->edge()) {
        case DrawerEdge::Right: size.width -= delta.x(); break;
        case DrawerEdge::Left: size.width += delta.x(); break;
        case DrawerEdge::Top: size.height += delta.y(); break;
        case DrawerEdge::Bottom: size.height -= delta.y(); break;
        }
        size.width = std::max(size.width, m_drawer->minContentSize().width);
        size.height = std::max(size.height, m_drawer->minContentSize().height);
        if (!(size == m_drawer->contentSize()))
            m_drawer->resizeByUser(size);
    }
    void mouseReleaseEvent(QMouseEvent*) override { m_dragging = false; }

private:
    NSDrawerExtended* m_drawer;
    bool m_dragging = false;
    QPoint m_start;
    Size m_startSize;
};

} // namespace

// --- delegate ---------------------------------------------------------------------------

DrawerDelegate& DrawerDelegate::sharedInstance()
{
    static DrawerDelegate instance;
    return instance;
}

bool DrawerDelegate::drawerShouldOpen(NSDrawerExtended*)
{
    return true;
}

bool DrawerDelegate::drawerShouldClose(NSDrawerExtended*)
{
    return true;
}

Size DrawerDelegate::drawerWillResizeContents(NSDrawerExtended* drawer, const Size& size)
{
    if (size.width > 0 && size.height > 0 && drawer && !drawer->autosaveName().isEmpty())
        UserDefaults::standardUserDefaults().setString(stringFromSize(size), drawer->autosaveName());
    return size;
}

// --- drawer -----------------------------------------------------------------------------

NSDrawerExtended::NSDrawerExtended(const Size& contentSize, DrawerEdge preferredEdge, QWidget* parentWindow)
    : QObject(parentWindow), m_parent(parentWindow), m_edge(preferredEdge), m_contentSize(contentSize)
{
    if (m_parent) {
        m_panel = new DrawerPanel(this, m_parent);
        m_panel->hide();
        m_parent->installEventFilter(this);
    }
}

NSDrawerExtended::~NSDrawerExtended()
{
    if (m_parent)
        m_parent->removeEventFilter(this);
}

void NSDrawerExtended::setContentSize(const Size& size)
{
    if (size == m_contentSize)
        return;
    if (!isVisible() || !m_parent) {
        m_contentSize = size;
        return;
    }
    const Rect frame = windowFrame(m_parent);
    m_contentSize = size;
    applyMargins(m_parent);
    setWindowFrame(m_parent, frame);
    layoutPanel();
}

void NSDrawerExtended::setContentView(QWidget* view)
{
    // Without a stored size or a minimum the drawer keeps its size rather
    // than shrinking to nothing.
    const Size saved = savedSize();
    if (saved.width > 0 && saved.height > 0)
        setContentSize(saved);
    if (m_content == view || !m_panel)
        return;
    if (m_content)
        m_content->setParent(nullptr);
    m_content = view;
    if (view)
        m_panel->layout()->addWidget(view);
}

Size NSDrawerExtended::savedSize() const
{
    if (m_autosaveKey.isEmpty())
        return m_minContentSize;
    return savedDrawerSize(UserDefaults::standardUserDefaults(), m_autosaveKey, m_minContentSize);
}

void NSDrawerExtended::setAutosaveName(const QString& name)
{
    m_autosaveKey.clear();
    if (name.isNull())
        return;
    m_autosaveKey = drawerSizeKey(name);
    m_delegate = &DrawerDelegate::sharedInstance();
    if (m_state == ClosedState)
        setContentSize(savedSize());
}

void NSDrawerExtended::resetPreviousWindowFrame()
{
    m_oldWindowFrame = kZeroRect;
    m_newWindowFrame = kZeroRect;
}

Rect NSDrawerExtended::previousWindowFrame() const
{
    const bool fullScreen = m_parent && m_parent->isFullScreen();
    return previousWindowFrameForDrawer(windowFrame(m_parent), m_oldWindowFrame, m_newWindowFrame, fullScreen);
}

void NSDrawerExtended::openAndUseWindowFrame(const Rect& frame)
{
    if (isVisible() || !m_parent || (m_delegate && !m_delegate->drawerShouldOpen(this)))
        return;
    emit willOpen();
    const Rect screen = screenFrame(m_parent);
    const Size size = savedSize();
    if (size.width > 0 && size.height > 0)
        m_contentSize = size;
    m_oldWindowFrame = frame;
    const Rect fitted = fitWindowFrameForDrawer(frame, m_contentSize, m_edge, screen);
    m_newWindowFrame = fitted;
    m_state = OpeningState;
    applyMargins(m_parent);
    setWindowFrame(m_parent, fitted);
    layoutPanel();
    m_panel->show();
    m_panel->raise();
    m_state = OpenState;
    emit didOpen();
}

void NSDrawerExtended::open()
{
    openAndUseWindowFrame(windowFrame(m_parent));
}

void NSDrawerExtended::close()
{
    if (!isVisible() || (m_delegate && !m_delegate->drawerShouldClose(this)))
        return;
    const Rect frame = windowFrame(m_parent);
    m_state = ClosingState;
    emit willClose();
    if (auto* observer = dynamic_cast<DrawerObserver*>(m_parent.data()))
        observer->drawerWillClose(this);
    m_panel->hide();
    m_state = ClosedState;
    applyMargins(m_parent);
    setWindowFrame(m_parent, frame);
    finishClose();
}

void NSDrawerExtended::toggle()
{
    if (isVisible())
        close();
    else
        open();
}

void NSDrawerExtended::finishClose()
{
    if (isVisible())
        return;
    if (auto* observer = dynamic_cast<DrawerObserver*>(m_parent.data()))
        observer->drawerDidClose(this);
    if (!(m_oldWindowFrame == kZeroRect) && m_parent) {
        const Rect previous = previousWindowFrame();
        if (!sameRoundedFrame(previous, windowFrame(m_parent)))
            setWindowFrame(m_parent, previous);
    }
    resetPreviousWindowFrame();
    emit didClose();
}

void NSDrawerExtended::openAndCloseDrawer()
{
    NSDrawerExtended* visible = nullptr;
    for (NSDrawerExtended* drawer : drawersOfWindow(m_parent)) {
        if (drawer->isVisible()) {
            visible = drawer;
            break;
        }
    }
    openAndCloseDrawer(visible);
}

void NSDrawerExtended::openAndCloseDrawer(NSDrawerExtended* other)
{
    if (!other || other == this) {
        open();
        return;
    }
    if (!other->isVisible()) {
        other->resetPreviousWindowFrame();
        open();
        return;
    }
    const Rect frame = other->previousWindowFrame();
    other->resetPreviousWindowFrame();
    other->close();
    openAndUseWindowFrame(frame);
}

void NSDrawerExtended::resizeByUser(const Size& size)
{
    setContentSize(m_delegate ? m_delegate->drawerWillResizeContents(this, size) : size);
}

double NSDrawerExtended::extent() const
{
    return isHorizontal(m_edge) ? m_contentSize.width : m_contentSize.height;
}

void NSDrawerExtended::layoutPanel()
{
    QWidget* panel = m_panel.data();
    const QWidget* parent = m_parent.data();
    if (!panel || !parent)
        return;
    const int e = qRound(extent());
    const QRect area = parent->rect();
    switch (m_edge) {
    case DrawerEdge::Left: panel->setGeometry(0, 0, e, area.height()); break;
    case DrawerEdge::Right: panel->setGeometry(area.width() - e, 0, e, area.height()); break;
    case DrawerEdge::Top: panel->setGeometry(0, 0, area.width(), e); break;
    case DrawerEdge::Bottom: panel->setGeometry(0, area.height() - e, area.width(), e); break;
    }
}

void NSDrawerExtended::applyMargins(QWidget* window)
{
    QVariant base = window->property(kBaseMarginsProperty);
    if (!base.isValid()) {
        base = QVariant::fromValue(window->contentsMargins());
        window->setProperty(kBaseMarginsProperty, base);
    }
    QMargins margins = base.value<QMargins>();
    for (const NSDrawerExtended* drawer : drawersOfWindow(window)) {
        if (!drawer->isVisible())
            continue;
        const int e = qRound(drawer->extent());
        switch (drawer->m_edge) {
        case DrawerEdge::Left: margins.setLeft(margins.left() + e); break;
        case DrawerEdge::Right: margins.setRight(margins.right() + e); break;
        case DrawerEdge::Top: margins.setTop(margins.top() + e); break;
        case DrawerEdge::Bottom: margins.setBottom(margins.bottom() + e); break;
        }
    }
    window->setContentsMargins(margins);
}

Rect NSDrawerExtended::windowFrame(const QWidget* window)
{
    if (!window)
        return kZeroRect;
    QRect r = window->geometry();
    for (const NSDrawerExtended* drawer : drawersOfWindow(window)) {
        if (!drawer->isVisible())
            continue;
        const int e = qRound(drawer->extent());
        switch (drawer->m_edge) {
        case DrawerEdge::Left: r.setLeft(r.left() + e); break;
        case DrawerEdge::Right: r.setRight(r.right() - e); break;
        case DrawerEdge::Top: r.setTop(r.top() + e); break;
        case DrawerEdge::Bottom: r.setBottom(r.bottom() - e); break;
        }
    }
    return fromQtRect(r);
}

void NSDrawerExtended::setWindowFrame(QWidget* window, const Rect& frame)
{
    if (!window)
        return;
    QRect r = toQtRect(frame);
    for (const NSDrawerExtended* drawer : drawersOfWindow(window)) {
        if (!drawer->isVisible())
            continue;
        const int e = qRound(drawer->extent());
        switch (drawer->m_edge) {
        case DrawerEdge::Left: r.setLeft(r.left() - e); break;
        case DrawerEdge::Right: r.setRight(r.right() + e); break;
        case DrawerEdge::Top: r.setTop(r.top() - e); break;
        case DrawerEdge::Bottom: r.setBottom(r.bottom() + e); break;
        }
    }
    window->setGeometry(r);
}

Rect NSDrawerExtended::screenFrame(const QWidget* window)
{
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        return kZeroRect;
    return fromQtRect(window->isFullScreen() ? screen->geometry() : screen->availableGeometry());
}

QList<NSDrawerExtended*> NSDrawerExtended::drawersOfWindow(const QWidget* window)
{
    if (!window)
        return {};
    return window->findChildren<NSDrawerExtended*>(Qt::FindDirectChildrenOnly);
}

bool NSDrawerExtended::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_parent && event->type() == QEvent::Resize && isVisible())
        layoutPanel();
    return QObject::eventFilter(watched, event);
}

} // namespace sorvant
