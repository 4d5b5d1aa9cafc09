#pragma once
// Quick Look: the one controller of the application's preview window.
//
// It previews the files the main window offers (documentURLsForWindow: the
// focused item view's, else the window's, through DocumentURLs) and, while
// the preview is open, follows main-window changes and selection changes of
// the views it observes. The views' Space, Option-Space, Escape and page
// keys reach it through handleQuickLookKeyDown.
//
//   nothing selected, openQuickLook  => an empty preview
//   the observed view's model reset  => the view's files now (none)
//   another window becomes main      => that window's files
//   no main window                   => no files

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <map>
#include <vector>

class QAbstractItemView;
class QAction;
class QKeyEvent;
class QWidget;

namespace sorvant {

class PreviewWindow;

// A view that takes its selection off while rows leave and puts back what
// stayed once they are gone, with a selection change. The preview follows
// that change, not the rows removed meanwhile: the selection it would read
// then is empty only for the moment, and reading it would move the preview
// back to its first item.
class SelectionThroughRemoval
{
public:
    virtual ~SelectionThroughRemoval() = default;
    [[nodiscard]] virtual bool holdsSelectionThroughRemoval() const = 0;
};

class QuickLookController : public QObject
{
    Q_OBJECT
public:
    // Created on first use, after setting "QLEnableTextSelection" to YES.
    static QuickLookController& sharedController();
    // Null until sharedController was first asked for.
    static QuickLookController* currentController();
    ~QuickLookController() override;

    void selectionDidChangeInWindow(QWidget* window);
    void mainWindowDidChange(QWidget* window, bool becameMain);
    // Follows the view's selection changes while the preview is open, and
    // its model's resets and removed rows (which change no selection), but
    // not rows removed while the view holds its selection through them
    // (SelectionThroughRemoval).
    void addObserverForView(QAbstractItemView* view);
    void removeObserverForView(QAbstractItemView* view);

    // The preview window, made on first use: Ctrl+W closes it, and the
    // application's actions (setApplicationActions) are its own too.
    [[nodiscard]] PreviewWindow* sharedPanel();
    // The application's commands (Quit, New Window…) the preview window
    // holds, so their keys act while it is the active window; taken by a
    // window made later and by one already made.
    static void setApplicationActions(const QList<QAction*>& actions);
    [[nodiscard]] bool isOpen() const;
    // YES when it was open.
    bool closePanel();

    [[nodiscard]] int numberOfPreviewItems() const { return static_cast<int>(m_urls.size()); }
    [[nodiscard]] QUrl previewItemAtIndex(int index) const { return m_urls.value(index); }

    [[nodiscard]] static QList<QUrl> documentURLsForWindow(QWidget* window);
    void setDocumentURLsForWindow(QWidget* window);
    [[nodiscard]] QList<QUrl> documentURLs() const { return m_urls; }
    void setDocumentURLs(const QList<QUrl>& urls);

    // A key press in the preview: handed to the main window's focus widget.
    bool previewPanelHandleEvent(QKeyEvent* event);
    [[nodiscard]] static bool previewPanelShouldOpenURL(const QUrl&) { return true; }

public slots:
    void openQuickLook(QObject* sender = nullptr);
    void orderFrontQuickLook(QObject* sender = nullptr) { openQuickLook(sender); }
    void closeQuickLook(QObject* sender = nullptr);
    void toggleQuickLook(QObject* sender = nullptr);
    void toggleSlideshow(QObject* sender = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QuickLookController();
    void checkMainWindow();
    QList<QUrl> m_urls;
    QPointer<PreviewWindow> m_panel;
    QPointer<QWidget> m_lastMain;
    std::map<QAbstractItemView*, std::vector<QMetaObject::Connection>> m_observed;
};

// The Quick Look keys of any view: Space toggles the preview (Option-Space
// the slide show), Escape closes an open preview, Home/End/Page keys without
// a modifier go to an open preview (with Shift they stay the view's, which
// extends its selection). YES when the key was used.
bool handleQuickLookKeyDown(QWidget* view, QKeyEvent* event);

} // namespace sorvant
