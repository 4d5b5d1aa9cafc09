#pragma once
// Helpers on any widget ("view"): a drawing scale, focus shortcuts, the
// enclosing scroll viewport, searching the widget tree, diagnostic dumps,
// small moves, context menus, a message drawn in the middle of an empty
// view, a centred action button, hiding several views at once, the dark
// appearance and grouped animations.
//
// Frames in the dumps are Qt's (x, y from the parent's top left).
//
// Not here: moves and the dark appearance, which serve windows and views
// alike (window_extensions.h); controls (controls.h).

#include "interface/geometry.h"

#include <QByteArray>
#include <QFont>
#include <QColor>
#include <QList>
#include <QMetaObject>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <functional>

class QAbstractAnimation;
class QEvent;
class QMenu;
class QPainter;
class QParallelAnimationGroup;
class QPushButton;
class QWidget;

namespace sorvant {

// --- scaling -----------------------------------------------------------------------------
// Widgets draw unscaled; a view that zooms reads its scale from here and
// applies it when it paints.

// The view's drawing scale, (1, 1) unless set.
[[nodiscard]] QSizeF scale(const QWidget* view);
void setScale(QWidget* view, const QSizeF& factors);
void resetScaling(QWidget* view);
// The horizontal scale × 100.
[[nodiscard]] double scalePercent(const QWidget* view);
// setScale(p / 100, p / 100), then a repaint.
void setScalePercent(QWidget* view, double percent);
// NO for every plain view; zooming views answer for themselves.
[[nodiscard]] bool canZoomIn(const QWidget* view);
[[nodiscard]] bool canZoomOut(const QWidget* view);
[[nodiscard]] bool canZoomToActualSize(const QWidget* view);

// --- focus ---------------------------------------------------------------------------------

// YES when the view is its window's focus widget.
[[nodiscard]] bool isFirstResponder(const QWidget* view);
// Asks the window to focus the view; YES whatever the window does (NO only
// for a null view).
bool makeFirstResponder(QWidget* view);
// NO when the view already has the focus or takes none; otherwise focuses
// it and answers YES.
bool makeFirstResponderIfNeeded(QWidget* view);

// --- scroll viewport ------------------------------------------------------------------------

// The viewport of the nearest enclosing scroll area; null when there is
// none or the view sits in a cell of an item view (a cell's widget has no
// viewport of its own).
[[nodiscard]] QWidget* clipView(const QWidget* view);
// Qt has no switch for animated scrolling: NO, after the log line
// "Class <class> does not respond to selector _canAnimateScrolls." when
// there is a viewport.
[[nodiscard]] bool canAnimateScrolls(const QWidget* view);
void setCanAnimateScrolls(QWidget* view, bool flag);

// --- the widget tree --------------------------------------------------------------------------

// Every descendant widget, pre-order (each followed by its own descendants).
[[nodiscard]] QList<QWidget*> allSubviews(const QWidget* view);
// The first descendant (pre-order) that sends `selector`; null when none.
[[nodiscard]] QWidget* subcontrolWithAction(const QWidget* view, const QByteArray& selector);
// The first descendant of the class (or a subclass), pre-order.
[[nodiscard]] QWidget* subviewOfKind(const QWidget* view, const QMetaObject& kind);
// The first direct child of the class; no recursion.
[[nodiscard]] QWidget* viewOfKind(const QWidget* view, const QMetaObject& kind);
// The nearest ancestor (not the view) of the class.
[[nodiscard]] QWidget* superviewOfKind(const QWidget* view, const QMetaObject& kind);
// YES when `other` is the view itself or one of its ancestors.
[[nodiscard]] bool isSubviewOf(const QWidget* view, const QWidget* other);
// YES when the parent is a tool bar (or inherits from one).
[[nodiscard]] bool isSubviewOfToolbar(const QWidget* view);
// YES when the view has a parent widget.
[[nodiscard]] bool isVisible(const QWidget* view);

// --- diagnostic dumps ---------------------------------------------------------------------------

// "\n" then one line "<indent><class>: <frame>\n" per view from the view up
// to its window, the indent growing by a tab per line. Logged and answered.
QString dumpSuperviews(const QWidget* view);
// "\n" then one line per view, pre-order, indented a tab per level, down to
// `depth` levels below the view (0: the view alone; -1: no limit). Logged
// and answered.
QString dumpSubviews(const QWidget* view, int depth = -1);

// --- menus ----------------------------------------------------------------------------------------

// The menu shown for a view's context menu, or null.
void setViewMenu(QWidget* view, QMenu* menu);
[[nodiscard]] QMenu* viewMenu(const QWidget* view);
// The view's menu (the one its ContextualMenuProvider builds, else the one
// set with setViewMenu), validated, after telling a view that implements
// ContextMenuWillPopUp; null without a menu.
[[nodiscard]] QMenu* contextualMenu(QWidget* view);
// Shows a menu (the view's own when null) at a point of the view.
void popUpMenu(QWidget* view, QMenu* menu, const QPointF& location, const QFont* font = nullptr);
// Shows the view's own menu (setViewMenu), in `font` when given, at
// `location` in the coordinates of the window where `event` happened (the
// view's window, which received it); with a null event the location is a
// screen position. Nothing without a view or a menu.
//   window at (100, 80), event, (10, 20) => the menu at (110, 100) on the screen
//   no event, (10, 20)                   => at (10, 20)
void popUpMenuWithEvent(QWidget* view, const QEvent* event, const QPointF& location);
void popUpMenuWithEvent(QWidget* view, const QEvent* event, const QPointF& location, const QFont& font);

// --- background -----------------------------------------------------------------------------------

// Gives the enclosing scroll area and the view the colour and whether they
// fill their background with it.
void setDrawsBackground(QWidget* view, bool flag, const QColor& color);

// --- alternate strings -------------------------------------------------------------------------------

struct AlternateStringAttributes {
    QFont font;
    QColor color;
};
// 18-point application font, the palette's disabled text colour; built once.
[[nodiscard]] const AlternateStringAttributes& alternateStringAttributes();

// Where a message of `textSize` goes in a view of `viewSize`, in Qt's
// coordinates: the full width, ceil(text height) high, its y-up origin at
// floor((view height − ceil(text height)) × 0.5) + yOffset. Empty when
// ceil(text width) exceeds the view's width (nothing is drawn then).
[[nodiscard]] QRectF alternateStringRect(const QSizeF& viewSize, const QSizeF& textSize, double yOffset = 0);
// Draws the message centred in the view; nothing for an empty string or one
// wider than the view. YES when drawn.
bool drawAlternateString(QPainter& painter, const QWidget* view, const QString& text, double yOffset = 0);

// --- buttons and visibility ------------------------------------------------------------------------------

// A push button with the title that sends `selector` to `target` (the
// responder chain when null), sized to fit, centred in the view and kept
// centred when the view resizes.
QPushButton* addCenteredActionButton(QWidget* view, const QString& title, const QByteArray& selector,
                                     QObject* target);
// Hides or shows every widget of the list; other objects are skipped.
void setHiddenOfViews(bool flag, const QList<QObject*>& objects);

// --- animations ---------------------------------------------------------------------------------------------

// Runs `animations`, which adds animations of `durationMs` to the group;
// starts the group and calls `completion` (when given) after it finished.
void animateWithDuration(double seconds, const std::function<void(QParallelAnimationGroup&, int durationMs)>& animations,
                         std::function<void()> completion = {});

} // namespace sorvant
