#include "interface/strings_file.h"

#include "localization_fixture.h"
#include "tests/support/log_capture.h"

#include <QFileInfo>
#include <QStringEncoder>

namespace sorvant {
namespace {

TEST(StringsWriter, WritesExactLinesWithTheFiveEscapesOnly)
{
    const StringsTable table{{"a\"b", "x\ny"}, {"back\\slash", "tab\there\r"}, {"Ökonomie", "€"}};
    EXPECT_EQ(stringsRepresentation(table),
              QByteArray("\"a\\\"b\" = \"x\\ny\";\n"
                         "\"back\\\\slash\" = \"tab\\there\\r\";\n"
                         "\"\xC3\x96konomie\" = \"\xE2\x82\xAC\";\n"));
    EXPECT_TRUE(stringsRepresentation({}).isEmpty());
}

TEST(StringsWriter, EmptyTableMakesAnEmptyFileAndFailureIsReported)
{
    test::TempTree tree;
    const QString path = tree.filePath("Empty.strings");
    ASSERT_TRUE(writeStringsToFile({}, path));
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_FALSE(writeStringsToFile({{"a", "b"}}, tree.filePath("missing/dir/x.strings")));
}

TEST(StringsReader, ReadsWhatTheWriterWrites)
{
    test::TempTree tree;
    // Regression: a value ending in a backslash ("C:\\") escaped its closing
    // quote, and the reader refused the whole file.
    const StringsTable table{{"Quote \"q\"", "Zitat\t\"z\""}, {"Line\nbreak", "Zeilen\r\numbruch"}, {"", "leer"},
                             {"Drive", "C:\\"}, {"Escape \\n", "\\\"\\t\\\\"}};
    const QString path = tree.filePath("T.strings");
    ASSERT_TRUE(writeStringsToFile(table, path));
    EXPECT_EQ(readStringsFile(path), table);
}

TEST(StringsReader, ReadsUtf16WithCommentsUnquotedKeysAndEscapes)
{
    const QString text = QStringLiteral(
        "/* block\n comment */\n"
        "// line comment\n"
        "\"File\" = \"Datei\"; // trailing\n"
        "plain_key = \"\\U00e4\\\\\\101\";\n"
        "\"Alone\";\n"
        "\"Empty\" = \"\";");
    const std::optional<StringsTable> expected =
        StringsTable{{"File", "Datei"}, {"plain_key", QString::fromUtf8("ä\\A")}, {"Alone", "Alone"}, {"Empty", ""}};
    for (auto encoding : {QStringEncoder::Utf16LE, QStringEncoder::Utf16BE, QStringEncoder::Utf8}) {
        SCOPED_TRACE(int(encoding));
        QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
        const QByteArray data = encoder.encode(text);
        EXPECT_EQ(stringsTableFromData(data), expected);
    }
}

TEST(StringsReader, RejectsBrokenTextNamingTheLine)
{
    for (const char* text : {"\"a\" = ", "\"a\" = \"b\"", "\"unterminated", "/* open", "= \"b\";", "\"a\" \"b\";"}) {
        SCOPED_TRACE(text);
        QString error;
        EXPECT_FALSE(stringsTableFromData(text, &error).has_value());
        EXPECT_TRUE(error.contains("line")) << error.toStdString();
    }
    EXPECT_EQ(stringsTableFromData(""), StringsTable());
}

class StringsFilesNamedTest : public test::LocalizedBundleTest
{
};

TEST_F(StringsFilesNamedTest, FirstTableWinsAndEachConflictIsLogged)
{
    writeTable("en", "A", "\"x\" = \"1\";");
    writeTable("en", "B", "\"x\" = \"2\"; \"y\" = \"3\";");
    test::LogCapture log;
    EXPECT_EQ(stringsFilesNamed(Bundle::mainBundle(), {"A", "B"}), (StringsTable{{"x", "1"}, {"y", "3"}}));
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().front().contains("Different values for key x: 1!=2"));

    EXPECT_EQ(stringsFilesNamed(Bundle::mainBundle(), {"Missing", "B"}), (StringsTable{{"x", "2"}, {"y", "3"}}));
    EXPECT_FALSE(stringsFilesNamed(Bundle::mainBundle(), {QString(), "B"}).has_value());
    EXPECT_FALSE(stringsFilesNamed(Bundle::mainBundle(), {"Missing"}).has_value());
}

TEST_F(StringsFilesNamedTest, LanguageChoosesTheLocalizationFolder)
{
    writeTable("en", "Localizable", "\"File\" = \"File\";");
    writeTable("de", "Localizable", "\"File\" = \"Datei\";");
    EXPECT_EQ(stringsTableLookup(Bundle::mainBundle(), {}, "File"), "File");
    setLanguage("de-AT");
    EXPECT_EQ(stringsTableLookup(Bundle::mainBundle(), {}, "File"), "Datei");
    EXPECT_EQ(Bundle::mainBundle().localizedStringForKey("File", ""), "Datei");
    EXPECT_EQ(Bundle::mainBundle().localizedStringForKey("Edit", ""), "Edit");
    EXPECT_TRUE(stringsTableLookup(Bundle::mainBundle(), {}, "Edit").isNull());
}

TEST(ShippedTables, EveryLanguageParsesAndCoversTheEnglishKeys)
{
    const Bundle shipped(findResourcesFolder(), {});
    const QStringList languages = bundleLocalizations(shipped);
    ASSERT_TRUE(languages.contains("en"));
    ASSERT_TRUE(languages.contains("de"));
    for (const QString& table : {QStringLiteral("Localizable"), QStringLiteral("Velmor")}) {
        const auto english = readStringsFile(shipped.resourcePath() + "/en.lproj/" + table + ".strings");
        ASSERT_TRUE(english.has_value());
        for (const QString& language : languages) {
            SCOPED_TRACE((language + "/" + table).toStdString());
            QString error;
            const auto other =
                readStringsFile(shipped.resourcePath() + "/" + language + ".lproj/" + table + ".strings", &error);
            ASSERT_TRUE(other.has_value()) << error.toStdString();
            EXPECT_EQ(other->keys(), english->keys());
        }
    }
}

TEST(IsoCodes, NamesCountriesAndLanguages)
{
    const StringsTable countries = localizedISOCountryCodes();
    const StringsTable languages = localizedISOLanguageCodes();
    EXPECT_EQ(countries.value("DE"), "Germany");
    EXPECT_EQ(languages.value("fr"), "French");
    EXPECT_GT(countries.size(), 200);
}

} // namespace
} // namespace sorvant
