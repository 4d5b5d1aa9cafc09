#include "interface/image_representations.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

struct TypeCase
{
    const char* type;
    QString extension;
};
void PrintTo(const TypeCase& row, std::ostream* out) { *out << row.type; }

class ExtensionForType : public testing::TestWithParam<TypeCase> {};

TEST_P(ExtensionForType, Maps)
{
    EXPECT_EQ(pathExtensionForType(QString::fromLatin1(GetParam().type)), GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExtensionForType,
    testing::Values(TypeCase{"'JPEG'", "jpg"}, TypeCase{"'jpeg'", QString()}, TypeCase{"'ABCD'", QString()},
                    TypeCase{"'PDF '", "pdf"}, TypeCase{"'.SGI'", "sgi"}, TypeCase{"'FPix'", "fpix"},
                    TypeCase{"png", "png"}, TypeCase{"a/b/c", "a/b/c"}, TypeCase{"image/x-portable-pixmap", "ppm"},
                    TypeCase{"image/vnd.adobe.photoshop", "psd"}, TypeCase{"image/x-", QString()},
                    TypeCase{"image/x-p", QString()}, TypeCase{"image/", QString()}, TypeCase{"image/p", QString()},
                    TypeCase{"image/png", "png"}, TypeCase{"application/postscript", "ps"},
                    TypeCase{"image/JPEG", "jpg"}, TypeCase{"image/svg+xml", "svg+xml"},
                    TypeCase{"image/x-svg-xml", "svg"}, TypeCase{"image/foo.", ""}, TypeCase{"", QString()}),
    [](const auto& row) {
        std::string name;
        for (char c : std::string(row.param.type))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return "T" + std::to_string(row.index) + "_" + name;
    });

TEST(ExtensionForType, EmptyAnswerOfATrailingDotIsNotNull)
{
    EXPECT_FALSE(pathExtensionForType(QStringLiteral("image/foo.")).isNull());
    EXPECT_TRUE(pathExtensionForType(QString()).isNull());
}

struct DataCase
{
    const char* name;
    QByteArray data;
    QString extension;
};
void PrintTo(const DataCase& row, std::ostream* out) { test::printRowName(row, out); }

class ExtensionForData : public testing::TestWithParam<DataCase> {};

TEST_P(ExtensionForData, FindsTheFirstSignatureInOrder)
{
    EXPECT_EQ(pathExtensionForData(GetParam().data), GetParam().extension);
}

QByteArray padded(const QByteArray& head, qsizetype size, const QByteArray& tail = {})
{
    return head + QByteArray(size - head.size() - tail.size(), ' ') + tail;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExtensionForData,
    testing::Values(DataCase{"ThreeBytes", "%PD", QString()}, DataCase{"Empty", QByteArray(), QString()},
                    DataCase{"Png", QByteArray("\x89PNG\r\n\x1a\n", 8), "png"},
                    DataCase{"PdfAtStart", "%PDF-1.4", "pdf"},
                    DataCase{"PdfBeyondWindow", padded("GARBAGE", 1100, "%PDF"), QString()},
                    DataCase{"GifWithPdfInsideIsPdf", padded("GIF89a", 200, "%PD  "), "pdf"},
                    DataCase{"Gif", "GIF87a..", "gif"}, DataCase{"JpegJfif", "\xff\xd8\xff\xe0..JFIF", "jpg"},
                    DataCase{"Tiff", "II*.TIF.", "tiff"}, DataCase{"TiffLittleEndianHeader", QByteArray("II*\0\x08\0\0\0", 8), "tiff"},
                    DataCase{"TiffBigEndianHeader", QByteArray("MM\0*\0\0\0\x08", 8), "tiff"},
                    DataCase{"ExifInsideIsNotTiff", QByteArray("\xff\xd8\xff\xe1..Exif\0\0MM\0*....", 20), QString()}, DataCase{"Jp2", "....ftypjp2 ", "jp2"},
                    DataCase{"Psd", "8BPS....Photoshop", "psd"}, DataCase{"PdfTooLateInShortData", "xx%PD", QString()},
                    DataCase{"Unknown", "hello world", QString()}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(BitmapFileTypes, ExtensionsByNumber)
{
    const QStringList expected{"tiff", "bmp", "gif", "jpg", "png", "jp2"};
    for (int type = 0; type < 6; ++type)
        EXPECT_EQ(pathExtensionForBitmapImageFileType(type), expected.at(type));
    EXPECT_TRUE(pathExtensionForBitmapImageFileType(6).isNull());
    EXPECT_TRUE(pathExtensionForBitmapImageFileType(-1).isNull());
}

TEST(BitmapFileTypes, EncodedDataReadsBackAsItsType)
{
    QImage pixels(4, 3, QImage::Format_ARGB32);
    pixels.fill(QColor(10, 200, 30));
    const ImageRep rep = ImageRep::bitmap(pixels);
    // (No GIF writer exists here; BMP has no signature in the table.)
    for (auto type : {BitmapImageFileType::TIFF, BitmapImageFileType::PNG, BitmapImageFileType::BMP,
                      BitmapImageFileType::JPEG}) {
        SCOPED_TRACE(int(type));
        const QByteArray data = rep.representationUsingType(type, 0.9);
        ASSERT_FALSE(data.isEmpty());
        if (type != BitmapImageFileType::BMP) {
            EXPECT_EQ(pathExtensionForData(data), pathExtensionForBitmapImageFileType(int(type)));
        }
        const QImage back = QImage::fromData(data);
        EXPECT_EQ(back.size(), QSize(4, 3));
    }
    EXPECT_TRUE(ImageRep::eps("%!PS", QSizeF(1, 1)).representationUsingType(BitmapImageFileType::PNG, 1).isNull());
    EXPECT_EQ(rep.rawData().size(), 4 * 3 * 4);
}

TEST(Symbols, TableAndFallbacks)
{
    EXPECT_EQ(freedesktopIconNameForSymbol(QStringLiteral("gear")), QStringLiteral("preferences-system"));
    EXPECT_TRUE(freedesktopIconNameForSymbol(QStringLiteral("no.such.symbol")).isNull());
    // No icon theme on a bare machine: the shipped pictures answer.
    EXPECT_EQ(symbolPixels(QStringLiteral("magnifyingglass"), QSize(24, 24)).size(), QSize(24, 24));
    EXPECT_FALSE(symbolPixels(QStringLiteral("qx.eye"), QSize(16, 16)).isNull());
    EXPECT_TRUE(symbolPixels(QStringLiteral("no.such.symbol"), QSize(16, 16)).isNull());
    EXPECT_TRUE(symbolPixels(QStringLiteral("gear"), QSize(0, 16)).isNull());
}

} // namespace
} // namespace sorvant
