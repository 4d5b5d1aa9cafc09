// sorvant-search: runs one search without a window, for tests, benchmarks
// and scripts. It owns a SearchEngine as a search window does and prints one
// full path per result, as results come (every 10 ms: a pipe needs no 2 s
// batches as the window's sorted table does), progress on the window's
// 0.25 s refresh. With --long each line first gives the window's default
// columns, read as the window reads them: the size, the modification date
// and the kind from the MIME database.
//
// Exit status: 0 something was found, 1 nothing was, 2 a usage error, a
// search that could not start or results that could not be written,
// 128 + the signal number after SIGINT or SIGTERM (the results printed are
// then partial, and standard error says so).
//
// Arguments are decoded the way file names are (file_system_representation.h),
// so a folder or a phrase holding bytes that are not UTF-8 keeps them.

#include "foundation/trimming.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/unique_fd.h"
#include "platform/path_semantics.h"
#include "platform/regular_expression.h"
#include "platform/unicode.h"
#include "platform/user_defaults.h"
#include "platform/volumes.h"
#include "search/directory_walk.h"
#include "search/query_terms.h"
#include "search/search_engine.h"
#include "search/wildcard_patterns.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sorvant;

namespace {

// The signal that interrupted the search; 0 while none has.
std::atomic<int> g_interrupted{0};

// Whether progress is one line rewritten on a terminal (standard error).
std::atomic<bool> g_progressLine{false};

// Whether results go to the terminal that shows the progress line, which is
// then cleared before results are written under it.
bool g_resultsUnderProgress = false;

// Log lines go to standard error with the bytes of the paths they name
// (the platform's sink writes UTF-8, where a byte that is not UTF-8 is
// lost); on a terminal showing progress, the progress line is cleared
// first, and redrawn at the next refresh.
void writeLogLine(const QString& line)
{
    const QByteArray bytes = fileSystemRepresentation(line) + '\n';
    if (g_progressLine.load())
        std::fputs("\r\033[K", stderr);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString errnoText(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

void printError(const QString& message)
{
    std::fprintf(stderr, "%ssorvant-search: %s\n", g_progressLine.load() ? "\r\033[K" : "",
                 fileSystemRepresentation(message).constData());
}

class DriverOwner : public SearchEngineOwner
{
public:
    void beep() override { m_beeped = true; }
    // Posted when the worker has done its work, just before it ends.
    void requestAttentionWhenInactive() override
    {
        if (m_ended)
            m_ended();
    }
    void setEndedHandler(std::function<void()> handler) { m_ended = std::move(handler); }
    QStringList localVolumePaths() override { return mountedLocalVolumePaths(); }
    QStringList removableMedia() override { return mountedRemovableMediaPaths(); }
    void didUpdateResultInfo(const ResultPointer&) override {}
    [[nodiscard]] bool beeped() const { return m_beeped; }

private:
    bool m_beeped = false;
    std::function<void()> m_ended;
};

// The search asked for (its path is the destination), and how to print it.
struct Options : SearchRequest
{
    Options() { what = 0; mode = kSearchAllWords; }
    std::uint64_t threads = 0;
    bool scanAll = false;
    bool nulSeparated = false;
    bool progress = false;
    bool longListing = false;
};

std::optional<std::uint64_t> lookUp(const QString& value, const QStringList& names)
{
    const qsizetype index = names.indexOf(value);
    return index < 0 ? std::nullopt : std::optional<std::uint64_t>(std::uint64_t(index));
}

int usageError(const QString& message)
{
    printError(message + QStringLiteral("\nTry 'sorvant-search --help'."));
    return 2;
}

// The command line as file names are decoded, so that every byte of a
// folder or phrase that is not UTF-8 comes through unchanged.
QStringList decodedArguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(stringWithFileSystemRepresentation(QByteArray(argv[i])));
    return arguments;
}

// The working folder, however deep (getcwd with no buffer has no PATH_MAX
// limit); null, with errno set, when it cannot be named.
QString currentFolder()
{
    char* folder = ::getcwd(nullptr, 0);
    if (!folder)
        return {};
    const QString path = stringWithFileSystemRepresentation(QByteArray(folder));
    std::free(folder);
    return path;
}

const QString kHelpIntro = QStringLiteral(
    "Finds files and folders below FOLDER whose names, contents, tags or comments\n"
    "match PHRASE, and prints one full path per line as results come in. FOLDER is\n"
    "required unless --all, --local or --removable chooses volumes instead; it is\n"
    "the folder the file system reaches by that path (\"..\" after a link goes where\n"
    "the kernel goes; \"~\" is the shell's to expand).\n"
    "\n"
    "What is searched: every item below FOLDER, the file systems mounted below it\n"
    "included (disks, tmpfs, ramfs, squashfs, overlay, network and FUSE ones), but\n"
    "none the kernel fills (proc, sysfs, devtmpfs, devpts, cgroup, ...); a link below\n"
    "FOLDER is never followed into a folder; invisible items (-a) and package\n"
    "contents (-p) on request. Contents (-c) are read from files with the extensions\n"
    "listed in the"
    " user defaults \"fileExtOn1\"..\"fileExtOn6\" / \"fileExt1\"..\"fileExt6\"\n"
    "(every file with --scan-all), as UTF-8, UTF-16/32 with a byte-order mark, or\n"
    "the set named in the \"user.charset\" attribute. A file of a quarter of the\n"
    "memory or more is skipped, and so is one of 2 GiB or more where it is searched\n"
    "whole (wildcards, terms, regex); each with a warning naming it.\n"
    "\n"
    "Modes (--mode):\n"
    "  all        every word of PHRASE, anywhere (the default); any: one of them;\n"
    "             phrase: PHRASE as written\n"
    "  wildcards  the whole name or text matches: * any run, ? one character,\n"
    "             [abc] [a-z] [^0-9] one of a set; a literal * ? [ is [*] [?] [[]\n"
    "  terms      words and \"exact phrases\" joined by AND (or nothing, &), OR (|),\n"
    "             XOR (^), NOT (-, !), NEAR/n, BEFORE/n, AFTER/n, NEXT (n words);\n"
    "             (groups); ~word inside words; * and ? in words\n"
    "  regex      an ICU regular expression; ^ and $ match at each line. Matching\n"
    "             one file may take ICU's time limit of 1,000 steps, one more\n"
    "             per 1,000 characters (a few tenths of a second: a step's time\n"
    "             depends on the processor and the pattern); past it the file\n"
    "             is given up with a warning naming it (\"too slow\")\n"
    "\n"
    "A file or folder that cannot be read, and the tags or comments of one where\n"
    "they are searched, are named in a warning on standard error, and the search\n"
    "goes on.\n"
    "\n"
    "Exit status: 0 found, 1 nothing found, 2 usage error, invalid regular expression,\n"
    "query terms or wildcards, a folder that cannot be searched, or results that\n"
    "could not be written; 130 after SIGINT and 143 after SIGTERM (the results\n"
    "printed are then partial).");

struct OptionText
{
    QStringList names;
    const char* description;
    const char* valueName = nullptr;
};

// Every option of the command, in the order --help lists them.
const QList<OptionText>& optionTexts()
{
    static const QList<OptionText> texts = {
        {{"h", "help"}, "Show this help."},
        {{"n", "names"}, "Search file and folder names (the default when no other of -n, -c, -t, -m is given)."},
        {{"c", "contents"}, "Search the text contents of files."},
        {{"t", "tags"}, "Search tags (\"user.xdg.tags\")."},
        {{"m", "comments"}, "Search comments (\".DS_Store\", then \"user.xdg.comment\")."},
        {{"i", "ignore-case"}, "Ignore case."},
        {{"d", "ignore-diacritics"}, "Ignore diacritics (query terms)."},
        {{"z", "fuzzy"}, "Fuzzy matching (query terms)."},
        {{"mode"}, "How words combine: all (default), any, phrase, wildcards, terms, regex.", "MODE"},
        {{"type"}, "Which items qualify: files, folders, both (default).", "TYPE"},
        {{"a", "invisibles"}, "Search invisible items too."},
        {{"p", "package-contents"}, "Search inside packages too."},
        {{"scan-all"}, "Content-search every file, whatever its extension."},
        {{"threads"}, "Read folders with N threads (default: one per processor).", "N"},
        {{"all"}, "Search all volumes."},
        {{"local"}, "Search the local volumes."},
        {{"removable"}, "Search removable volumes."},
        {{"0", "null"}, "End each path with a NUL byte instead of a new line."},
        {{"l", "long"}, "Print the size, the modification date and the kind before each path."},
        {{"progress"}, "Show \"N found/M done\" on standard error: one line rewritten on a terminal, else a line "
                       "each time."},
        {{"version"}, "Show the version."},
    };
    return texts;
}

// Reads --mode and --type; answers an exit status on a bad value.
std::optional<int> readChoices(const QCommandLineParser& parser, Options& options)
{
    if (parser.isSet(QStringLiteral("mode"))) {
        const QString mode = parser.value(QStringLiteral("mode"));
        const auto value = lookUp(mode, {"all", "any", "phrase", "wildcards", "terms", "regex"});
        if (!value)
            return usageError(QStringLiteral("unknown mode \"%1\"").arg(mode));
        options.mode = *value;
    }
    if (parser.isSet(QStringLiteral("type"))) {
        const QString type = parser.value(QStringLiteral("type"));
        const auto value = lookUp(type, {"files", "folders", "both"});
        if (!value)
            return usageError(QStringLiteral("unknown type \"%1\"").arg(type));
        options.type = *value + 1;
    }
    if (parser.isSet(QStringLiteral("threads"))) {
        const QString text = parser.value(QStringLiteral("threads"));
        bool ok = false;
        const unsigned threads = text.toUInt(&ok);
        if (!ok || threads == 0)
            return usageError(QStringLiteral("--threads wants a whole number from 1 up, not \"%1\"").arg(text));
        options.threads = threads;
    }
    return std::nullopt;
}

// `folder` as the kernel reaches it, made absolute: the working folder
// put before a relative one, and only what cannot change where it leads
// left out: "." components, repeated and trailing "/". ".." stays (after a
// link it leads to the link's target's parent) and "~" is a name (the
// shell expands it before the program sees it).
//   "a/./b//"  => "<cwd>/a/b"      "L/../c" => "<cwd>/L/../c"
//   "/"        => "/"              "~"      => "<cwd>/~"
QString folderAsReached(const QString& folder, const QString& current)
{
    const bool absolute = folder.startsWith(u'/');
    QStringList kept;
    for (const QString& component : (absolute ? folder : current + u'/' + folder).split(u'/')) {
        if (!component.isEmpty() && component != u".")
            kept.append(component);
    }
    return u'/' + kept.join(u'/');
}

// Makes `folder` absolute, as the file system reaches it.
std::optional<int> readFolder(const QString& folder, Options& options)
{
    if (folder.isEmpty())
        return usageError(QStringLiteral("the folder is empty"));
    // Not isAbsolutePath, which takes "~" for the home folder.
    QString current;
    if (!folder.startsWith(u'/')) {
        current = currentFolder();
        if (current.isNull()) {
            printError(QStringLiteral("cannot name the working folder: %1").arg(errnoText(errno)));
            return 2;
        }
    }
    options.path = folderAsReached(folder, current);
    return std::nullopt;
}

// Reads the phrase and the destination; answers an exit status on a usage error.
std::optional<int> readDestination(const QCommandLineParser& parser, Options& options)
{
    const QStringList positional = parser.positionalArguments();
    const auto set = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
    const int volumeChoices = int(set("all")) + int(set("local")) + int(set("removable"));
    if (positional.isEmpty())
        return usageError(QStringLiteral("no phrase given"));
    if (volumeChoices > 1 || (volumeChoices == 1 && positional.size() > 1) || positional.size() > 2)
        return usageError(QStringLiteral("give one destination: a FOLDER or one of --all, --local, --removable"));
    // The phrase as a search field gives it: composed (NFC), and a white
    // phrase is nothing to search.
    options.phrase = unicode::normalizedString(positional.at(0), unicode::NormalizationForm::NFC);
    if (stringByTrimmingWhiteSpaces(options.phrase).isEmpty())
        return usageError(QStringLiteral("the phrase is empty"));
    if (set("all"))
        options.path = QString::fromUtf16(kAllVolumesDestination);
    else if (set("local"))
        options.path = QString::fromUtf16(kLocalVolumesDestination);
    else if (set("removable"))
        options.path = QString::fromUtf16(kRemovableVolumesDestination);
    else if (positional.size() == 2)
        return readFolder(positional.at(1), options);
    else
        return usageError(QStringLiteral("no folder given"));
    return std::nullopt;
}

// Query terms are parsed as the engine parses them; a flaw the engine would
// read past (an unclosed bracket, an operator with no term after it) is
// reported with its place, as a bad regular expression is.
std::optional<int> checkQueryTerms(const Options& options)
{
    const QueryTerms terms = QueryTerms::initWithWildcard(options.phrase);
    QString problem = querySyntaxMessage(options.phrase, terms.syntax());
    if (problem.isNull() && terms.parseError() == kQueryNestedTooDeeply)
        problem = QStringLiteral("brackets nest deeper than %1").arg(kMaxQueryNesting);
    if (problem.isNull() && !terms.isValid())
        problem = QStringLiteral("there is no term to search for");
    if (problem.isNull())
        return std::nullopt;
    printError(QStringLiteral("invalid query terms: %1").arg(problem));
    return 2;
}

// A wildcard set that is never closed matches nothing; it is reported with
// its place instead.
std::optional<int> checkWildcards(const Options& options)
{
    const qsizetype open = unclosedWildcardSet(options.phrase);
    if (open == NSNotFound)
        return std::nullopt;
    const qsizetype character = QStringView(options.phrase).left(open).toUcs4().size() + 1;
    printError(QStringLiteral("invalid wildcards: the set [ at character %1 is not closed").arg(character));
    return 2;
}

// A regular expression is compiled as the engine compiles it, so that a bad
// one is reported before any walking (the engine would only find nothing).
std::optional<int> checkPattern(const Options& options)
{
    if (options.mode == kSearchQueryTerms)
        return checkQueryTerms(options);
    if (options.mode == kSearchWildcards)
        return checkWildcards(options);
    if (options.mode != kSearchRegularExpression)
        return std::nullopt;
    QString error;
    const unsigned caseOption = (options.comparison & 1) ? unsigned(kRegexCaseInsensitive) : 0U;
    if (RegularExpression::compile(options.phrase, kRegexAnchorsMatchLines | caseOption, &error).isValid())
        return std::nullopt;
    printError(QStringLiteral("invalid regular expression: %1").arg(error));
    return 2;
}

// Answers an exit status, with the reason on standard error, when the
// folder cannot be searched: missing, not a folder, unreadable, a path the
// kernel cannot take, or the root of a kernel's pseudo file system (which
// the walk never enters).
std::optional<int> checkFolder(const QString& folder)
{
    const QByteArray bytes = fileSystemRepresentation(folder);
    const int fd = ::open(bytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        if (code == ENOENT)
            printError(QStringLiteral("no such folder: %1").arg(folder));
        else if (code == ENOTDIR)
            printError(QStringLiteral("not a folder: %1").arg(folder));
        else
            printError(QStringLiteral("cannot search %1: %2").arg(folder, errnoText(code)));
        return 2;
    }
    // The folder opened decides, not its path's text: "a/.." after a link
    // is where the kernel took it.
    const QString type = kernelFileSystemType(fd);
    ::close(fd);
    if (!type.isNull()) {
        printError(QStringLiteral("%1 is on a \"%2\" pseudo file system, which the kernel fills and which is not searched")
                       .arg(folder, type));
        return 2;
    }
    return std::nullopt;
}

// Fills `options` from the command line; answers an exit status when the
// program should end at once (help, usage error).
std::optional<int> parseOptions(const QStringList& arguments, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(kHelpIntro);
    parser.addPositionalArgument(QStringLiteral("PHRASE"), QStringLiteral("What to search for."));
    parser.addPositionalArgument(QStringLiteral("FOLDER"),
                                 QStringLiteral("The folder to search (required without a volume option)."),
                                 QStringLiteral("[FOLDER]"));
    for (const OptionText& text : optionTexts()) {
        parser.addOption(text.valueName ? QCommandLineOption(text.names, QString::fromUtf8(text.description),
                                                             QString::fromLatin1(text.valueName))
                                        : QCommandLineOption(text.names, QString::fromUtf8(text.description)));
    }
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    const auto set = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };
    if (set("help")) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        return 0;
    }
    if (set("version")) {
        std::fputs("sorvant-search " SORVANT_VERSION "\n", stdout);
        return 0;
    }
    const auto bit = [&](const char* name, std::uint64_t value) { return set(name) ? value : std::uint64_t(0); };
    options.what = bit("names", kSearchNames) | bit("contents", kSearchContents) | bit("tags", kSearchTags)
                   | bit("comments", kSearchComments);
    if (options.what == 0)
        options.what = kSearchNames;
    options.comparison = bit("ignore-case", 1) | bit("ignore-diacritics", 2) | bit("fuzzy", 4);
    options.invisibles = set("invisibles");
    options.packageContents = set("package-contents");
    options.scanAll = set("scan-all");
    options.nulSeparated = set("null");
    options.progress = set("progress");
    options.longListing = set("long");
    if (const std::optional<int> status = readChoices(parser, options))
        return status;
    if (const std::optional<int> status = readDestination(parser, options))
        return status;
    return checkPattern(options);
}

// Flushes, prints and reports progress as a search window's refresh timer
// does; quits the event loop when the search has ended and all is printed.
class Printer
{
public:
    Printer(SearchEngine& engine, const Options& options) : m_engine(engine), m_options(options) {}

    void tick(bool refresh)
    {
        if (g_interrupted.load() != 0)
            m_engine.params().stop.store(true);
        ResultsDataSource& results = m_engine.dataSource();
        const bool done = m_engine.searchDone();
        if (!done && !results.hasPendingResults()) {
            if (refresh)
                progressOnly();
            return;
        }
        if (done)
            results.lock();
        else if (!results.tryLock())
            return;
        if (results.flushResults())
            printNewResults();
        results.unlock();
        if (done || refresh)
            updateInfo();
        if (done) {
            m_engine.clearSearchDone();
            QCoreApplication::quit();
        }
    }
    [[nodiscard]] qsizetype printed() const { return m_printed; }
    // The errno of a failed write on standard output; 0 while all went out.
    [[nodiscard]] int outputError() const { return m_outputError; }

    // Flushes what is left on standard output; false, with the error noted,
    // when it cannot be written.
    bool finish()
    {
        if (m_outputError == 0 && (std::fflush(stdout) != 0 || std::ferror(stdout)))
            noteOutputError(errno);
        return m_outputError == 0;
    }

private:
    // A reader that went away (a closed pipe: `| head`) ends the search
    // quietly; any other failure is reported and ends it too, since nobody
    // would see the rest.
    void noteOutputError(int code)
    {
        if (m_outputError != 0)
            return;
        m_outputError = code == 0 ? EIO : code;
        m_engine.params().stop.store(true);
        if (m_outputError != EPIPE)
            printError(QStringLiteral("cannot write the results: %1").arg(errnoText(m_outputError)));
    }
    void progressOnly()
    {
        SearchParams& params = m_engine.params();
        if (params.nDone.load() - params.nLastDone.load() >= 1001)
            updateInfo();
    }
    void updateInfo()
    {
        SearchParams& params = m_engine.params();
        const std::uint64_t done = params.nDone.load();
        const std::uint64_t found = m_engine.dataSource().count();
        if (m_options.progress) {
            const QByteArray text = found >= done ? QByteArray::number(found) + " found"
                                                  : QByteArray::number(found) + " found/" + QByteArray::number(done)
                                                        + " done";
            // On a terminal one line is rewritten, ended when the search is.
            if (g_progressLine.load())
                std::fprintf(stderr, "\r\033[K%s%s", text.constData(), m_engine.searchDone() ? "\n" : "");
            else
                std::fprintf(stderr, "%s\n", text.constData());
            std::fflush(stderr);
        }
        params.nLastDone.store(done);
    }
    void printNewResults()
    {
        const QList<ResultPointer>& shown = m_engine.dataSource().results();
        if (m_options.longListing)
            readKinds(shown, m_printed);
        // The progress line is taken away before results are written on its
        // terminal, and drawn again below them at the next refresh.
        if (g_resultsUnderProgress && m_printed < shown.size()) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
        }
        const char separator = m_options.nulSeparated ? '\0' : '\n';
        for (; m_printed < shown.size() && m_outputError == 0; ++m_printed) {
            Result& result = *shown.at(m_printed);
            QByteArray line = m_options.longListing ? longColumns(result) : QByteArray();
            line.append(result.fileSystemPath());
            line.append(separator);
            if (std::fwrite(line.constData(), 1, size_t(line.size()), stdout) != size_t(line.size()))
                noteOutputError(errno);
        }
        if (m_outputError == 0 && std::fflush(stdout) != 0)
            noteOutputError(errno);
    }

    // The kinds of the results from `from` on, read on one thread per
    // processor: each reads its file's first bytes, which is most of a
    // long listing's time. A small batch is left to the printing.
    void readKinds(const QList<ResultPointer>& results, qsizetype from) const
    {
        constexpr qsizetype kSmallBatch = 64;
        const qsizetype count = results.size() - from;
        if (count < kSmallBatch)
            return;
        const unsigned threads = unsigned(std::min<qsizetype>(walkThreadCount(m_options.threads), count / 16));
        std::atomic<qsizetype> next{from};
        const auto work = [&] {
            for (qsizetype i; (i = next.fetch_add(1, std::memory_order_relaxed)) < results.size();)
                (void)results.at(i)->kind();
        };
        std::vector<std::thread> helpers;
        for (unsigned i = 1; i < threads; ++i)
            helpers.emplace_back(work);
        work();
        for (std::thread& helper : helpers)
            helper.join();
    }

    // "   1.5 KB  2026-12-07 10:00  plain text document  ": the size
    // right-aligned, the local date ("--" when none), the kind.
    static QByteArray longColumns(Result& result)
    {
        const QDateTime modified = result.modified();
        const QString date = modified.isValid() ? modified.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                                : QStringLiteral("--");
        return QStringLiteral("%1  %2  %3  ").arg(result.size(), 10).arg(date, -16).arg(result.kind(), -24).toUtf8();
    }

    SearchEngine& m_engine;
    const Options& m_options;
    qsizetype m_printed = 0;
    int m_outputError = 0;
};

// SIGINT or SIGTERM when one is sent and not yet taken, the lower first (the
// one a read of the signal descriptor takes); 0 when neither is.
int pendingStop()
{
    sigset_t pending;
    if (sigpending(&pending) != 0)
        return 0;
    return sigismember(&pending, SIGINT) ? SIGINT : sigismember(&pending, SIGTERM) ? SIGTERM : 0;
}

// SIGINT and SIGTERM stop the search; the results found so far are printed.
// A second one ends the program at once; a write blocked on a full pipe goes
// on after the first. The two are blocked in every thread and taken by one
// that waits for them, so no handler runs in the middle of another thread's
// work (ThreadSanitizer runs such a handler late, at the thread's next call
// it watches). Called before any other thread starts, so that all inherit
// the mask. A closed pipe is noticed as EPIPE on the write instead of
// killing the program.
//
// The waiting thread notes the signal before it takes it off the pending
// set, and interruption() looks at the pending set before the note: a signal
// sent before the status is decided is seen in one or the other, even while
// the waiting thread has not yet been given a processor.
void takeStopSignals()
{
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    std::thread([stops, pending = UniqueFd(::signalfd(-1, &stops, SFD_CLOEXEC))]() mutable {
        const int pendingFd = pending.get();
        pthread_setname_np(pthread_self(), "sorvant-signals");
        int signal = 0;
        if (pendingFd >= 0) {
            while (signal == 0) {
                pollfd ready{pendingFd, POLLIN, 0};
                ::poll(&ready, 1, -1);
                signal = pendingStop();
            }
            g_interrupted.store(signal);
            signalfd_siginfo taken;
            while (::read(pendingFd, &taken, sizeof taken) < 0 && errno == EINTR) {
            }
            pending.reset();
        } else {
            if (sigwait(&stops, &signal) != 0)
                return;
            g_interrupted.store(signal);
        }
        // Their dispositions are the default ones: unblocked here, the next
        // one ends the process.
        pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
        for (;;)
            ::pause();
    }).detach();
}

// YES when both descriptors are the same terminal.
bool sameTerminal(int a, int b)
{
    struct stat first{};
    struct stat second{};
    return ::isatty(a) && ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 && first.st_rdev == second.st_rdev;
}

// The signal that interrupted the search, whether or not the waiting thread
// has taken it yet; 0 when none was sent.
int interruption()
{
    const int pending = pendingStop();
    return pending != 0 ? pending : g_interrupted.load();
}

// The exit status once the search has ended (see the top of the file).
int finalStatus(Printer& printer)
{
    const bool written = printer.finish();
    if (!written && printer.outputError() != EPIPE)
        return 2;
    if (const int signal = interruption()) {
        printError(QStringLiteral("interrupted by %1; the results are partial")
                       .arg(QLatin1String(signal == SIGINT ? "SIGINT" : "SIGTERM")));
        return 128 + signal;
    }
    return printer.printed() > 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    takeStopSignals();
    QCoreApplication app(argc, argv);
    Options options;
    setLogSink(writeLogLine);
    if (const std::optional<int> status = parseOptions(decodedArguments(argc, argv), options)) {
        if (std::fflush(stdout) != 0 && *status == 0) {
            printError(QStringLiteral("cannot write the help: %1").arg(errnoText(errno)));
            return 2;
        }
        return *status;
    }
    g_progressLine.store(options.progress && ::isatty(STDERR_FILENO));
    g_resultsUnderProgress = g_progressLine.load() && sameTerminal(STDOUT_FILENO, STDERR_FILENO);
    if (!options.path.startsWith(u".#")) {
        if (const std::optional<int> status = checkFolder(options.path))
            return *status;
    }
    // A content search's helpers start while the settings are read and the
    // search prepared (see SearchEngine::search).
    if (options.what & kSearchContents)
        reserveWalkHelpers(options.threads);

    // The separator sets and comparison tables are built on first use (each
    // once, safely from any thread): a search that needs none builds none.
    QStringList defaultArguments{QStringLiteral("sorvant-search")};
    if (options.scanAll)
        defaultArguments << QStringLiteral("-scanAll") << QStringLiteral("YES");
    UserDefaults defaults(UserDefaults::defaultPersistentDomainPath(), defaultArguments);

    DriverOwner owner;
    SearchEngine engine(owner, defaults);
    SearchParams& params = engine.params();
    applySearchRequest(params, options);
    params.threads = options.threads;
    // Only paths are printed, unless the long listing reads dates and sizes.
    params.readsItemStatus = options.longListing;

    const bool started = engine.search(options.phrase, options.path);
    if (!started) {
        printError(QStringLiteral("nothing to search%1")
                       .arg(QLatin1String((options.what & kSearchContents) && !options.scanAll
                                              ? " (is every content-search extension group switched off?)"
                                              : "")));
        return 2;
    }
    // Results are printed on every tick, progress on every 25th (the
    // window's 0.25 s refresh); the end of a search is taken at once: the
    // worker, whose work is done, is joined and the rest printed.
    Printer printer(engine, options);
    owner.setEndedHandler([&] {
        engine.stopSearch();
        printer.tick(true);
    });
    QTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { printer.tick(++ticks % 25 == 0); });
    timer.start(10);
    app.exec();
    engine.stopSearch();
    // Everything is written: the process ends without freeing its results
    // one by one, which would take a while after many.
    const int status = finalStatus(printer);
    std::fflush(stderr);
    std::_Exit(status);
}
