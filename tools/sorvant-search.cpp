// sorvant-search: runs one search without a window, for tests, benchmarks
// and scripts. It owns a SearchEngine as a search window does, flushes the
// results on the same schedule and prints one full path per result.
//
// Exit status: 0 something was found, 1 nothing was, 2 a usage error or a
// search that could not start.

#include "platform/file_system_representation.h"
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

// Fills `options` from the command line; answers an exit status when the
// program should end at once (help, usage error).
std::optional<int> parseOptions(const QStringList& arguments, Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(kHelpIntro);
    parser.addPositionalArgument(QStringLiteral("PHRASE"), QStringLiteral("What to search for."));
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("The folder to search."),
                                 QStringLiteral("[FOLDER]"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption names({QStringLiteral("n"), QStringLiteral("names")},
                                   QStringLiteral("Search file and folder names (the default when no other "
                                                  "of -n, -c, -t, -m is given)."));
    const QCommandLineOption contents({QStringLiteral("c"), QStringLiteral("contents")},
                                      QStringLiteral("Search the text contents of files."));
    const QCommandLineOption tags({QStringLiteral("t"), QStringLiteral("tags")},
                                  QStringLiteral("Search tags (\"user.xdg.tags\")."));
    const QCommandLineOption comments({QStringLiteral("m"), QStringLiteral("comments")},
                                      QStringLiteral("Search Finder comments (\".DS_Store\")."));
    const QCommandLineOption ignoreCase({QStringLiteral("i"), QStringLiteral("ignore-case")},
                                        QStringLiteral("Ignore case."));
    const QCommandLineOption ignoreDiacritics({QStringLiteral("d"), QStringLiteral("ignore-diacritics")},
                                              QStringLiteral("Ignore diacritics (query terms)."));
    const QCommandLineOption fuzzy({QStringLiteral("z"), QStringLiteral("fuzzy")},
                                   QStringLiteral("Fuzzy matching (query terms)."));
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("How words combine: all (default), any, phrase, wildcards, "
                                                 "terms, regex."),
                                  QStringLiteral("MODE"));
    const QCommandLineOption type(QStringLiteral("type"),
                                  QStringLiteral("Which items qualify: files, folders, both (default)."),
                                  QStringLiteral("TYPE"));
    const QCommandLineOption invisibles({QStringLiteral("a"), QStringLiteral("invisibles")},
                                        QStringLiteral("Search invisible items too."));
    const QCommandLineOption packages({QStringLiteral("p"), QStringLiteral("package-contents")},
                                      QStringLiteral("Search inside packages too."));
    const QCommandLineOption scanAll(QStringLiteral("scan-all"),
                                     QStringLiteral("Content-search every file, whatever its extension."));
    const QCommandLineOption all(QStringLiteral("all"), QStringLiteral("Search all volumes."));
    const QCommandLineOption local(QStringLiteral("local"), QStringLiteral("Search the local volumes."));
    const QCommandLineOption removable(QStringLiteral("removable"), QStringLiteral("Search removable volumes."));
    const QCommandLineOption nul({QStringLiteral("0"), QStringLiteral("null")},
                                QStringLiteral("End each path with a NUL byte instead of a new line."));
    const QCommandLineOption progress(QStringLiteral("progress"),
                                      QStringLiteral("Write \"N found/M done\" lines to standard error."));
    parser.addOptions({help, names, contents, tags, comments, ignoreCase, ignoreDiacritics, fuzzy, mode, type,
                       invisibles, packages, scanAll, all, local, removable, nul, progress});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    const auto bit = [&](const QCommandLineOption& option, SearchWhat value) {
        return parser.isSet(option) ? std::uint64_t(value) : std::uint64_t(0);
    };
    options.what = bit(names, kSearchNames) | bit(contents, kSearchContents) | bit(tags, kSearchTags)
                   | bit(comments, kSearchComments);
    if (options.what == 0)
        options.what = kSearchNames;
    options.comparison = (parser.isSet(ignoreCase) ? 1 : 0) | (parser.isSet(ignoreDiacritics) ? 2 : 0)
                         | (parser.isSet(fuzzy) ? 4 : 0);
    if (parser.isSet(mode)) {
        const auto value = lookUp(parser.value(mode), {QStringLiteral("all"), QStringLiteral("any"),
                                                       QStringLiteral("phrase"), QStringLiteral("wildcards"),
                                                       QStringLiteral("terms"), QStringLiteral("regex")});
        if (!value)
            return usageError(QStringLiteral("unknown mode \"%1\"").arg(parser.value(mode)));
        options.mode = *value;
    }
    if (parser.isSet(type)) {
        const auto value = lookUp(parser.value(type), {QStringLiteral("files"), QStringLiteral("folders"),
                                                       QStringLiteral("both")});
        if (!value)
            return usageError(QStringLiteral("unknown type \"%1\"").arg(parser.value(type)));
        options.type = *value + 1;
    }
    options.invisibles = parser.isSet(invisibles);
    options.packageContents = parser.isSet(packages);
    options.scanAll = parser.isSet(scanAll);
    options.nulSeparated = parser.isSet(nul);
    options.progress = parser.isSet(progress);

    const QStringList positional = parser.positionalArguments();
    const int volumeChoices = int(parser.isSet(all)) + int(parser.isSet(local)) + int(parser.isSet(removable));
    if (positional.isEmpty())
        return usageError(QStringLiteral("no phrase given"));
    if (volumeChoices > 1 || (volumeChoices == 1 && positional.size() > 1) || positional.size() > 2)
        return usageError(QStringLiteral("give one destination: a FOLDER or one of --all, --local, --removable"));
    options.phrase = positional.at(0);
    if (parser.isSet(all))
        options.destination = QString::fromUtf16(kAllVolumesDestination);
    else if (parser.isSet(local))
        options.destination = QString::fromUtf16(kLocalVolumesDestination);
    else if (parser.isSet(removable))
        options.destination = QString::fromUtf16(kRemovableVolumesDestination);
    else if (positional.size() == 2)
        options.destination = QFileInfo(positional.at(1)).absoluteFilePath();
    else
        return usageError(QStringLiteral("no folder given"));
    return std::nullopt;
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
