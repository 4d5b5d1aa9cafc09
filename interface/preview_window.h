#pragma once
// The preview window of Quick Look: a tool window, shown without taking
// focus, that shows one of a list of files at a time.
//
// Previews (renderPreview):
//   bitmaps QImageReader reads     => the picture, scaled to fit (never up)
//   text (the MIME type inherits text/plain) => the first lines in a fixed font,
//                                     decoded as the search decodes them
//                                     (readTextStart: a byte the declared
//                                     set leaves out is one U+FFFD), else
//                                     as Latin-1
//   PDF                            => the first page (system/pdf_documents.h)
//   movies                         => the first frame with the duration
//   anything else, or a file that cannot be read
//                                  => a large icon with the name, size and
//                                     modification date (as the table
//                                     shows them); for a PDF whose page
//                                     needs more reading than its bound
//                                     allows, a line that says so
// The title and the card show a name as the table does (its control
// characters marked, printableItemName), its middle cut when it is long.
// Colours come from the palette, so the preview is light or dark with the
// window beside it: text in the palette's text colour on its base colour
// (a text field's), the rest on its window colour. Pictures, PDF pages and
// movie frames keep their own colours (a PDF page is framed, so that a
// white page stands out from a light window colour too). The window draws
// again in the new colours when its palette changes.
// Keys: Space and Escape close; arrows, Home, End, Page Up and Page Down
// move through the items. In full screen a slide show advances on a timer.
// Reading: files are decoded on the window's own threads, so that a preview
// that waits on a file (a damaged PDF of gigabytes, a slow volume) never
// holds the application's background work (destination tests, folder
// scans, the table's roles); a decoding whose item is no longer shown is
// abandoned (a PDF's reads fail from its next one on).

#include "interface/responder_hooks.h"
#include "platform/background_work.h"

#include <QCache>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QPalette>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <atomic>
#include <memory>

namespace sorvant {

enum class PreviewKind { Picture, Text, Pdf, Movie, Generic };

// The bytes of a text file a preview reads from its start.
inline constexpr qsizetype kTextPreviewBytes = 64 * 1024;

// What a file's preview shows (by content type, then whether it reads).
[[nodiscard]] PreviewKind previewKindForFile(const QString& path);
// Everything a file's preview shows, read off the interface thread: its kind,
// its picture (a bitmap decoded at most at twice the size asked for, a PDF's
// first page, a movie's first frame with its duration), the start of a text
// file, and the card's icon, size and date for any other file or one whose
// content cannot be had (then Generic). Drawing it, again in other colours
// or at another size, reads no file.
struct DecodedPreview
{
    PreviewKind kind = PreviewKind::Generic;
    QImage picture;        // null for text and other files
    double duration = 0;   // of a movie, in seconds
    bool whole = false;    // the picture at its natural size
    QString text;          // the start of a text file, decoded
    // The generic card's: the file's icon, its size in bytes (-1 when the
    // file does not exist) and modification date.
    QImage icon;
    qint64 bytes = -1;
    bool folder = false; // its size is no count of its contents
    QDateTime modified;
    // A PDF whose first page needs more bytes read than a preview reads.
    bool beyondReadLimit = false;
    // The decoding was abandoned through its stop flag: nothing to show.
    bool abandoned = false;
    // Whether the picture is large enough to show at `size`.
    [[nodiscard]] bool serves(QSize size) const;
};
// Set, `stop` abandons the decoding of a PDF at its next read.
[[nodiscard]] DecodedPreview decodePreview(const QString& path, QSize size,
                                           const std::atomic<bool>* stop = nullptr);
// The generic card's lines under the name: the size and the modification
// date as the results table shows them ("5 MB", "Today, 17:26"; a folder's
// size "--"), the date
// as detailed as `width` pixels of `font` allow, then for a file beyond the
// read bound what was not shown ("First page not shown"). Empty when the
// file does not exist (bytes < 0).
[[nodiscard]] QString previewCardDetails(const DecodedPreview& decoded, const QFont& font, int width);
// The preview drawn into an image of `size` pixels from what was decoded,
// in the colours of `palette` (by default the application's); it reads no
// file.
[[nodiscard]] QImage composePreview(const QString& path, const DecodedPreview& decoded, QSize size,
                                    const QPalette& palette = QPalette());
// The preview of a file drawn into an image of `size` pixels, at once.
[[nodiscard]] QImage renderPreview(const QString& path, QSize size, const QPalette& palette = QPalette());

// Where a preview frame of `size` goes beside the window frame `beside`
// (screen coordinates, y-down, decorations included) so that it covers none
// of it: `gap` to its right when that fits in `available`, else to its
// left, else narrowed into the wider side (down to `minimumWidth`, a
// readable width), else over the window at the screen edge of the wider
// side, `minimumWidth` wide. Its top is the window's, moved and cut to stay
// inside `available`.
//   beside (100, 100) 600 x 500, 480 x 400, on 1440 x 900, gap 8 => (708, 100) 480 x 400
//   beside (900, 100) 500 x 500, 480 x 400, on 1440 x 900, gap 8 => (412, 100) 480 x 400
//   beside (190, 137) 1042 x 666, 480 x 400, on 1440 x 900       => (1080, 137) 360 x 400
[[nodiscard]] QRect previewFrameBeside(const QRect& beside, QSize size, const QRect& available, int gap = 8,
                                       int minimumWidth = 360);

// A panel even while it is a full-screen window: it shows the main
// window's files and never becomes the main window itself.
class PreviewWindow : public QWidget, public WindowRole
{
    Q_OBJECT
public:
    explicit PreviewWindow(QWidget* parent = nullptr);
    // Abandons the decodings under way, and waits for them a short while.
    ~PreviewWindow() override;
    [[nodiscard]] bool canBecomeMainWindow() const override { return false; }

    [[nodiscard]] QList<QUrl> items() const { return m_items; }
    // Keeps the current item when it is still listed, else shows the first.
    void setItems(const QList<QUrl>& items);
    [[nodiscard]] int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    [[nodiscard]] QUrl currentItem() const;

    [[nodiscard]] bool isOpen() const { return isVisible(); }
    // Shows the window; when it was closed, beside the main window (or, with
    // none, centred on the screen) rather than where the desktop puts it,
    // and kept above the main window (keepAbove).
    void orderFront();
    // Makes the window transient for `window` (none for null), so that the
    // window manager keeps it above that window when the window is raised.
    // A shown window tells the manager at once (on X11), and is raised.
    void keepAbove(const QWidget* window);
    // Moves the window beside `window` on its screen (previewFrameBeside),
    // at its preferred size as far as there is room.
    void placeBeside(const QWidget* window);
    [[nodiscard]] static QSize preferredSize() { return {480, 400}; }

    // Full screen on the main window's screen (a normal top-level window
    // while it lasts), with the slide show advancing every `interval` ms.
    bool enterFullScreenSlideShow(int interval = 3000);
    [[nodiscard]] bool playsSlideShow() const { return m_slideShow.isActive(); }

    // Moves through the items for arrows, Home, End and the page keys; NO
    // for any other key.
    bool navigate(int key);
    // The same for a key press with no modifier (the keypad's aside); NO
    // for a modified one: Shift+End is the previewed view's, extending its
    // selection.
    bool navigate(const QKeyEvent* event);

    // Keys the window does not handle go here (the main window's focus).
    void setKeyForwarder(std::function<bool(QKeyEvent*)> forwarder) { m_forward = std::move(forwarder); }

    // Whether the current item's own preview is drawn: NO while it is
    // being decoded (the former item's stays meanwhile) and with no item.
    [[nodiscard]] bool showsCurrentItem() const;
    // The threads the previews are decoded on (their own).
    [[nodiscard]] QThreadPool& readingThreads() { return m_reading.threads(); }
    // How many decodings gave up through their stop flag so far.
    [[nodiscard]] int abandonedDecodings() const { return m_abandoned; }

signals:
    void closed();
    void currentItemChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setFullScreenWindow(bool fullScreen);
    void refresh();
    void showDecoded(const QString& path, const DecodedPreview& decoded);
    // Abandons the decoding under way: its item is no longer shown.
    void abandonReading();
    QList<QUrl> m_items;
    int m_current = -1;
    QImage m_rendered;
    // What was decoded for the preview drawn last, by whose path, so that a
    // new size or palette draws it again without reading the file.
    DecodedPreview m_shown;
    QString m_shownPath;
    // The last pictures decoded, by path (64 MB at most), and the number of
    // the latest request, so an older decoding that ends late is not shown.
    // Text and the card are read anew each time their item is shown.
    QCache<QString, DecodedPreview> m_decoded{64 * 1024};
    quint64 m_request = 0;
    // The stop flag of the decoding under way (null when none runs).
    std::shared_ptr<std::atomic<bool>> m_stopReading;
    int m_abandoned = 0;
    QTimer m_slideShow;
    std::function<bool(QKeyEvent*)> m_forward;
    // Last: destroyed first, once every decoding was told to stop.
    QuitBoundedPool m_reading{"Preview decoding"};
};

} // namespace sorvant
