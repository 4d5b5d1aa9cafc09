#include "platform/mime_cache.h"

#include "platform/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

namespace sorvant {

namespace {

// The header's offsets (shared-mime-info's cache format 1.x, big-endian).
constexpr quint32 kAliasListOffset = 4;
constexpr quint32 kParentListOffset = 8;
constexpr quint32 kLiteralListOffset = 12;
constexpr quint32 kReverseSuffixTreeOffset = 16;
constexpr quint32 kGlobListOffset = 20;
constexpr quint32 kMagicListOffset = 24;
constexpr quint32 kIconsListOffset = 32;
constexpr quint32 kGenericIconsListOffset = 36;

// Flags beside a glob's weight.
constexpr quint32 kWeightMask = 0xff;
constexpr quint32 kCaseSensitive = 0x100;

// The pattern update-mime-database writes for <glob-deleteall/>, and the
// magic value it writes for <magic-deleteall/>.
const QString kNoGlobs = QStringLiteral("__NOGLOBS__");
constexpr char kNoMagic[] = "__NOMAGIC__";

} // namespace


void MimeGlobMatches::add(const QString& type, quint32 typeWeight, qsizetype length)
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

bool matchesMimeWildcard(QStringView pattern, QStringView name)
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

// The cache's bytes. Every read is checked against its size: a damaged
// cache answers nothing rather than reading past it. sound() walks every
// list once, so that a cache read further is known to hold together.
struct MimeCache::Bytes
{
    QByteArray data;
    size_t m_size = 0;
    const unsigned char* m_data = nullptr;

    explicit Bytes(QByteArray bytes)
        : data(std::move(bytes)), m_size(size_t(data.size())),
          m_data(reinterpret_cast<const unsigned char*>(data.constData()))
    {
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
        quint64 nodes = m_size / kSuffixNodeSize;
        if (!soundNodes(kSuffixNodes, u32(tree), u32(tree + 4), 0, nodes))
            return false;
        const quint32 magic = u32(kMagicListOffset);
        const quint32 matchCount = u32(magic);
        const quint32 firstMatch = u32(magic + 8);
        if (!fits(firstMatch, quint64(matchCount) * 16))
            return false;
        quint64 matchlets = m_size / kMatchletSize;
        for (quint32 i = 0; i < matchCount && !damaged(); ++i) {
            const quint32 match = firstMatch + 16 * i;
            (void)string(u32(match + 4));
            if (!soundNodes(kMatchlets, u32(match + 8), u32(match + 12), 0, matchlets))
                return false;
        }
        return !damaged();
    }

    // The two trees the cache keeps as arrays of fixed-size nodes, each
    // node's children an array of its own: the reverse suffix tree and the
    // magic rules' matchlets.
    struct NodeShape
    {
        quint32 size;
        int deepest;
        // Checks a node's own fields and gives its children's count and
        // place (none for a leaf); false when they point outside the cache.
        bool (Bytes::*sound)(quint32 node, quint32& children, quint32& first) const;
    };
    static constexpr quint32 kSuffixNodeSize = 12;
    static constexpr quint32 kMatchletSize = 32;

    // A suffix node is a character with children, or a leaf (character 0)
    // naming a type.
    bool soundSuffixNode(quint32 node, quint32& children, quint32& first) const
    {
        if (u32(node) == 0) {
            (void)string(u32(node + 4));
            children = 0;
        } else {
            children = u32(node + 4);
            first = u32(node + 8);
        }
        return true;
    }

    // A matchlet's value and mask lie inside the cache.
    bool soundMatchlet(quint32 matchlet, quint32& children, quint32& first) const
    {
        const quint32 length = u32(matchlet + 12);
        if (!fits(u32(matchlet + 16), length))
            return false;
        if (const quint32 mask = u32(matchlet + 20); mask && !fits(mask, length))
            return false;
        children = u32(matchlet + 24);
        first = u32(matchlet + 28);
        return true;
    }

    static constexpr NodeShape kSuffixNodes{kSuffixNodeSize, 255, &Bytes::soundSuffixNode};
    static constexpr NodeShape kMatchlets{kMatchletSize, 64, &Bytes::soundMatchlet};

    // Whether `count` nodes from `first` and all below them are sound.
    // `budget` is the nodes the file can hold, less those met already.
    bool soundNodes(const NodeShape& shape, quint32 count, quint32 first, int depth, quint64& budget) const
    {
        if (count == 0)
            return true;
        if (depth > shape.deepest || count > budget || !fits(first, quint64(count) * shape.size))
            return false;
        budget -= count;
        for (quint32 i = 0; i < count && !damaged(); ++i) {
            quint32 children = 0;
            quint32 childrenAt = 0;
            if (!(this->*shape.sound)(first + shape.size * i, children, childrenAt)
                || !soundNodes(shape, children, childrenAt, depth + 1, budget))
                return false;
        }
        return !damaged();
    }

    // Set by a read past the end; sound() reads everything first, so a
    // cache in use does not set it, but lookups on any thread still check.
    mutable std::atomic<bool> m_damaged{false};
};

// One entry of a literal or glob list, read once: its pattern (in lower
// case unless it is case-sensitive), its type and weight.
struct MimeCache::NamePattern
{
    QString pattern;
    QString type;
    quint32 weight = 0;
    bool caseSensitive = false;
    qsizetype length = 0; // of the pattern as written
};

MimeCache::MimeCache() = default;
MimeCache::~MimeCache() = default;

MimeCache::Opened MimeCache::open(const QString& path, std::unique_ptr<const MimeCache>& opened, QString* why)
{
    QByteArray bytes;
    switch (readRegularFile(path, kLargestCache, &bytes)) {
    case FileReadStatus::Read:
        break;
    // Absent only when nothing is there: whatever else stands there would
    // be read (and block, or fault) by a reader without checks.
    case FileReadStatus::Missing:
        return Opened::Absent;
    case FileReadStatus::NotRegular:
        if (why)
            *why = QStringLiteral("not a regular file");
        return Opened::Unusable;
    case FileReadStatus::TooLarge:
        if (why)
            *why = QStringLiteral("larger than %1 bytes").arg(kLargestCache);
        return Opened::Unusable;
    case FileReadStatus::Failed:
        if (why)
            *why = QStringLiteral("unreadable");
        return Opened::Unusable;
    }
    // Two 16-bit big-endian numbers, major and minor, when there are four bytes.
    const auto version = [&bytes](int at) { return uchar(bytes.at(at)) << 8 | uchar(bytes.at(at + 1)); };
    const QString versionText = bytes.size() >= 4 ? QStringLiteral("%1.%2").arg(version(0)).arg(version(2)) : QString();
    const Opened result = fromBytes(std::move(bytes), opened);
    if (result == Opened::Unusable && why)
        *why = QStringLiteral("damaged");
    if (result == Opened::OtherVersion && why)
        *why = versionText;
    return result;
}

MimeCache::Opened MimeCache::fromBytes(QByteArray data, std::unique_ptr<const MimeCache>& opened)
{
    auto bytes = std::make_unique<const Bytes>(std::move(data));
    // Another major version, or the first draft's 1.0 (other entries), is
    // not read: what it holds is unknown, so it is not damaged either. A
    // file cut before its version is as unusable as one cut later. A newer
    // minor version keeps the header's places (1.1 and 1.2 kept 1.0's and
    // added theirs after them) and is read by the layout known.
    if (bytes->data.size() >= 4 && (bytes->u16(0) != 1 || bytes->u16(2) < 1))
        return Opened::OtherVersion;
    const quint32 minor = bytes->u16(2);
    if (bytes->u16(0) != 1 || minor < 1 || !bytes->sound())
        return Opened::Unusable;
    std::unique_ptr<MimeCache> cache(new MimeCache);
    cache->m_minorVersion = minor;
    cache->m_bytes = std::move(bytes);
    cache->m_literals = cache->readList(kLiteralListOffset);
    cache->m_globs = cache->readList(kGlobListOffset);
    for (qsizetype i = 0; i < cache->m_literals.size(); ++i)
        cache->m_literalIndexes[cache->m_literals.at(i).pattern.toLower()].append(i);
    // The types whose magic the cache deletes: a rule whose one matchlet's
    // value is the mark.
    const Bytes& b = *cache->m_bytes;
    const quint32 magic = b.u32(kMagicListOffset);
    const quint32 count = b.u32(magic);
    const quint32 first = b.u32(magic + 8);
    for (quint32 i = 0; i < count; ++i) {
        const quint32 match = first + 16 * i;
        const quint32 matchlet = b.u32(match + 12);
        if (b.u32(match + 8) == 1 && b.u32(matchlet + 12) == sizeof(kNoMagic) - 1) {
            const char* value = b.bytes(b.u32(matchlet + 16), sizeof(kNoMagic) - 1);
            if (value && std::memcmp(value, kNoMagic, sizeof(kNoMagic) - 1) == 0)
                cache->m_magicDeleted.insert(b.string(b.u32(match + 4)));
        }
    }
    opened = std::move(cache);
    return Opened::Cache;
}

// A literal matches only a name equal to it, in lower case at least.
void MimeCache::addLiterals(MimeGlobMatches& matches, const QString& name, const QString& lowerName) const
{
    for (const qsizetype i : m_literalIndexes.value(lowerName)) {
        const NamePattern& literal = m_literals.at(i);
        if (!literal.caseSensitive || literal.pattern == name)
            matches.add(literal.type, literal.weight, literal.length);
    }
}

void MimeCache::addSuffixes(MimeGlobMatches& matches, const QString& name, const QString& lowerName) const
{
    const quint32 tree = m_bytes->u32(kReverseSuffixTreeOffset);
    const quint32 roots = m_bytes->u32(tree);
    const quint32 first = m_bytes->u32(tree + 4);
    matchSuffixTree(matches, roots, first, lowerName, lowerName.size() - 1, false, 0);
    matchSuffixTree(matches, roots, first, name, name.size() - 1, true, 0);
}

void MimeCache::addGlobs(MimeGlobMatches& matches, const QString& name, const QString& lowerName) const
{
    for (const NamePattern& glob : m_globs) {
        if (matchesMimeWildcard(glob.pattern, glob.caseSensitive ? name : lowerName))
            matches.add(glob.type, glob.weight, glob.length);
    }
}

QString MimeCache::typeOfData(const QByteArray& data, quint32& priority, const QSet<QString>* skipped) const
{
    const Bytes& b = *m_bytes;
    const quint32 list = b.u32(kMagicListOffset);
    const quint32 count = b.u32(list);
    const quint32 first = b.u32(list + 8);
    for (quint32 i = 0; i < count && !b.damaged(); ++i) {
        const quint32 match = first + 16 * i;
        if (!matchesRule(b.u32(match + 8), b.u32(match + 12), data, 0))
            continue;
        const QString type = b.string(b.u32(match + 4));
        // A deletion mark is no rule, and a deleted type's rules do not count.
        if (m_magicDeleted.contains(type) && b.u32(match) == 0)
            continue;
        if (skipped && skipped->contains(type))
            continue;
        priority = b.u32(match);
        return type;
    }
    return {};
}

void MimeCache::addParents(const QString& type, QStringList& found) const
{
    const Bytes& b = *m_bytes;
    const quint32 list = b.u32(kParentListOffset);
    qint64 low = 0;
    qint64 high = qint64(b.u32(list)) - 1;
    const QByteArray key = type.toLatin1();
    while (low <= high && !b.damaged()) {
        const qint64 middle = (low + high) / 2;
        const quint32 entry = list + 4 + quint32(8 * middle);
        const int order = QByteArrayView(b.string(b.u32(entry))).compare(key);
        if (order < 0) {
            low = middle + 1;
        } else if (order > 0) {
            high = middle - 1;
        } else {
            const quint32 parentsAt = b.u32(entry + 4);
            const quint32 count = b.u32(parentsAt);
            for (quint32 i = 0; i < count; ++i) {
                const QString parent = b.string(b.u32(parentsAt + 4 + 4 * i));
                if (!found.contains(parent))
                    found.append(parent);
            }
            break;
        }
    }
}

// The value of `key` in a sorted list of (key, value) string pairs.
QString MimeCache::lookUp(quint32 header, const QString& key) const
{
    const Bytes& b = *m_bytes;
    const quint32 list = b.u32(header);
    qint64 low = 0;
    qint64 high = qint64(b.u32(list)) - 1;
    const QByteArray latin = key.toLatin1();
    while (low <= high && !b.damaged()) {
        const qint64 middle = (low + high) / 2;
        const quint32 entry = list + 4 + quint32(8 * middle);
        const int order = QByteArrayView(b.string(b.u32(entry))).compare(latin);
        if (order < 0)
            low = middle + 1;
        else if (order > 0)
            high = middle - 1;
        else
            return b.string(b.u32(entry + 4));
    }
    return {};
}

QString MimeCache::typeOfAlias(const QString& alias) const
{
    return alias.isEmpty() ? QString() : lookUp(kAliasListOffset, alias);
}

QString MimeCache::iconName(const QString& type) const
{
    return type.isEmpty() ? QString() : lookUp(kIconsListOffset, type);
}

QString MimeCache::genericIconName(const QString& type) const
{
    return type.isEmpty() ? QString() : lookUp(kGenericIconsListOffset, type);
}

// The literal or glob list whose offset the header keeps at `header`;
// notes the types whose patterns it deletes.
QList<MimeCache::NamePattern> MimeCache::readList(quint32 header)
{
    const Bytes& b = *m_bytes;
    QList<NamePattern> patterns;
    const quint32 list = b.u32(header);
    const quint32 count = b.u32(list);
    for (quint32 i = 0; i < count && !b.damaged(); ++i) {
        const quint32 entry = list + 4 + 12 * i;
        const QString written = b.string(b.u32(entry));
        const quint32 flags = b.u32(entry + 8);
        const bool caseSensitive = flags & kCaseSensitive;
        if (written == kNoGlobs)
            m_globsDeleted.insert(b.string(b.u32(entry + 4)));
        else if (!written.isEmpty())
            patterns.append({caseSensitive ? written : written.toLower(), b.string(b.u32(entry + 4)),
                             flags & kWeightMask, caseSensitive, written.size()});
    }
    return patterns;
}

// The suffix tree read from the name's end; a leaf (character 0) under a
// node gives a type. Only the last unit decides the first level, and the
// name's first unit is never part of a suffix.
bool MimeCache::matchSuffixTree(MimeGlobMatches& matches, quint32 count, quint32 first, const QString& name,
                                qsizetype at, bool caseSensitiveCheck, int depth) const
{
    if (at < 0 || depth > 255)
        return false;
    const Bytes& b = *m_bytes;
    const char16_t unit = name.at(at).unicode();
    qint64 low = 0;
    qint64 high = qint64(count) - 1;
    while (low <= high && !b.damaged()) {
        const qint64 middle = (low + high) / 2;
        const quint32 node = first + quint32(12 * middle);
        const auto character = char16_t(b.u32(node));
        if (character < unit) {
            low = middle + 1;
        } else if (character > unit) {
            high = middle - 1;
        } else {
            const qsizetype next = at - 1;
            const quint32 children = b.u32(node + 4);
            const quint32 childrenAt = b.u32(node + 8);
            bool found = next > 0
                         && matchSuffixTree(matches, children, childrenAt, name, next, caseSensitiveCheck, depth + 1);
            if (!found) {
                for (quint32 i = 0; i < children; ++i) {
                    const quint32 child = childrenAt + 12 * i;
                    if (b.u32(child) != 0)
                        break;
                    const quint32 flags = b.u32(child + 8);
                    if (caseSensitiveCheck || !(flags & kCaseSensitive)) {
                        matches.add(b.string(b.u32(child + 4)), flags & kWeightMask, name.size() - next);
                        found = true;
                    }
                }
            }
            return found;
        }
    }
    return false;
}

namespace {

// Whether `value` (under `mask`) stands in `data` at a place from `start`
// to `start + range - 1`.
bool holds(const QByteArray& data, qsizetype start, qsizetype range, const char* value, qsizetype length,
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

} // namespace

// Whether one of `count` matchlets from `first` holds, with one of its
// children when it has any.
bool MimeCache::matchesRule(quint32 count, quint32 first, const QByteArray& data, int depth) const
{
    if (depth > 64)
        return false;
    const Bytes& b = *m_bytes;
    for (quint32 i = 0; i < count && !b.damaged(); ++i) {
        const quint32 matchlet = first + 32 * i;
        const qsizetype start = b.u32(matchlet);
        const qsizetype range = b.u32(matchlet + 4);
        const quint32 length = b.u32(matchlet + 12);
        const char* value = b.bytes(b.u32(matchlet + 16), length);
        const quint32 maskAt = b.u32(matchlet + 20);
        const char* mask = maskAt ? b.bytes(maskAt, length) : nullptr;
        if (!value || (maskAt && !mask) || !holds(data, start, range, value, length, mask))
            continue;
        const quint32 children = b.u32(matchlet + 24);
        if (children == 0 || matchesRule(children, b.u32(matchlet + 28), data, depth + 1))
            return true;
    }
    return false;
}

} // namespace sorvant
