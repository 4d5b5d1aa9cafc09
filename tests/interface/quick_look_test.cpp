#include "interface/application.h"
#include "interface/preview_window.h"
#include "interface/quick_look.h"
#include "interface/responder_hooks.h"
#include "interface/table_cells.h"

#include "foundation/number_formatting.h"

#include "platform/background_work.h"
#include "platform/file_system_representation.h"
#include "platform/string_encoding.h"
#include "platform/user_defaults.h"
#include "tests/interface/support.h"
#include "tests/support/media_writer.h"
#include "tests/support/pdf_with_content.h"
#include "tests/interface/widget_helpers.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QPdfWriter>
#include <QScreen>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include <sys/xattr.h>
#include <unicode/ucnv.h>

namespace sorvant {
namespace {

// --- previews ------------------------------------------------------------------------

class Previews : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QImage picture(200, 100, QImage::Format_RGB32);
        picture.fill(Qt::red);
        png = tree.filePath(QStringLiteral("red.png"));
        ASSERT_TRUE(picture.save(png));
        text = tree.writeFile(QStringLiteral("notes.cpp"), "int main()\n{\n    return 0;\n}\n");
        unknown = tree.writeFile(QStringLiteral("blob.qqz"), QByteArray("\x00\x01\x02\xff", 4));
        pdf = tree.filePath(QStringLiteral("page.pdf"));
        QPdfWriter writer(pdf);
        QPainter painter(&writer);
        const QRect page = painter.viewport();
        painter.fillRect(QRect(page.width() / 4, page.height() / 4, page.width() / 2, page.height() / 2),
                         QColor(0, 0, 255));
        painter.end();
    }

    test::TempTree tree;
    QString png, text, unknown, pdf;
};

TEST_F(Previews, EachKindDrawsItsContent)
{
    const QSize size(300, 300);
    struct Case {
        QString path;
        PreviewKind kind;
        QPoint probe;
        QColor expected;
    };
    const QList<Case> cases{
        {png, PreviewKind::Picture, QPoint(150, 150), Qt::red},
        {pdf, PreviewKind::Pdf, QPoint(150, 150), QColor(0, 0, 255)},
        {text, PreviewKind::Text, QPoint(295, 295), Qt::white},
        {unknown, PreviewKind::Generic, QPoint(2, 2), QApplication::palette().color(QPalette::Window)},
        {tree.filePath(QStringLiteral("missing.png")), PreviewKind::Generic, QPoint(2, 2),
         QApplication::palette().color(QPalette::Window)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(previewKindForFile(c.path), c.kind);
        const QImage image = renderPreview(c.path, size);
        ASSERT_EQ(image.size(), size);
        EXPECT_EQ(image.pixelColor(c.probe), c.expected);
        // Something is drawn besides the background.
        EXPECT_GT(test::inkPixels(image, image.rect(), image.pixelColor(c.probe)), 100);
        const char* shot = c.kind == PreviewKind::Picture ? "/preview-image.png"
                           : c.kind == PreviewKind::Pdf   ? "/preview-pdf.png"
                                                          : nullptr;
        if (shot) {
            ASSERT_TRUE(image.save(QStringLiteral(QT_TESTCASE_BUILDDIR) + QLatin1String(shot)));
        }
    }
    // A text preview has dark ink in its first line.
    const QImage source = renderPreview(text, size);
    EXPECT_GT(test::inkPixels(source, QRect(0, 0, 150, 30), Qt::white), 20);
}

// A picture is decoded once for a size and serves every smaller view; the
// window gets it from the thread pool and shows it without decoding on its
// own thread.
TEST_F(Previews, APictureIsDecodedOffTheWindowsThreadAndKept)
{
    QImage large(2000, 1000, QImage::Format_RGB32);
    large.fill(Qt::green);
    const QString path = tree.filePath(QStringLiteral("large.png"));
    ASSERT_TRUE(large.save(path));
    const DecodedPreview decoded = decodePreview(path, QSize(300, 200));
    EXPECT_EQ(decoded.kind, PreviewKind::Picture);
    EXPECT_EQ(decoded.picture.size(), QSize(600, 300)) << "twice the view, not the whole picture";
    EXPECT_FALSE(decoded.whole);
    EXPECT_TRUE(decoded.serves(QSize(300, 200)));
    EXPECT_TRUE(decoded.serves(QSize(600, 900)));
    EXPECT_FALSE(decoded.serves(QSize(700, 400)));
    EXPECT_TRUE(decodePreview(png, QSize(300, 200)).serves(QSize(3000, 2000))) << "a small picture is whole";

    PreviewWindow window;
    window.resize(300, 200);
    window.show();
    window.setItems({QUrl::fromLocalFile(path)});
    const auto shown = [&window] { return window.grab().toImage().pixelColor(150, 100) == QColor(Qt::green); };
    for (int i = 0; i < 500 && !shown(); ++i)
        QTest::qWait(10);
    EXPECT_TRUE(shown());
}

// A text preview reads the character set the file declares in user.charset;
// it was ignored, and text that is not UTF-8 was shown as Latin-1.
TEST_F(Previews, TextInItsDeclaredCharsetRegression)
{
    const QString declared = tree.writeFile(QStringLiteral("koi8.txt"), "\xf0\xd2\xc9\xd7\xc5\xd4\n");
    if (::setxattr(fileSystemRepresentation(declared).constData(), kCharsetAttribute, "KOI8-R", 6, 0) != 0)
        GTEST_SKIP() << "the temporary file system has no user extended attributes";
    const QString utf8 = tree.writeFile(QStringLiteral("utf8.txt"), "Привет\n");
    const QSize size(200, 60);
    const QImage expected = renderPreview(utf8, size);
    EXPECT_GT(test::inkPixels(expected, expected.rect(), Qt::white), 20);
    EXPECT_EQ(renderPreview(declared, size), expected);
}

// What ICU reads of `bytes` in `charset`, each sequence the set leaves out
// one U+FFFD (ICU's own substitute for one bad byte is U+001A in some sets:
// the texts here have none of their own), and in `before` the units of the
// characters that begin in the first `limit` bytes.
QString icuTextWithReplacement(const QByteArray& bytes, const char* charset, qsizetype limit, qsizetype* before)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open(charset, &status), ucnv_close);
    EXPECT_TRUE(U_SUCCESS(status)) << charset;
    if (U_FAILURE(status))
        return {};
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
    QString text(bytes.size() + 1, Qt::Uninitialized);
    std::vector<int32_t> offsets(size_t(text.size()));
    auto* const start = reinterpret_cast<UChar*>(text.data());
    UChar* target = start;
    const char* source = bytes.constData();
    ucnv_toUnicode(converter.get(), &target, start + text.size(), &source, source + bytes.size(), offsets.data(),
                   true, &status);
    EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    text.truncate(target - start);
    *before = std::find_if(offsets.begin(), offsets.begin() + text.size(),
                           [limit](int32_t offset) { return offset >= limit; })
              - offsets.begin();
    return text.replace(QChar(0x1A), QChar::ReplacementCharacter);
}

// Where `shown` first differs from `expected`, with the few characters of
// each from there, and their lengths: the texts run to 64 KB.
std::string firstDifference(const QString& shown, const QString& expected)
{
    const auto mismatch = std::mismatch(shown.begin(), shown.end(), expected.begin(), expected.end());
    const qsizetype at = mismatch.first - shown.begin();
    return QStringLiteral("from unit %1: \"%2\" instead of \"%3\" (%4 units instead of %5)")
        .arg(at)
        .arg(shown.mid(at, 8), expected.mid(at, 8))
        .arg(shown.size())
        .arg(expected.size())
        .toStdString();
}

// Writes `bytes` to `name` in the tree declared in `charset` (none for
// null); NO where the file system keeps no user attributes.
bool writeDeclared(test::TempTree& tree, const QString& name, const QByteArray& bytes, const char* charset,
                   QString* path)
{
    *path = tree.writeFile(name, bytes);
    return !charset
           || ::setxattr(fileSystemRepresentation(*path).constData(), kCharsetAttribute, charset, std::strlen(charset),
                         0) == 0;
}

// A file declared in a set of one or two bytes a character, or UTF-8, with
// one byte the set leaves out was shown whole as Latin-1 ("\x91O\x91O..."
// for 前前 in Shift_JIS): the preview read it with the set's strict
// converter and fell back for the whole text. It shows what the search
// reads: the declared text with one U+FFFD for the byte, at the start, in
// the middle, at the end, and around the end of the bytes it reads, where a
// character that end cuts is read whole (a lead byte is bad or not by the
// byte after it).
TEST_F(Previews, DeclaredTextShowsOneReplacementPerLeftOutByteRegression)
{
    struct Set
    {
        const char* name;
        QByteArray character; // one character of the set
        QByteArray stray;     // a byte the set leaves out, and the byte after a lead
    };
    const Set sets[] = {
        {"Shift_JIS", "\x91\x4f", "\x80"}, // 前
        {"GBK", "\xd6\xd0", "\x81 "},      // 中; a lead: every other byte is a character
        {"Big5", "\xa4\xa4", "\x81 "},     // 中
        {"EUC-KR", "\xb0\xa1", "\xff"},    // 가
        {"UTF-8", "\xe5\x89\x8d", "\xff"}, // 前
    };
    // Where the stray byte is, and how long the file is.
    constexpr qsizetype limit = kTextPreviewBytes;
    const struct
    {
        const char* where;
        qsizetype at;     // -1: after the last character
        qsizetype length; // at least
    } places[] = {
        {"start", 0, 60},
        {"middle", 30, 60},
        {"end", -1, 60},
        {"limit - 3", limit - 3, limit + 64},
        {"limit - 2", limit - 2, limit + 64},
        {"limit - 1", limit - 1, limit + 64},
        {"at the limit", limit, limit + 64},
        {"limit + 1", limit + 1, limit + 64},
    };
    int file = 0;
    for (const Set& set : sets) {
        const qsizetype width = set.character.size();
        for (const auto& place : places) {
            SCOPED_TRACE(std::string(set.name) + ", stray byte " + place.where);
            // ASCII before the characters puts the stray byte where it is
            // asked for whatever the width of a character.
            const qsizetype at = place.at >= 0 ? place.at : place.length;
            QByteArray bytes(at % width, 'a');
            while (bytes.size() < at)
                bytes += set.character;
            bytes += place.at >= 0 ? set.stray : set.stray.left(1);
            while (bytes.size() < place.length)
                bytes += set.character;
            QString path;
            if (!writeDeclared(tree, QStringLiteral("declared%1.txt").arg(++file), bytes, set.name, &path))
                GTEST_SKIP() << "the temporary file system has no user extended attributes";
            const DecodedPreview decoded = decodePreview(path, QSize(300, 200));
            ASSERT_EQ(decoded.kind, PreviewKind::Text);
            // The characters that begin before the limit, and at most the
            // one after a lead byte read alone.
            qsizetype before = 0;
            const QString whole = icuTextWithReplacement(bytes, set.name, limit, &before);
            EXPECT_TRUE(decoded.text.startsWith(whole.left(before)) && whole.startsWith(decoded.text)
                        && decoded.text.size() <= before + 1)
                << firstDifference(decoded.text, whole.left(before));
            EXPECT_EQ(decoded.text.count(QChar::ReplacementCharacter), at < limit ? 1 : 0);
        }
    }
}

// A file that declares no set, or one no converter answers to, is read by
// its byte-order mark, else as UTF-8, else shown as Latin-1; a UTF-16 file
// with its mark was shown as Latin-1 ("ÿþ" and a NUL after each letter), and
// one whose last bytes begin a UTF-8 character as UTF-8 without them. A
// character the end of the bytes read cuts is read whole, or left out where
// the byte after it is no part of it.
TEST_F(Previews, UndeclaredTextIsReadByItsMarkElseAsUtf8ElseAsLatin1Regression)
{
    const struct
    {
        const char* what;
        QByteArray bytes;
        const char* charset;
        QString shown;
    } cases[] = {
        {"UTF-8", "caf\xc3\xa9", nullptr, QStringLiteral("caf\u00e9")},
        {"UTF-8 after its mark", "\xef\xbb\xbf" "caf\xc3\xa9", nullptr, QStringLiteral("caf\u00e9")},
        {"UTF-16 after its mark", QByteArray("\xff\xfe" "c\0a\0f\0\xe9\0", 10), nullptr, QStringLiteral("caf\u00e9")},
        {"no text in UTF-8", "caf\xe9", nullptr, QStringLiteral("caf\u00e9")},
        {"a set no converter answers to", "caf\xc3\xa9", "no-such-set", QStringLiteral("caf\u00e9")},
        {"a character cut by the bytes read", QByteArray(kTextPreviewBytes - 1, 'a') + "\xc3\xa9", nullptr,
         QString(kTextPreviewBytes - 1, u'a') + QChar(0xe9)},
        {"a cut character the byte after refuses", QByteArray(kTextPreviewBytes - 1, 'a') + "\xc3(", nullptr,
         QString(kTextPreviewBytes - 1, u'a')},
    };
    int file = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QString path;
        if (!writeDeclared(tree, QStringLiteral("undeclared%1.txt").arg(++file), c.bytes, c.charset, &path))
            GTEST_SKIP() << "the temporary file system has no user extended attributes";
        const DecodedPreview decoded = decodePreview(path, QSize(300, 200));
        ASSERT_EQ(decoded.kind, PreviewKind::Text);
        EXPECT_TRUE(decoded.text == c.shown) << firstDifference(decoded.text, c.shown);
    }
}

// --- previews in the light and the dark appearance ----------------------------------------

// What a user sees of the preview: the background in the corner follows the
// appearance (dark with a dark palette) and the text near the top stands
// out from it; `what` names the case.
void expectReadable(const QImage& image, bool dark, const char* what)
{
    SCOPED_TRACE(what);
    ASSERT_FALSE(image.isNull());
    const QColor background = image.pixelColor(image.width() - 3, image.height() - 3);
    EXPECT_EQ(background.lightnessF() < 0.5, dark) << "background " << background.name().toStdString();
    EXPECT_GT(test::strongestContrast(image, image.rect(), background), 0.4);
}

// The text preview was a white sheet with black text whatever the palette;
// the card of other files a light grey one. Both, and the backgrounds of
// pictures and of the empty window, follow the palette: a desktop's dark
// palette, and the one the appearance sets over a light desktop palette.
TEST_F(Previews, FollowThePaletteInLightAndDarkRegression)
{
    const test::AppearanceScope lightAfterwards(false);
    const QSize size(300, 200);
    const struct {
        const char* name;
        QPalette palette;
        bool dark;
    } palettes[] = {
        {"light", QPalette(QColor(240, 240, 240)), false},
        {"dark desktop", QPalette(QColor(40, 40, 40)), true},
        {"dark appearance", darkFusionPalette(), true},
    };
    for (const auto& row : palettes) {
        SCOPED_TRACE(row.name);
        QApplication::setPalette(row.palette);
        const QImage source = renderPreview(text, size);
        expectReadable(source, row.dark, "text");
        // The text is in the first lines, in the palette's text colour.
        EXPECT_EQ(source.pixelColor(size.width() - 3, size.height() - 3), row.palette.color(QPalette::Base));
        EXPECT_GT(test::inkPixels(source, QRect(0, 0, 150, 30), row.palette.color(QPalette::Base)), 20);
        expectReadable(renderPreview(unknown, size), row.dark, "card");
        const QImage picture = renderPreview(png, size);
        EXPECT_EQ(picture.pixelColor(2, 2).lightnessF() < 0.5, row.dark) << "around a picture";
        EXPECT_EQ(picture.pixelColor(150, 100), QColor(Qt::red));

        PreviewWindow empty;
        empty.resize(size);
        expectReadable(empty.grab().toImage(), row.dark, "no items");
    }
}

// An open preview is drawn again in the new colours when the palette
// changes, without its file being read again.
TEST_F(Previews, OpenPreviewFollowsAPaletteChangeRegression)
{
    const test::AppearanceScope lightAfterwards(false);
    PreviewWindow window;
    window.resize(300, 200);
    window.show();
    window.setItems({QUrl::fromLocalFile(text)});
    const auto firstLineInk = [&window] {
        const QImage image = window.grab().toImage();
        return test::inkPixels(image, QRect(0, 0, 150, 30), image.pixelColor(295, 195));
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return firstLineInk() > 20; }, 5000));
    expectReadable(window.grab().toImage(), false, "light");
    ASSERT_TRUE(QFile::remove(text));
    for (const bool dark : {true, false}) {
        test::setDarkPalette(dark);
        QCoreApplication::processEvents();
        const QImage image = window.grab().toImage();
        expectReadable(image, dark, dark ? "turned dark" : "turned light again");
        EXPECT_GT(test::inkPixels(image, QRect(0, 0, 150, 30), image.pixelColor(295, 195)), 20) << "the text stays";
    }
}

// Regression: a text shown once was drawn from what was read then each
// time the preview opened again on it, though the file had changed.
TEST_F(Previews, ReopenedPreviewReadsTheTextAgainRegression)
{
    PreviewWindow window;
    window.resize(300, 200);
    const auto ink = [&window] {
        const QImage image = window.grab().toImage();
        return test::inkPixels(image, image.rect(), image.pixelColor(295, 195));
    };
    window.show();
    window.setItems({QUrl::fromLocalFile(text)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return ink() > 20; }, 5000));
    const int before = ink();
    window.hide();
    tree.writeFile(QStringLiteral("notes.cpp"), QByteArray("WWWWWWWWWWWWWWWWWWWWWWWW\n").repeated(10));
    window.setItems({QUrl::fromLocalFile(text)});
    window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ink() > 2 * before; }, 5000)) << before << " " << ink();
}

// Composing a preview from what was decoded reads nothing: the text and the
// card's size and date were read again on the interface thread, and a file
// gone meanwhile turned into the card of a missing file.
TEST_F(Previews, ComposingReadsNoFileRegression)
{
    const QSize size(300, 200);
    for (const QString& path : {text, unknown}) {
        SCOPED_TRACE(path.toStdString());
        const DecodedPreview decoded = decodePreview(path, size);
        const QImage before = composePreview(path, decoded, size);
        ASSERT_TRUE(QFile::remove(path));
        EXPECT_EQ(composePreview(path, decoded, size), before);
    }
}

// Regression: the card said "4.77 MiB" and "12/7/26 5:26 PM" where the
// table says "5 MB" and "Today, 17:26"; its title broke at a newline in a
// name. Both as the table shows them.
TEST_F(Previews, CardAndTitleShowWhatTheTableShows)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    DecodedPreview decoded;
    decoded.bytes = 5'000'000;
    decoded.modified = QDateTime(QDate::currentDate(), QTime(17, 26));
    const QFont font = QApplication::font();
    const QString details = previewCardDetails(decoded, font, 300);
    EXPECT_EQ(details.section(u'\n', 0, 0), stringForSize(5'000'000));
    EXPECT_EQ(details.section(u'\n', 1, 1).section(u',', 0, 0), DateCell::todayString());
    EXPECT_FALSE(details.contains(QStringLiteral("MiB")));
    decoded.bytes = -1;
    EXPECT_TRUE(previewCardDetails(decoded, font, 300).isEmpty());

    // Regression: a folder's card said "4.1 KB", its entry's size, where the
    // table says "--"; a file of the same size says it.
    const QString folder = tree.makeDir(QStringLiteral("card-folder"));
    const QString file = tree.writeFile(QStringLiteral("card-file.qqz"), QByteArray(4096, '\0'));
    for (const auto& [path, size] : {std::pair{folder, QStringLiteral("--")}, std::pair{file, stringForSize(4096)}}) {
        SCOPED_TRACE(path.toStdString());
        const DecodedPreview card = decodePreview(path, QSize(300, 300));
        EXPECT_EQ(previewCardDetails(card, font, 300).section(u'\n', 0, 0), size);
    }

    const QString odd = tree.writeFile(QStringLiteral("odd\nname.qqz"), "x");
    PreviewWindow window;
    window.setItems({QUrl::fromLocalFile(odd)});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("odd\u21B5name.qqz"));
    QLocale::setDefault(QLocale::system());
}

TEST_F(Previews, MovieShowsItsFirstFrameAndDuration)
{
    const QString movie = tree.filePath(QStringLiteral("clip.mp4"));
    const QString failure = test::writeMovie(movie, 64, 64, 20, 10);
    if (!failure.isEmpty())
        GTEST_SKIP() << failure.toStdString();
    ASSERT_EQ(previewKindForFile(movie), PreviewKind::Movie);
    const QImage image = renderPreview(movie, QSize(200, 200));
    // The 64 x 64 frame sits in the middle of the dark background and the
    // "0:02" badge lies at the bottom right.
    EXPECT_NE(image.pixelColor(100, 100), image.pixelColor(5, 5));
    EXPECT_GT(test::inkPixels(image, QRect(140, 160, 60, 40), image.pixelColor(5, 5)), 20);
    EXPECT_EQ(test::inkPixels(image, QRect(0, 0, 60, 60), image.pixelColor(5, 5)), 0);
}

// --- reading ------------------------------------------------------------------------

// A damaged PDF of 6 GB: its header, then nothing (a sparse file), so that
// no bound of a few megabytes finds a page in it.
QString writeDamagedPdf(test::TempTree& tree, const QString& name)
{
    const QString path = tree.writeFile(name, "%PDF-1.4\n");
    QFile file(path);
    if (!file.resize(qint64(6) << 30))
        return {};
    return path;
}

// Keeps every thread of a pool busy until it goes.
class BusyThreads
{
public:
    explicit BusyThreads(QThreadPool& pool) : m_released(m_release.get_future().share())
    {
        m_count = pool.maxThreadCount();
        // Through runInPool: its hand-off is one ThreadSanitizer sees.
        for (int i = 0; i < m_count; ++i)
            (void)runInPool(pool, [this, released = m_released] {
                m_started.fetch_add(1);
                released.wait();
            });
    }
    ~BusyThreads() { m_release.set_value(); }
    [[nodiscard]] bool allBusy() const
    {
        return QTest::qWaitFor([this] { return m_started.load() == m_count; }, 10000);
    }

private:
    std::promise<void> m_release;
    std::shared_future<void> m_released;
    std::atomic<int> m_started{0};
    int m_count = 0;
};

// Regression: previews were decoded on the application's background
// threads; ten damaged PDFs of gigabytes held all of them, and a new
// destination's test and search waited 20 s behind their reads. The preview
// has threads of its own: with every background thread held, it still
// shows, and its reads never hold a background thread.
TEST_F(Previews, PreviewsNeverWaitForTheBackgroundThreadsRegression)
{
    BusyThreads busy(backgroundThreads());
    ASSERT_TRUE(busy.allBusy());
    PreviewWindow window;
    window.resize(300, 200);
    window.show();
    window.setItems({QUrl::fromLocalFile(png), QUrl::fromLocalFile(text)});
    EXPECT_TRUE(QTest::qWaitFor([&window] { return window.showsCurrentItem(); }, 10000));
    window.setCurrentIndex(1);
    EXPECT_TRUE(QTest::qWaitFor([&window] { return window.showsCurrentItem(); }, 10000));
    EXPECT_NE(&window.readingThreads(), &backgroundThreads());
}

// A PDF whose first page lies beyond what a preview reads shows the card,
// with a line that says the page is not shown; a decoding whose stop flag
// is set gives up and reads no further.
TEST_F(Previews, APdfBeyondTheReadBoundSaysItsPageIsNotShown)
{
    const QString damaged = writeDamagedPdf(tree, QStringLiteral("damaged.pdf"));
    ASSERT_FALSE(damaged.isEmpty());
    const QSize size(360, 300);
    const DecodedPreview decoded = decodePreview(damaged, size);
    EXPECT_EQ(decoded.kind, PreviewKind::Generic);
    EXPECT_TRUE(decoded.beyondReadLimit);
    EXPECT_FALSE(decoded.abandoned);
    const QFont font = QApplication::font();
    EXPECT_EQ(previewCardDetails(decoded, font, 300).section(u'\n', 2), QStringLiteral("First page not shown"));
    DecodedPreview unbounded = decoded;
    unbounded.beyondReadLimit = false;
    EXPECT_EQ(previewCardDetails(unbounded, font, 300).count(u'\n'), 1);
    // The line is drawn under the size and the date.
    const QImage card = composePreview(damaged, decoded, size);
    const QImage plain = composePreview(damaged, unbounded, size);
    const QColor background = card.pixelColor(2, 2);
    EXPECT_GT(test::inkPixels(card, card.rect(), background), test::inkPixels(plain, plain.rect(), background) + 40);

    const std::atomic<bool> stopped{true};
    const DecodedPreview abandoned = decodePreview(damaged, size, &stopped);
    EXPECT_TRUE(abandoned.abandoned);
    EXPECT_TRUE(abandoned.picture.isNull());
    // A whole PDF is not touched by the bound.
    const DecodedPreview whole = decodePreview(pdf, size);
    EXPECT_EQ(whole.kind, PreviewKind::Pdf);
    EXPECT_FALSE(whole.beyondReadLimit);
}

// Moving on from a damaged PDF abandons its decoding: the next item shows,
// and the preview's threads end their work.
TEST_F(Previews, MovingOnAbandonsThePreviewNoLongerShown)
{
    QList<QUrl> items;
    for (int i = 0; i < 10; ++i) {
        const QString damaged = writeDamagedPdf(tree, QStringLiteral("damaged%1.pdf").arg(i));
        ASSERT_FALSE(damaged.isEmpty());
        items << QUrl::fromLocalFile(damaged);
    }
    items << QUrl::fromLocalFile(png);
    PreviewWindow window;
    window.resize(300, 200);
    window.show();
    window.setItems(items);
    for (int i = 1; i < items.size(); ++i)
        window.setCurrentIndex(i);
    ASSERT_TRUE(QTest::qWaitFor([&window] { return window.showsCurrentItem(); }, 10000));
    EXPECT_EQ(window.grab().toImage().pixelColor(150, 100), QColor(Qt::red));
    EXPECT_TRUE(window.readingThreads().waitForDone(10000));
    // The PDFs left behind gave up rather than reading to their bound: at
    // most the few already under way when they were left might not see it.
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(QTest::qWaitFor([&window] { return window.abandonedDecodings() >= 7; }, 10000))
        << window.abandonedDecodings();
    // Closing abandons the one under way too.
    window.setCurrentIndex(0);
    window.close();
    EXPECT_TRUE(window.readingThreads().waitForDone(10000));
}

// A preview of `path` whose stop is set once the decoding has read
// `underWay` bytes; `readAfter` says how many it read after the stop. The
// decoding must still be under way when the stop is set.
DecodedPreview decodeStoppedUnderWay(const QString& path, qint64 underWay, qint64* readAfter)
{
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    DecodedPreview decoded;
    const qint64 before = test::bytesReadByProcess();
    std::thread decoding([&] {
        decoded = decodePreview(path, QSize(360, 300), &stop);
        done = true;
    });
    QElapsedTimer waited;
    waited.start();
    while (!done && test::bytesReadByProcess() - before < underWay && waited.elapsed() < 20000)
        std::this_thread::yield();
    const bool doneBeforeTheStop = done;
    stop = true;
    const qint64 atStop = test::bytesReadByProcess();
    decoding.join();
    *readAfter = test::bytesReadByProcess() - atStop;
    EXPECT_FALSE(doneBeforeTheStop) << "decoded before the stop could be set";
    return decoded;
}

// Regression: a page whose content is a hole of gigabytes opened at once
// and was then drawn on through the stop of an item left behind: three such
// previews held the preview's three threads, and a picture previewed next
// stayed blank. A stop set while the page is drawn ends the drawing at its
// next read, and the preview counts as abandoned.
TEST_F(Previews, AStopEndsTheDrawingOfAPageUnderWayRegression)
{
    if (test::bytesReadByProcess() < 0)
        GTEST_SKIP() << "the kernel counts no bytes read here";
    const QString hole = test::pdfWithContent(tree, QStringLiteral("hole.pdf"), "0 0 1 rg 0 0 50 50 re f\n",
                                              qint64(6) << 30);
    ASSERT_FALSE(hole.isEmpty());
    // The drawing is under way once it has read some megabytes of the hole
    // (the open reads a few kilobytes).
    constexpr qint64 kUnderWay = qint64(4) << 20;
    qint64 readAfter = 0;
    const DecodedPreview decoded = decodeStoppedUnderWay(hole, kUnderWay, &readAfter);
    EXPECT_TRUE(decoded.abandoned);
    EXPECT_TRUE(decoded.picture.isNull());
    EXPECT_LT(readAfter, kUnderWay);
}

// Regression: a picture of many megapixels decoded on for more than a
// second after its item was left. A stop set while it is decoded refuses
// the decoder's next read, and the preview counts as abandoned.
TEST_F(Previews, AStopEndsTheDecodingOfAPictureUnderWayRegression)
{
    if (test::bytesReadByProcess() < 0)
        GTEST_SKIP() << "the kernel counts no bytes read here";
    // Noise at full quality: about 3 bytes a pixel, read as the rows are
    // decoded.
    QImage noise(3000, 3000, QImage::Format_RGB32);
    std::uint32_t state = 12345;
    for (int y = 0; y < noise.height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(noise.scanLine(y));
        for (int x = 0; x < noise.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = state >> 8;
        }
    }
    const QString picture = tree.filePath(QStringLiteral("noise.jpg"));
    ASSERT_TRUE(noise.save(picture, "JPEG", 100));
    constexpr qint64 kUnderWay = qint64(2) << 20;
    ASSERT_GT(QFileInfo(picture).size(), 4 * kUnderWay);
    qint64 readAfter = 0;
    const DecodedPreview decoded = decodeStoppedUnderWay(picture, kUnderWay, &readAfter);
    EXPECT_TRUE(decoded.abandoned);
    EXPECT_TRUE(decoded.picture.isNull());
    EXPECT_LT(readAfter, kUnderWay);

    // Without a stop the same picture shows.
    const DecodedPreview shown = decodePreview(picture, QSize(360, 300), nullptr);
    EXPECT_FALSE(shown.abandoned);
    EXPECT_EQ(shown.kind, PreviewKind::Picture);
    EXPECT_FALSE(shown.picture.isNull());
}

// --- the controller -------------------------------------------------------------------

// A list of files that offers its selected files.
class FileList : public QListView, public DocumentURLs
{
public:
    explicit FileList(const QStringList& paths) : m_model(paths) { setModel(&m_model); }
    QList<QUrl> documentURLs() const override
    {
        QList<QUrl> urls;
        for (const QModelIndex& index : selectionModel()->selectedRows())
            urls << QUrl::fromLocalFile(index.data().toString());
        return urls;
    }
    void select(int row, QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect)
    {
        selectionModel()->select(m_model.index(row), flags);
    }

private:
    QStringListModel m_model;
};

class SearchWindowStandIn : public QWidget
{
public:
    explicit SearchWindowStandIn(const QStringList& paths) : list(new FileList(paths))
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(list);
        resize(300, 200);
    }
    FileList* list;
};

class QuickLook : public Previews
{
protected:
    void TearDown() override
    {
        if (QuickLookController* controller = QuickLookController::currentController())
            controller->closePanel();
    }
    void pressIn(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = {})
    {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, key == Qt::Key_Space ? QStringLiteral(" ") : QString());
        handled = handleQuickLookKeyDown(widget, &press);
    }
    bool handled = false;
};

TEST_F(QuickLook, FollowsTheMainWindowSelection)
{
    SearchWindowStandIn window({png, text, pdf});
    test::activate(window);
    window.list->setFocus();
    QuickLookController& controller = QuickLookController::sharedController();
    EXPECT_EQ(QuickLookController::currentController(), &controller);
    EXPECT_TRUE(UserDefaults::standardUserDefaults().objectForKey(QStringLiteral("QLEnableTextSelection")).toBool());
    controller.addObserverForView(window.list);

    // Nothing selected: Space opens an empty preview; the window stays key.
    pressIn(window.list, Qt::Key_Space);
    EXPECT_TRUE(handled);
    ASSERT_TRUE(controller.isOpen());
    EXPECT_EQ(controller.numberOfPreviewItems(), 0);
    EXPECT_EQ(QApplication::activeWindow(), &window);
    // Regression: the preview had no parent, and a click in the window
    // raised the window over it. It is transient for the window, so the
    // window manager keeps it above.
    ASSERT_NE(controller.sharedPanel()->windowHandle(), nullptr);
    EXPECT_EQ(controller.sharedPanel()->windowHandle()->transientParent(), window.windowHandle());

    window.list->select(1);
    EXPECT_EQ(controller.documentURLs(), QList<QUrl>{QUrl::fromLocalFile(text)});
    EXPECT_EQ(controller.sharedPanel()->currentItem(), QUrl::fromLocalFile(text));

    // Three selected: End in the view goes to the preview.
    window.list->select(0, QItemSelectionModel::Select);
    window.list->select(2, QItemSelectionModel::Select);
    ASSERT_EQ(controller.numberOfPreviewItems(), 3);
    pressIn(window.list, Qt::Key_End);
    EXPECT_TRUE(handled);
    EXPECT_EQ(controller.sharedPanel()->currentIndex(), 2);

    // Escape closes an open preview and is not consumed when closed.
    pressIn(window.list, Qt::Key_Escape);
    EXPECT_TRUE(handled);
    EXPECT_FALSE(controller.isOpen());
    pressIn(window.list, Qt::Key_Escape);
    EXPECT_FALSE(handled);
    pressIn(window.list, Qt::Key_PageDown);
    EXPECT_FALSE(handled);

    // Closed: selection changes are not followed.
    window.list->select(0);
    EXPECT_EQ(controller.numberOfPreviewItems(), 3);
    controller.removeObserverForView(window.list);
}

// Regression: with the preview open, Shift+Home and Shift+End in the view
// or in the preview moved the preview instead of extending the selection.
// Only a key without a modifier (the keypad's aside) is the preview's.
TEST_F(QuickLook, ModifiedPageKeysStayTheViewsRegression)
{
    SearchWindowStandIn window({png, text, pdf});
    test::activate(window);
    window.list->setFocus();
    for (int row = 0; row < 3; ++row)
        window.list->select(row, QItemSelectionModel::Select);
    QuickLookController& controller = QuickLookController::sharedController();
    controller.openQuickLook();
    PreviewWindow* panel = controller.sharedPanel();
    ASSERT_EQ(controller.numberOfPreviewItems(), 3);
    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool preview; // the preview took the key
        int index;    // the preview's item after it
    } cases[] = {
        {Qt::Key_End, Qt::NoModifier, true, 2},     {Qt::Key_Home, Qt::ShiftModifier, false, 2},
        {Qt::Key_Home, Qt::KeypadModifier, true, 0}, {Qt::Key_End, Qt::ShiftModifier, false, 0},
        {Qt::Key_PageDown, Qt::ShiftModifier, false, 0}, {Qt::Key_End, Qt::ControlModifier, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
        pressIn(window.list, c.key, c.modifiers);
        EXPECT_EQ(handled, c.preview);
        EXPECT_EQ(panel->currentIndex(), c.index);
        QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers);
        EXPECT_EQ(panel->navigate(&press), c.preview);
        EXPECT_EQ(panel->currentIndex(), c.index);
    }
}

// Regression: Ctrl+Q and Ctrl+W did nothing while the preview was the
// active window. Ctrl+W closes it; the application's commands it holds act
// there, also when it was made before they were given.
TEST_F(QuickLook, ThePreviewClosesOnCtrlWAndTakesTheApplicationsKeys)
{
    SearchWindowStandIn window({png});
    test::activate(window);
    window.list->setFocus();
    window.list->select(0);
    QuickLookController& controller = QuickLookController::sharedController();
    PreviewWindow* panel = controller.sharedPanel();
    QAction quit;
    quit.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit.setShortcutContext(Qt::ApplicationShortcut);
    QSignalSpy quitting(&quit, &QAction::triggered);
    QuickLookController::setApplicationActions({&quit});
    controller.openQuickLook();
    // A tool window counts as active while its parent is: waited for as
    // the application's own active window.
    panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([panel] { return QApplication::activeWindow() == panel; }, 5000));
    QTest::keyClick(panel, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quitting.size(), 1);
    QTest::keyClick(panel, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(controller.isOpen());
    EXPECT_TRUE(window.isVisible());
    QuickLookController::setApplicationActions({});
}

// Regression: the preview followed only selection changes, which a model
// reset does not send: a new search's rows came, nothing was selected, and
// the preview kept the file of the rows gone.
TEST_F(QuickLook, PreviewLetsGoOfFilesThatLeftTheRowsRegression)
{
    SearchWindowStandIn window({png, text, pdf});
    test::activate(window);
    window.list->setFocus();
    QuickLookController& controller = QuickLookController::sharedController();
    controller.addObserverForView(window.list);
    auto* rows = qobject_cast<QStringListModel*>(window.list->model());
    ASSERT_NE(rows, nullptr);

    // Rows removed: the removed file leaves the preview, the others stay.
    window.list->select(0);
    window.list->select(2, QItemSelectionModel::Select);
    controller.openQuickLook();
    ASSERT_TRUE(controller.isOpen());
    ASSERT_EQ(controller.numberOfPreviewItems(), 2);
    rows->removeRows(2, 1);
    EXPECT_EQ(controller.documentURLs(), QList<QUrl>{QUrl::fromLocalFile(png)});
    EXPECT_EQ(controller.sharedPanel()->currentItem(), QUrl::fromLocalFile(png));

    // New rows (a reset): nothing is selected, so nothing is previewed.
    window.list->select(1);
    ASSERT_EQ(controller.documentURLs(), QList<QUrl>{QUrl::fromLocalFile(text)});
    rows->setStringList({pdf, png});
    EXPECT_FALSE(window.list->selectionModel()->hasSelection());
    EXPECT_EQ(controller.numberOfPreviewItems(), 0);
    EXPECT_FALSE(controller.sharedPanel()->currentItem().isValid());
    // The preview follows the new rows' selection as before.
    window.list->select(0);
    EXPECT_EQ(controller.sharedPanel()->currentItem(), QUrl::fromLocalFile(pdf));
    controller.removeObserverForView(window.list);
}

// Rows whose removals and resets can be counted as heard.
class CountedRows : public QStringListModel
{
public:
    using QStringListModel::QStringListModel;
    int followers() const
    {
        return receivers(SIGNAL(rowsRemoved(QModelIndex, int, int))) + receivers(SIGNAL(modelReset()));
    }
};

// Regression: a view gone before its model left the model's removals and
// resets connected to what asked the gone view for its window.
TEST_F(QuickLook, AViewGoneBeforeItsModelIsNoLongerFollowedRegression)
{
    CountedRows rows({png, text, pdf});
    const int unheard = rows.followers();
    auto view = std::make_unique<QListView>();
    view->setModel(&rows);
    const int heardByTheView = rows.followers();
    QuickLookController& controller = QuickLookController::sharedController();
    controller.addObserverForView(view.get());
    EXPECT_GT(rows.followers(), heardByTheView);
    view.reset();
    EXPECT_EQ(rows.followers(), unheard);
    // A removal after it reaches no part of the gone view.
    rows.removeRows(0, 1);
}

TEST(PreviewPlacement, BesideTheWindowOnItsScreen)
{
    const QRect screen(0, 0, 1440, 900);
    const QRect second(1440, 0, 1920, 1080);
    const struct {
        const char* name;
        QRect window;
        QRect available;
        QRect placed;
    } cases[] = {
        {"room to the right", QRect(100, 100, 600, 500), screen, QRect(708, 100, 480, 400)},
        {"room to the left only", QRect(900, 100, 500, 500), screen, QRect(412, 100, 480, 400)},
        {"narrowed into the right", QRect(0, 0, 1000, 800), screen, QRect(1008, 0, 432, 400)},
        {"no room: over the window at the screen's right edge", QRect(0, 0, 1300, 800), screen,
         QRect(1080, 0, 360, 400)},
        {"no room: over the window at the screen's left edge", QRect(140, 0, 1300, 800), screen,
         QRect(0, 0, 360, 400)},
        // A sliver of 190 pixels is no place to read in.
        {"a sliver beside a window of 1040 x 640", QRect(190, 137, 1042, 666), screen, QRect(1080, 137, 360, 400)},
        {"low window: kept on the screen", QRect(100, 700, 600, 150), screen, QRect(708, 500, 480, 400)},
        {"on the second screen", QRect(1500, 50, 600, 500), second, QRect(2108, 50, 480, 400)},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const QRect placed = previewFrameBeside(row.window, QSize(480, 400), row.available);
        EXPECT_EQ(placed, row.placed);
        EXPECT_TRUE(row.available.contains(placed));
    }
}

TEST_F(QuickLook, PreviewBesideTheResultsRegression)
{
    // The offscreen screen is 800 x 600: the preview opens to the right of
    // a window at the left edge, never over it (nor at 0,0 over it). A
    // window that leaves 412 pixels narrows it; once there is room again,
    // it opens at its preferred size, not at the narrowed one.
    SearchWindowStandIn window({png, text, pdf});
    test::activate(window);
    window.list->setFocus();
    QuickLookController& controller = QuickLookController::sharedController();
    PreviewWindow* panel = controller.sharedPanel();
    const struct {
        int windowWidth;
        bool narrowed;
    } cases[] = {{300, false}, {380, true}, {200, false}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.windowWidth);
        window.setGeometry(0, 0, row.windowWidth, 200);
        controller.openQuickLook(nullptr);
        ASSERT_TRUE(controller.isOpen());
        const QRect preview = panel->frameGeometry();
        EXPECT_FALSE(preview.intersects(window.frameGeometry())) << preview.x() << "," << preview.y();
        EXPECT_TRUE(window.screen()->availableGeometry().contains(preview));
        if (row.narrowed)
            EXPECT_LT(panel->width(), PreviewWindow::preferredSize().width());
        else
            EXPECT_EQ(panel->size(), PreviewWindow::preferredSize());
        controller.closePanel();
    }
}

TEST_F(QuickLook, PanelKeysMoveThroughItemsOrReachTheMainWindow)
{
    SearchWindowStandIn window({png, text, pdf});
    test::activate(window);
    window.list->setFocus();
    QuickLookController& controller = QuickLookController::sharedController();
    controller.addObserverForView(window.list);
    window.list->select(0);
    controller.openQuickLook();
    PreviewWindow* panel = controller.sharedPanel();
    ASSERT_TRUE(panel->isOpen());
    EXPECT_EQ(controller.numberOfPreviewItems(), 1);

    // One item: Down moves the list's selection, which the preview follows.
    QTest::keyClick(panel, Qt::Key_Down);
    EXPECT_EQ(window.list->currentIndex().row(), 1);
    EXPECT_EQ(panel->currentItem(), QUrl::fromLocalFile(text));

    window.list->select(0, QItemSelectionModel::Select);
    window.list->select(2, QItemSelectionModel::Select);
    ASSERT_EQ(controller.numberOfPreviewItems(), 3);
    QTest::keyClick(panel, Qt::Key_End);
    EXPECT_EQ(panel->currentIndex(), 2);
    QTest::keyClick(panel, Qt::Key_Up);
    EXPECT_EQ(panel->currentIndex(), 1);
    QTest::keyClick(panel, Qt::Key_Home);
    EXPECT_EQ(panel->currentIndex(), 0);

    // Another main window: its selection; none: nothing.
    SearchWindowStandIn other({unknown});
    other.list->select(0);
    test::activate(other);
    other.list->setFocus();
    QTRY_COMPARE(controller.documentURLs(), QList<QUrl>{QUrl::fromLocalFile(unknown)});
    other.hide();
    window.hide();
    QTRY_VERIFY(controller.documentURLs().isEmpty());

    QTest::keyClick(panel, Qt::Key_Space);
    EXPECT_FALSE(controller.isOpen());
    controller.removeObserverForView(window.list);
}

TEST_F(QuickLook, OptionSpaceRunsTheSlideShowInFullScreen)
{
    SearchWindowStandIn window({png, text, pdf});
    test::activate(window);
    window.list->setFocus();
    window.list->select(0);
    window.list->select(1, QItemSelectionModel::Select);
    pressIn(window.list, Qt::Key_Space, Qt::AltModifier);
    EXPECT_TRUE(handled);
    QuickLookController& controller = QuickLookController::sharedController();
    PreviewWindow* panel = controller.sharedPanel();
    ASSERT_TRUE(controller.isOpen());
    EXPECT_TRUE(panel->isFullScreen());
    EXPECT_TRUE(panel->playsSlideShow());
    EXPECT_EQ(controller.numberOfPreviewItems(), 2);
    // A tool window is not made full screen by window managers: the show
    // is a normal window, over the whole of the main window's screen.
    EXPECT_EQ(panel->windowType(), Qt::Window);
    EXPECT_EQ(panel->geometry(), window.screen()->geometry());
    EXPECT_EQ(mainWindow(), &window);
    // The show advances by itself and wraps around.
    panel->enterFullScreenSlideShow(20);
    QTRY_COMPARE(panel->currentIndex(), 1);
    QTRY_COMPARE(panel->currentIndex(), 0);
    pressIn(window.list, Qt::Key_Space, Qt::AltModifier);
    EXPECT_FALSE(controller.isOpen());
    EXPECT_FALSE(panel->playsSlideShow());
    EXPECT_FALSE(panel->isFullScreen());
    EXPECT_FALSE(panel->isVisible());
    // The preview that opens next is the tool window beside the window.
    controller.openQuickLook();
    EXPECT_EQ(panel->windowType(), Qt::Tool);
    EXPECT_FALSE(panel->isFullScreen());
    EXPECT_EQ(panel->size(), PreviewWindow::preferredSize());
    controller.closePanel();
}

} // namespace
} // namespace sorvant
