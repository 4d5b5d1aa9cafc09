#include "interface/application.h"

#include "interface/version_gates.h"
#include "localization_fixture.h"
#include "system/standard_folders.h"
#include "tests/interface/widget_helpers.h"
#include "tests/support/log_capture.h"
#include "tests/support/temporary_home.h"

#include <QDir>
#include <QFile>
#include <QKeySequence>
#include <QMenu>
#include <QTranslator>

#include <gtest/gtest.h>

#include <stdexcept>

namespace sorvant {
namespace {

class ResultsWindow : public QWidget
{
    Q_OBJECT
};

class DetailWindow : public ResultsWindow
{
    Q_OBJECT
};

TEST(Application, WindowsAreOrderedByLastActivation)
{
    ResultsWindow first;
    DetailWindow second;
    QWidget other;
    test::activate(first);
    test::activate(other);
    test::activate(second);
    QList<QWidget*> ordered = allOrderedWindows();
    ASSERT_GE(ordered.size(), 3);
    EXPECT_EQ(ordered.mid(0, 3), (QList<QWidget*>{&second, &other, &first}));

    test::activate(first);
    EXPECT_EQ(allOrderedWindows().first(), &first);
    EXPECT_EQ(windowsOfKind(ResultsWindow::staticMetaObject), (QList<QWidget*>{&first, &second}));
    EXPECT_EQ(numberOfWindowsOfKind(DetailWindow::staticMetaObject), 1);
    EXPECT_EQ(frontMostWindowOfKind(DetailWindow::staticMetaObject), &second);
    second.hide();
    EXPECT_EQ(frontMostWindowOfKind(DetailWindow::staticMetaObject), nullptr);
}

TEST(Application, MainWindowPassesOnWhenItIsHidden)
{
    QWidget older;
    QWidget newer;
    QWidget panel(nullptr, Qt::Tool);
    test::activate(older);
    test::activate(newer);
    test::activate(panel);
    EXPECT_EQ(mainWindow(), &newer);
    EXPECT_EQ(firstResponderWindow(), &panel);
    newer.hide();
    EXPECT_EQ(mainWindow(), &older);
    EXPECT_FALSE(canBecomeMainWindow(&panel));
}

TEST(Application, FirstResponderWindowSkipsAnOpenMenu)
{
    QWidget window;
    test::activate(window);
    QMenu menu;
    menu.addAction(QStringLiteral("Item"));
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    QApplication::setActiveWindow(&menu);
    EXPECT_EQ(firstResponderWindow(), &window);
    menu.close();
}

class ThrowingWidget : public QWidget
{
    Q_OBJECT
protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("handler failed");
        return QWidget::event(event);
    }
};

TEST(Application, ExceptionsWhileDispatchingAreLoggedAndSurvived)
{
    ThrowingWidget widget;
    test::LogCapture log;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&widget, &event));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("sendEvent: (sorvant::VelmorApplication): ")))
        << log.lines().first().toStdString();
    EXPECT_TRUE(log.lines().first().contains(QStringLiteral("handler failed")));
}

class RecordingWidget : public QWidget
{
    Q_OBJECT
public:
    QEvent::Type seenType = QEvent::None;
    QWidget* seenWindow = nullptr;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User) {
            const VelmorApplication* app = VelmorApplication::shared();
            seenType = app->currentEvent() ? app->currentEvent()->type() : QEvent::None;
            seenWindow = app->currentEventWindow();
        }
        return QWidget::event(event);
    }
};

TEST(Application, TheCurrentEventIsKnownOnlyWhileItIsDispatched)
{
    QWidget window;
    auto* child = new RecordingWidget;
    child->setParent(&window);
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(child, &event);
    EXPECT_EQ(child->seenType, QEvent::User);
    EXPECT_EQ(child->seenWindow, &window);
    EXPECT_EQ(VelmorApplication::shared()->currentEvent(), nullptr);
}

TEST(Application, AttentionRequestsAreSuppressedWhileLocked)
{
    VelmorApplication* app = VelmorApplication::shared();
    app->lockUserAttentions();
    app->lockUserAttentions();
    app->unlockUserAttentions();
    EXPECT_EQ(app->requestUserAttention(), 0);
    app->unlockUserAttentions();
    app->unlockUserAttentions(); // never below 0
    EXPECT_GT(app->requestUserAttention(), 0);
    app->lockUserAttentions();
    EXPECT_EQ(app->requestUserAttention(), 0);
    app->unlockUserAttentions();
}

TEST(Application, ActivationIsDeferredAndCanBeSkipped)
{
    VelmorApplication* app = VelmorApplication::shared();
    QWidget main;
    QWidget panel(nullptr, Qt::Tool);
    test::activate(main);
    test::activate(panel);
    ASSERT_EQ(mainWindow(), &main);

    app->skipNextActivation();
    app->activateIgnoringOtherApps(true);
    EXPECT_TRUE(app->willSkipNextActivation()) << "deferred: nothing happens at once";
    ASSERT_TRUE(QTest::qWaitFor([app] { return !app->willSkipNextActivation(); }, test::kConditionWait));
    EXPECT_EQ(QApplication::activeWindow(), &panel);

    app->activateIgnoringOtherApps(true);
    EXPECT_EQ(QApplication::activeWindow(), &panel);
    EXPECT_TRUE(QTest::qWaitFor([&main] { return QApplication::activeWindow() == &main; }, test::kConditionWait));
}

TEST(Application, OlderSystemsActivateAtOnceOrSkipWithoutDeferral)
{
    ScopedVersionGates older({.foundationVersion = 1299});
    VelmorApplication* app = VelmorApplication::shared();
    QWidget main;
    QWidget panel(nullptr, Qt::Tool);
    test::activate(main);
    test::activate(panel);
    app->skipNextActivation();
    app->activateIgnoringOtherApps(true);
    EXPECT_FALSE(app->willSkipNextActivation());
    // Fifty times the delay of a deferred activation.
    ASSERT_TRUE(test::runTimersDueWithin(500));
    EXPECT_EQ(QApplication::activeWindow(), &panel);
    app->activateIgnoringOtherApps(true);
    EXPECT_TRUE(QTest::qWaitFor([&main] { return QApplication::activeWindow() == &main; }, test::kConditionWait));
}

TEST(Application, SupportFoldersLiveUnderTheDataHome)
{
    test::TemporaryHome home(resetStandardFolders);
    const QString data = home.setVariable("XDG_DATA_HOME", QStringLiteral("data"));
    EXPECT_EQ(applicationSupportPath(QStringLiteral("Sorvant")), data + QStringLiteral("/Sorvant"));
    // A link along the way is resolved.
    QDir(data).mkdir(QStringLiteral("real"));
    QFile::link(data + QStringLiteral("/real"), data + QStringLiteral("/Linked"));
    EXPECT_EQ(applicationSupportPath(QStringLiteral("Linked/x")), data + QStringLiteral("/real/x"));
    EXPECT_EQ(applicationSupportPath(QStringLiteral("Sorvant"), QStringLiteral("org.example.App")),
              data
                  + QStringLiteral("/Containers/org.example.App/Data/Library/Application Support/Sorvant"));
    EXPECT_FALSE(QFileInfo::exists(QDir::homePath() + QStringLiteral("/Library")));
}

using ToolkitTexts = test::LocalizedBundleTest;

TEST_F(ToolkitTexts, QtTextsStayEnglishRegression)
{
    // In German the folder chooser said "Look in:" and the menus "Ctrl+N"
    // and "Del": nothing loaded Qt's own catalogue.
    writeTable("de", "Localizable", "\"Search\" = \"Suchen\";");
    setLanguage("de");
    EXPECT_EQ(interfaceLanguage(), QStringLiteral("de"));
    QTranslator* translator = installToolkitTranslations(qApp);
    ASSERT_NE(translator, nullptr) << "Qt's catalogues (qt6-translations-l10n) are not installed";
    EXPECT_EQ(QKeySequence(Qt::CTRL | Qt::Key_N).toString(QKeySequence::NativeText), QStringLiteral("Strg+N"));
    EXPECT_EQ(QKeySequence(Qt::SHIFT | Qt::Key_Delete).toString(QKeySequence::NativeText),
              QStringLiteral("Umschalt+Entf"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Suchen in:"));
    QCoreApplication::removeTranslator(translator);
    delete translator;

    // English needs no catalogue; a language without a localization of
    // ours stays English too, so that Qt's texts match ours.
    setLanguage("en");
    EXPECT_EQ(installToolkitTranslations(qApp), nullptr);
    setLanguage("fr");
    EXPECT_EQ(interfaceLanguage(), QStringLiteral("en"));
    EXPECT_EQ(installToolkitTranslations(qApp), nullptr);
    EXPECT_EQ(QKeySequence(Qt::CTRL | Qt::Key_N).toString(QKeySequence::NativeText), QStringLiteral("Ctrl+N"));
}

} // namespace
} // namespace sorvant

#include "application_test.moc"
