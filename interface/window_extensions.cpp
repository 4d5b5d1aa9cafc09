#include "interface/window_extensions.h"

#include "foundation/run_loop.h"
#include "foundation/user_defaults_getters.h"
#include "interface/drawers.h"
#include "interface/events.h"
#include "interface/frame_clamp.h"
#include "interface/responder_hooks.h"
#include "interface/version_gates.h"
#include "interface/window_controller.h"
#include "platform/user_defaults.h"
#include "system/desktop_entries.h"
#include "system/mime_applications.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDateTimeEdit>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace sorvant {

namespace {

constexpr char kAutosaveNameProperty[] = "sorvantFrameAutosaveName";
constexpr char kDrawingDisabledProperty[] = "sorvantDrawingDisabled";
constexpr char kHUDProperty[] = "sorvantHUDWindow";
constexpr int kMiniwindowSide = 128;
// The application icon takes the lower right 48 × 48 of the picture.
constexpr int kBadgeIconSide = 48;

// The tests' opener of help pages; pages may be opened from any thread.
struct HelpOpenerState
{
    std::mutex mutex;
    URLOpener opener;
};

HelpOpenerState& helpOpenerState()
{
    static HelpOpenerState state;
    return state;
}

URLOpener helpOpener()
{
    HelpOpenerState& state = helpOpenerState();
    std::lock_guard lock(state.mutex);
    return state.opener;
}

double screenFractionSide(double visible, double fraction)
{
    return std::rint(visible * fraction);
}

} // namespace

// --- frames ------------------------------------------------------------------------------

Rect windowFrame(const QWidget* window)
{
    return window ? fromQtRect(window->geometry()) : kZeroRect;
}

void setWindowFrame(QWidget* window, const Rect& frame, bool display)
{
    if (!window)
        return;
    window->setGeometry(toQtRect(frame));
    if (display && window->isVisible())
        window->update();
}

Rect visibleScreenFrame(const QWidget* window)
{
    const QScreen* screen = window ? window->screen() : nullptr;
    return screen ? fromQtRect(screen->availableGeometry()) : kZeroRect;
}

Rect visibleScreenFrameForFrame(const Rect& frame)
{
    const QRect rect = toQtRect(frame);
    QScreen* landing = QGuiApplication::screenAt(rect.center());
    if (!landing) {
        qint64 largest = 0;
        for (QScreen* screen : QGuiApplication::screens()) {
            const QRect common = screen->availableGeometry().intersected(rect);
            const qint64 area = qint64(common.width()) * common.height();
            if (area > largest) {
                largest = area;
                landing = screen;
            }
        }
    }
    if (!landing)
        landing = QGuiApplication::primaryScreen();
    return landing ? fromQtRect(landing->availableGeometry()) : kZeroRect;
}

// --- saved frames ---------------------------------------------------------------------------

QString savedFrameKey(const QString& name)
{
    return QStringLiteral("NSWindow Frame %1").arg(name);
}

bool existsSavedFrameWithName(const QString& name, const UserDefaults& defaults)
{
    return !name.isEmpty() && !stringForKey(defaults, savedFrameKey(name)).isNull();
}

Rect savedFrameWithName(const QString& name, const UserDefaults& defaults)
{
    if (name.isEmpty())
        return kZeroRect;
    const Rect frame = rectFromString(stringForKey(defaults, savedFrameKey(name)));
    return isEmptyRect(frame) ? kZeroRect : frame;
}

void removeFrameUsingName(const QString& name, UserDefaults& defaults)
{
    if (!name.isEmpty())
        defaults.removeObjectForKey(savedFrameKey(name));
}

void saveFrameUsingName(const QWidget* window, const QString& name, UserDefaults& defaults)
{
    // Open drawers take room inside the window; the saved frame leaves it
    // out, or each launch would bring the window back wider.
    if (window && !name.isEmpty())
        defaults.setString(stringFromRect(NSDrawerExtended::windowFrame(window)), savedFrameKey(name));
}

bool setFrameUsingName(QWidget* window, const QString& name, const UserDefaults& defaults)
{
    const Rect frame = savedFrameWithName(name, defaults);
    if (!window || isEmptyRect(frame))
        return false;
    // The screen the frame was on (else the primary screen), and the whole
    // window on it, the window manager's frame included.
    clampFrame(window, toQtRect(frame), toQtRect(visibleScreenFrameForFrame(frame)));
    return true;
}

QString frameAutosaveName(const QWidget* window)
{
    return window ? window->property(kAutosaveNameProperty).toString() : QString();
}

void setFrameAutosaveName(QWidget* window, const QString& name, const UserDefaults& defaults)
{
    if (!window)
        return;
    window->setProperty(kAutosaveNameProperty, name);
    setFrameUsingName(window, name, defaults);
}

bool existsSavedFrame(const QWidget* window, const UserDefaults& defaults)
{
    return existsSavedFrameWithName(frameAutosaveName(window), defaults);
}

Rect savedFrame(const QWidget* window, const UserDefaults& defaults)
{
    return savedFrameWithName(frameAutosaveName(window), defaults);
}

void setSavedFrame(QWidget* window, const UserDefaults& defaults)
{
    if (existsSavedFrame(window, defaults))
        setFrameUsingName(window, frameAutosaveName(window), defaults);
}

void updateFrameAutosaveName(QWidget* window, const QString& name, UserDefaults& defaults)
{
    if (!window || name.isNull())
        return;
    removeFrameUsingName(name, defaults);
    setFrameAutosaveName(window, name, defaults);
    saveFrameUsingName(window, name, defaults);
}

// --- default sizes -------------------------------------------------------------------------

Rect defaultSizedFrame(const Rect& frame, const Size& minimum, const Size& size)
{
    Rect result = frame;
    result.size.width = std::max(minimum.width, size.width);
    result.size.height = std::max(minimum.height, size.height);
    // y-up: keeping the top edge means moving the origin down by the growth.
    result.origin.y = std::max(0.0, frame.origin.y - (result.size.height - frame.size.height));
    return result;
}

Size relativeScreenSize(const Size& visible, const Size& fractions)
{
    return {screenFractionSide(visible.width, fractions.width), screenFractionSide(visible.height, fractions.height)};
}

Size relativeScreenSize(const Size& visible, const Size& fractions, const Size& minimum)
{
    return {std::max(minimum.width, std::trunc(visible.width * fractions.width + 0.5)),
            std::max(minimum.height, std::trunc(visible.height * fractions.height + 0.5))};
}

namespace {

void applyDefaultSize(QWidget* window, const Size& size)
{
    const QSize minimum = window->minimumSize();
    setWindowFrame(window, defaultSizedFrame(windowFrame(window), Size{double(minimum.width()), double(minimum.height())}, size),
                   false);
}

} // namespace

bool setFrameDefaultSize(QWidget* window, const Size& size, const UserDefaults& defaults)
{
    if (!window || existsSavedFrame(window, defaults))
        return false;
    applyDefaultSize(window, size);
    return true;
}

bool setFrameRelativeScreenDefaultSize(QWidget* window, const Size& fractions, const UserDefaults& defaults)
{
    return setFrameDefaultSize(window, relativeScreenSize(visibleScreenFrame(window).size, fractions), defaults);
}

bool setFrameRelativeScreenDefaultSize(QWidget* window, const Size& fractions, const Size& minimum,
                                       const UserDefaults& defaults)
{
    const Size visible = visibleScreenFrame(window).size;
    const Size size{std::max(minimum.width, std::rint(visible.width * fractions.width)),
                    std::max(minimum.height, std::rint(visible.height * fractions.height))};
    return setFrameDefaultSize(window, size, defaults);
}

void setFrameAutosaveNameDefaultSize(QWidget* window, const QString& name, const Size& size,
                                     const UserDefaults& defaults)
{
    if (!window)
        return;
    const bool saved = existsSavedFrame(window, defaults);
    if (!saved)
        applyDefaultSize(window, size);
    if (WindowController* controller = windowController(window))
        controller->setShouldCascadeWindows(saved);
    setFrameAutosaveName(window, name, defaults);
}

void setFrameAutosaveNameRelativeScreenDefaultSize(QWidget* window, const QString& name, const Size& fractions,
                                                   const UserDefaults& defaults)
{
    setFrameAutosaveNameDefaultSize(window, name, relativeScreenSize(visibleScreenFrame(window).size, fractions),
                                    defaults);
}

void setFrameAutosaveNameRelativeScreenDefaultSize(QWidget* window, const QString& name, const Size& fractions,
                                                   const Size& minimum, const UserDefaults& defaults)
{
    setFrameAutosaveNameDefaultSize(
        window, name, relativeScreenSize(visibleScreenFrame(window).size, fractions, minimum), defaults);
}

Rect limitFrameToFrame(const QWidget* window, const Rect& bounds)
{
    return limitFrame(windowFrame(window), bounds);
}

quint64 indexForWindow(const QWidget* window)
{
    if (!window)
        return 0;
    const bool controlled = windowController(window) != nullptr;
    QList<quint64> taken;
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other == window || !other->metaObject()->inherits(window->metaObject()))
            continue;
        if (controlled && !windowController(other))
            continue;
        if (const auto* indexed = dynamic_cast<const WindowIndex*>(other))
            taken.append(indexed->windowIndex());
    }
    quint64 index = 0;
    while (taken.contains(index))
        ++index;
    return index;
}

// --- sheets and kinds ------------------------------------------------------------------------

void beginSheet(QWidget* window, QDialog* sheet)
{
    if (!window || !sheet)
        return;
    if (sheet->parentWidget() != window)
        sheet->setParent(window, sheet->windowFlags() | Qt::Sheet);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->open();
}

QDialog* attachedSheet(const QWidget* window)
{
    if (!window)
        return nullptr;
    for (QDialog* dialog : window->findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        if (dialog->isVisible() && dialog->windowModality() == Qt::WindowModal)
            return dialog;
    }
    return nullptr;
}

bool hasSheet(const QWidget* window)
{
    return attachedSheet(window) != nullptr;
}

void closeSheet(QWidget* window)
{
    if (QDialog* sheet = attachedSheet(window))
        sheet->close();
}

void endSheetWithReturnCode(QDialog* sheet, int code)
{
    if (sheet)
        sheet->done(code);
}

bool isPopover(const QWidget* window)
{
    return window && QByteArray(window->metaObject()->className()).endsWith("PopoverWindow");
}

bool isDrawer(const QWidget* window)
{
    return window && QByteArray(window->metaObject()->className()).endsWith("DrawerWindow");
}

// --- the window's icon image ------------------------------------------------------------------

QImage centeredMiniwindowImage(const QImage& image, const QImage& applicationIcon, bool scalable)
{
    if (image.isNull())
        return QImage();
    const double pw = image.width();
    const double ph = image.height();
    double w = pw;
    double h = ph;
    if (pw > kMiniwindowSide || ph > kMiniwindowSide) {
        w = kMiniwindowSide;
        h = kMiniwindowSide / pw * ph;
        if (h > kMiniwindowSide) {
            w = pw * (kMiniwindowSide / ph);
            h = kMiniwindowSide;
        }
    }
    w = std::floor(w);
    h = std::floor(h);
    if (w <= 0)
        w = 1;
    if (h <= 0)
        h = 1;
    const int x = static_cast<int>((kMiniwindowSide - w) * 0.5 + 0.5);
    const int y = static_cast<int>((kMiniwindowSide - h) * 0.5 + 0.5);
    if (x == 0 && y == 0 && applicationIcon.isNull())
        return image;

    QImage picture(kMiniwindowSide, kMiniwindowSide, QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull())
        return QImage();
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The arithmetic above is y-up from the picture's bottom edge.
    const QRectF target(x, kMiniwindowSide - y - h, w, h);
    if (scalable)
        painter.fillRect(target, Qt::white);
    painter.drawImage(target, image);
    if (!applicationIcon.isNull())
        painter.drawImage(QRectF(kMiniwindowSide - kBadgeIconSide, kMiniwindowSide - kBadgeIconSide, kBadgeIconSide,
                                 kBadgeIconSide),
                          applicationIcon);
    return picture;
}

void setCenteredMiniwindowImage(QWidget* window, const QImage& image)
{
    if (!window)
        return;
    if (image.isNull()) {
        window->setWindowIcon(QIcon());
        return;
    }
    const QIcon appIcon = QApplication::windowIcon();
    const QImage icon = appIcon.isNull() ? QImage() : appIcon.pixmap(kBadgeIconSide, kBadgeIconSide).toImage();
    const QImage picture = centeredMiniwindowImage(image, icon);
    window->setWindowIcon(picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
}

void updateMiniwindowImage(QWidget* window)
{
    if (window)
        setCenteredMiniwindowImage(window, window->grab().toImage());
}

// --- moves -----------------------------------------------------------------------------------

namespace {

// A view's frame within its parent, y-up; a window's on the screen.
Rect viewFrame(const QWidget* view)
{
    if (view->isWindow() || !view->parentWidget())
        return windowFrame(view);
    return fromQtRect(view->geometry(), view->parentWidget()->height());
}

void setViewFrame(QWidget* view, const Rect& frame, bool display)
{
    if (view->isWindow() || !view->parentWidget())
        setWindowFrame(view, frame, display);
    else
        view->setGeometry(toQtRect(frame, view->parentWidget()->height()));
}

} // namespace

void moveOriginDelta(QWidget* view, double dx, double dy)
{
    if (!view || (dx == 0 && dy == 0))
        return;
    Rect frame = viewFrame(view);
    frame.origin.x += dx;
    frame.origin.y += dy;
    setViewFrame(view, frame, true);
}

void resizeDelta(QWidget* view, double dx, double dy, bool display)
{
    if (!view || (dx == 0 && dy == 0))
        return;
    Rect frame = viewFrame(view);
    frame.size.width += dx;
    frame.size.height += dy;
    setViewFrame(view, frame, display);
}

void moveToScreen(QWidget* window, QScreen* screen)
{
    if (!window || !screen || window->isFullScreen())
        return;
    const Rect frame = windowFrame(window);
    const Rect constrained = limitFrame(frame, fromQtRect(screen->availableGeometry()));
    if (!(constrained == frame))
        setWindowFrame(window, constrained);
}

QPointF mouseLocationOutsideOfEventStreamInView(const QWidget* view)
{
    return view ? view->mapFromGlobal(QPointF(QCursor::pos())) : QPointF();
}

bool isMouseLocationInsideView(const QWidget* view)
{
    return view && QRectF(view->rect()).contains(mouseLocationOutsideOfEventStreamInView(view));
}

// --- editing and responders ----------------------------------------------------------------------

QAction* addCloseWindowAction(QWidget* window)
{
    if (!window)
        return nullptr;
    auto* close = new QAction(window);
    close->setObjectName(QStringLiteral("performClose"));
    // Ctrl+W itself: the platform's Close may be Ctrl+F4 alone.
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    close->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(close, &QAction::triggered, window, &QWidget::close);
    window->addAction(close);
    return close;
}

void endEditingForControl(QWidget* control)
{
    if (!control)
        return;
    // Qt's editors commit as they type; what is left is to end the edit as
    // the user would, by leaving the control.
    if (control->hasFocus()) {
        if (auto* line = qobject_cast<QLineEdit*>(control))
            emit line->editingFinished();
        else if (auto* spin = qobject_cast<QAbstractSpinBox*>(control))
            spin->interpretText();
    }
    cancelPreviousPerformRequests(control);
}

QWidget* firstResponderControl(const QWidget* window, Range* selectedRange)
{
    if (selectedRange)
        *selectedRange = kMissingRange;
    if (!window)
        return nullptr;
    QWidget* focus = window->focusWidget();
    if (!focus || focus == window)
        return nullptr;
    if (auto* line = qobject_cast<QLineEdit*>(focus); line && selectedRange) {
        *selectedRange = line->hasSelectedText() ? Range{line->selectionStart(), line->selectionLength()}
                                                 : Range{line->cursorPosition(), 0};
    }
    return focus;
}

void restoreFirstResponderControl(QWidget* control, const Range& selectedRange)
{
    if (!control)
        return;
    control->setFocus(Qt::OtherFocusReason);
    if (auto* line = qobject_cast<QLineEdit*>(control); line && !selectedRange.isMissing()) {
        const qsizetype length = line->text().size();
        const auto start = static_cast<int>(std::min(selectedRange.location, length));
        const auto count = static_cast<int>(std::min(selectedRange.length, length - start));
        line->setSelection(start, count);
    }
}

void disableDrawing(QWidget* window)
{
    if (!window)
        return;
    const int depth = window->property(kDrawingDisabledProperty).toInt();
    window->setProperty(kDrawingDisabledProperty, depth + 1);
    window->setUpdatesEnabled(false);
}

void enableDrawing(QWidget* window)
{
    if (!window)
        return;
    const int depth = std::max(0, window->property(kDrawingDisabledProperty).toInt() - 1);
    window->setProperty(kDrawingDisabledProperty, depth);
    if (depth == 0) {
        window->setUpdatesEnabled(true);
        if (window->isVisible())
            window->update();
    }
}

bool isUndoAction(const QByteArray& selector)
{
    return selector == "undo:" || selector == "redo:";
}

// --- key-view cycling ----------------------------------------------------------------------------

quint32 isCycleEvent(const QWidget* window, const QEvent* event)
{
    const quint32 flags = modifierFlags(event) & kDeviceIndependentModifierMask;
    const unichar key = pressedKey(event);
    if (key == kTabCharacter && flags == kControlKeyMask)
        return kControlKeyMask;
    if (key == kBackTabCharacter) {
        if (flags == (kShiftKeyMask | kControlKeyMask))
            return kShiftKeyMask | kControlKeyMask;
        if (flags == kShiftKeyMask) {
            const QWidget* focus = window ? window->focusWidget() : nullptr;
            return qobject_cast<const QDateTimeEdit*>(focus) ? 0 : kShiftKeyMask;
        }
    }
    return 0;
}

bool responderIsView(const QWidget* responder, const QWidget* view)
{
    if (!responder || !view)
        return false;
    return responder == view || view->isAncestorOf(responder);
}

QWidget* responderCycleThroughViews(const QWidget* responder, const QList<QWidget*>& views, bool forward)
{
    QList<QWidget*> candidates;
    for (QWidget* view : views) {
        if (view && view->isEnabled())
            candidates.append(view);
    }
    const auto current = std::find_if(candidates.cbegin(), candidates.cend(),
                                      [responder](const QWidget* view) { return responderIsView(responder, view); });
    if (current == candidates.cend())
        return nullptr;
    const qsizetype count = candidates.size();
    const qsizetype index = current - candidates.cbegin();
    return candidates.at(forward ? (index + 1) % count : (index + count - 1) % count);
}

QWidget* cycleThroughViews(const QWidget* window, const QList<QWidget*>& views, bool forward)
{
    return responderCycleThroughViews(window ? window->focusWidget() : nullptr, views, forward);
}

QWidget* cycleThroughViews(const QWidget* window, const QList<QWidget*>& views, quint32 flags)
{
    const bool forward = (flags & kShiftKeyMask) == 0;
    if (QWidget* view = cycleThroughViews(window, views, forward))
        return view;
    if (views.isEmpty())
        return nullptr;
    return forward ? views.first() : views.last();
}

// --- appearance ------------------------------------------------------------------------------------

void setHUDWindow(QWidget* window, bool flag)
{
    if (window)
        window->setProperty(kHUDProperty, flag);
}

bool isDarkAppearance(const QWidget* view)
{
    if (!view)
        return false;
    const QWidget* window = view->window();
    if (window->property(kHUDProperty).toBool())
        return true;
    const QColor background = window->palette().color(QPalette::Window);
    const QColor text = window->palette().color(QPalette::WindowText);
    return background.lightnessF() < text.lightnessF();
}

void prepareFieldEditor(const QWidget* window, QWidget* editor)
{
    if (!editor || !(qobject_cast<QLineEdit*>(editor) || qobject_cast<QTextEdit*>(editor)
                     || qobject_cast<QPlainTextEdit*>(editor)))
        return;
    const bool dark = isDarkAppearance(window);
    QPalette palette = editor->palette();
    const QColor color = dark ? QColor(Qt::white) : QApplication::palette(editor).color(QPalette::Text);
    if (dark && foundationVersionBelow(1555) && !isPopover(window)) {
        editor->setAutoFillBackground(false);
        palette.setColor(QPalette::Base, Qt::transparent);
    }
    if (palette.color(QPalette::Text) != color)
        palette.setColor(QPalette::Text, color);
    editor->setPalette(palette);
}

// --- help ---------------------------------------------------------------------------------------------

QStringList helpBookSearchPaths()
{
    QStringList paths;
    const QString override = qEnvironmentVariable("SORVANT_HELP_DIR");
    if (!override.isEmpty())
        paths.append(override);
    paths.append(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/sorvant/help")));
    return paths;
}

URLOpener setHelpURLOpener(URLOpener opener)
{
    HelpOpenerState& state = helpOpenerState();
    std::lock_guard lock(state.mutex);
    std::swap(state.opener, opener);
    return opener;
}

QString helpBookName()
{
    return QCoreApplication::instance()
        ? QCoreApplication::instance()->property("CFBundleHelpBookName").toString()
        : QString();
}

QUrl helpPageURL(const QString& anchor, const QString& book)
{
    if (book.isEmpty() || anchor.isEmpty() || book.contains(QLatin1Char('/')))
        return {};
    // A page holds the anchor when it names it as an id or an anchor name.
    const QByteArray id = "id=\"" + anchor.toUtf8() + '"';
    const QByteArray name = "name=\"" + anchor.toUtf8() + '"';
    for (const QString& root : helpBookSearchPaths()) {
        QDirIterator pages(QDir(root).filePath(book), {QStringLiteral("*.html"), QStringLiteral("*.htm")},
                           QDir::Files, QDirIterator::Subdirectories);
        while (pages.hasNext()) {
            const QString page = pages.next();
            QFile file(page);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = file.readAll();
            if (!text.contains(id) && !text.contains(name))
                continue;
            QUrl url = QUrl::fromLocalFile(page);
            url.setFragment(anchor);
            return url;
        }
    }
    return {};
}

HelpOpening showHelpPage(const QString& anchor, const QString& book)
{
    const QUrl url = helpPageURL(anchor, book);
    if (url.isEmpty())
        return HelpOpening::NotFound;
    if (const URLOpener opener = helpOpener())
        return opener(url) ? HelpOpening::Shown : HelpOpening::NoBrowser;
    // Only an application that shows web pages itself counts: an editor
    // that takes "text/html" as plain text is no browser. The desktop's
    // opener would start whether or not any could, and fail unseen.
    return launchFirstDesktopEntry(defaultApplicationsForMimeTypeOnly(QStringLiteral("text/html")),
                                   {url.toString(QUrl::FullyEncoded)})
        ? HelpOpening::Shown
        : HelpOpening::NoBrowser;
}

bool openHelpAnchor(const QString& anchor)
{
    return openHelpAnchor(anchor, helpBookName());
}

bool openHelpAnchor(const QString& anchor, const QString& book)
{
    const HelpOpening opening = showHelpPage(anchor, book);
    if (opening == HelpOpening::NotFound)
        QApplication::beep();
    return opening == HelpOpening::Shown;
}

} // namespace sorvant
