#include "interface/action_router.h"
#include "interface/application.h"
#include "interface/responder_hooks.h"
#include "interface/window_controller.h"

#include "tests/interface/widget_helpers.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// A window that answers "openFile:" and validates it by a flag, and that
// consumes Command-period when asked to.
class SearchWindowStandIn : public QWidget, public MenuItemValidation, public KeyWindowEventCheck
{
    Q_OBJECT
public:
    SearchWindowStandIn()
    {
        auto* layout = new QVBoxLayout(this);
        field = new QLineEdit;
        layout->addWidget(field);
    }
    bool validateMenuItem(QAction*) override { return allowOpen; }
    bool checkKeyWindowEvent(QEvent* event) override
    {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (consumePeriod && key->key() == Qt::Key_Period && key->modifiers() == Qt::ControlModifier) {
            ++consumed;
            return true;
        }
        return false;
    }

    QLineEdit* field;
    bool allowOpen = true;
    bool consumePeriod = false;
    int opened = 0;
    int consumed = 0;
    QObject* lastSender = nullptr;

public slots:
    void openFile(QObject* sender)
    {
        ++opened;
        lastSender = sender;
    }
};

// A utility panel: never main, answers nothing.
class PanelStandIn : public QWidget
{
    Q_OBJECT
public:
    PanelStandIn() : QWidget(nullptr, Qt::Tool) { new QLineEdit(this); }
};

class ControllerStandIn : public WindowController
{
    Q_OBJECT
public:
    using WindowController::WindowController;
    int zoomed = 0;
public slots:
    void zoom() { ++zoomed; }
};

class DelegateStandIn : public QObject
{
    Q_OBJECT
public:
    int preferences = 0;
public slots:
    void showPreferences(QObject*) { ++preferences; }
};

class ActionRouterTest : public ::testing::Test
{
protected:
    void SetUp() override { VelmorApplication::shared()->setDelegate(&delegate); }
    void TearDown() override { VelmorApplication::shared()->setDelegate(nullptr); }

    DelegateStandIn delegate;
};

TEST_F(ActionRouterTest, SelectorsAnswerBySlotNameWithOrWithoutSender)
{
    SearchWindowStandIn window;
    EXPECT_TRUE(respondsToSelector(&window, "openFile:"));
    EXPECT_TRUE(respondsToSelector(&window, "openFile"));
    EXPECT_FALSE(respondsToSelector(&window, "openFile:withApp:"));
    EXPECT_FALSE(respondsToSelector(&window, ""));
    EXPECT_FALSE(respondsToSelector(nullptr, "openFile:"));
    // Signals are not answers.
    EXPECT_FALSE(respondsToSelector(&window, "destroyed:"));
}

TEST_F(ActionRouterTest, ChainRunsFromFocusThroughControllerToApplicationAndDelegate)
{
    auto* window = new SearchWindowStandIn;
    ControllerStandIn controller(window);
    test::activate(*window);
    window->field->setFocus();
    const QList<QObject*> chain = responderChain();
    ASSERT_GE(chain.size(), 5);
    EXPECT_EQ(chain.at(0), window->field);
    EXPECT_EQ(chain.at(1), window);
    EXPECT_EQ(chain.at(2), &controller);
    EXPECT_EQ(chain.at(3), QCoreApplication::instance());
    EXPECT_EQ(chain.at(4), &delegate);

    EXPECT_TRUE(sendAction("openFile:", nullptr, window->field));
    EXPECT_EQ(window->opened, 1);
    EXPECT_EQ(window->lastSender, window->field);
    EXPECT_TRUE(sendAction("zoom:"));
    EXPECT_EQ(controller.zoomed, 1);
    EXPECT_TRUE(sendAction("showPreferences:"));
    EXPECT_EQ(delegate.preferences, 1);
    EXPECT_FALSE(sendAction("noSuchAction:"));
}

TEST_F(ActionRouterTest, PanelKeyWhileSearchWindowStaysMain)
{
    SearchWindowStandIn window;
    PanelStandIn panel;
    test::activate(window);
    test::activate(panel);
    EXPECT_EQ(keyWindow(), &panel);
    EXPECT_EQ(mainWindow(), &window);
    EXPECT_EQ(targetForAction("openFile:"), &window);
    // The key window's chain comes first.
    const QList<QObject*> chain = responderChain();
    EXPECT_LT(chain.indexOf(&panel), chain.indexOf(&window));
}

TEST_F(ActionRouterTest, MenuItemsAreDisabledWhenNothingAnswersOrValidationSaysNo)
{
    SearchWindowStandIn window;
    test::activate(window);
    QMenu menu;
    auto* open = menu.addAction(QStringLiteral("Open"));
    auto* unknown = menu.addAction(QStringLiteral("Unknown"));
    auto* plain = menu.addAction(QStringLiteral("Plain"));
    bindAction(open, "openFile:");
    bindAction(unknown, "frobnicate:");
    installMenuValidation(&menu);

    emit menu.aboutToShow();
    EXPECT_TRUE(open->isEnabled());
    EXPECT_FALSE(unknown->isEnabled());
    EXPECT_TRUE(plain->isEnabled()) << "an unbound action is left alone";

    window.allowOpen = false;
    emit menu.aboutToShow();
    EXPECT_FALSE(open->isEnabled());
}

TEST_F(ActionRouterTest, ExplicitTargetsAreUsedAndAGoneTargetDisablesTheItem)
{
    auto* target = new SearchWindowStandIn;
    QAction action;
    bindAction(&action, "openFile:", target);
    EXPECT_TRUE(validateAction(&action));
    action.trigger();
    EXPECT_EQ(target->opened, 1);
    delete target;
    EXPECT_FALSE(validateAction(&action));
    action.setEnabled(true);
    action.trigger(); // must not reach anyone else along the chain
}

class ToolbarValidator : public QWidget, public ToolbarItemValidation
{
    Q_OBJECT
public:
    bool validateToolbarItem(QAction*) override { return false; }
public slots:
    void search(QObject*) {}
};

TEST_F(ActionRouterTest, ToolbarsAskToolbarValidationOnly)
{
    ToolbarValidator window;
    test::activate(window);
    QToolBar toolbar;
    auto* item = toolbar.addAction(QStringLiteral("Search"));
    bindAction(item, "search:");
    validateToolbarActions(&toolbar);
    EXPECT_FALSE(item->isEnabled());
    EXPECT_TRUE(validateAction(item, ValidationContext::Menu));
}

TEST_F(ActionRouterTest, KeyWindowSeesKeyPressesBeforeShortcuts)
{
    SearchWindowStandIn window;
    auto* stop = new QAction(&window);
    stop->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
    window.addAction(stop);
    int fired = 0;
    QObject::connect(stop, &QAction::triggered, [&fired] { ++fired; });
    test::activate(window);
    window.field->setFocus();

    QTest::keyClick(window.field, Qt::Key_Period, Qt::ControlModifier);
    EXPECT_EQ(fired, 1) << "not consumed: the shortcut fires";

    window.consumePeriod = true;
    QTest::keyClick(window.field, Qt::Key_Period, Qt::ControlModifier);
    EXPECT_EQ(window.consumed, 1) << "offered exactly once per press";
    EXPECT_EQ(fired, 1) << "consumed: the shortcut never sees it";
    EXPECT_EQ(window.field->text(), QString());
}

TEST_F(ActionRouterTest, ShortcutsAreValidatedJustBeforeTheyFire)
{
    SearchWindowStandIn window;
    auto* open = new QAction(&window);
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    bindAction(open, "openFile:");
    window.addAction(open);
    test::activate(window);
    window.field->setFocus();

    window.allowOpen = false;
    open->setEnabled(true); // stale state from before the window changed its mind
    QTest::keyClick(window.field, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(window.opened, 0);
    EXPECT_FALSE(open->isEnabled());

    window.allowOpen = true;
    QTest::keyClick(window.field, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(window.opened, 1);
}

} // namespace
} // namespace sorvant

#include "action_router_test.moc"
