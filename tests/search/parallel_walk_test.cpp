// The walk with its pool of threads: the same results as one thread and as a
// plain model of the rules, every item counted once, a stop that leaves no
// thread behind, and items reached only relative to their folders (paths
// longer than PATH_MAX, names that are not UTF-8, special ".DS_Store" files).

#include "search/directory_walk.h"

#include "platform/file_system_representation.h"
#include "platform/package_extensions.h"
#include "platform/unicode.h"
#include "platform/xattr.h"
#include "search/content_text_matching.h"
#include "search/ds_store.h"
#include "search/results_data_source.h"
#include "search/search_params.h"
#include "search/walk_threads.h"
#include "search/wildcard_patterns.h"
#include "tests/search/engine_test_support.h"
#include "tests/support/ds_store_writer.h"
#include "tests/support/temp_tree.h"
#include "tests/support/thread_names.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <thread>

namespace sorvant {
namespace {

using test::TempTree;

// --- helpers on raw bytes --------------------------------------------------------------

// Removes `name` in the open folder `parent` and everything below it,
// through descriptors only: these trees may be deeper than PATH_MAX.
void removeAt(int parent, const char* name)
{
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::unlinkat(parent, name, 0);
        return;
    }
    if (DIR* folder = ::fdopendir(::dup(fd))) {
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(folder)) {
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.emplace_back(entry->d_name);
        }
        ::closedir(folder);
        for (const std::string& child : names)
            removeAt(fd, child.c_str());
    }
    ::close(fd);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

bool writeAt(int folder, const QByteArray& name, const QByteArray& contents)
{
    const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, contents.constData(), size_t(contents.size())) == contents.size();
    ::close(fd);
    return written;
}

// A temporary folder made and removed through descriptors, with HOME and
// the XDG folders pointed into it for the length of the test.
class RawTree : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { initSeparatorsAndTables(); }

    void SetUp() override
    {
        for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME",
                                     "XDG_RUNTIME_DIR"}) {
            const QString folder = m_home.makeDir(QString::fromLatin1(variable));
            ::setenv(variable, folder.toUtf8().constData(), 1);
        }
        m_root = m_tree.makeDir(QStringLiteral("walk"));
        m_rootFd = ::open(fileSystemRepresentation(m_root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(m_rootFd, 0);
    }
    void TearDown() override
    {
        ::close(m_rootFd);
        removeAt(AT_FDCWD, fileSystemRepresentation(m_root).constData());
    }

    // Makes `relative` (bytes, "/"-separated) below the root, its folders
    // first; a name ending in "/" is a folder.
    void make(const QByteArray& relative, const QByteArray& contents = {})
    {
        const QList<QByteArray> parts = relative.split('/');
        int fd = ::dup(m_rootFd);
        for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
            ::mkdirat(fd, parts[i].constData(), 0755);
            const int next = ::openat(fd, parts[i].constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            ASSERT_GE(next, 0) << relative.constData();
            fd = next;
        }
        if (!parts.last().isEmpty()) {
            EXPECT_TRUE(writeAt(fd, parts.last(), contents)) << relative.constData();
        }
        ::close(fd);
    }

    static SearchParams* makeParams(SearchParams& params, ResultsDataSource& results)
    {
        params.dataSource = &results;
        params.comparison = 1;
        params.what = kSearchNames;
        params.mode = kSearchPhrase;
        params.extensions = {QStringLiteral("TXT")};
        params.maxFileSize = std::uint64_t(1) << 30;
        return &params;
    }

    static QStringList walk(SearchParams& params, const QString& root)
    {
        params.nDone.store(0);
        ReportedPaths reported;
        searchWindowWalkDirectory(params, root, reported);
        return test::shownRelativePaths(*params.dataSource, root);
    }

    TempTree m_home;
    TempTree m_tree;
    QString m_root;
    int m_rootFd = -1;
};

// --- the differential check ----------------------------------------------------------------

// Name pieces that exercise the name paths: ASCII in both cases, characters
// whose full case folding is ASCII (long s, Kelvin, ß, a ligature),
// decomposed and composed accents, and a byte that is no UTF-8.
const char* const kPieces[] = {"Report", "report", "DRAFT", "e", "straße", "STRASSE", "Re\xcc\x81sume\xcc\x81",
                               "R\xc3\xa9sum\xc3\xa9", "\xc5\xbfun", "\xe2\x84\xaa" "elvin", "o\xef\xac\x80ice",
                               "bad\xff", " ", "x"};
const char* const kSuffixes[] = {"", ".txt", ".TXT", ".app", ".textbundle", ".md", ".bin"};
const char* const kWords[] = {"report", "REP", "e", "ss", "straße", "résumé", "k", "ſ", "ff", "rt d", "x"};
const char* const kWildcards[] = {"*port*", "*.txt", "?e*", "[a-r]*", "*ss*"};
const std::string_view kContents[] = {"a report here", "STRASSE und straße", "re\xcc\x81sume\xcc\x81", "nothing",
                                      {"\xff\xfe" "r\0e\0p\0o\0r\0t\0", 14}, "x\xc3\x28y", ""};

class ParallelWalkTest : public RawTree
{
protected:
    // A random tree of about `count` items below the new folder `top`, at
    // most four levels deep.
    void makeRandomTree(std::mt19937& random, const QByteArray& top, int count)
    {
        make(top + '/');
        std::vector<QByteArray> folders{top};
        const auto pick = [&random](const auto& table) {
            return table[std::uniform_int_distribution<std::size_t>(0, std::size(table) - 1)(random)];
        };
        for (int i = 0; i < count; ++i) {
            const QByteArray& folder =
                folders[std::uniform_int_distribution<std::size_t>(0, folders.size() - 1)(random)];
            QByteArray name = random() % 6 == 0 ? QByteArray(".") : QByteArray();
            name += pick(kPieces);
            name += pick(kPieces);
            name += QByteArray::number(i);
            name += pick(kSuffixes);
            const QByteArray path = folder + '/' + name;
            const unsigned kind = random() % 10;
            if (kind < 3 && folder.count('/') < 3) {
                make(path + '/');
                folders.push_back(path);
            } else if (kind == 3) {
                ::symlinkat(pick(kPieces), m_rootFd, path.constData());
            } else if (kind == 4) {
                make(folder + "/.hidden", name + "\n" + pick(kPieces));
            } else {
                const std::string_view contents = pick(kContents);
                make(path, QByteArray(contents.data(), qsizetype(contents.size())));
            }
            if (kind == 5) {
                const char* tag = pick(kWords);
                ::setxattr((fileSystemRepresentation(m_root) + '/' + path).constData(), kTagsAttribute, tag,
                           std::strlen(tag), 0);
            }
        }
    }

    // The names rules of a walk, written plainly: what a names search must
    // report, with every name decoded and composed.
    void model(const SearchParams& params, const QByteArray& folder, const QString& relative,
               QStringList& found) const
    {
        DIR* listing = ::opendir(folder.constData());
        if (!listing)
            return;
        std::set<QByteArray> hidden;
        if (!params.invisibles) {
            std::ifstream file((folder + "/.hidden").toStdString());
            for (std::string line; std::getline(file, line);)
                hidden.insert(QByteArray::fromStdString(line));
        }
        while (const dirent* entry = ::readdir(listing)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == ".." || (!params.invisibles && (name.startsWith('.') || hidden.count(name))))
                continue;
            struct stat status{};
            ::lstat((folder + '/' + name).constData(), &status);
            const bool isFolder = S_ISDIR(status.st_mode);
            const QString decoded = stringWithFileSystemRepresentation(name);
            const bool isPackage = hasPackageSuffix(decoded) || (isFolder && hasBundleExtension(decoded));
            const QString path = relative.isEmpty() ? decoded : relative + u'/' + decoded;
            const QString composed = unicode::normalizedString(decoded, unicode::NormalizationForm::NFC);
            const bool matched = searchWindowMatchString(composed, params, unsigned(params.comparison & 1));
            const bool typeOk = params.type == kSearchFilesAndFolders
                                || (params.type == kSearchFiles && (!isFolder || isPackage))
                                || (params.type == kSearchFolders && isFolder && !isPackage);
            if (matched && typeOk)
                found.append(path);
            if (isFolder && (params.packageContents || !isPackage))
                model(params, folder + '/' + name, path, found);
        }
        ::closedir(listing);
    }
};

TEST_F(ParallelWalkTest, SameResultsWithEveryThreadCountAndAsThePlainRules)
{
    const std::uint64_t whats[] = {kSearchNames, kSearchNames, kSearchContents, kSearchNames | kSearchContents,
                                   kSearchTags};
    for (unsigned seed = 1; seed <= 3; ++seed) {
        std::mt19937 random(seed);
        const QByteArray top = "t" + QByteArray::number(seed);
        makeRandomTree(random, top, 250);
        const QString root = m_root + u'/' + QString::fromLatin1(top);
        for (int round = 0; round < 40; ++round) {
            SearchParams params;
            ResultsDataSource results;
            makeParams(params, results);
            params.mode = random() % 4;
            params.comparison = random() % 2;
            params.invisibles = random() % 2;
            params.packageContents = random() % 2;
            params.scanAll = random() % 4 == 0;
            params.type = 1 + random() % 3;
            params.what = whats[random() % std::size(whats)];
            const QString first = QString::fromUtf8(kWords[random() % std::size(kWords)]);
            const QString second = QString::fromUtf8(kWords[random() % std::size(kWords)]);
            params.words = params.mode <= kSearchAnyWord ? QStringList{first, second} : QStringList{first};
            if (params.mode == kSearchWildcards) {
                params.wildcard = QString::fromUtf8(kWildcards[random() % std::size(kWildcards)]);
                params.words = {params.wildcard};
            }
            SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round << " mode " << params.mode
                                            << " what " << params.what << " words "
                                            << params.words.join(u'|').toStdString() << " case "
                                            << params.comparison << " invisibles " << params.invisibles
                                            << " packages " << params.packageContents << " type " << params.type);
            params.threads = 1;
            const QStringList single = walk(params, root);
            const std::uint64_t singleDone = params.nDone.load();
            ResultsDataSource parallelResults;
            params.dataSource = &parallelResults;
            params.threads = 8;
            EXPECT_EQ(walk(params, root), single);
            EXPECT_EQ(params.nDone.load(), singleDone) << "every item is counted exactly once";
            if (params.what == kSearchNames) {
                QStringList expected;
                model(params, fileSystemRepresentation(root), QString(), expected);
                std::sort(expected.begin(), expected.end());
                EXPECT_EQ(single, expected);
            }
        }
    }
}

// A content search shares out the items of a folder of many in slices that
// any thread may read: the items of every slice are found, hidden and
// invisible ones are left out, subfolders found in any slice are walked,
// and each item is counted once, as when one thread reads the folder whole.
TEST_F(ParallelWalkTest, FolderOfManyItemsSharedOutGivesTheSameResults)
{
    QStringList contentMatches;
    QStringList hiddenNames;
    for (int i = 0; i < 150; ++i) {
        const QByteArray number = QByteArray::number(i);
        const bool hidden = i % 13 == 5;
        const QByteArray name =
            QByteArray(i % 17 == 3 ? "." : "") + (i % 11 == 0 ? "needle " : "file ") + number + ".txt";
        make("wide/" + name, i % 7 == 0 ? "a needle here" : "nothing");
        if (hidden)
            hiddenNames.append(QString::fromLatin1(name));
        if (i % 7 == 0 && !hidden && !name.startsWith('.'))
            contentMatches.append(QStringLiteral("wide/") + QString::fromLatin1(name));
        if (i % 10 == 0) {
            make("wide/sub " + number + "/deep.txt", "needle");
            contentMatches.append(QStringLiteral("wide/sub ") + QString::fromLatin1(number) + QStringLiteral("/deep.txt"));
        }
    }
    make("wide/.hidden", hiddenNames.join(u'\n').toLatin1());
    std::sort(contentMatches.begin(), contentMatches.end());
    for (const std::uint64_t what : {std::uint64_t(kSearchContents), std::uint64_t(kSearchNames | kSearchContents)}) {
        for (const bool invisibles : {false, true}) {
            SCOPED_TRACE(testing::Message() << "what " << what << " invisibles " << invisibles);
            SearchParams params;
            ResultsDataSource results;
            makeParams(params, results);
            params.what = what;
            params.invisibles = invisibles;
            params.type = kSearchFiles;
            params.words = {QStringLiteral("needle")};
            params.threads = 1;
            const QStringList single = walk(params, m_root);
            const std::uint64_t singleDone = params.nDone.load();
            if (what == kSearchContents && !invisibles) {
                EXPECT_EQ(single, contentMatches);
            }
            for (int round = 0; round < 5; ++round) {
                ResultsDataSource parallelResults;
                params.dataSource = &parallelResults;
                params.threads = 8;
                EXPECT_EQ(walk(params, m_root), single);
                EXPECT_EQ(params.nDone.load(), singleDone) << "every item is counted exactly once";
            }
        }
    }
}

TEST_F(ParallelWalkTest, StopInTheMiddleLeavesNoThreadAndOnlyWholeResults)
{
    constexpr int kFolders = 24;
    constexpr int kFiles = 150;
    for (int folder = 0; folder < kFolders; ++folder) {
        for (int file = 0; file < kFiles; ++file)
            make("f" + QByteArray::number(folder) + "/match " + QByteArray::number(file) + ".txt", "needle");
    }
    // The walk's own threads still alive in this process, by their name:
    // other tests may leave threads of their own (Qt's pools) coming and going.
    const auto walkThreads = [] { return int(test::threadsNamed(kWalkThreadName)); };
    // On a busy machine the walkers may find everything before this thread
    // runs again to stop them: the stop has not been tried then, and the
    // walk runs again (the whole walk is a few milliseconds of work).
    for (int attempt = 1;; ++attempt) {
        SCOPED_TRACE(attempt);
        SearchParams params;
        ResultsDataSource results;
        makeParams(params, results);
        params.words = {QStringLiteral("needle")};
        params.what = kSearchContents;
        params.threads = 8;
        ReportedPaths reported;
        std::thread search([&] { searchWindowWalkDirectory(params, m_root, reported); });
        // The owner's side: flush as the results come, stop after a few hundred.
        std::uint64_t shown = 0;
        while (shown < 300) {
            results.lock();
            results.flushResults();
            shown = results.count();
            results.unlock();
            std::this_thread::yield();
        }
        params.stop.store(true);
        search.join();
        EXPECT_EQ(walkThreads(), 0) << "every walk thread has ended";
        const std::uint64_t doneAtEnd = params.nDone.load();
        const QStringList paths = test::shownRelativePaths(results, m_root);
        if (paths.size() == kFolders * kFiles && attempt < 20)
            continue;
        EXPECT_LT(paths.size(), kFolders * kFiles) << "the walk ended early";
        EXPECT_EQ(qsizetype(reported.size()), paths.size()) << "each reported path has its result";
        EXPECT_GE(doneAtEnd, std::uint64_t(paths.size()));
        for (const ResultPointer& result : results.results()) {
            EXPECT_TRUE(reported.contains(result->fullPath()));
            EXPECT_EQ(result->fullPath().section(u'/', -1), result->name());
            EXPECT_GT(result->fileSize(), 0) << "its attributes were read";
        }
        // A thread still counting would show within half a second.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(params.nDone.load(), doneAtEnd) << "nothing counts after the walk returned";
        break;
    }
}

// --- items reached relative to their folders -------------------------------------------------

class RelativeReadsTest : public RawTree
{
};

TEST_F(RelativeReadsTest, ItemsBeyondPathMaxAreFoundByContentsTagsAndComments)
{
    // 24 folders of 200 bytes: the item's whole path is far past PATH_MAX.
    const QByteArray level(200, 'd');
    QByteArray relative;
    for (int i = 0; i < 24; ++i)
        relative += level + '/';
    make(relative + "deep.txt", "a needle inside");
    ASSERT_GT(m_root.size() + relative.size(), PATH_MAX);
    int fd = ::dup(m_rootFd);
    for (int i = 0; i < 24; ++i) {
        const int next = ::openat(fd, level.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    ASSERT_TRUE(writeAt(fd, ".DS_Store", test::dsStoreBytes({test::DSStoreRecord::comment(
                                             QStringLiteral("deep.txt"), QStringLiteral("a needle comment"))})));
    const int file = ::openat(fd, "deep.txt", O_RDONLY | O_CLOEXEC);
    const bool tagged = ::fsetxattr(file, kTagsAttribute, "needle", 6, 0) == 0;
    ::close(file);
    ::close(fd);
    const QString expected = QString::fromLatin1(relative + "deep.txt");
    for (const std::uint64_t what : {kSearchContents, kSearchComments, kSearchTags}) {
        SCOPED_TRACE(testing::Message() << "what " << what);
        if (what == kSearchTags && !tagged)
            continue; // no extended attributes on this file system
        SearchParams params;
        ResultsDataSource results;
        makeParams(params, results);
        params.words = {QStringLiteral("needle")};
        params.what = what;
        EXPECT_EQ(walk(params, m_root), QStringList{expected});
    }
}

TEST_F(RelativeReadsTest, NamesThatAreNotUtf8KeepTheirBytes)
{
    // A folder named with byte 0xFF holds a Finder comment and a ".hidden"
    // list naming a file by bytes that are no UTF-8 either.
    make("bad\xff/plain.txt");
    make("bad\xff/sec\xffret needle.txt");
    make("bad\xff/.hidden", "sec\xffret needle.txt\n");
    const auto decoded = [](const char* bytes) { return stringWithFileSystemRepresentation(QByteArray(bytes)); };
    const QString folder = m_root + u'/' + decoded("bad\xff");
    make("bad\xff/.DS_Store", test::dsStoreBytes({test::DSStoreRecord::comment(QStringLiteral("plain.txt"),
                                                                             QStringLiteral("needle comment"))}));
    ASSERT_NE(DSStore::storeWithDirectory(folder), nullptr);
    DSStore::invalidateFinderCommentsCache();
    EXPECT_EQ(DSStore::finderCommentAtPath(folder + QStringLiteral("/plain.txt")), QStringLiteral("needle comment"));

    SearchParams params;
    ResultsDataSource results;
    makeParams(params, results);
    params.words = {QStringLiteral("needle")};
    params.what = kSearchNames | kSearchComments;
    EXPECT_EQ(walk(params, m_root), QStringList{decoded("bad\xff/plain.txt")});
    params.invisibles = true;
    ResultsDataSource all;
    params.dataSource = &all;
    EXPECT_EQ(walk(params, m_root),
              (QStringList{decoded("bad\xff/plain.txt"), decoded("bad\xff/sec\xffret needle.txt")}));
}

TEST_F(RelativeReadsTest, HiddenListThatIsAPipeNeverStallsTheWalk)
{
    // Opening a pipe for reading would wait for a writer forever.
    make("inner/needle.txt");
    ASSERT_EQ(::mkfifoat(m_rootFd, ".hidden", 0600), 0);
    SearchParams params;
    ResultsDataSource results;
    makeParams(params, results);
    params.words = {QStringLiteral("needle")};
    EXPECT_EQ(walk(params, m_root), QStringList{QStringLiteral("inner/needle.txt")});
}

TEST_F(RelativeReadsTest, SpecialStoreFilesAreNeverOpened)
{
    struct Case
    {
        const char* name;
        std::function<void(const QByteArray& store)> make;
        bool opened;
    };
    const QByteArray valid = test::dsStoreBytes({test::DSStoreRecord::comment("a", "x")});
    const std::vector<Case> cases = {
        {"a regular file", [&](const QByteArray& store) { std::ofstream(store.toStdString()) << valid.toStdString(); },
         true},
        {"a pipe", [](const QByteArray& store) { ::mkfifo(store.constData(), 0600); }, false},
        {"a link to a regular file",
         [&](const QByteArray& store) {
             std::ofstream(store.toStdString() + ".real") << valid.toStdString();
             ::symlink(".DS_Store.real", store.constData());
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray folder =
            fileSystemRepresentation(m_root) + "/" + QByteArray::number(qHash(QByteArray(c.name)));
        ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
        const QByteArray store = folder + "/.DS_Store";
        c.make(store);
        // The kernel reports every open of the file itself (not of a link's
        // target) to this watch.
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, store.constData(), IN_OPEN | IN_DONT_FOLLOW), 0);
        const std::unique_ptr<DSStore> read = DSStore::storeWithDirectory(stringWithFileSystemRepresentation(folder));
        char events[4096];
        const bool sawOpen = ::read(watch, events, sizeof events) > 0;
        ::close(watch);
        EXPECT_EQ(sawOpen, c.opened);
        EXPECT_EQ(read != nullptr, c.opened);
    }
}

} // namespace
} // namespace sorvant
