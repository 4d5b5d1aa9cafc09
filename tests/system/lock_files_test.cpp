#include "system/lock_files.h"

#include "platform/property_list.h"
#include "system/free_names.h"
#include "system/standard_folders.h"
#include "tests/support/temporary_home.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace sorvant {
namespace {

TEST(LockFiles, LockAndUnlockByTheHolder)
{
    test::TempTree tree;
    const QString file = tree.writeFile("doc.txt", "x");
    const QString lock = lockFileAtPath(file, false);
    ASSERT_EQ(lock, file + ".lock");
    EXPECT_TRUE(lockFileAtPath(file, false).isNull()) << "a second lock while held";
    EXPECT_TRUE(unlockFileAtPath(lock));
    EXPECT_FALSE(QFileInfo::exists(lock));
    EXPECT_FALSE(unlockFileAtPath(lock));
    EXPECT_FALSE(unlockFileAtPath({}));
    EXPECT_EQ(lockFileAtPath(tree.filePath("new/folder/doc"), false), tree.filePath("new/folder/doc.lock"));
}

TEST(LockFiles, OthersLocksStay)
{
    test::TempTree tree;
    const QString file = tree.filePath("doc");
    const QString lock = file + ".lock";
    const struct {
        const char* name;
        QVariant user;
        qint64 pid;
    } holders[] = {
        {"another process", userName(), qint64(::getpid()) + 1},
        {"another user", QString("someone-else"), qint64(::getpid())},
        {"no user", QVariant(), qint64(::getpid())},
    };
    for (const auto& row : holders) {
        SCOPED_TRACE(row.name);
        QVariantMap record {{"processNumber", row.pid}};
        if (row.user.isValid())
            record.insert("userName", row.user);
        ASSERT_TRUE(writePropertyListFile(lock, record));
        EXPECT_TRUE(lockFileAtPath(file, false).isNull());
        EXPECT_FALSE(unlockFileAtPath(lock));
        EXPECT_TRUE(QFileInfo::exists(lock));
    }
    EXPECT_EQ(lockFileAtPath(file, true), lock) << "override takes the lock";
    EXPECT_TRUE(unlockFileAtPath(lock));
    // A damaged lock is no lock.
    tree.writeFile("doc.lock", "not a property list");
    EXPECT_EQ(lockFileAtPath(file, false), lock);
}

TEST(FreeNames, CountersGoBetweenBaseAndExtension)
{
    test::TempTree tree;
    const QString taken = tree.writeFile("B.pdf");
    EXPECT_EQ(nonExistingFilenameAtPath(taken), tree.filePath("B-1.pdf"));
    tree.writeFile("B-1.pdf");
    EXPECT_EQ(nonExistingFilenameAtPath(taken), tree.filePath("B-2.pdf"));
    EXPECT_EQ(nonExistingFilenameAtPath(tree.writeFile("noext")), tree.filePath("noext-1"));
    EXPECT_EQ(nonExistingFilenameAtPath(tree.filePath("free.txt")), tree.filePath("free.txt"));
    EXPECT_TRUE(nonExistingFilenameAtPath({}).isNull());
    EXPECT_EQ(nonExistingFilenameAtPath(""), "");
    // A dangling link occupies its name.
    ASSERT_EQ(::symlink("/nonexistent", tree.filePath("link").toUtf8().constData()), 0);
    EXPECT_EQ(nonExistingFilenameAtPath(tree.filePath("link")), tree.filePath("link-1"));
}

TEST(FreeNames, LongNamesAreShortenedToFit)
{
    test::TempTree tree;
    const QString base(240, u'b');
    // Too long for most file systems' 255 bytes with the suffix: make the
    // name fit first, then check the arithmetic on a missing path's
    // neighbour.
    const QString name = base + ".pdf";
    const QString taken = tree.writeFile(name);
    const QString free = nonExistingFilenameAtPath(taken);
    EXPECT_EQ(QFileInfo(free).fileName(), base + "-1.pdf");
    const QString longBase(248, u'c');
    const QString longTaken = tree.writeFile(longBase + ".md");
    EXPECT_EQ(QFileInfo(nonExistingFilenameAtPath(longTaken)).fileName(), QString(245, u'c') + "-1.md");
}

TEST(FreeNames, FreeNamesStayWithin255Bytes)
{
    // Names of 255 bytes but far fewer units (three- and four-byte
    // characters): the counter must not push them past the file systems'
    // limit, and the cut must not split a character.
    test::TempTree tree;
    const QString emoji = QString::fromUtf8("\xF0\x9F\x93\x84");
    for (const QString& name : {QString(85, QChar(0x6587)), emoji.repeated(63) + ".md"}) {
        SCOPED_TRACE(name.toStdString());
        const QString free = nonExistingFilenameAtPath(tree.writeFile(name));
        const QByteArray bytes = QFile::encodeName(QFileInfo(free).fileName());
        EXPECT_LE(bytes.size(), 255);
        EXPECT_TRUE(bytes.contains("-1"));
        EXPECT_EQ(QString::fromUtf8(bytes).toUtf8(), bytes);
        EXPECT_FALSE(tree.writeFile(QFileInfo(free).fileName()).isEmpty());
        EXPECT_TRUE(QFileInfo::exists(free));
    }
}

TEST(CustomIcons, FoldersWithIconFilesAndStandardFoldersHaveThem)
{
    test::TemporaryHome home{resetStandardFolders};
    const QString desktop = home.tree.makeDir("home/Desktop");
    const QString deep = home.tree.makeDir("home/Desktop/plain");
    const QString marked = home.tree.makeDir("home/Desktop/marked");
    home.tree.writeFile("home/Desktop/marked/Icon\r");
    const QString app = home.tree.makeDir("home/Tool.app");
    const QString file = home.tree.writeFile("home/file");
    EXPECT_TRUE(existsCustomIconForPath(desktop));
    EXPECT_FALSE(existsCustomIconForPath(deep));
    EXPECT_TRUE(existsCustomIconForPath(marked));
    EXPECT_FALSE(existsCustomIconForPath(app));
    EXPECT_FALSE(existsCustomIconForPath(file));
    EXPECT_FALSE(existsCustomIconForPath(home.tree.filePath("missing")));
    EXPECT_FALSE(existsCustomIconForPath({}));
}

} // namespace
} // namespace sorvant
