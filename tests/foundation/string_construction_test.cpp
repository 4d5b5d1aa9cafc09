#include "foundation/string_construction.h"

#include "platform/file_system_representation.h"
#include "tests/support/temp_tree.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <sys/xattr.h>

using namespace sorvant;

namespace {

TEST(StringConstructionTest, EmptinessAcceptsNull)
{
    EXPECT_TRUE(isStringEmpty(QString()));
    EXPECT_TRUE(isStringEmpty(QString("")));
    EXPECT_FALSE(isStringEmpty(QString("a")));
    EXPECT_FALSE(isStringNotEmpty(QString()));
    EXPECT_FALSE(isStringNotEmpty(QString("")));
    EXPECT_TRUE(isStringNotEmpty(QString("a")));
}

TEST(StringConstructionTest, UniqueStringsAreUpperCaseUuids)
{
    const QString first = uniqueString();
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$")
                    .match(first)
                    .hasMatch())
        << first.toStdString();
    EXPECT_NE(first, uniqueString());
}

TEST(StringConstructionTest, ComponentsJoinUpToTheFirstNull)
{
    EXPECT_EQ(stringWithComponents({"a", "b"}), "a.b");
    EXPECT_EQ(stringWithComponents({"a", "b", QString(), "c"}), "a.b");
    EXPECT_EQ(stringWithComponents({"a"}), "a");
    EXPECT_EQ(stringWithComponents({"", "b"}), ".b");
    EXPECT_TRUE(stringWithComponents({QString(), "b"}).isNull());
    EXPECT_TRUE(stringWithComponents({}).isNull());
}

TEST(StringConstructionTest, BytesDecodeStrictly)
{
    EXPECT_EQ(stringWithData("caf\xc3\xa9", NSUTF8StringEncoding), QString::fromUtf8("café"));
    EXPECT_TRUE(stringWithData("caf\xe9", NSUTF8StringEncoding).isNull());
    EXPECT_EQ(stringWithData("caf\xe9", NSISOLatin1StringEncoding), QString::fromUtf8("café"));
    EXPECT_TRUE(stringWithData("caf\xe9", NSASCIIStringEncoding).isNull());
    EXPECT_EQ(stringWithData("", NSUTF8StringEncoding), QString(""));
    EXPECT_FALSE(stringWithData("", NSUTF8StringEncoding).isNull());
    EXPECT_TRUE(stringWithData("abc", 999).isNull());
    EXPECT_EQ(stringWithCString("a\0b", 3, NSUTF8StringEncoding), QString::fromUtf16(u"a\0b", 3));
    EXPECT_EQ(stringWithNullTerminatedCString("a\0b", NSUTF8StringEncoding), "a");
    EXPECT_TRUE(stringWithNullTerminatedCString(nullptr, NSUTF8StringEncoding).isNull());
    EXPECT_EQ(stringWithCharacter(u'\u00e9'), QString::fromUtf8("é"));
    EXPECT_EQ(stringWithCharacter(0).size(), 1);
}

struct FileCase
{
    const char* name;
    QByteArray contents;
    StringEncoding asked;
    const char16_t* text; // nullptr: null
    StringEncoding used;
};
void PrintTo(const FileCase& row, std::ostream* out) { sorvant::test::printRowName(row, out); }

class ContentsOfFileTest : public testing::TestWithParam<FileCase>
{
};

TEST_P(ContentsOfFileTest, ReportsTheEncodingUsed)
{
    const FileCase& c = GetParam();
    test::TempTree tree;
    const QString path = tree.writeFile("f.txt", c.contents);
    StringEncoding used = 12345;
    const QString text = stringWithContentsOfFile(path, c.asked, &used);
    if (c.text)
        EXPECT_EQ(text, QString::fromUtf16(c.text));
    else
        EXPECT_TRUE(text.isNull()) << text.toStdString();
    EXPECT_EQ(used, c.used);
    EXPECT_EQ(stringWithContentsOfFile(path, c.asked), text);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ContentsOfFileTest,
    testing::Values(FileCase{"Utf8Detected", "caf\xc3\xa9", 0, u"café", NSUTF8StringEncoding},
                    FileCase{"Utf8BomDropped", "\xef\xbb\xbfx", 0, u"x", NSUTF8StringEncoding},
                    FileCase{"Utf16LittleEndianBom", QByteArray("\xff\xfe" "a\0", 4), 0, u"a",
                             NSUnicodeStringEncoding},
                    FileCase{"Utf16BigEndianBom", QByteArray("\xfe\xff\0a", 4), 0, u"a", NSUnicodeStringEncoding},
                    FileCase{"LargeEncodingDetects", "abc", 4'294'967'280ULL, u"abc", NSUTF8StringEncoding},
                    FileCase{"Latin1FallsBackToAscii", "caf\xe9", 0, nullptr, NSASCIIStringEncoding},
                    FileCase{"Latin1AskedAsUtf8", "caf\xe9", NSUTF8StringEncoding, nullptr, NSUTF8StringEncoding},
                    FileCase{"Latin1Named", "caf\xe9", NSISOLatin1StringEncoding, u"café",
                             NSISOLatin1StringEncoding},
                    FileCase{"EmptyFile", "", 0, u"", NSUTF8StringEncoding}),
    [](const testing::TestParamInfo<FileCase>& row) { return std::string(row.param.name); });

TEST(StringConstructionTest, MissingFileIsNull)
{
    StringEncoding used = 0;
    EXPECT_TRUE(stringWithContentsOfFile("/no/such/file", 0, &used).isNull());
    EXPECT_EQ(used, NSASCIIStringEncoding);
    EXPECT_TRUE(stringWithContentsOfFile(QString(), NSUTF8StringEncoding, &used).isNull());
}

// Detection reads a file in the character set it declares in user.charset
// before the byte-order mark and UTF-8; the declaration was ignored, so a
// declared Latin-1 file read as null.
TEST(StringConstructionTest, DeclaredCharsetIsReadBeforeDetectionRegression)
{
    test::TempTree tree;
    const auto declare = [](const QString& path, const QByteArray& charset) {
        return ::setxattr(fileSystemRepresentation(path).constData(), kCharsetAttribute, charset.constData(),
                          size_t(charset.size()), 0) == 0;
    };
    const QString latin1 = tree.writeFile("latin1.txt", "caf\xe9");
    if (!declare(latin1, "ISO-8859-1"))
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    StringEncoding used = 0;
    EXPECT_EQ(stringWithContentsOfFile(latin1, 0, &used), QString::fromUtf8("café"));
    EXPECT_EQ(used, NSISOLatin1StringEncoding);
    // An encoding asked for still wins over the declaration.
    EXPECT_TRUE(stringWithContentsOfFile(latin1, NSUTF8StringEncoding).isNull());

    // A set without a platform number reports 0.
    const QString koi8 = tree.writeFile("koi8.txt", "\xf0\xd2\xc9\xd7\xc5\xd4");
    ASSERT_TRUE(declare(koi8, "KOI8-R"));
    EXPECT_EQ(stringWithContentsOfFile(koi8, 0, &used), QString::fromUtf8("Привет"));
    EXPECT_EQ(used, 0u);

    // Bytes the declared set cannot read, and an unknown name, fall to detection.
    const QString utf8 = tree.writeFile("utf8.txt", "caf\xc3\xa9");
    for (const QByteArray& charset : {QByteArray("US-ASCII"), QByteArray("x-no-such-charset")}) {
        SCOPED_TRACE(charset.toStdString());
        ASSERT_TRUE(declare(utf8, charset));
        EXPECT_EQ(stringWithContentsOfFile(utf8, 0, &used), QString::fromUtf8("café"));
        EXPECT_EQ(used, NSUTF8StringEncoding);
    }
}

TEST(StringConstructionTest, NamesThatAreNotUtf8KeepTheirBytes)
{
    test::TempTree tree;
    const QByteArray bytes = QFile::encodeName(tree.path()) + "/bad\xFFname";
    const QString path = stringWithFileSystemRepresentation(bytes);
    for (const bool atomically : {false, true}) {
        SCOPED_TRACE(atomically);
        ASSERT_TRUE(writeToFile(QStringLiteral("text"), path, atomically, NSUTF8StringEncoding));
        EXPECT_EQ(test::readFileBytes(bytes), "text");
        EXPECT_EQ(stringWithContentsOfFile(path, NSUTF8StringEncoding), QStringLiteral("text"));
    }
}

TEST(StringConstructionTest, WritersReportTheirEncoding)
{
    test::TempTree tree;
    const QString path = tree.filePath("out.txt");
    StringEncoding used = 0;
    EXPECT_EQ(defaultEncoding(), NSUTF8StringEncoding);
    ASSERT_TRUE(writeToFileUsingDefaultEncoding(QString::fromUtf8("é"), path, true, &used));
    EXPECT_EQ(used, NSUTF8StringEncoding);
    EXPECT_EQ(stringWithContentsOfFile(path, 0), QString::fromUtf8("é"));

    ASSERT_TRUE(writeToFileUsingSmallestEncoding(QString::fromUtf8("é"), path, false, &used));
    EXPECT_EQ(used, NSISOLatin1StringEncoding);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\xe9"));

    ASSERT_TRUE(writeToFileUsingFastestEncoding(QString::fromUtf8("日"), path, true, &used));
    EXPECT_EQ(used, NSUnicodeStringEncoding);
    EXPECT_EQ(stringWithContentsOfFile(path, 0), QString::fromUtf8("日"));

    // Text the encoding cannot hold is not written, and the file stays.
    EXPECT_FALSE(writeToFile(QString::fromUtf8("é"), path, true, NSASCIIStringEncoding));
    EXPECT_EQ(stringWithContentsOfFile(path, 0), QString::fromUtf8("日"));
    EXPECT_FALSE(writeToFile("x", tree.filePath("missing/out.txt"), false, NSUTF8StringEncoding));
}

TEST(StringConstructionTest, SmallestAndFastestEncodings)
{
    const struct
    {
        const char* text;
        StringEncoding smallest;
        StringEncoding fastest;
    } cases[] = {{"", NSASCIIStringEncoding, NSASCIIStringEncoding},
                 {"abc", NSASCIIStringEncoding, NSASCIIStringEncoding},
                 {"é", NSISOLatin1StringEncoding, NSUnicodeStringEncoding},
                 {"a€", NSUTF8StringEncoding, NSUnicodeStringEncoding},
                 {"日本語", NSUnicodeStringEncoding, NSUnicodeStringEncoding}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(smallestEncoding(QString::fromUtf8(c.text)), c.smallest);
        EXPECT_EQ(fastestEncoding(QString::fromUtf8(c.text)), c.fastest);
    }
}

} // namespace
