#include "platform/file_system_representation.h"

#include "tests/support/temp_tree.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

struct RoundTrip {
    const char* name;
    QByteArray bytes;
    QString string;
};
void PrintTo(const RoundTrip& row, std::ostream* out) { test::printRowName(row, out); }

class FileSystemRepresentationRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(FileSystemRepresentationRoundTrip, DecodesAndEncodesBack)
{
    const RoundTrip& row = GetParam();
    EXPECT_EQ(stringWithFileSystemRepresentation(row.bytes), row.string);
    EXPECT_EQ(fileSystemRepresentation(row.string), row.bytes);
    EXPECT_EQ(fileSystemRepresentationLength(row.string), row.bytes.size());
}

QString units(std::initializer_list<char16_t> list)
{
    return QString(reinterpret_cast<const QChar*>(std::data(list)), qsizetype(list.size()));
}

INSTANTIATE_TEST_SUITE_P(Rows, FileSystemRepresentationRoundTrip, ::testing::Values(
    RoundTrip{"Ascii", "plain.txt", "plain.txt"},
    RoundTrip{"Empty", QByteArray(""), QString("")},
    RoundTrip{"Latin", "caf\xC3\xA9", QString::fromUtf8("café")},
    RoundTrip{"Decomposed", "cafe\xCC\x81", QString::fromUtf8("cafe\xCC\x81")},
    RoundTrip{"Astral", "\xF0\x9F\x98\x80", QString::fromUtf8("\xF0\x9F\x98\x80")},
    RoundTrip{"LoneHighByte", "a\xFF" "b", units({'a', 0xDCFF, 'b'})},
    RoundTrip{"Latin1Name", "\xE9t\xE9", units({0xDCE9, 't', 0xDCE9})},
    RoundTrip{"EncodedSurrogate", "\xED\xB2\x80", units({0xDCED, 0xDCB2, 0xDC80})},
    RoundTrip{"Overlong", "\xC0\xAF", units({0xDCC0, 0xDCAF})},
    RoundTrip{"TruncatedAtEnd", "ok\xE2\x82", units({'o', 'k', 0xDCE2, 0xDC82})},
    RoundTrip{"TruncatedBeforeAscii", "\xE2\x82x", units({0xDCE2, 0xDC82, 'x'})},
    RoundTrip{"AboveUnicode", "\xF4\x90\x80\x80", units({0xDCF4, 0xDC90, 0xDC80, 0xDC80})},
    RoundTrip{"StrayContinuation", "\x80\xC3\xA9", units({0xDC80, 0xE9})}),
    [](const ::testing::TestParamInfo<RoundTrip>& row) { return std::string(row.param.name); });

TEST(FileSystemRepresentation, NullAndNul)
{
    EXPECT_TRUE(fileSystemRepresentation(QString()).isNull());
    EXPECT_TRUE(stringWithFileSystemRepresentation(QByteArray()).isNull());
    EXPECT_FALSE(fileSystemRepresentation(QString("")).isNull());
    EXPECT_FALSE(stringWithFileSystemRepresentation(QByteArray("")).isNull());
    EXPECT_TRUE(fileSystemRepresentation(units({'a', 0, 'b'})).isNull());
    EXPECT_EQ(fileSystemRepresentationLength(QString()), -1);
}

TEST(FileSystemRepresentation, UnpairedSurrogatesOutsideTheEscapesBecomeReplacement)
{
    EXPECT_EQ(fileSystemRepresentation(units({0xD800, 'x'})), QByteArray("\xEF\xBF\xBDx"));
    EXPECT_EQ(fileSystemRepresentation(units({0xDC10})), QByteArray("\xEF\xBF\xBD"));
}

TEST(FileSystemRepresentation, EveryByteAfterAPrefixRoundTrips)
{
    for (int first = 0x01; first <= 0xFF; ++first) {
        for (int second : {0x00, 0x41, 0x80, 0xA0, 0xBF, 0xC3, 0xFF}) {
            QByteArray bytes;
            bytes.append(char(first));
            if (second)
                bytes.append(char(second));
            SCOPED_TRACE(bytes.toHex().toStdString());
            EXPECT_EQ(fileSystemRepresentation(stringWithFileSystemRepresentation(bytes)), bytes);
        }
    }
}

TEST(FileSystemRepresentation, RandomByteNamesRoundTrip)
{
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        const int size = length(random);
        for (int i = 0; i < size; ++i)
            bytes.append(char(byte(random)));
        const QString decoded = stringWithFileSystemRepresentation(bytes);
        ASSERT_EQ(fileSystemRepresentation(decoded), bytes) << bytes.toHex().toStdString();
        // Valid UTF-8 decodes exactly as Qt decodes it.
        if (QString::fromUtf8(bytes).toUtf8() == bytes) {
            ASSERT_EQ(decoded, QString::fromUtf8(bytes)) << bytes.toHex().toStdString();
        }
    }
}

TEST(FileSystemRepresentation, NonUtf8FileNameRoundTripsThroughTheDisk)
{
    test::TempTree tree;
    const QByteArray name("r\xE9sum\xE9-\xFF.txt");
    const QByteArray folder = fileSystemRepresentation(tree.path());
    const int fd = ::open((folder + "/" + name).constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);

    DIR* dir = ::opendir(folder.constData());
    ASSERT_NE(dir, nullptr);
    QString found;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.')
            found = stringWithFileSystemRepresentation(QByteArray(entry->d_name));
    }
    ::closedir(dir);
    ASSERT_FALSE(found.isEmpty());
    const QByteArray back = fileSystemRepresentation(tree.path() + "/" + found);
    struct stat status {};
    EXPECT_EQ(::stat(back.constData(), &status), 0);
    EXPECT_EQ(::unlink(back.constData()), 0);
}

// A path leaves the process as a URL (drops, the clipboard, other programs)
// and comes back from one with every byte it had.
TEST(FileURLs, NamesThatAreNotUTF8KeepTheirBytesThroughURLsAndTheClipboard)
{
    const QString cafe = QStringLiteral("/a/caf") + QChar(0xE9);
    struct Case {
        QString path;
        QByteArray encoded;
    };
    const Case cases[] = {
        {cafe, "file:///a/caf%C3%A9"},
        {QStringLiteral("/a/") + QChar(0xDCFF) + QStringLiteral("b"), "file:///a/%FFb"},
        {QStringLiteral("/tmp/50% #1?.txt"), "file:///tmp/50%25%20%231%3F.txt"},
        {QStringLiteral("/"), "file:///"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoded.toStdString());
        const QUrl url = fileURLWithRepresentation(c.path);
        EXPECT_EQ(url.toEncoded(), c.encoded);
        EXPECT_EQ(pathOfFileURL(url), c.path);
        // What a drop or a paste hands over as text/uri-list comes back whole.
        QMimeData data;
        data.setUrls({url});
        ASSERT_EQ(data.urls().size(), 1);
        EXPECT_EQ(pathOfFileURL(data.urls().constFirst()), c.path);
    }
    // Qt's own URLs of UTF-8 names read back alike, and a relative path is
    // taken from the current folder.
    EXPECT_EQ(pathOfFileURL(QUrl::fromLocalFile(cafe + QStringLiteral(" b"))), cafe + QStringLiteral(" b"));
    EXPECT_EQ(pathOfFileURL(fileURLWithRepresentation(QStringLiteral("x"))), QDir::currentPath() + QStringLiteral("/x"));
    EXPECT_TRUE(fileURLWithRepresentation(QString()).isEmpty());
    EXPECT_TRUE(fileURLWithRepresentation(QStringLiteral("")).isEmpty());
    EXPECT_TRUE(fileURLWithRepresentation(QStringLiteral("/a") + QChar(0) + QStringLiteral("b")).isEmpty());
    EXPECT_TRUE(pathOfFileURL(QUrl(QStringLiteral("https://example.org/a"))).isNull());
    EXPECT_TRUE(pathOfFileURL(QUrl()).isNull());
}

} // namespace
} // namespace sorvant

namespace sorvant {
namespace {

// Settings are written as UTF-8: a path whose bytes are not UTF-8 is kept as
// its file URL, and what older versions wrote (a plain path) reads back.
TEST(StoredPaths, EveryByteComesBackAndOldValuesStillRead)
{
    const QString odd = QStringLiteral("/a/bad") + QChar(0xDCFF) + QChar(0xDCFE) + QStringLiteral("name");
    const struct
    {
        QString path;
        QString stored;
    } cases[] = {
        {QString::fromUtf8("/a/caf\xC3\xA9"), QString::fromUtf8("/a/caf\xC3\xA9")},
        {odd, QStringLiteral("file:///a/bad%FF%FEname")},
        {QStringLiteral("/a b/50%"), QStringLiteral("/a b/50%")},
        {QStringLiteral(""), QStringLiteral("")},
        {QString(), QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(storedStringOfPath(c.path), c.stored);
        EXPECT_EQ(storedStringOfPath(c.path).isNull(), c.stored.isNull());
        EXPECT_EQ(pathOfStoredString(c.stored), c.path);
    }
    EXPECT_EQ(pathOfStoredString(QStringLiteral("file:///a/%C3%A9%20b")), QString::fromUtf8("/a/\xC3\xA9 b"));
    // No file is named with U+0000: nothing is stored for it.
    EXPECT_TRUE(storedStringOfPath(QStringLiteral("/a") + QChar(0) + QStringLiteral("b")).isNull());
}

} // namespace
} // namespace sorvant
