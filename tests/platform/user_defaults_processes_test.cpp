// Settings saved by several processes at once: each save keeps the keys the
// others saved meanwhile.
#include "platform/property_list.h"
#include "platform/user_defaults.h"

#include "tests/support/child_process.h"
#include "tests/support/log_capture.h"
#include "tests/support/spawned_child.h"
#include "tests/support/temp_tree.h"
#include "tests/system/waiting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sorvant;

namespace {

// The value of "--<name>=…" among this program's arguments; null when none.
QString argumentValue(const char* name)
{
    const QString prefix = QStringLiteral("--%1=").arg(QLatin1String(name));
    for (const QString& argument : QCoreApplication::arguments()) {
        if (argument.startsWith(prefix))
            return argument.mid(prefix.size());
    }
    return {};
}

QString savedKey(const QString& saver, int save)
{
    return QStringLiteral("%1-save%2").arg(saver).arg(save);
}

// The settings a round starts from: `count` keys, as the application keeps
// window frames and column widths.
QVariantMap manySettings(int count)
{
    QVariantMap settings;
    for (int i = 0; i < count; ++i)
        settings.insert(QStringLiteral("Setting%1").arg(i, 6, 10, QLatin1Char('0')), qint64(i));
    return settings;
}

// One saver ConcurrentSavesKeepEachOthersKeys starts: it reads the
// settings, says so with a file beside the gate, waits until the test opens
// the gate to every saver at once, then saves its keys one at a time.
TEST(UserDefaultsProcessesTest, DISABLED_Saver)
{
    const QString path = argumentValue("saver-path");
    const QString name = argumentValue("saver-name");
    const QString gate = argumentValue("saver-gate");
    const int saves = argumentValue("saver-saves").toInt();
    ASSERT_FALSE(path.isEmpty() || name.isEmpty() || gate.isEmpty());
    UserDefaults defaults(path);
    const int gateFile = ::open(QFile::encodeName(gate).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(gateFile, 0);
    QFile ready(gate + QLatin1Char('.') + name);
    ASSERT_TRUE(ready.open(QIODevice::WriteOnly));
    ready.close();
    ASSERT_EQ(::flock(gateFile, LOCK_SH), 0);
    for (int save = 0; save < saves; ++save)
        defaults.setBool(true, savedKey(name, save));
    ::close(gateFile);
}

ino_t inodeOf(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// A save that cannot take the lock of its settings (its place holds what is
// no lock file) still saves, as it did before saves were locked, and says
// so once however often it saves; what holds the place is left as it was.
TEST(UserDefaultsLockTest, ASaveWithoutItsLockIsMadeAndSaidOnce)
{
    const struct {
        const char* name;
        std::function<void(test::TempTree&, const QString& lock)> make;
    } cases[] = {
        {"folder", [](test::TempTree&, const QString& lock) { ASSERT_TRUE(QDir().mkpath(lock)); }},
        {"FIFO", [](test::TempTree&, const QString& lock) {
             ASSERT_EQ(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0);
         }},
        {"dangling link", [](test::TempTree& tree, const QString& lock) {
             ASSERT_TRUE(QFile::link(tree.filePath("nowhere"), lock));
         }},
        {"link to a file", [](test::TempTree& tree, const QString& lock) {
             ASSERT_TRUE(QFile::link(tree.writeFile("elsewhere"), lock));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempTree tree;
        const QString path = tree.filePath("settings.plist");
        const QString lock = UserDefaults::lockPath(path);
        c.make(tree, lock);
        const ino_t before = inodeOf(lock);
        test::LogCapture log;
        {
            UserDefaults defaults(path);
            for (int save = 0; save < 3; ++save)
                defaults.setInteger(save, QStringLiteral("Key%1").arg(save));
        }
        EXPECT_EQ(UserDefaults(path).persistentDomain().keys(), QStringList({"Key0", "Key1", "Key2"}));
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
        EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("WARNING: "))) << log.lines()[0].toStdString();
        EXPECT_TRUE(log.lines()[0].contains(lock)) << log.lines()[0].toStdString();
        EXPECT_EQ(inodeOf(lock), before);
        EXPECT_FALSE(QFile::exists(tree.filePath("nowhere")));
    }
}

// The same for a lock file the saver may not open (another user's, made
// with a umask of 077): the save is made, and said once.
TEST(UserDefaultsLockTest, ASaveThatMayNotOpenItsLockIsMadeAndSaidOnce)
{
    test::TempTree tree;
    const QString folder = tree.makeDir("settings");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(QFile::encodeName(tree.path()).constData(), 0711), 0);
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), test::unprivilegedUser(), test::unprivilegedGroup()), 0);
    }
    const QString path = folder + QLatin1String("/settings.plist");
    const QString lock = tree.writeFile(QStringLiteral("settings/settings.plist.save-lock"));
    ASSERT_EQ(lock, UserDefaults::lockPath(path));
    ASSERT_EQ(::chmod(QFile::encodeName(lock).constData(), 0), 0);
    const test::ChildAnswer answer = test::answerOfAChild(
        [&] {
            if (::access(QFile::encodeName(lock).constData(), R_OK) == 0)
                ::_exit(77);
            test::LogCapture log;
            {
                UserDefaults defaults(path);
                for (int save = 0; save < 3; ++save)
                    defaults.setInteger(save, QStringLiteral("Key%1").arg(save));
            }
            const QString first = log.lines().value(0);
            return (UserDefaults(path).persistentDomain().keys().join(',') + '|' + QString::number(log.lines().size())
                    + '|' + first.left(first.indexOf(':')) + '|' + QString::number(first.contains(lock)))
                .toUtf8();
        },
        test::ChildRights::Unprivileged);
    if (answer.exitCode == 77)
        GTEST_SKIP() << "no user that may not open the lock";
    ASSERT_EQ(answer.exitCode, 0);
    EXPECT_EQ(answer.sent, "Key0,Key1,Key2|1|WARNING|1");
}

// The lock is one file for good: saves that remove left temporaries never
// take it for one (nor say it looks like one), and settings opened at its
// path refuse to read or write it.
TEST(UserDefaultsLockTest, TheLockIsKeptAndNeverTakenForTemporaryOrSettings)
{
    test::TempTree tree;
    const QString path = tree.filePath("settings.plist");
    const QString lock = UserDefaults::lockPath(path);
    EXPECT_EQ(lock, path + QLatin1String(".save-lock"));
    test::LogCapture log;
    UserDefaults defaults(path);
    defaults.setBool(true, QStringLiteral("First"));
    const ino_t made = inodeOf(lock);
    ASSERT_NE(made, 0u);
    for (int save = 0; save < 3; ++save)
        defaults.setInteger(save, QStringLiteral("Key"));
    EXPECT_EQ(inodeOf(lock), made);
    EXPECT_EQ(QFileInfo(lock).size(), 0);
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();

    {
        UserDefaults onTheLock(lock);
        EXPECT_TRUE(onTheLock.persistentDomain().isEmpty());
        onTheLock.setBool(true, QStringLiteral("Written"));
        EXPECT_FALSE(onTheLock.synchronize());
    }
    EXPECT_EQ(inodeOf(lock), made);
    EXPECT_EQ(QFileInfo(lock).size(), 0);
    EXPECT_FALSE(QFile::exists(UserDefaults::lockPath(lock)));
    ASSERT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
    EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("WARNING: "))) << log.lines()[0].toStdString();
    EXPECT_EQ(UserDefaults(path).persistentDomain().keys(), QStringList({"First", "Key"}));
}

// The lock stands beside the file a linked settings path leads to, so saves
// through the link and to the file wait for each other; a name too long
// for the lock's suffix shares a short lock name in its folder.
TEST(UserDefaultsLockTest, ALockPathIsBesideTheFileItsLinkLeadsTo)
{
    test::TempTree tree;
    const QString real = tree.writeFile("real/settings.plist");
    const QString link = tree.filePath("settings.plist");
    ASSERT_TRUE(QFile::link(real, link));
    EXPECT_EQ(UserDefaults::lockPath(link), real + QLatin1String(".save-lock"));
    const QString longName = tree.filePath(QString(250, QLatin1Char('n')));
    EXPECT_EQ(UserDefaults::lockPath(longName), tree.filePath(QStringLiteral(".sorvant.save-lock")));
    EXPECT_EQ(UserDefaults::lockPath(QString()), QString());
    EXPECT_EQ(UserDefaults::lockPath(QStringLiteral("folder/s.plist")), QStringLiteral("folder/s.plist.save-lock"));
    EXPECT_EQ(UserDefaults::lockPath(QStringLiteral("s.plist")), QStringLiteral("s.plist.save-lock"));
    UserDefaults(link).setBool(true, QStringLiteral("A"));
    EXPECT_TRUE(QFileInfo(real + QLatin1String(".save-lock")).isFile());
    EXPECT_FALSE(QFileInfo::exists(link + QLatin1String(".save-lock")));
}

// Regression: two processes saving the same settings at once lost one's
// keys (a save read the file, or took it for the one it wrote last, while
// the other replaced it). Each round two processes save three keys each,
// let go at once; every key is in the file after. The must-show run sets
// SORVANT_TEST_SAVERS_KEYS=75000.
TEST(UserDefaultsProcessesTest, ConcurrentSavesKeepEachOthersKeys)
{
    const int keys = qEnvironmentVariableIntValue("SORVANT_TEST_SAVERS_KEYS") > 0
                         ? qEnvironmentVariableIntValue("SORVANT_TEST_SAVERS_KEYS")
                         : 10000;
    constexpr int kRounds = 4;
    constexpr int kSaves = 3;
    const QByteArray base = xmlDataFromPropertyList(manySettings(keys));
    ASSERT_FALSE(base.isEmpty());
    test::TempTree tree;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const QString path = tree.writeFile(QStringLiteral("round%1/settings.plist").arg(round), base);
        const QString gate = tree.writeFile(QStringLiteral("round%1/gate").arg(round));
        const int gateFile = ::open(QFile::encodeName(gate).constData(), O_RDWR | O_CLOEXEC);
        ASSERT_GE(gateFile, 0);
        ASSERT_EQ(::flock(gateFile, LOCK_EX), 0);
        std::vector<std::unique_ptr<test::SpawnedChild>> savers;
        for (const QString& name : {QStringLiteral("first"), QStringLiteral("second")}) {
            savers.push_back(std::make_unique<test::SpawnedChild>(
                name, QCoreApplication::applicationFilePath(),
                QStringList{QStringLiteral("--gtest_also_run_disabled_tests"),
                            QStringLiteral("--gtest_filter=UserDefaultsProcessesTest.DISABLED_Saver"),
                            QStringLiteral("--saver-path=") + path, QStringLiteral("--saver-name=") + name,
                            QStringLiteral("--saver-gate=") + gate, QStringLiteral("--saver-saves=%1").arg(kSaves)},
                gate + QLatin1String(".log.") + name));
        }
        // A saver that dies before it is ready ends the wait at once.
        const std::string notReady = test::waitUntilReadyUnlessAChildEnds(
            [&] { return QFile::exists(gate + ".first") && QFile::exists(gate + ".second"); },
            {savers[0].get(), savers[1].get()}, 10 * test::kPatience);
        ::close(gateFile);
        ASSERT_EQ(notReady, "") << "the savers never read the settings";
        for (const auto& saver : savers) {
            ASSERT_TRUE(saver->waitUntilEnded(10 * test::kPatience) && saver->exitCode() == 0) << saver->report();
        }
        const QVariantMap saved = UserDefaults(path).persistentDomain();
        QStringList lost;
        for (const auto& saver : savers) {
            for (int save = 0; save < kSaves; ++save) {
                if (!saved.contains(savedKey(saver->name(), save)))
                    lost.append(savedKey(saver->name(), save));
            }
        }
        EXPECT_EQ(lost, QStringList());
        EXPECT_EQ(saved.size(), keys + 2 * kSaves - lost.size());
    }
}

} // namespace
