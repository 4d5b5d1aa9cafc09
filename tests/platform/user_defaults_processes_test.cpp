// Settings saved by several processes at once: each save keeps the keys the
// others saved meanwhile.
#include "platform/property_list.h"
#include "platform/task.h"
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
#include <QRegularExpression>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <tuple>
#include <utility>
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

// --- a saver stopped while it holds the lock ---------------------------------

// The keys of `defaults` that no round starts with, sorted, as a line.
QByteArray keysLine(const UserDefaults& defaults)
{
    QStringList keys = defaults.persistentDomain().keys().filter(QRegularExpression(QStringLiteral("^(?!Setting)")));
    keys.sort();
    return "KEYS:" + keys.join(',').toUtf8() + '\n';
}

// The keys line a child printed, split; empty when it printed none.
QStringList printedKeys(const QByteArray& output)
{
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("KEYS:"))
            return QString::fromUtf8(line.mid(5)).split(',');
    }
    return {};
}

// Waits until the test lets go of the gate file `gate` (held exclusively).
void passGate(const QString& gate)
{
    const int file = ::open(QFile::encodeName(gate).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    ASSERT_EQ(::flock(file, LOCK_SH), 0);
    ::close(file);
}

// The settings, name and gate of a saver child, whose lock patience its
// arguments set too.
std::tuple<QString, QString, QString> saverArguments()
{
    UserDefaults::setLockPatience(std::chrono::milliseconds(argumentValue("saver-patience-ms").toLongLong()));
    return {argumentValue("saver-path"), argumentValue("saver-name"), argumentValue("saver-gate")};
}

// Whether the changes of `defaults` are saved within a hundred tries: the
// savers past the end gate save at once, and each waits for the others'
// saves, which on a slow build take longer than its patience.
bool savedBeforeLong(UserDefaults& defaults)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (defaults.flush())
            return true;
    }
    return false;
}

// A saver that stops itself the moment before its rename, the lock held
// and the file it merged about to be put in place; its pid file says so.
QString stopFile;

void stopBeforeTheRename(UserDefaults::SaveMoment moment, const QString&)
{
    if (moment != UserDefaults::SaveMoment::Renaming || stopFile.isEmpty())
        return;
    QFile pid(stopFile);
    if (pid.open(QIODevice::WriteOnly))
        pid.write(QByteArray::number(::getpid()));
    pid.close();
    stopFile.clear();
    ::raise(SIGSTOP);
}

// The saver ASaverStoppedHoldingTheLockCostsNoOneTheirKeys stops: it saves
// one key and stops itself before the rename; let go on, it waits for the
// end gate, saves one more key and prints what it holds.
TEST(UserDefaultsProcessesTest, DISABLED_StoppedSaver)
{
    const auto [path, name, gate] = saverArguments();
    ASSERT_FALSE(path.isEmpty() || name.isEmpty() || gate.isEmpty());
    test::LogCapture log;
    UserDefaults defaults(path);
    stopFile = gate + QLatin1String(".stopped");
    UserDefaults::setSaveHook(stopBeforeTheRename);
    defaults.setBool(true, savedKey(name, 0));
    UserDefaults::setSaveHook(nullptr);
    passGate(gate + QLatin1String(".end"));
    defaults.setBool(true, savedKey(name, 1));
    EXPECT_TRUE(savedBeforeLong(defaults));
    std::fputs(keysLine(defaults).constData(), stdout);
    std::fputs(("LOG:" + log.lines().join('|') + '\n').toUtf8().constData(), stdout);
}

// A saver beside it, writing on its own thread as the application does:
// it reads the settings, says so, waits for the start gate, changes three
// keys, and says when a save of them gave up waiting for the lock; past the end
// gate it saves one more key and prints what it holds.
TEST(UserDefaultsProcessesTest, DISABLED_WaitingSaver)
{
    const auto [path, name, gate] = saverArguments();
    ASSERT_FALSE(path.isEmpty() || name.isEmpty() || gate.isEmpty());
    const QString waited = gate + QLatin1String(".waited.") + name;
    QStringList lines;
    const LogSink previous = setLogSink([&](const QString& line) {
        lines.append(line);
        if (line.contains(QLatin1String("their lock")))
            QFile(waited).open(QIODevice::WriteOnly);
    });
    {
        UserDefaults defaults(path);
        defaults.setCoalescedWrites(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
        QFile ready(gate + QLatin1Char('.') + name);
        ASSERT_TRUE(ready.open(QIODevice::WriteOnly));
        ready.close();
        passGate(gate);
        for (int save = 0; save < 3; ++save)
            defaults.setBool(true, savedKey(name, save));
        passGate(gate + QLatin1String(".end"));
        defaults.setBool(true, savedKey(name, 3));
        EXPECT_TRUE(savedBeforeLong(defaults));
        std::fputs(keysLine(defaults).constData(), stdout);
    }
    setLogSink(previous);
    std::fputs(("LOG:" + lines.join('|') + '\n').toUtf8().constData(), stdout);
}

// State of process `pid` as /proc gives it ('T' stopped); 0 when unknown.
char processState(const QByteArray& pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pid)));
    if (pid.isEmpty() || !stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && close + 2 < line.size() ? line.at(close + 2) : 0;
}

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A saver process and how it ended.
struct Saver
{
    QString name;
    Task task;
    bool ended = false;
};

Task saverTask(const char* test, const QString& path, const QString& name, const QString& gate, qint64 patienceMs)
{
    Task task(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_also_run_disabled_tests"),
               QStringLiteral("--gtest_filter=UserDefaultsProcessesTest.") + QLatin1String(test),
               QStringLiteral("--saver-path=") + path, QStringLiteral("--saver-name=") + name,
               QStringLiteral("--saver-gate=") + gate, QStringLiteral("--saver-patience-ms=%1").arg(patienceMs)});
    task.setTimeoutMilliseconds(10 * test::kPatienceMs);
    return task;
}

// Regression: a saver stopped (Ctrl+Z, a debugger) while it held the lock
// kept the others waiting 30 s; they then saved without the lock, and once
// let go on its rename put back the file it had read before the stop: the
// others' keys went from the file, and from their memory at their next
// save. Now they keep their changes until it lets go, and nothing is lost.
// The suite acts a 40 s stop over 30 s of patience as 3 s over 1 s, on
// 10,000 keys; SORVANT_TEST_STOP_SECONDS, SORVANT_TEST_LOCK_PATIENCE_MS and
// SORVANT_TEST_SAVERS_KEYS give the full run (40, 30000, 75000).
TEST(UserDefaultsProcessesTest, ASaverStoppedHoldingTheLockCostsNoOneTheirKeys)
{
    const auto setting = [](const char* name, qint64 fallback) {
        const qint64 value = qEnvironmentVariableIntValue(name);
        return value > 0 ? value : fallback;
    };
    const qint64 keys = setting("SORVANT_TEST_SAVERS_KEYS", 10000);
    const qint64 stopSeconds = setting("SORVANT_TEST_STOP_SECONDS", 3);
    const qint64 patienceMs = setting("SORVANT_TEST_LOCK_PATIENCE_MS", 1000);
    test::TempTree tree;
    const QString path = tree.writeFile(QStringLiteral("settings.plist"), xmlDataFromPropertyList(manySettings(int(keys))));
    const QString gate = tree.writeFile(QStringLiteral("gate"));
    const QString endGate = tree.writeFile(QStringLiteral("gate.end"));
    std::array<int, 2> gates{::open(QFile::encodeName(gate).constData(), O_RDWR | O_CLOEXEC),
                             ::open(QFile::encodeName(endGate).constData(), O_RDWR | O_CLOEXEC)};
    for (const int file : gates)
        ASSERT_TRUE(file >= 0 && ::flock(file, LOCK_EX) == 0);
    const QStringList names{QStringLiteral("stopped"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    std::array<Saver, 4> savers;
    std::array<std::thread, 4> running;
    const auto start = [&](std::size_t i) {
        savers[i].name = names[qsizetype(i)];
        savers[i].task = saverTask(i == 0 ? "DISABLED_StoppedSaver" : "DISABLED_WaitingSaver", path, savers[i].name,
                                   gate, patienceMs);
        running[i] = std::thread([&saver = savers[i]] { saver.ended = saver.task.launchAndWaitUntilExit(); });
    };
    const auto endAll = [&] {
        for (const int file : gates)
            ::close(file);
        const QByteArray pid = fileContents(gate + ".stopped");
        if (!pid.isEmpty())
            ::kill(pid.toInt(), SIGCONT);
        for (std::thread& thread : running) {
            if (thread.joinable())
                thread.join();
        }
    };
    start(0);
    QByteArray pid;
    const bool stopped = test::waitUntil([&] { return processState(pid = fileContents(gate + ".stopped")) == 'T'; },
                                         10 * test::kPatience);
    for (std::size_t i = 1; i < savers.size(); ++i)
        start(i);
    const auto allFiles = [&](const QString& stem) {
        return std::all_of(names.begin() + 1, names.end(), [&](const QString& name) { return QFile::exists(stem + name); });
    };
    const bool ready = stopped && test::waitUntil([&] { return allFiles(gate + '.'); }, 10 * test::kPatience);
    ::close(std::exchange(gates[0], -1));
    // The stop lasts its length, and at least until every saver has given
    // up waiting for the lock once.
    const QDeadlineTimer stopEnds{std::chrono::seconds(stopSeconds)};
    const bool waited = ready && test::waitUntil([&] { return allFiles(gate + ".waited.") && stopEnds.hasExpired(); },
                                                 std::chrono::seconds(stopSeconds) + 10 * test::kPatience);
    ::kill(pid.toInt(), SIGCONT);
    // Every saver's three keys reach the file once the stopped one lets go.
    QStringList expected{savedKey(names[0], 0)};
    for (const QString& name : names.mid(1)) {
        for (int save = 0; save < 3; ++save)
            expected << savedKey(name, save);
    }
    const auto missing = [&] {
        const QVariantMap saved = UserDefaults(path).persistentDomain();
        QStringList lost;
        for (const QString& key : expected) {
            if (!saved.contains(key))
                lost << key;
        }
        return lost;
    };
    const bool allSaved = waited && test::waitUntil([&] { return missing().isEmpty(); }, test::kPatience);
    endAll();
    ASSERT_TRUE(stopped) << "the saver never stopped holding the lock";
    ASSERT_TRUE(ready) << "the savers never read the settings";
    ASSERT_TRUE(waited) << "a saver never waited for the lock";
    EXPECT_TRUE(allSaved) << "lost from the file: " << missing().join(' ').toStdString();
    for (const Saver& saver : savers) {
        SCOPED_TRACE(saver.name.toStdString());
        ASSERT_TRUE(saver.ended && saver.task.terminationStatus() == 0) << saver.task.standardOutput().toStdString();
        QStringList held = expected;
        held << savedKey(saver.name, saver.name == names[0] ? 1 : 3);
        held.sort();
        QStringList lost;
        const QStringList printed = printedKeys(saver.task.standardOutput());
        for (const QString& key : held) {
            if (!printed.contains(key))
                lost << key;
        }
        EXPECT_EQ(lost, QStringList()) << "lost from its memory";
        EXPECT_FALSE(saver.task.standardOutput().contains("without their lock")) << saver.task.standardOutput().toStdString();
    }
    const QVariantMap saved = UserDefaults(path).persistentDomain();
    EXPECT_EQ(saved.size(), keys + 1 + 3 * 4 + 1);
}

} // namespace
