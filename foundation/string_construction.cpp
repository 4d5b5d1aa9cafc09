#include "foundation/string_construction.h"

#include "foundation/character_classes.h"
#include "platform/atomic_file.h"
#include "platform/file_system_representation.h"
#include "platform/regular_files.h"

#include <QUuid>

#include <atomic>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace sorvant {

namespace {

std::atomic<StringEncoding> g_defaultEncoding{NSUTF8StringEncoding};

// Encoding numbers above this (and 0) ask a reader to detect the encoding.
constexpr StringEncoding kLargestNamedEncoding = 4'294'967'279ULL;

// A text read whole must fit a QString (2^31 UTF-16 units) after decoding.
constexpr qint64 kMaximumTextFileSize = qint64(1) << 30;

bool readFile(const QString& path, QByteArray* contents)
{
    return readRegularFile(path, kMaximumTextFileSize, contents) == FileReadStatus::Read;
}

// The converter of the character set the file at `path` declares; null
// when it declares none, or UTF-8 (which detection reads anyway).
QByteArray declaredConverter(const QString& path)
{
    // The path may have become a FIFO since the file was read.
    const UniqueFd fd = openRegularFile(fileSystemRepresentation(path).constData());
    if (!fd.isValid())
        return {};
    return declaredCharsetOfFile(fd.get()).converter;
}

bool writeBytes(const QString& path, const QByteArray& bytes, bool atomically)
{
    return atomically ? writeFileAtomically(path, bytes) : writeFileInPlace(path, bytes);
}

bool writeReporting(const QString& string, const QString& path, bool atomically, StringEncoding encoding,
                    StringEncoding* usedEncoding)
{
    if (usedEncoding)
        *usedEncoding = encoding;
    return writeToFile(string, path, atomically, encoding);
}

} // namespace

bool isStringEmpty(const QString& string)
{
    return string.isEmpty();
}

bool isStringNotEmpty(const QString& string)
{
    return !string.isEmpty();
}

QString uniqueString()
{
    const QUuid uuid = QUuid::createUuid();
    return uuid.isNull() ? QString() : uuid.toString(QUuid::WithoutBraces).toUpper();
}

QString stringWithComponents(std::initializer_list<QString> components)
{
    QString joined;
    for (const QString& component : components) {
        if (component.isNull())
            break;
        if (!joined.isNull())
            joined.append(QLatin1Char('.'));
        joined.append(component);
        if (joined.isNull())
            joined = QString("");
    }
    return joined;
}

QString stringWithData(const QByteArray& data, StringEncoding encoding)
{
    return decodeString(data, encoding);
}

QString stringWithBytes(const char* bytes, qsizetype length, StringEncoding encoding)
{
    return decodeString(bytes, length, encoding);
}

QString stringWithCString(const char* bytes, qsizetype length, StringEncoding encoding)
{
    return decodeString(bytes, length, encoding);
}

QString stringWithNullTerminatedCString(const char* bytes, StringEncoding encoding)
{
    if (!bytes)
        return {};
    return decodeString(bytes, static_cast<qsizetype>(std::strlen(bytes)), encoding);
}

QString stringWithCharacter(char16_t character)
{
    return QString(QChar(character));
}

QString stringWithContentsOfFile(const QString& path, StringEncoding encoding, StringEncoding* usedEncoding)
{
    if (usedEncoding)
        *usedEncoding = encoding;
    QByteArray contents;
    const bool read = readFile(path, &contents);
    if (encoding >= 1 && encoding <= kLargestNamedEncoding)
        return read ? decodeString(contents, encoding) : QString();
    if (read) {
        const QByteArray converter = declaredConverter(path);
        QString text = decodeInCharset(contents, converter);
        if (!text.isNull()) {
            if (usedEncoding)
                *usedEncoding = encodingOfConverter(converter);
            return text;
        }
        text = decodeDetected(contents, usedEncoding);
        if (!text.isNull())
            return text;
    }
    if (usedEncoding)
        *usedEncoding = NSASCIIStringEncoding;
    return read ? decodeString(contents, NSASCIIStringEncoding) : QString();
}

StringEncoding defaultEncoding()
{
    return g_defaultEncoding.load(std::memory_order_relaxed);
}

void setDefaultEncoding(StringEncoding encoding)
{
    g_defaultEncoding.store(encoding, std::memory_order_relaxed);
}

bool writeToFile(const QString& string, const QString& path, bool atomically, StringEncoding encoding)
{
    const std::optional<QByteArray> bytes = encodeString(string, encoding);
    return bytes && writeBytes(path, *bytes, atomically);
}

bool writeToFileUsingDefaultEncoding(const QString& string, const QString& path, bool atomically,
                                     StringEncoding* usedEncoding)
{
    return writeReporting(string, path, atomically, defaultEncoding(), usedEncoding);
}

bool writeToFileUsingFastestEncoding(const QString& string, const QString& path, bool atomically,
                                     StringEncoding* usedEncoding)
{
    return writeReporting(string, path, atomically, fastestEncoding(string), usedEncoding);
}

bool writeToFileUsingSmallestEncoding(const QString& string, const QString& path, bool atomically,
                                      StringEncoding* usedEncoding)
{
    return writeReporting(string, path, atomically, smallestEncoding(string), usedEncoding);
}

StringEncoding fastestEncoding(const QString& string)
{
    return isAsciiString(string) ? NSASCIIStringEncoding : NSUnicodeStringEncoding;
}

StringEncoding smallestEncoding(const QString& string)
{
    if (isAsciiString(string))
        return NSASCIIStringEncoding;
    if (encodeString(string, NSISOLatin1StringEncoding))
        return NSISOLatin1StringEncoding;
    const std::optional<QByteArray> utf8 = encodeString(string, NSUTF8StringEncoding);
    // UTF-16 as written: a two-byte mark and two bytes a unit.
    const qsizetype utf16Size = 2 + 2 * string.size();
    return utf8 && utf8->size() <= utf16Size ? NSUTF8StringEncoding : NSUnicodeStringEncoding;
}

} // namespace sorvant
