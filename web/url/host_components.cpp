#include "web/url/host_components.h"

#include "platform/path_semantics.h"
#include "platform/scan_work.h"

#include <unicode/uidna.h>
#include <zlib.h>

#include <algorithm>

namespace sorvant {

namespace {

bool isASCII(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// The host as the inverted forms use it: lower case, ASCII.
QString lowercaseHost(const QString& host)
{
    if (isASCII(host))
        return host.toLower(); // ASCII only: no locale or folding question
    const QString ascii = asciiHostName(host);
    return ascii.isNull() ? host.toLower() : ascii;
}

} // namespace

QStringList hostComponents(const QString& host)
{
    if (host.isEmpty())
        return QStringList();
    return host.split(QLatin1Char('.'));
}

QStringList hostComponents(const URL& url)
{
    return hostComponents(url.host());
}

QString invertedHost(const QString& host)
{
    if (host.isEmpty())
        return QString();
    // Written label by label from the last into one string of the host's
    // length: a list of the labels costs a string each, 26 times the size
    // of a long host of short labels. An ASCII host is lowered on the way.
    const bool ascii = isASCII(host);
    const QString lower = ascii ? host : lowercaseHost(host);
    const QChar* in = lower.constData();
    QString inverted(lower.size(), Qt::Uninitialized);
    QChar* out = inverted.data();
    countScanWork(lower.size() + 1);
    qsizetype end = lower.size();
    for (qsizetype at = lower.size(); at >= 0; --at) {
        if (at > 0 && in[at - 1] != QLatin1Char('.'))
            continue;
        for (qsizetype from = at; from < end; ++from) {
            const char16_t c = in[from].unicode();
            *out++ = QChar(ascii && c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
        }
        if (at > 0)
            *out++ = QLatin1Char('.');
        end = at - 1;
    }
    return inverted;
}

QString invertedHost(const URL& url)
{
    return invertedHost(url.host());
}

void forEachInvertedHostComponent(const QString& host, qsizetype maximum,
                                  const std::function<void(QStringView)>& visit)
{
    if (host.isEmpty())
        return;
    const QString lower = lowercaseHost(host);
    const QStringView text(lower);
    const bool limited = maximum != 0 && maximum != NSNotFound;
    qsizetype visited = 0;
    qsizetype end = text.size();
    countScanWork(text.size() + 1);
    // Labels from the last on, empty ones skipped; with a maximum the rest,
    // still last first, become one component.
    while (end > 0) {
        const qsizetype dot = text.lastIndexOf(QLatin1Char('.'), end - 1);
        const qsizetype start = dot + 1;
        if (start == end) {
            end = dot;
            continue;
        }
        // Asked once: the walk ends after this label either way.
        const auto moreLabels = [&] {
            return std::any_of(text.begin(), text.begin() + std::max<qsizetype>(dot, 0),
                               [](QChar c) { return c != QLatin1Char('.'); });
        };
        if (limited && visited == maximum - 1 && moreLabels()) {
            QString rest;
            rest.reserve(end);
            while (end > 0) {
                const qsizetype before = text.lastIndexOf(QLatin1Char('.'), end - 1);
                if (before + 1 < end) {
                    if (!rest.isEmpty())
                        rest += QLatin1Char('.');
                    rest += text.mid(before + 1, end - before - 1);
                }
                end = before < 0 ? 0 : before;
            }
            visit(shortenedPathComponent(rest, 0));
            return;
        }
        visit(text.mid(start, end - start));
        ++visited;
        end = dot < 0 ? 0 : dot;
    }
}

QStringList invertedHostComponents(const QString& host, qsizetype maximum)
{
    QStringList labels;
    forEachInvertedHostComponent(host, maximum, [&](QStringView label) { labels.append(label.toString()); });
    return labels;
}

QStringList invertedHostComponents(const URL& url, qsizetype maximum)
{
    return invertedHostComponents(url.host(), maximum);
}

QString stringByAppendingInvertedHostComponents(const QString& host, qsizetype maximum, const QString& path)
{
    if (path.isNull() || host.isEmpty())
        return path;
    return stringByAppendingPathComponents(path, invertedHostComponents(host, maximum));
}

QString stringByAppendingInvertedHostComponentsToPath(const QString& host, const QString& path)
{
    return stringByAppendingInvertedHostComponents(host, NSNotFound, path);
}

QString asciiHostName(const QString& host)
{
    // A host name has at most 253 characters (254 with the root's dot);
    // a longer text is none, and IDNA's work grows faster than its length.
    const qsizetype limit = host.endsWith(QLatin1Char('.')) ? kMaximumHostNameLength + 1 : kMaximumHostNameLength;
    if (host.isEmpty() || host.size() > limit)
        return QString();
    UErrorCode status = U_ZERO_ERROR;
    UIDNA* idna = uidna_openUTS46(UIDNA_NONTRANSITIONAL_TO_ASCII | UIDNA_USE_STD3_RULES, &status);
    if (U_FAILURE(status))
        return QString();
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    QString out(host.size() * 4 + 64, Qt::Uninitialized);
    const int32_t length =
        uidna_nameToASCII(idna, reinterpret_cast<const UChar*>(host.utf16()), static_cast<int32_t>(host.size()),
                          reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &info, &status);
    uidna_close(idna);
    if (U_FAILURE(status) || info.errors != 0)
        return QString();
    out.truncate(length);
    return out;
}

quint32 crc32(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return static_cast<quint32>(
        ::crc32(::crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(bytes.constData()), static_cast<uInt>(bytes.size())));
}

QString shortenedPathComponent(const QString& component, qsizetype extensionLength)
{
    // 250 units leave room for the "." and extension within the 255-byte
    // name limit of most file systems for ASCII names.
    if (component.size() + extensionLength < 251)
        return component;
    return component.left(242 - extensionLength) + QStringLiteral("%1").arg(crc32(component), 8, 16, QLatin1Char('0'));
}

} // namespace sorvant
