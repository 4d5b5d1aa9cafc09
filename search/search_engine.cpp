#include "search/search_engine.h"

#include "foundation/separation.h"
#include "foundation/user_defaults_getters.h"
#include "platform/notification_center.h"
#include "platform/thread_hand_off.h"
#include "platform/user_defaults.h"
#include "platform/volumes.h"
#include "search/catalog_search.h"
#include "search/content_extensions.h"
#include "search/directory_walk.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>

#include <unistd.h>

namespace sorvant {

namespace {

bool isPseudoDestination(const QString& path)
{
    return path == QStringView(kAllVolumesDestination) || path == QStringView(kLocalVolumesDestination)
           || path == QStringView(kRemovableVolumesDestination);
}

// The automounter's trigger folders, which a pseudo-destination never
// walks: walking one would mount every share it offers.
bool isAutomounterPath(const QString& path)
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    for (const MountPoint& mount : parseMountInfo(file.readAll())) {
        if (mount.path == path && mount.fileSystemType == u"autofs")
            return true;
    }
    return false;
}

// A quarter of the machine's memory: the largest file whose text is read.
std::uint64_t quarterOfPhysicalMemory()
{
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return std::uint64_t(1) << 30;
    return (std::uint64_t(pages) * std::uint64_t(pageSize)) >> 2;
}

// The engine's presence on its owner's thread. The worker asks for the
// owner's attention by posting an event to it: a posted event is handed over
// under the event queue's lock, so nothing of it is shared without order (an
// order Qt keeps out of ThreadSanitizer's sight, so the event is a hand-off's
// token too).
class OwnerContext : public QObject
{
public:
    explicit OwnerContext(SearchEngineOwner& owner) : m_owner(owner) {}

    static QEvent::Type attentionEvent()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }

    bool event(QEvent* event) override
    {
        acquireHandOff(event);
        if (event->type() != attentionEvent())
            return QObject::event(event);
        m_owner.requestAttentionWhenInactive();
        return true;
    }

private:
    SearchEngineOwner& m_owner;
};

} // namespace

QStringList mountedLocalVolumePaths()
{
    QStringList paths;
    for (const MountPoint& mount : mountedVolumes()) {
        if (!isRemoteFileSystemType(mount.fileSystemType) && mount.fileSystemType != u"autofs")
            paths.append(mount.path);
    }
    return paths;
}

QStringList mountedRemovableMediaPaths()
{
    QStringList paths;
    for (const MountPoint& mount : mountedVolumes()) {
        if (isRemovableMount(mount))
            paths.append(mount.path);
    }
    return paths;
}

SearchEngine::SearchEngine(SearchEngineOwner& owner, const UserDefaults& defaults)
    : m_owner(owner), m_defaults(defaults), m_context(std::make_unique<OwnerContext>(owner))
{
    m_params.dataSource = &m_dataSource;
    NotificationCenter::defaultCenter().addObserver(
        QString::fromLatin1(DidUpdateResultInfoNotification),
        [this](const Notification& notification) {
            const auto result = notification.object.value<ResultPointer>();
            if (result && m_dataSource.indexOfResult(result.get()) >= 0)
                m_owner.didUpdateResultInfo(result);
        },
        {}, m_context.get());
}

SearchEngine::~SearchEngine()
{
    stopSearch();
}

bool SearchEngine::search(const QString& phrase, const QString& path)
{
    if (m_searching.load() != 0) {
        m_params.stop.store(true);
        return false;
    }
    // The previous worker has ended its last operation; collect its thread
    // before the record is prepared again.
    if (m_worker.joinable())
        m_worker.join();
    // A pattern that does not compile is said, not searched for: the shown
    // results stay, and no search ends with "0 found" as if it had run.
    m_searchError = invalidPatternMessage(phrase);
    if (!m_searchError.isNull())
        return false;
    m_dataSource.lock();
    m_dataSource.removeAllResults();
    m_dataSource.unlock();
    // A content search's helpers start while the search is prepared: its
    // first milliseconds are reading on every processor. An empty walk pays
    // 0.2 ms for them, so a name search, whose walk is listing, starts them
    // only as folders to share are found.
    if (m_params.what & kSearchContents)
        reserveWalkHelpers(m_params.threads);
    if (!prepareParams(phrase, path))
        return false;
    m_worker = std::thread([this, path] { iterateHandler(path); });
    return true;
}

QString SearchEngine::invalidPatternMessage(const QString& phrase) const
{
    if (m_params.mode != kSearchRegularExpression || phrase.isEmpty())
        return {};
    QString message;
    if (RegularExpression::compile(phrase, regexOptions(), &message).isValid())
        return {};
    return message.isEmpty() ? QStringLiteral("invalid expression") : message;
}

unsigned SearchEngine::regexOptions() const
{
    unsigned options = kRegexAnchorsMatchLines;
    if (m_params.comparison & 1)
        options |= kRegexCaseInsensitive;
    return options;
}

// Steps that the worker would take before searching, done before it starts:
// the record and the highlighting settings are complete before a second
// thread can see them, and a beep comes from the owner's thread.
bool SearchEngine::prepareParams(const QString& phrase, const QString& path)
{
    const std::uint64_t mode = m_params.mode;
    const bool wholePhrase = mode >= kSearchPhrase;
    const QStringList words = wholePhrase ? QStringList{phrase} : componentsUsingWhiteSeparation(phrase);
    // Only a content search reads the extension lists: taking them apart
    // was most of what a name search cost before its walk.
    const bool contents = (m_params.what & kSearchContents) != 0;
    m_params.extensions = contents ? fileExtensions(m_defaults) : QStringList();
    m_params.types = contents ? fileTypes(m_defaults) : QList<std::uint32_t>();
    // The search counts as one operation from here on, so a second start
    // finds it running.
    threadInit();
    m_params.words = words.isEmpty() || phrase.isEmpty() ? QStringList() : words;
    if (m_params.wordsCount() < 2 && mode != kSearchWildcards && mode != kSearchQueryTerms
        && mode != kSearchRegularExpression)
        m_params.mode = kSearchPhrase;
    m_params.scanAll = boolForKey(m_defaults, QStringLiteral("scanAll"), false);
    m_params.wildcard = QString();
    m_params.queryTerms.reset();
    m_params.regex = RegularExpression();
    const bool nothingToContentSearch = !m_params.scanAll && (m_params.what & kSearchContents)
                                        && m_params.extensionsCount() + m_params.typesCount() == 0;
    if (m_params.what == 0 || m_params.wordsCount() == 0 || nothingToContentSearch || path.isEmpty()) {
        m_owner.beep();
        threadExit();
        return false;
    }
    m_params.nDone.store(0);
    m_params.nLastDone.store(0);
    m_params.dataSource = &m_dataSource;
    m_searchDone.store(false);
    m_params.stop.store(false);
    if (m_params.mode == kSearchWildcards) {
        m_params.wildcard = phrase;
    } else if (m_params.mode == kSearchQueryTerms) {
        m_params.queryTerms = QueryTerms::queryTermsWithWildcard(phrase);
    } else if (m_params.mode == kSearchRegularExpression) {
        m_params.regex = RegularExpression::compile(phrase, regexOptions());
    }
    m_params.maxFileSize = quarterOfPhysicalMemory();
    setHighlighting();
    return true;
}

void SearchEngine::setHighlighting()
{
    const std::uint64_t what = m_params.what;
    if (!(what & (kSearchNames | kSearchComments))) {
        m_dataSource.setStrings({}, 0, 0, false);
    } else if (m_params.queryTerms) {
        m_dataSource.setStrings(m_params.queryTerms->plusWildcards().value_or(QStringList()), what,
                                m_params.comparison, true);
    } else if (m_params.regex.isValid()) {
        m_dataSource.setRegularExpression({m_params.regex.pattern(), m_params.regex.options()}, what,
                                          m_params.comparison);
    } else {
        const bool wildcards = m_params.mode == kSearchWildcards || m_params.mode == kSearchQueryTerms;
        m_dataSource.setStrings(m_params.words, what, m_params.comparison, wildcards);
    }
}

QStringList SearchEngine::destinationList(const QString& path) const
{
    if (path == QStringView(kLocalVolumesDestination))
        return m_owner.localVolumePaths();
    if (path == QStringView(kRemovableVolumesDestination))
        return m_owner.removableMedia();
    QStringList paths = m_owner.localVolumePaths();
    for (const QString& removable : m_owner.removableMedia()) {
        if (!paths.contains(removable))
            paths.append(removable);
    }
    return paths;
}

void SearchEngine::iterateHandler(const QString& path)
{
    if (m_workerStartHook)
        m_workerStartHook();
    if (isPseudoDestination(path)) {
        QStringList walks;
        for (const QString& volume : destinationList(path)) {
            if (isAutomounterPath(volume))
                continue;
            if (canPerformCatalogSearch(volume)) {
                threadInit();
                performCatalogSearch(volume);
            } else {
                walks.append(volume);
            }
        }
        for (const QString& volume : walks) {
            threadInit();
            enumerateDirectory(volume, MountCrossing::StayOnVolume);
        }
    } else {
        threadInit();
        performCatalogSearch(path);
    }
    auto* attention = new QEvent(OwnerContext::attentionEvent());
    releaseHandOff(attention);
    QCoreApplication::postEvent(m_context.get(), attention);
    threadExit();
}

ResultsBatch SearchEngine::takeResults()
{
    ResultsBatch batch;
    // The done flag first: once it is seen, every result of the search is
    // already on the pending list.
    batch.ended = m_searchDone.exchange(false);
    batch.done = m_params.nDone.load();
    batch.handedOver = batch.ended || m_dataSource.shouldFlush();
    if (batch.handedOver)
        batch.results = m_dataSource.takePending();
    return batch;
}

void SearchEngine::threadInit()
{
    m_searching.fetch_add(1);
}

void SearchEngine::threadExit()
{
    // The last operation frees the lists after the count has dropped: the
    // owner may then start a search, but it joins this thread first, and
    // stopSearch joins too, so nobody reads the lists while they change.
    if (m_searching.fetch_sub(1) == 1) {
        invalidateParams();
        m_searchDone.store(true);
    }
}

void SearchEngine::invalidateParams()
{
    m_params.extensions.clear();
    m_params.words.clear();
    m_params.types.clear();
}

void SearchEngine::stopSearch()
{
    m_params.stop.store(true);
    if (m_worker.joinable())
        m_worker.join();
    invalidateParams();
}

bool SearchEngine::canPerformCatalogSearch(const QString& path) const
{
    return isCatalogSearchRoot(path) && isCatalogSearchQuery(m_params) && hasCatalogSearch(path);
}

void SearchEngine::performCatalogSearch(const QString& path)
{
    // Without a catalog every destination is walked, in this same operation
    // and as the only walk of its own, as a catalog search that the volume
    // refuses would be. A chosen folder may span several mounts.
    searchWindowWalkDirectory(m_params, path, MountCrossing::EnterRealFileSystems);
    threadExit();
}

void SearchEngine::enumerateDirectory(const QString& path, MountCrossing crossing)
{
    searchWindowWalkDirectory(m_params, path, crossing);
    threadExit();
}

} // namespace sorvant
