#include "interface/preview_window.h"

#include "foundation/number_formatting.h"
#include "interface/application.h"
#include "interface/colors.h"
#include "interface/shown_names.h"
#include "interface/table_cells.h"
#include "platform/background_work.h"
#include "platform/file_system_representation.h"
#include "platform/mime_database.h"
#include "platform/string_encoding.h"
#include "search/content_reading.h"
#include "system/deletion_questions.h"
#include "system/media_files.h"
#include "system/movie_frames.h"
#include "system/pdf_documents.h"
#include "system/stoppable_reads.h"
#include "system/workspace_icons.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <memory>

#include <xcb/xcb.h>

namespace sorvant {

namespace {

constexpr int kMargin = 12;
// The generic card's icon is read at its largest size and scaled down.
constexpr int kCardIconSide = 128;

// The preview never takes the focus, so its window is never the active
// one; its text must not look inactive for that: the active colours.
QColor paletteColor(const QPalette& palette, QPalette::ColorRole role)
{
    return palette.color(QPalette::Active, role);
}

// Two thirds of the way from the window colour to its text colour: dimmed
// beside the text, and still clearly apart from the background in light and
// dark palettes alike.
QColor secondaryTextColor(const QPalette& palette)
{
    return mixedColor(paletteColor(palette, QPalette::Window), paletteColor(palette, QPalette::WindowText),
                      2.0 / 3.0);
}

// Tells the X11 window manager the window's transient parent (WM_TRANSIENT_FOR,
// deleted for none), as Qt does only when it shows a window; elsewhere
// nothing.
void announceTransientParent(QWindow* window)
{
    // Only the xcb platform's windows are X11 windows (the offscreen one
    // answers the interface too, with no connection).
    if (!window || !window->handle() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const auto id = xcb_window_t(window->winId());
    if (QWindow* parent = window->transientParent()) {
        const auto parentId = xcb_window_t(parent->winId());
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32, 1,
                            &parentId);
    } else {
        xcb_delete_property(connection, id, XCB_ATOM_WM_TRANSIENT_FOR);
    }
    xcb_flush(connection);
}

QImage blank(QSize size, QColor fill)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// `picture` scaled to fit (never up) and centred on the window colour; a
// page `framed` by a hairline, so that its edge shows on any background.
QImage centred(const QImage& picture, QSize size, const QPalette& palette, bool framed = false)
{
    QImage image = blank(size, paletteColor(palette, QPalette::Window));
    const QSize fitted = picture.size().boundedTo(size).isEmpty()
                             ? QSize()
                             : picture.size().scaled(size.boundedTo(picture.size()), Qt::KeepAspectRatio);
    if (fitted.isEmpty())
        return image;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect target(QPoint((size.width() - fitted.width()) / 2, (size.height() - fitted.height()) / 2), fitted);
    painter.drawImage(target, picture);
    if (framed) {
        painter.setPen(paletteColor(palette, QPalette::Dark));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(target.adjusted(-1, -1, 0, 0));
    }
    return image;
}

// Decoded through reads that end at `stop`: a picture of many megapixels
// takes seconds to decode, and one left behind then gives up.
QImage readPicture(const QString& path, QSize size, const std::atomic<bool>* stop, bool* abandoned)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    StoppableReads reads(file, stop);
    QImageReader reader(&reads, QFileInfo(path).suffix().toLower().toLatin1());
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return {};
    const QSize natural = reader.size();
    if (natural.isValid() && (natural.width() > size.width() * 2 || natural.height() > size.height() * 2))
        reader.setScaledSize(natural.scaled(size * 2, Qt::KeepAspectRatio));
    QImage picture = reader.read();
    *abandoned = reads.stopped();
    return *abandoned ? QImage() : picture;
}

// The first page, opened and drawn each at most as far as the PDF read
// bound (a page whose content reaches past it shows what was read); a file
// beyond it, or an opening or drawing abandoned through `stop`, is said in
// `decoded`.
QImage renderPdfPage(const QString& path, QSize size, const std::atomic<bool>* stop, DecodedPreview* decoded)
{
    PdfFileOpening opening;
    opening.stop = stop;
    const std::shared_ptr<PdfDocument> document = PdfDocument::fromFile(path, &opening);
    decoded->beyondReadLimit = opening.reachedReadLimit;
    decoded->abandoned = opening.stopped;
    if (!document)
        return {};
    const QSizeF points = document->pageSize(0);
    if (points.isEmpty())
        return {};
    const double scale = std::min(size.width() / points.width(), size.height() / points.height());
    // The drawing is bounded as the open is, and ends at the stop: a page
    // whose content is a huge hole never holds one of the few threads.
    PdfPageDrawing drawing;
    drawing.stop = stop;
    QImage page = document->renderPage(0, 72.0 * scale, 72.0 * scale, &drawing);
    decoded->abandoned = decoded->abandoned || drawing.stopped;
    return page;
}

// "m:ss" (or "h:mm:ss") of a duration in seconds.
QString durationText(double seconds)
{
    const qint64 total = static_cast<qint64>(seconds + 0.5);
    const QString minutesAndSeconds = QStringLiteral("%1:%2").arg((total / 60) % 60).arg(total % 60, 2, 10, QLatin1Char('0'));
    return total >= 3600 ? QStringLiteral("%1:%2").arg(total / 3600).arg(minutesAndSeconds.rightJustified(5, QLatin1Char('0')))
                         : minutesAndSeconds;
}

// The movie's first frame with its duration in seconds; null when it has none.
QImage movieFrame(const QString& path, double* duration)
{
    QSizeF natural;
    if (!getSize(&natural, duration, path) || natural.isEmpty())
        return {};
    return frameImageAtTime(path, MovieTime::fromSeconds(0));
}

// The frame centred, with the movie's duration over its corner.
QImage composeMovie(const QImage& frame, double duration, QSize size, const QPalette& palette)
{
    if (frame.isNull())
        return {};
    QImage image = centred(frame, size, palette);
    QPainter painter(&image);
    const QString text = durationText(duration);
    const QRect box = painter.fontMetrics().boundingRect(text).adjusted(-6, -3, 6, 3);
    const QRect placed(size.width() - box.width() - kMargin, size.height() - box.height() - kMargin, box.width(),
                       box.height());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 160));
    painter.drawRoundedRect(placed, 4, 4);
    painter.setPen(Qt::white);
    painter.drawText(placed, Qt::AlignCenter, text);
    return image;
}

// The start of a text file into `text`, read as the search reads it
// (readTextStart): the character set it declares (what the set leaves out
// U+FFFD), else its byte-order mark, else UTF-8; bytes that are none of
// those are shown as Latin-1. NO when it cannot be opened or read.
bool readText(const QString& path, QString* text)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    const DeclaredCharset declared = declaredCharsetOfFile(file.handle());
    const QByteArray charset = declared.isUtf8 ? QByteArray(kDeclaredUtf8) : declared.converter;
    *text = readTextStart(file.handle(), std::uint64_t(file.size()), kTextPreviewBytes, charset);
    if (text->isNull()) {
        if (!file.seek(0))
            return false;
        *text = QString::fromLatin1(file.read(kTextPreviewBytes));
    }
    return true;
}

// What the generic card shows of a file.
void readCard(const QString& path, DecodedPreview* decoded)
{
    const QFileInfo info(path);
    decoded->bytes = info.exists() ? info.size() : -1;
    decoded->folder = info.isDir();
    decoded->modified = decoded->bytes >= 0 ? info.lastModified() : QDateTime();
    decoded->icon = iconForFile(path, true, QSize(kCardIconSide, kCardIconSide));
}

// Plain text has no colours of its own: it is drawn like a text field's,
// in the palette's text colour on its base colour.
QImage renderText(const QString& text, QSize size, const QPalette& palette)
{
    QImage image = blank(size, paletteColor(palette, QPalette::Base));
    QPainter painter(&image);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    painter.setFont(font);
    painter.setPen(paletteColor(palette, QPalette::Text));
    const int lineHeight = painter.fontMetrics().lineSpacing();
    int y = kMargin + painter.fontMetrics().ascent();
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (y > size.height())
            break;
        QString shown = line;
        shown.replace(QLatin1Char('\t'), QStringLiteral("    "));
        painter.drawText(kMargin, y, shown);
        y += lineHeight;
    }
    return image;
}

QImage renderGeneric(const QString& path, const DecodedPreview& decoded, QSize size, const QPalette& palette)
{
    QImage image = blank(size, paletteColor(palette, QPalette::Window));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int side = std::min({kCardIconSide, size.width() - 2 * kMargin, size.height() / 2});
    const int top = std::max(kMargin, (size.height() - side - 60) / 2);
    if (side > 0 && !decoded.icon.isNull())
        painter.drawImage(QRect((size.width() - side) / 2, top, side, side), decoded.icon);
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(paletteColor(palette, QPalette::WindowText));
    QRect text(kMargin, top + side + 8, size.width() - 2 * kMargin, painter.fontMetrics().height());
    // On one line, as the table shows it, its middle cut when long.
    const QString name = printableItemName(path);
    painter.drawText(text, Qt::AlignHCenter, painter.fontMetrics().elidedText(name, Qt::ElideMiddle, text.width()));
    font.setBold(false);
    painter.setFont(font);
    painter.setPen(secondaryTextColor(palette));
    const QString details = previewCardDetails(decoded, font, text.width());
    text.translate(0, text.height() + 4);
    text.setHeight(painter.fontMetrics().height() * 3 + 8);
    painter.drawText(text, Qt::AlignHCenter, details);
    return image;
}

} // namespace

QString previewCardDetails(const DecodedPreview& decoded, const QFont& font, int width)
{
    if (decoded.bytes < 0)
        return {};
    DateCell date;
    date.setFont(font);
    // A folder's size is that of its entry, not of what it holds: the
    // table's "--".
    const QString size = decoded.folder ? QStringLiteral("--") : stringForSize(quint64(decoded.bytes));
    QString details = QStringLiteral("%1\n%2").arg(size, date.textForValue(decoded.modified.toLocalTime(), width));
    if (decoded.beyondReadLimit)
        details += QLatin1Char('\n') + QCoreApplication::translate("PreviewWindow", "First page not shown");
    return details;
}

PreviewKind previewKindForFile(const QString& path)
{
    const QString type = mimeTypeOfFile(path);
    if (mimeTypeInherits(type, QStringLiteral("application/pdf")))
        return PreviewKind::Pdf;
    if (type.startsWith(QLatin1String("image/")) && QImageReader(path).canRead())
        return PreviewKind::Picture;
    if (mimeTypeInherits(type, QStringLiteral("text/plain")))
        return PreviewKind::Text;
    if (type.startsWith(QLatin1String("video/")))
        return PreviewKind::Movie;
    return PreviewKind::Generic;
}

DecodedPreview decodePreview(const QString& path, QSize size, const std::atomic<bool>* stop)
{
    DecodedPreview decoded;
    if (size.isEmpty())
        return decoded;
    decoded.kind = previewKindForFile(path);
    switch (decoded.kind) {
    case PreviewKind::Picture: {
        decoded.picture = readPicture(path, size, stop, &decoded.abandoned);
        if (decoded.abandoned)
            return decoded;
        const QSize natural = QImageReader(path).size();
        decoded.whole = !natural.isValid() || decoded.picture.size() == natural;
        break;
    }
    case PreviewKind::Pdf: decoded.picture = renderPdfPage(path, size, stop, &decoded); break;
    case PreviewKind::Movie:
        decoded.picture = movieFrame(path, &decoded.duration);
        decoded.whole = true;
        break;
    case PreviewKind::Text:
        if (!readText(path, &decoded.text))
            decoded.kind = PreviewKind::Generic;
        break;
    case PreviewKind::Generic: break;
    }
    if (decoded.kind != PreviewKind::Text && decoded.picture.isNull())
        decoded.kind = PreviewKind::Generic;
    if (decoded.abandoned)
        return decoded;
    if (decoded.kind == PreviewKind::Generic)
        readCard(path, &decoded);
    return decoded;
}

bool DecodedPreview::serves(QSize size) const
{
    if (kind == PreviewKind::Text || kind == PreviewKind::Generic || whole || picture.isNull())
        return true;
    // Shown at most at its size: enough when it fills the view one way.
    return picture.width() >= size.width() || picture.height() >= size.height();
}

QImage composePreview(const QString& path, const DecodedPreview& decoded, QSize size, const QPalette& palette)
{
    if (size.isEmpty())
        return {};
    QImage image;
    switch (decoded.kind) {
    case PreviewKind::Picture:
    case PreviewKind::Pdf:
        if (!decoded.picture.isNull())
            image = centred(decoded.picture, size, palette, decoded.kind == PreviewKind::Pdf);
        break;
    case PreviewKind::Movie: image = composeMovie(decoded.picture, decoded.duration, size, palette); break;
    case PreviewKind::Text: image = renderText(decoded.text, size, palette); break;
    case PreviewKind::Generic: break;
    }
    return image.isNull() ? renderGeneric(path, decoded, size, palette) : image;
}

QImage renderPreview(const QString& path, QSize size, const QPalette& palette)
{
    return composePreview(path, decodePreview(path, size), size, palette);
}

QRect previewFrameBeside(const QRect& beside, QSize size, const QRect& available, int gap, int minimumWidth)
{
    const int roomRight = available.right() - beside.right() - gap;
    const int roomLeft = beside.left() - gap - available.left();
    int width = std::min(size.width(), available.width());
    int x = 0;
    if (roomRight >= width) {
        x = beside.right() + 1 + gap;
    } else if (roomLeft >= width) {
        x = beside.left() - gap - width;
    } else {
        const bool right = roomRight >= roomLeft;
        const int room = std::max(roomRight, roomLeft);
        // Too little room on both sides for a readable preview: it goes over
        // the window's side that has more room, at the screen's edge, no
        // wider than reading needs, so it hides as little as it can.
        const bool fits = room >= minimumWidth;
        width = fits ? room : std::min(width, minimumWidth);
        if (right)
            x = fits ? beside.right() + 1 + gap : available.right() + 1 - width;
        else
            x = available.left();
    }
    const int height = std::min(size.height(), available.height());
    const int y = std::clamp(beside.top(), available.top(), available.bottom() + 1 - height);
    return {x, y, width, height};
}

// --- window ---------------------------------------------------------------------------------

PreviewWindow::PreviewWindow(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(tr("Quick Look"));
    setFocusPolicy(Qt::StrongFocus);
    resize(preferredSize());
    connect(&m_slideShow, &QTimer::timeout, this, [this] {
        if (!m_items.isEmpty())
            setCurrentIndex((m_current + 1) % static_cast<int>(m_items.size()));
    });
    // One item is shown at a time: a few threads let the one shown start
    // while abandoned ones end at their next read.
    m_reading.threads().setMaxThreadCount(3);
}

PreviewWindow::~PreviewWindow()
{
    abandonReading();
}

void PreviewWindow::abandonReading()
{
    if (m_stopReading)
        m_stopReading->store(true);
    m_stopReading.reset();
}

void PreviewWindow::setItems(const QList<QUrl>& items)
{
    const QUrl current = currentItem();
    m_items = items;
    const int kept = static_cast<int>(items.indexOf(current));
    m_current = kept >= 0 ? kept : (items.isEmpty() ? -1 : 0);
    refresh();
}

void PreviewWindow::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_items.size() || index == m_current)
        return;
    m_current = index;
    refresh();
    emit currentItemChanged(index);
}

QUrl PreviewWindow::currentItem() const
{
    return m_items.value(m_current);
}

void PreviewWindow::setFullScreenWindow(bool fullScreen)
{
    // Window managers make a normal top-level window full screen, not a
    // tool window: the slide show is one, the preview a tool window again.
    const Qt::WindowFlags kind = fullScreen ? Qt::Window : Qt::Tool;
    if ((windowFlags() & Qt::WindowType_Mask) != kind)
        setWindowFlags(kind);
    // The slide show takes the keys; the preview leaves them to the window.
    setAttribute(Qt::WA_ShowWithoutActivating, !fullScreen);
}

void PreviewWindow::keepAbove(const QWidget* window)
{
    // The handle is made first: a transient parent is a window's, and the
    // window manager learns it when the window is shown.
    winId();
    QWindow* parent = window && window != this && window->isWindow() ? window->windowHandle() : nullptr;
    if (windowHandle()->transientParent() == parent)
        return;
    windowHandle()->setTransientParent(parent);
    // Qt tells the window manager only when a window is shown: a shown
    // preview that follows another window tells it now, and comes above.
    if (isVisible()) {
        announceTransientParent(windowHandle());
        raise();
    }
}

void PreviewWindow::orderFront()
{
    if (!isVisible()) {
        setFullScreenWindow(false);
        const QWidget* main = mainWindow();
        keepAbove(main);
        if (main && main != this)
            placeBeside(main);
        else if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    show();
    raise();
}

void PreviewWindow::placeBeside(const QWidget* window)
{
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen)
        return;
    // The preview's own decorations are not known before it is shown:
    // the window's stand in for them.
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    const QMargins decorations(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                               outer.bottom() - inner.bottom());
    // Each opening starts again from the preferred size: the size a former
    // placement narrowed the window to is not a preference.
    const QRect frame = previewFrameBeside(outer, preferredSize().grownBy(decorations), screen->availableGeometry());
    setGeometry(frame.marginsRemoved(decorations));
}

bool PreviewWindow::enterFullScreenSlideShow(int interval)
{
    setFullScreenWindow(true);
    // On the main window's screen, not where the preview last was.
    const QWidget* main = mainWindow();
    if (QScreen* screen = main && main != this ? main->screen() : nullptr) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    showFullScreen();
    activateWindow();
    if (!isVisible())
        return false;
    m_slideShow.start(interval);
    return true;
}

bool PreviewWindow::navigate(int key)
{
    const int count = static_cast<int>(m_items.size());
    if (count == 0)
        return false;
    int index = m_current;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up: index -= 1; break;
    case Qt::Key_Right:
    case Qt::Key_Down: index += 1; break;
    case Qt::Key_PageUp: index -= 10; break;
    case Qt::Key_PageDown: index += 10; break;
    case Qt::Key_Home: index = 0; break;
    case Qt::Key_End: index = count - 1; break;
    default: return false;
    }
    setCurrentIndex(std::clamp(index, 0, count - 1));
    return true;
}

bool PreviewWindow::navigate(const QKeyEvent* event)
{
    return (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && navigate(event->key());
}

void PreviewWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Space:
        close();
        return;
    default: break;
    }
    // One item: the keys move the selection of the window being previewed.
    if (m_items.size() <= 1 && m_forward && m_forward(event))
        return;
    if (navigate(event))
        return;
    if (m_forward && m_forward(event))
        return;
    QWidget::keyPressEvent(event);
}

void PreviewWindow::hideEvent(QHideEvent* event)
{
    m_slideShow.stop();
    // The next opening is a normal window again.
    if (isFullScreen())
        setWindowState(windowState() & ~Qt::WindowFullScreen);
    // Text and the card are read again when the window opens next: the
    // file may change meanwhile. What is drawn stays until then.
    m_shown = DecodedPreview();
    m_shownPath.clear();
    // Nothing is shown any more: the decoding under way is not needed.
    abandonReading();
    QWidget::hideEvent(event);
    emit closed();
}

void PreviewWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    refresh();
}

void PreviewWindow::refresh()
{
    const QUrl item = currentItem();
    const QString path = pathOfFileURL(item);
    // A name's "[*]" is no modified mark.
    setWindowTitle(item.isEmpty()       ? tr("Quick Look")
                   : path.isEmpty()     ? literalWindowTitle(isolatedVisibleName(item.fileName()))
                                        : literalWindowTitle(printableItemName(path)));
    const quint64 request = ++m_request;
    // The item decoded so far is no longer the one to show.
    abandonReading();
    const QSize shown = size();
    if (path.isEmpty() || shown.isEmpty()) {
        m_rendered = QImage();
        m_shown = DecodedPreview();
        m_shownPath.clear();
        update();
        return;
    }
    // The item shown last, or a picture decoded before, for this size or a
    // larger one is laid out again at once; anything else is decoded off
    // the interface thread, the old picture staying until the new one is
    // there.
    if (path == m_shownPath && m_shown.serves(shown)) {
        showDecoded(m_shownPath, m_shown);
        return;
    }
    if (const DecodedPreview* decoded = m_decoded.object(path); decoded && decoded->serves(shown)) {
        showDecoded(path, *decoded);
        return;
    }
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_stopReading = stop;
    whenReady(runInPool(m_reading.threads(), [path, shown, stop] { return decodePreview(path, shown, stop.get()); }),
              this, [this, path, request, stop](const DecodedPreview& decoded) {
            // Abandoned: its item was left, or the window closed.
            m_abandoned += decoded.abandoned ? 1 : 0;
            if (decoded.abandoned || stop->load())
                return;
            if (m_stopReading == stop)
                m_stopReading.reset();
            // The cache's cost is the picture's size in kilobytes.
            if (!decoded.picture.isNull())
                m_decoded.insert(path, new DecodedPreview(decoded), int(decoded.picture.sizeInBytes() / 1024) + 1);
            if (request != m_request)
                return;
            showDecoded(path, decoded);
        });
}

void PreviewWindow::showDecoded(const QString& path, const DecodedPreview& decoded)
{
    if (&decoded != &m_shown) {
        m_shown = decoded;
        m_shownPath = path;
    }
    m_rendered = composePreview(m_shownPath, m_shown, size(), palette());
    update();
}

bool PreviewWindow::showsCurrentItem() const
{
    const QString path = pathOfFileURL(currentItem());
    return !path.isEmpty() && path == m_shownPath && !m_rendered.isNull();
}

void PreviewWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The appearance switched (or the desktop's colours changed): what is
    // shown is drawn again in the new colours, from what was decoded.
    if (event->type() == QEvent::PaletteChange && !m_shownPath.isEmpty())
        showDecoded(m_shownPath, m_shown);
}

void PreviewWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Also what shows around a preview made for a former size until the
    // new one is there.
    painter.fillRect(rect(), paletteColor(palette(), QPalette::Window));
    if (m_rendered.isNull()) {
        painter.setPen(secondaryTextColor(palette()));
        painter.drawText(rect(), Qt::AlignCenter, m_items.isEmpty() ? tr("No Items Selected") : QString());
        return;
    }
    painter.drawImage(QPoint(0, 0), m_rendered);
}

} // namespace sorvant
