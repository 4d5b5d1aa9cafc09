#include "interface/localization.h"

#include "foundation/replacing.h"
#include "interface/action_router.h"
#include "interface/key_equivalents.h"
#include "interface/strings_file.h"
#include "system/bundle.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <functional>

namespace sorvant {

namespace {

const QByteArray kCharacterPaletteSelector = QByteArrayLiteral("orderFrontCharacterPalette:");

// One walk: localizing or replacing. `transform` answers the new text or
// null to leave the string alone; it is asked only of non-empty strings.
class Walker
{
public:
    enum class Mode { Localize, Replace };

    Walker(Mode mode, std::function<QString(const QString&)> transform,
           std::function<QString(const QString&)> menuTitleTransform)
        : m_mode(mode), m_transform(std::move(transform)), m_menuTitle(std::move(menuTitleTransform))
    {
    }

    void visit(QObject* object)
    {
        if (auto* menu = qobject_cast<QMenu*>(object))
            visitMenu(menu);
        else if (auto* action = qobject_cast<QAction*>(object))
            visitAction(action);
        else if (auto* widget = qobject_cast<QWidget*>(object))
            visitWidget(widget);
    }

private:
    template <typename Get, typename Set>
    void apply(Get get, Set set)
    {
        const QString current = get();
        if (current.isEmpty())
            return;
        const QString next = m_transform(current);
        if (!next.isNull())
            set(next);
    }

    // For texts that are only set when the answer differs.
    template <typename Get, typename Set>
    void applyIfDifferent(Get get, Set set)
    {
        const QString current = get();
        if (current.isEmpty())
            return;
        const QString next = m_transform(current);
        if (!next.isNull() && next != current)
            set(next);
    }

    void visitMenu(QMenu* menu)
    {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                continue;
            if (m_mode == Mode::Replace || actionSelector(action) != kCharacterPaletteSelector)
                visitAction(action);
            if (QMenu* submenu = action->menu())
                visitMenu(submenu);
        }
        const QString title = menu->title();
        if (!title.isEmpty()) {
            const QString next = m_menuTitle(title);
            if (!next.isNull())
                menu->setTitle(next);
        }
    }

    void visitAction(QAction* action, bool asToolbarItem = false)
    {
        // QAction answers its text as tool tip while none is set; such a
        // tool tip follows the text and must not be fixed here.
        const bool ownToolTip = action->toolTip() != QString(action->text()).remove(u'&');
        apply([&] { return action->text(); }, [&](const QString& s) { action->setText(s); });
        if (asToolbarItem && action->iconText() != QString(action->text()).remove(u'&'))
            apply([&] { return action->iconText(); }, [&](const QString& s) { action->setIconText(s); });
        if (ownToolTip)
            apply([&] { return action->toolTip(); }, [&](const QString& s) { action->setToolTip(s); });
    }

    void visitToolBar(QToolBar* toolBar)
    {
        for (QAction* action : toolBar->actions()) {
            if (!action->isSeparator())
                visitAction(action, true);
        }
        for (QObject* child : toolBar->children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            auto* button = qobject_cast<QToolButton*>(child);
            if (widget && !widget->isWindow() && !(button && button->defaultAction()))
                visit(widget);
        }
    }

    void visitTabBar(QTabBar* bar)
    {
        for (int i = 0; i < bar->count(); ++i) {
            apply([&] { return bar->tabText(i); }, [&](const QString& s) { bar->setTabText(i, s); });
            apply([&] { return bar->tabToolTip(i); }, [&](const QString& s) { bar->setTabToolTip(i, s); });
        }
        visitToolTip(bar);
    }

    void visitToolTip(QWidget* widget)
    {
        apply([&] { return widget->toolTip(); }, [&](const QString& s) { widget->setToolTip(s); });
    }

    void visitWidget(QWidget* widget)
    {
        if (widget->isWindow())
            apply([&] { return widget->windowTitle(); }, [&](const QString& s) { widget->setWindowTitle(s); });
        if (auto* toolBar = qobject_cast<QToolBar*>(widget))
            return visitToolBar(toolBar);
        if (auto* bar = qobject_cast<QTabBar*>(widget))
            return visitTabBar(bar);
        if (auto* menuBar = qobject_cast<QMenuBar*>(widget)) {
            for (QAction* action : menuBar->actions()) {
                if (QMenu* menu = action->menu())
                    visitMenu(menu);
                else if (!action->isSeparator())
                    visitAction(action);
            }
            return;
        }
        visitToolTip(widget);
        bool children = true;
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                apply([&] { return tabs->tabText(i); }, [&](const QString& s) { tabs->setTabText(i, s); });
                apply([&] { return tabs->tabToolTip(i); },
                      [&](const QString& s) { tabs->setTabToolTip(i, s); });
                visit(tabs->widget(i));
            }
            children = false;
        } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
            apply([&] { return box->title(); }, [&](const QString& s) { box->setTitle(s); });
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            auto* toolButton = qobject_cast<QToolButton*>(widget);
            if (!(toolButton && toolButton->defaultAction()))
                apply([&] { return button->text(); }, [&](const QString& s) { button->setText(s); });
            if (auto* push = qobject_cast<QPushButton*>(widget); push && push->menu())
                visitMenu(push->menu());
            if (toolButton && toolButton->menu())
                visitMenu(toolButton->menu());
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            applyIfDifferent([&] { return label->text(); }, [&](const QString& s) { label->setText(s); });
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            applyIfDifferent([&] { return edit->text(); }, [&](const QString& s) { edit->setText(s); });
            apply([&] { return edit->placeholderText(); },
                  [&](const QString& s) { edit->setPlaceholderText(s); });
            children = false;
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                apply([&] { return combo->itemText(i); }, [&](const QString& s) { combo->setItemText(i, s); });
            children = false;
        } else if (auto* text = qobject_cast<QTextEdit*>(widget)) {
            visitString([&] { return text->toPlainText(); }, [&](const QString& s) { text->setPlainText(s); });
            apply([&] { return text->placeholderText(); },
                  [&](const QString& s) { text->setPlaceholderText(s); });
            children = false;
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
            visitString([&] { return plain->toPlainText(); }, [&](const QString& s) { plain->setPlainText(s); });
            apply([&] { return plain->placeholderText(); },
                  [&](const QString& s) { plain->setPlaceholderText(s); });
            children = false;
        } else if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
            visitHeaderTitles(view);
        }
        subviewStep(widget, children);
    }

    void visitString(const std::function<QString()>& get, const std::function<void(const QString&)>& set)
    {
        // A text view still holding its placeholder name is left alone.
        if (get() == QLatin1String("stringValue"))
            return;
        applyIfDifferent(get, set);
    }

    void visitHeaderTitles(QAbstractItemView* view)
    {
        QAbstractItemModel* model = view->model();
        if (!model)
            return;
        for (int column = 0; column < model->columnCount(); ++column) {
            apply([&] { return model->headerData(column, Qt::Horizontal).toString(); },
                  [&](const QString& s) { model->setHeaderData(column, Qt::Horizontal, s); });
        }
    }

    void subviewStep(QWidget* widget, bool children)
    {
        if (m_mode == Mode::Localize) {
            apply([&] { return widget->accessibleName(); },
                  [&](const QString& s) { widget->setAccessibleName(s); });
            apply([&] { return widget->accessibleDescription(); },
                  [&](const QString& s) { widget->setAccessibleDescription(s); });
        }
        const bool textView = qobject_cast<QLineEdit*>(widget) || qobject_cast<QTextEdit*>(widget)
            || qobject_cast<QPlainTextEdit*>(widget);
        if (!textView) {
            for (QAction* action : widget->actions()) {
                if (action->isSeparator())
                    continue;
                visitAction(action);
                if (QMenu* submenu = action->menu())
                    visitMenu(submenu);
            }
        }
        if (!children)
            return;
        for (QObject* child : widget->children()) {
            auto* childWidget = qobject_cast<QWidget*>(child);
            if (childWidget && !childWidget->isWindow())
                visit(childWidget);
        }
    }

    Mode m_mode;
    std::function<QString(const QString&)> m_transform;
    std::function<QString(const QString&)> m_menuTitle;
};

} // namespace

QString TranslationSource::lookup(const QString& key) const
{
    return stringsTableLookup(bundle ? *bundle : Bundle::mainBundle(), table, key);
}

QString TranslationSource::translate(const QString& text) const
{
    if (text.isNull())
        return {};
    const QString translated = lookup(text);
    return translated.isNull() ? text : translated;
}

void localize(QObject* object, const TranslationSource& source)
{
    if (!object)
        return;
    const TranslationSource titleSource{source.table, nullptr};
    Walker(
        Walker::Mode::Localize, [&](const QString& s) { return source.translate(s); },
        [&](const QString& s) { return titleSource.translate(s); })
        .visit(object);
}

void replaceString(QObject* object, const QString& target, const QString& replacement)
{
    if (!object)
        return;
    const auto transform = [&](const QString& s) { return stringByReplacingString(s, target, replacement); };
    Walker(Walker::Mode::Replace, transform, transform).visit(object);
}

void localizeKeyEquivalent(QAction* action, const TranslationSource& source)
{
    if (!action)
        return;
    quint32 mask = 0;
    const QString key = keyEquivalentForKeySequence(action->shortcut(), &mask);
    if (key.isEmpty())
        return;
    const QString lookupKey = keyEquivalentLookupKey(key, mask);
    const QString answer = source.lookup(lookupKey);
    if (answer.isNull() || answer == lookupKey)
        return;
    quint32 newMask = 0;
    const QString newKey = keyEquivalentAndModifierMask(answer, &newMask);
    action->setShortcut(keySequenceForKeyEquivalent(newKey, newMask));
}

void localizeKeyEquivalents(QMenu* menu, const TranslationSource& source)
{
    if (!menu)
        return;
    for (QAction* action : menu->actions()) {
        localizeKeyEquivalent(action, source);
        if (QMenu* submenu = action->menu())
            localizeKeyEquivalents(submenu, source);
    }
}

QString StringsTableTranslator::translate(const char* /*context*/, const char* sourceText,
                                          const char* /*disambiguation*/, int /*n*/) const
{
    if (!sourceText || !*sourceText)
        return {};
    return stringsTableLookup(Bundle::mainBundle(), {}, QString::fromUtf8(sourceText));
}

} // namespace sorvant
