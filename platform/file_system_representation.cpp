#include "platform/file_system_representation.h"

#include "platform/utf8.h"

#include <QDir>
#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace sorvant {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;   // U+DC80..U+DCFF carry bytes 0x80..0xFF
constexpr char16_t kReplacement = 0xFFFD;

using utf8::decodeSequence;
using utf8::sequenceLength;

// Writes the UTF-8 form of `c` at `out` and answers the position after it.
char* putUtf8(char* out, char32_t c)
{
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
        *out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    } else {
        *out++ = char(0xF0 | (c >> 18));
        *out++ = char(0x80 | ((c >> 12) & 0x3F));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

} // namespace

QByteArray fileSystemRepresentation(const QString& path)
{
    if (path.isNull())
        return {};
    const char16_t* units = QStringView(path).utf16();
    const qsizetype size = path.size();
    // A unit gives at most 3 bytes (a pair gives 4 for 2 units).
    QByteArray out(size * 3, Qt::Uninitialized);
    char* const begin = out.data();
    char* dst = begin;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        if (unit == 0)
            return {};
        if (unit < 0x80) {
            *dst++ = char(unit);
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < size
                   && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            dst = putUtf8(dst, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xDC80 && unit <= 0xDCFF) {
            *dst++ = char(unit - kEscapeBase);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            dst = putUtf8(dst, kReplacement);
        } else {
            dst = putUtf8(dst, unit);
        }
    }
    out.truncate(dst - begin);
    if (out.isNull())
        out = QByteArray("");
    return out;
}

qsizetype decodeFileSystemRepresentation(const char* bytes, qsizetype length, char16_t* dst)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype written = 0;
    qsizetype i = 0;
    while (i < length) {
        // A run of ASCII bytes, found eight at a time, is widened as it is.
        qsizetype run = i;
        for (std::uint64_t word = 0; run + 8 <= length; run += 8) {
            std::memcpy(&word, p + run, 8);
            if (word & 0x8080808080808080u)
                break;
        }
        while (run < length && p[run] < 0x80)
            ++run;
        std::copy(p + i, p + run, dst + written);
        written += run - i;
        i = run;
        if (i == length)
            break;
        const unsigned char byte = p[i];
        const int n = sequenceLength(p + i, length - i);
        if (n == 0) {
            dst[written++] = char16_t(kEscapeBase + byte);
            ++i;
            continue;
        }
        // A sequence of n bytes yields at most n units (4 bytes give 2), so
        // the output never outgrows `length`.
        const char32_t c = decodeSequence(p + i, n);
        if (c >= 0x10000) {
            dst[written++] = char16_t(0xD800 + ((c - 0x10000) >> 10));
            dst[written++] = char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            dst[written++] = char16_t(c);
        }
        i += n;
    }
    return written;
}

QString stringWithFileSystemRepresentation(const char* bytes, qsizetype length)
{
    if (!bytes)
        return {};
    QString out(length, Qt::Uninitialized);
    out.truncate(decodeFileSystemRepresentation(bytes, length, reinterpret_cast<char16_t*>(out.data())));
    return out;
}

QString stringWithFileSystemRepresentation(const QByteArray& bytes)
{
    if (bytes.isNull())
        return {};
    return stringWithFileSystemRepresentation(bytes.constData(), bytes.size());
}

qsizetype fileSystemRepresentationLength(const QString& path)
{
    const QByteArray bytes = fileSystemRepresentation(path);
    return bytes.isNull() ? -1 : bytes.size();
}

QUrl fileURLWithRepresentation(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QString absolute = path.startsWith(u'/') ? path : QDir::currentPath() + u'/' + path;
    const QByteArray bytes = fileSystemRepresentation(absolute);
    if (bytes.isNull())
        return {};
    // The characters a path may keep as they are; the rest, every byte
    // above 0x7F included, are escaped.
    return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/!$&'()*+,;=:@"), QUrl::StrictMode);
}

QString pathOfFileURL(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    const QString path = stringWithFileSystemRepresentation(bytes.isNull() ? QByteArray("") : bytes);
    const QString host = url.host();
    return host.isEmpty() || host == QLatin1String("localhost") ? path : QStringLiteral("//") + host + path;
}

QString storedStringOfPath(const QString& path)
{
    // Null for a null path and for one holding U+0000, which no file has.
    const QByteArray bytes = fileSystemRepresentation(path);
    if (bytes.isNull())
        return {};
    // A relative path (never stored by the application) stays as it is: its
    // URL would name it from the current folder.
    if (bytes.isValidUtf8() || !path.startsWith(u'/'))
        return path;
    return QString::fromLatin1(fileURLWithRepresentation(path).toEncoded());
}

QString pathOfStoredString(const QString& stored)
{
    if (!stored.startsWith(QLatin1String("file:")))
        return stored;
    return pathOfFileURL(QUrl::fromEncoded(stored.toLatin1(), QUrl::StrictMode));
}

} // namespace sorvant
