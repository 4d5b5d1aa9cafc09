// End-to-end searches on a tree made by tools/make-test-tree: every mode and
// every kind of search runs through the engine (and a few through the
// headless driver), and each result set is compared with one this test
// computes on its own from the files and the generator's manifest.

#include "platform/user_defaults.h"
#include "search/search_engine.h"
#include "search/wildcard_patterns.h"
#include "tests/search/engine_test_support.h"
#include "tests/support/temp_tree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

namespace sorvant {
namespace {

namespace fs = std::filesystem;
using test::TempTree;

// One item of the tree as the test sees it.
struct Item
{
    QString relative;
    QString name;
    bool folder = false;
    bool package = false;
    bool invisible = false; // hidden itself, below a hidden folder or inside a package
    fs::path path;
};

QString sourceRoot()
{
    return QStringLiteral(SORVANT_SOURCE_DIR);
}

QString asciiLower(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return text;
}

bool containsIgnoringAsciiCase(const QString& text, const QString& word)
{
    return asciiLower(text).contains(asciiLower(word));
}

bool isPackageName(const QString& name)
{
    return name.endsWith(u".app") || name.endsWith(u".textbundle");
}

// The text of a file as the content search should read it: a byte-order
// mark, else strict UTF-8; null otherwise.
QString decodedContents(const fs::path& path)
{
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return {};
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    QStringDecoder::Encoding encoding = QStringDecoder::Utf8;
    if (bytes.startsWith("\xff\xfe")) {
        encoding = QStringDecoder::Utf16LE;
        bytes.remove(0, 2);
    } else if (bytes.startsWith("\xfe\xff")) {
        encoding = QStringDecoder::Utf16BE;
        bytes.remove(0, 2);
    } else if (bytes.startsWith("\xef\xbb\xbf")) {
        bytes.remove(0, 3);
    }
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : text;
}

class SearchIntegrationTest : public ::testing::Test, public SearchEngineOwner
{
protected:
    static void SetUpTestSuite()
    {
        initSeparatorsAndTables();
        s_tree = new TempTree;
        s_root = s_tree->filePath(QStringLiteral("tree"));
        const QString manifest = s_tree->filePath(QStringLiteral("manifest.json"));
        QProcess maker;
        maker.start(QStringLiteral("python3"),
                    {sourceRoot() + QStringLiteral("/tools/make-test-tree"), QStringLiteral("--files"),
                     QStringLiteral("1500"), QStringLiteral("--folders"), QStringLiteral("300"),
                     QStringLiteral("--seed"), QStringLiteral("7"), QStringLiteral("--manifest"), manifest, s_root});
        s_made = maker.waitForFinished(120000) && maker.exitStatus() == QProcess::NormalExit && maker.exitCode() == 0;
        QFile file(manifest);
        if (s_made && file.open(QIODevice::ReadOnly))
            s_manifest = QJsonDocument::fromJson(file.readAll()).object();
        if (s_made)
            collectItems();
    }
    static void TearDownTestSuite()
    {
        delete s_tree;
        s_tree = nullptr;
        s_items.clear();
    }
    // Lists the tree depth first, following no link (the standard library's
    // recursive iterator asks for a link's target status and fails on loops).
    static void collectItems()
    {
        const fs::path root = s_root.toStdString();
        std::vector<std::pair<fs::path, bool>> pending{{root, false}};
        while (!pending.empty()) {
            const auto [folder, closed] = pending.back();
            pending.pop_back();
            std::error_code error;
            for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
                Item item;
                item.path = entry.path();
                item.name = QString::fromStdString(item.path.filename().string());
                item.relative = QString::fromStdString(item.path.lexically_relative(root).string());
                item.folder = fs::is_directory(entry.symlink_status());
                item.package = item.folder && isPackageName(item.name);
                item.invisible = closed || item.name.startsWith(u'.');
                if (item.folder)
                    pending.emplace_back(item.path, item.invisible || item.package);
                s_items.append(item);
            }
        }
    }

    void SetUp() override
    {
        if (!s_made)
            GTEST_SKIP() << "tools/make-test-tree could not run (python3 missing?)";
    }

    // The engine's answer for a search of `phrase`.
    QStringList search(const QString& phrase, std::uint64_t what, std::uint64_t mode,
                       const std::function<void(SearchParams&)>& configure = {})
    {
        UserDefaults defaults(m_settings.filePath(QStringLiteral("defaults.plist")));
        SearchEngine engine(*this, defaults);
        engine.params().what = what;
        engine.params().mode = mode;
        engine.params().comparison = 1;
        if (configure)
            configure(engine.params());
        EXPECT_TRUE(engine.search(phrase, s_root));
        for (int i = 0; i < 60000 && !engine.searchDone(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_TRUE(engine.searchDone());
        const QStringList found = test::shownRelativePaths(engine.dataSource(), s_root);
        EXPECT_EQ(found.size(), QSet<QString>(found.cbegin(), found.cend()).size()) << "reported twice";
        return found;
    }

    // The visible items for which `test` holds, sorted.
    static QStringList expected(const std::function<bool(const Item&)>& test, bool invisibles = false)
    {
        QStringList paths;
        for (const Item& item : s_items) {
            if ((invisibles || !item.invisible) && test(item))
                paths.append(item.relative);
        }
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    void beep() override {}
    void requestAttentionWhenInactive() override {}
    QStringList localVolumePaths() override { return {}; }
    QStringList removableMedia() override { return {}; }
    void didUpdateResultInfo(const ResultPointer&) override {}

    static inline TempTree* s_tree = nullptr;
    static inline QString s_root;
    static inline bool s_made = false;
    static inline QJsonObject s_manifest;
    static inline QList<Item> s_items;
    TempTree m_settings;
};

TEST_F(SearchIntegrationTest, NamesInEachMode)
{
    const auto nameHas = [](const QString& word) {
        return [word](const Item& item) { return containsIgnoringAsciiCase(item.name, word); };
    };
    EXPECT_EQ(search(QStringLiteral("report"), kSearchNames, kSearchAllWords), expected(nameHas("report")));
    EXPECT_EQ(search(QStringLiteral("summer report"), kSearchNames, kSearchAllWords),
              expected([&](const Item& i) { return nameHas("summer")(i) && nameHas("report")(i); }));
    EXPECT_EQ(search(QStringLiteral("winter budget"), kSearchNames, kSearchAnyWord),
              expected([&](const Item& i) { return nameHas("winter")(i) || nameHas("budget")(i); }));
    EXPECT_EQ(search(QStringLiteral("*.MD"), kSearchNames, kSearchWildcards),
              expected([](const Item& i) { return asciiLower(i.name).endsWith(u".md"); }));
    EXPECT_EQ(search(QStringLiteral("^report_"), kSearchNames, kSearchRegularExpression),
              expected([](const Item& i) { return asciiLower(i.name).startsWith(u"report_"); }));
}

TEST_F(SearchIntegrationTest, TypesAndInvisibles)
{
    const auto report = [](const Item& item) { return containsIgnoringAsciiCase(item.name, QStringLiteral("report")); };
    EXPECT_EQ(search(QStringLiteral("report"), kSearchNames, kSearchPhrase, [](SearchParams& p) { p.type = kSearchFolders; }),
              expected([&](const Item& i) { return report(i) && i.folder && !i.package; }));
    EXPECT_EQ(search(QStringLiteral("report"), kSearchNames, kSearchPhrase, [](SearchParams& p) { p.type = kSearchFiles; }),
              expected([&](const Item& i) { return report(i) && (!i.folder || i.package); }));
    // With invisibles, hidden items count, but packages stay closed.
    const QStringList withInvisibles =
        search(QStringLiteral("report"), kSearchNames, kSearchPhrase, [](SearchParams& p) { p.invisibles = true; });
    QStringList expectedInvisibles;
    for (const Item& item : s_items) {
        bool inPackage = false;
        for (QString parent = QFileInfo(item.relative).path(); parent != u"."; parent = QFileInfo(parent).path())
            inPackage = inPackage || isPackageName(QFileInfo(parent).fileName());
        if (report(item) && !inPackage)
            expectedInvisibles.append(item.relative);
    }
    std::sort(expectedInvisibles.begin(), expectedInvisibles.end());
    EXPECT_EQ(withInvisibles, expectedInvisibles);
}

TEST_F(SearchIntegrationTest, ContentsOfListedFiles)
{
    static const QStringList listed = {"txt", "md", "c", "h", "py", "html", "css", "csv", "log", "js"};
    const auto contentHas = [](const QStringList& words) {
        return [words](const Item& item) {
            if (item.folder || !listed.contains(QFileInfo(item.name).suffix()))
                return false;
            const QString text = decodedContents(item.path);
            return std::any_of(words.cbegin(), words.cend(),
                               [&](const QString& word) { return containsIgnoringAsciiCase(text, word); });
        };
    };
    const QStringList quantum = expected(contentHas({QStringLiteral("quantum")}));
    ASSERT_FALSE(quantum.isEmpty());
    EXPECT_EQ(search(QStringLiteral("quantum"), kSearchContents, kSearchPhrase), quantum);
    EXPECT_EQ(search(QStringLiteral("quantum OR zephyr"), kSearchContents, kSearchQueryTerms),
              expected(contentHas({QStringLiteral("quantum"), QStringLiteral("zephyr")})));
    EXPECT_EQ(search(QStringLiteral("qu[a]ntum"), kSearchContents, kSearchRegularExpression), quantum);
}

TEST_F(SearchIntegrationTest, TagsAndCommentsFromTheManifest)
{
    const auto listedIn = [](const QString& key, const QString& word) {
        return [key, word](const Item& item) {
            const QJsonValue value = s_manifest.value(key).toObject().value(item.relative);
            const QString text = value.isArray() ? value.toVariant().toStringList().join(u' ') : value.toString();
            return containsIgnoringAsciiCase(text, word);
        };
    };
    const QStringList tagged = expected(listedIn(QStringLiteral("tags"), QStringLiteral("urgent")));
    if (s_manifest.value(QStringLiteral("tags")).toObject().isEmpty())
        GTEST_SKIP() << "no extended attributes on this file system";
    ASSERT_FALSE(tagged.isEmpty());
    EXPECT_EQ(search(QStringLiteral("urgent"), kSearchTags, kSearchPhrase), tagged);
    const QStringList commented = expected(listedIn(QStringLiteral("comments"), QStringLiteral("draft")));
    ASSERT_FALSE(commented.isEmpty());
    EXPECT_EQ(search(QStringLiteral("draft"), kSearchComments, kSearchPhrase), commented);
}

TEST_F(SearchIntegrationTest, StopEndsTheWalkEarly)
{
    UserDefaults defaults(m_settings.filePath(QStringLiteral("defaults.plist")));
    SearchEngine engine(*this, defaults);
    engine.params().what = kSearchContents;
    engine.params().mode = kSearchPhrase;
    ASSERT_TRUE(engine.search(QStringLiteral("quantum"), s_root));
    for (int i = 0; i < 10000 && engine.params().nDone.load() < 10; ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    engine.stopSearch();
    EXPECT_TRUE(engine.searchDone());
    EXPECT_LT(engine.params().nDone.load(), std::uint64_t(s_items.size()));
}

// The driver prints what the engine finds, one path a line or NUL-separated,
// and says by its exit status whether anything was found.
TEST_F(SearchIntegrationTest, DriverPrintsPathsAndExitStatus)
{
    const QString driver = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/sorvant-search");
    if (!QFileInfo(driver).isExecutable())
        GTEST_SKIP() << "the driver is not built next to the tests";
    const auto run = [&](const QStringList& arguments, QByteArray* output) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_settings.path());
        process.setProcessEnvironment(environment);
        process.start(driver, arguments);
        process.waitForFinished(120000);
        *output = process.readAllStandardOutput();
        return process.exitCode();
    };
    QByteArray output;
    EXPECT_EQ(run({QStringLiteral("-i"), QStringLiteral("-0"), QStringLiteral("report"), s_root}, &output), 0);
    QStringList printed;
    for (const QByteArray& path : output.split('\0')) {
        if (!path.isEmpty())
            printed.append(QString::fromUtf8(path).mid(s_root.size() + 1));
    }
    std::sort(printed.begin(), printed.end());
    EXPECT_EQ(printed, expected([](const Item& i) { return containsIgnoringAsciiCase(i.name, QStringLiteral("report")); }));
    EXPECT_EQ(run({QStringLiteral("no such name anywhere"), s_root}, &output), 1);
    EXPECT_TRUE(output.isEmpty());
    EXPECT_EQ(run({QStringLiteral("--mode"), QStringLiteral("sideways"), QStringLiteral("x"), s_root}, &output), 2);
    EXPECT_EQ(run({QStringLiteral("x"), s_root + QStringLiteral("/missing")}, &output), 2);
}

} // namespace
} // namespace sorvant
