#include "system/archives.h"

#include "platform/task.h"

#include "system/file_tests.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace sorvant {
namespace {

class ArchivesTest : public ::testing::Test
{
protected:
    test::TempTree tree;
    test::LogCapture log;

    QStringList entriesAfterUnzip(const QString& archive)
    {
        const QString out = tree.makeDir(QStringLiteral("out-%1").arg(++m_outs));
        EXPECT_TRUE(decompressFileAtPath(archive, out));
        QStringList found;
        QDir dir(out);
        for (const QString& name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            found << name;
            if (QFileInfo(dir.filePath(name)).isDir())
                for (const QString& inner : QDir(dir.filePath(name)).entryList(QDir::Files | QDir::Hidden))
                    found << name + QLatin1Char('/') + inner;
        }
        found.sort();
        return found;
    }

private:
    int m_outs = 0;
};

TEST_F(ArchivesTest, KeepParentDecidesTheArchiveRoot)
{
    tree.writeFile("src/Notes/a.txt", "alpha");
    tree.writeFile("src/Notes/.hidden", "h");
    const QString item = tree.filePath("src/Notes");
    ASSERT_TRUE(compressFileAtPath(item, tree.filePath("kept.zip"), true));
    EXPECT_EQ(entriesAfterUnzip(tree.filePath("kept.zip")),
              (QStringList {"Notes", "Notes/.hidden", "Notes/a.txt"}));
    ASSERT_TRUE(compressFileAtPath(item, tree.filePath("flat.zip")));
    EXPECT_EQ(entriesAfterUnzip(tree.filePath("flat.zip")), (QStringList {".hidden", "a.txt"}));

    QFile extracted(tree.filePath("out-2/a.txt"));
    ASSERT_TRUE(extracted.open(QIODevice::ReadOnly));
    EXPECT_EQ(extracted.readAll(), "alpha");
}

TEST_F(ArchivesTest, MissingArgumentsStartNoTool)
{
    const QString file = tree.writeFile("f.txt", "x");
    EXPECT_FALSE(compressFileAtPath(tree.filePath("missing"), tree.filePath("a.zip"), true));
    EXPECT_FALSE(compressFileAtPath(file, QString(), true));
    EXPECT_FALSE(decompressFileAtPath(tree.filePath("missing.zip"), tree.path()));
    EXPECT_FALSE(unzipFileAtPath(file, QString()));
    EXPECT_FALSE(compressFiles({}, tree.path(), tree.filePath("a.zip")));
    EXPECT_FALSE(compressFiles({"f.txt"}, file, tree.filePath("a.zip")));
    EXPECT_FALSE(QFile::exists(tree.filePath("a.zip")));
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(ArchivesTest, FailedToolIsReportedAndLeavesNoPartialArchive)
{
    tree.writeFile("dir/one.txt", "1");
    EXPECT_FALSE(compressFiles({"absent.txt"}, tree.filePath("dir"), tree.filePath("bad.zip")));
    EXPECT_FALSE(QFile::exists(tree.filePath("bad.zip")));
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines().first().startsWith("ERROR: /usr/bin/zip"));

    const QString notZip = tree.writeFile("not.zip", "this is no archive");
    EXPECT_FALSE(unzipFileAtPath(notZip, tree.makeDir("x")));
    EXPECT_TRUE(QFile::exists(notZip)); // the input is never removed
    EXPECT_FALSE(decompressFileAtPath(notZip, tree.path(), "-j"));
}

TEST_F(ArchivesTest, CompressFilesReplacesOrAppends)
{
    tree.writeFile("dir/one.txt", "1");
    tree.writeFile("dir/two.txt", "2");
    const QString archive = tree.filePath("set.zip");
    ASSERT_TRUE(compressFiles({"one.txt"}, tree.filePath("dir"), archive));
    ASSERT_TRUE(compressFiles({"two.txt"}, tree.filePath("dir"), archive, true));
    EXPECT_EQ(entriesAfterUnzip(archive), (QStringList {"one.txt", "two.txt"}));
    ASSERT_TRUE(compressFiles({"two.txt"}, tree.filePath("dir"), archive, false));
    const QString out = tree.makeDir("plain");
    ASSERT_TRUE(unzipFileAtPath(archive, out));
    EXPECT_EQ(QDir(out).entryList(QDir::Files), (QStringList {"two.txt"}));
}

QString archiveName(int i)
{
    return QStringLiteral("Index 2026-11-2%1 10-00-00.zip").arg(i);
}

TEST_F(ArchivesTest, RotationKeepsTheNewestArchives)
{
    const QDateTime base = QDateTime::currentDateTimeUtc().addDays(-10);
    for (int i = 0; i < 5; ++i) {
        const QString path = tree.writeFile(archiveName(i), "z");
        ASSERT_TRUE(setFileModificationDate(base.addDays(i), path));
    }
    tree.writeFile("Other.zip", "z");
    EXPECT_EQ(compareModificationDates(tree.filePath(archiveName(4)), tree.filePath(archiveName(3))), -1);
    EXPECT_EQ(compareModificationDates(tree.filePath("missing"), tree.filePath(archiveName(0))), 1);

    struct Case
    {
        int max;
        QStringList left;
    };
    for (const Case& c : {Case {3, {archiveName(2), archiveName(3), archiveName(4), "Other.zip"}},
                          Case {0, {"Other.zip"}}}) {
        SCOPED_TRACE(c.max);
        const QString name = archiveDirectoryContentsAtPath(tree.path(), "Index", c.max);
        EXPECT_TRUE(name.startsWith("Index 2"));
        EXPECT_EQ(name.size(), QStringLiteral("Index 2026-12-06 22-15-04").size());
        EXPECT_EQ(QDir(tree.path()).entryList(QDir::Files, QDir::Name), c.left);
    }
    EXPECT_TRUE(archiveDirectoryContentsAtPath(tree.path(), QString(), 1).isNull());
}

TEST_F(ArchivesTest, RotationRemovesOnlyItsOwnArchives)
{
    // A user's folder and files that merely begin with the prefix, in any
    // case, stay.
    tree.writeFile("Indexer project/main.c", "keep");
    tree.writeFile("index 2026-11-20 10-00-00.zip", "other case");
    tree.writeFile("Index notes.txt", "keep");
    tree.writeFile("Index 2026-11-20 10-00-00 copy.zip", "keep");
    tree.writeFile("Index 2026-11-20 10-00-00.zip", "old");
    EXPECT_FALSE(archiveDirectoryContentsAtPath(tree.path(), "Index", 0).isEmpty());
    EXPECT_EQ(QDir(tree.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
              (QStringList {"Index 2026-11-20 10-00-00 copy.zip", "Index notes.txt", "Indexer project",
                            "index 2026-11-20 10-00-00.zip"}));
    EXPECT_TRUE(isRotatedArchiveName("Index 2026-11-20 10-00-00", "Index"));
    EXPECT_FALSE(isRotatedArchiveName("Index 2026-11-20 10-00-00", ""));
}

TEST_F(ArchivesTest, ANameIsNeverAnOptionOrAPatternAndKeepsItsBytes)
{
    // "-m" would tell zip to delete what it archived; "*.txt" would take
    // every .txt; a byte that is not UTF-8 must reach zip as it is.
    tree.writeFile("dir/precious.txt", "precious");
    tree.writeFile("dir/-m", "m");
    tree.writeFile("dir/*.txt", "star");
    const QString odd = QStringLiteral("odd") + QChar(0xDCFF);
    const QByteArray oddBytes("odd\xFF");
    tree.writeFile("dir/plain", "odd");
    ASSERT_EQ(::rename(QFile::encodeName(tree.filePath("dir/plain")).constData(),
                       (QFile::encodeName(tree.filePath("dir")) + "/" + oddBytes).constData()),
              0);
    const QString archive = tree.filePath("set.zip");
    ASSERT_TRUE(compressFiles({"-m", "*.txt", odd}, tree.filePath("dir"), archive));
    EXPECT_TRUE(QFile::exists(tree.filePath("dir/precious.txt")));
    const QString out = tree.makeDir("plain");
    ASSERT_TRUE(unzipFileAtPath(archive, out));
    EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name).size(), 3);
    EXPECT_TRUE(QFile::exists(out + "/*.txt"));
    EXPECT_TRUE(QFile::exists(out + "/-m"));
    // The archive's own list of names (unzip itself recodes names when it
    // extracts them).
    Task listing(QStringLiteral("/usr/bin/unzip"), {QStringLiteral("-Z1"), archive});
    ASSERT_TRUE(listing.launchAndSleepUntilExit());
    EXPECT_EQ(listing.standardOutput(), "-m\n*.txt\n" + oddBytes + "\n");
    const QString single = tree.filePath("single.zip");
    ASSERT_TRUE(compressFileAtPath(tree.filePath("dir/-m"), single, true));
    EXPECT_TRUE(QFile::exists(tree.filePath("dir/-m")));
    EXPECT_TRUE(compressFileAtPath(tree.filePath("dir") + "/" + odd, tree.filePath("odd.zip"), true));
}

// Watches a FIFO while it lives: should anything open it for reading, the
// watcher notes it and opens it for writing and closes it again, so that the
// reader sees its end instead of waiting for a writer for ever.
class FifoWatcher
{
public:
    explicit FifoWatcher(const QByteArray& path)
        : m_thread([this, path] {
              while (!m_done.load()) {
                  const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                  if (fd >= 0) { // ENXIO while no reader has it open
                      m_opened.store(true);
                      ::close(fd);
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          })
    {
    }
    ~FifoWatcher()
    {
        m_done.store(true);
        m_thread.join();
    }
    [[nodiscard]] bool wasOpenedForReading() const { return m_opened.load(); }

private:
    std::atomic<bool> m_done {false};
    std::atomic<bool> m_opened {false};
    std::thread m_thread;
};

TEST_F(ArchivesTest, OnlyRegularFilesAreExtracted)
{
    const QString fifo = tree.filePath("x.zip");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString folder = tree.makeDir("folder.zip");
    const QString out = tree.makeDir("out");
    for (const QString& archive : {fifo, folder}) {
        SCOPED_TRACE(archive.toStdString());
        log.clear();
        const FifoWatcher watcher(QFile::encodeName(fifo));
        EXPECT_FALSE(decompressFileAtPath(archive, out));
        EXPECT_FALSE(unzipFileAtPath(archive, out));
        EXPECT_FALSE(watcher.wasOpenedForReading());
        ASSERT_EQ(log.lines().size(), 2);
        EXPECT_EQ(log.lines().first(), "ERROR: Cannot extract " + archive + ": not a regular file");
    }

    // A regular archive whose name is not UTF-8 is read by its bytes.
    tree.writeFile("in/a.txt", "alpha");
    const QString odd = tree.filePath("odd") + QChar(0xDCFF) + ".zip";
    ASSERT_TRUE(compressFileAtPath(tree.filePath("in"), odd));
    EXPECT_TRUE(unzipFileAtPath(odd, out));
    EXPECT_TRUE(QFile::exists(out + "/a.txt"));
}

} // namespace
} // namespace sorvant
