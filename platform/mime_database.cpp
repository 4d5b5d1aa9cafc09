#include "platform/mime_database.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/mime_cache.h"
#include "platform/regular_files.h"

#include <QDir>
#include <QHash>
#include <QLocale>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

// The bytes QMimeDatabase reads from a file to match its magic rules.
constexpr qsizetype kSniffedBytes = 16384;
// The largest type file read; update-mime-database writes a few KB.
constexpr qsizetype kLargestTypeFile = 1 << 20;

const QString kDefaultType = QStringLiteral("application/octet-stream");
const QString kPlainText = QStringLiteral("text/plain");

// Text by the first 128 bytes: no control character but tab, line feed
// and carriage return; or a UTF-16 byte-order mark.
bool isText(const QByteArray& data)
{
    if (data.startsWith("\xFE\xFF") || data.startsWith("\xFF\xFE"))
        return true;
    const qsizetype end = std::min<qsizetype>(128, data.size());
    for (qsizetype i = 0; i < end; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte < 32 && byte != 9 && byte != 10 && byte != 13)
            return false;
    }
    return true;
}

// Up to `limit` bytes from the start of the regular file at `path`; nothing
// when it cannot be opened as one.
std::optional<QByteArray> leadingBytes(const QByteArray& path, qsizetype limit)
{
    const UniqueFd fd = openRegularFile(path.constData());
    if (!fd.isValid())
        return std::nullopt;
    QByteArray bytes(limit, Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    bytes.truncate(done);
    return bytes;
}

// The comments of a type's own file ("text/plain.xml" in a database folder,
// as update-mime-database writes it) by language ("default" for the one
// without); nothing when there is no such file.
std::optional<QHash<QString, QString>> commentsOfTypeFile(const QString& folder, const QString& type)
{
    if (type.isEmpty() || type.contains(QStringLiteral("..")) || type.count(u'/') != 1)
        return std::nullopt;
    // Names are written in lower case since shared-mime-info 1.3.
    std::optional<QByteArray> xml =
        leadingBytes(fileSystemRepresentation(folder + u'/' + type.toLower() + QStringLiteral(".xml")), kLargestTypeFile);
    if (!xml && type != type.toLower())
        xml = leadingBytes(fileSystemRepresentation(folder + u'/' + type + QStringLiteral(".xml")), kLargestTypeFile);
    if (!xml)
        return std::nullopt;
    QHash<QString, QString> comments;
    QXmlStreamReader reader(*xml);
    if (!reader.readNextStartElement() || reader.name() != u"mime-type")
        return comments;
    while (reader.readNextStartElement()) {
        if (reader.name() == u"comment") {
            QString language =
                reader.attributes().value(QStringLiteral("http://www.w3.org/XML/1998/namespace"), QStringLiteral("lang")).toString();
            if (language.isEmpty())
                language = QStringLiteral("default");
            comments.insert(language, reader.readElementText());
        } else {
            reader.skipCurrentElement();
        }
    }
    return comments;
}

// The comment in the current language, by Qt's order: the locale's name,
// its interface languages, each also without its territory, then the one
// without a language ("C" reads as "en_US").
QString commentInCurrentLanguage(const QHash<QString, QString>& comments)
{
    QStringList languages{QLocale().name()};
    languages << QLocale().uiLanguages() << QStringLiteral("default");
    for (const QString& language : std::as_const(languages)) {
        QString name = language == u"C" ? QStringLiteral("en_US") : language;
        name.replace(u'-', u'_');
        if (const QString comment = comments.value(name); !comment.isEmpty())
            return comment;
        if (const qsizetype cut = name.indexOf(u'_'); cut > 0) {
            if (const QString comment = comments.value(name.left(cut)); !comment.isEmpty())
                return comment;
        }
    }
    return {};
}

// What one type's files say: whether one exists and its comments.
struct TypeFile
{
    bool found = false;
    QHash<QString, QString> comments;
};

// The caches of the database folders at one time, merged: the most
// important folder first. Immutable but for the type files it learns.
class MimeSnapshot
{
public:
    std::vector<std::unique_ptr<const MimeCache>> caches;
    std::vector<QSet<QString>> globsDeletedBefore; // by the folders before each cache's
    std::vector<QSet<QString>> magicDeletedBefore;
    QStringList folders;      // every folder, for the type files
    bool answers = false;     // every folder that defines types has a sound cache
    bool damaged = false;     // a folder's cache is unusable and left out

    // Whether our reader answers: QMimeDatabase would read the unusable cache.
    [[nodiscard]] bool readsAlone() const { return answers || damaged; }

    [[nodiscard]] MimeGlobMatches globMatches(const QString& name) const
    {
        MimeGlobMatches matches;
        if (name.isEmpty())
            return matches;
        const QString lowerName = name.toLower();
        // Each folder's literals always, its suffixes and globs only while
        // the more important folders gave nothing.
        for (size_t i = 0; i < caches.size(); ++i) {
            const auto& cache = caches[i];
            matches.deleted = globsDeletedBefore[i].isEmpty() ? nullptr : &globsDeletedBefore[i];
            cache->addLiterals(matches, name, lowerName);
            if (matches.best.isEmpty())
                cache->addSuffixes(matches, name, lowerName);
            if (matches.best.isEmpty())
                cache->addGlobs(matches, name, lowerName);
        }
        return matches;
    }

    // The type of the highest-priority magic rule `data` meets (the more
    // important folder's at equal priority), else text/plain or the default
    // type; its accuracy.
    [[nodiscard]] QString typeOfData(const QByteArray& data, quint32& accuracy) const
    {
        if (data.isEmpty()) {
            accuracy = 100;
            return QStringLiteral("application/x-zerosize");
        }
        QString best;
        quint32 bestPriority = 0;
        for (size_t i = 0; i < caches.size(); ++i) {
            quint32 priority = 0;
            const QSet<QString>& skipped = magicDeletedBefore[i];
            const QString type = caches[i]->typeOfData(data, priority, skipped.isEmpty() ? nullptr : &skipped);
            if (!type.isNull() && (best.isNull() || priority > bestPriority)) {
                best = type;
                bestPriority = priority;
            }
        }
        if (!best.isNull()) {
            accuracy = bestPriority;
            return best;
        }
        if (isText(data)) {
            accuracy = 5;
            return kPlainText;
        }
        accuracy = 0;
        return kDefaultType;
    }

    [[nodiscard]] QString canonical(const QString& type) const
    {
        for (const auto& cache : caches) {
            if (const QString target = cache->typeOfAlias(type); !target.isEmpty())
                return target;
        }
        return type;
    }

    // The ancestors, breadth first by generation, so that the most general
    // (the default type) comes last.
    [[nodiscard]] QStringList ancestors(const QString& type) const
    {
        QStringList found;
        QStringList generation{canonical(type)};
        // Each type enters once, so the walk ends; the bound is for a cache
        // whose parents never end in a known one.
        for (int steps = 0; !generation.isEmpty() && steps < 1000; ++steps) {
            QStringList next;
            for (const QString& member : std::as_const(generation)) {
                for (const QString& parent : parents(member)) {
                    const QString name = canonical(parent);
                    if (name != type && !found.contains(name)) {
                        found.append(name);
                        next.append(name);
                    }
                }
            }
            generation = next;
        }
        return found;
    }

    // Whether `type` is `parent` or derives from it.
    [[nodiscard]] bool inherits(const QString& type, const QString& parent) const
    {
        return type == parent || ancestors(type).contains(parent);
    }

    [[nodiscard]] QString typeNameOfFile(const QByteArray& path) const
    {
        if (!readsAlone() || path.isEmpty())
            return {};
        struct stat status{};
        if (::stat(path.constData(), &status) == 0) {
            if (S_ISDIR(status.st_mode))
                return QStringLiteral("inode/directory");
            if (S_ISCHR(status.st_mode))
                return QStringLiteral("inode/chardevice");
            if (S_ISBLK(status.st_mode))
                return QStringLiteral("inode/blockdevice");
            if (S_ISFIFO(status.st_mode))
                return QStringLiteral("inode/fifo");
            if (S_ISSOCK(status.st_mode))
                return QStringLiteral("inode/socket");
        }
        const qsizetype slash = path.lastIndexOf('/');
        MimeGlobMatches byName = globMatches(stringWithFileSystemRepresentation(path.mid(slash + 1)));
        if (byName.all.size() == 1)
            return byName.all.first();
        if (const std::optional<QByteArray> data = leadingBytes(path, kSniffedBytes)) {
            quint32 accuracy = 0;
            const QString sniffed = typeOfData(*data, accuracy);
            if (accuracy > 0) {
                if (byName.best.contains(sniffed))
                    return sniffed;
                for (const QString& type : std::as_const(byName.all)) {
                    if (inherits(type, sniffed))
                        return type;
                }
                if (byName.all.isEmpty())
                    return sniffed;
            }
        }
        if (byName.all.size() > 1) {
            byName.best.sort();
            return byName.best.first();
        }
        return kDefaultType;
    }

    [[nodiscard]] QString typeNameOfFileName(const QString& name) const
    {
        if (!readsAlone())
            return {};
        MimeGlobMatches byName = globMatches(name);
        if (byName.best.isEmpty())
            return kDefaultType;
        byName.best.sort();
        return byName.best.first();
    }

    [[nodiscard]] QString iconName(const QString& type) const
    {
        const QString name = canonical(type);
        for (const auto& cache : caches) {
            if (const QString icon = cache->iconName(name); !icon.isEmpty())
                return icon;
        }
        return QString(name).replace(u'/', u'-');
    }

    [[nodiscard]] QString genericIconName(const QString& type) const
    {
        const QString name = canonical(type);
        for (const auto& cache : caches) {
            if (const QString icon = cache->genericIconName(name); !icon.isEmpty())
                return icon;
        }
        const qsizetype slash = name.indexOf(u'/');
        return slash > 0 ? name.left(slash) + QStringLiteral("-x-generic") : QString();
    }

    // The type's own files, read once: each language's comment from the
    // first folder that has one, so that a folder whose file gives none (the
    // user's, adding a pattern to one of the system's types) or lacks a
    // language keeps the other folders' comments.
    [[nodiscard]] TypeFile typeFile(const QString& type) const
    {
        {
            const std::lock_guard<std::mutex> guard(m_typeFileLock);
            if (const auto known = m_typeFiles.constFind(type); known != m_typeFiles.constEnd())
                return *known;
        }
        TypeFile file;
        for (const QString& folder : folders) {
            const std::optional<QHash<QString, QString>> comments = commentsOfTypeFile(folder, type);
            if (!comments)
                continue;
            file.found = true;
            for (auto comment = comments->cbegin(); comment != comments->cend(); ++comment) {
                if (!comment.value().isEmpty() && !file.comments.contains(comment.key()))
                    file.comments.insert(comment.key(), comment.value());
            }
        }
        const std::lock_guard<std::mutex> guard(m_typeFileLock);
        return *m_typeFiles.insert(type, file);
    }

private:
    // The parents every folder gives, else text/plain for text and the
    // default type for files.
    [[nodiscard]] QStringList parents(const QString& type) const
    {
        QStringList found;
        for (const auto& cache : caches)
            cache->addParents(type, found);
        if (found.isEmpty()) {
            const QStringView group = QStringView(type).left(type.indexOf(u'/'));
            if (group == u"text" && type != kPlainText)
                found.append(kPlainText);
            else if (group != u"inode" && group != u"all" && group != u"fonts" && group != u"print" && group != u"uri"
                     && type != kDefaultType)
                found.append(kDefaultType);
        }
        return found;
    }

    mutable std::mutex m_typeFileLock;
    mutable QHash<QString, TypeFile> m_typeFiles;
};

// What a database folder holds, in a form that changes when its cache or
// packages change: the cache's device, inode, size and times, the packages
// folder's time.
QByteArray folderFingerprint(const QString& folder)
{
    QByteArray print = fileSystemRepresentation(folder);
    for (const QString& entry : {QStringLiteral("/mime.cache"), QStringLiteral("/packages")}) {
        struct stat status{};
        if (::stat(fileSystemRepresentation(folder + entry).constData(), &status) != 0) {
            print += "|-";
            continue;
        }
        print += '|' + QByteArray::number(quint64(status.st_dev)) + ':' + QByteArray::number(quint64(status.st_ino))
                 + ':' + QByteArray::number(qint64(status.st_size)) + ':'
                 + QByteArray::number(qint64(status.st_mtim.tv_sec)) + '.'
                 + QByteArray::number(qint64(status.st_mtim.tv_nsec)) + ':'
                 + QByteArray::number(qint64(status.st_ctim.tv_sec)) + '.'
                 + QByteArray::number(qint64(status.st_ctim.tv_nsec));
    }
    return print;
}

// Whether a folder without a cache defines types (QMimeDatabase reads its
// packages then).
bool hasPackages(const QString& folder)
{
    return !QDir(folder + QStringLiteral("/packages"))
                .entryList(QStringList{QStringLiteral("*.xml")}, QDir::Files | QDir::Readable)
                .isEmpty();
}

qint64 steadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

struct MimeTypeReader::State
{
    QStringList givenFolders;
    qint64 recheckNanoseconds = 0;
    std::atomic<qint64> nextCheck{0};
    std::mutex checkLock; // one recheck at a time; guards the two below
    QByteArray fingerprint;
    QSet<QByteArray> reported; // the fingerprints of the folders whose caches were named
    // The snapshot in use, swapped whole. A plain lock rather than an atomic
    // shared pointer, whose lock bit ThreadSanitizer cannot follow; it is
    // held only to copy the pointer.
    mutable std::mutex snapshotLock;
    std::shared_ptr<const MimeSnapshot> snapshot;

    std::shared_ptr<const MimeSnapshot> loadSnapshot() const
    {
        const std::lock_guard<std::mutex> guard(snapshotLock);
        return snapshot;
    }

    // The snapshot in use; the folders looked at again when the time for it
    // has come (by one thread: the others go on with the one they have).
    std::shared_ptr<const MimeSnapshot> current()
    {
        const qint64 now = steadyNanoseconds();
        if (now >= nextCheck.load(std::memory_order_relaxed)) {
            std::unique_lock<std::mutex> guard(checkLock, std::try_to_lock);
            if (!guard.owns_lock() && !loadSnapshot())
                guard.lock(); // the first lookups wait for the first snapshot
            if (guard.owns_lock() && now >= nextCheck.load(std::memory_order_relaxed)) {
                recheck();
                nextCheck.store(steadyNanoseconds() + recheckNanoseconds, std::memory_order_relaxed);
            }
        }
        return loadSnapshot();
    }

    // Names a folder's cache once while it stays as it is. Called under checkLock.
    void warnOnce(const QString& folder, const QString& warning)
    {
        if (const QByteArray print = folderFingerprint(folder); !reported.contains(print)) {
            reported.insert(print);
            logWarning(warning);
        }
    }

    // Reads the folders again when one of them changed. Called under checkLock.
    void recheck()
    {
        const QStringList folders = givenFolders.isEmpty()
                                        ? QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                                    QStringLiteral("mime"),
                                                                    QStandardPaths::LocateDirectory)
                                        : givenFolders;
        QByteArray print;
        for (const QString& folder : folders)
            print += folderFingerprint(folder) + '\n';
        if (print == fingerprint && loadSnapshot())
            return;
        fingerprint = print;
        auto fresh = std::make_shared<MimeSnapshot>();
        fresh->folders = folders;
        bool definedElsewhere = false;
        for (const QString& folder : folders) {
            const QString cachePath = folder + QStringLiteral("/mime.cache");
            std::unique_ptr<const MimeCache> cache;
            QString why;
            switch (MimeCache::open(cachePath, cache, &why)) {
            case MimeCache::Opened::Cache:
                if (cache->minorVersion() > MimeCache::kNewestMinorVersion)
                    warnOnce(folder, QStringLiteral("MIME cache %1 is of version 1.%2, newer than 1.%3: read by the "
                                                    "layout of 1.%3")
                                         .arg(cachePath)
                                         .arg(cache->minorVersion())
                                         .arg(MimeCache::kNewestMinorVersion));
                fresh->caches.push_back(std::move(cache));
                break;
            case MimeCache::Opened::Unusable:
                fresh->damaged = true;
                warnOnce(folder, why == u"damaged"
                                     ? QStringLiteral("Damaged MIME cache %1: file types are read without it").arg(cachePath)
                                     : QStringLiteral("Unusable MIME cache %1 (%2): file types are read without it")
                                           .arg(cachePath, why));
                break;
            // As if it had no cache: its packages define its types, and Qt's
            // database, which reads no cache of that version either, reads them.
            case MimeCache::Opened::OtherVersion:
                warnOnce(folder, QStringLiteral("MIME cache %1 is of version %2, which this reader does not know: "
                                                "file types are read from the folder's packages")
                                     .arg(cachePath, why));
                [[fallthrough]];
            case MimeCache::Opened::Absent:
                definedElsewhere = definedElsewhere || hasPackages(folder);
                break;
            }
        }
        fresh->answers = !fresh->caches.empty() && !definedElsewhere;
        QSet<QString> globsDeleted;
        QSet<QString> magicDeleted;
        for (const auto& cache : fresh->caches) {
            fresh->globsDeletedBefore.push_back(globsDeleted);
            fresh->magicDeletedBefore.push_back(magicDeleted);
            globsDeleted.unite(cache->globsDeleted());
            magicDeleted.unite(cache->magicDeleted());
        }
        std::shared_ptr<const MimeSnapshot> old; // freed after the lock is let go
        const std::lock_guard<std::mutex> guard(snapshotLock);
        old = std::exchange(snapshot, std::move(fresh));
    }
};

MimeTypeReader::MimeTypeReader(QStringList folders, std::chrono::milliseconds recheck)
    : m_state(std::make_unique<State>())
{
    m_state->givenFolders = std::move(folders);
    m_state->recheckNanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(recheck).count();
}

MimeTypeReader::~MimeTypeReader() = default;

bool MimeTypeReader::answers() const
{
    return m_state->current()->readsAlone();
}

bool MimeTypeReader::hasDamagedCache() const
{
    return m_state->current()->damaged;
}

QString MimeTypeReader::typeNameOfFile(const QByteArray& path) const
{
    return m_state->current()->typeNameOfFile(path);
}

QString MimeTypeReader::typeNameOfFileName(const QString& name) const
{
    return m_state->current()->typeNameOfFileName(name);
}

QString MimeTypeReader::canonicalTypeName(const QString& type) const
{
    return type.isEmpty() ? type : m_state->current()->canonical(type);
}

bool MimeTypeReader::knowsType(const QString& type) const
{
    if (type.isEmpty())
        return false;
    const std::shared_ptr<const MimeSnapshot> snapshot = m_state->current();
    return snapshot->typeFile(snapshot->canonical(type)).found;
}

QStringList MimeTypeReader::ancestorsOfType(const QString& type) const
{
    return type.isEmpty() ? QStringList() : m_state->current()->ancestors(type);
}

QString MimeTypeReader::iconNameOfType(const QString& type) const
{
    return type.isEmpty() ? QString() : m_state->current()->iconName(type);
}

QString MimeTypeReader::genericIconNameOfType(const QString& type) const
{
    return type.isEmpty() ? QString() : m_state->current()->genericIconName(type);
}

QString MimeTypeReader::commentOfType(const QString& type) const
{
    if (type.isEmpty())
        return {};
    const std::shared_ptr<const MimeSnapshot> snapshot = m_state->current();
    const QString name = snapshot->canonical(type);
    const QString comment = commentInCurrentLanguage(snapshot->typeFile(name).comments);
    return comment.isEmpty() ? name : comment;
}

namespace {

MimeTypeReader& sharedReader()
{
    static MimeTypeReader reader;
    return reader;
}

// Qt's database, for a process whose folders define types without caches
// (it reads their packages). Never while a cache is unusable: it would
// read that cache too.
const QMimeDatabase* qtDatabase()
{
    if (sharedReader().answers())
        return nullptr;
    static const QMimeDatabase database;
    return &database;
}

// One lookup: `empty` for an empty key, else Qt's database's answer where
// it answers, else the reader's.
template<typename Result, typename ByQt, typename ByReader>
Result lookUp(const QString& key, const Result& empty, ByQt byQt, ByReader byReader)
{
    if (key.isEmpty())
        return empty;
    if (const QMimeDatabase* database = qtDatabase())
        return byQt(*database);
    return byReader(sharedReader());
}

// The same for a lookup by type name, Qt's by its QMimeType.
template<typename Result, typename ByQt, typename ByReader>
Result lookUpType(const QString& type, const Result& empty, ByQt byQt, ByReader byReader)
{
    return lookUp(
        type, empty, [&](const QMimeDatabase& database) { return byQt(database.mimeTypeForName(type)); }, byReader);
}

} // namespace

QString mimeTypeNameOfFile(const QByteArray& path)
{
    return sharedReader().typeNameOfFile(path);
}

QString mimeTypeOfFile(const QString& path)
{
    return lookUp(
        path, QString(), [&](const QMimeDatabase& database) { return database.mimeTypeForFile(path).name(); },
        [&](const MimeTypeReader& reader) {
            const QString type = reader.typeNameOfFile(fileSystemRepresentation(path));
            return type.isNull() ? kDefaultType : type;
        });
}

QString mimeTypeOfFileName(const QString& name)
{
    return lookUp(
        name, kDefaultType,
        [&](const QMimeDatabase& database) {
            return database.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name();
        },
        [&](const MimeTypeReader& reader) {
            const QString type = reader.typeNameOfFileName(name);
            return type.isNull() ? kDefaultType : type;
        });
}

QString canonicalMimeTypeName(const QString& type)
{
    return lookUpType(
        type, type, [&](const QMimeType& mime) { return mime.isValid() ? mime.name() : type; },
        [&](const MimeTypeReader& reader) { return reader.canonicalTypeName(type); });
}

bool isKnownMimeType(const QString& type)
{
    return lookUpType(
        type, false, [](const QMimeType& mime) { return mime.isValid(); },
        [&](const MimeTypeReader& reader) { return reader.knowsType(type); });
}

QStringList mimeTypeAncestors(const QString& type)
{
    return lookUpType(
        type, QStringList(), [](const QMimeType& mime) { return mime.allAncestors(); },
        [&](const MimeTypeReader& reader) { return reader.ancestorsOfType(type); });
}

bool mimeTypeInherits(const QString& type, const QString& ancestor)
{
    if (ancestor.isEmpty())
        return false;
    return lookUpType(
        type, false, [&](const QMimeType& mime) { return mime.inherits(ancestor); },
        [&](const MimeTypeReader& reader) {
            const QString name = reader.canonicalTypeName(type);
            const QString parent = reader.canonicalTypeName(ancestor);
            return name == parent || reader.ancestorsOfType(name).contains(parent);
        });
}

QString mimeTypeIconName(const QString& type)
{
    return lookUpType(
        type, QString(), [](const QMimeType& mime) { return mime.iconName(); },
        [&](const MimeTypeReader& reader) { return reader.iconNameOfType(type); });
}

QString mimeTypeGenericIconName(const QString& type)
{
    return lookUpType(
        type, QString(), [](const QMimeType& mime) { return mime.genericIconName(); },
        [&](const MimeTypeReader& reader) { return reader.genericIconNameOfType(type); });
}

QString mimeTypeComment(const QString& type)
{
    return lookUpType(
        type, QString(), [](const QMimeType& mime) { return mime.comment(); },
        [&](const MimeTypeReader& reader) { return reader.commentOfType(type); });
}

} // namespace sorvant
