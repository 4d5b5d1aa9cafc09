#include "web/toolkit/rtf_reader.h"

#include "foundation/color.h"

#include <QFont>
#include <QHash>
#include <QList>

#include <unicode/ucnv.h>

#include <memory>

namespace sorvant {

namespace {

constexpr int kMaximumDepth = 512;
constexpr int kMaximumWordLength = 32;

// Where the text of a group goes.
enum class Destination { Text, FontTable, ColorTable, Skip };

struct CharacterState
{
    int font = -1;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int foreground = 0;
    int background = 0;
    int skipPerUnicode = 1;   // "\ucN": fallback characters after "\uN"
    Destination destination = Destination::Text;

    friend bool operator==(const CharacterState&, const CharacterState&) = default;
    friend size_t qHash(const CharacterState& state, size_t seed = 0)
    {
        return qHashMulti(seed, state.font, state.halfPoints, state.bold, state.italic, state.underline,
                          state.foreground, state.background, state.skipPerUnicode, int(state.destination));
    }
};

struct FontEntry
{
    QString name;
    QByteArray codePage;   // empty: the document's
};

// The ICU converter name of a Windows code page or font character set.
QByteArray converterForCodePage(int codePage)
{
    switch (codePage) {
    case 437: return "ibm-437";
    case 850: return "ibm-850";
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "windows-949";
    case 950: return "Big5";
    case 10000: return "macintosh";
    default:
        if (codePage >= 874 && codePage <= 1258)
            return "windows-" + QByteArray::number(codePage);
        return "windows-1252";
    }
}

QByteArray converterForCharset(int charset)
{
    switch (charset) {
    case 77: return converterForCodePage(10000);
    case 128: return converterForCodePage(932);
    case 129: return converterForCodePage(949);
    case 134: return converterForCodePage(936);
    case 136: return converterForCodePage(950);
    case 161: return converterForCodePage(1253);
    case 162: return converterForCodePage(1254);
    case 163: return converterForCodePage(1258);
    case 177: return converterForCodePage(1255);
    case 178: return converterForCodePage(1256);
    case 186: return converterForCodePage(1257);
    case 204: return converterForCodePage(1251);
    case 222: return converterForCodePage(874);
    case 238: return converterForCodePage(1250);
    default: return QByteArray();
    }
}

// Bytes in a code page to text; unmappable bytes become U+FFFD.
QString decoded(const QByteArray& bytes, const QByteArray& converterName)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open(converterName.constData(), &status),
                                                                 ucnv_close);
    if (U_FAILURE(status))
        return QString::fromLatin1(bytes);
    QString text(bytes.size() * 2 + 2, Qt::Uninitialized);
    const int32_t written = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()),
                                          int32_t(text.size()), bytes.constData(), int32_t(bytes.size()), &status);
    if (U_FAILURE(status))
        return QString::fromLatin1(bytes);
    text.truncate(written);
    return text;
}

class RTFReader
{
public:
    explicit RTFReader(const QByteArray& data) : m_data(data) {}
    std::optional<AttributedString> read(QString* error);

private:
    bool fail(QString* error, const QString& message)
    {
        if (error != nullptr)
            *error = message;
        return false;
    }
    void controlWord(const QByteArray& word, bool hasParameter, int parameter);
    void appendText(const QString& text);
    void appendByte(char byte) { m_pendingBytes.append(byte); }
    void flushBytes();
    void flushSegment();
    QByteArray currentCodePage() const;
    QVariantMap attributesOf(const CharacterState& state);
    // The dictionaries made so far, one per state: runs of equal states
    // share one, so a text of many short runs costs a pointer a run
    // rather than a font and a map. Emptied when a table changes.
    QHash<CharacterState, QVariantMap> m_attributes;

    const QByteArray& m_data;
    CharacterState m_state;
    QList<CharacterState> m_stack;
    QByteArray m_documentCodePage = "windows-1252";
    QHash<int, FontEntry> m_fonts;
    int m_defaultFont = -1;
    int m_tableFont = -1;
    QList<Color> m_colors;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_colorSet = false;
    int m_fallbackToSkip = 0;
    QByteArray m_pendingBytes;
    QString m_segment;
    CharacterState m_segmentState;
    AttributedString m_result;
};

QByteArray RTFReader::currentCodePage() const
{
    const auto font = m_fonts.constFind(m_state.font >= 0 ? m_state.font : m_defaultFont);
    return font != m_fonts.constEnd() && !font->codePage.isEmpty() ? font->codePage : m_documentCodePage;
}

QVariantMap RTFReader::attributesOf(const CharacterState& state)
{
    if (const auto made = m_attributes.constFind(state); made != m_attributes.constEnd())
        return *made;
    QVariantMap attributes;
    QFont font;
    const auto entry = m_fonts.constFind(state.font >= 0 ? state.font : m_defaultFont);
    if (entry != m_fonts.constEnd() && !entry->name.isEmpty())
        font.setFamily(entry->name);
    font.setPointSizeF(state.halfPoints > 0 ? state.halfPoints / 2.0 : 12.0);
    font.setBold(state.bold);
    font.setItalic(state.italic);
    attributes.insert(QString::fromLatin1(attribute::kFont), font);
    if (state.foreground > 0 && state.foreground < m_colors.size() && !m_colors[state.foreground].isNull())
        attributes.insert(QString::fromLatin1(attribute::kForegroundColor), QVariant::fromValue(m_colors[state.foreground]));
    if (state.background > 0 && state.background < m_colors.size() && !m_colors[state.background].isNull())
        attributes.insert(QString::fromLatin1(attribute::kBackgroundColor), QVariant::fromValue(m_colors[state.background]));
    if (state.underline)
        attributes.insert(QString::fromLatin1(attribute::kUnderlineStyle), 1);
    m_attributes.insert(state, attributes);
    return attributes;
}

void RTFReader::flushSegment()
{
    if (m_segment.isEmpty())
        return;
    m_result.appendAttributedString(AttributedString(m_segment, attributesOf(m_segmentState)));
    m_segment.clear();
}

void RTFReader::flushBytes()
{
    if (m_pendingBytes.isEmpty())
        return;
    const QByteArray bytes = std::exchange(m_pendingBytes, QByteArray());
    appendText(decoded(bytes, currentCodePage()));
}

void RTFReader::appendText(const QString& text)
{
    switch (m_state.destination) {
    case Destination::Skip:
        return;
    case Destination::FontTable: {
        m_attributes.clear();
        FontEntry& entry = m_fonts[m_tableFont];
        for (const QChar c : text) {
            if (c != QLatin1Char(';'))
                entry.name += c;
        }
        entry.name = entry.name.trimmed();
        return;
    }
    case Destination::ColorTable:
        for (const QChar c : text) {
            if (c == QLatin1Char(';')) {
                m_attributes.clear();
                m_colors.append(m_colorSet ? Color::deviceRGB(m_red / 255.0, m_green / 255.0, m_blue / 255.0) : Color());
                m_red = m_green = m_blue = 0;
                m_colorSet = false;
            }
        }
        return;
    case Destination::Text:
        break;
    }
    if (!(m_segmentState == m_state)) {
        flushSegment();
        m_segmentState = m_state;
    }
    m_segment += text;
}

void RTFReader::controlWord(const QByteArray& word, bool hasParameter, int parameter)
{
    static const QHash<QByteArray, char16_t> kSymbols{
        {"par", u'\n'},        {"sect", u'\n'},       {"line", u'\u2028'},   {"tab", u'\t'},
        {"emdash", u'\u2014'}, {"endash", u'\u2013'}, {"bullet", u'\u2022'}, {"lquote", u'\u2018'},
        {"rquote", u'\u2019'}, {"ldblquote", u'\u201C'}, {"rdblquote", u'\u201D'}, {"emspace", u'\u2003'},
        {"enspace", u'\u2002'}, {"page", u'\n'},
    };
    static const QList<QByteArray> kSkipped{
        "stylesheet", "info", "pict", "object", "header", "footer", "headerl", "headerr", "headerf",
        "footerl", "footerr", "footerf", "fldinst", "themedata", "colorschememapping", "latentstyles",
        "datastore", "xmlnstbl", "listtable", "listoverridetable", "rsidtbl", "generator", "footnote",
        "nonshppict", "bkmkstart", "bkmkend", "filetbl", "revtbl", "pgdsctbl", "expandedcolortbl",
    };
    if (const auto symbol = kSymbols.constFind(word); symbol != kSymbols.constEnd()) {
        flushBytes();
        appendText(QString(QChar(*symbol)));
        return;
    }
    const int value = hasParameter ? parameter : 1;
    if (word == "u") {
        flushBytes();
        appendText(QString(QChar(char16_t(parameter < 0 ? parameter + 65536 : parameter))));
        m_fallbackToSkip = m_state.skipPerUnicode;
        return;
    }
    flushBytes();
    if (word == "fonttbl") {
        m_state.destination = Destination::FontTable;
    } else if (word == "colortbl") {
        m_state.destination = Destination::ColorTable;
    } else if (kSkipped.contains(word)) {
        m_state.destination = Destination::Skip;
    } else if (word == "f") {
        if (m_state.destination == Destination::FontTable)
            m_tableFont = parameter;
        else
            m_state.font = parameter;
    } else if (word == "fcharset") {
        if (m_state.destination == Destination::FontTable)
            m_fonts[m_tableFont].codePage = converterForCharset(parameter);
    } else if (word == "deff") {
        m_attributes.clear();
        m_defaultFont = parameter;
    } else if (word == "ansicpg") {
        m_documentCodePage = converterForCodePage(parameter);
    } else if (word == "mac") {
        m_documentCodePage = converterForCodePage(10000);
    } else if (word == "pc") {
        m_documentCodePage = converterForCodePage(437);
    } else if (word == "pca") {
        m_documentCodePage = converterForCodePage(850);
    } else if (word == "red" || word == "green" || word == "blue") {
        (word == "red" ? m_red : word == "green" ? m_green : m_blue) = std::clamp(parameter, 0, 255);
        m_colorSet = true;
    } else if (word == "fs") {
        m_state.halfPoints = std::clamp(value, 1, 3276);
    } else if (word == "b") {
        m_state.bold = value != 0;
    } else if (word == "i") {
        m_state.italic = value != 0;
    } else if (word == "ul") {
        m_state.underline = value != 0;
    } else if (word == "ulnone") {
        m_state.underline = false;
    } else if (word == "cf") {
        m_state.foreground = parameter;
    } else if (word == "cb" || word == "highlight") {
        m_state.background = parameter;
    } else if (word == "uc") {
        m_state.skipPerUnicode = std::clamp(parameter, 0, 16);
    } else if (word == "plain") {
        const CharacterState kept = m_state;
        m_state = CharacterState();
        m_state.destination = kept.destination;
        m_state.skipPerUnicode = kept.skipPerUnicode;
    }
}

std::optional<AttributedString> RTFReader::read(QString* error)
{
    if (!m_data.startsWith("{\\rtf")) {
        fail(error, QStringLiteral("The data is not RTF."));
        return std::nullopt;
    }
    const char* bytes = m_data.constData();
    const qsizetype size = m_data.size();
    bool ignorableNext = false;   // after "\*": an unknown destination is skipped
    qsizetype i = 0;
    while (i < size) {
        const char c = bytes[i];
        if (c == '{' || c == '}') {
            flushBytes();
            if (c == '{') {
                if (m_stack.size() >= kMaximumDepth) {
                    fail(error, QStringLiteral("The RTF data nests groups too deeply."));
                    return std::nullopt;
                }
                m_stack.append(m_state);
            } else {
                if (m_stack.isEmpty()) {
                    fail(error, QStringLiteral("The RTF data is damaged: a group closes that never opened."));
                    return std::nullopt;
                }
                m_state = m_stack.takeLast();
                if (m_stack.isEmpty()) {
                    ++i;
                    break;   // the document's group has ended
                }
            }
            m_fallbackToSkip = 0;
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            if (m_fallbackToSkip > 0)
                --m_fallbackToSkip;
            else
                appendByte(c);
            ++i;
            continue;
        }
        // A control word or symbol.
        if (i + 1 >= size)
            break;
        const char next = bytes[i + 1];
        if (next == '\'') {
            const QByteArray hex = m_data.mid(i + 2, 2);
            bool ok = false;
            const int byte = hex.toInt(&ok, 16);
            i += 2 + hex.size();
            if (!ok)
                continue;
            if (m_fallbackToSkip > 0)
                --m_fallbackToSkip;
            else
                appendByte(char(byte));
            continue;
        }
        const bool letter = (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z');
        if (!letter) {
            i += 2;
            if (m_fallbackToSkip > 0) {
                --m_fallbackToSkip;
                continue;
            }
            switch (next) {
            case '\\': case '{': case '}':
                appendByte(next);
                break;
            case '~':
                flushBytes();
                appendText(QStringLiteral("\u00A0"));
                break;
            case '_':
                flushBytes();
                appendText(QStringLiteral("\u2011"));
                break;
            case '*':
                ignorableNext = true;
                break;
            case '\r': case '\n':
                flushBytes();
                appendText(QStringLiteral("\n"));
                break;
            default:
                break;   // "\-" optional hyphen, "\:" and the like
            }
            continue;
        }
        qsizetype j = i + 1;
        while (j < size && j - i - 1 < kMaximumWordLength
               && ((bytes[j] >= 'a' && bytes[j] <= 'z') || (bytes[j] >= 'A' && bytes[j] <= 'Z')))
            ++j;
        const QByteArray word = m_data.mid(i + 1, j - i - 1);
        bool hasParameter = false;
        qint64 parameter = 0;
        bool negative = false;
        if (j < size && bytes[j] == '-' && j + 1 < size && bytes[j + 1] >= '0' && bytes[j + 1] <= '9') {
            negative = true;
            ++j;
        }
        while (j < size && bytes[j] >= '0' && bytes[j] <= '9') {
            hasParameter = true;
            parameter = std::min<qint64>(parameter * 10 + (bytes[j] - '0'), 1'000'000'000);
            ++j;
        }
        if (j < size && bytes[j] == ' ')
            ++j;
        i = j;
        const int value = int(negative ? -parameter : parameter);
        if (word == "bin") {
            // Binary data (of a picture, say) follows: its bytes are not
            // text nor markup, and data that ends inside them is damaged.
            if (negative || parameter > size - i) {
                fail(error, QStringLiteral("The RTF data is damaged: its binary data runs past the end."));
                return std::nullopt;
            }
            i += qsizetype(parameter);
            continue;
        }
        if (m_fallbackToSkip > 0 && word != "u") {
            --m_fallbackToSkip;
            continue;
        }
        const Destination before = m_state.destination;
        controlWord(word, hasParameter, value);
        if (ignorableNext && m_state.destination == before && word != "u")
            m_state.destination = Destination::Skip;
        ignorableNext = false;
    }
    flushBytes();
    if (!m_stack.isEmpty()) {
        fail(error, QStringLiteral("The RTF data is damaged: %1 groups are not closed.").arg(m_stack.size()));
        return std::nullopt;
    }
    flushSegment();
    if (error != nullptr)
        error->clear();
    return m_result;
}

} // namespace

std::optional<AttributedString> attributedStringWithRTF(const QByteArray& data, QString* error)
{
    return RTFReader(data).read(error);
}

} // namespace sorvant
