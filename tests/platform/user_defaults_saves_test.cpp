// The lock and the rename of settings saves against other savers: a file
// replaced under a save, a lock a live process holds, and a save that saved
// nothing (platform/user_defaults.h).
#include "platform/atomic_file.h"
#include "platform/file_lock.h"
#include "platform/property_list.h"
#include "platform/user_defaults.h"

#include "tests/support/child_process.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using namespace sorvant;
using namespace std::chrono_literals;

namespace {

class UserDefaultsSavesTest : public testing::Test
{
protected:
    void TearDown() override
    {
        UserDefaults::setSaveHook(nullptr);
        UserDefaults::setLockPatience(0ms);
    }

    test::TempTree tree;
    QString path = tree.filePath("settings/settings.plist");
};

// What a saver that went without the lock writes at a save's Merged moment:
// the file as it was read then, and its own key.
QString replacedPath;

void replaceTheFileOnce(UserDefaults::SaveMoment moment, const QString&)
{
    if (moment != UserDefaults::SaveMoment::Merged || replacedPath.isEmpty())
        return;
    QVariantMap theirs = UserDefaults(replacedPath).persistentDomain();
    theirs.insert(QStringLiteral("Theirs"), true);
    EXPECT_TRUE(writeFileAtomically(replacedPath, xmlDataFromPropertyList(theirs)));
    replacedPath.clear();
}

// A save whose file another saver replaced after the read (one that went
// without the lock) put back the file it had merged: the other's key was
// gone. It now merges again over the new file, on the caller's thread and
// on the writer's.
TEST_F(UserDefaultsSavesTest, ASaveMergesAgainOverAFileReplacedAfterItsRead)
{
    for (const bool coalesced : {false, true}) {
        SCOPED_TRACE(coalesced ? "writer thread" : "caller's thread");
        QFile::remove(path);
        UserDefaults(path).setBool(true, QStringLiteral("Before"));
        UserDefaults defaults(path);
        if (coalesced)
            defaults.setCoalescedWrites(1h, 0ms);
        replacedPath = path;
        UserDefaults::setSaveHook(replaceTheFileOnce);
        defaults.setBool(true, QStringLiteral("Mine"));
        EXPECT_TRUE(defaults.flush());
        UserDefaults::setSaveHook(nullptr);
        EXPECT_TRUE(replacedPath.isEmpty()) << "the file was never replaced";
        const QStringList all{QStringLiteral("Before"), QStringLiteral("Mine"), QStringLiteral("Theirs")};
        EXPECT_EQ(UserDefaults(path).persistentDomain().keys(), all);
        EXPECT_EQ(defaults.persistentDomain().keys(), all);
    }
}

// A lock held by a live process (this one here, as a stopped saver would
// hold it) is waited for: the changes stay unsaved and pending, said once
// however often they are tried, and are saved once it lets go; none is
// written without the lock. Changes still waiting when their object ends
// are named as unsaved, not dropped in silence, and the end does not wait
// for the lock. Regression: after 30 s the save went on without the lock,
// and the holder's rename then put back its older file.
TEST_F(UserDefaultsSavesTest, ALockALiveProcessHoldsIsWaitedForAndSaidOnce)
{
    UserDefaults::setLockPatience(100ms);
    for (const bool coalesced : {false, true}) {
        SCOPED_TRACE(coalesced ? "writer thread" : "caller's thread");
        QFile::remove(path);
        UserDefaults(path).setBool(true, QStringLiteral("Before"));
        FileLock held;
        ASSERT_EQ(held.lock(UserDefaults::lockPath(path), 0ms), FileLock::Status::Locked);
        test::LogCapture log;
        auto defaults = std::make_unique<UserDefaults>(path);
        if (coalesced)
            defaults->setCoalescedWrites(0ms, 0ms);
        for (int save = 0; save < 3; ++save)
            defaults->setInteger(save, QStringLiteral("Key%1").arg(save));
        EXPECT_FALSE(defaults->flush());
        EXPECT_EQ(UserDefaults(path).persistentDomain().keys(), QStringList{QStringLiteral("Before")});
        EXPECT_EQ(defaults->objectForKey(QStringLiteral("Key2")).toLongLong(), 2);
        held.unlock();
        EXPECT_TRUE(defaults->flush());
        EXPECT_EQ(UserDefaults(path).persistentDomain().size(), 4);
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
        EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("WARNING: ")));
        EXPECT_TRUE(log.lines()[0].contains(QLatin1String("wait for their lock"))) << log.lines()[0].toStdString();
        EXPECT_TRUE(log.lines()[0].contains(QString::number(::getpid()))) << log.lines()[0].toStdString();

        ASSERT_EQ(held.lock(UserDefaults::lockPath(path), 0ms), FileLock::Status::Locked);
        defaults->setBool(true, QStringLiteral("Unsaved"));
        defaults.reset();
        EXPECT_TRUE(log.lines().last().startsWith(QLatin1String("ERROR: "))) << log.lines().last().toStdString();
        EXPECT_TRUE(log.lines().last().contains(QLatin1String("unsaved: Unsaved"))) << log.lines().last().toStdString();
        EXPECT_FALSE(UserDefaults(path).persistentDomain().contains(QStringLiteral("Unsaved")));
    }
}

// A save in a folder it may not write said it was "saved without their
// lock" (no lock can be made there either) when nothing was saved; it now
// says only why nothing was saved.
TEST_F(UserDefaultsSavesTest, ASaveThatSavedNothingSaysNothingOfItsLock)
{
    const QString folder = tree.makeDir("settings");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(QFile::encodeName(tree.path()).constData(), 0711), 0);
        ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), test::unprivilegedUser(), test::unprivilegedGroup()), 0);
    }
    const test::ChildAnswer answer = test::answerOfAChild(
        [&] {
            if (::chmod(QFile::encodeName(folder).constData(), 0500) != 0
                || ::access(QFile::encodeName(folder).constData(), W_OK) == 0)
                ::_exit(77);
            test::LogCapture log;
            {
                UserDefaults defaults(path);
                defaults.setBool(true, QStringLiteral("Key"));
            }
            return log.lines().join('\n').toUtf8();
        },
        test::ChildRights::Unprivileged);
    if (answer.exitCode == 77)
        GTEST_SKIP() << "no user the folder's rights bind";
    ASSERT_EQ(answer.exitCode, 0);
    EXPECT_TRUE(answer.sent.startsWith("ERROR: Cannot save the user defaults")) << answer.sent.toStdString();
    EXPECT_FALSE(answer.sent.contains("lock")) << answer.sent.toStdString();
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
