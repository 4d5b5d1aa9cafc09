#include "search/mime_kinds.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/regular_files.h"

#include <QDir>
#include <QHash>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {

namespace {

// The bytes QMimeDatabase reads from a file to match its magic rules.
constexpr qsizetype kSniffedBytes = 16384;

// The header's offsets (shared-mime-info's cache format 1.x, big-endian).
constexpr quint32 kParentListOffset = 8;
constexpr quint32 kLiteralListOffset = 12;
constexpr quint32 kReverseSuffixTreeOffset = 16;
constexpr quint32 kGlobListOffset = 20;
constexpr quint32 kMagicListOffset = 24;

// Flags beside a glob's weight.
constexpr quint32 kWeightMask = 0xff;
constexpr quint32 kCaseSensitive = 0x100;

const QString kDefaultType = QStringLiteral("application/octet-stream");
const QString kNoGlobs = QStringLiteral("__NOGLOBS__");
const QString kPlainText = QStringLiteral("text/plain");

// A mapped mime.cache. Every read is checked against its size: a damaged
// cache answers nothing rather than reading past it. sound() walks every
// list once, so that a cache read further is known to hold together.
class MimeCache
{
public:
    MimeCache() = default;
    MimeCache(const MimeCache&) = delete;
    MimeCache& operator=(const MimeCache&) = delete;
    ~MimeCache()
    {
        if (m_data)
            ::munmap(const_cast<unsigned char*>(m_data), m_size);
    }

    enum class Opened { Cache, Absent, Damaged };

    // The cache at `path` when it is a regular file of format 1.1 or 1.2:
    // Cache; Absent when it is no such file (QMimeDatabase reads the
    // folder's packages then); Damaged when it claims the format but does
    // not hold together.
    static Opened open(const QByteArray& path, std::unique_ptr<MimeCache>& opened)
    {
        const int fd = openRegularFile(path.constData());
        if (fd < 0)
            return Opened::Absent;
        struct stat status{};
        auto cache = std::make_unique<MimeCache>();
        if (::fstat(fd, &status) == 0 && status.st_size >= 4) {
            void* data = ::mmap(nullptr, size_t(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (data != MAP_FAILED) {
                cache->m_data = static_cast<const unsigned char*>(data);
                cache->m_size = size_t(status.st_size);
            }
        }
        ::close(fd);
        if (!cache->m_data || cache->u16(0) != 1 || cache->u16(2) < 1 || cache->u16(2) > 2)
            return Opened::Absent;
        if (!cache->sound())
            return Opened::Damaged;
        opened = std::move(cache);
        return Opened::Cache;
    }

    [[nodiscard]] quint32 u32(quint32 offset) const
    {
        if (size_t(offset) + 4 > m_size) {
            m_damaged.store(true, std::memory_order_relaxed);
            return 0;
        }
        const unsigned char* p = m_data + offset;
        return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
    }
    [[nodiscard]] quint32 u16(quint32 offset) const
    {
        return size_t(offset) + 2 > m_size ? 0 : quint32(m_data[offset]) << 8 | m_data[offset + 1];
    }
    // The NUL-terminated string at `offset`; empty past the end.
    [[nodiscard]] QLatin1StringView string(quint32 offset) const
    {
        if (offset >= m_size) {
            m_damaged.store(true, std::memory_order_relaxed);
            return {};
        }
        const auto* start = reinterpret_cast<const char*>(m_data + offset);
        const void* end = std::memchr(start, 0, m_size - offset);
        if (!end) {
            m_damaged.store(true, std::memory_order_relaxed);
            return {};
        }
        return QLatin1StringView(start, static_cast<const char*>(end) - start);
    }
    // `length` bytes at `offset`; null past the end.
    [[nodiscard]] const char* bytes(quint32 offset, quint32 length) const
    {
        if (!fits(offset, length))
            return nullptr;
        return reinterpret_cast<const char*>(m_data + offset);
    }
    [[nodiscard]] bool damaged() const { return m_damaged.load(std::memory_order_relaxed); }

private:
    // Whether `length` bytes from `offset` lie inside the cache.
    bool fits(quint64 offset, quint64 length) const
    {
        if (offset + length > m_size) {
            m_damaged.store(true, std::memory_order_relaxed);
            return false;
        }
        return true;
    }

    // Every list QMimeDatabase or this reader reads, each entry, string and
    // child once: the offsets and counts stay inside the file. A tree or
    // rule list whose children lead back to itself runs out of its budget
    // (a sound cache holds each node once).
    bool sound() const
    {
        if (!fits(0, 40))
            return false;
        // Aliases, literals, globs, namespaces, icons and generic icons:
        // lists of entries of string offsets (a flags word last in globs).
        const struct
        {
            quint32 header;
            quint32 entrySize;
            quint32 strings;
        } lists[] = {{4, 8, 2}, {kLiteralListOffset, 12, 2}, {kGlobListOffset, 12, 2}, {28, 12, 3}, {32, 8, 2},
                     {36, 8, 2}};
        for (const auto& list : lists) {
            const quint32 at = u32(list.header);
            const quint32 count = u32(at);
            if (!fits(quint64(at) + 4, quint64(count) * list.entrySize))
                return false;
            for (quint32 i = 0; i < count && !damaged(); ++i) {
                for (quint32 s = 0; s < list.strings; ++s)
                    (void)string(u32(at + 4 + i * list.entrySize + 4 * s));
            }
        }
        const quint32 parentList = u32(kParentListOffset);
        const quint32 parentCount = u32(parentList);
        if (!fits(quint64(parentList) + 4, quint64(parentCount) * 8))
            return false;
        for (quint32 i = 0; i < parentCount && !damaged(); ++i) {
            const quint32 entry = parentList + 4 + 8 * i;
            (void)string(u32(entry));
            const quint32 parents = u32(entry + 4);
            const quint32 count = u32(parents);
            if (!fits(quint64(parents) + 4, quint64(count) * 4))
                return false;
            for (quint32 p = 0; p < count && !damaged(); ++p)
                (void)string(u32(parents + 4 + 4 * p));
        }
        const quint32 tree = u32(kReverseSuffixTreeOffset);
        quint64 nodes = m_size / 12;
        if (!soundTree(u32(tree), u32(tree + 4), 0, nodes))
            return false;
        const quint32 magic = u32(kMagicListOffset);
        const quint32 matchCount = u32(magic);
        const quint32 firstMatch = u32(magic + 8);
        if (!fits(firstMatch, quint64(matchCount) * 16))
            return false;
        quint64 matchlets = m_size / 32;
        for (quint32 i = 0; i < matchCount && !damaged(); ++i) {
            const quint32 match = firstMatch + 16 * i;
            (void)string(u32(match + 4));
            if (!soundMatchlets(u32(match + 8), u32(match + 12), 0, matchlets))
                return false;
        }
        return !damaged();
    }

    bool soundTree(quint32 count, quint32 first, int depth, quint64& budget) const
    {
        if (count == 0)
            return true;
        if (depth > 255 || count > budget || !fits(first, quint64(count) * 12))
            return false;
        budget -= count;
        for (quint32 i = 0; i < count && !damaged(); ++i) {
            const quint32 node = first + 12 * i;
            if (u32(node) == 0)
                (void)string(u32(node + 4));
            else if (!soundTree(u32(node + 4), u32(node + 8), depth + 1, budget))
                return false;
        }
        return !damaged();
    }

    bool soundMatchlets(quint32 count, quint32 first, int depth, quint64& budget) const
    {
        if (count == 0)
            return true;
        if (depth > 64 || count > budget || !fits(first, quint64(count) * 32))
            return false;
        budget -= count;
        for (quint32 i = 0; i < count && !damaged(); ++i) {
            const quint32 matchlet = first + 32 * i;
            const quint32 length = u32(matchlet + 12);
            if (!fits(u32(matchlet + 16), length))
                return false;
            if (const quint32 mask = u32(matchlet + 20); mask && !fits(mask, length))
                return false;
            if (!soundMatchlets(u32(matchlet + 24), u32(matchlet + 28), depth + 1, budget))
                return false;
        }
        return !damaged();
    }

    const unsigned char* m_data = nullptr;
    size_t m_size = 0;
    // Set by a read past the end; sound() reads everything first, so a
    // cache in use does not set it, but lookups on any thread still check.
    mutable std::atomic<bool> m_damaged{false};
};

// The types a name's patterns give: those of the heaviest, longest pattern
// first, then the others in the order met (QMimeGlobMatchResult's rule).
struct GlobMatches
{
    QStringList best;
    QStringList all;
    quint32 weight = 0;
    qsizetype patternLength = 0;
    // Types whose patterns a more important folder deleted; null for none.
    const QSet<QString>* deleted = nullptr;

    void add(const QString& type, quint32 typeWeight, qsizetype length)
    {
        if (all.contains(type) || (deleted && deleted->contains(type)))
            return;
        if (typeWeight < weight) {
            all.append(type);
            return;
        }
        bool replace = typeWeight > weight;
        if (!replace) {
            if (length < patternLength)
                return;
            replace = length > patternLength;
        }
        if (replace) {
            best.clear();
            patternLength = length;
            weight = typeWeight;
        }
        if (!best.contains(type)) {
            best.append(type);
            if (replace)
                all.prepend(type);
            else
                all.append(type);
        }
    }
};

// fnmatch without path rules: "*", "?" and "[...]" ("!" or "^" first negates).
bool matchesWildcard(QStringView pattern, QStringView name)
{
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starP = -1;
    qsizetype starN = 0;
    const auto matchSet = [&](qsizetype at, QChar c, qsizetype& after) {
        qsizetype i = at + 1;
        const bool negated = i < pattern.size() && (pattern[i] == u'!' || pattern[i] == u'^');
        if (negated)
            ++i;
        bool found = false;
        for (bool first = true; i < pattern.size() && (first || pattern[i] != u']'); first = false) {
            if (i + 2 < pattern.size() && pattern[i + 1] == u'-' && pattern[i + 2] != u']') {
                found = found || (c >= pattern[i] && c <= pattern[i + 2]);
                i += 3;
            } else {
                found = found || c == pattern[i];
                ++i;
            }
        }
        if (i >= pattern.size())
            return -1; // no "]": the "[" is a plain character
        after = i + 1;
        return found != negated ? 1 : 0;
    };
    while (n < name.size()) {
        qsizetype after = p + 1;
        int set = -1;
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
            continue;
        }
        if (p < pattern.size()
            && (pattern[p] == u'?' || (pattern[p] == u'[' && (set = matchSet(p, name[n], after)) == 1)
                || (set == -1 && pattern[p] == name[n]))) {
            p = after;
            ++n;
            continue;
        }
        if (starP < 0)
            return false;
        p = starP + 1;
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

// One entry of a literal or glob list, read once: its pattern (in lower
// case unless it is case-sensitive), its type and weight.
struct NamePattern
{
    QString pattern;
    QString type;
    quint32 weight = 0;
    bool caseSensitive = false;
    qsizetype length = 0; // of the pattern as written
};

// The lists of one cache, read once.
class CacheReader
{
public:
    explicit CacheReader(std::unique_ptr<MimeCache> cache)
        : m_cache(std::move(cache)), m_literals(readList(kLiteralListOffset)),
          m_globs(readList(kGlobListOffset))
    {
        for (qsizetype i = 0; i < m_literals.size(); ++i)
            m_literalIndexes[m_literals.at(i).pattern.toLower()].append(i);
    }

    // A literal matches only a name equal to it, in lower case at least.
    void addLiterals(GlobMatches& matches, const QString& name, const QString& lowerName) const
    {
        for (const qsizetype i : m_literalIndexes.value(lowerName)) {
            const NamePattern& literal = m_literals.at(i);
            if (!literal.caseSensitive || literal.pattern == name)
                matches.add(literal.type, literal.weight, literal.length);
        }
    }

    void addSuffixes(GlobMatches& matches, const QString& name, const QString& lowerName) const
    {
        const quint32 tree = m_cache->u32(kReverseSuffixTreeOffset);
        const quint32 roots = m_cache->u32(tree);
        const quint32 first = m_cache->u32(tree + 4);
        matchSuffixTree(matches, roots, first, lowerName, lowerName.size() - 1, false, 0);
        matchSuffixTree(matches, roots, first, name, name.size() - 1, true, 0);
    }

    void addGlobs(GlobMatches& matches, const QString& name, const QString& lowerName) const
    {
        for (const NamePattern& glob : m_globs) {
            if (matchesWildcard(glob.pattern, glob.caseSensitive ? name : lowerName))
                matches.add(glob.type, glob.weight, glob.length);
        }
    }

    // The type of the first magic rule `data` meets (the cache keeps them
    // by priority) and its priority; null when none does.
    [[nodiscard]] QString typeOfData(const QByteArray& data, quint32& priority) const
    {
        const quint32 list = m_cache->u32(kMagicListOffset);
        const quint32 count = m_cache->u32(list);
        const quint32 first = m_cache->u32(list + 8);
        for (quint32 i = 0; i < count && !m_cache->damaged(); ++i) {
            const quint32 match = first + 16 * i;
            if (matchesRule(m_cache->u32(match + 8), m_cache->u32(match + 12), data, 0)) {
                priority = m_cache->u32(match);
                return m_cache->string(m_cache->u32(match + 4));
            }
        }
        return {};
    }

    // The types whose patterns in less important folders this cache
    // deletes (<glob-deleteall/>, written as the pattern "__NOGLOBS__").
    [[nodiscard]] const QSet<QString>& globsDeleted() const { return m_globsDeleted; }

    // Appends the parents the cache gives `type` that `found` lacks.
    void addParents(const QString& type, QStringList& found) const
    {
        const quint32 list = m_cache->u32(kParentListOffset);
        qint64 low = 0;
        qint64 high = qint64(m_cache->u32(list)) - 1;
        const QByteArray key = type.toLatin1();
        while (low <= high && !m_cache->damaged()) {
            const qint64 middle = (low + high) / 2;
            const quint32 entry = list + 4 + quint32(8 * middle);
            const int order = QByteArrayView(m_cache->string(m_cache->u32(entry))).compare(key);
            if (order < 0) {
                low = middle + 1;
            } else if (order > 0) {
                high = middle - 1;
            } else {
                const quint32 parentsAt = m_cache->u32(entry + 4);
                const quint32 count = m_cache->u32(parentsAt);
                for (quint32 i = 0; i < count; ++i) {
                    const QString parent = m_cache->string(m_cache->u32(parentsAt + 4 + 4 * i));
                    if (!found.contains(parent))
                        found.append(parent);
                }
                break;
            }
        }
    }

private:
    // The literal or glob list whose offset the header keeps at `header`;
    // notes the types whose patterns it deletes.
    QList<NamePattern> readList(quint32 header)
    {
        QList<NamePattern> patterns;
        const quint32 list = m_cache->u32(header);
        const quint32 count = m_cache->u32(list);
        for (quint32 i = 0; i < count && !m_cache->damaged(); ++i) {
            const quint32 entry = list + 4 + 12 * i;
            const QString written = m_cache->string(m_cache->u32(entry));
            const quint32 flags = m_cache->u32(entry + 8);
            const bool caseSensitive = flags & kCaseSensitive;
            if (written == kNoGlobs)
                m_globsDeleted.insert(m_cache->string(m_cache->u32(entry + 4)));
            else if (!written.isEmpty())
                patterns.append({caseSensitive ? written : written.toLower(), m_cache->string(m_cache->u32(entry + 4)),
                                 flags & kWeightMask, caseSensitive, written.size()});
        }
        return patterns;
    }

    // The suffix tree read from the name's end; a leaf (character 0) under a
    // node gives a type. Only the last unit decides the first level, and the
    // name's first unit is never part of a suffix.
    bool matchSuffixTree(GlobMatches& matches, quint32 count, quint32 first, const QString& name, qsizetype at,
                         bool caseSensitiveCheck, int depth) const
    {
        if (at < 0 || depth > 255)
            return false;
        const char16_t unit = name.at(at).unicode();
        qint64 low = 0;
        qint64 high = qint64(count) - 1;
        while (low <= high && !m_cache->damaged()) {
            const qint64 middle = (low + high) / 2;
            const quint32 node = first + quint32(12 * middle);
            const auto character = char16_t(m_cache->u32(node));
            if (character < unit) {
                low = middle + 1;
            } else if (character > unit) {
                high = middle - 1;
            } else {
                const qsizetype next = at - 1;
                const quint32 children = m_cache->u32(node + 4);
                const quint32 childrenAt = m_cache->u32(node + 8);
                bool found = next > 0
                             && matchSuffixTree(matches, children, childrenAt, name, next, caseSensitiveCheck, depth + 1);
                if (!found) {
                    for (quint32 i = 0; i < children; ++i) {
                        const quint32 child = childrenAt + 12 * i;
                        if (m_cache->u32(child) != 0)
                            break;
                        const quint32 flags = m_cache->u32(child + 8);
                        if (caseSensitiveCheck || !(flags & kCaseSensitive)) {
                            matches.add(m_cache->string(m_cache->u32(child + 4)), flags & kWeightMask,
                                        name.size() - next);
                            found = true;
                        }
                    }
                }
                return found;
            }
        }
        return false;
    }

    // Whether one of `count` matchlets from `first` holds, with one of its
    // children when it has any.
    bool matchesRule(quint32 count, quint32 first, const QByteArray& data, int depth) const
    {
        if (depth > 64)
            return false;
        for (quint32 i = 0; i < count && !m_cache->damaged(); ++i) {
            const quint32 matchlet = first + 32 * i;
            const qsizetype start = m_cache->u32(matchlet);
            const qsizetype range = m_cache->u32(matchlet + 4);
            const quint32 length = m_cache->u32(matchlet + 12);
            const char* value = m_cache->bytes(m_cache->u32(matchlet + 16), length);
            const quint32 maskAt = m_cache->u32(matchlet + 20);
            const char* mask = maskAt ? m_cache->bytes(maskAt, length) : nullptr;
            if (!value || (maskAt && !mask) || !holds(data, start, range, value, length, mask))
                continue;
            const quint32 children = m_cache->u32(matchlet + 24);
            if (children == 0 || matchesRule(children, m_cache->u32(matchlet + 28), data, depth + 1))
                return true;
        }
        return false;
    }

    // Whether `value` (under `mask`) stands in `data` at a place from
    // `start` to `start + range - 1`.
    static bool holds(const QByteArray& data, qsizetype start, qsizetype range, const char* value, qsizetype length,
                      const char* mask)
    {
        const qsizetype last = std::min(start + range, data.size() - length + 1);
        if (last <= start || length == 0)
            return length == 0 && start < last;
        if (!mask && last == start + 1)
            return std::memcmp(data.constData() + start, value, size_t(length)) == 0;
        if (!mask) {
            // The window of every place the value may start at.
            const qsizetype window = last - 1 + length - start;
            return ::memmem(data.constData() + start, size_t(window), value, size_t(length)) != nullptr;
        }
        for (qsizetype at = start; at < last; ++at) {
            const char* d = data.constData() + at;
            qsizetype k = 0;
            while (k < length && (d[k] & mask[k]) == (value[k] & mask[k]))
                ++k;
            if (k == length)
                return true;
        }
        return false;
    }

    std::unique_ptr<MimeCache> m_cache;
    QSet<QString> m_globsDeleted; // before the lists below are read
    QList<NamePattern> m_literals;
    QList<NamePattern> m_globs;
    QHash<QString, QList<qsizetype>> m_literalIndexes; // by the literal in lower case
};

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
    const int fd = openRegularFile(path.constData());
    if (fd < 0)
        return std::nullopt;
    struct stat status{};
    std::optional<QByteArray> data;
    if (::fstat(fd, &status) == 0) {
        QByteArray bytes(limit, Qt::Uninitialized);
        qsizetype done = 0;
        for (ssize_t n = 0; done < bytes.size(); done += n) {
            n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
            if (n < 0 && errno == EINTR) {
                n = 0;
                continue;
            }
            if (n <= 0)
                break;
        }
        bytes.truncate(done);
        data = std::move(bytes);
    }
    ::close(fd);
    return data;
}

// The untranslated <comment> of a type's own file ("text/plain.xml" in a
// database folder, as update-mime-database writes it); empty when there is
// none.
QString commentOfTypeFile(const QString& folder, const QString& type)
{
    constexpr qsizetype kLargestTypeFile = 1 << 20;
    if (type.contains(QStringLiteral("..")))
        return {};
    const std::optional<QByteArray> xml =
        leadingBytes(fileSystemRepresentation(folder + u'/' + type + QStringLiteral(".xml")), kLargestTypeFile);
    if (!xml)
        return {};
    QXmlStreamReader reader(*xml);
    while (reader.readNextStartElement() || (!reader.atEnd() && !reader.hasError())) {
        if (reader.isStartElement() && reader.name() == u"comment"
            && !reader.attributes().hasAttribute(QStringLiteral("http://www.w3.org/XML/1998/namespace"),
                                                 QStringLiteral("lang")))
            return reader.readElementText();
        if (reader.isStartElement() && reader.name() != u"mime-type")
            reader.skipCurrentElement();
    }
    return {};
}

// The caches of the database folders at one time, merged as QMimeDatabase
// merges them: the most important folder first. Immutable but for the
// comments it learns.
class MimeSnapshot
{
public:
    std::vector<std::unique_ptr<const CacheReader>> caches;
    std::vector<QSet<QString>> globsDeletedBefore; // by the folders before each cache's
    QStringList soundFolders;   // the folders whose caches are read
    bool answers = false;       // every folder that defines types has a sound cache
    bool damaged = false;       // a folder's cache is damaged and left out

    [[nodiscard]] GlobMatches globMatches(const QString& name) const
    {
        GlobMatches matches;
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
        for (const auto& cache : caches) {
            quint32 priority = 0;
            const QString type = cache->typeOfData(data, priority);
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

    // Whether `type` is `parent` or derives from it.
    [[nodiscard]] bool inherits(const QString& type, const QString& parent) const
    {
        QStringList toCheck{type};
        for (int steps = 0; !toCheck.isEmpty() && steps < 1000; ++steps) {
            const QString current = toCheck.takeLast();
            if (current == parent)
                return true;
            toCheck.append(parents(current));
        }
        return false;
    }

    [[nodiscard]] QString typeNameOfFile(const QByteArray& path) const
    {
        if ((!answers && !damaged) || path.isEmpty())
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
        GlobMatches byName = globMatches(stringWithFileSystemRepresentation(path.mid(slash + 1)));
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

    // QMimeDatabase's comment, once a type; without QMimeDatabase while a
    // cache is damaged.
    [[nodiscard]] QString commentOfType(const QString& type) const
    {
        {
            const std::lock_guard<std::mutex> guard(m_commentLock);
            if (const auto known = m_comments.constFind(type); known != m_comments.constEnd())
                return *known;
        }
        QString comment;
        if (damaged) {
            for (const QString& folder : soundFolders) {
                if (comment = commentOfTypeFile(folder, type); !comment.isEmpty())
                    break;
            }
            if (comment.isEmpty())
                comment = type;
        } else {
            static const QMimeDatabase database;
            comment = database.mimeTypeForName(type).comment();
            // QMimeDatabase looks at its folders every few seconds: a type
            // just added may not have its comment yet.
            if (comment.isEmpty())
                return comment;
        }
        const std::lock_guard<std::mutex> guard(m_commentLock);
        return *m_comments.insert(type, comment);
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

    mutable std::mutex m_commentLock;
    mutable QHash<QString, QString> m_comments;
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
    QSet<QByteArray> reportedDamage; // the fingerprints of damaged caches said once
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
        bool definedElsewhere = false;
        for (const QString& folder : folders) {
            const QString cachePath = folder + QStringLiteral("/mime.cache");
            std::unique_ptr<MimeCache> cache;
            switch (MimeCache::open(fileSystemRepresentation(cachePath), cache)) {
            case MimeCache::Opened::Cache:
                fresh->caches.push_back(std::make_unique<const CacheReader>(std::move(cache)));
                fresh->soundFolders.append(folder);
                break;
            case MimeCache::Opened::Damaged:
                fresh->damaged = true;
                if (const QByteArray cachePrint = folderFingerprint(folder); !reportedDamage.contains(cachePrint)) {
                    reportedDamage.insert(cachePrint);
                    logWarning(QStringLiteral("Damaged MIME cache %1: kinds are read without it").arg(cachePath));
                }
                break;
            case MimeCache::Opened::Absent:
                definedElsewhere = definedElsewhere || hasPackages(folder);
                break;
            }
        }
        fresh->answers = !fresh->caches.empty() && !definedElsewhere;
        QSet<QString> deleted;
        for (const auto& cache : fresh->caches) {
            fresh->globsDeletedBefore.push_back(deleted);
            deleted.unite(cache->globsDeleted());
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

QString MimeTypeReader::typeNameOfFile(const QByteArray& path) const
{
    return m_state->current()->typeNameOfFile(path);
}

QString MimeTypeReader::commentOfType(const QString& type) const
{
    return m_state->current()->commentOfType(type);
}

bool MimeTypeReader::hasDamagedCache() const
{
    return m_state->current()->damaged;
}

namespace {

MimeTypeReader& sharedReader()
{
    static MimeTypeReader reader;
    return reader;
}

} // namespace

QString mimeTypeNameOfFile(const QByteArray& path)
{
    return sharedReader().typeNameOfFile(path);
}

QString mimeKindOfFile(const QString& path)
{
    const std::shared_ptr<const MimeSnapshot> snapshot = sharedReader().m_state->current();
    const QString type = snapshot->typeNameOfFile(fileSystemRepresentation(path));
    if (type.isNull()) {
        // No damaged cache: typeNameOfFile answers whenever there is one.
        static const QMimeDatabase database;
        return database.mimeTypeForFile(path).comment();
    }
    return snapshot->commentOfType(type);
}

} // namespace sorvant
