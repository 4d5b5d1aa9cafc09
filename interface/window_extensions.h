#pragma once
// Operations on any top-level window: saved frames in the user defaults,
// default sizes relative to the screen, limits, sheets, the window's icon
// image, small moves, ending edits, key-view cycling, the dark appearance of
// editors and help anchors. Frames are y-up (geometry.h) and are the
// window's client rectangle (window decorations are the desktop's).
//
// Saved frames live under "NSWindow Frame <name>" as "{{x, y}, {w, h}}";
// a frame counts only when its width and height are both above 0:
//   existsSavedFrameWithName("Find")  => YES when any string is stored
//   savedFrameWithName("Find")        => the zero rect for "{{0, 0}, {0, 10}}"
//
// Not here: fading (window_fading.h); the controller (window_controller.h).

#include "foundation/range.h"
#include "interface/geometry.h"

#include <QImage>
#include <QList>
#include <QString>

#include <functional>

class QAction;
class QDialog;
class QEvent;
class QScreen;
class QUrl;
class QWidget;

namespace sorvant {

class UserDefaults;

// --- frames ------------------------------------------------------------------------------

// The window's frame, y-up; the zero rect for a null window.
[[nodiscard]] Rect windowFrame(const QWidget* window);
void setWindowFrame(QWidget* window, const Rect& frame, bool display = true);
// The visible (available) frame of the window's screen, y-up; the zero rect
// when the window has no screen.
[[nodiscard]] Rect visibleScreenFrame(const QWidget* window);

// The visible frame (y-up) of the screen a frame lands on: the screen that
// holds its centre, else the one it overlaps most, else the primary screen;
// the zero rect when there is no screen.
[[nodiscard]] Rect visibleScreenFrameForFrame(const Rect& frame);

// --- saved frames ---------------------------------------------------------------------------

// The user-defaults key of a frame name: "NSWindow Frame <name>".
[[nodiscard]] QString savedFrameKey(const QString& name);
[[nodiscard]] bool existsSavedFrameWithName(const QString& name, const UserDefaults& defaults);
[[nodiscard]] Rect savedFrameWithName(const QString& name, const UserDefaults& defaults);
void removeFrameUsingName(const QString& name, UserDefaults& defaults);
// Stores the window's frame, without its open drawers, under the name;
// nothing for an empty name.
void saveFrameUsingName(const QWidget* window, const QString& name, UserDefaults& defaults);
// Gives the window the saved frame, fitted (frame_clamp.h) into the
// visible area of the screen it was on (else the primary screen) with the
// window manager's decorations, so a frame saved for another screen or left
// off-screen comes back whole, title bar included; NO when none is valid.
// Decorations are known only once the window manager has framed the
// window: until then the frame is clamped (fitted again when they become
// known), and the window's controller does not save it.
bool setFrameUsingName(QWidget* window, const QString& name, const UserDefaults& defaults);

// The autosave name of a window; null when it has none.
[[nodiscard]] QString frameAutosaveName(const QWidget* window);
// Sets the name and, when a valid frame is saved under it, restores it.
void setFrameAutosaveName(QWidget* window, const QString& name, const UserDefaults& defaults);

[[nodiscard]] bool existsSavedFrame(const QWidget* window, const UserDefaults& defaults);
[[nodiscard]] Rect savedFrame(const QWidget* window, const UserDefaults& defaults);
void setSavedFrame(QWidget* window, const UserDefaults& defaults);
// Moves the saved frame to a new name: the old record under the new name is
// removed, the name set and the current frame stored under it.
void updateFrameAutosaveName(QWidget* window, const QString& name, UserDefaults& defaults);

// --- default sizes -------------------------------------------------------------------------

// The frame a window of frame `frame` and minimum size `minimum` gets for a
// default size: each side at least the minimum, the top edge kept unless
// that would put the bottom below 0.
//   ({{10, 500}, {200, 100}}, {0, 0}, {300, 700}) => {{10, 0}, {300, 700}}
[[nodiscard]] Rect defaultSizedFrame(const Rect& frame, const Size& minimum, const Size& size);
// A size as fractions of a visible screen frame, rounded to whole points,
// and the same with a minimum (rounding half up first).
[[nodiscard]] Size relativeScreenSize(const Size& visible, const Size& fractions);
[[nodiscard]] Size relativeScreenSize(const Size& visible, const Size& fractions, const Size& minimum);

// NO and nothing else when a frame is saved under the window's name;
// otherwise applies the default size and answers YES.
bool setFrameDefaultSize(QWidget* window, const Size& size, const UserDefaults& defaults);
bool setFrameRelativeScreenDefaultSize(QWidget* window, const Size& fractions, const UserDefaults& defaults);
bool setFrameRelativeScreenDefaultSize(QWidget* window, const Size& fractions, const Size& minimum,
                                       const UserDefaults& defaults);
// Applies the default size when nothing is saved under the window's current
// name, tells the controller whether to cascade, then sets the name (which
// restores a frame saved under it).
void setFrameAutosaveNameDefaultSize(QWidget* window, const QString& name, const Size& size,
                                     const UserDefaults& defaults);
void setFrameAutosaveNameRelativeScreenDefaultSize(QWidget* window, const QString& name, const Size& fractions,
                                                   const UserDefaults& defaults);
void setFrameAutosaveNameRelativeScreenDefaultSize(QWidget* window, const QString& name, const Size& fractions,
                                                   const Size& minimum, const UserDefaults& defaults);

// limitFrame (geometry.h) of the window's frame; the window does not move.
[[nodiscard]] Rect limitFrameToFrame(const QWidget* window, const Rect& bounds);

// The smallest index from 0 that no other window of the same class (with a
// controller, when this one has one) answers through WindowIndex.
[[nodiscard]] quint64 indexForWindow(const QWidget* window);

// --- sheets and kinds ------------------------------------------------------------------------

// Shows `sheet` as a window-modal dialog attached to `window`.
void beginSheet(QWidget* window, QDialog* sheet);
// The visible window-modal dialog attached to `window`; null when none.
[[nodiscard]] QDialog* attachedSheet(const QWidget* window);
[[nodiscard]] bool hasSheet(const QWidget* window);
void closeSheet(QWidget* window);
// Ends a sheet with a return code (its dialog result).
void endSheetWithReturnCode(QDialog* sheet, int code);
// A popover or drawer window, by the class name the toolkit gives them.
[[nodiscard]] bool isPopover(const QWidget* window);
[[nodiscard]] bool isDrawer(const QWidget* window);

// --- the window's icon image ------------------------------------------------------------------

// The 128 × 128 picture that shows `image` scaled into it (keeping its
// proportions, centred) with the application icon in the lower right
// corner; `image` itself when it needs no scaling, no centring and there is
// no application icon; a null image for a null `image`.
//   256 × 64 => 128 × 32 at y-up (0, 48)
[[nodiscard]] QImage centeredMiniwindowImage(const QImage& image, const QImage& applicationIcon,
                                             bool scalable = false);
// Gives the window that picture as its icon (null clears it).
void setCenteredMiniwindowImage(QWidget* window, const QImage& image);
// The window's current contents as its icon picture.
void updateMiniwindowImage(QWidget* window);

// --- moves -----------------------------------------------------------------------------------

// For windows and views alike; both no-ops when dx and dy are 0. y-up:
// dy > 0 moves up (a view within its parent, a window on the screen).
void moveOriginDelta(QWidget* view, double dx, double dy);
// Width + dx, height + dy, the (y-up) origin, the bottom left, kept.
void resizeDelta(QWidget* view, double dx, double dy, bool display = true);
// Moves the window onto `screen` when it is not inside its visible area;
// nothing for a null screen or a full-screen window.
void moveToScreen(QWidget* window, QScreen* screen);
// The pointer's position in `view`'s coordinates (Qt's, y-down).
[[nodiscard]] QPointF mouseLocationOutsideOfEventStreamInView(const QWidget* view);
[[nodiscard]] bool isMouseLocationInsideView(const QWidget* view);

// --- editing and responders ----------------------------------------------------------------------

// Commits the edit of `control` when it is being edited, and cancels its
// delayed performs in any case; nothing for null.
void endEditingForControl(QWidget* control);
// The window's focus widget; null when there is none or it is the window.
// `selectedRange` (when given) is set to {NSNotFound, 0}, or to the
// selection of a focused line edit.
[[nodiscard]] QWidget* firstResponderControl(const QWidget* window, Range* selectedRange = nullptr);
// Focuses `control` and, for a line edit and a found range, selects it.
void restoreFirstResponderControl(QWidget* control, const Range& selectedRange);
// Suspends and resumes painting of the window, nesting.
void disableDrawing(QWidget* window);
void enableDrawing(QWidget* window);
// YES for "undo:" and "redo:".
[[nodiscard]] bool isUndoAction(const QByteArray& selector);
// Gives a window that has no menu of its own Close Window's key (Ctrl+W),
// closing it while it is the active window; the action ("performClose") is
// the window's. Null for a null window.
QAction* addCloseWindowAction(QWidget* window);

// --- key-view cycling ----------------------------------------------------------------------------

// The flags to cycle with for a key event: Control-Tab 0x40000, Shift-
// Control-back-tab 0x60000, Shift-back-tab 0x20000 (0 while a date editor
// has the focus), anything else 0.
[[nodiscard]] quint32 isCycleEvent(const QWidget* window, const QEvent* event);
// YES when `responder` is `view` or lies inside it; NO for nulls.
[[nodiscard]] bool responderIsView(const QWidget* responder, const QWidget* view);
// The enabled view after (or before) the one holding `responder`, wrapping;
// null when none of them holds it.
[[nodiscard]] QWidget* responderCycleThroughViews(const QWidget* responder, const QList<QWidget*>& views,
                                                  bool forward);
[[nodiscard]] QWidget* cycleThroughViews(const QWidget* window, const QList<QWidget*>& views, bool forward);
// Backward with Shift in `flags`; when nothing holds the focus, the last
// view backward and the first forward.
[[nodiscard]] QWidget* cycleThroughViews(const QWidget* window, const QList<QWidget*>& views, quint32 flags);

// --- appearance ------------------------------------------------------------------------------------

// Marks a window as a heads-up panel (always dark).
void setHUDWindow(QWidget* window, bool flag);
// YES for a heads-up panel or a window whose palette is dark; a view
// answers for its window; NO for null.
[[nodiscard]] bool isDarkAppearance(const QWidget* view);
// Gives an editor of `window` white text in a dark window and the normal
// text colour otherwise; on the older branch of the version gates a dark
// window's editor (outside popovers) also stops drawing its background.
void prepareFieldEditor(const QWidget* window, QWidget* editor);

// --- help ---------------------------------------------------------------------------------------------

// The page of the help book `book` that holds `anchor` (as an id or an
// anchor name), as a file URL with the anchor as its fragment; empty when
// the book or the anchor is empty, the book names a folder path, or no page
// holds it. Reads the book's pages: any thread. Books are found below the
// folders of helpBookSearchPaths().
[[nodiscard]] QUrl helpPageURL(const QString& anchor, const QString& book);
// The application's help book ("CFBundleHelpBookName" property); null
// without an application.
[[nodiscard]] QString helpBookName();
// What became of showing a help page.
enum class HelpOpening { Shown, NotFound, NoBrowser };
// Opens the page of `anchor` in a web browser, one that shows text/html
// itself (not an editor taking it as plain text) and can run; for any
// thread, as it reads the book and starts a program, so the caller says the
// outcome.
[[nodiscard]] HelpOpening showHelpPage(const QString& anchor, const QString& book);
// showHelpPage that beeps when no page holds the anchor; YES when shown.
// Blocks on the disk and a program start: not for the interface thread's
// menus, which run showHelpPage off it.
bool openHelpAnchor(const QString& anchor);
bool openHelpAnchor(const QString& anchor, const QString& book);
// Where help books are looked for: $SORVANT_HELP_DIR, then
// <executable>/../share/sorvant/help.
[[nodiscard]] QStringList helpBookSearchPaths();
// Replaces the opener of help pages (tests); an empty function restores the
// desktop's. Answers the previous one.
using URLOpener = std::function<bool(const QUrl&)>;
URLOpener setHelpURLOpener(URLOpener opener);

} // namespace sorvant
