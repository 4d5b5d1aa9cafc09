#include "platform/url.h"

#include "platform/file_system_representation.h"
#include "platform/scan_work.h"

#include <QDir>
#include <QStringDecoder>

namespace sorvant {

namespace {

// The parts of one URL string as written. Absent parts are null strings.
struct Parts
{
    QString scheme;
    QString authority;      // null when there is no "//"
    QString path;           // as written, parameters included
    QString query;
    QString fragment;
    bool hierarchical = true;
    QString specifier;      // everything after "scheme:" (or the whole string)
};

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

// Splits "user:password@host:port"; false when the port is not a number or
// brackets are misplaced.
bool splitAuthority(const QString& authority, QString* user, QString* password, QString* host, QVariant* port)
{
    QString hostPort = authority;
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        hostPort = authority.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        *user = colon >= 0 ? userInfo.left(colon) : userInfo;
        if (colon >= 0)
            *password = userInfo.mid(colon + 1);
        if (user->contains(QLatin1Char('[')) || user->contains(QLatin1Char(']')))
            return false;
    }
    QString portText;
    if (hostPort.startsWith(QLatin1Char('['))) {
        const qsizetype close = hostPort.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        *host = hostPort.left(close + 1);
        const QString rest = hostPort.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return false;
        if (!rest.isEmpty())
            portText = rest.mid(1);
    } else {
        if (hostPort.contains(QLatin1Char('[')) || hostPort.contains(QLatin1Char(']')))
            return false;
        const qsizetype colon = hostPort.lastIndexOf(QLatin1Char(':'));
        *host = colon >= 0 ? hostPort.left(colon) : hostPort;
        if (colon >= 0)
            portText = hostPort.mid(colon + 1);
        // Only a bracketed (IPv6) host may hold a ":"; "h::" is no host and port.
        if (host->contains(QLatin1Char(':')))
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
        *port = value;
    }
    return true;
}

bool parse(const QString& string, Parts* parts)
{
    if (string.isEmpty() || !hasValidCharacters(string))
        return false;
    QString rest = string;
    qsizetype i = 0;
    while (i < string.size() && isSchemeChar(string.at(i), i == 0))
        ++i;
    if (i > 0 && i < string.size() && string.at(i) == QLatin1Char(':')) {
        parts->scheme = string.left(i);
        rest = string.mid(i + 1);
    }
    parts->specifier = rest;
    const qsizetype hash = rest.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        parts->fragment = rest.mid(hash + 1);
        rest.truncate(hash);
    }
    if (!parts->scheme.isNull() && !rest.startsWith(QLatin1Char('/'))) {
        // "mailto:x@y": an opaque URL, no hierarchy to split.
        parts->hierarchical = false;
        return !rest.contains(QLatin1Char('[')) && !rest.contains(QLatin1Char(']'));
    }
    if (rest.startsWith(QLatin1String("//"))) {
        qsizetype end = 2;
        while (end < rest.size() && rest.at(end) != QLatin1Char('/') && rest.at(end) != QLatin1Char('?'))
            ++end;
        parts->authority = rest.mid(2, end - 2);
        rest = rest.mid(end);
    }
    const qsizetype question = rest.indexOf(QLatin1Char('?'));
    if (question >= 0) {
        parts->query = rest.mid(question + 1);
        rest.truncate(question);
    }
    parts->path = rest.isNull() ? QString(QLatin1String("")) : rest;
    if (parts->path.contains(QLatin1Char('[')) || parts->path.contains(QLatin1Char(']')) ||
        parts->query.contains(QLatin1Char('[')) || parts->query.contains(QLatin1Char(']')))
        return false;
    if (!parts->authority.isNull()) {
        QString user, password, host;
        QVariant port;
        if (!splitAuthority(parts->authority, &user, &password, &host, &port))
            return false;
    }
    return true;
}

QString compose(const Parts& parts)
{
    QString text;
    if (!parts.scheme.isNull())
        text += parts.scheme + QLatin1Char(':');
    if (!parts.hierarchical) {
        text += parts.specifier;
        return text;
    }
    if (!parts.authority.isNull())
        text += QLatin1String("//") + parts.authority;
    text += parts.path;
    if (!parts.query.isNull())
        text += QLatin1Char('?') + parts.query;
    if (!parts.fragment.isNull())
        text += QLatin1Char('#') + parts.fragment;
    return text;
}

// RFC 3986 "remove_dot_segments".
QString removeDotSegments(const QString& path)
{
    // The input is read through a position rather than cut from its front,
    // which would copy the rest once per segment.
    const QStringView all(path);
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

Parts resolve(const Parts& base, const Parts& ref)
{
    if (!ref.scheme.isNull() || !base.hierarchical)
        return ref;
    Parts target;
    target.scheme = base.scheme;
    target.fragment = ref.fragment;
    if (!ref.authority.isNull()) {
        target.authority = ref.authority;
        target.path = removeDotSegments(ref.path);
        target.query = ref.query;
    } else {
        target.authority = base.authority;
        if (ref.path.isEmpty()) {
            target.path = base.path;
            target.query = ref.query.isNull() ? base.query : ref.query;
        } else {
            if (ref.path.startsWith(QLatin1Char('/'))) {
                target.path = removeDotSegments(ref.path);
            } else {
                QString merged;
                if (!base.authority.isNull() && base.path.isEmpty())
                    merged = QLatin1Char('/') + ref.path;
                else
                    merged = base.path.left(base.path.lastIndexOf(QLatin1Char('/')) + 1) + ref.path;
                target.path = removeDotSegments(merged);
            }
            target.query = ref.query;
        }
    }
    target.specifier = compose(Parts{QString(), target.authority, target.path, target.query, target.fragment,
                                     true, QString()});
    return target;
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
    QString relative;   // the string the URL was made from
    std::shared_ptr<const Data> base;
    Parts parts;        // the parts of the absolute form
    QString absolute;
    QString user, password, host;
    QVariant port;
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
    data->relative = string;
    if (base.m_data && parts.scheme.isNull()) {
        data->base = base.m_data;
        data->parts = resolve(base.m_data->parts, parts);
        data->absolute = compose(data->parts);
    } else {
        data->parts = parts;
        data->absolute = string;
    }
    if (!data->parts.authority.isNull())
        splitAuthority(data->parts.authority, &data->user, &data->password, &data->host, &data->port);
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

QString URL::scheme() const { return m_data ? m_data->parts.scheme : QString(); }
QString URL::resourceSpecifier() const { return m_data ? m_data->parts.specifier : QString(); }
QString URL::user() const { return m_data ? m_data->user : QString(); }
QString URL::password() const { return m_data ? m_data->password : QString(); }
QString URL::host() const { return m_data ? m_data->host : QString(); }
QVariant URL::port() const { return m_data ? m_data->port : QVariant(); }
QString URL::query() const { return m_data && m_data->parts.hierarchical ? m_data->parts.query : QString(); }
QString URL::fragment() const { return m_data ? m_data->parts.fragment : QString(); }
QString URL::absoluteString() const { return m_data ? m_data->absolute : QString(); }
QString URL::relativeString() const { return m_data ? m_data->relative : QString(); }
URL URL::baseURL() const { return m_data && m_data->base ? URL(m_data->base) : URL(); }

QString URL::pathAsWritten() const
{
    if (!m_data || !m_data->parts.hierarchical)
        return QString();
    const QString& path = m_data->parts.path;
    const qsizetype semicolon = path.indexOf(QLatin1Char(';'));
    return semicolon < 0 ? path : path.left(semicolon);
}

QString URL::parameterString() const
{
    if (!m_data || !m_data->parts.hierarchical)
        return QString();
    const QString& path = m_data->parts.path;
    const qsizetype semicolon = path.indexOf(QLatin1Char(';'));
    return semicolon < 0 ? QString() : path.mid(semicolon + 1);
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
    Parts parts = m_data->parts;
    parts.path = removeDotSegments(parts.path);
    const URL standardized = URLWithString(compose(parts));
    return standardized ? standardized : *this;
}

bool URL::isFileURL() const
{
    return m_data && m_data->parts.scheme.compare(QLatin1String("file"), Qt::CaseInsensitive) == 0;
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
