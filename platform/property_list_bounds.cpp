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

quint64 bigEndian(const QByteArray& data, qsizetype at, int size)
{
    return binaryPropertyListInteger(data.constData() + at, size);
}

// An object as the check sees it: the references a container holds (where
// they start and how many), and the bytes a string or data object holds.
struct ObjectShape
{
    qsizetype start = 0;
    qsizetype count = 0;
    qint64 bytes = 0;
};

class BinaryChecker
{
public:
    BinaryChecker(const QByteArray& data, const BinaryPropertyListTrailer& trailer)
        : m_data(data), m_trailer(trailer),
          m_heldBound(kPropertyListHeldFactor * data.size() + kPropertyListHeldAllowance)
    {
    }

    // Depth-first from the top object, without recursion: each object's
    // height and expanded count are known once all its children are.
    bool check(QString* error)
    {
        const auto count = static_cast<qsizetype>(m_trailer.objectCount);
        m_state.fill(State::Unseen, count);
        m_height.fill(0, count);
        m_size.fill(0, count);
        struct Frame
        {
            qsizetype object;
            ObjectShape shape;
            qsizetype next;
        };
        QList<Frame> stack;
        PropertyListStopCheck stop;
        const auto enter = [&](qsizetype object) {
            const std::optional<ObjectShape> shape = shapeOf(object);
            if (!shape)
                return false;
            m_state[object] = State::Open;
            m_size[object] = 1;
            // What the object holds, counted once however often it is
            // referred to: a shared value is one value in memory.
            m_held += kPropertyListObjectCost + shape->bytes;
            stack.append({object, *shape, 0});
            return true;
        };
        if (!stop.mayGoOn(0))
            return stopped(error);
        if (!enter(static_cast<qsizetype>(m_trailer.topObject)))
            return fail(error, QStringLiteral("an object lies outside the data"));
        if (m_held > m_heldBound)
            return heldTooMuch(error);
        while (!stack.isEmpty()) {
            // Each step reads a reference, or an object's marker and count.
            if (!stop.mayGoOn(PropertyListStopCheck::kObjectWork))
                return stopped(error);
            Frame& frame = stack.last();
            if (frame.next == frame.shape.count) {
                const qsizetype finished = frame.object;
                m_state[finished] = State::Done;
                stack.removeLast();
                if (!stack.isEmpty() && !addChild(stack.last().object, finished, error))
                    return false;
                continue;
            }
            const quint64 child = bigEndian(m_data, frame.shape.start + frame.next * m_trailer.referenceSize,
                                            m_trailer.referenceSize);
            ++frame.next;
            if (child >= m_trailer.objectCount)
                return fail(error, QStringLiteral("a reference points past the last object"));
            const auto index = static_cast<qsizetype>(child);
            if (m_state[index] == State::Open)
                return fail(error, QStringLiteral("a container holds itself"));
            if (m_state[index] == State::Done) {
                if (!addChild(frame.object, index, error))
                    return false;
                continue;
            }
            if (stack.size() > kMaximumPropertyListDepth)
                return fail(error, QStringLiteral("it is nested too deeply"));
            if (!enter(index))
                return fail(error, QStringLiteral("an object lies outside the data"));
            if (m_held > m_heldBound)
                return heldTooMuch(error);
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
    static bool stopped(QString* error)
    {
        setError(error, QStringLiteral("The reading was stopped"));
        return false;
    }

    // Objects may overlap (the offset table may name the same bytes for
    // many), so what they hold is bounded, not only the data's size.
    bool heldTooMuch(QString* error) const
    {
        setError(error, QStringLiteral("The binary property list holds more than %1 bytes once read")
                            .arg(m_heldBound));
        return false;
    }

    // Adds a finished child's height and expanded count to its parent.
    bool addChild(qsizetype parent, qsizetype child, QString* error)
    {
        m_height[parent] = std::max(m_height[parent], m_height[child] + 1);
        // Each stays within its bound, so the sum cannot overflow.
        m_size[parent] += m_size[child];
        if (m_height[parent] > kMaximumPropertyListDepth || m_size[parent] > kMaximumPropertyListObjects)
            return fail(error, QStringLiteral("it is nested too deeply or expands too far"));
        return true;
    }

    std::optional<quint64> countAt(qsizetype& at) const { return binaryPropertyListCount(m_data, m_end, at); }

    // The references of a container, the bytes of data or of an ASCII or
    // UTF-16 string (what a string holds is the reader's to judge); a
    // scalar has neither. Nothing when the object, its bytes or its
    // references lie outside the objects' area.
    std::optional<ObjectShape> shapeOf(qsizetype object) const
    {
        const quint64 offset = bigEndian(m_data, static_cast<qsizetype>(m_trailer.tableOffset)
                                                     + object * m_trailer.offsetSize,
                                         m_trailer.offsetSize);
        if (offset < kBinaryPropertyListHeaderSize || offset >= static_cast<quint64>(m_end))
            return std::nullopt;
        qsizetype at = static_cast<qsizetype>(offset);
        const int type = static_cast<unsigned char>(m_data.at(at)) >> 4;
        if (type != 0x4 && type != 0x5 && type != 0x6 && type != 0xA && type != 0xC && type != 0xD)
            return ObjectShape{};
        const std::optional<quint64> count = countAt(at);
        const quint64 unit = type == 0x6 ? 2 : type == 0xD ? 2 * quint64(m_trailer.referenceSize)
                             : type >= 0xA                ? quint64(m_trailer.referenceSize)
                                                          : 1;
        if (!count || *count > static_cast<quint64>(m_end - at) / unit)
            return std::nullopt;
        if (type < 0xA)
            return ObjectShape{0, 0, static_cast<qint64>(*count * unit)};
        return ObjectShape{at, static_cast<qsizetype>(*count * (type == 0xD ? 2 : 1)), 0};
    }

    const QByteArray& m_data;
    const BinaryPropertyListTrailer m_trailer;
    const qsizetype m_end = m_data.size() - kBinaryPropertyListTrailerSize;
    const qint64 m_heldBound;
    QList<State> m_state;
    // Both stay within the bounds (a sum at most twice the object bound).
    QList<qint32> m_height;
    QList<qint32> m_size;
    // What the objects met so far hold, each counted once.
    qint64 m_held = 0;
};

// --- XML ------------------------------------------------------------------------------------

// Elements the XML may nest: the <plist> element, the containers down to
// the deepest allowed, and a scalar inside that one.
constexpr int kMaximumElementDepth = kMaximumPropertyListDepth + 3;

// Whether the character reference at `at` ("&#…;") names NUL. Its zeros
// are passed in steps, looking at `stop`; `at` moves past them.
XmlScan scanNullReference(const QByteArray& data, qsizetype& at, PropertyListStopCheck& stop, bool* null)
{
    qsizetype i = at + 2;
    const bool hex = i < data.size() && (data.at(i) == 'x' || data.at(i) == 'X');
    if (hex)
        ++i;
    const qsizetype digits = i;
    for (;;) {
        const qsizetype end = std::min(data.size(), i + PropertyListStopCheck::kStep);
        const qsizetype from = i;
        while (i < end && data.at(i) == '0')
            ++i;
        if (!stop.mayGoOn(i - from))
            return XmlScan::Stopped;
        if (i < end || end == data.size())
            break;
    }
    *null = i > digits && i < data.size() && data.at(i) == ';';
    at = i;
    return XmlScan::Found;
}

} // namespace

quint64 binaryPropertyListInteger(const char* bytes, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

std::optional<quint64> binaryPropertyListCount(const QByteArray& data, qsizetype end, qsizetype& at)
{
    const int low = static_cast<unsigned char>(data.at(at)) & 0x0F;
    ++at;
    if (low != 0x0F)
        return static_cast<quint64>(low);
    if (at >= end)
        return std::nullopt;
    const int marker = static_cast<unsigned char>(data.at(at));
    const int size = 1 << (marker & 0x0F);
    if ((marker & 0xF0) != 0x10 || size > 8 || at + 1 + size > end)
        return std::nullopt;
    const quint64 value = binaryPropertyListInteger(data.constData() + at + 1, size);
    at += 1 + size;
    return value;
}

std::optional<BinaryPropertyListTrailer> binaryPropertyListTrailer(const QByteArray& data)
{
    if (data.size() < kBinaryPropertyListHeaderSize + kBinaryPropertyListTrailerSize || !data.startsWith("bplist00"))
        return std::nullopt;
    const qsizetype at = data.size() - kBinaryPropertyListTrailerSize;
    BinaryPropertyListTrailer trailer;
    trailer.offsetSize = static_cast<unsigned char>(data.at(at + 6));
    trailer.referenceSize = static_cast<unsigned char>(data.at(at + 7));
    trailer.objectCount = bigEndian(data, at + 8, 8);
    trailer.topObject = bigEndian(data, at + 16, 8);
    trailer.tableOffset = bigEndian(data, at + 24, 8);
    const auto limit = static_cast<quint64>(at);
    if (trailer.offsetSize < 1 || trailer.offsetSize > 8 || trailer.referenceSize < 1 || trailer.referenceSize > 8
        || trailer.objectCount == 0 || trailer.objectCount > quint64(kMaximumPropertyListObjects)
        || trailer.topObject >= trailer.objectCount || trailer.tableOffset < kBinaryPropertyListHeaderSize
        || trailer.tableOffset > limit
        || trailer.objectCount > (limit - trailer.tableOffset) / static_cast<quint64>(trailer.offsetSize))
        return std::nullopt;
    return trailer;
}

bool isBoundedBinaryPropertyList(const QByteArray& data, QString* error)
{
    if (!isWithinSizeBound(data, error))
        return false;
    const std::optional<BinaryPropertyListTrailer> trailer = binaryPropertyListTrailer(data);
    if (!trailer) {
        setError(error, QStringLiteral("The binary property list is damaged: its trailer is not consistent"));
        return false;
    }
    return BinaryChecker(data, *trailer).check(error);
}

bool isBoundedXMLPropertyList(const QByteArray& data, QString* error, XmlNulReferences nulReferences)
{
    if (!isWithinSizeBound(data, error))
        return false;
    PropertyListStopCheck stop;
    const auto stopped = [&] {
        setError(error, QStringLiteral("The reading was stopped"));
        return false;
    };
    const QByteArrayView bytes(data);
    for (qsizetype at = 0;; at += PropertyListStopCheck::kStep) {
        if (!stop.mayGoOn(at == 0 ? 0 : PropertyListStopCheck::kStep))
            return stopped();
        if (at >= data.size())
            break;
        if (bytes.sliced(at, std::min(PropertyListStopCheck::kStep, data.size() - at)).contains('\0')) {
            setError(error, QStringLiteral("The property list holds a NUL character"));
            return false;
        }
    }
    int depth = 0;
    qsizetype at = 0;
    // The next reference and tag are searched for again only once passed,
    // each in steps (a step without one leaves its end as the next place
    // to look), so the scan stays linear however the two interleave.
    qsizetype reference = -1;
    qsizetype tag = -1;
    const auto nextOf = [&](qsizetype cached, QByteArrayView what) {
        // A match stays; the end of a step searched in vain stays until
        // the scan reaches it.
        if (cached > at || (cached == at && bytes.sliced(at).startsWith(what)))
            return cached;
        const qsizetype overlap = what.size() - 1;
        const qsizetype end = std::min(data.size(), at + PropertyListStopCheck::kStep + overlap);
        const qsizetype found = bytes.sliced(0, end).indexOf(what, at);
        return found >= 0 ? found : end == data.size() ? end : end - overlap;
    };
    while (at < data.size()) {
        const qsizetype from = at;
        reference = nextOf(reference, "&#");
        tag = nextOf(tag, "<");
        const qsizetype next = std::min(reference, tag);
        XmlScan scan = XmlScan::Found;
        if (next == reference && bytes.sliced(reference).startsWith("&#")) {
            at = reference;
            bool null = false;
            scan = scanNullReference(data, at, stop, &null);
            if (null && nulReferences == XmlNulReferences::Refused) {
                setError(error, QStringLiteral("The property list holds a reference to a NUL character"));
                return false;
            }
        } else if (next != tag || tag == data.size() || data.at(tag) != '<') {
            // Neither in the steps searched: on to where the search goes on.
            at = next;
        } else {
            at = tag;
            if (bytes.sliced(at).startsWith("<!--")) {
                at += 4;
                scan = scanPastTerminator(data, at, "-->", stop);
            } else if (bytes.sliced(at).startsWith("<![CDATA[")) {
                at += 9;
                scan = scanPastTerminator(data, at, "]]>", stop);
            } else if (bytes.sliced(at).startsWith("<?")) {
                at += 2;
                scan = scanPastTerminator(data, at, "?>", stop);
            } else if (bytes.sliced(at).startsWith("<!")) {
                scan = scanPastDeclaration(data, at, stop);
            } else {
                const bool closing = bytes.sliced(at).startsWith("</");
                scan = scanPastTag(data, at, stop);
                const bool selfClosing = scan == XmlScan::Missing || isSelfClosingTag(data, tag, at);
                if (closing)
                    depth = std::max(0, depth - 1);
                else if (!selfClosing && ++depth > kMaximumElementDepth) {
                    setError(error, QStringLiteral("The property list is nested too deeply"));
                    return false;
                }
            }
        }
        // The text up to what was found; the scans count their own work.
        if (scan == XmlScan::Stopped || !stop.mayGoOn(next - from))
            return stopped();
    }
    return true;
}

// --- scanning ----------------------------------------------------------------------------

bool PropertyListStopCheck::look()
{
    const qsizetype passed = m_passed;
    m_looked = true;
    m_passed = 0;
    return !PropertyListReadStop::look(passed);
}

XmlScan scanPastTerminator(const QByteArray& data, qsizetype& at, QByteArrayView terminator,
                           PropertyListStopCheck& stop)
{
    const QByteArrayView bytes(data);
    // A terminator across a step's end is found by the next step, which
    // starts that much earlier.
    const qsizetype overlap = terminator.size() - 1;
    for (qsizetype from = at;;) {
        const qsizetype end = std::min(data.size(), from + PropertyListStopCheck::kStep + overlap);
        const qsizetype found = bytes.sliced(0, end).indexOf(terminator, from);
        if (!stop.mayGoOn((found < 0 ? end : found) - from))
            return XmlScan::Stopped;
        if (found >= 0) {
            at = found + terminator.size();
            return XmlScan::Found;
        }
        if (end == data.size()) {
            at = end;
            return XmlScan::Missing;
        }
        from = end - overlap;
    }
}

namespace {

// Moves `at` past the quoted string whose quote it is at.
XmlScan scanPastQuoted(const QByteArray& data, qsizetype& at, PropertyListStopCheck& stop)
{
    const char quote = data.at(at);
    ++at;
    return scanPastTerminator(data, at, QByteArrayView(&quote, 1), stop);
}

// Moves `at` past the markup at '<' whose end is the first '>' outside
// quotes; with `declaration`, brackets hold an internal subset.
XmlScan scanPastMarkup(const QByteArray& data, qsizetype& at, bool declaration, PropertyListStopCheck& stop)
{
    const QByteArrayView bytes(data);
    bool subset = false;
    qsizetype i = at + (declaration ? 2 : 1);
    qsizetype counted = at;
    while (i < data.size()) {
        if (i - counted >= PropertyListStopCheck::kStep) {
            if (!stop.mayGoOn(i - counted))
                return XmlScan::Stopped;
            counted = i;
        }
        const char c = data.at(i);
        XmlScan scan = XmlScan::Found;
        if (c == '"' || c == '\'') {
            scan = scanPastQuoted(data, i, stop);
        } else if (subset && bytes.sliced(i).startsWith("<!--")) {
            i += 4;
            scan = scanPastTerminator(data, i, "-->", stop);
        } else if (subset && bytes.sliced(i).startsWith("<?")) {
            i += 2;
            scan = scanPastTerminator(data, i, "?>", stop);
        } else if (declaration && c == (subset ? ']' : '[')) {
            subset = !subset;
            ++i;
            continue;
        } else if (c == '>' && !subset) {
            at = i + 1;
            return stop.mayGoOn(at - counted) ? XmlScan::Found : XmlScan::Stopped;
        } else {
            ++i;
            continue;
        }
        if (scan != XmlScan::Found) {
            at = i;
            return scan;
        }
        counted = i;
    }
    at = data.size();
    return XmlScan::Missing;
}

} // namespace

XmlScan scanPastTag(const QByteArray& data, qsizetype& at, PropertyListStopCheck& stop)
{
    return scanPastMarkup(data, at, false, stop);
}

XmlScan scanPastDeclaration(const QByteArray& data, qsizetype& at, PropertyListStopCheck& stop)
{
    return scanPastMarkup(data, at, true, stop);
}

} // namespace sorvant
