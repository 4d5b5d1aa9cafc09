#include "platform/atomic_file.h"
#include "platform/file_system_representation.h"
#include "platform/property_list.h"

#include "tests/support/temp_tree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <ostream>

#include <atomic>
#include <functional>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using namespace sorvant;

namespace {

// Restores the umask a test sets.
class UmaskGuard
{
public:
    explicit UmaskGuard(mode_t mask) : m_saved(::umask(mask)) {}
    ~UmaskGuard() { ::umask(m_saved); }
    UmaskGuard(const UmaskGuard&) = delete;
    UmaskGuard& operator=(const UmaskGuard&) = delete;

private:
    mode_t m_saved;
};

// The umask as /proc reports it, without setting it; -1 when unknown.
int currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("Umask:"))
            return line.mid(6).trimmed().toInt(nullptr, 8);
    }
    return -1;
}

mode_t modeOf(const QByteArray& path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(AtomicFileTest, NamesThatAreNotUtf8KeepTheirBytes)
{
    test::TempTree tree;
    const QByteArray root = QFile::encodeName(tree.path());
    const QByteArray folder = root + "/in\xFF" "folder";
    test::makeDirBytes(folder);
    const QString atomic = stringWithFileSystemRepresentation(folder + "/bad\xFFname");
    const QString inPlace = stringWithFileSystemRepresentation(folder + "/bad\xFEname");
    const QString plist = stringWithFileSystemRepresentation(folder + "/p\xFF.plist");
    ASSERT_TRUE(atomic.contains(QChar(0xDCFF)));

    ASSERT_TRUE(writeFileAtomically(atomic, "atomic"));
    ASSERT_TRUE(writeFileInPlace(inPlace, "in place"));
    ASSERT_TRUE(writePropertyListFile(plist, QVariantMap{{"k", true}}));
    EXPECT_EQ(test::readFileBytes(root + "/in\xFF" "folder/bad\xFFname"), "atomic");
    EXPECT_EQ(test::readFileBytes(root + "/in\xFF" "folder/bad\xFEname"), "in place");

    QByteArray data;
    EXPECT_EQ(readRegularFile(atomic, 100, &data), FileReadStatus::Read);
    EXPECT_EQ(data, "atomic");
    EXPECT_EQ(readPropertyListFile(plist).toMap().value("k"), QVariant(true));
}

TEST(AtomicFileTest, NewFilesTakeTheUmask)
{
    test::TempTree tree;
    const UmaskGuard mask(027);
    const QString fresh = tree.filePath("fresh");
    ASSERT_TRUE(writeFileAtomically(fresh, "x"));
    EXPECT_EQ(modeOf(QFile::encodeName(fresh)), 0640u);
    EXPECT_EQ(currentUmask(), 027);
}

// Setting the umask to read it would let a file made by another thread at
// that moment be world-writable. A watcher samples it while files are made.
TEST(AtomicFileTest, WritingNeverChangesTheUmask)
{
    if (currentUmask() < 0)
        GTEST_SKIP() << "no /proc/self/status";
    test::TempTree tree;
    const UmaskGuard mask(022);
    std::atomic<bool> done{false};
    std::atomic<int> changed{0};
    std::thread watcher([&] {
        while (!done.load()) {
            if (currentUmask() != 022)
                changed.fetch_add(1);
        }
    });
    for (int i = 0; i < 100; ++i) {
        const QString path = tree.filePath(QStringLiteral("f%1").arg(i));
        EXPECT_TRUE(writeFileAtomically(path, "x"));
        ::unlink(QFile::encodeName(path).constData());
    }
    done.store(true);
    watcher.join();
    EXPECT_EQ(changed.load(), 0);
}

struct ReadCase
{
    const char* name;
    std::function<QString(test::TempTree&)> make;
    FileReadStatus status;
};

void PrintTo(const ReadCase& row, std::ostream* out)
{
    *out << row.name << " => status " << int(row.status);
}

class ReadRegularFileTest : public testing::TestWithParam<ReadCase>
{
};

TEST_P(ReadRegularFileTest, AcceptsOnlyRegularFilesWithinTheLimit)
{
    test::TempTree tree;
    const QString path = GetParam().make(tree);
    QByteArray data("stale");
    QString error;
    EXPECT_EQ(readRegularFile(path, 8, &data, &error), GetParam().status);
    if (GetParam().status == FileReadStatus::Read) {
        EXPECT_EQ(data, "12345678");
        EXPECT_TRUE(error.isEmpty());
    } else {
        EXPECT_TRUE(data.isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
}

QString makeFifo(test::TempTree& temp)
{
    const QString path = temp.filePath("fifo");
    EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    return path;
}

QString makeLinkToDevZero(test::TempTree& temp)
{
    const QString path = temp.filePath("zero");
    EXPECT_EQ(::symlink("/dev/zero", QFile::encodeName(path).constData()), 0);
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    Items, ReadRegularFileTest,
    testing::Values(
        ReadCase{"AtTheLimit", [](test::TempTree& temp) { return temp.writeFile("f", "12345678"); },
                 FileReadStatus::Read},
        ReadCase{"OverTheLimit", [](test::TempTree& temp) { return temp.writeFile("f", "123456789"); },
                 FileReadStatus::TooLarge},
        ReadCase{"GrowingProcFile", [](test::TempTree&) { return QStringLiteral("/proc/self/status"); },
                 FileReadStatus::TooLarge},
        ReadCase{"Missing", [](test::TempTree& temp) { return temp.filePath("missing"); }, FileReadStatus::Missing},
        ReadCase{"Null", [](test::TempTree&) { return QString(); }, FileReadStatus::Missing},
        ReadCase{"Folder", [](test::TempTree& temp) { return temp.path(); }, FileReadStatus::NotRegular},
        ReadCase{"Fifo", makeFifo, FileReadStatus::NotRegular},
        ReadCase{"LinkToDevZero", makeLinkToDevZero, FileReadStatus::NotRegular}),
    [](const testing::TestParamInfo<ReadCase>& row) { return std::string(row.param.name); });

} // namespace

// A read asks whether to stop before each step of 256 KB and, told to,
// ends there with nothing kept; a read never told to reads it all.
TEST(ReadRegularFileStopTest, AStopEndsTheReadBetweenSteps)
{
    test::TempTree tree;
    constexpr qsizetype kSize = 4 * 1024 * 1024;
    const QByteArray contents(kSize, 'x');
    const QString path = tree.writeFile("large", contents);
    for (const int stopAt : {1, 3, 10}) {
        SCOPED_TRACE(stopAt);
        int asked = 0;
        QByteArray data("stale");
        QString error;
        EXPECT_EQ(readRegularFile(path, kSize, &data, &error, [&] { return ++asked == stopAt; }),
                  FileReadStatus::Failed);
        EXPECT_EQ(asked, stopAt);
        EXPECT_TRUE(data.isEmpty());
        EXPECT_EQ(error, QStringLiteral("The reading was stopped"));
    }
    int asked = 0;
    QByteArray data;
    EXPECT_EQ(readRegularFile(path, kSize, &data, nullptr, [&] { return ++asked < 0; }), FileReadStatus::Read);
    EXPECT_TRUE(data == contents);
    EXPECT_GE(asked, kSize / (256 * 1024));
}
