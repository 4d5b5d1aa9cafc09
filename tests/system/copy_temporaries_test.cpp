// The marks and locks of copies' temporaries against other programs: a
// restore of a killed copy's temporary, a copy whose lock comes late beside
// another copy, and file systems whose locks are not trusted
// (system/copy_temporaries.h).
#include "system/copy_temporaries.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "system/file_operations.h"
#include "tests/support/child_process.h"
#include "tests/support/failing_system_calls.h"
#include "tests/support/paused_child.h"
#include "tests/support/temp_tree.h"
#include "tests/support/temporary_mark.h"

#include <QDir>

#include <iostream>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace sorvant {
namespace {

using test::answerOfAChild;
using test::ChildAnswer;

const QString kRemovedLine = QStringLiteral("Removed the temporary item of a stopped copy ");

// The names in a folder, hidden ones too, sorted.
QStringList namesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

quint64 inodeOf(const QString& path)
{
    struct stat status {};
    return ::lstat(fileSystemRepresentation(path).constData(), &status) == 0 ? quint64(status.st_ino) : 0;
}

// Copies `source` to `destination` in a child that the kernel's file-size
// limit kills part way (at 1 MiB), and answers the temporary it left.
QString temporaryOfACopyKilledPartWay(const QString& source, const QString& destination)
{
    const QString folder = destination.left(destination.lastIndexOf('/'));
    const QStringList before = namesIn(folder);
    const ChildAnswer answer = answerOfAChild([&] {
        const rlimit limit{1 << 20, 1 << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, [](int) { ::kill(::getpid(), SIGKILL); });
        copyPath(source, destination);
        return QByteArray("not killed");
    });
    EXPECT_EQ(answer.exitCode, -1) << "the copy was not killed part way";
    QStringList left = namesIn(folder);
    for (const QString& name : before)
        left.removeOne(name);
    EXPECT_EQ(left.size(), 1) << left.join(' ').toStdString();
    return left.isEmpty() ? QString() : folder + '/' + left.first();
}

class CopyTemporaries : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setLogSink([this](const QString& line) { m_logged << line; });
    }
    void TearDown() override
    {
        setLogSink({});
        setTemporaryHook(nullptr);
        setFileSystemTypeFunction(nullptr);
    }
    [[nodiscard]] QStringList logged() const { return m_logged; }

    test::TempTree tree;

private:
    QStringList m_logged;
};

// A killed copy's temporary that the user restored with `cp -a` (copied
// aside, removed, copied back) was removed by the next copy as that copy's
// own: ext4 handed the freed inode number back (19 of 20 restores), and
// the mark held no more than that number. Five restored temporaries are
// kept; a sixth, left as the killed copy left it, goes.
TEST_F(CopyTemporaries, ARestoredTemporaryOfAKilledCopyIsKept)
{
    tree.writeFile("source/big", QByteArray(3 << 20, 'b'));
    tree.writeFile("source/small", "small");
    const QString into = tree.makeDir("into");
    const QString aside = tree.makeDir("aside");
    // Each killed in a folder of its own (the next copy into a folder would
    // remove the last one's), then moved beside the others: still itself.
    // Forked children may draw the same suffix, so each has its own name.
    QStringList temporaries;
    for (int copy = 0; copy < 6; ++copy) {
        const QString killed = tree.makeDir("killed" + QString::number(copy));
        const QString number = QString::number(copy);
        const QString temporary = temporaryOfACopyKilledPartWay(tree.filePath("source/big"), killed + "/big" + number);
        ASSERT_FALSE(temporary.isEmpty());
        temporaries << into + temporary.mid(killed.size());
        ASSERT_TRUE(isTemporaryName(fileSystemRepresentation(temporaries.last().mid(into.size() + 1))));
        ASSERT_EQ(::rename(fileSystemRepresentation(temporary).constData(),
                           fileSystemRepresentation(temporaries.last()).constData()),
                  0);
    }
    int sameInode = 0;
    QStringList kept;
    for (const QString& temporary : temporaries.mid(0, 5)) {
        const QString name = temporary.mid(into.size() + 1);
        const quint64 inode = inodeOf(temporary);
        if (!test::copyWithCp(temporary, aside + '/' + name))
            GTEST_SKIP() << "cp cannot be run here";
        ASSERT_TRUE(removePath(temporary));
        ASSERT_TRUE(test::copyWithCp(aside + '/' + name, temporary));
        sameInode += int(inodeOf(temporary) == inode);
        kept << name;
    }
    std::cout << sameInode << " of 5 restores got their inode number back\n";
    ASSERT_TRUE(copyPath(tree.filePath("source/small"), into + "/small"));
    kept << "small";
    kept.sort();
    EXPECT_EQ(namesIn(into), kept);
    EXPECT_EQ(logged().filter(kRemovedLine), QStringList({kRemovedLine + temporaries.last()}));
}

// A copy that stops the moment before it locks its temporary, until the
// test lets it go on (as one whose lock comes 400 ms late on a busy machine).
void pauseBeforeTheLock(TemporaryMoment moment, const char*)
{
    if (moment == TemporaryMoment::Locking)
        test::PausedChild::pause();
}

// A copy used to mark its temporary before it locked it: a copy into the
// same folder by another process in that moment proved the temporary a
// stopped copy's, removed it and said so, while the first copy went on
// under another name. Neither copy speaks of the other, both end whole.
TEST_F(CopyTemporaries, ACopyWhoseLockComesLateIsLeftAloneByAnother)
{
    tree.writeFile("folder/a", "first");
    tree.writeFile("folder/b/c", "second");
    tree.writeFile("file", "contents");
    tree.writeFile("small", "small");
    for (const QString source : {"folder", "file"}) {
        SCOPED_TRACE(source.toStdString());
        const QString into = tree.makeDir("into-" + source);
        test::PausedChild first([&] {
            setTemporaryHook(pauseBeforeTheLock);
            return copyPath(tree.filePath(source), into + "/first") ? 0 : 1;
        });
        ASSERT_TRUE(first.waitUntilPaused()) << "the first copy " << first.howItEnded();
        // Another process, whose first copy into the folder looks through it.
        const ChildAnswer other = answerOfAChild([&] {
            QStringList lines;
            setLogSink([&](const QString& line) { lines << line; });
            const bool copied = copyPath(tree.filePath("small"), into + "/second");
            return (QString::number(int(copied)) + '|' + lines.join('\n')).toUtf8();
        });
        EXPECT_EQ(first.goOnUntilItEnds(), 0) << "the first copy " << first.howItEnded();
        EXPECT_EQ(other.exitCode, 0) << "the other copy " << other.how;
        EXPECT_EQ(QString::fromUtf8(other.sent), QStringLiteral("1|")) << "<copied>|<lines logged>";
        EXPECT_EQ(namesIn(into), QStringList({"first", "second"}));
        EXPECT_EQ(countRemovalItems(into + "/first"), countRemovalItems(tree.filePath(source)));
    }
}

// The file-system type a test puts in place of the folder's.
unsigned long standInType = 0;

bool standInFileSystemType(int, unsigned long* type)
{
    *type = standInType;
    return true;
}

// Only local file systems are trusted with the proof: on a network or FUSE
// file system a lock may stay on the machine that took it, so a copy
// working on another machine would lose its temporary. A killed copy's
// temporary is left there, and one line says why.
TEST_F(CopyTemporaries, OnAFileSystemNotTrustedWithLocksTemporariesAreLeftAndSaid)
{
    tree.writeFile("source/big", QByteArray(3 << 20, 'b'));
    tree.writeFile("source/small", "small");
    const struct {
        const char* name;
        unsigned long type;
        bool removed;
    } rows[] = {
        {"ext4", EXT4_SUPER_MAGIC, true},
        {"tmpfs", TMPFS_MAGIC, true},
        {"NFS", NFS_SUPER_MAGIC, false},
        {"SMB", SMB2_SUPER_MAGIC, false},
        {"FUSE", 0x65735546UL, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString into = tree.makeDir(QStringLiteral("into-") + row.name);
        const QString temporary = temporaryOfACopyKilledPartWay(tree.filePath("source/big"), into + "/big");
        ASSERT_FALSE(temporary.isEmpty());
        standInType = row.type;
        setFileSystemTypeFunction(standInFileSystemType);
        const qsizetype before = logged().size();
        ASSERT_TRUE(copyPath(tree.filePath("source/small"), into + "/small"));
        setFileSystemTypeFunction(nullptr);
        const QStringList lines = logged().mid(before);
        EXPECT_EQ(namesIn(into).contains(temporary.mid(into.size() + 1)), !row.removed);
        EXPECT_EQ(lines, QStringList(row.removed ? kRemovedLine + temporary
                                                  : "WARNING: Left 1 item(s) named as copies' temporaries in " + into
                                                        + ": its file system's locks may not show a copy working on "
                                                          "another machine"));
    }
}

// A folder copy killed between making its folder and marking it left an
// empty, unmarked folder that no later copy spoke of. It is left (a user
// may own such a folder too) and said once, as saves say theirs.
TEST_F(CopyTemporaries, AFolderCopyKilledBeforeItsMarkIsSaidOnce)
{
    if (!test::markAsATemporary(fileSystemRepresentation(tree.writeFile("source/folder/f", "f"))))
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    ASSERT_EQ(::removexattr(fileSystemRepresentation(tree.filePath("source/folder/f")).constData(), kTemporaryMark), 0);
    tree.writeFile("source/small", "small");
    const QString into = tree.makeDir("into");
    const ChildAnswer answer = answerOfAChild([&] {
        if (!test::killAtSystemCalls({SYS_fsetxattr}))
            ::_exit(77);
        copyPath(tree.filePath("source/folder"), into + "/folder");
        return QByteArray("not killed");
    });
    if (answer.exitCode == 77)
        GTEST_SKIP() << "no system-call filter can be put in place here";
    ASSERT_EQ(answer.exitCode, -1) << answer.sent.toStdString();
    const QStringList left = namesIn(into);
    ASSERT_EQ(left.size(), 1) << left.join(' ').toStdString();
    ASSERT_TRUE(isTemporaryName(fileSystemRepresentation(left.first())));
    ASSERT_TRUE(copyPath(tree.filePath("source/small"), into + "/small"));
    ASSERT_TRUE(copyPath(tree.filePath("source/small"), into + "/again"));
    EXPECT_EQ(namesIn(into), QStringList({left.first(), "again", "small"}));
    EXPECT_EQ(logged(), QStringList("WARNING: The folder '" + into + '/' + left.first()
                                    + "' looks like a temporary folder of a copy and is left: it is empty and nothing "
                                      "shows that a copy made it"));
}

} // namespace
} // namespace sorvant
