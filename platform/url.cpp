#include "platform/url.h"

#include "platform/file_system_representation.h"
#include "platform/scan_work.h"

#include <QDir>
#include <QStringDecoder>

namespace sorvant {

namespace {

// Where a part lies in the URL's string. Absent parts answer null; a span
// keeps its position even then, so a path that is absent still has a place.
struct Span
{
    qsizetype at = 0;
    qsizetype size = 0;
    bool present = false;
};

Span spanOf(qsizetype at, qsizetype size)
{
    return Span{at, size, true};
}

// The parts of one URL string as written, as spans of that string, so a URL
// holds its text once however long its parts are.
struct Parts
{
    Span scheme;
    Span authority;         // absent when there is no "//"
    Span path;              // as written, parameters included
    Span query;
    Span fragment;
    bool hierarchical = true;
    Span specifier;         // everything after "scheme:" (or the whole string)
};

QStringView viewOf(const QString& string, Span span)
{
    return span.present ? QStringView(string).sliced(span.at, span.size) : QStringView();
}

// The text of a part: null when absent, empty (not null) when present and
// empty, the string itself (shared) when the part is all of it.
QString textOf(const QString& string, Span span)
{
    if (!span.present)
        return QString();
    if (span.size == 0)
        return QString(QLatin1String(""));
    return string.mid(span.at, span.size);
}

bool isSchemeChar(QChar c, bool first)
{
    const char16_t u = c.unicode();
    const bool alpha = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
    if (first)
        return alpha;
    return alpha || (u >= '0' && u <= '9') || u == '+' || u == '-' || u == '.';
}

bool isHex(char16_t u)
{
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

// Characters a URL may hold as written (RFC 2396 "uric" plus "#" once and
// brackets for literal IPv6 hosts, checked separately).
bool isAllowed(char16_t u)
{
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9'))
        return true;
    switch (u) {
    case '-': case '_': case '.': case '!': case '~': case '*': case '\'': case '(': case ')':
    case ';': case '/': case '?': case ':': case '@': case '&': case '=': case '+': case '$':
    case ',': case '%': case '#': case '[': case ']':
        return true;
    default:
        return false;
    }
}

bool hasValidCharacters(const QString& string)
{
    bool seenHash = false;
    const qsizetype length = string.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t u = string.at(i).unicode();
        if (!isAllowed(u))
            return false;
        if (u == '%' && (i + 2 >= length || !isHex(string.at(i + 1).unicode()) || !isHex(string.at(i + 2).unicode())))
            return false;
        if (u == '#') {
            if (seenHash)
                return false;
            seenHash = true;
        }
    }
    return true;
}

// The parts of an authority, as spans of the URL's string.
struct Authority
{
    Span user;
    Span password;
    Span host;
    QVariant port;
};

// Splits the authority "user:password@host:port" at `span` of `string`;
// false when the port is not a number or brackets are misplaced.
bool splitAuthority(const QString& string, Span span, Authority* parts)
{
    const QStringView authority = viewOf(string, span);
    QStringView hostPort = authority;
    qsizetype hostAt = span.at;
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QStringView userInfo = authority.first(at);
        hostPort = authority.sliced(at + 1);
        hostAt += at + 1;
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        parts->user = spanOf(span.at, colon >= 0 ? colon : at);
        if (colon >= 0)
            parts->password = spanOf(span.at + colon + 1, at - colon - 1);
        const QStringView user = viewOf(string, parts->user);
        if (user.contains(QLatin1Char('[')) || user.contains(QLatin1Char(']')))
            return false;
    }
    QStringView portText;
    if (hostPort.startsWith(QLatin1Char('['))) {
        const qsizetype close = hostPort.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        parts->host = spanOf(hostAt, close + 1);
        const QStringView rest = hostPort.sliced(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return false;
        if (!rest.isEmpty())
            portText = rest.sliced(1);
    } else {
        if (hostPort.contains(QLatin1Char('[')) || hostPort.contains(QLatin1Char(']')))
            return false;
        const qsizetype colon = hostPort.lastIndexOf(QLatin1Char(':'));
        parts->host = spanOf(hostAt, colon >= 0 ? colon : hostPort.size());
        if (colon >= 0)
            portText = hostPort.sliced(colon + 1);
        // Only a bracketed (IPv6) host may hold a ":"; "h::" is no host and port.
        if (viewOf(string, parts->host).contains(QLatin1Char(':')))
            return false;
    }
    if (!portText.isEmpty()) {
        bool ok = false;
        const int value = portText.toInt(&ok);
        for (QChar c : portText) {
            if (!c.isDigit() || c.unicode() > '9')
                ok = false;
        }
        if (!ok)
            return false;
        parts->port = value;
    }
    return true;
}

bool parse(const QString& string, Parts* parts)
{
    if (string.isEmpty() || !hasValidCharacters(string))
        return false;
    const QStringView all(string);
    qsizetype i = 0;
    while (i < all.size() && isSchemeChar(all.at(i), i == 0))
        ++i;
    qsizetype start = 0; // of the resource specifier
    if (i > 0 && i < all.size() && all.at(i) == QLatin1Char(':')) {
        parts->scheme = spanOf(0, i);
        start = i + 1;
    }
    parts->specifier = spanOf(start, all.size() - start);
    qsizetype end = all.size(); // of what precedes the fragment
    const qsizetype hash = all.indexOf(QLatin1Char('#'), start);
    if (hash >= 0) {
        parts->fragment = spanOf(hash + 1, all.size() - hash - 1);
        end = hash;
    }
    const QStringView rest = all.sliced(start, end - start);
    if (parts->scheme.present && !rest.startsWith(QLatin1Char('/'))) {
        // "mailto:x@y": an opaque URL, no hierarchy to split.
        parts->hierarchical = false;
        return !rest.contains(QLatin1Char('[')) && !rest.contains(QLatin1Char(']'));
    }
    qsizetype pathAt = start;
    if (rest.startsWith(QLatin1String("//"))) {
        qsizetype stop = start + 2;
        while (stop < end && all.at(stop) != QLatin1Char('/') && all.at(stop) != QLatin1Char('?'))
            ++stop;
        parts->authority = spanOf(start + 2, stop - start - 2);
        pathAt = stop;
    }
    qsizetype pathEnd = end;
    const qsizetype question = all.sliced(pathAt, end - pathAt).indexOf(QLatin1Char('?'));
    if (question >= 0) {
        pathEnd = pathAt + question;
        parts->query = spanOf(pathEnd + 1, end - pathEnd - 1);
    }
    parts->path = spanOf(pathAt, pathEnd - pathAt);
    const QStringView path = viewOf(string, parts->path);
    const QStringView query = viewOf(string, parts->query);
    if (path.contains(QLatin1Char('[')) || path.contains(QLatin1Char(']')) || query.contains(QLatin1Char('[')) ||
        query.contains(QLatin1Char(']')))
        return false;
    Authority authority;
    return !parts->authority.present || splitAuthority(string, parts->authority, &authority);
}

// RFC 3986 "remove_dot_segments". Null when nothing remains.
QString removeDotSegments(QStringView all)
{
    // The input is read through a position rather than cut from its front,
    // which would copy the rest once per segment.
    QString output;
    qsizetype at = 0;
    while (at < all.size()) {
        const QStringView input = all.mid(at);
        countScanWork(1);
        if (input.startsWith(u"../")) {
            at += 3;
        } else if (input.startsWith(u"./") || input.startsWith(u"/./")) {
            at += 2;
        } else if (input == u"/.") {
            // The input becomes "/", which goes to the output as it is.
            output += u'/';
            break;
        } else if (input.startsWith(u"/../") || input == u"/..") {
            // The input becomes "/" and what followed "/../"; the output
            // loses its last segment.
            const qsizetype slash = output.lastIndexOf(u'/');
            countScanWork(output.size() - qMax<qsizetype>(slash, 0));
            output.truncate(slash < 0 ? 0 : slash);
            if (input.size() == 3) {
                output += u'/';
                break;
            }
            at += 3;
        } else if (input == u"." || input == u"..") {
            break;
        } else {
            const qsizetype next = input.indexOf(u'/', input.startsWith(u'/') ? 1 : 0);
            const qsizetype take = next < 0 ? input.size() : next;
            countScanWork(take);
            output += input.left(take);
            at += take;
        }
    }
    return output;
}

// One part of a URL being composed: its text, and whether it is present.
struct Piece
{
    QStringView text;
    bool present = false;
};

Piece pieceOf(const QString& string, Span span)
{
    return Piece{viewOf(string, span), span.present};
}

// Writes "scheme:[//authority]path[?query][#fragment]" into `text` in one
// allocation and sets the spans of `parts` to where each piece went.
void compose(Piece scheme, Piece authority, Piece path, Piece query, Piece fragment, QString* text, Parts* parts)
{
    text->clear();
    text->reserve(scheme.text.size() + authority.text.size() + path.text.size() + query.text.size() +
                  fragment.text.size() + 5);
    const auto put = [text](Piece piece, Span* span) {
        *span = Span{text->size(), piece.text.size(), piece.present};
        text->append(piece.text);
    };
    if (scheme.present) {
        put(scheme, &parts->scheme);
        text->append(QLatin1Char(':'));
    }
    const qsizetype specifierAt = text->size();
    if (authority.present) {
        text->append(QLatin1String("//"));
        put(authority, &parts->authority);
    }
    put(path, &parts->path);
    if (query.present) {
        text->append(QLatin1Char('?'));
        put(query, &parts->query);
    }
    if (fragment.present) {
        text->append(QLatin1Char('#'));
        put(fragment, &parts->fragment);
    }
    // Nothing at all (an absent path and no other part) is a null string.
    if (text->isEmpty() && !path.present)
        *text = QString();
    parts->hierarchical = true;
    parts->specifier = Span{specifierAt, text->size() - specifierAt, !text->isNull()};
}

// The absolute form of the relative reference `ref` (parsed from
// `refText`) against the hierarchical base `base` (of `baseText`), written
// into `text` with its parts.
void resolve(const QString& baseText, const Parts& base, const QString& refText, const Parts& ref, QString* text,
             Parts* target)
{
    const auto path = [](const QString& dotted) { return Piece{dotted, !dotted.isNull()}; };
    const Piece scheme = pieceOf(baseText, base.scheme);
    const Piece fragment = pieceOf(refText, ref.fragment);
    const QStringView refPath = viewOf(refText, ref.path);
    if (ref.authority.present) {
        const QString dotted = removeDotSegments(refPath);
        compose(scheme, pieceOf(refText, ref.authority), path(dotted), pieceOf(refText, ref.query), fragment, text,
                target);
        return;
    }
    const Piece authority = pieceOf(baseText, base.authority);
    if (refPath.isEmpty()) {
        const Piece query = ref.query.present ? pieceOf(refText, ref.query) : pieceOf(baseText, base.query);
        compose(scheme, authority, pieceOf(baseText, base.path), query, fragment, text, target);
        return;
    }
    QString dotted;
    if (refPath.startsWith(QLatin1Char('/'))) {
        dotted = removeDotSegments(refPath);
    } else {
        const QStringView basePath = viewOf(baseText, base.path);
        const QStringView folder = base.authority.present && basePath.isEmpty()
                                       ? QStringView(u"/")
                                       : basePath.first(basePath.lastIndexOf(QLatin1Char('/')) + 1);
        QString merged;
        merged.reserve(folder.size() + refPath.size());
        merged.append(folder).append(refPath);
        dotted = removeDotSegments(merged);
    }
    compose(scheme, authority, path(dotted), pieceOf(refText, ref.query), fragment, text, target);
}

// The path's bytes on disk, percent-encoded: a name that is not valid UTF-8
// keeps its bytes (see file_system_representation.h).
QString percentEncodedPath(const QString& path)
{
    static const QByteArray kKeep = QByteArrayLiteral("-._~!$&'()*+,=:@/");
    QString encoded;
    const QByteArray bytes = fileSystemRepresentation(path);
    for (char byte : bytes) {
        const auto u = static_cast<unsigned char>(byte);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || kKeep.contains(byte))
            encoded += QLatin1Char(byte);
        else
            encoded += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
    }
    return encoded;
}

// The bytes of a percent-encoded string (units above U+007F as UTF-8);
// false when an escape is broken.
bool percentDecodedBytes(const QString& string, QByteArray* bytes)
{
    bytes->reserve(string.size());
    for (qsizetype i = 0; i < string.size(); ++i) {
        const char16_t u = string.at(i).unicode();
        if (u == '%') {
            if (i + 2 >= string.size() || !isHex(string.at(i + 1).unicode()) || !isHex(string.at(i + 2).unicode()))
                return false;
            bytes->append(static_cast<char>(string.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
        } else if (u < 0x80) {
            bytes->append(static_cast<char>(u));
        } else {
            bytes->append(QString(QChar(u)).toUtf8());
        }
    }
    return true;
}

} // namespace

struct URL::Data
{
    QString absolute;   // the string of the URL, resolved against its base
    Parts parts;        // the parts of `absolute`
    Authority authority;
    // The string the URL was made from: the tail of `absolute` from
    // `relativeAt` when it is one (always so without a base), else kept
    // in `relative`.
    qsizetype relativeAt = 0;
    QString relative;
    std::shared_ptr<const Data> base;

    [[nodiscard]] QString part(Span span) const { return textOf(absolute, span); }
};

URL URL::URLWithString(const QString& string)
{
    return URLWithString(string, URL());
}

URL URL::URLWithString(const QString& string, const URL& base)
{
    Parts parts;
    if (!parse(string, &parts))
        return URL();
    auto data = std::make_shared<Data>();
    if (base.m_data && !parts.scheme.present)
        data->base = base.m_data;
    if (data->base && data->base->parts.hierarchical) {
        resolve(data->base->absolute, data->base->parts, string, parts, &data->absolute, &data->parts);
        const qsizetype extra = data->absolute.size() - string.size();
        if (extra >= 0 && QStringView(data->absolute).sliced(extra) == string)
            data->relativeAt = extra;
        else
            data->relative = string;
    } else {
        // The URL is its string as written (a reference that a base without
        // hierarchy cannot resolve composes back to itself).
        data->absolute = string;
        data->parts = parts;
    }
    if (data->parts.authority.present)
        splitAuthority(data->absolute, data->parts.authority, &data->authority);
    return URL(std::move(data));
}

URL URL::fileURLWithPath(const QString& path, bool isDirectory)
{
    if (path.isEmpty())
        return URL();
    if (path.contains(QChar(0)))
        return URL(); // no file name holds U+0000
    QString absolute = path.startsWith(QLatin1Char('/')) ? path : QDir::currentPath() + QLatin1Char('/') + path;
    if (isDirectory && !absolute.endsWith(QLatin1Char('/')))
        absolute += QLatin1Char('/');
    return URLWithString(QLatin1String("file://") + percentEncodedPath(absolute));
}

QString URL::scheme() const { return m_data ? m_data->part(m_data->parts.scheme) : QString(); }
QString URL::resourceSpecifier() const { return m_data ? m_data->part(m_data->parts.specifier) : QString(); }
QString URL::user() const { return m_data ? m_data->part(m_data->authority.user) : QString(); }
QString URL::password() const { return m_data ? m_data->part(m_data->authority.password) : QString(); }
QString URL::host() const { return m_data ? m_data->part(m_data->authority.host) : QString(); }
QVariant URL::port() const { return m_data ? m_data->authority.port : QVariant(); }
QString URL::query() const
{
    return m_data && m_data->parts.hierarchical ? m_data->part(m_data->parts.query) : QString();
}
QString URL::fragment() const { return m_data ? m_data->part(m_data->parts.fragment) : QString(); }
QString URL::absoluteString() const { return m_data ? m_data->absolute : QString(); }
URL URL::baseURL() const { return m_data && m_data->base ? URL(m_data->base) : URL(); }

QString URL::relativeString() const
{
    if (!m_data)
        return QString();
    return m_data->relative.isNull() ? m_data->absolute.mid(m_data->relativeAt) : m_data->relative;
}

namespace {

// The span of a path as written before its parameters (after the first
// ";"), and the span of the parameters.
Span pathBeforeParameters(const QString& string, Span path, Span* parameters = nullptr)
{
    const qsizetype semicolon = viewOf(string, path).indexOf(QLatin1Char(';'));
    if (semicolon < 0)
        return path;
    if (parameters)
        *parameters = spanOf(path.at + semicolon + 1, path.size - semicolon - 1);
    return spanOf(path.at, semicolon);
}

} // namespace

QString URL::pathAsWritten() const
{
    if (!m_data || !m_data->parts.hierarchical)
        return QString();
    return m_data->part(pathBeforeParameters(m_data->absolute, m_data->parts.path));
}

QString URL::parameterString() const
{
    if (!m_data || !m_data->parts.hierarchical)
        return QString();
    Span parameters;
    pathBeforeParameters(m_data->absolute, m_data->parts.path, &parameters);
    return m_data->part(parameters);
}

QString URL::path() const
{
    QString written = pathAsWritten();
    if (written.isNull())
        return QString();
    if (written.size() > 1 && written.endsWith(QLatin1Char('/')))
        written.chop(1);
    if (!isFileURL())
        return percentDecoded(written);
    // A file URL's path is the bytes of a file name, which need not be UTF-8.
    QByteArray bytes;
    if (!percentDecodedBytes(written, &bytes))
        return QString();
    const QString path = stringWithFileSystemRepresentation(bytes);
    return path.isNull() ? QString(QLatin1String("")) : path;
}

URL URL::absoluteURL() const
{
    return m_data && m_data->base ? URLWithString(m_data->absolute) : *this;
}

URL URL::standardizedURL() const
{
    if (!m_data || !m_data->parts.hierarchical)
        return *this;
    const QString& absolute = m_data->absolute;
    const Span path = m_data->parts.path;
    const QString dotted = removeDotSegments(viewOf(absolute, path));
    const QStringView after = QStringView(absolute).sliced(path.at + path.size);
    QString text;
    text.reserve(path.at + dotted.size() + after.size());
    text.append(QStringView(absolute).first(path.at)).append(dotted).append(after);
    const URL standardized = URLWithString(text);
    return standardized ? standardized : *this;
}

bool URL::isFileURL() const
{
    return m_data &&
           viewOf(m_data->absolute, m_data->parts.scheme).compare(QLatin1String("file"), Qt::CaseInsensitive) == 0;
}

bool URL::hasDirectoryPath() const
{
    return pathAsWritten().endsWith(QLatin1Char('/'));
}

QString URL::lastPathComponent() const
{
    QString written = pathAsWritten();
    if (written.isNull())
        return QString();
    if (written == QLatin1String("/"))
        return written;
    if (written.endsWith(QLatin1Char('/')))
        written.chop(1);
    const QString decoded = percentDecoded(written.mid(written.lastIndexOf(QLatin1Char('/')) + 1));
    return decoded.isNull() ? QString(QLatin1String("")) : decoded;
}

QString URL::pathExtension() const
{
    const QString last = lastPathComponent();
    if (last.isNull())
        return QString();
    const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == last.size() - 1)
        return QString(QLatin1String(""));
    return last.mid(dot + 1);
}

QString percentDecoded(const QString& string)
{
    QByteArray bytes;
    if (string.isNull() || !percentDecodedBytes(string, &bytes))
        return QString();
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString decoded = decoder(bytes);
    if (decoder.hasError())
        return QString();
    return decoded.isNull() ? QString(QLatin1String("")) : decoded;
}

} // namespace sorvant
