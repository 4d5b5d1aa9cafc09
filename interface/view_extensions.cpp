#include "interface/view_extensions.h"

#include "foundation/runtime.h"
#include "interface/action_router.h"
#include "interface/controls.h"
#include "interface/menus.h"
#include "interface/responder_hooks.h"
#include "platform/log.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPointer>
#include <QPushButton>
#include <QToolBar>

#include <cmath>

namespace sorvant {

namespace {

constexpr char kScaleProperty[] = "sorvantScale";
constexpr char kMenuProperty[] = "sorvantViewMenu";

void appendSubviews(const QWidget* view, QList<QWidget*>& list)
{
    for (QWidget* child : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        list.append(child);
        appendSubviews(child, list);
    }
}

QString frameText(const QWidget* view)
{
    const QRect g = view->geometry();
    return stringFromRect(makeRect(g.x(), g.y(), g.width(), g.height()));
}

void appendSubviewLines(const QWidget* view, int level, int depth, QString& text)
{
    text += QString(level, QLatin1Char('\t')) + QString::fromLatin1(view->metaObject()->className())
        + QStringLiteral(": ") + frameText(view) + QLatin1Char('\n');
    if (depth >= 0 && level + 1 > depth)
        return;
    for (const QWidget* child : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        appendSubviewLines(child, level + 1, depth, text);
}

// Keeps a button centred in its view as the view resizes.
class CenteringFilter : public QObject
{
public:
    CenteringFilter(QWidget* view, QWidget* button) : QObject(button), m_button(button)
    {
        view->installEventFilter(this);
        center(view);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            center(static_cast<QWidget*>(watched));
        return false;
    }

private:
    void center(const QWidget* view)
    {
        const QSizeF offset = (QSizeF(view->size()) - QSizeF(m_button->size())) * 0.5;
        m_button->move(static_cast<int>(offset.width()), static_cast<int>(offset.height()));
    }
    QWidget* m_button;
};

} // namespace

// --- scaling -----------------------------------------------------------------------------

QSizeF scale(const QWidget* view)
{
    const QVariant stored = view ? view->property(kScaleProperty) : QVariant();
    return stored.isValid() ? stored.toSizeF() : QSizeF(1, 1);
}

void setScale(QWidget* view, const QSizeF& factors)
{
    if (view)
        view->setProperty(kScaleProperty, factors);
}

void resetScaling(QWidget* view)
{
    setScale(view, QSizeF(1, 1));
}

double scalePercent(const QWidget* view)
{
    return scale(view).width() * 100;
}

void setScalePercent(QWidget* view, double percent)
{
    if (!view)
        return;
    setScale(view, QSizeF(percent / 100, percent / 100));
    view->update();
}

bool canZoomIn(const QWidget*)
{
    return false;
}

bool canZoomOut(const QWidget*)
{
    return false;
}

bool canZoomToActualSize(const QWidget*)
{
    return false;
}

// --- focus ---------------------------------------------------------------------------------

bool isFirstResponder(const QWidget* view)
{
    return view && view->window() && view->window()->focusWidget() == view;
}

bool makeFirstResponder(QWidget* view)
{
    if (!view)
        return false;
    view->setFocus(Qt::OtherFocusReason);
    return true;
}

bool makeFirstResponderIfNeeded(QWidget* view)
{
    if (!view || isFirstResponder(view) || view->focusPolicy() == Qt::NoFocus)
        return false;
    view->setFocus(Qt::OtherFocusReason);
    return true;
}

// --- scroll viewport ------------------------------------------------------------------------

QWidget* clipView(const QWidget* view)
{
    if (!view)
        return nullptr;
    for (QWidget* parent = view->parentWidget(); parent; parent = parent->parentWidget()) {
        const auto* area = qobject_cast<const QAbstractScrollArea*>(parent->parentWidget());
        if (area && area->viewport() == parent) {
            // Widgets in an item view's viewport are its cells' widgets.
            return qobject_cast<const QAbstractItemView*>(area) ? nullptr : parent;
        }
    }
    return nullptr;
}

bool canAnimateScrolls(const QWidget* view)
{
    // The check logs for a viewport that lacks the switch, as every Qt
    // viewport does.
    if (const QWidget* viewport = clipView(view))
        (void)safeRespondsToSelector(viewport, "_canAnimateScrolls");
    return false;
}

void setCanAnimateScrolls(QWidget* view, bool)
{
    if (const QWidget* viewport = clipView(view))
        (void)safeRespondsToSelector(viewport, "_setCanAnimateScrolls:");
}

// --- the widget tree --------------------------------------------------------------------------

QList<QWidget*> allSubviews(const QWidget* view)
{
    QList<QWidget*> list;
    if (view)
        appendSubviews(view, list);
    return list;
}

QWidget* subcontrolWithAction(const QWidget* view, const QByteArray& selector)
{
    for (QWidget* child : allSubviews(view)) {
        if (buttonActionSelector(qobject_cast<QAbstractButton*>(child)) == selector && !selector.isEmpty())
            return child;
    }
    return nullptr;
}

QWidget* subviewOfKind(const QWidget* view, const QMetaObject& kind)
{
    for (QWidget* child : allSubviews(view)) {
        if (child->metaObject()->inherits(&kind))
            return child;
    }
    return nullptr;
}

QWidget* viewOfKind(const QWidget* view, const QMetaObject& kind)
{
    if (!view)
        return nullptr;
    for (QWidget* child : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->metaObject()->inherits(&kind))
            return child;
    }
    return nullptr;
}

QWidget* superviewOfKind(const QWidget* view, const QMetaObject& kind)
{
    for (QWidget* parent = view ? view->parentWidget() : nullptr; parent; parent = parent->parentWidget()) {
        if (parent->metaObject()->inherits(&kind))
            return parent;
    }
    return nullptr;
}

bool isSubviewOf(const QWidget* view, const QWidget* other)
{
    return view && other && (view == other || other->isAncestorOf(view));
}

bool isSubviewOfToolbar(const QWidget* view)
{
    return view && qobject_cast<const QToolBar*>(view->parentWidget()) != nullptr;
}

bool isVisible(const QWidget* view)
{
    return view && view->parentWidget() != nullptr;
}

// --- diagnostic dumps ---------------------------------------------------------------------------

QString dumpSuperviews(const QWidget* view)
{
    QString text = QStringLiteral("\n");
    QString indent;
    for (const QWidget* current = view; current; current = current->parentWidget()) {
        text += indent + QString::fromLatin1(current->metaObject()->className()) + QStringLiteral(": ")
            + frameText(current) + QLatin1Char('\n');
        indent += QLatin1Char('\t');
    }
    logMessage(text);
    return text;
}

QString dumpSubviews(const QWidget* view, int depth)
{
    QString text = QStringLiteral("\n");
    if (view)
        appendSubviewLines(view, 0, depth, text);
    logMessage(text);
    return text;
}

// --- menus ----------------------------------------------------------------------------------------

void setViewMenu(QWidget* view, QMenu* menu)
{
    if (view)
        view->setProperty(kMenuProperty, QVariant::fromValue(QPointer<QMenu>(menu)));
}

QMenu* viewMenu(const QWidget* view)
{
    return view ? view->property(kMenuProperty).value<QPointer<QMenu>>().data() : nullptr;
}

QMenu* contextualMenu(QWidget* view)
{
    auto* provider = dynamic_cast<ContextualMenuProvider*>(view);
    QMenu* menu = provider ? provider->contextualMenu() : viewMenu(view);
    if (!menu)
        return nullptr;
    if (auto* hook = dynamic_cast<ContextMenuWillPopUp*>(view))
        hook->willPopUpContextMenu(menu);
    validateMenuActions(menu);
    return menu;
}

void popUpMenu(QWidget* view, QMenu* menu, const QPointF& location, const QFont* font)
{
    QMenu* shown = menu ? menu : viewMenu(view);
    if (!view || !shown)
        return;
    if (font)
        shown->setFont(*font);
    validateMenuActions(shown);
    shown->popup(view->mapToGlobal(location.toPoint()));
}

namespace {

void popUpViewMenu(QWidget* view, const QEvent* event, const QPointF& location, const QFont* font)
{
    QMenu* menu = viewMenu(view);
    if (!view || !menu)
        return;
    const QPointF origin = event ? QPointF(view->window()->mapToGlobal(QPoint(0, 0))) : QPointF();
    validateMenuActions(menu);
    popUpMenu(menu, (origin + location).toPoint(), font);
}

} // namespace

void popUpMenuWithEvent(QWidget* view, const QEvent* event, const QPointF& location)
{
    popUpViewMenu(view, event, location, nullptr);
}

void popUpMenuWithEvent(QWidget* view, const QEvent* event, const QPointF& location, const QFont& font)
{
    popUpViewMenu(view, event, location, &font);
}

// --- background -----------------------------------------------------------------------------------

void setDrawsBackground(QWidget* view, bool flag, const QColor& color)
{
    if (!view)
        return;
    auto paint = [flag, &color](QWidget* widget) {
        QPalette palette = widget->palette();
        palette.setColor(widget->backgroundRole(), color);
        widget->setPalette(palette);
        widget->setAutoFillBackground(flag);
    };
    for (QWidget* parent = view->parentWidget(); parent; parent = parent->parentWidget()) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(parent)) {
            paint(area->viewport());
            break;
        }
    }
    paint(view);
}

// --- alternate strings -------------------------------------------------------------------------------

const AlternateStringAttributes& alternateStringAttributes()
{
    static const AlternateStringAttributes attributes = [] {
        QFont font = QApplication::font();
        font.setPointSizeF(18);
        return AlternateStringAttributes{font, QApplication::palette().color(QPalette::Disabled, QPalette::Text)};
    }();
    return attributes;
}

QRectF alternateStringRect(const QSizeF& viewSize, const QSizeF& textSize, double yOffset)
{
    if (std::ceil(textSize.width()) > viewSize.width())
        return QRectF();
    const double height = std::ceil(textSize.height());
    const double yUp = std::floor((viewSize.height() - height) * 0.5) + yOffset;
    return QRectF(0, viewSize.height() - yUp - height, viewSize.width(), height);
}

bool drawAlternateString(QPainter& painter, const QWidget* view, const QString& text, double yOffset)
{
    if (!view || text.isEmpty())
        return false;
    const AlternateStringAttributes& attributes = alternateStringAttributes();
    const QSizeF textSize = QFontMetricsF(attributes.font).size(0, text);
    const QRectF target = alternateStringRect(QSizeF(view->size()), textSize, yOffset);
    if (target.isEmpty())
        return false;
    painter.save();
    painter.setFont(attributes.font);
    painter.setPen(attributes.color);
    painter.drawText(target, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
    painter.restore();
    return true;
}

// --- buttons and visibility ------------------------------------------------------------------------------

QPushButton* addCenteredActionButton(QWidget* view, const QString& title, const QByteArray& selector,
                                     QObject* target)
{
    if (!view)
        return nullptr;
    auto* button = new QPushButton(title, view);
    setActionTarget(button, selector, target);
    button->adjustSize();
    // Centred in the view's own coordinates, so a view placed anywhere in
    // its window gets the button in its middle.
    new CenteringFilter(view, button);
    button->show();
    return button;
}

void setHiddenOfViews(bool flag, const QList<QObject*>& objects)
{
    for (QObject* object : objects) {
        if (auto* widget = qobject_cast<QWidget*>(object))
            widget->setHidden(flag);
    }
}

// --- animations ---------------------------------------------------------------------------------------------

void animateWithDuration(double seconds, const std::function<void(QParallelAnimationGroup&, int durationMs)>& animations,
                         std::function<void()> completion)
{
    auto* group = new QParallelAnimationGroup(QCoreApplication::instance());
    const int duration = static_cast<int>(std::lround(std::max(0.0, seconds) * 1000));
    if (animations)
        animations(*group, duration);
    QObject::connect(group, &QAbstractAnimation::finished, group, [completion = std::move(completion)] {
        if (completion)
            completion();
    });
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace sorvant
