#include "interface/interface_defaults.h"

#include "interface/colors.h"
#include "interface/version_gates.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "platform/user_defaults.h"
#include "system/standard_folders.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>

namespace sorvant {
namespace {

class InterfaceDefaults : public testing::Test
{
protected:
    // Every value is read back through a second object on the same file, so
    // it has been through the property-list file.
    UserDefaults& reopened()
    {
        m_reader = std::make_unique<UserDefaults>(m_path);
        return *m_reader;
    }

    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(QStringLiteral("defaults.plist"));
    UserDefaults m_defaults{m_path};
    std::unique_ptr<UserDefaults> m_reader;
};

TEST_F(InterfaceDefaults, ColorsRoundTripBySpace)
{
    const Color fallback = Color::deviceWhite(0.5, 0.5);
    const struct { const char* name; Color stored; Color expected; } rows[] = {
        {"device RGB, single precision", Color::deviceRGB(0.1, 0.2, 0.3, 1),
         Color::deviceRGB(double(0.1f), double(0.2f), double(0.3f), 1)},
        {"calibrated RGB", Color::calibratedRGB(1, 0.5, 0.25, 0.75), Color::calibratedRGB(1, 0.5, 0.25, 0.75)},
        {"calibrated white", Color::calibratedWhite(0.25, 0.5), Color::calibratedWhite(0.25, 0.5)},
        {"device white", Color::deviceWhite(1, 1), Color::deviceWhite(1, 1)},
        {"CMYK", Color::deviceCMYK(0.5, 0.25, 0.125, 0, 1), Color::deviceCMYK(0.5, 0.25, 0.125, 0, 1)},
        {"catalogue", controlTextColor(), controlTextColor()},
        {"unknown catalogue colour", Color::named(QStringLiteral("System"), QStringLiteral("noSuchColor")), fallback},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        setColor(m_defaults, row.stored, QStringLiteral("Ink"));
        EXPECT_EQ(colorForKey(reopened(), QStringLiteral("Ink"), fallback), row.expected);
    }

    setColor(m_defaults, Color::pattern(QVariant(QStringLiteral("tile"))), QStringLiteral("Ink"));
    EXPECT_EQ(colorForKey(reopened(), QStringLiteral("Ink"), fallback).colorSpace(), Color::ColorSpace::CalibratedRGB);

    setColor(m_defaults, Color(), QStringLiteral("Ink"));
    EXPECT_FALSE(reopened().objectForKey(QStringLiteral("Ink")).isValid());
}

TEST_F(InterfaceDefaults, MalformedColorDictionariesGiveTheDefault)
{
    const Color fallback = Color::redColor();
    const QVariantMap dictionaries[] = {
        {{QStringLiteral("red"), 1.0}},
        {{QStringLiteral("colorSpace"), QStringLiteral("Pattern")}},
        {{QStringLiteral("colorSpace"), QStringLiteral("Named")}, {QStringLiteral("color"), QStringLiteral("textColor")}},
    };
    for (const QVariantMap& dictionary : dictionaries) {
        SCOPED_TRACE(dictionary.keys().join(QLatin1Char(',')).toStdString());
        m_defaults.setObject(dictionary, QStringLiteral("Ink"));
        EXPECT_EQ(colorForKey(reopened(), QStringLiteral("Ink"), fallback), fallback);
    }
    // A missing component reads as 0.
    m_defaults.setObject(QVariantMap{{QStringLiteral("colorSpace"), QStringLiteral("DeviceWhite")},
                                     {QStringLiteral("alpha"), 1.0}},
                         QStringLiteral("Ink"));
    EXPECT_EQ(colorForKey(reopened(), QStringLiteral("Ink"), fallback), Color::deviceWhite(0, 1));
}

TEST_F(InterfaceDefaults, FontsRoundTripByNameAndSize)
{
    QFont bold(QStringLiteral("DejaVu Sans"));
    bold.setPointSizeF(12);
    bold.setBold(true);
    setFont(m_defaults, bold, QStringLiteral("Font"), QStringLiteral("FontSize"));
    const auto read = fontWithNameKey(reopened(), QStringLiteral("Font"), QStringLiteral("FontSize"));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(QFontInfo(*read).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(QFontInfo(*read).bold());
    EXPECT_DOUBLE_EQ(read->pointSizeF(), 12.0);

    // A bold font is stored under its style name; half points used to be
    // rounded to whole ones when it was read back.
    bold.setPointSizeF(10.5);
    setFont(m_defaults, bold, QStringLiteral("Font"), QStringLiteral("FontSize"));
    const auto half = fontWithNameKey(reopened(), QStringLiteral("Font"), QStringLiteral("FontSize"));
    ASSERT_TRUE(half.has_value());
    EXPECT_TRUE(QFontInfo(*half).bold());
    EXPECT_DOUBLE_EQ(half->pointSizeF(), 10.5);

    const QFont fallback(QStringLiteral("DejaVu Serif"), 9);
    m_defaults.setObject(QStringLiteral("No Such Font Family"), QStringLiteral("Font"));
    EXPECT_FALSE(fontWithNameKey(reopened(), QStringLiteral("Font"), 10.0).has_value());
    EXPECT_EQ(fontWithNameKey(reopened(), QStringLiteral("Font"), QString(), 9, fallback), fallback);
    EXPECT_DOUBLE_EQ(fontWithNameKey(reopened(), QStringLiteral("Font"), QString(), 9, std::nullopt).pointSizeF(), 9.0);

    m_defaults.setObject(QStringLiteral(".SFNSMono-Bold"), QStringLiteral("Font"));
    const auto mono = fontWithNameKey(reopened(), QStringLiteral("Font"), 11.0);
    ASSERT_TRUE(mono.has_value());
    EXPECT_TRUE(mono->bold());
    {
        // Older systems look the name up as an ordinary font, which is not installed.
        ScopedVersionGates old({.systemMajor = 10, .systemMinor = 14});
        EXPECT_FALSE(fontWithNameKey(reopened(), QStringLiteral("Font"), 11.0).has_value());
    }

    setFont(m_defaults, std::nullopt, QStringLiteral("Font"), QStringLiteral("FontSize"));
    EXPECT_FALSE(reopened().objectForKey(QStringLiteral("FontSize")).isValid());
    EXPECT_FALSE(fontWithNameKey(reopened(), QStringLiteral("Font"), 10.0).has_value());
}

TEST_F(InterfaceDefaults, DownloadFolderWithBookmark)
{
    EXPECT_EQ(downloadDirectory(m_defaults), downloadsDirectory());

    const QString folder = QDir::home().filePath(QStringLiteral("Incoming"));
    ASSERT_TRUE(QDir().mkpath(folder));
    setDownloadDirectory(m_defaults, folder);
    EXPECT_EQ(reopened().objectForKey(kDownloadDirectoryKey).toString(), QStringLiteral("~/Incoming"));
    EXPECT_EQ(downloadDirectory(reopened()), folder);
    EXPECT_EQ(startAccessingBookmarkData(reopened().objectForKey(kDownloadDirectoryBookmarkKey).toByteArray()), folder);

    // The folder already in effect keeps its bookmark.
    m_defaults.setObject(QByteArray("kept"), kDownloadDirectoryBookmarkKey);
    setDownloadDirectory(m_defaults, folder);
    EXPECT_EQ(reopened().objectForKey(kDownloadDirectoryBookmarkKey).toByteArray(), QByteArray("kept"));

    // A folder that is gone has no bookmark; removing the path goes back to Downloads.
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_TRUE(startAccessingBookmarkData(QFile::encodeName(folder)).isNull());
    setDownloadDirectory(m_defaults, QString());
    EXPECT_EQ(downloadDirectory(reopened()), downloadsDirectory());
    EXPECT_FALSE(reopened().objectForKey(kDownloadDirectoryBookmarkKey).isValid());
}

TEST_F(InterfaceDefaults, DownloadFolderNotInUTF8KeepsItsBytes)
{
    // Written as a plain string, the name came back as "bad??name" and the
    // bookmark, made through UTF-8, named no folder.
    const QByteArray bytes = QFile::encodeName(m_dir.path()) + "/bad\xff\xfename";
    ASSERT_EQ(::mkdir(bytes.constData(), 0700), 0);
    const QString folder = stringWithFileSystemRepresentation(bytes);
    setDownloadDirectory(m_defaults, folder);
    EXPECT_TRUE(reopened().objectForKey(kDownloadDirectoryKey).toString().startsWith(u"file:///"));
    EXPECT_EQ(fileSystemRepresentation(downloadDirectory(reopened())), bytes);
    const QByteArray bookmark = reopened().objectForKey(kDownloadDirectoryBookmarkKey).toByteArray();
    EXPECT_EQ(bookmark, bytes);
    EXPECT_EQ(fileSystemRepresentation(startAccessingBookmarkData(bookmark)), bytes);
}

} // namespace
} // namespace sorvant
