#include "platform/file_lock.h"

#include "tests/support/temp_tree.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace sorvant;
using namespace std::chrono_literals;

namespace {

ino_t inodeOf(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// One holder at a time, in one process as between processes (flock locks
// an open file, not a process); the file is made once and outlives every
// holder, so later holders lock the same file.
TEST(FileLockTest, OneHolderAtATimeOnAFileThatIsKept)
{
    test::TempTree tree;
    const QString path = tree.filePath("settings.save-lock");
    FileLock first;
    ASSERT_EQ(first.lock(path, 0ms), FileLock::Status::Locked);
    const ino_t made = inodeOf(path);
    ASSERT_NE(made, 0u);
    EXPECT_EQ(QFileInfo(path).size(), 0);

    FileLock second;
    QString error;
    EXPECT_EQ(second.lock(path, 20ms, &error), FileLock::Status::TimedOut);
    EXPECT_FALSE(second.isLocked());
    EXPECT_TRUE(error.contains(path)) << error.toStdString();

    first.unlock();
    EXPECT_EQ(second.lock(path, 0ms, &error), FileLock::Status::Locked);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(first.lock(path, 20ms), FileLock::Status::TimedOut);
    second.unlock();
    EXPECT_EQ(inodeOf(path), made);
    EXPECT_EQ(QFileInfo(path).size(), 0);
}

} // namespace
