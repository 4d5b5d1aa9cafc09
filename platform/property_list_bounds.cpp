#include "platform/property_list_bounds.h"

#include "platform/markup_tags.h"
#include "platform/property_list.h"

#include <QList>

#include <algorithm>
#include <cstring>
#include <optional>

namespace sorvant {

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool isWithinSizeBound(const QByteArray& data, QString* error)
{
    if (error)
        error->clear();
    if (data.size() <= kMaximumPropertyListSize)
        return true;
    setError(error, QStringLiteral("The property list is larger than %1 bytes").arg(kMaximumPropertyListSize));
    return false;
}

// --- binary ---------------------------------------------------------------------------------

// The trailer's fields, and where the objects end (the offset table).
struct Trailer
{
    int offsetSize = 0;
    int referenceSize = 0;
    quint64 objectCount = 0;
    quint64 topObject = 0;
    quint64 tableOffset = 0;
};

constexpr qsizetype kHeaderSize = 8;
constexpr qsizetype kTrailerSize = 32;

quint64 bigEndian(const QByteArray& data, qsizetype at, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | static_cast<unsigned char>(data.at(at + i));
    return value;
}

std::optional<Trailer> readTrailer(const QByteArray& data)
{
    if (data.size() < kHeaderSize + kTrailerSize || !data.startsWith("bplist00"))
        return std::nullopt;
    const qsizetype at = data.size() - kTrailerSize;
    Trailer trailer;
    trailer.offsetSize = static_cast<unsigned char>(data.at(at + 6));
    trailer.referenceSize = static_cast<unsigned char>(data.at(at + 7));
    trailer.objectCount = bigEndian(data, at + 8, 8);
    trailer.topObject = bigEndian(data, at + 16, 8);
    trailer.tableOffset = bigEndian(data, at + 24, 8);
    const auto limit = static_cast<quint64>(at);
    if (trailer.offsetSize < 1 || trailer.offsetSize > 8 || trailer.referenceSize < 1 || trailer.referenceSize > 8
        || trailer.objectCount == 0 || trailer.objectCount > quint64(kMaximumPropertyListObjects)
        || trailer.topObject >= trailer.objectCount || trailer.tableOffset < kHeaderSize
        || trailer.tableOffset > limit
        || trailer.objectCount > (limit - trailer.tableOffset) / static_cast<quint64>(trailer.offsetSize))
        return std::nullopt;
    return trailer;
}

// The references a container holds: where they start and how many.
struct References
{
    qsizetype start = 0;
    qsizetype count = 0;
};

class BinaryChecker
{
public:
    BinaryChecker(const QByteArray& data, const Trailer& trailer) : m_data(data), m_trailer(trailer) {}

    // Depth-first from the top object, without recursion: each object's
    // height and expanded size are known once all its children are.
    bool check(QString* error)
    {
        const auto count = static_cast<qsizetype>(m_trailer.objectCount);
        m_state.fill(State::Unseen, count);
        m_height.fill(0, count);
        m_size.fill(0, count);
        struct Frame
        {
            qsizetype object;
            References references;
            qsizetype next;
        };
        QList<Frame> stack;
        const auto enter = [&](qsizetype object) {
            const std::optional<References> references = referencesOf(object);
            if (!references)
                return false;
            m_state[object] = State::Open;
            m_size[object] = 1;
            stack.append({object, *references, 0});
            return true;
        };
        if (!enter(static_cast<qsizetype>(m_trailer.topObject)))
            return fail(error, QStringLiteral("an object lies outside the data or holds a NUL"));
        while (!stack.isEmpty()) {
            Frame& frame = stack.last();
            if (frame.next == frame.references.count) {
                const qsizetype finished = frame.object;
                m_state[finished] = State::Done;
                stack.removeLast();
                if (!stack.isEmpty() && !addChild(stack.last().object, finished))
                    return fail(error, QStringLiteral("it is nested too deeply or expands too far"));
                continue;
            }
            const quint64 child = bigEndian(m_data, frame.references.start + frame.next * m_trailer.referenceSize,
                                            m_trailer.referenceSize);
            ++frame.next;
            if (child >= m_trailer.objectCount)
                return fail(error, QStringLiteral("a reference points past the last object"));
            const auto index = static_cast<qsizetype>(child);
            if (m_state[index] == State::Open)
                return fail(error, QStringLiteral("a container holds itself"));
            if (m_state[index] == State::Done) {
                if (!addChild(frame.object, index))
                    return fail(error, QStringLiteral("it is nested too deeply or expands too far"));
                continue;
            }
            if (stack.size() > kMaximumPropertyListDepth)
                return fail(error, QStringLiteral("it is nested too deeply"));
            if (!enter(index))
                return fail(error, QStringLiteral("an object lies outside the data or holds a NUL"));
        }
        return true;
    }

private:
    enum class State : unsigned char { Unseen, Open, Done };

    static bool fail(QString* error, const QString& reason)
    {
        setError(error, QStringLiteral("The binary property list is damaged: %1").arg(reason));
        return false;
    }

    // Adds a finished child's height and size to its parent.
    bool addChild(qsizetype parent, qsizetype child)
    {
        m_height[parent] = std::max(m_height[parent], m_height[child] + 1);
        m_size[parent] += m_size[child];
        return m_height[parent] <= kMaximumPropertyListDepth && m_size[parent] <= kMaximumPropertyListObjects;
    }

    // The count after a marker: its low four bits, or with all four set an
    // integer object that follows. Moves `at` past what it read.
    std::optional<quint64> countAt(qsizetype& at) const
    {
        const int low = static_cast<unsigned char>(m_data.at(at)) & 0x0F;
        ++at;
        if (low != 0x0F)
            return static_cast<quint64>(low);
        if (at >= m_end)
            return std::nullopt;
        const int marker = static_cast<unsigned char>(m_data.at(at));
        const int size = 1 << (marker & 0x0F);
        if ((marker & 0xF0) != 0x10 || size > 8 || at + 1 + size > m_end)
            return std::nullopt;
        const quint64 value = bigEndian(m_data, at + 1, size);
        at += 1 + size;
        return value;
    }

    // Whether the ASCII or UTF-16 string at `at` lies inside the objects'
    // area and holds no NUL (the library stops the process on one).
    bool isStringWithoutNul(qsizetype at, bool utf16) const
    {
        const std::optional<quint64> count = countAt(at);
        const qsizetype unit = utf16 ? 2 : 1;
        if (!count || *count > static_cast<quint64>(m_end - at) / static_cast<quint64>(unit))
            return false;
        const auto length = static_cast<qsizetype>(*count);
        for (qsizetype i = 0; i < length; ++i) {
            const qsizetype first = at + i * unit;
            if (m_data.at(first) == 0 && (!utf16 || m_data.at(first + 1) == 0))
                return false;
        }
        return true;
    }

    // A container's references; none for a scalar. Nothing when the object
    // or its references lie outside the objects' area.
    std::optional<References> referencesOf(qsizetype object) const
    {
        const quint64 offset = bigEndian(m_data, static_cast<qsizetype>(m_trailer.tableOffset)
                                                     + object * m_trailer.offsetSize,
                                         m_trailer.offsetSize);
        if (offset < kHeaderSize || offset >= static_cast<quint64>(m_end))
            return std::nullopt;
        qsizetype at = static_cast<qsizetype>(offset);
        const int type = static_cast<unsigned char>(m_data.at(at)) >> 4;
        if (type == 0x5 || type == 0x6)
            return isStringWithoutNul(at, type == 0x6) ? std::optional<References>(References{}) : std::nullopt;
        if (type != 0xA && type != 0xC && type != 0xD)
            return References{};
        const std::optional<quint64> count = countAt(at);
        const quint64 perEntry = type == 0xD ? 2 : 1;
        const auto room = static_cast<quint64>(m_end - at) / static_cast<quint64>(m_trailer.referenceSize);
        if (!count || *count > room / perEntry)
            return std::nullopt;
        return References{at, static_cast<qsizetype>(*count * perEntry)};
    }

    const QByteArray& m_data;
    const Trailer m_trailer;
    const qsizetype m_end = m_data.size() - kTrailerSize;
    QList<State> m_state;
    // Both stay within the bounds (a sum at most twice the object bound).
    QList<qint32> m_height;
    QList<qint32> m_size;
};

// --- XML ------------------------------------------------------------------------------------

// Elements the XML may nest: the <plist> element, the containers down to
// the deepest allowed, and a scalar inside that one.
constexpr int kMaximumElementDepth = kMaximumPropertyListDepth + 3;

bool startsWithAt(const QByteArray& data, qsizetype at, const char* text)
{
    const auto length = static_cast<qsizetype>(std::strlen(text));
    return at + length <= data.size() && std::memcmp(data.constData() + at, text, size_t(length)) == 0;
}

// The index just past `terminator` at or after `from`; the end when absent.
qsizetype pastTerminator(const QByteArray& data, qsizetype from, const char* terminator)
{
    const qsizetype found = data.indexOf(terminator, from);
    return found < 0 ? data.size() : found + qsizetype(std::strlen(terminator));
}

// Whether the character reference at `at` ("&#…;") names NUL.
bool isNullReference(const QByteArray& data, qsizetype at)
{
    qsizetype i = at + 2;
    const bool hex = i < data.size() && (data.at(i) == 'x' || data.at(i) == 'X');
    if (hex)
        ++i;
    const qsizetype digits = i;
    while (i < data.size() && data.at(i) == '0')
        ++i;
    const bool zeros = i > digits;
    return zeros && i < data.size() && data.at(i) == ';';
}

// Past a declaration ("<!DOCTYPE …>"), whose internal subset in brackets
// may hold '>'.
qsizetype pastDeclaration(const QByteArray& data, qsizetype at)
{
    int brackets = 0;
    for (qsizetype i = at + 2; i < data.size(); ++i) {
        const char c = data.at(i);
        if (c == '[')
            ++brackets;
        else if (c == ']' && brackets > 0)
            --brackets;
        else if (c == '>' && brackets == 0)
            return i + 1;
    }
    return data.size();
}

} // namespace

bool isBoundedBinaryPropertyList(const QByteArray& data, QString* error)
{
    if (!isWithinSizeBound(data, error))
        return false;
    const std::optional<Trailer> trailer = readTrailer(data);
    if (!trailer) {
        setError(error, QStringLiteral("The binary property list is damaged: its trailer is not consistent"));
        return false;
    }
    return BinaryChecker(data, *trailer).check(error);
}

bool isBoundedXMLPropertyList(const QByteArray& data, QString* error)
{
    if (!isWithinSizeBound(data, error))
        return false;
    if (data.contains('\0')) {
        setError(error, QStringLiteral("The property list holds a NUL character"));
        return false;
    }
    int depth = 0;
    qsizetype at = 0;
    // The next reference and tag are found again only once passed, so the
    // scan stays linear however the two interleave.
    qsizetype next = -1;
    qsizetype tag = -1;
    // A stop asked for while a large file is checked is looked at every 256 KB.
    constexpr qsizetype kStopCheckInterval = 256 * 1024;
    qsizetype nextStopCheck = 0;
    while (at < data.size()) {
        if (at >= nextStopCheck) {
            nextStopCheck = at + kStopCheckInterval;
            if (PropertyListReadStop::isRequested()) {
                setError(error, QStringLiteral("The reading was stopped"));
                return false;
            }
        }
        if (next != data.size() && next < at) {
            next = data.indexOf("&#", at);
            next = next < 0 ? data.size() : next;
        }
        if (tag != data.size() && tag < at) {
            tag = data.indexOf('<', at);
            tag = tag < 0 ? data.size() : tag;
        }
        if (next < tag) {
            if (isNullReference(data, next)) {
                setError(error, QStringLiteral("The property list holds a reference to a NUL character"));
                return false;
            }
            at = next + 2;
            continue;
        }
        if (tag == data.size())
            break;
        if (startsWithAt(data, tag, "<!--")) {
            at = pastTerminator(data, tag + 4, "-->");
        } else if (startsWithAt(data, tag, "<![CDATA[")) {
            at = pastTerminator(data, tag + 9, "]]>");
        } else if (startsWithAt(data, tag, "<?")) {
            at = pastTerminator(data, tag + 2, "?>");
        } else if (startsWithAt(data, tag, "<!")) {
            at = pastDeclaration(data, tag);
        } else {
            const bool closing = startsWithAt(data, tag, "</");
            at = pastMarkupTag(data, tag);
            const bool selfClosing = at == data.size() || isSelfClosingTag(data, tag, at);
            if (closing)
                depth = std::max(0, depth - 1);
            else if (!selfClosing && ++depth > kMaximumElementDepth) {
                setError(error, QStringLiteral("The property list is nested too deeply"));
                return false;
            }
        }
    }
    return true;
}

} // namespace sorvant
