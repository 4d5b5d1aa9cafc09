#include "web/toolkit/rich_text_files.h"

#include "platform/property_list.h"
#include "tests/support/temp_tree.h"

#include <QFile>
#include <QFont>
#include <QProcess>

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct TypeCase
{
    const char* extension;
    const char* type;
    bool attributed;
    bool text;
};

TEST(RichTextFileTypes, ExtensionAndTypeTests)
{
    const TypeCase cases[] = {
        {"TXT", "'ttro'", true, true},  {"txt", "'TEXT'", false, true}, {"ODT", "'TEXT'", false, true},
        {"ODT", "", true, false},       {"PY", "", false, true},       {"eps", "'TEXT'", false, false},
        {"xyz", "'TEXT'", false, true}, {"xyz", "", false, false},     {"", "'TERO'", false, true},
        {"ai", "'sEXT'", true, false},  {"zrtf", "", true, false},     {"webArchive", "", true, false},
        {"md", "", false, true},        {"", "'W8BN'", true, false},
    };
    for (const TypeCase& row : cases) {
        SCOPED_TRACE(std::string(row.extension) + " " + row.type);
        EXPECT_EQ(isAttributedExtension(QString::fromLatin1(row.extension), QString::fromLatin1(row.type)), row.attributed);
        EXPECT_EQ(isTextExtension(QString::fromLatin1(row.extension), QString::fromLatin1(row.type)), row.text);
    }
    EXPECT_EQ(AttributedFileTypes().size(), 41);
    EXPECT_EQ(plainTextExtensions().size(), 125);
    EXPECT_TRUE(isWordExtension(QStringLiteral("docx"), QString()));
    EXPECT_TRUE(isWordExtension(QString(), QStringLiteral("'W8TN'")));
    EXPECT_TRUE(isRTFExtension(QStringLiteral("Rtfd"), QString()));
    EXPECT_TRUE(isRTFExtension(QString(), QStringLiteral("'RTF '")));
    EXPECT_FALSE(isRTFExtension(QStringLiteral("zrtf"), QString()));
    EXPECT_TRUE(isTextClippingExtension(QStringLiteral("TEXTCLIPPING"), QString()));
    EXPECT_TRUE(isOpenOfficeFile(QStringLiteral("/a/report.SXW")));
    EXPECT_TRUE(isNisusWriterRTFFile(QStringLiteral("/a/b.ZRTF")));
    EXPECT_TRUE(isTextFile(QStringLiteral("/a/notes.markdown")));
    EXPECT_FALSE(isTextFile(QStringLiteral("/a/noextension")));
    EXPECT_TRUE(TextFileTypes().contains(QStringLiteral("TAMSETTSET")));
}

class NisusWriterFiles : public testing::Test
{
protected:
    // Writes `rtf` gzip-compressed to "a.zrtf".
    QString writeCompressed(const QByteArray& rtf)
    {
        QProcess gzip;
        gzip.start(QStringLiteral("/usr/bin/gzip"), {QStringLiteral("-c")});
        gzip.write(rtf);
        gzip.closeWriteChannel();
        EXPECT_TRUE(gzip.waitForFinished());
        return m_tree.writeFile(QStringLiteral("a.zrtf"), gzip.readAllStandardOutput());
    }
    test::TempTree m_tree;
};

TEST_F(NisusWriterFiles, DecompressesAndRemovesImageData)
{
    const QString source = writeCompressed(
        "{\\rtf1 a{\\*\\nisusimagedata \\nisusdataid1 0102}b{\\*\\nisusimagedata x\\nisusdataid2 0304}c}");
    const QString destination = m_tree.filePath(QStringLiteral("a.rtf"));
    ASSERT_TRUE(decompressNisusWriterRTFFile(source, destination));
    QFile file(destination);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("{\\rtf1 abc}"));
    EXPECT_FALSE(QFile::exists(m_tree.filePath(QStringLiteral("a.rtf.gz"))));
    EXPECT_TRUE(QFile::exists(source));
}

TEST_F(NisusWriterFiles, RefusesWhatItCannotRead)
{
    const QString plain = m_tree.writeFile(QStringLiteral("b.zrtf"), "not compressed");
    EXPECT_FALSE(decompressNisusWriterRTFFile(plain, m_tree.filePath(QStringLiteral("b.rtf"))));
    EXPECT_FALSE(decompressNisusWriterRTFFile(m_tree.filePath(QStringLiteral("none.zrtf")),
                                              m_tree.filePath(QStringLiteral("none.rtf"))));
    const QString misnamed = m_tree.writeFile(QStringLiteral("c.rtf"), "{\\rtf1 x}");
    EXPECT_FALSE(decompressNisusWriterRTFFile(misnamed, m_tree.filePath(QStringLiteral("d.rtf"))));
    EXPECT_FALSE(decompressNisusWriterRTFFile(QString(), m_tree.filePath(QStringLiteral("d.rtf"))));
}

TEST(TextClippings, ReadsRichTextThenPlainText)
{
    test::TempTree tree;
    const auto clipping = [&](const QString& name, const QVariantMap& data) {
        const QString path = tree.filePath(name);
        EXPECT_TRUE(writePropertyListFile(path, QVariantMap{{QStringLiteral("UTI-Data"), data}}));
        return path;
    };
    QVariantMap attributes;
    const auto rich = attributedStringWithContentsOfTextClipping(
        clipping(QStringLiteral("r.textClipping"), {{QStringLiteral("public.rtf"), QStringLiteral("{\\rtf1 {\\b Hi} there}")},
                                                    {QStringLiteral("public.utf8-plain-text"), QStringLiteral("plain")}}),
        &attributes);
    ASSERT_TRUE(rich.has_value());
    EXPECT_EQ(rich->string(), QStringLiteral("Hi there"));
    EXPECT_TRUE(rich->attributeAtIndex(QStringLiteral("Font"), 0).value<QFont>().bold());
    EXPECT_EQ(attributes.value(QStringLiteral("DocumentType")), QVariant(QStringLiteral("NSRTF")));

    const auto plain = attributedStringWithContentsOfTextClipping(
        clipping(QStringLiteral("p.clipping"), {{QStringLiteral("public.rtf"), QStringLiteral("damaged {")},
                                                {QStringLiteral("public.utf8-plain-text"), QStringLiteral("plain")}}),
        &attributes);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->string(), QStringLiteral("plain"));
    EXPECT_EQ(attributes.value(QStringLiteral("DocumentType")), QVariant(QStringLiteral("NSPlainText")));

    EXPECT_FALSE(attributedStringWithContentsOfTextClipping(
                     clipping(QStringLiteral("e.clipping"), {{QStringLiteral("public.png"), QByteArray("x")}}), &attributes)
                     .has_value());
    EXPECT_TRUE(attributes.isEmpty());
    EXPECT_FALSE(attributedStringWithContentsOfTextClipping(tree.writeFile(QStringLiteral("x.txt"), "a")).has_value());
    EXPECT_FALSE(attributedStringWithContentsOfTextClipping(tree.writeFile(QStringLiteral("y.clipping"), "garbage")).has_value());
    // Regression: a NUL inside a string stopped the process.
    const QByteArray nul = QByteArray("<plist><dict><key>UTI-Data</key><dict><key>public.utf8-plain-text</key>"
                                      "<string>a") + '\0' + "</string></dict></dict></plist>";
    EXPECT_FALSE(attributedStringWithContentsOfTextClipping(tree.writeFile(QStringLiteral("z.clipping"), nul)).has_value());
}

} // namespace
} // namespace sorvant
