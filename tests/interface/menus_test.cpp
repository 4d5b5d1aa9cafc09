#include "interface/menus.h"

#include "interface/action_router.h"
#include "interface/menu_items.h"
#include "localization_fixture.h"
#include "tests/support/log_capture.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace sorvant {
namespace {

// "A|-|-|B|-" builds items A and B and separators; "x" is a disabled item.
void build(QMenu* menu, const QString& layout)
{
    for (const QString& part : layout.split(u'|', Qt::SkipEmptyParts)) {
        if (part == "-")
            menu->addSeparator();
        else
            menu->addAction(part)->setEnabled(part != "x");
    }
}

QString layoutOf(const QMenu* menu)
{
    QStringList parts;
    for (const QAction* item : menu->actions())
        parts.append(item->isSeparator() ? QStringLiteral("-") : item->text());
    return parts.join(u'|');
}

TEST(MenuPruning, SeparatorsOnlyWhereTheySeparate)
{
    const std::pair<QString, QString> cases[] = {
        {"A|-|-|B|-", "A|-|B"}, {"-|A", "A"}, {"-|-", ""}, {"A|x|-|B", "A|x|-|B"}, {"", ""},
    };
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before.toStdString());
        QMenu menu;
        build(&menu, before);
        QMenu pieces;
        build(&pieces, before);
        QList<QAction*> list = pieces.actions();
        removeUnnecessaryItems(&menu);
        EXPECT_EQ(layoutOf(&menu), after);
        // A list of items built in pieces prunes the same way.
        removeUnnecessaryItems(list);
        QMenu fromList;
        fromList.addActions(list);
        EXPECT_EQ(layoutOf(&fromList), after);
    }
}

TEST(MenuPruning, ContextMenusDropDisabledItemsAndEmptiedSubmenus)
{
    QMenu menu;
    build(&menu, "x|-|x");
    EXPECT_EQ(contextualMenuWithTarget(&menu), nullptr);

    build(&menu, "-|A");
    QMenu* emptied = menu.addMenu("Emptied");
    build(emptied, "x");
    QMenu* onDemand = menu.addMenu("On demand");
    setMenuFiller(onDemand, [](QMenu* m) { m->addAction("Filled"); });
    std::unique_ptr<QMenu> context(contextualMenuWithTarget(&menu));
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(layoutOf(context.get()), "A|On demand");
    // Separators-only pruning keeps emptied submenus and disabled items.
    removeUnnecessarySeparatorItems(&menu);
    EXPECT_EQ(layoutOf(&menu), "x|-|x|-|A|Emptied|On demand");
}

TEST(MenuPruning, ActionMenusLoseTheirShortcuts)
{
    QMenu menu;
    addItem(&menu, "Open", "openFile:", nullptr, 0, "CMD_o");
    std::unique_ptr<QMenu> copy(actionMenu(&menu));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->actions().front()->shortcut().isEmpty());
    EXPECT_EQ(actionSelector(copy->actions().front()), "openFile:");
    EXPECT_EQ(menu.actions().front()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
}

TEST(MenuBuilding, SortedInsertIsNaturalAndSeparatorsAreAddedOnlyWhenNeeded)
{
    QMenu menu;
    for (const char* title : {"File 10", "File 3", "File 2", "Alpha"})
        addSortedItem(&menu, title, 0, "pick:");
    EXPECT_EQ(layoutOf(&menu), "Alpha|File 2|File 3|File 10");

    EXPECT_EQ(insertSeparatorItemIfNecessary(&menu, 0), nullptr);
    EXPECT_EQ(insertSeparatorItemIfNecessary(&menu, 4), nullptr);
    EXPECT_NE(insertSeparatorItemIfNecessary(&menu, 1), nullptr);
    EXPECT_EQ(insertSeparatorItemIfNecessary(&menu, 2), nullptr); // one just before
    EXPECT_EQ(insertSeparatorItemIfNecessary(&menu, 1), nullptr); // one where it would go
    EXPECT_NE(addSeparatorItemIfNecessary(&menu), nullptr);
    EXPECT_EQ(addSeparatorItemIfNecessary(&menu), nullptr);
    removeTrailingSeparatorItems(&menu);
    EXPECT_EQ(layoutOf(&menu), "Alpha|-|File 2|File 3|File 10");
    QMenu empty;
    EXPECT_EQ(addSeparatorItemIfNecessary(&empty), nullptr);
}

TEST(MenuBuilding, NullTitleIsLoggedAndFindingPrefersTheLastItem)
{
    QMenu menu;
    test::LogCapture log;
    QAction* untitled = addItem(&menu, QString(), "copy:", &menu, 7);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().front().contains("Invalid menu item title for selector copy:, target QMenu)"));
    EXPECT_EQ(untitled->text(), "");
    EXPECT_EQ(itemTag(untitled), 7);

    QAction* first = addItem(&menu, "One", "show:");
    QMenu* sub = menu.addMenu("Sub");
    QAction* nested = addItem(sub, "Two", "show:");
    nested->setData(QStringLiteral("/x"));
    QAction* last = addItem(&menu, "Three", "show:");
    EXPECT_EQ(itemWithAction(&menu, "show:"), last);
    EXPECT_EQ(indexOfItemWithAction(&menu, "show:"), 3);
    EXPECT_EQ(itemWithRepresentedObject(&menu, QStringLiteral("/x")), nested);
    EXPECT_EQ(itemWithAction(&menu, "none:"), nullptr);
    EXPECT_TRUE(isSubmenuOfMenu(sub, &menu));
    EXPECT_FALSE(isSubmenuOfMenu(&menu, sub));
    EXPECT_EQ(superItem(sub), sub->menuAction());
    EXPECT_EQ(superItem(&menu), nullptr);
    removeItemWithAction(&menu, "show:");
    EXPECT_EQ(itemWithAction(&menu, "show:"), nested);
    removeItemWithTag(&menu, 7);
    EXPECT_EQ(menu.actions().front(), first);
}

// An item is found by its action and its very target, each item before its
// submenu, from the last to the first; the chain (no target) is a target of
// its own.
TEST(MenuFinding, ItemWithTargetNeedsTheSameActionAndTarget)
{
    QMenu menu;
    QObject first;
    QObject second;
    QAction* chained = addItem(&menu, "Chain", "show:");
    QAction* forFirst = addItem(&menu, "First", "show:", &first);
    QMenu* sub = menu.addMenu("Sub");
    QAction* nested = addItem(sub, "Nested", "show:", &second);
    addItem(sub, "Other", "hide:", &first);
    EXPECT_EQ(itemWithTarget(&menu, &second, "show:"), nested);
    EXPECT_EQ(itemWithTarget(&menu, &first, "show:"), forFirst);
    EXPECT_EQ(itemWithTarget(&menu, nullptr, "show:"), chained);
    EXPECT_EQ(itemWithTarget(&menu, &second, "hide:"), nullptr);
    QAction* later = addItem(&menu, "Later", "show:", &first);
    EXPECT_EQ(itemWithTarget(&menu, &first, "show:"), later);
    EXPECT_EQ(itemWithTarget(nullptr, &first, "show:"), nullptr);
}

// Only the menu's own items are searched; of two, the last one answers.
TEST(MenuFinding, SubItemWithActionStaysAtTheTopLevel)
{
    QMenu menu;
    QMenu* sub = menu.addMenu("Sub");
    QAction* nested = addItem(sub, "Nested", "open:");
    EXPECT_EQ(subItemWithAction(&menu, "open:"), nullptr);
    EXPECT_EQ(itemWithAction(&menu, "open:"), nested);
    QAction* first = addItem(&menu, "First", "open:");
    EXPECT_EQ(subItemWithAction(&menu, "open:"), first);
    QAction* last = addItem(&menu, "Last", "open:");
    addItem(&menu, "Else", "close:");
    EXPECT_EQ(subItemWithAction(&menu, "open:"), last);
    EXPECT_EQ(subItemWithAction(sub, "open:"), nested);
    EXPECT_EQ(subItemWithAction(nullptr, "open:"), nullptr);
}

// A caller that fills its menu the Qt way, from aboutToShow, is asked as the
// toolkit's filler is.
TEST(MenuBuilding, FillingNowRunsTheFillerAndQtCallersOfAboutToShow)
{
    QMenu qtWay;
    QObject::connect(&qtWay, &QMenu::aboutToShow, &qtWay, [&] {
        qtWay.clear();
        qtWay.addAction(QStringLiteral("Recent"));
    });
    fillMenuNow(&qtWay);
    EXPECT_EQ(layoutOf(&qtWay), QStringLiteral("Recent"));

    QMenu toolkitWay;
    setMenuFiller(&toolkitWay, [](QMenu* menu) {
        menu->clear();
        menu->addAction(QStringLiteral("A"));
        menu->addAction(QStringLiteral("B"));
    });
    fillMenuNow(&toolkitWay);
    EXPECT_EQ(layoutOf(&toolkitWay), QStringLiteral("A|B"));
    fillMenuNow(nullptr);
}

TEST(KeyEquivalentSuggestion, MovesToTheNextMaskWhenEveryLetterIsTaken)
{
    QMenu menu;
    addItem(&menu, "a", "x:", nullptr, 0, "CMD_a");
    addItem(&menu, "b", "x:", nullptr, 0, "CMD_b");
    EXPECT_EQ(suggestedKeyEquivalentForTitle(&menu, "Bad"), "Cmd-D");
    EXPECT_EQ(suggestedKeyEquivalentForTitle(&menu, " ab ba"), "Cmd+Shift-A");
    EXPECT_TRUE(isKeyEquivalentUsed(&menu, "A", 0x100000));
    EXPECT_FALSE(isKeyEquivalentUsed(&menu, "a", 0x120000));
    // With Command and Control, "d" belongs to the desktop.
    EXPECT_EQ(suggestedKeyEquivalentForTitle(&menu, "do", 0x140000), "Cmd+Ctrl-O");
    EXPECT_TRUE(suggestedKeyEquivalentForTitle(&menu, "   ").isNull());
    EXPECT_TRUE(suggestedKeyEquivalentForTitle(&menu, "a", 0).isNull());
    EXPECT_EQ(suggestedKeyEquivalentForTitle(&menu, "?!"), "Cmd-?");
    EXPECT_EQ(suggestedKeyEquivalent(&menu), "Cmd-C");
}

TEST(MenuDump, ListsTheTreeWithIndentsAndMasks)
{
    QMenu menu;
    addItem(&menu, "Open", "openFile:", nullptr, 0, "CMD_SHIFT_o");
    menu.addSeparator();
    QMenu* sub = menu.addMenu("More");
    addItem(sub, "Find", "find:", &menu);
    EXPECT_EQ(dumpSubmenus(&menu), "\nOpen: Alt: 0, Key: o, Mask: 120000\n---\nMore: Alt: 0, Key: , Mask: 0\n"
                                   "\tFind: Alt: 0, Key: , Mask: 0\n");
    EXPECT_EQ(dumpSubmenuActions(&menu),
              "\nOpen: Action: openFile:, Target: (null)\n---\nMore:\n\tFind: Action: find:, Target: QMenu\n");
}

class FakeApplications : public ApplicationDescriptions
{
public:
    QString displayName(const QString& application) const override
    {
        return application == "/apps/anon.desktop" ? QString() : QFileInfo(application).completeBaseName();
    }
    QImage icon(const QString&) const override { return QImage(16, 16, QImage::Format_ARGB32); }
};

class OpenWithTest : public test::LocalizedBundleTest
{
protected:
    QString build(const QString& defaultApplication, const QStringList& applications)
    {
        m_menu = std::make_unique<QMenu>();
        addItemsForDefaultApplication(m_menu.get(), defaultApplication, applications, "openWith:", nullptr,
                                      m_fake);
        QStringList parts;
        for (const QAction* item : m_menu->actions())
            parts.append(item->isSeparator() ? QStringLiteral("-")
                                             : QStringLiteral("%1#%2").arg(item->text()).arg(itemTag(item)));
        return parts.join(u'|');
    }
    FakeApplications m_fake;
    std::unique_ptr<QMenu> m_menu;
};

TEST_F(OpenWithTest, DefaultFirstOthersInNaturalOrder)
{
    EXPECT_EQ(build("/apps/Viewer.desktop", {"/apps/Viewer.desktop"}), "Viewer (default)#0");
    EXPECT_EQ(build("/apps/Viewer.desktop", {"/apps/Edit 10.desktop", "/apps/Viewer.desktop", "/apps/Edit 9.desktop"}),
              "Viewer (default)#0|-|Edit 9#1|Edit 10#1");
    EXPECT_EQ(m_menu->actions().at(2)->data().toString(), "/apps/Edit 9.desktop");
    EXPECT_FALSE(m_menu->actions().at(2)->icon().isNull());
    EXPECT_EQ(build({}, {"/apps/Paint.App.desktop"}), "Paint#1");
    EXPECT_EQ(build({}, {}), "<None>#0");
    EXPECT_FALSE(m_menu->actions().front()->isEnabled());
    test::LogCapture log;
    EXPECT_EQ(build({}, {"/apps/anon.desktop"}), "#1");
    EXPECT_EQ(log.lines().size(), 1);
}

TEST_F(OpenWithTest, DefaultAndNoneAreTranslated)
{
    writeTable("de", "Localizable", "\"(default)\" = \"(Standard)\"; \"<None>\" = \"<Keines>\";");
    setLanguage("de");
    EXPECT_EQ(build("/apps/Viewer.desktop", {}), "Viewer (Standard)#0");
    EXPECT_EQ(build({}, {}), "<Keines>#0");
}

} // namespace
} // namespace sorvant
