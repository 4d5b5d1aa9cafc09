#include "search/content_reading.h"

#include "platform/file_error.h"
#include "platform/log.h"
#include "platform/string_encoding.h"
#include "platform/string_encoding_scan.h"
#include "search/content_text_matching.h"
#include "search/stop_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

namespace sorvant {

qsizetype readUpTo(int fd, char* buffer, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

void LeftOutBytesNotice::note(std::int64_t offset)
{
    if (offset < 0 || m_said)
        return;
    m_said = true;
    logWarning(QStringLiteral("Read %1 with U+FFFD for the bytes its declared character set leaves out, the first "
                              "at byte %2")
                   .arg(m_file.path())
                   .arg(offset));
}

OpenFile openRegularFile(int parentFd, const FileLabel& file, std::uint64_t maxFileSize)
{
    UniqueFd fd(::openat(parentFd, file.name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.isValid()) {
        // A name gone since the walk saw it, and a socket or a device
        // without its driver (no file to read), are no failure; any other
        // (no permission, too many open files, an I/O error) is said.
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR && error != ENXIO && error != ENODEV)
            logWarning(QStringLiteral("Skipped the contents of %1: %2").arg(file.path(), errorMessage(error)));
        return {};
    }
    struct stat status{};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0)
        return {};
    if (std::uint64_t(status.st_size) >= maxFileSize) {
        fd.reset();
        logWarning(QStringLiteral("Skipped the contents of %1: %2 bytes, at or above the limit of %3 bytes")
                       .arg(file.path())
                       .arg(std::uint64_t(status.st_size))
                       .arg(maxFileSize));
        return {};
    }
    return {std::move(fd), std::uint64_t(status.st_size)};
}

std::pair<const char*, qsizetype> detectedConverter(const char* data, qsizetype size)
{
    if (startsWideText(data, size))
        return {converterOfEncoding(detectEncoding(QByteArray::fromRawData(data, std::min<qsizetype>(size, 4)))), 0};
    const bool utf8Mark = size >= 3 && std::memcmp(data, "\xef\xbb\xbf", 3) == 0;
    return {converterOfEncoding(NSUTF8StringEncoding), utf8Mark ? 3 : 0};
}

namespace {

// Bytes of an open file to decode: `size` of them from its offset, which
// is `from` bytes into the file; `cut` when the file goes on after them.
struct FileBytes
{
    std::uint64_t from = 0;
    std::uint64_t size = 0;
    bool cut = false;
};

// Decodes `bytes` of an open file in `converter`, read in windows through
// `window` straight into one string: no copy of the file's bytes is held
// beside its text. When they are `cut`, a character their end cuts is read
// whole from the bytes after them (as the whole file reads it, where a
// lead byte is bad or not by the byte after it). Null when the bytes are not valid in the set (refused), on a read error
// and on a stop. With LeftOutBytes::Replace, bytes the set leaves out are
// read as U+FFFD and the first of them is said in `notice` (when given).
QString decodeFileBytes(int fd, FileBytes bytes, const char* converter, QByteArray& window, const StopCheck* stop,
                        LeftOutBytes leftOut, LeftOutBytesNotice* notice)
{
    PieceDecoder decoder(converter, leftOut);
    if (!decoder.isOpen())
        return {};
    // A UTF-16 or UTF-32 text takes at most one unit per two bytes; UTF-8
    // and the byte sets at most one per byte (decodeInto grows it for a set
    // that gives more).
    const std::uint64_t size = bytes.size;
    const bool wide = std::strncmp(converter, "UTF-16", 6) == 0 || std::strncmp(converter, "UTF-32", 6) == 0;
    QString text(qsizetype(wide ? size / 2 + 1 : size + 1), Qt::Uninitialized);
    qsizetype used = 0;
    window.reserve(kContentWindowBytes);
    for (std::uint64_t read = 0;;) {
        const qsizetype want = qsizetype(std::min<std::uint64_t>(size - read, std::uint64_t(kContentWindowBytes)));
        window.resize(want);
        if (readUpTo(fd, window.data(), want) != want || (stop && stop->shouldStop(std::uint64_t(want))))
            return {};
        read += std::uint64_t(want);
        if (!decoder.decodeInto(window.constData(), want, read >= size && !bytes.cut, text, used))
            return {};
        if (notice && decoder.firstLeftOutByte() >= 0)
            notice->note(std::int64_t(bytes.from) + decoder.firstLeftOutByte());
        if (read >= size)
            break;
    }
    // A byte at a time: a character takes a few (ICU holds at most 31 to
    // tell one apart), and what follows it is not asked for. Bytes after it
    // that a strict reading refuses leave the character out: the text
    // decoded before it stands.
    for (int more = 0; bytes.cut && decoder.holdsCutCharacter() && more < 32; ++more) {
        char next = 0;
        const qsizetype got = readUpTo(fd, &next, 1);
        if (got < 0)
            return {};
        if (!decoder.decodeInto(&next, got, got == 0, text, used) || got == 0)
            break;
    }
    PieceDecoder::finishText(text, used);
    return text;
}

// The text of the first `end` bytes of an open file of `size` bytes, read
// from its start as readWholeText says; the first byte a declared set
// leaves out is said in `leftOut` when there is one.
QString readTextUpTo(int fd, std::uint64_t size, std::uint64_t end, QByteArray& window, const StopCheck* stop,
                     const QByteArray& charset, LeftOutBytesNotice* leftOut)
{
    const bool cut = end < size;
    const bool declaredUtf8 = charset == kDeclaredUtf8;
    if (!charset.isNull() && !declaredUtf8) {
        QString text =
            decodeFileBytes(fd, {0, end, cut}, charset.constData(), window, stop, LeftOutBytes::Replace, leftOut);
        // A set whose converter cannot be opened is read as if none were
        // declared.
        if (!text.isNull() || (stop && stop->shouldStop(0)) || ::lseek(fd, 0, SEEK_SET) != 0)
            return text;
    }
    char first[4];
    const qsizetype got = readUpTo(fd, first, qsizetype(std::min<std::uint64_t>(end, 4)));
    if (got < 0)
        return {};
    auto [converter, skip] = detectedConverter(first, got);
    // Declared UTF-8 is read as UTF-8 whatever its first bytes are, after
    // its own mark as undeclared.
    if (declaredUtf8) {
        converter = kDeclaredUtf8;
        skip = hasByteOrderMark(first, got, "\xef\xbb\xbf", 3) ? 3 : 0;
    }
    if (!converter || ::lseek(fd, off_t(skip), SEEK_SET) != off_t(skip))
        return {};
    const std::uint64_t from = std::uint64_t(skip);
    return decodeFileBytes(fd, {from, end - from, cut}, converter, window, stop,
                           declaredUtf8 ? LeftOutBytes::Replace : LeftOutBytes::Refuse, leftOut);
}

} // namespace

QString readWholeText(int fd, std::uint64_t size, QByteArray& window, const FileLabel& file,
                      const StopCheck* stop, const QByteArray& charset, LeftOutBytesNotice* leftOut)
{
    if (size >= kLongestWholeFile) {
        logWarning(QStringLiteral("Skipped the contents of %1: %2 bytes, at or above the limit of %3 bytes for "
                                  "a text searched whole (wildcards, query terms and regular expressions)")
                       .arg(file.path())
                       .arg(size)
                       .arg(kLongestWholeFile));
        return {};
    }
    try {
        LeftOutBytesNotice ownNotice(file);
        return readTextUpTo(fd, size, size, window, stop, charset, leftOut ? leftOut : &ownNotice);
    } catch (const std::bad_alloc&) {
        logWarning(QStringLiteral("Skipped the contents of %1: its text does not fit in memory").arg(file.path()));
        window = QByteArray();
        return {};
    }
}

QString readTextStart(int fd, std::uint64_t size, qsizetype limit, const QByteArray& charset)
{
    QByteArray window;
    return readTextUpTo(fd, size, std::min(size, std::uint64_t(std::max<qsizetype>(limit, 0))), window, nullptr,
                        charset, nullptr);
}

bool hasByteOrderMark(const char* data, qsizetype size, const char* mark, qsizetype length)
{
    return size >= length && std::memcmp(data, mark, size_t(length)) == 0;
}

bool startsWideText(const char* data, qsizetype size)
{
    return hasByteOrderMark(data, size, "\xff\xfe", 2) || hasByteOrderMark(data, size, "\xfe\xff", 2)
           || hasByteOrderMark(data, size, "\x00\x00\xfe\xff", 4);
}

qsizetype readFirstWindow(int fd, std::uint64_t size, QByteArray& bytes, qsizetype window, qsizetype overlap)
{
    const qsizetype wanted = qsizetype(std::min<std::uint64_t>(size, std::uint64_t(window)));
    bytes.reserve(overlap + window + 8);
    bytes.resize(wanted);
    const qsizetype got = readUpTo(fd, bytes.data(), wanted);
    bytes.resize(std::max<qsizetype>(got, 0));
    return got;
}

bool readNextWindow(int fd, std::uint64_t size, QByteArray& bytes, qsizetype window, qsizetype keep,
                    std::uint64_t& read, qsizetype holeRun)
{
    const qsizetype kept = bytes.size() - keep;
    std::memmove(bytes.data(), bytes.constData() + keep, size_t(kept));
    if (holeRun > 0) {
        errno = 0;
        const off_t data = ::lseek(fd, off_t(read), SEEK_DATA);
        // ENXIO: a hole up to the end.
        const std::uint64_t dataStart = data >= 0 ? std::uint64_t(data) : errno == ENXIO ? size : read;
        if (dataStart > read + std::uint64_t(holeRun) && ::lseek(fd, off_t(dataStart), SEEK_SET) == off_t(dataStart)) {
            bytes.resize(kept + holeRun);
            std::memset(bytes.data() + kept, 0, size_t(holeRun));
            read = dataStart;
            return true;
        }
        if (::lseek(fd, off_t(read), SEEK_SET) != off_t(read))
            return false;
    }
    const qsizetype wanted = qsizetype(std::min<std::uint64_t>(size - read, std::uint64_t(window)));
    bytes.resize(kept + wanted);
    const qsizetype got = readUpTo(fd, bytes.data() + kept, wanted);
    read += std::uint64_t(std::max<qsizetype>(got, 0));
    return got == wanted;
}

// --- declared sets read on their bytes -------------------------------------------

namespace {

// What each byte is where a character of a set of one or two bytes a
// character begins: a character of its own, the lead of a pair, or one the
// set leaves out.
enum class ByteKind : unsigned char { Single, Lead, LeftOut };

std::array<ByteKind, 256> byteKinds(const DoubleByteUnits& pairs)
{
    std::array<ByteKind, 256> kinds{};
    for (std::size_t b = 0; b < kinds.size(); ++b)
        kinds[b] = pairs.lead[b]                                        ? ByteKind::Lead
                   : pairs.single[b] == DoubleByteUnits::kReplacement ? ByteKind::LeftOut
                                                                        : ByteKind::Single;
    return kinds;
}

// Where reading the characters of `data` from `from` (a character's start)
// to `to` in a set of one or two bytes a character ends: at `to`, or
// before a lead byte that is last when the bytes go on after `to` (it is
// read with them). `units` counts the characters read, `firstLeftOut` is
// set to the first the set leaves out when it is not yet (-1). A pair
// costs a lookup of its lead and one of its unit, what the set leaves out
// a branch that is seldom taken; a long run of single bytes (ASCII) is
// passed eight bytes a branch (afterSingleRun).
qsizetype checkedDoubleBytes(const unsigned char* data, qsizetype from, qsizetype to, bool last,
                             const DoubleByteUnits& pairs, const std::array<ByteKind, 256>& kinds,
                             qsizetype& units, std::int64_t& firstLeftOut)
{
    const unsigned char* at = data + from;
    const unsigned char* const end = data + to;
    qsizetype pairCount = 0;
    const auto noteLeftOut = [&firstLeftOut, data](const unsigned char* where) {
        if (firstLeftOut < 0)
            firstLeftOut = where - data;
    };
    const char16_t* const pairUnits = pairs.pairs.data();
    // Up to the last byte, so that a lead's trail byte is in reach.
    const unsigned char* const pairsEnd = end > at ? end - 1 : end;
    while (at < pairsEnd) {
        const ByteKind kind = kinds[*at];
        if (kind == ByteKind::Lead) {
            const std::size_t pair = std::size_t(at[0]) << 8 | at[1];
            // The pair the set leaves out, or the lead alone where the byte
            // after it cannot follow it.
            if (pairUnits[pair] == DoubleByteUnits::kReplacement) {
                noteLeftOut(at);
                if (pairs.pairLengths[pair] == 1) {
                    ++at;
                    continue;
                }
            }
            at += 2;
            ++pairCount;
        } else if (kind == ByteKind::LeftOut) {
            noteLeftOut(at++);
        } else {
            at = afterSingleRun(at + 1, pairsEnd, kinds);
        }
    }
    // The last byte: a character of its own, or a lead whose trail byte is
    // in the bytes that follow (read with them) or that the text's end cuts
    // (left out).
    if (end - at == 1) {
        const ByteKind kind = kinds[*at];
        if (kind != ByteKind::Single && (kind == ByteKind::LeftOut || last))
            noteLeftOut(at);
        if (kind != ByteKind::Lead || last)
            ++at;
    }
    units += (at - data) - from - pairCount;
    return at - data;
}

// Reads an open file declared in a set of one byte a character (`table`)
// or of one or two (`pairs`) into the whole of `bytes`, a window at a time
// with a look at the stop after each, and reads each window in the set as
// it arrives: a stop is seen within a window of reading, and no pass over
// the whole file follows. `units` is the characters read, `firstLeftOut`
// the first byte the set leaves out (-1 for none). NO on a read error, a
// file shorter than its size, or a stop.
bool readDeclaredBytes(int fd, QByteArray& bytes, const ByteUnits* table, const DoubleByteUnits* pairs,
                       const StopCheck& stop, qsizetype& units, std::int64_t& firstLeftOut)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype checked = 0; // where the next character to read begins
    units = 0;
    firstLeftOut = -1;
    const std::array<ByteKind, 256> kinds = pairs != nullptr ? byteKinds(*pairs) : std::array<ByteKind, 256>{};
    // Sets that give every byte a character (ISO-8859-1, windows-1252 as
    // ICU has it) leave nothing to look for.
    const bool everyByteValid =
        table != nullptr && std::all_of(table->valid.begin(), table->valid.end(), [](bool valid) { return valid; });
    for (qsizetype read = 0; read < size;) {
        const qsizetype want = std::min(size - read, kContentWindowBytes);
        if (readUpTo(fd, bytes.data() + read, want) != want || stop.shouldStop(std::uint64_t(want)))
            return false;
        read += want;
        if (table != nullptr) {
            if (!everyByteValid && firstLeftOut < 0) {
                const auto* leftOut =
                    std::find_if(data + checked, data + read, [table](unsigned char b) { return !table->valid[b]; });
                if (leftOut != data + read)
                    firstLeftOut = leftOut - data;
            }
            checked = units = read;
            continue;
        }
        checked = checkedDoubleBytes(data, checked, read, read == size, *pairs, kinds, units, firstLeftOut);
    }
    return true;
}

// `match` of the text of an open file declared in `charset`, read whole
// into bytes of its own (not the thread's buffer: the file's size is not
// kept after it), where the set is one of one or two bytes a character and
// the file is below kLongestWholeFile; null for any other set or size; NO
// when the file cannot be read or on a stop. The first byte the set
// leaves out is said in `leftOut`.
template <typename Match>
std::optional<bool> matchDeclaredFile(int fd, std::uint64_t size, const QByteArray& charset, const StopCheck& stop,
                                      LeftOutBytesNotice& leftOut, Match match)
{
    DeclaredText text;
    text.table = singleByteUnits(charset);
    text.pairs = text.table == nullptr ? doubleByteUnitsOf(charset) : nullptr;
    if ((text.table == nullptr && text.pairs == nullptr) || size >= kLongestWholeFile)
        return std::nullopt;
    text.bytes = QByteArray(qsizetype(size), Qt::Uninitialized);
    std::int64_t firstLeftOut = -1;
    const bool read = readDeclaredBytes(fd, text.bytes, text.table, text.pairs, stop, text.length, firstLeftOut);
    leftOut.note(firstLeftOut);
    if (!read)
        return false;
    return match(text);
}

} // namespace

std::optional<bool> matchesDeclaredBytes(int fd, std::uint64_t size, const QByteArray& charset,
                                         const SearchParams& params, const StopCheck& stop, const FileLabel& file,
                                         LeftOutBytesNotice& leftOut)
{
    return matchDeclaredFile(fd, size, charset, stop, leftOut, [&](const DeclaredText& text) {
        return std::optional(matchesDeclaredText(text, params, stop, file));
    });
}

std::optional<bool> matchesDeclaredTerms(int fd, std::uint64_t size, const QByteArray& charset,
                                         const SearchParams& params, const StopCheck& stop, qsizetype window,
                                         LeftOutBytesNotice& leftOut)
{
    if (!hasTermsAnsweredInWindows(params))
        return std::nullopt;
    return matchDeclaredFile(fd, size, charset, stop, leftOut, [&](const DeclaredText& text) {
        return matchesDeclaredTextTerms(text, params, stop, window);
    });
}

QString textContentsAtPath(const QByteArray& path, std::uint64_t maxFileSize)
{
    if (path.isEmpty())
        return {};
    const FileLabel label{{}, path};
    const OpenFile file = openRegularFile(AT_FDCWD, label, maxFileSize);
    if (!file.isOpen())
        return {};
    QByteArray bytes;
    const DeclaredCharset declared = declaredCharsetOfFile(file.fd());
    return readWholeText(file.fd(), file.size(), bytes, label, nullptr,
                         declared.isUtf8 ? QByteArray(kDeclaredUtf8) : declared.converter);
}

} // namespace sorvant
