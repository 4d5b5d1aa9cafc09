// sorvant-search: runs one search without a window, for tests, benchmarks
// and scripts. It owns a SearchEngine as a search window does, flushes the
// results on the same schedule and prints one full path per result.
//
// Exit status: 0 something was found, 1 nothing was, 2 a usage error or a
// search that could not start.

#include "foundation/trimming.h"
#include "platform/file_system_representation.h"
#include "platform/unicode.h"
#include "platform/user_defaults.h"
#include "search/search_engine.h"
#include "search/wildcard_patterns.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <optional>

using namespace sorvant;

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void onInterrupt(int)
{
    g_interrupted = 1;
}

class DriverOwner : public SearchEngineOwner
{
public:
    void beep() override { m_beeped = true; }
    void requestAttentionWhenInactive() override {}
    QStringList localVolumePaths() override { return mountedLocalVolumePaths(); }
    QStringList removableMedia() override { return mountedRemovableMediaPaths(); }
    void didUpdateResultInfo(const ResultPointer&) override {}
    [[nodiscard]] bool beeped() const { return m_beeped; }

private:
    bool m_beeped = false;
};

struct Options
{
    QString phrase;
    QString destination;
    std::uint64_t what = 0;
    std::uint64_t comparison = 0;
    std::uint64_t mode = kSearchAllWords;
    std::uint64_t type = kSearchFilesAndFolders;
    std::uint64_t threads = 0;
    bool invisibles = false;
    bool packageContents = false;
    bool scanAll = false;
    bool nulSeparated = false;
    bool progress = false;
};

std::optional<std::uint64_t> lookUp(const QString& value, const QStringList& names)
{
    const qsizetype index = names.indexOf(value);
    return index < 0 ? std::nullopt : std::optional<std::uint64_t>(std::uint64_t(index));
}

int usageError(const QString& message)
{
    std::fprintf(stderr, "sorvant-search: %s\nTry 'sorvant-search --help'.\n", qPrintable(message));
    return 2;
}

const QString kHelpIntro = QStringLiteral(
    "Finds files and folders below FOLDER (or on the volumes chosen with --all, --local\n"
    "or --removable) whose names, contents, tags or comments match PHRASE, and prints\n"
    "one full path per line as results come in.\n"
    "Content search reads the files whose extensions are listed in the user defaults\n"
    "\"fileExtOn1\"..\"fileExtOn6\" / \"fileExt1\"..\"fileExt6\" (or every file with --scan-all).\n"
    "Exit status: 0 found, 1 nothing found, 2 usage error or search not started.");

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
        {{"m", "comments"}, "Search Finder comments (\".DS_Store\")."},
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
        {{"progress"}, "Write \"N found/M done\" lines to standard error."},
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
        options.destination = QString::fromUtf16(kAllVolumesDestination);
    else if (set("local"))
        options.destination = QString::fromUtf16(kLocalVolumesDestination);
    else if (set("removable"))
        options.destination = QString::fromUtf16(kRemovableVolumesDestination);
    else if (positional.size() == 2)
        options.destination = QFileInfo(positional.at(1)).absoluteFilePath();
    else
        return usageError(QStringLiteral("no folder given"));
    return std::nullopt;
}

// Fills `options` from the command line; answers an exit status when the
// program should end at once (help, usage error).
std::optional<int> parseOptions(const QStringList& arguments, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(kHelpIntro);
    parser.addPositionalArgument(QStringLiteral("PHRASE"), QStringLiteral("What to search for."));
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("The folder to search."),
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
        std::fputs(qPrintable(parser.helpText()), stdout);
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
    if (const std::optional<int> status = readChoices(parser, options))
        return status;
    return readDestination(parser, options);
}

// Flushes, prints and reports progress as a search window's refresh timer
// does; quits the event loop when the search has ended and all is printed.
class Printer
{
public:
    Printer(SearchEngine& engine, const Options& options) : m_engine(engine), m_options(options) {}

    void tick(bool refresh)
    {
        if (g_interrupted)
            m_engine.params().stop.store(true);
        ResultsDataSource& results = m_engine.dataSource();
        const bool done = m_engine.searchDone();
        if (!done && !(refresh && results.shouldFlush())) {
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
        updateInfo();
        if (done) {
            m_engine.clearSearchDone();
            QCoreApplication::quit();
        }
    }
    [[nodiscard]] qsizetype printed() const { return m_printed; }

private:
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
            if (found >= done)
                std::fprintf(stderr, "%llu found\n", static_cast<unsigned long long>(found));
            else
                std::fprintf(stderr, "%llu found/%llu done\n", static_cast<unsigned long long>(found),
                             static_cast<unsigned long long>(done));
        }
        params.nLastDone.store(done);
    }
    void printNewResults()
    {
        const QList<ResultPointer>& shown = m_engine.dataSource().results();
        const char separator = m_options.nulSeparated ? '\0' : '\n';
        for (; m_printed < shown.size(); ++m_printed) {
            const QByteArray path = fileSystemRepresentation(shown.at(m_printed)->fullPath());
            std::fwrite(path.constData(), 1, size_t(path.size()), stdout);
            std::fputc(separator, stdout);
        }
        std::fflush(stdout);
    }

    SearchEngine& m_engine;
    const Options& m_options;
    qsizetype m_printed = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Options options;
    if (const std::optional<int> status = parseOptions(QCoreApplication::arguments(), options))
        return *status;
    if (!options.destination.startsWith(u".#") && !QFileInfo(options.destination).isDir()) {
        std::fprintf(stderr, "sorvant-search: no such folder: %s\n", qPrintable(options.destination));
        return 2;
    }

    initSeparatorsAndTables();
    QStringList defaultArguments{QStringLiteral("sorvant-search")};
    if (options.scanAll)
        defaultArguments << QStringLiteral("-scanAll") << QStringLiteral("YES");
    UserDefaults defaults(UserDefaults::defaultPersistentDomainPath(), defaultArguments);

    DriverOwner owner;
    SearchEngine engine(owner, defaults);
    SearchParams& params = engine.params();
    params.what = options.what;
    params.comparison = options.comparison;
    params.mode = options.mode;
    params.type = options.type;
    params.invisibles = options.invisibles;
    params.packageContents = options.packageContents;
    params.threads = options.threads;

    struct sigaction action{};
    action.sa_handler = onInterrupt;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    if (!engine.search(options.phrase, options.destination)) {
        std::fprintf(stderr, "sorvant-search: nothing to search%s\n",
                     (options.what & kSearchContents) && !options.scanAll
                         ? " (is every content-search extension group switched off?)"
                         : "");
        return 2;
    }
    // The end of a search is noticed within 10 ms; the window's 0.25 s
    // refresh (progress, 2 s flushes) runs on every 25th tick.
    Printer printer(engine, options);
    QTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] { printer.tick(++ticks % 25 == 0); });
    timer.start(10);
    app.exec();
    engine.stopSearch();
    return printer.printed() > 0 ? 0 : 1;
}
