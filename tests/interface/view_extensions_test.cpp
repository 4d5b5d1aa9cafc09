#include "interface/view_extensions.h"

#include "interface/action_router.h"
#include "interface/controls.h"
#include "interface/responder_hooks.h"
#include "tests/interface/widget_helpers.h"
#include "tests/support/log_capture.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// window ─ panel ─ field
//        └ button
class Tree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.setObjectName(QStringLiteral("window"));
        auto* layout = new QVBoxLayout(&window);
        panel = new QWidget;
        auto* inner = new QHBoxLayout(panel);
        field = new QLineEdit;
        inner->addWidget(field);
        button = new QPushButton(QStringLiteral("Go"));
        layout->addWidget(panel);
        layout->addWidget(button);
        window.resize(200, 100);
    }
    QWidget window;
    QWidget* panel = nullptr;
    QLineEdit* field = nullptr;
    QPushButton* button = nullptr;
};

TEST_F(Tree, SearchesArePreOrderAndDirectSearchesDoNotRecurse)
{
    EXPECT_EQ(allSubviews(&window), (QList<QWidget*>{panel, field, button}));
    EXPECT_EQ(subviewOfKind(&window, QLineEdit::staticMetaObject), field);
    EXPECT_EQ(viewOfKind(&window, QLineEdit::staticMetaObject), nullptr) << "a grandchild is not found";
    EXPECT_EQ(viewOfKind(&window, QPushButton::staticMetaObject), button);
    EXPECT_EQ(superviewOfKind(field, QWidget::staticMetaObject), panel);
    EXPECT_EQ(superviewOfKind(&window, QWidget::staticMetaObject), nullptr);
    EXPECT_TRUE(isSubviewOf(field, field));
    EXPECT_TRUE(isSubviewOf(field, &window));
    EXPECT_FALSE(isSubviewOf(&window, field));
    EXPECT_TRUE(isVisible(field));
    EXPECT_FALSE(isVisible(&window));
    setActionTarget(button, "performSearch:", nullptr);
    EXPECT_EQ(subcontrolWithAction(&window, "performSearch:"), button);
    EXPECT_EQ(subcontrolWithAction(&window, ""), nullptr);
}

TEST_F(Tree, DumpsListTheViewsToTheAskedDepth)
{
    test::LogCapture log;
    const QString alone = dumpSubviews(&window, 0);
    EXPECT_EQ(alone.count(QLatin1Char('\n')), 2) << alone.toStdString();
    EXPECT_TRUE(alone.startsWith(QStringLiteral("\nQWidget: {{0, 0}, {200, 100}}")));
    const QString children = dumpSubviews(&window, 1);
    EXPECT_EQ(children.count(QLatin1Char('\n')), 4);
    EXPECT_TRUE(children.contains(QStringLiteral("\n\tQPushButton: ")));
    EXPECT_EQ(dumpSubviews(&window).count(QLatin1Char('\n')), 5);
    const QString up = dumpSuperviews(field);
    EXPECT_TRUE(up.startsWith(QStringLiteral("\nQLineEdit: ")));
    EXPECT_TRUE(up.contains(QStringLiteral("\n\t\tQWidget: ")));
    EXPECT_EQ(log.lines().size(), 4);
}

TEST_F(Tree, FocusShortcuts)
{
    test::activate(window);
    button->setFocus();
    EXPECT_TRUE(makeFirstResponderIfNeeded(field));
    EXPECT_TRUE(isFirstResponder(field));
    EXPECT_FALSE(makeFirstResponderIfNeeded(field)) << "already first responder";
    panel->setFocusPolicy(Qt::NoFocus);
    EXPECT_FALSE(makeFirstResponderIfNeeded(panel));
    EXPECT_TRUE(makeFirstResponder(panel)) << "YES whatever the window does";
    EXPECT_FALSE(makeFirstResponder(nullptr));
}

TEST(ClipViews, ViewportOfScrollAreasButNotOfTableCells)
{
    QScrollArea area;
    auto* content = new QWidget;
    auto* label = new QLabel(QStringLiteral("x"), content);
    area.setWidget(content);
    EXPECT_EQ(clipView(label), area.viewport());
    EXPECT_EQ(clipView(&area), nullptr);

    QTableView table;
    QStandardItemModel model(1, 1);
    table.setModel(&model);
    auto* cell = new QWidget;
    auto* cellField = new QLineEdit(cell);
    table.setIndexWidget(model.index(0, 0), cell);
    EXPECT_EQ(clipView(cellField), nullptr);

    test::LogCapture log;
    EXPECT_FALSE(canAnimateScrolls(label));
    EXPECT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().contains(QStringLiteral("_canAnimateScrolls"))) << log.lines().first().toStdString();
    EXPECT_FALSE(canAnimateScrolls(nullptr));
}

TEST(AlternateStrings, CentredAndNeverWiderThanTheView)
{
    // y-up origin floor((100 - 20) / 2) = 40 → Qt top 100 - 40 - 20 = 40.
    EXPECT_EQ(alternateStringRect({200, 100}, {120, 19.5}), QRectF(0, 40, 200, 20));
    EXPECT_EQ(alternateStringRect({200, 100}, {120, 19.5}, 10), QRectF(0, 30, 200, 20)) << "offset moves up";
    EXPECT_TRUE(alternateStringRect({100, 100}, {100.5, 20}).isEmpty());

    QWidget view;
    view.resize(300, 80);
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    EXPECT_TRUE(drawAlternateString(painter, &view, QStringLiteral("No Results")));
    EXPECT_FALSE(drawAlternateString(painter, &view, QString()));
    EXPECT_FALSE(drawAlternateString(painter, &view, QStringLiteral("W").repeated(100)));
    painter.end();
    int inked = 0;
    for (int x = 0; x < image.width(); ++x)
        inked += image.pixelColor(x, 40) != QColor(Qt::white);
    EXPECT_GT(inked, 0) << "the message crosses the middle row";
    EXPECT_EQ(image.pixelColor(2, 40), QColor(Qt::white)) << "centred, not at the left edge";
}

TEST(Buttons, CentredActionButtonStaysCentred)
{
    QWidget view;
    view.resize(300, 200);
    auto* holder = new QWidget(&view);
    holder->setGeometry(50, 40, 200, 100);
    test::activate(view);
    QPushButton* button = addCenteredActionButton(holder, QStringLiteral("Try Again"), "retry:", nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->parentWidget(), holder);
    EXPECT_NEAR(QRectF(button->geometry()).center().x(), 100, 1) << "centred in the holder, not offset by its origin";
    EXPECT_NEAR(QRectF(button->geometry()).center().y(), 50, 1);
    holder->resize(400, 100);
    QCoreApplication::processEvents();
    EXPECT_NEAR(QRectF(button->geometry()).center().x(), 200, 1);
    EXPECT_EQ(buttonActionSelector(button), QByteArray("retry:"));
}

class MenuView : public QWidget, public ContextMenuWillPopUp
{
public:
    void willPopUpContextMenu(QMenu* menu) override { told = menu; }
    QMenu* told = nullptr;
};

TEST(Menus, ContextualMenuTellsTheViewAndValidates)
{
    MenuView view;
    EXPECT_EQ(contextualMenu(&view), nullptr);
    QMenu menu;
    QAction* item = menu.addAction(QStringLiteral("Nobody answers"));
    bindAction(item, "nobodyAnswers:");
    setViewMenu(&view, &menu);
    EXPECT_EQ(contextualMenu(&view), &menu);
    EXPECT_EQ(view.told, &menu);
    EXPECT_FALSE(item->isEnabled());
}

class BuildingView : public QWidget, public ContextualMenuProvider
{
public:
    QMenu* contextualMenu() override { return &built; }
    QMenu built;
};

TEST(Menus, AViewThatBuildsItsMenuIsAskedFirst)
{
    BuildingView view;
    QMenu other;
    setViewMenu(&view, &other);
    EXPECT_EQ(contextualMenu(&view), &view.built);
}

// The location is in the event's window, a view deep inside it included;
// without an event it is a place on the screen.
TEST(Menus, PopUpWithEventPlacesTheViewsMenuInItsWindow)
{
    QWidget window;
    window.setGeometry(100, 80, 300, 200);
    auto* view = new QWidget(&window);
    view->setGeometry(50, 40, 100, 100);
    test::activate(window);
    QMenu menu;
    QAction* item = menu.addAction(QStringLiteral("Nobody answers"));
    bindAction(item, "nobodyAnswers:");
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    const QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), view->mapToGlobal(QPointF(5, 5)), Qt::RightButton,
                            Qt::RightButton, Qt::NoModifier);

    popUpMenuWithEvent(view, &press, QPointF(10, 20)); // no menu yet: nothing
    EXPECT_FALSE(menu.isVisible());
    setViewMenu(view, &menu);
    popUpMenuWithEvent(view, &press, QPointF(10, 20));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    EXPECT_EQ(menu.pos(), origin + QPoint(10, 20));
    EXPECT_FALSE(item->isEnabled()); // validated before it shows
    menu.close();

    QFont font = menu.font();
    font.setPointSize(font.pointSize() + 7);
    popUpMenuWithEvent(view, nullptr, QPointF(30, 40), font);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    EXPECT_EQ(menu.pos(), QPoint(30, 40));
    EXPECT_EQ(menu.font().pointSize(), font.pointSize());
    menu.close();
}

} // namespace
} // namespace sorvant
