#include "platform/property_list_xml.h"

// Longer than most files: the reader, its leaving out of refused values and
// the writer share the element vocabulary and the scans.

#include "platform/markup_tags.h"
#include "platform/property_list_bounds.h"
#include "platform/property_list_expanded_size.h"
#include "platform/property_list_omissions.h"
#include "platform/property_list_path.h"
#include "platform/property_list_text.h"
#include "platform/scan_work.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QStringEncoder>
#include <QTimeZone>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

#include <locale.h>
#include <stdlib.h>

namespace sorvant {

namespace {

// --- reading -----------------------------------------------------------------------------

enum class Element { Plist, Array, Dict, Key, String, Integer, Real, Date, Data, True, False };

std::optional<Element> elementNamed(QByteArrayView name)
{
    static const struct {
        const char* name;
        Element element;
    } elements[] = {{"plist", Element::Plist},   {"array", Element::Array},     {"dict", Element::Dict},
                    {"key", Element::Key},       {"string", Element::String},   {"integer", Element::Integer},
                    {"real", Element::Real},     {"date", Element::Date},       {"data", Element::Data},
                    {"true", Element::True},     {"false", Element::False}};
    for (const auto& entry : elements) {
        if (name == entry.name)
            return entry.element;
    }
    return std::nullopt;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':'
           || c == '.' || c == '-' || static_cast<unsigned char>(c) >= 0x80;
}

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

qsizetype skipBlanks(const QByteArray& text, qsizetype at)
{
    while (at < text.size() && isBlank(text.at(at)))
        ++at;
    return at;
}

constexpr qsizetype kStep = PropertyListStopCheck::kStep;

// Moves `at` past the bytes `keep` takes, in steps that look at `stop`;
// false when stopped.
template <typename Keep>
bool passWhile(const QByteArray& text, qsizetype& at, PropertyListStopCheck& stop, Keep keep)
{
    for (;;) {
        const qsizetype from = at;
        const qsizetype end = std::min(text.size(), at + kStep);
        while (at < end && keep(text.at(at)))
            ++at;
        if (!stop.mayGoOn(at - from))
            return false;
        if (at < end || end == text.size())
            return true;
    }
}

// The number in the decimal or hexadecimal digits at `at`, which moves past
// them; `cap` when it would be larger. Nothing when stopped.
std::optional<quint64> readDigits(const QByteArray& text, qsizetype& at, bool hex, quint64 cap,
                                  PropertyListStopCheck& stop)
{
    const quint64 base = hex ? 16 : 10;
    quint64 value = 0;
    const bool read = passWhile(text, at, stop, [&](char c) {
        quint64 digit = 0;
        if (c >= '0' && c <= '9')
            digit = quint64(c - '0');
        else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f')
            digit = quint64((c | 0x20) - 'a' + 10);
        else
            return false;
        value = value > (cap - digit) / base ? cap : value * base + digit;
        return true;
    });
    return read ? std::optional<quint64>(value) : std::nullopt;
}

// Decimal or "0x" hexadecimal, saturating at the ends of the two 64-bit
// ranges; above the signed range the value is unsigned.
std::optional<QVariant> integerValue(const QByteArray& text, PropertyListStopCheck& stop)
{
    qsizetype at = 0;
    if (!passWhile(text, at, stop, isBlank))
        return std::nullopt;
    const bool negative = at < text.size() && text.at(at) == '-';
    if (at < text.size() && (text.at(at) == '-' || text.at(at) == '+'))
        ++at;
    const bool hex = text.mid(at, 2).toLower() == "0x";
    if (hex)
        at += 2;
    const std::optional<quint64> magnitude = readDigits(text, at, hex, std::numeric_limits<quint64>::max(), stop);
    if (!magnitude)
        return std::nullopt;
    countScanWork(at + 1);
    constexpr auto kSignedLimit = quint64(std::numeric_limits<qint64>::max());
    if (negative)
        return *magnitude > kSignedLimit ? std::numeric_limits<qint64>::min() : -qint64(*magnitude);
    if (*magnitude > kSignedLimit)
        return QVariant::fromValue<quint64>(*magnitude);
    return QVariant::fromValue<qint64>(qint64(*magnitude));
}

// strtod in the C locale whatever the process's, so "1.5" reads alike
// everywhere; "+infinity" and "-infinity" are what the writer writes.
double realValue(const QByteArray& text)
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    countScanWork(text.size() + 1);
    return strtod_l(text.constData(), nullptr, c);
}

// "YYYY-MM-DDTHH:MM:SS" after optional blanks; a fraction and a zone after
// the seconds are not read. The year may have more digits and a sign,
// counted as the writer's names count them (year 0 is the year before 1):
// such a date is read as it is, as in a binary list, for the settings to
// leave out with a warning rather than lose the whole list.
//   "2024-03-31T01:30:05Z" => 2024-03-31     "0000-01-01T00:00:00Z" => Qt's year -1
//   "10000-01-01T00:00:00Z" => 10000-01-01    "-0044-03-15T12:00:00Z" => Qt's year -45
std::optional<QDateTime> dateValue(const QByteArray& text)
{
    qsizetype at = skipBlanks(text, 0);
    const bool negative = at < text.size() && text.at(at) == '-';
    if (negative)
        ++at;
    // Seven digits reach ten million years, past what a binary list's
    // dates reach and within QDateTime's range.
    constexpr qsizetype kMostYearDigits = 7;
    qsizetype digits = 0;
    while (digits <= kMostYearDigits && at + digits < text.size() && text.at(at + digits) >= '0'
           && text.at(at + digits) <= '9')
        ++digits;
    if (digits < 4 || digits > kMostYearDigits)
        return std::nullopt;
    int year = 0;
    for (qsizetype i = 0; i < digits; ++i)
        year = year * 10 + (text.at(at + i) - '0');
    at += digits;
    const QByteArray pattern("-dd-ddTdd:dd:dd");
    if (text.size() - at < pattern.size())
        return std::nullopt;
    int fields[5] = {};
    int field = -1;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const char c = text.at(at + i);
        if (pattern.at(i) != 'd') {
            if (c != pattern.at(i))
                return std::nullopt;
            ++field;
        } else if (c >= '0' && c <= '9') {
            fields[field] = fields[field] * 10 + (c - '0');
        } else {
            return std::nullopt;
        }
    }
    // Qt's calendar has no year 0: its year -1 is the year 0 here.
    if (negative)
        year = -year;
    if (year <= 0)
        --year;
    const QDate date(year, fields[0], fields[1]);
    const QTime time(fields[2], fields[3], fields[4]);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, QTimeZone::utc());
}

// Base64 with blanks anywhere; what does not decode is empty data. Read in
// steps that look at `stop`; nothing when stopped.
std::optional<QByteArray> dataValue(const QByteArray& text, PropertyListStopCheck& stop)
{
    QByteArray compact;
    compact.reserve(text.size());
    qsizetype at = 0;
    if (!passWhile(text, at, stop, [&](char c) {
            if (!isBlank(c))
                compact += c;
            return true;
        }))
        return std::nullopt;
    countScanWork(text.size() + 1);
    // Whole quanta of four characters decode alone as they do in the whole,
    // since only padding at the end may hold '='; padding before the end
    // (damage) is left to the decoding of all that is left.
    constexpr qsizetype kQuanta = kStep / 4 * 4;
    QByteArray data;
    data.reserve(compact.size() / 4 * 3 + 3);
    for (at = 0; at < compact.size();) {
        qsizetype length = std::min(kQuanta, compact.size() - at);
        if (at + length < compact.size() && QByteArrayView(compact).sliced(at, length).contains('='))
            length = compact.size() - at;
        auto decoded = QByteArray::fromBase64Encoding(compact.sliced(at, length),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return QByteArray();
        data += *decoded;
        if (!stop.mayGoOn(length))
            return std::nullopt;
        at += length;
    }
    return data;
}

// One pass over the text with a stack of open containers: every byte is
// looked at a bounded number of times, references included.
class Reader
{
public:
    Reader(const QByteArray& data, PropertyListOmissions* leftOut) : m_data(data), m_leftOut(leftOut) {}

    QVariant read(QString* error)
    {
        QVariant value = readDocument();
        if (!value.isValid() && error)
            *error = m_error.isEmpty() ? QStringLiteral("The data is not a property list") : m_error;
        return value;
    }

private:
    struct Tag
    {
        QByteArrayView name;
        bool closing = false;
        bool selfClosing = false;
    };
    struct Container
    {
        Element element;
        QVariantList list;
        QVariantMap map;
        QString key;
        bool hasKey = false;
        // An array holding a refused value is refused whole, with the
        // first such value's reason and place.
        QString refusal;
        PropertyListPath refusalAt;
        // The value after a refused key is read and left out with it.
        bool skipValue = false;
    };
    // What makes the scalar being read refused, when leaving out.
    struct Refusal
    {
        QString reason;
        PropertyListPath at;
    };

    bool fail(const QString& reason)
    {
        m_error = QStringLiteral("The property list is damaged: %1").arg(reason);
        return false;
    }
    QVariant refuse(const QString& reason)
    {
        fail(reason);
        return {};
    }

    // False, with the reason, once a stop is asked for; the work up to
    // m_at is counted and the flag looked at every 256 KB of it.
    bool mayGoOn()
    {
        const qsizetype passed = std::max<qsizetype>(0, m_at - m_counted);
        m_counted = std::max(m_counted, m_at);
        return m_stop.mayGoOn(passed) || stopped();
    }
    bool stopped()
    {
        m_error = QStringLiteral("The reading was stopped");
        return false;
    }

    bool startsWith(const char* text) const
    {
        const auto length = qsizetype(std::strlen(text));
        return m_at + length <= m_data.size() && std::memcmp(m_data.constData() + m_at, text, size_t(length)) == 0;
    }

    // How a scan that moved m_at ended: true when found; the work it
    // counted itself.
    bool scanned(XmlScan scan, const QString& missing)
    {
        m_counted = std::max(m_counted, m_at);
        switch (scan) {
        case XmlScan::Found:
            return true;
        case XmlScan::Missing:
            return fail(missing);
        case XmlScan::Stopped:
            return stopped();
        }
        return false;
    }

    // Moves past `terminator`, searched from `from`; false when absent.
    bool skipPast(qsizetype from, const char* terminator)
    {
        const qsizetype start = m_at;
        m_at = from;
        const bool found = scanned(scanPastTerminator(m_data, m_at, terminator, m_stop),
                                   QStringLiteral("\"%1\" is missing").arg(QLatin1String(terminator)));
        countScanWork(m_at - start + 1);
        return found;
    }

    // Past a declaration ("<!DOCTYPE …>"), its quoted strings and internal
    // subset included.
    bool skipDeclaration()
    {
        const qsizetype start = m_at;
        const bool found = scanned(scanPastDeclaration(m_data, m_at, m_stop),
                                   QStringLiteral("a declaration does not end"));
        countScanWork(m_at - start + 1);
        return found;
    }

    // Skips blanks, comments, processing instructions and declarations up
    // to the next tag; false at other text or at a broken one of those.
    bool skipToTag()
    {
        for (;;) {
            const qsizetype start = m_at;
            m_at = skipBlanks(m_data, m_at);
            countScanWork(m_at - start + 1);
            if (m_at >= m_data.size())
                return fail(QStringLiteral("it ends before its value does"));
            if (m_data.at(m_at) != '<')
                return fail(QStringLiteral("text stands outside a value"));
            bool skipped = true;
            if (startsWith("<!--"))
                skipped = skipPast(m_at + 4, "-->");
            else if (startsWith("<?"))
                skipped = skipPast(m_at + 2, "?>");
            else if (startsWith("<!"))
                skipped = skipDeclaration();
            else
                return true;
            if (!skipped)
                return false;
        }
    }

    // The tag at '<'; its attributes are passed over, quotes respected.
    std::optional<Tag> readTag()
    {
        Tag tag;
        qsizetype at = m_at + 1;
        tag.closing = at < m_data.size() && m_data.at(at) == '/';
        if (tag.closing)
            ++at;
        const qsizetype nameStart = at;
        while (at < m_data.size() && isNameCharacter(m_data.at(at)))
            ++at;
        tag.name = QByteArrayView(m_data).sliced(nameStart, at - nameStart);
        const qsizetype nameEnd = at;
        // Past the '>' outside quotes.
        qsizetype end = m_at;
        const XmlScan scan = scanPastTag(m_data, end, m_stop);
        countScanWork(end - m_at + 1);
        m_counted = std::max(m_counted, end);
        if (scan == XmlScan::Stopped) {
            stopped();
            return std::nullopt;
        }
        if (tag.name.isEmpty() || scan == XmlScan::Missing) {
            fail(QStringLiteral("a tag is broken"));
            return std::nullopt;
        }
        tag.selfClosing = !tag.closing && end - 2 >= nameEnd && isSelfClosingTag(m_data, m_at, end);
        if (tag.closing && skipBlanks(m_data, nameEnd) != end - 1) {
            fail(QStringLiteral("an end tag holds more than its name"));
            return std::nullopt;
        }
        m_at = end;
        return tag;
    }

    // Appends the character of the reference at '&'.
    bool appendReference(QByteArray& text)
    {
        const qsizetype start = m_at;
        qsizetype at = m_at + 1;
        if (at < m_data.size() && m_data.at(at) == '#') {
            ++at;
            const bool hex = at < m_data.size() && (m_data.at(at) | 0x20) == 'x';
            if (hex)
                ++at;
            const qsizetype digits = at;
            // Past U+10FFFF the value only has to stay out of range.
            const std::optional<quint64> value = readDigits(m_data, at, hex, 0x110000, m_stop);
            m_counted = std::max(m_counted, at);
            if (!value)
                return stopped();
            const auto c = char32_t(*value);
            countScanWork(at - start + 1);
            const bool named = at > digits && at < m_data.size() && m_data.at(at) == ';' && c <= 0x10FFFF;
            const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
            // Leaving out, NUL and a surrogate refuse the value they are in
            // rather than the whole list.
            if (named && m_leftOut && (c == 0 || surrogate)) {
                if (m_refusal.reason.isEmpty())
                    m_refusal.reason = c == 0 ? QStringLiteral("The text holds a NUL character")
                                              : QStringLiteral("The text holds an unpaired surrogate (U+%1)")
                                                    .arg(QString::number(uint(c), 16).toUpper());
                m_at = at + 1;
                return true;
            }
            if (!named || c == 0 || surrogate)
                return fail(QStringLiteral("a character reference names no character"));
            appendUtf8(text, c);
            m_at = at + 1;
            return true;
        }
        static const struct {
            const char* name;
            char character;
        } named[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
        countScanWork(7);
        for (const auto& entry : named) {
            if (startsWith(entry.name)) {
                text += entry.character;
                m_at += qsizetype(std::strlen(entry.name));
                return true;
            }
        }
        return fail(QStringLiteral("'&' starts no known reference"));
    }

    // The text of a scalar element up to its end tag, of which at most
    // `keep` bytes are kept (all when negative): the rest is passed over.
    bool readText(QByteArrayView name, QByteArray& text, qsizetype keep)
    {
        const auto append = [&](const char* bytes, qsizetype size) {
            text.append(bytes, keep < 0 ? size : std::clamp<qsizetype>(keep - text.size(), 0, size));
        };
        for (;;) {
            if (!mayGoOn())
                return false;
            // In steps, so a long text looks at the stop too.
            qsizetype at = m_at;
            const qsizetype end = std::min(m_data.size(), m_at + kStep);
            while (at < end && m_data.at(at) != '<' && m_data.at(at) != '&')
                ++at;
            countScanWork(at - m_at + 1);
            // A long text takes its room once, at most the rest of the
            // document: growing it by copying would hold up a stop.
            if (keep < 0 && m_at == end && end < m_data.size()
                && text.capacity() < m_data.size() - m_at + text.size())
                text.reserve(m_data.size() - m_at + text.size());
            append(m_data.constData() + m_at, at - m_at);
            m_at = at;
            if (m_at == end && end < m_data.size())
                continue;
            if (m_at >= m_data.size())
                return fail(QStringLiteral("<%1> does not end").arg(QString::fromUtf8(name)));
            bool read = true;
            if (m_data.at(m_at) == '&') {
                read = appendReference(text);
                if (keep >= 0 && text.size() > keep)
                    text.truncate(keep);
            } else if (startsWith("<!--")) {
                read = skipPast(m_at + 4, "-->");
            } else if (startsWith("<![CDATA[")) {
                const qsizetype from = m_at + 9;
                read = skipPast(from, "]]>");
                // Copied in steps too, looking at the stop as it goes.
                for (qsizetype copied = from; read && copied < m_at - 3; copied += kStep) {
                    const qsizetype size = std::min(kStep, m_at - 3 - copied);
                    append(m_data.constData() + copied, size);
                    countScanWork(size);
                    if (!m_stop.mayGoOn(size))
                        return stopped();
                }
            } else if (startsWith("</")) {
                const std::optional<Tag> tag = readTag();
                if (!tag)
                    return false;
                if (tag->name != name)
                    return fail(QStringLiteral("<%1> ends with </%2>")
                                    .arg(QString::fromUtf8(name), QString::fromUtf8(tag->name)));
                return true;
            } else {
                return fail(QStringLiteral("markup stands inside <%1>").arg(QString::fromUtf8(name)));
            }
            if (!read)
                return false;
        }
    }

    std::optional<QVariant> scalarValue(Element element, const QByteArray& text)
    {
        const auto orStopped = [this](auto value) -> std::optional<QVariant> {
            if (value)
                return QVariant(std::move(*value));
            stopped();
            return std::nullopt;
        };
        switch (element) {
        case Element::Key:
        case Element::String:
            return orStopped(decodedPropertyListText(text, m_stop));
        case Element::Integer:
            return orStopped(integerValue(text, m_stop));
        case Element::Real:
            return QVariant(realValue(text));
        case Element::True:
        case Element::False:
            return QVariant(element == Element::True);
        case Element::Data:
            return orStopped(dataValue(text, m_stop));
        case Element::Date:
            if (const std::optional<QDateTime> date = dateValue(text))
                return QVariant(*date);
            fail(QStringLiteral("a date is not YYYY-MM-DDTHH:MM:SS"));
            return std::nullopt;
        default:
            return std::nullopt;
        }
    }

    // Where the value being placed goes: "Window/Frames/2". Asked for
    // only while entries are named.
    PropertyListPath path() const
    {
        PropertyListPath path;
        for (const Container& container : m_open)
            path = path.appended(container.element == Element::Array
                                     ? PropertyListPath::Step::ofIndex(container.list.size())
                                     : PropertyListPath::Step::ofKey(container.key));
        return path;
    }

    // Places a refused value (leaving out): a dictionary leaves its entry
    // out and names it, an array is refused in turn, the root fails.
    bool placeRefused(const Refusal& refusal, bool isKey, bool* root)
    {
        *root = m_open.isEmpty();
        if (*root)
            return fail(refusal.reason);
        Container& top = m_open.last();
        if (top.element == Element::Array) {
            if (top.refusal.isEmpty()) {
                top.refusal = refusal.reason;
                // Its place is wanted only while entries are named.
                top.refusalAt = refusal.at.isEmpty() && m_leftOut->isNaming() ? path() : refusal.at;
            }
            top.list.append(QVariant());
            return true;
        }
        if (isKey ? top.hasKey : !top.hasKey)
            return fail(isKey ? QStringLiteral("a key follows a key") : QStringLiteral("a value in a dictionary has no key"));
        if (isKey) {
            // The entry is named by its key as read, without what refused it.
            top.key = m_refusedKey;
            top.hasKey = true;
        } else if (std::exchange(top.skipValue, false)) {
            // Its key was refused, and the entry named with it.
            top.hasKey = false;
            return true;
        }
        if (m_leftOut->isNaming())
            m_leftOut->leaveOut({path(), refusal.at, refusal.reason});
        else
            m_leftOut->count(1);
        top.hasKey = isKey;
        top.skipValue = isKey;
        return true;
    }

    // Puts a finished value into the open container; true when it is the
    // root, which ends the reading.
    bool place(QVariant&& value, bool isKey, bool* root)
    {
        *root = m_open.isEmpty();
        if (*root)
            return true;
        Container& top = m_open.last();
        if (top.element == Element::Array) {
            top.list.append(std::move(value));
            return true;
        }
        if (isKey) {
            if (top.hasKey)
                return fail(QStringLiteral("a key follows a key"));
            top.key = value.toString();
            top.hasKey = true;
            return true;
        }
        if (!top.hasKey)
            return fail(QStringLiteral("a value in a dictionary has no key"));
        if (std::exchange(top.skipValue, false)) {
            top.hasKey = false;
            return true;
        }
        // Keys written in order go in at the end in constant time.
        top.map.insert(top.map.cend(), top.key, std::move(value));
        top.hasKey = false;
        return true;
    }

    // Ends the open container `tag` closes: its value, or what refuses it.
    bool closeContainer(const Tag& tag, bool inPlist, QVariant& value, std::optional<Refusal>& refused)
    {
        if (m_open.isEmpty())
            return fail(inPlist ? QStringLiteral("<plist> holds no value") : QStringLiteral("an end tag has no start"));
        Container& top = m_open.last();
        if (tag.name != (top.element == Element::Array ? "array" : "dict"))
            return fail(QStringLiteral("a container ends with </%1>").arg(QString::fromUtf8(tag.name)));
        if (!top.refusal.isEmpty())
            refused = Refusal{top.refusal, top.refusalAt};
        else
            value = top.element == Element::Array ? QVariant(std::move(top.list)) : QVariant(std::move(top.map));
        m_open.removeLast();
        return true;
    }

    QVariant readDocument()
    {
        bool inPlist = false;
        for (;;) {
            if (!mayGoOn() || !skipToTag())
                return {};
            const std::optional<Tag> tag = readTag();
            if (!tag)
                return {};
            QVariant value;
            bool isKey = false;
            // What refuses the value, when leaving out.
            std::optional<Refusal> refused;
            if (tag->closing) {
                if (!closeContainer(*tag, inPlist, value, refused))
                    return {};
            } else {
                const std::optional<Element> element = elementNamed(tag->name);
                if (!element)
                    return refuse(QStringLiteral("<%1> is no property-list element").arg(QString::fromUtf8(tag->name)));
                if (*element == Element::Plist) {
                    if (inPlist || !m_open.isEmpty() || tag->selfClosing)
                        return refuse(QStringLiteral("<plist> is misplaced or empty"));
                    inPlist = true;
                    continue;
                }
                if (*element == Element::Array || *element == Element::Dict) {
                    if (!tag->selfClosing) {
                        // Bounded here too: nested values are freed recursively.
                        if (m_open.size() >= kMaximumPropertyListDepth + 1)
                            return refuse(QStringLiteral("it is nested too deeply"));
                        m_open.append(Container{*element, {}, {}, {}, false, {}, {}, false});
                        continue;
                    }
                    value = *element == Element::Array ? QVariant(QVariantList()) : QVariant(QVariantMap());
                } else {
                    QByteArray text;
                    m_refusal = {};
                    const bool isText = *element == Element::Key || *element == Element::String;
                    if (!tag->selfClosing && !readText(tag->name, text, isText ? PropertyListTextCut::keptBytes() : -1))
                        return {};
                    std::optional<QVariant> scalar = scalarValue(*element, text);
                    if (!scalar)
                        return {};
                    value = std::move(*scalar);
                    isKey = *element == Element::Key;
                    if (!m_refusal.reason.isEmpty()) {
                        refused = m_refusal;
                        m_refusedKey = value.toString();
                    }
                }
            }
            // A refused root fails the reading.
            bool root = false;
            if (refused ? !placeRefused(*refused, isKey, &root) : !place(QVariant(value), isKey, &root))
                return {};
            if (root)
                return value;
        }
    }

    const QByteArray& m_data;
    // Where refused values are named when they are left out; null when a
    // refused value fails the whole list.
    PropertyListOmissions* const m_leftOut;
    Refusal m_refusal;
    QString m_refusedKey;
    qsizetype m_at = 0;
    // How far the work is counted for the stop.
    qsizetype m_counted = 0;
    PropertyListStopCheck m_stop;
    QList<Container> m_open;
    QString m_error;
};

// --- writing -----------------------------------------------------------------------------

// Appends `text` in UTF-8 with '&', '<' and '>' escaped, through one
// buffer reused for every text of a file.
void appendEscaped(QByteArray& out, QStringView text)
{
    static thread_local QByteArray utf8;
    QStringEncoder encoder(QStringEncoder::Utf8);
    utf8.resize(encoder.requiredSpace(text.size()));
    const char* end = encoder.appendToBuffer(utf8.data(), text);
    const char* copied = utf8.constData();
    for (const char* at = copied; at < end; ++at) {
        const char* escape = *at == '&' ? "&amp;" : *at == '<' ? "&lt;" : *at == '>' ? "&gt;" : nullptr;
        if (!escape)
            continue;
        out.append(copied, at - copied);
        out += escape;
        copied = at + 1;
    }
    out.append(copied, end - copied);
    countScanWork(text.size() + 1);
}

void appendIndent(QByteArray& out, int depth)
{
    out.append(depth, '\t');
}

QByteArray realText(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-infinity" : "+infinity";
    // The sign of a zero is kept: -0.0 reads back as itself.
    if (value == 0)
        return std::signbit(value) ? "-0.0" : "0.0";
    // Seventeen significant digits read back to the same double.
    char buffer[32];
    const std::to_chars_result end =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    return QByteArray(buffer, end.ptr - buffer);
}

// Base64 in lines that fit 76 columns at 8 columns a tab, indented by at
// most 8 tabs and never narrower than 12 characters.
void appendData(QByteArray& out, const QByteArray& data, int depth)
{
    const QByteArray encoded = data.toBase64();
    const int tabs = std::min(depth, 8);
    const qsizetype width = 76 - 8 * tabs;
    out += "<data>\n";
    for (qsizetype at = 0; at < encoded.size(); at += width) {
        appendIndent(out, tabs);
        out += QByteArrayView(encoded).sliced(at, std::min(width, encoded.size() - at));
        out += '\n';
    }
    countScanWork(encoded.size() + 1);
    appendIndent(out, depth);
    out += "</data>\n";
}

void appendValue(QByteArray& out, const QVariant& value, int depth, qint64 limit);

// The containers stop once the text passes `limit`: a shared value is
// written once per reference, and what it expands to is known only as it
// goes.
void appendMap(QByteArray& out, const QVariantMap& map, int depth, qint64 limit)
{
    if (map.isEmpty()) {
        out += "<dict/>\n";
        return;
    }
    out += "<dict>\n";
    for (auto it = map.cbegin(); it != map.cend() && out.size() <= limit; ++it) {
        appendIndent(out, depth + 1);
        out += "<key>";
        appendEscaped(out, it.key());
        out += "</key>\n";
        appendValue(out, it.value(), depth + 1, limit);
    }
    appendIndent(out, depth);
    out += "</dict>\n";
}

void appendList(QByteArray& out, const QVariantList& list, int depth, qint64 limit)
{
    if (list.isEmpty()) {
        out += "<array/>\n";
        return;
    }
    out += "<array>\n";
    for (auto it = list.cbegin(); it != list.cend() && out.size() <= limit; ++it)
        appendValue(out, *it, depth + 1, limit);
    appendIndent(out, depth);
    out += "</array>\n";
}

// One element and its line end, after `depth` tabs. Values nest no deeper
// than the property-list bound, so the recursion is bounded.
void appendValue(QByteArray& out, const QVariant& value, int depth, qint64 limit)
{
    appendIndent(out, depth);
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        appendMap(out, value.toMap(), depth, limit);
        return;
    case QMetaType::QVariantList:
        appendList(out, value.toList(), depth, limit);
        return;
    case QMetaType::Bool:
        out += value.toBool() ? "<true/>\n" : "<false/>\n";
        return;
    case QMetaType::LongLong:
        out += "<integer>";
        out += QByteArray::number(value.toLongLong());
        out += "</integer>\n";
        return;
    case QMetaType::ULongLong:
        out += "<integer>";
        out += QByteArray::number(value.toULongLong());
        out += "</integer>\n";
        return;
    case QMetaType::Double:
        out += "<real>" + realText(value.toDouble()) + "</real>\n";
        return;
    case QMetaType::QDateTime: {
        // In the form dates are in: xmlDateSeconds() is known for it.
        const QDateTime date = QDateTime::fromSecsSinceEpoch(xmlDateSeconds(value.toDateTime()).value_or(0),
                                                             QTimeZone::utc());
        out += "<date>" + date.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")).toUtf8() + "</date>\n";
        return;
    }
    case QMetaType::QByteArray:
        appendData(out, value.toByteArray(), depth);
        return;
    default:
        out += "<string>";
        appendEscaped(out, value.toString());
        out += "</string>\n";
        return;
    }
}

} // namespace

std::optional<qint64> xmlDateSeconds(const QDateTime& date)
{
    static const qint64 kFirst = QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch();
    static const qint64 kLast = QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), QTimeZone::utc()).toSecsSinceEpoch();
    if (!date.isValid())
        return std::nullopt;
    // Compared before any arithmetic: a date far out holds nearly the whole
    // range of milliseconds.
    const qint64 ms = date.toMSecsSinceEpoch();
    if (ms <= (kFirst - 1) * 1000 || ms >= (kLast + 1) * 1000)
        return std::nullopt;
    // Whole seconds from the reference date, the fraction dropped toward
    // it, as files have always had them.
    const qint64 whole = (ms - kPropertyListReferenceDate * 1000) / 1000 + kPropertyListReferenceDate;
    if (whole < kFirst || whole > kLast)
        return std::nullopt;
    return whole;
}

QVariant readXmlPropertyList(const QByteArray& utf8, QString* error, PropertyListOmissions* leftOut)
{
    if (error)
        error->clear();
    return Reader(utf8, leftOut).read(error);
}

QByteArray writeXmlPropertyList(const QVariant& value, qint64 limit)
{
    // Each value's XML takes at least half what propertyListExpandedSize()
    // counts for it (8 bytes an element, a byte a UTF-16 unit or byte of
    // data), so a tree counted past twice the limit is refused before any
    // of it is written.
    if (propertyListExpandedSize(value, 2 * limit) > 2 * limit)
        return {};
    QByteArray out("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                   "<plist version=\"1.0\">\n");
    appendValue(out, value, 0, limit);
    out += "</plist>\n";
    if (out.size() > limit)
        return {};
    return out;
}

} // namespace sorvant
