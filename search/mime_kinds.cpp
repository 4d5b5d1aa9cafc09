#include "search/mime_kinds.h"

#include "platform/file_system_representation.h"

#include <QHash>
#include <QMimeDatabase>
#include <QStandardPaths>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

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
const QString kPlainText = QStringLiteral("text/plain");

// A mapped mime.cache. Every read is checked against its size: a damaged
// cache answers nothing rather than reading past it.
class MimeCache
{
public:
    ~MimeCache()
    {
        if (m_data)
            ::munmap(const_cast<unsigned char*>(m_data), m_size);
    }

    // The one cache of the database folders QMimeDatabase reads; null when
    // there is none or more than one.
    static std::unique_ptr<MimeCache> open()
    {
        const QStringList folders = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                              QStringLiteral("mime"), QStandardPaths::LocateDirectory);
        if (folders.size() != 1)
            return nullptr;
        const QByteArray path = fileSystemRepresentation(folders.first() + QStringLiteral("/mime.cache"));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return nullptr;
        struct stat status{};
        auto cache = std::make_unique<MimeCache>();
        if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size >= 40) {
            void* data = ::mmap(nullptr, size_t(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (data != MAP_FAILED) {
                cache->m_data = static_cast<const unsigned char*>(data);
                cache->m_size = size_t(status.st_size);
            }
        }
        ::close(fd);
        if (!cache->m_data || cache->u16(0) != 1 || cache->u16(2) < 1)
            return nullptr;
        return cache;
    }

    [[nodiscard]] quint32 u32(quint32 offset) const
    {
        if (size_t(offset) + 4 > m_size) {
            m_damaged = true;
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
            m_damaged = true;
            return {};
        }
        const auto* start = reinterpret_cast<const char*>(m_data + offset);
        const void* end = std::memchr(start, 0, m_size - offset);
        if (!end) {
            m_damaged = true;
            return {};
        }
        return QLatin1StringView(start, static_cast<const char*>(end) - start);
    }
    // `length` bytes at `offset`; null past the end.
    [[nodiscard]] const char* bytes(quint32 offset, quint32 length) const
    {
        if (size_t(offset) + length > m_size) {
            m_damaged = true;
            return nullptr;
        }
        return reinterpret_cast<const char*>(m_data + offset);
    }
    [[nodiscard]] bool damaged() const { return m_damaged; }

private:
    const unsigned char* m_data = nullptr;
    size_t m_size = 0;
    mutable bool m_damaged = false;
};

// The types a name's patterns give: those of the heaviest, longest pattern
// first, then the others in the order met (QMimeGlobMatchResult's rule).
struct GlobMatches
{
    QStringList best;
    QStringList all;
    quint32 weight = 0;
    qsizetype patternLength = 0;

    void add(const QString& type, quint32 typeWeight, qsizetype length)
    {
        if (all.contains(type))
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

class MimeReader
{
public:
    explicit MimeReader(std::unique_ptr<MimeCache> cache)
        : m_cache(std::move(cache)), m_literals(readList(kLiteralListOffset)), m_globs(readList(kGlobListOffset))
    {
        for (qsizetype i = 0; i < m_literals.size(); ++i)
            m_literalIndexes[m_literals.at(i).pattern.toLower()].append(i);
    }

    [[nodiscard]] GlobMatches globMatches(const QString& name) const
    {
        GlobMatches matches;
        if (name.isEmpty())
            return matches;
        const QString lowerName = name.toLower();
        // A literal matches only a name equal to it, in lower case at least.
        for (const qsizetype i : m_literalIndexes.value(lowerName)) {
            const NamePattern& literal = m_literals.at(i);
            if (!literal.caseSensitive || literal.pattern == name)
                matches.add(literal.type, literal.weight, literal.length);
        }
        if (matches.best.isEmpty()) {
            const quint32 tree = m_cache->u32(kReverseSuffixTreeOffset);
            const quint32 roots = m_cache->u32(tree);
            const quint32 first = m_cache->u32(tree + 4);
            matchSuffixTree(matches, roots, first, lowerName, lowerName.size() - 1, false, 0);
            matchSuffixTree(matches, roots, first, name, name.size() - 1, true, 0);
        }
        if (matches.best.isEmpty()) {
            for (const NamePattern& glob : m_globs) {
                if (matchesWildcard(glob.pattern, glob.caseSensitive ? name : lowerName))
                    matches.add(glob.type, glob.weight, glob.length);
            }
        }
        return matches;
    }

    // The type of the first magic rule `data` meets (the cache keeps them
    // by priority), else text/plain or the default type; the priority.
    [[nodiscard]] QString typeOfData(const QByteArray& data, quint32& accuracy) const
    {
        if (data.isEmpty()) {
            accuracy = 100;
            return QStringLiteral("application/x-zerosize");
        }
        const quint32 list = m_cache->u32(kMagicListOffset);
        const quint32 count = m_cache->u32(list);
        const quint32 first = m_cache->u32(list + 8);
        for (quint32 i = 0; i < count && !m_cache->damaged(); ++i) {
            const quint32 match = first + 16 * i;
            if (matchesRule(m_cache->u32(match + 8), m_cache->u32(match + 12), data, 0)) {
                accuracy = m_cache->u32(match);
                return m_cache->string(m_cache->u32(match + 4));
            }
        }
        if (isText(data)) {
            accuracy = 5;
            return kPlainText;
        }
        accuracy = 0;
        return kDefaultType;
    }

    // Whether `type` is `parent` or derives from it (the cache's parents,
    // else text/plain for text and the default type for files).
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

    [[nodiscard]] bool damaged() const { return m_cache->damaged(); }

private:
    // The literal or glob list whose offset the header keeps at `header`.
    QList<NamePattern> readList(quint32 header) const
    {
        QList<NamePattern> patterns;
        const quint32 list = m_cache->u32(header);
        const quint32 count = m_cache->u32(list);
        for (quint32 i = 0; i < count && !m_cache->damaged(); ++i) {
            const quint32 entry = list + 4 + 12 * i;
            const QString written = m_cache->string(m_cache->u32(entry));
            const quint32 flags = m_cache->u32(entry + 8);
            const bool caseSensitive = flags & kCaseSensitive;
            if (!written.isEmpty())
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

    // Text by the first 128 bytes: no control character but tab, line feed
    // and carriage return; or a UTF-16 byte-order mark.
    static bool isText(const QByteArray& data)
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

    [[nodiscard]] QStringList parents(const QString& type) const
    {
        QStringList found;
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
                for (quint32 i = 0; i < count; ++i)
                    found.append(m_cache->string(m_cache->u32(parentsAt + 4 + 4 * i)));
                break;
            }
        }
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

    std::unique_ptr<MimeCache> m_cache;
    QList<NamePattern> m_literals;
    QList<NamePattern> m_globs;
    QHash<QString, QList<qsizetype>> m_literalIndexes; // by the literal in lower case
};

const MimeReader* reader()
{
    static const std::unique_ptr<const MimeReader> shared = []() -> std::unique_ptr<const MimeReader> {
        std::unique_ptr<MimeCache> cache = MimeCache::open();
        return cache ? std::make_unique<const MimeReader>(std::move(cache)) : nullptr;
    }();
    return shared.get();
}

// Up to kSniffedBytes from the start of the regular file at `path`; nothing
// when it cannot be opened as one.
std::optional<QByteArray> sniffedBytes(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat status{};
    std::optional<QByteArray> data;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        QByteArray bytes(kSniffedBytes, Qt::Uninitialized);
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

} // namespace

QString mimeTypeNameOfFile(const QByteArray& path)
{
    const MimeReader* mime = reader();
    if (!mime || path.isEmpty())
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
    GlobMatches byName = mime->globMatches(stringWithFileSystemRepresentation(path.mid(slash + 1)));
    if (mime->damaged())
        return {};
    if (byName.all.size() == 1)
        return byName.all.first();
    if (const std::optional<QByteArray> data = sniffedBytes(path)) {
        quint32 accuracy = 0;
        const QString sniffed = mime->typeOfData(*data, accuracy);
        if (accuracy > 0) {
            if (byName.best.contains(sniffed))
                return sniffed;
            for (const QString& type : std::as_const(byName.all)) {
                if (mime->inherits(type, sniffed))
                    return type;
            }
            if (byName.all.isEmpty())
                return sniffed;
        }
    }
    if (mime->damaged())
        return {};
    if (byName.all.size() > 1) {
        byName.best.sort();
        return byName.best.first();
    }
    return kDefaultType;
}

QString mimeKindOfFile(const QString& path)
{
    static const QMimeDatabase database;
    const QString type = mimeTypeNameOfFile(fileSystemRepresentation(path));
    if (type.isNull())
        return database.mimeTypeForFile(path).comment();
    // One comment per type, asked of QMimeDatabase once.
    static std::mutex lock;
    static QHash<QString, QString> comments;
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (const auto known = comments.constFind(type); known != comments.constEnd())
            return *known;
    }
    const QString comment = database.mimeTypeForName(type).comment();
    const std::lock_guard<std::mutex> guard(lock);
    return *comments.insert(type, comment);
}

} // namespace sorvant
