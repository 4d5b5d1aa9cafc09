#include "interface/frame_clamp.h"

#include "interface/geometry.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace sorvant {

QRect fitWindowOnScreen(const QRect& client, const QMargins& decorations, const QRect& available)
{
    // fitFrame is y-up; any height serves as the flip's reference.
    const int height = available.bottom() + 1;
    const Rect outer = fromQtRect(client.marginsAdded(decorations), height);
    return toQtRect(fitFrame(outer, fromQtRect(available, height)), height).marginsRemoved(decorations);
}

QMargins windowDecorations(const QWidget* window)
{
    // The platform window knows them as soon as the manager has said so;
    // the widget's own frame strut is brought up to date only by moves.
    const QWindow* handle = window && window->isWindow() ? window->windowHandle() : nullptr;
    return handle ? handle->frameMargins() : QMargins();
}

namespace {

// The decorations the window manager last gave a window of this process:
// the best guess for a window it has not framed yet.
QMargins& lastSeenDecorations()
{
    static QMargins decorations;
    return decorations;
}

// Keeps a restored frame whole on its screen while the window manager
// frames the window. Before the window is mapped its decorations are not
// known (or guessed from another window); once the manager reports them,
// the frame is fitted again with them. The manager tells the decorations
// without moving the client (its gravity is static), so no event says
// they are known: they are looked at on moves and resizes and every
// kPollMs after the window is shown. Ends a while after the window is
// shown (without a window manager nothing frames it); while it lives, the
// window's controller does not save the frame (the manager's first
// placements are not the user's). A resize it did not ask for (the user's,
// the program's own) makes the new size the one kept.
class FrameClamp : public QObject
{
public:
    FrameClamp(QWidget* window, const QRect& client, const QRect& available, const QMargins& decorations)
        : QObject(window)
        , m_window(window)
        , m_client(client)
        , m_available(available)
        , m_decorations(decorations)
        , m_asked(window->size())
    {
        setObjectName(QString::fromLatin1(kFrameClampName));
        m_end.setSingleShot(true);
        m_end.setInterval(kFramingWaitMs);
        connect(&m_end, &QTimer::timeout, this, &QObject::deleteLater);
        m_poll.setInterval(kPollMs);
        connect(&m_poll, &QTimer::timeout, this, &FrameClamp::refit);
        window->installEventFilter(this);
        if (window->isVisible())
            started();
    }

    static constexpr char kFrameClampName[] = "sorvantFrameClamp";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_window)
            return false;
        switch (event->type()) {
        case QEvent::Show: started(); break;
        case QEvent::Resize:
            if (m_window->size() != m_asked)
                m_client.setSize(m_window->size());
            refit();
            break;
        case QEvent::Move: refit(); break;
        default: break;
        }
        return false;
    }

private:
    void started()
    {
        m_end.start();
        m_poll.start();
    }

    void refit()
    {
        if (!m_window->isVisible())
            return;
        const QMargins decorations = windowDecorations(m_window);
        if (decorations.isNull() || decorations == m_decorations)
            return;
        lastSeenDecorations() = decorations;
        m_decorations = decorations;
        m_poll.stop();
        const QRect fitted = fitWindowOnScreen(m_client, decorations, m_available);
        m_asked = fitted.size();
        m_window->setGeometry(fitted);
        // The manager's answer to this move comes later: wait for it.
        m_end.start();
    }

    // A desktop frames a new window well within this.
    static constexpr int kFramingWaitMs = 1500;
    static constexpr int kPollMs = 50;
    QWidget* m_window;
    QRect m_client;
    QRect m_available;
    QMargins m_decorations;
    // The size the clamp last gave the window.
    QSize m_asked;
    QTimer m_end;
    QTimer m_poll;
};

} // namespace

bool isFrameBeingClamped(const QWidget* window)
{
    return window && window->findChild<QObject*>(QString::fromLatin1(FrameClamp::kFrameClampName),
                                                 Qt::FindDirectChildrenOnly) != nullptr;
}

void clampFrame(QWidget* window, const QRect& client, const QRect& available)
{
    if (!window)
        return;
    const QMargins known = windowDecorations(window);
    const QMargins decorations = known.isNull() ? lastSeenDecorations() : known;
    delete window->findChild<QObject*>(QString::fromLatin1(FrameClamp::kFrameClampName), Qt::FindDirectChildrenOnly);
    window->setGeometry(fitWindowOnScreen(client, decorations, available));
    new FrameClamp(window, client, available, decorations);
}

void clampFrameWhenLargerThanScreen(QWidget* window)
{
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!window || !screen)
        return;
    const QRect available = screen->availableGeometry();
    const QMargins known = windowDecorations(window);
    const QSize frame = window->size().grownBy(known.isNull() ? lastSeenDecorations() : known);
    if (frame.width() <= available.width() && frame.height() <= available.height())
        return;
    clampFrame(window, QRect(available.topLeft(), window->size()), available);
}

} // namespace sorvant
