#pragma once
// Drawers: side panels inside a window that grow the window on their edge
// when they open and give the room back when they close.
//
// A drawer remembers its content size under "<name> drawer size" as
// "{w, h}" and, when it opens, moves or shrinks its window so that window and
// drawer fit on the screen (drawer_geometry.h). When it closes the window
// goes back where it was, unless the user moved it (then only the size comes
// back) or resized it (then it stays). The window's "frame" here is always
// the frame without its open drawers.
//
// The parent window may implement DrawerObserver to hear that one of its
// drawers closes.

#include "interface/drawer_geometry.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace sorvant {

class NSDrawerExtended;

// Told by a window's drawers when they close.
class DrawerObserver
{
public:
    virtual ~DrawerObserver() = default;
    virtual void drawerWillClose(NSDrawerExtended* drawer) = 0;
    virtual void drawerDidClose(NSDrawerExtended* drawer) = 0;
};

// The shared delegate of autosaving drawers: saves the size on user resize.
class DrawerDelegate
{
public:
    static DrawerDelegate& sharedInstance();
    virtual ~DrawerDelegate() = default;
    virtual bool drawerShouldOpen(NSDrawerExtended* drawer);
    virtual bool drawerShouldClose(NSDrawerExtended* drawer);
    // Stores a size with both sides above 0 under the drawer's key; answers
    // the size unchanged.
    virtual Size drawerWillResizeContents(NSDrawerExtended* drawer, const Size& size);
};

class NSDrawerExtended : public QObject
{
    Q_OBJECT
public:
    enum State { ClosedState = 0, OpeningState = 1, OpenState = 2, ClosingState = 3 };

    NSDrawerExtended(const Size& contentSize, DrawerEdge preferredEdge, QWidget* parentWindow);
    ~NSDrawerExtended() override;

    [[nodiscard]] QWidget* parentWindow() const { return m_parent; }
    [[nodiscard]] DrawerEdge preferredEdge() const { return m_edge; }
    [[nodiscard]] DrawerEdge edge() const { return m_edge; }
    [[nodiscard]] State state() const { return m_state; }
    // YES while opening or open.
    [[nodiscard]] bool isVisible() const { return m_state == OpeningState || m_state == OpenState; }

    [[nodiscard]] Size contentSize() const { return m_contentSize; }
    void setContentSize(const Size& size);
    [[nodiscard]] Size minContentSize() const { return m_minContentSize; }
    void setMinContentSize(const Size& size) { m_minContentSize = size; }

    // The panel that shows the content inside the parent window.
    [[nodiscard]] QWidget* panel() const { return m_panel; }
    [[nodiscard]] QWidget* contentView() const { return m_content; }
    // Takes savedSize as content size, then shows `view` in the drawer.
    void setContentView(QWidget* view);

    [[nodiscard]] DrawerDelegate* delegate() const { return m_delegate; }
    void setDelegate(DrawerDelegate* delegate) { m_delegate = delegate; }

    // The stored size when valid, else minContentSize.
    [[nodiscard]] Size savedSize() const;
    // Empty stops autosaving; otherwise the key becomes "<name> drawer size",
    // the shared DrawerDelegate becomes the delegate and a closed drawer
    // takes savedSize.
    void setAutosaveName(const QString& name);
    // The whole key, not the name given.
    [[nodiscard]] QString autosaveName() const { return m_autosaveKey; }

    void resetPreviousWindowFrame();
    [[nodiscard]] Rect previousWindowFrame() const;
    [[nodiscard]] Rect oldWindowFrame() const { return m_oldWindowFrame; }
    [[nodiscard]] Rect newWindowFrame() const { return m_newWindowFrame; }

    // Opens with the window fitted from `frame` (nothing when visible).
    void openAndUseWindowFrame(const Rect& frame);
    void open();
    void close();
    void toggle();
    // Switches from the window's first visible drawer (or `other`) to this
    // one, carrying the window's frame from before the first drawer over.
    void openAndCloseDrawer();
    void openAndCloseDrawer(NSDrawerExtended* other);

    // A resize made by the user (the panel's grip): asks the delegate, then
    // applies the size.
    void resizeByUser(const Size& size);

    // The parent's frame without its open drawers, y-up; zero without parent.
    [[nodiscard]] static Rect windowFrame(const QWidget* window);
    // Sets that frame; the window's geometry grows by its open drawers.
    static void setWindowFrame(QWidget* window, const Rect& frame);
    // The screen area a window's drawers fit into: the screen frame in full
    // screen, else the available area; zero without a screen.
    [[nodiscard]] static Rect screenFrame(const QWidget* window);
    // The window's drawers, in creation order.
    [[nodiscard]] static QList<NSDrawerExtended*> drawersOfWindow(const QWidget* window);

signals:
    void willOpen();
    void didOpen();
    void willClose();
    void didClose();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The room the drawer takes along its edge.
    [[nodiscard]] double extent() const;
    void layoutPanel();
    static void applyMargins(QWidget* window);
    void finishClose();

    QPointer<QWidget> m_parent;
    QPointer<QWidget> m_panel;
    QPointer<QWidget> m_content;
    DrawerEdge m_edge;
    State m_state = ClosedState;
    Size m_contentSize;
    Size m_minContentSize;
    DrawerDelegate* m_delegate = nullptr;
    QString m_autosaveKey;
    Rect m_oldWindowFrame;
    Rect m_newWindowFrame;
};

} // namespace sorvant
