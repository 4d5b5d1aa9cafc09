#include "search/content_matching.h"

#include "foundation/trimming.h"
#include "foundation/user_defaults_getters.h"
#include "platform/file_error.h"
#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/string_compare.h"
#include "platform/string_encoding.h"
#include "platform/unicode.h"
#include "platform/user_defaults.h"
#include "search/ascii_name_matching.h"
#include "search/byte_search.h"
#include "search/search_params.h"
#include "search/wildcard_patterns.h"

#include <unicode/ucnv.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <array>
#include <map>
#include <unordered_map>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

namespace sorvant {

// --- the regular expression of mode 5 ---------------------------------------------

namespace {

// A linear scan costs the engine about one step per thousand units, so the
// budget grows with the text; a backtracking pattern spends it long before
// a real scan would.
constexpr qsizetype kUnitsPerExtraStep = 1000;

} // namespace

QString FileLabel::path() const
{
    if (folder.isEmpty())
        return stringWithFileSystemRepresentation(name);
    return stringWithFileSystemRepresentation(folder.endsWith('/') ? folder + name : folder + '/' + name);
}

namespace {

// Whether `regex` matches the text `enumerate` hands it, of `length`
// units, within the record's step budget (the budget spent is logged,
// naming `file` when there is one).
template <typename Enumerate>
bool matchesRegularExpressionIn(const RegularExpression& regex, qsizetype length, const SearchParams& params,
                                const FileLabel* file, Enumerate enumerate)
{
    const std::atomic<bool>& stop = params.stop;
    RegularExpressionLimits limits;
    limits.stepLimit = params.regexStepLimit <= 0
                           ? 0
                           : std::int32_t(std::min<qsizetype>(params.regexStepLimit + length / kUnitsPerExtraStep,
                                                              INT32_MAX));
    limits.shouldStop = [&stop] { return stop.load(std::memory_order_relaxed); };
    bool found = false;
    const RegularExpressionStatus status = enumerate(limits, [&found](const RegularExpressionMatch&) {
        found = true;
        return true;
    });
    if (status == kRegexTimedOut && file)
        logWarning(QStringLiteral("Regular expression \"%1\" gave up on %2 (%3 characters): too slow")
                       .arg(regex.pattern(), file->path())
                       .arg(length));
    else if (status == kRegexTimedOut)
        logWarning(QStringLiteral("Regular expression \"%1\" gave up on a text of %2 characters: too slow")
                       .arg(regex.pattern())
                       .arg(length));
    return found;
}

bool matchesRegularExpression(const RegularExpression& regex, const QString& text, const SearchParams& params,
                              const FileLabel* file)
{
    return matchesRegularExpressionIn(
        regex, text.size(), params, file,
        [&](const RegularExpressionLimits& limits, const RegularExpression::MatchHandler& handler) {
            return regex.enumerateMatches(text, Range{0, text.size()}, 0, limits, handler);
        });
}

// The same over 8-bit text, each byte the unit `byteUnits` gives it.
bool matchesRegularExpressionInBytes(const RegularExpression& regex, QByteArrayView bytes,
                                     const std::array<char16_t, 256>& byteUnits, const SearchParams& params,
                                     const FileLabel* file)
{
    return matchesRegularExpressionIn(
        regex, bytes.size(), params, file,
        [&](const RegularExpressionLimits& limits, const RegularExpression::MatchHandler& handler) {
            return regex.enumerateMatchesInBytes(bytes, byteUnits, Range{0, bytes.size()}, 0, limits, handler);
        });
}

} // namespace

// --- matching -------------------------------------------------------------------

namespace {

bool isAscii(QStringView text)
{
    char16_t any = 0;
    for (const QChar c : text)
        any |= c.unicode();
    return any < 0x80;
}

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

// The platform's find restricted to ASCII on both sides, where full case
// folding is ASCII lower case and canonical equivalence changes nothing, so
// the answer is the same without folding the text.
bool containsAsciiString(QStringView haystack, QStringView needle, bool ignoreCase)
{
    if (needle.isEmpty() || needle.size() > haystack.size())
        return false;
    if (!ignoreCase)
        return haystack.contains(needle);
    const char16_t first = asciiLower(needle.front().unicode());
    const qsizetype last = haystack.size() - needle.size();
    for (qsizetype i = 0; i <= last; ++i) {
        if (asciiLower(haystack[i].unicode()) != first)
            continue;
        qsizetype j = 1;
        while (j < needle.size() && asciiLower(haystack[i + j].unicode()) == asciiLower(needle[j].unicode()))
            ++j;
        if (j == needle.size())
            return true;
    }
    return false;
}

// Finds one word; `asciiText` says whether the text is all ASCII.
bool containsWord(const QString& text, bool asciiText, const QString& word, unsigned options)
{
    if (asciiText && isAscii(word))
        return containsAsciiString(text, word, options & kCompareCaseInsensitive);
    return containsString(text, word, options);
}

} // namespace

namespace {

// searchWindowMatchString, with the wildcard and query-term tests looking at
// `stop` as they go; `file` names the file the text is of in a warning.
bool matchString(const QString& string, const SearchParams& params, unsigned findOptions, const StopCheck* stop,
                 const FileLabel* file = nullptr)
{
    if (string.isNull())
        return false;
    // Only case is ever ignored in plain word search; diacritics and fuzzy
    // act through query terms and highlighting. Words are found as they
    // are written (literally): no canonical equivalence.
    const unsigned options = (findOptions & kCompareCaseInsensitive) | kCompareLiteral;
    const qsizetype count = params.words.size();
    const bool asciiText = params.mode <= kSearchPhrase && isAscii(string);
    switch (params.mode) {
    case kSearchAllWords:
        for (qsizetype i = count; i-- > 0;) {
            if (!containsWord(string, asciiText, params.words.at(i), options))
                return false;
        }
        return true;
    case kSearchAnyWord:
        for (qsizetype i = count; i-- > 0;) {
            if (containsWord(string, asciiText, params.words.at(i), options))
                return true;
        }
        return false;
    case kSearchPhrase:
        return count > 0 && containsWord(string, asciiText, params.words.at(0), options);
    case kSearchWildcards:
        return (params.comparison & 1) ? isCaseInsensitiveLikeUnixWildcard(string, params.wildcard, stop)
                                       : isLikeUnixWildcard(string, params.wildcard, stop);
    case kSearchQueryTerms:
        return params.queryTerms
               && params.queryTerms->matchesStringComparison(string, unsigned(params.comparison), stop);
    case kSearchRegularExpression:
        return params.regex.isValid() && matchesRegularExpression(params.regex, string, params, file);
    default:
        return false;
    }
}

} // namespace

bool searchWindowMatchString(const QString& string, const SearchParams& params, unsigned findOptions)
{
    return matchString(string, params, findOptions, nullptr);
}

// --- which files are content-searched ------------------------------------------------

namespace {

constexpr int kExtensionGroups = 6;

QStringList groupTokens(const UserDefaults& defaults, int group)
{
    QStringList tokens;
    if (!boolForKey(defaults, QStringLiteral("fileExtOn%1").arg(group), defaultFileExtensionsOn(group)))
        return tokens;
    const QString text = stringForKey(defaults, QStringLiteral("fileExt%1").arg(group), defaultFileExtensions(group));
    for (const QString& token : text.split(u','))
        tokens.append(stringByTrimmingWhiteSpaces(token));
    return tokens;
}

bool isTypeToken(const QString& token)
{
    return token.size() == 6 && token.front() == u'\'' && token.back() == u'\'';
}

} // namespace

QString defaultFileExtensions(int group)
{
    switch (group) {
    case 1:
        return QStringLiteral("c, cpp, cp, m, mm, h, java, pl, py, lisp, tcl, f, for, f77, f90, fpp, x, v, pas, p, "
                              "pp, inc, applescript");
    case 2:
        return QStringLiteral("tex, txt, text, log, strings, csv, readme, rtf, markdown, mdtext, mdown, mark, "
                              "mkdown, mmd, mdwn, md, 'TEXT', 'ttro', 'sEXT'");
    case 3:
        return QStringLiteral("htm, html, xhtml, shtml, cfm, css, js, php");
    case 4:
        return QStringLiteral("sh, rc");
    case 5:
        return QStringLiteral("plist, sdef, scriptsuite, scriptterminology, xml, wml, sgm, sgml, dtd");
    case 6:
        return QStringLiteral("eml, emlx, mbox");
    default:
        return {};
    }
}

bool defaultFileExtensionsOn(int group)
{
    return group >= 1 && group <= 3;
}

QStringList fileExtensions(const UserDefaults& defaults)
{
    QStringList extensions;
    for (int group = 1; group <= kExtensionGroups; ++group) {
        for (const QString& token : groupTokens(defaults, group)) {
            if (!token.isEmpty() && token.front() != u'\'')
                extensions.append(unicode::uppercaseString(token));
        }
    }
    return extensions;
}

QList<std::uint32_t> fileTypes(const UserDefaults& defaults)
{
    QList<std::uint32_t> types;
    for (int group = 1; group <= kExtensionGroups; ++group) {
        for (const QString& token : groupTokens(defaults, group)) {
            if (isTypeToken(token))
                types.append(hfsTypeCodeFromFileType(token));
        }
    }
    return types;
}

std::uint32_t hfsTypeCodeFromFileType(const QString& token)
{
    if (!isTypeToken(token))
        return 0;
    std::uint32_t code = 0;
    for (qsizetype i = 1; i <= 4; ++i)
        code = (code << 8) | (token.at(i).unicode() & 0xff);
    return code;
}

// --- the text of a file ------------------------------------------------------------

namespace {

// Reads up to `size` bytes, fewer only at the end of the file; -1 on a read
// error.
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

// A regular file open for reading, closed with the object.
class OpenFile
{
public:
    OpenFile() = default;
    OpenFile(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}
    OpenFile(OpenFile&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)), m_size(other.m_size) {}
    OpenFile& operator=(OpenFile&&) = delete;
    ~OpenFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    [[nodiscard]] int fd() const { return m_fd; }
    [[nodiscard]] std::uint64_t size() const { return m_size; }

private:
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

// Opens a regular file of 1 to maxFileSize - 1 bytes; a larger one is
// skipped with a warning. Non-blocking, so that a pipe or a device never
// stalls the walk; only regular files pass the fstat.
OpenFile openRegularFile(int parentFd, const FileLabel& file, std::uint64_t maxFileSize)
{
    const int fd = ::openat(parentFd, file.name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        // A name gone since the walk saw it, and a socket or a device
        // without its driver (no file to read), are no failure; any other
        // (no permission, too many open files, an I/O error) is said.
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR && error != ENXIO && error != ENODEV)
            logWarning(QStringLiteral("Skipped the contents of %1: %2").arg(file.path(), errorMessage(error)));
        return {};
    }
    struct stat status{};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
        ::close(fd);
        return {};
    }
    if (std::uint64_t(status.st_size) >= maxFileSize) {
        ::close(fd);
        logWarning(QStringLiteral("Skipped the contents of %1: %2 bytes, at or above the limit of %3 bytes")
                       .arg(file.path())
                       .arg(std::uint64_t(status.st_size))
                       .arg(maxFileSize));
        return {};
    }
    return {fd, std::uint64_t(status.st_size)};
}

// Whether an open file's first bytes are a UTF-16 or UTF-32 byte-order
// mark: those files are read in their encoding, whatever follows.
bool startsWideText(const char* data, qsizetype size);

// The converter of the encoding a file's first bytes (at most 4) name by
// their byte-order mark, and how many of them the text skips (a UTF-8
// mark; the UTF-16 and UTF-32 converters read their marks themselves);
// UTF-8 without a mark.
std::pair<const char*, qsizetype> detectedConverter(const char* data, qsizetype size)
{
    if (startsWideText(data, size))
        return {converterOfEncoding(detectEncoding(QByteArray::fromRawData(data, std::min<qsizetype>(size, 4)))), 0};
    const bool utf8Mark = size >= 3 && std::memcmp(data, "\xef\xbb\xbf", 3) == 0;
    return {converterOfEncoding(NSUTF8StringEncoding), utf8Mark ? 3 : 0};
}

// Decodes the rest of an open file, `size` bytes from its offset, in
// `converter`, read in windows through `window` straight into one string:
// no copy of the file's bytes is held beside its text. Null when the
// bytes are not valid in it, on a read error and on a stop.
QString decodeRestOfFile(int fd, std::uint64_t size, const char* converter, QByteArray& window,
                         const StopCheck* stop)
{
    PieceDecoder decoder(converter);
    if (!decoder.isOpen())
        return {};
    // A UTF-16 or UTF-32 text takes at most one unit per two bytes; UTF-8
    // and the byte sets at most one per byte (decodeInto grows it for a set
    // that gives more).
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
        if (!decoder.decodeInto(window.constData(), want, read >= size, text, used))
            return {};
        if (read >= size)
            break;
    }
    PieceDecoder::finishText(text, used);
    return text;
}

// Decodes the whole (open) file: in the character set the file declares
// (`charset`, an ICU converter; null for none), else by its byte-order
// mark, else as UTF-8; null when it cannot be read or held in memory, is
// too long to be read whole (said in a warning), or is no text.
QString readWholeText(int fd, std::uint64_t size, QByteArray& window, const FileLabel& file,
                      const StopCheck* stop = nullptr, const QByteArray& charset = {})
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
        if (!charset.isNull()) {
            QString text = decodeRestOfFile(fd, size, charset.constData(), window, stop);
            // Bytes not valid in the declared set are read as if none were
            // declared.
            if (!text.isNull() || (stop && stop->shouldStop(0)) || ::lseek(fd, 0, SEEK_SET) != 0)
                return text;
        }
        char first[4];
        const qsizetype got = readUpTo(fd, first, qsizetype(std::min<std::uint64_t>(size, 4)));
        if (got < 0)
            return {};
        const auto [converter, skip] = detectedConverter(first, got);
        if (!converter || ::lseek(fd, off_t(skip), SEEK_SET) != off_t(skip))
            return {};
        return decodeRestOfFile(fd, size - std::uint64_t(skip), converter, window, stop);
    } catch (const std::bad_alloc&) {
        logWarning(QStringLiteral("Skipped the contents of %1: its text does not fit in memory").arg(file.path()));
        window = QByteArray();
        return {};
    }
}

// The UTF-16 unit each byte of a single-byte character set stands for, and
// which bytes the set leaves out.
struct ByteUnits
{
    std::array<char16_t, 256> units{};
    std::array<bool, 256> valid{};
};

// The byte units of `converter` when it is a set of one byte a character,
// each one unit; null for any other (multi-byte and stateful sets, UTF-8,
// one that maps a byte to more than one unit, a name ICU does not know).
// Kept per thread by name: a set is asked for once per file.
const ByteUnits* singleByteUnits(const QByteArray& converter)
{
    thread_local std::map<QByteArray, std::optional<ByteUnits>> known;
    const auto [place, added] = known.try_emplace(converter);
    std::optional<ByteUnits>& entry = place->second;
    if (!added)
        return entry ? &*entry : nullptr;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* const icu = ucnv_open(converter.constData(), &status);
    if (U_FAILURE(status))
        return nullptr;
    ucnv_setToUCallBack(icu, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ByteUnits table;
    bool oneUnitEach = U_SUCCESS(status) && ucnv_getMaxCharSize(icu) == 1 && ucnv_getMinCharSize(icu) == 1;
    for (int b = 0; b < 256 && oneUnitEach; ++b) {
        const char byte = char(b);
        UChar units[4];
        status = U_ZERO_ERROR;
        ucnv_reset(icu);
        const std::int32_t length = ucnv_toUChars(icu, units, 4, &byte, 1, &status);
        table.valid[size_t(b)] = U_SUCCESS(status) && length == 1;
        table.units[size_t(b)] = table.valid[size_t(b)] ? char16_t(units[0]) : u'\0';
        oneUnitEach = U_FAILURE(status) || length == 1;
    }
    ucnv_close(icu);
    if (oneUnitEach)
        entry = table;
    return entry ? &*entry : nullptr;
}

// The whole-text wildcard or regular expression of a file in a declared
// set of one byte a character, matched on its bytes: the text in UTF-16
// would take twice the file. Null when the set is not such a one or the
// bytes are not all valid in it (the file is then read as if none were
// declared); NO when the file cannot be read, is too long to be searched
// whole (left to readWholeText, which says so) or on a stop.
std::optional<bool> matchesDeclaredBytes(int fd, std::uint64_t size, const QByteArray& charset,
                                         const SearchParams& params, const StopCheck& stop, const FileLabel& file)
{
    const ByteUnits* table = singleByteUnits(charset);
    if (table == nullptr || size >= kLongestWholeFile)
        return std::nullopt;
    // Its own, not the thread's buffer: the file's size is not kept after it.
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (readUpTo(fd, bytes.data(), bytes.size()) != bytes.size() || stop.shouldStop(size))
        return false;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    if (!std::all_of(data, data + bytes.size(), [table](unsigned char b) { return table->valid[b]; }))
        return std::nullopt;
    // An empty file matches nothing, as its text does not (an expression
    // such as ".*" would find the empty match in it).
    if (bytes.isEmpty())
        return false;
    if (params.mode == kSearchRegularExpression)
        return params.regex.isValid()
               && matchesRegularExpressionInBytes(params.regex, bytes, table->units, params, &file);
    return isLikeUnixWildcardInBytes(bytes, table->units.data(), params.wildcard, params.comparison & 1, &stop);
}

} // namespace

QString textContentsAtPath(const QByteArray& path, std::uint64_t maxFileSize)
{
    if (path.isEmpty())
        return {};
    const FileLabel label{{}, path};
    const OpenFile file = openRegularFile(AT_FDCWD, label, maxFileSize);
    if (!file.isOpen())
        return {};
    QByteArray bytes;
    return readWholeText(file.fd(), file.size(), bytes, label, nullptr, declaredCharsetOfFile(file.fd()).converter);
}

// --- matching the contents of files ---------------------------------------------------

ContentBuffer::ContentBuffer(ContentBuffer&& other) noexcept
    : m_bytes(std::move(other.m_bytes)), m_text(std::move(other.m_text)),
      m_touched(std::exchange(other.m_touched, 0)),
      m_bytesMatched(other.bytesMatched())
{
}

ContentBuffer& ContentBuffer::operator=(ContentBuffer&& other) noexcept
{
    m_bytes = std::move(other.m_bytes);
    m_text = std::move(other.m_text);
    m_touched = std::exchange(other.m_touched, 0);
    m_bytesMatched.store(other.bytesMatched(), std::memory_order_relaxed);
    return *this;
}

void ContentBuffer::touchPages()
{
    if (m_bytes.capacity() == 0 || m_bytes.capacity() == m_touched)
        return;
    // Resizing within the capacity keeps the memory (QByteArray shrinks
    // only on squeeze or clear).
    m_bytes.resize(m_bytes.capacity());
    std::memset(m_bytes.data(), 0, size_t(m_bytes.size()));
    m_bytes.resize(0);
    m_touched = m_bytes.capacity();
}

void ContentBuffer::releaseLargeBytes()
{
    if (m_bytes.capacity() > kLargestKeptBuffer) {
        m_bytes = QByteArray();
        m_touched = 0;
    }
}

struct ContentMatcher::Plan
{
    enum class Kind { Decoded, Words, Literal };
    Kind kind = Kind::Decoded;

    // Words: the words of modes 0 to 2 and how many must be found.
    QStringList words;
    qsizetype enough = 0;
    unsigned findOptions = kCompareLiteral;
    bool ignoreCase = false;
    // Literal plans: any non-ASCII byte may match the literal's letters
    // (so such a file is always matched in full).
    bool nonAsciiMayMatch = false;
    struct Word
    {
        // The word's bytes, or ignoring case the ASCII folding of a word
        // that folds to ASCII; found this way, a match is checked by the
        // platform's find only where a non-ASCII character follows.
        std::optional<ByteFinder> bytes;
        // Ignoring case, the characters other than ASCII that a match may
        // cover, as groups of UTF-8 forms (a character and its case
        // variants), and whether a match covers one of every group (a
        // word folding to something else than ASCII: one group per such
        // character of its folding) or of any group (a word folding to
        // ASCII: the characters whose folding it holds, such as U+017F for
        // "s"; its other matches are all ASCII). The text around those
        // places is decoded and folded for the platform's find.
        std::vector<std::vector<char32_t>> groups;
        bool everyGroup = false;
        std::optional<StringSetFinder> alone;
        // Bytes around an anchor that hold every match covering it and the
        // character after that match.
        qsizetype margin = 0;
    };
    std::vector<Word> wordPlans;
    // The words with byte finders by their rarest two neighbouring bytes
    // (ASCII letters in lower case when ignoring case), so that many words
    // are found in one pass: a bit per pair, and the words of each pair
    // with the pair's offset in them; words of one byte by that byte.
    std::vector<std::uint64_t> pairBits = std::vector<std::uint64_t>(1024, 0);
    std::unordered_map<std::uint16_t, std::vector<std::pair<qsizetype, qsizetype>>> pairWords;
    std::array<std::vector<qsizetype>, 256> singleByteWords;
    qsizetype byteWordCount = 0;
    // The UTF-8 finder of each character a group names.
    std::map<char32_t, ByteFinder> characterFinders;
    // All words at once: the longest folded word, which the overlap of
    // the windows must hold.
    std::optional<StringSetFinder> setFinder;
    // Bytes read at a time, and bytes one window repeats of the one
    // before it.
    qsizetype window = kContentWindowBytes;
    qsizetype overlap = 0;
    // The NUL bytes that stand for a hole of the file; 0 when a match may
    // hold a NUL, so that holes are read.
    qsizetype holeRun = 0;

    // Regular expression: the literal text every match holds.
    std::optional<ByteFinder> literal;
};

namespace {

bool isAsciiText(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool hasLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

// The key of two bytes, lower case first when ignoring case.
std::uint16_t pairKey(char first, char second, bool ignoreCase)
{
    const auto fold = [ignoreCase](char c) {
        const auto u = static_cast<unsigned char>(c);
        return ignoreCase && u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u;
    };
    return static_cast<std::uint16_t>(fold(first) | (fold(second) << 8));
}

void planWords(ContentMatcher::Plan& plan, const SearchParams& params)
{
    const qsizetype count = params.words.size();
    if (count == 0)
        return;
    plan.words = params.mode == kSearchPhrase ? params.words.mid(0, 1) : params.words.mid(0, count);
    // A word that is no valid UTF-16 has no UTF-8 bytes to look for.
    if (std::any_of(plan.words.begin(), plan.words.end(), [](const QString& w) { return hasLoneSurrogate(w); }))
        return;
    plan.kind = ContentMatcher::Plan::Kind::Words;
    plan.enough = params.mode == kSearchAllWords ? plan.words.size() : 1;
    plan.ignoreCase = params.comparison & 1;
    plan.findOptions = kCompareLiteral | (plan.ignoreCase ? unsigned(kCompareCaseInsensitive) : 0u);
    plan.setFinder.emplace(plan.words, plan.findOptions);
    // The characters that fold to ASCII, with their foldings.
    std::vector<std::pair<char32_t, QString>> foldingToAscii;
    if (plan.ignoreCase) {
        for (const char32_t c : charactersFoldingToAscii())
            foldingToAscii.emplace_back(c, foldedCase(QStringView(QChar::fromUcs4(c))));
    }
    qsizetype longest = 0;
    for (const QString& word : plan.words) {
        ContentMatcher::Plan::Word& wordPlan = plan.wordPlans.emplace_back();
        const QString folded = plan.ignoreCase ? foldedCase(word) : word;
        wordPlan.margin = 4 * folded.size() + 8;
        longest = std::max(longest, std::max(word.size(), folded.size()));
        if (!plan.ignoreCase) {
            wordPlan.bytes.emplace(word.toUtf8(), false);
            continue;
        }
        wordPlan.alone.emplace(QStringList{word}, plan.findOptions);
        if (isAsciiText(folded)) {
            wordPlan.bytes.emplace(folded.toLatin1(), true);
            // One code point's folding is never split by a match, so only
            // characters whose whole folding is in the word's can be in one.
            std::vector<char32_t>& group = wordPlan.groups.emplace_back();
            for (const auto& [c, folding] : foldingToAscii) {
                if (folded.contains(folding))
                    group.push_back(c);
            }
        } else {
            wordPlan.everyGroup = true;
            QList<uint> points = folded.toUcs4();
            std::sort(points.begin(), points.end());
            points.erase(std::unique(points.begin(), points.end()), points.end());
            for (const uint c : points) {
                if (c >= 0x80)
                    wordPlan.groups.push_back(caseVariants(char32_t(c)));
            }
        }
        for (const std::vector<char32_t>& group : wordPlan.groups) {
            for (const char32_t c : group)
                plan.characterFinders.try_emplace(c, QStringView(QChar::fromUcs4(c)).toUtf8(), false);
        }
    }
    for (qsizetype i = 0; i < plan.words.size(); ++i) {
        const std::optional<ByteFinder>& bytes = plan.wordPlans[size_t(i)].bytes;
        if (!bytes || bytes->size() == 0)
            continue;
        ++plan.byteWordCount;
        const QByteArray& needle = bytes->needle();
        if (needle.size() == 1) {
            plan.singleByteWords[static_cast<unsigned char>(needle[0])].push_back(i);
            continue;
        }
        const qsizetype offset = rarestPair(needle);
        const auto key = pairKey(needle[offset], needle[offset + 1], false);
        plan.pairBits[key >> 6] |= std::uint64_t(1) << (key & 63);
        plan.pairWords[key].emplace_back(i, offset);
    }
    plan.overlap = 4 * std::max(longest, plan.setFinder->longestNeedle()) + 4;
    const bool holdsNul = std::any_of(plan.words.begin(), plan.words.end(), [](const QString& w) { return w.contains(QChar(0)); });
    plan.holeRun = holdsNul ? 0 : plan.overlap + 1;
}

void planRegularExpression(ContentMatcher::Plan& plan, const SearchParams& params)
{
    plan.kind = ContentMatcher::Plan::Kind::Decoded;
    if (!params.regex.isValid() || params.words.isEmpty())
        return;
    const QString literal = requiredLiteral(params.words.first());
    const bool ignoreCase = params.comparison & 1;
    // Ignoring case, only an ASCII literal has a byte finder.
    if (literal.isEmpty() || hasLoneSurrogate(literal) || (ignoreCase && !isAsciiText(literal)))
        return;
    plan.kind = ContentMatcher::Plan::Kind::Literal;
    plan.literal.emplace(literal.toUtf8(), ignoreCase);
    plan.ignoreCase = ignoreCase;
    plan.holeRun = literal.contains(QChar(0)) ? 0 : 1;
}

// The longest run of letters, digits and marks in a query term: a hit of
// the term is made of text units equal to its units, except for "*", "?",
// sets and the separators between the words of a phrase.
QString termLiteral(const QString& term)
{
    QString best;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= term.size(); ++i) {
        const QChar c = i < term.size() ? term.at(i) : QChar();
        if (i < term.size() && (c.isLetterOrNumber() || c.isMark()) && !c.isSurrogate())
            continue;
        if (i - runStart > best.size())
            best = term.mid(runStart, i - runStart);
        if (c == u'[') {
            const qsizetype close = term.indexOf(u']', i + 1);
            i = close < 0 ? term.size() : close;
        }
        runStart = i + 1;
    }
    return best;
}

// Adds to `required` the literals of the leaves every match of `node` must
// hit, following how a group is evaluated: left to right, AND adding the
// next child's, a proximity operator keeping what was required, OR and XOR
// requiring nothing sure. A negated node requires nothing.
void addRequiredTermLiterals(const QueryTerms& node, QStringList& required)
{
    if (node.queryNot())
        return;
    if (node.isWord()) {
        const QString literal = termLiteral(node.term());
        if (!literal.isEmpty())
            required.append(literal);
        return;
    }
    const std::vector<QueryTerms>& children = node.children();
    if (children.empty())
        return;
    QStringList group;
    addRequiredTermLiterals(children.front(), group);
    const QueryOperator common = node.commonOperator();
    for (std::size_t k = 1; k < children.size(); ++k) {
        const QueryTerms& child = children[k];
        QueryOperator op = common == kQueryOr ? kQueryOr : child.queryOperator();
        const bool proximity = op == kQueryNear || op == kQueryBefore || op == kQueryAfter || op == kQueryNext;
        if (proximity && child.proximityDistance() == 0)
            op = kQueryAnd;
        if (op == kQueryAnd)
            addRequiredTermLiterals(child, group);
        else if (op == kQueryOr || op == kQueryXor)
            group.clear();
        // Proximity: the running result must hold before; OPT changes nothing.
    }
    required += group;
}

// Query terms: files without the longest literal some required term holds
// are never decoded. Only where the comparison is exact or ignores case
// alone; ignoring case, only an ASCII literal, and any file with non-ASCII
// bytes is matched in full.
void planQueryTerms(ContentMatcher::Plan& plan, const SearchParams& params)
{
    plan.kind = ContentMatcher::Plan::Kind::Decoded;
    const bool ignoreCase = params.comparison & kComparisonIgnoreCase;
    if (!params.queryTerms || (params.comparison & ~std::uint64_t(kComparisonIgnoreCase)) != 0)
        return;
    QStringList required;
    addRequiredTermLiterals(*params.queryTerms, required);
    QString literal;
    for (const QString& candidate : std::as_const(required)) {
        if ((!ignoreCase || isAsciiText(candidate)) && candidate.size() > literal.size())
            literal = candidate;
    }
    if (literal.isEmpty())
        return;
    plan.kind = ContentMatcher::Plan::Kind::Literal;
    plan.literal.emplace(literal.toUtf8(), ignoreCase);
    plan.ignoreCase = false;
    plan.nonAsciiMayMatch = ignoreCase;
    plan.holeRun = 1;
}

bool hasByteOrderMark(const char* data, qsizetype size, const char* mark, qsizetype length)
{
    return size >= length && std::memcmp(data, mark, size_t(length)) == 0;
}

// UTF-16 and UTF-32 files announce themselves by their first bytes; they
// are decoded whole.
bool startsWideText(const char* data, qsizetype size)
{
    return hasByteOrderMark(data, size, "\xff\xfe", 2) || hasByteOrderMark(data, size, "\xfe\xff", 2)
           || hasByteOrderMark(data, size, "\x00\x00\xfe\xff", 4);
}

// The first window of a file, with room for the overlap of the next: the
// bytes read, fewer than asked for where the file is shorter than its size
// said (never the buffer's bytes from the file before).
qsizetype readFirstWindow(int fd, std::uint64_t size, QByteArray& bytes, qsizetype window, qsizetype overlap)
{
    const qsizetype wanted = qsizetype(std::min<std::uint64_t>(size, std::uint64_t(window)));
    bytes.reserve(overlap + window + 8);
    bytes.resize(wanted);
    const qsizetype got = readUpTo(fd, bytes.data(), wanted);
    bytes.resize(std::max<qsizetype>(got, 0));
    return got;
}

// Moves the bytes from `keep` on to the front and reads the next window
// after them; NO on a read error or a file that shrank. With `holeRun` > 0
// a hole of the file (NUL bytes that take no disk space) longer than that
// is read as only `holeRun` NUL bytes: when no match can hold a NUL, the
// answer is the same and a sparse file costs nothing to skip.
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

// Whether the bytes of an open file from `from` in `bytes` (which hold it
// up to `read`) to its end are UTF-8, read on in the plan's windows; NO as
// well on a read error or a stop.
bool isRestUtf8(int fd, std::uint64_t size, QByteArray& bytes, qsizetype from, std::uint64_t read,
                const ContentMatcher::Plan& plan, const std::atomic<bool>& stop)
{
    for (qsizetype validated = from;;) {
        const bool atEnd = read >= size;
        const qsizetype end =
            atEnd ? bytes.size() : std::max(validated, utf8CutPoint(bytes.constData(), bytes.size()));
        if (!isValidUtf8(bytes.constData() + validated, end - validated))
            return false;
        if (atEnd)
            return true;
        if (stop.load(std::memory_order_relaxed)
            || !readNextWindow(fd, size, bytes, plan.window, end, read, plan.holeRun))
            return false;
        validated = 0;
    }
}

} // namespace

ContentMatcher::ContentMatcher(const SearchParams& params, qsizetype windowBytes) : m_params(params)
{
    auto plan = std::make_unique<Plan>();
    if (params.mode <= kSearchPhrase)
        planWords(*plan, params);
    else if (params.mode == kSearchRegularExpression)
        planRegularExpression(*plan, params);
    else if (params.mode == kSearchQueryTerms)
        planQueryTerms(*plan, params);
    // A window always moves on by more than it repeats.
    const qsizetype repeated = plan->literal ? plan->literal->size() + 4 : plan->overlap;
    plan->window = std::max(windowBytes, repeated + 16);
    m_plan = std::move(plan);
}

ContentMatcher::~ContentMatcher() = default;

namespace {

// From this many words with bytes on, a window is searched for them in one
// pass instead of one scan each.
constexpr qsizetype kOnePassWords = 8;

// The words of a plan searched in windows of one file, with what each
// window found.
class WordSearch
{
public:
    WordSearch(const ContentMatcher::Plan& plan, const std::atomic<bool>& stop,
               std::atomic<std::uint64_t>& bytesMatched)
        : m_plan(plan), m_stop(stop), m_bytesMatched(bytesMatched), m_found(size_t(plan.words.size()), 0)
    {
    }

    [[nodiscard]] bool isDecided() const { return m_marked >= m_plan.enough; }
    [[nodiscard]] bool isStopped() const { return m_stop.load(std::memory_order_relaxed); }

    // Searches valid UTF-8 for the words not found yet; `textGoesOn` when
    // more of the text follows. NO when stopped.
    bool searchUtf8(const char* data, qsizetype size, bool textGoesOn)
    {
        m_places.clear();
        m_holdsNonAscii.reset();
        // Many words: one pass over the window for all those with bytes.
        const bool onePass = m_plan.byteWordCount - m_marked >= kOnePassWords;
        if (onePass && !findWordsInOnePass(data, size, textGoesOn))
            return false;
        for (qsizetype i = 0; i < m_plan.words.size() && !isDecided(); ++i) {
            if (m_found[size_t(i)])
                continue;
            if (isStopped())
                return false;
            const ContentMatcher::Plan::Word& word = m_plan.wordPlans[size_t(i)];
            bool found = word.bytes && !onePass && findWord(i, data, size, textGoesOn);
            if (!found && !word.groups.empty() && holdsNonAscii(data, size))
                found = findAround(i, data, size, textGoesOn, placesToFold(word, data, size));
            if (found) {
                m_found[size_t(i)] = 1;
                ++m_marked;
            }
        }
        return !isStopped();
    }

private:
    // Whether word i is in the bytes by the platform's find: each place the
    // bytes hold it, unless a character follows that the match may not end
    // before (a combining mark), which only the platform's find decides.
    bool findWord(qsizetype i, const char* data, qsizetype size, bool textGoesOn) const
    {
        m_bytesMatched.fetch_add(std::uint64_t(size), std::memory_order_relaxed);
        const ByteFinder& finder = *m_plan.wordPlans[size_t(i)].bytes;
        for (qsizetype at = finder.find(data, size, 0); at >= 0; at = finder.find(data, size, at + 1)) {
            if (isMatchAt(i, data, size, at, textGoesOn))
                return true;
        }
        return false;
    }

    // Whether the bytes of word i at `at` are a match: unless a character
    // follows that the match may not end before (a combining mark), which
    // only the platform's find decides.
    bool isMatchAt(qsizetype i, const char* data, qsizetype size, qsizetype at, bool textGoesOn) const
    {
        const qsizetype end = at + m_plan.wordPlans[size_t(i)].bytes->size();
        if (end == size)
            return !textGoesOn; // else the next window repeats it with what follows
        const auto next = static_cast<unsigned char>(data[end]);
        if (next < 0x80)
            return true;
        const qsizetype nextLength = next >= 0xF0 ? 4 : next >= 0xE0 ? 3 : 2;
        const QString piece = decodeValidUtf8(data + at, std::min(size, end + nextLength) - at);
        return findString(piece, m_plan.words.at(i), m_plan.findOptions | kCompareAnchored).location == 0;
    }

    // Every word with bytes in one pass, by the two bytes at each place.
    // NO when stopped.
    bool findWordsInOnePass(const char* data, qsizetype size, bool textGoesOn)
    {
        constexpr qsizetype kStopCheckBytes = 1 << 16;
        const auto* bytes = reinterpret_cast<const unsigned char*>(data);
        const auto consider = [&](qsizetype i, qsizetype at) {
            if (m_found[size_t(i)] || !m_plan.wordPlans[size_t(i)].bytes->isAt(data, size, at)
                || !isMatchAt(i, data, size, at, textGoesOn))
                return;
            m_found[size_t(i)] = 1;
            ++m_marked;
        };
        for (qsizetype at = 0; at < size && !isDecided(); ++at) {
            if (at % kStopCheckBytes == 0) {
                if (isStopped())
                    return false;
                m_bytesMatched.fetch_add(std::uint64_t(std::min(kStopCheckBytes, size - at)),
                                         std::memory_order_relaxed);
            }
            const unsigned char first = m_plan.ignoreCase && bytes[at] >= 'A' && bytes[at] <= 'Z'
                                            ? static_cast<unsigned char>(bytes[at] + 32)
                                            : bytes[at];
            for (const qsizetype i : m_plan.singleByteWords[first])
                consider(i, at);
            if (at + 1 >= size)
                break;
            const std::uint16_t key = pairKey(data[at], data[at + 1], m_plan.ignoreCase);
            if (!(m_plan.pairBits[key >> 6] & (std::uint64_t(1) << (key & 63))))
                continue;
            for (const auto& [i, offset] : m_plan.pairWords.at(key)) {
                if (at >= offset)
                    consider(i, at - offset);
            }
        }
        return true;
    }

    // Whether the window holds a byte above ASCII, looked at once per
    // window: every character of a group is, and most windows of most
    // files hold none.
    bool holdsNonAscii(const char* data, qsizetype size)
    {
        if (!m_holdsNonAscii)
            m_holdsNonAscii = !holdsOnlyAscii(data, size);
        return *m_holdsNonAscii;
    }

    // The places of one character in the window, found once per window.
    const std::vector<qsizetype>& placesOf(char32_t c, const char* data, qsizetype size)
    {
        auto [entry, isNew] = m_places.try_emplace(c);
        if (isNew && !isStopped()) {
            const ByteFinder& finder = m_plan.characterFinders.at(c);
            m_bytesMatched.fetch_add(std::uint64_t(size), std::memory_order_relaxed);
            for (qsizetype at = finder.find(data, size, 0); at >= 0; at = finder.find(data, size, at + 1))
                entry->second.push_back(at);
        }
        return entry->second;
    }

    // The places where the text must be folded to find the word, ascending:
    // those of its sparsest group when it needs every group (none when one
    // is missing), else those of all its groups.
    const std::vector<qsizetype>& placesToFold(const ContentMatcher::Plan::Word& word, const char* data,
                                               qsizetype size)
    {
        m_positions.clear();
        if (!word.everyGroup) {
            for (const char32_t c : word.groups.front()) {
                const std::vector<qsizetype>& places = placesOf(c, data, size);
                m_positions.insert(m_positions.end(), places.begin(), places.end());
            }
            std::sort(m_positions.begin(), m_positions.end());
            return m_positions;
        }
        // Groups are never empty here (a character is its own variant).
        size_t sparsest = 0;
        size_t fewest = SIZE_MAX;
        for (size_t g = 0; g < word.groups.size(); ++g) {
            size_t count = 0;
            for (const char32_t c : word.groups[g])
                count += placesOf(c, data, size).size();
            if (count < fewest) {
                fewest = count;
                sparsest = g;
            }
        }
        if (fewest == 0)
            return m_positions;
        for (const char32_t c : word.groups[sparsest]) {
            const std::vector<qsizetype>& places = placesOf(c, data, size);
            m_positions.insert(m_positions.end(), places.begin(), places.end());
        }
        std::sort(m_positions.begin(), m_positions.end());
        return m_positions;
    }

    // Whether word i is found by the platform's find in the text around
    // `positions` (ascending): regions of the word's margin on both sides,
    // merged where they meet, each decoded and folded.
    bool findAround(qsizetype i, const char* data, qsizetype size, bool textGoesOn,
                    const std::vector<qsizetype>& positions)
    {
        const ContentMatcher::Plan::Word& word = m_plan.wordPlans[size_t(i)];
        const auto isContinuation = [data](qsizetype at) {
            return (static_cast<unsigned char>(data[at]) & 0xC0) == 0x80;
        };
        for (size_t k = 0; k < positions.size();) {
            qsizetype from = std::max<qsizetype>(0, positions[k] - word.margin);
            qsizetype to = std::min(size, positions[k] + word.margin);
            while (++k < positions.size() && positions[k] - word.margin <= to)
                to = std::min(size, positions[k] + word.margin);
            while (from < to && isContinuation(from))
                ++from;
            while (to < size && to > from && isContinuation(to))
                --to;
            if (isStopped())
                return false;
            m_bytesMatched.fetch_add(std::uint64_t(to - from), std::memory_order_relaxed);
            std::vector<char> found(1, 0);
            if (word.alone->findIn(decodeValidUtf8(data + from, to - from), found, 1, to < size || textGoesOn,
                                   [this] { return isStopped(); })
                > 0)
                return true;
        }
        return false;
    }

    const ContentMatcher::Plan& m_plan;
    const std::atomic<bool>& m_stop;
    std::atomic<std::uint64_t>& m_bytesMatched;
    std::vector<char> m_found;
    qsizetype m_marked = 0;
    std::vector<qsizetype> m_positions;
    std::map<char32_t, std::vector<qsizetype>> m_places;
    std::optional<bool> m_holdsNonAscii; // of the window, once looked at
};

} // namespace

bool ContentMatcher::matchesFile(int parentFd, const QByteArray& name, ContentBuffer& buffer,
                                 const QByteArray& folderPath) const
{
    if (name.isEmpty() || m_params.stop.load(std::memory_order_relaxed))
        return false;
    const FileLabel label{folderPath, name};
    const OpenFile file = openRegularFile(parentFd, label, m_params.maxFileSize);
    if (!file.isOpen())
        return false;
    const QByteArray charset = declaredConverter(file.fd(), label);
    // A file read whole leaves the buffer at its size: given back after it,
    // so that each thread does not keep the largest file it met.
    const struct ReleaseLargeBytes
    {
        ContentBuffer& buffer;
        ~ReleaseLargeBytes() { buffer.releaseLargeBytes(); }
    } release{buffer};
    try {
        switch (m_plan->kind) {
        case Plan::Kind::Words:
            if (!charset.isNull())
                return matchesDeclaredWords(file.fd(), file.size(), charset, buffer);
            return matchesWords(file.fd(), file.size(), buffer);
        case Plan::Kind::Literal:
            // The literal's UTF-8 bytes are not those of a declared set.
            if (charset.isNull()
                && (!mayHoldLiteral(file.fd(), file.size(), buffer) || ::lseek(file.fd(), 0, SEEK_SET) != 0))
                return false;
            break;
        case Plan::Kind::Decoded:
            break;
        }
        const StopCheck stop{&m_params.stop, &buffer.m_bytesMatched};
        QByteArray textCharset = charset;
        if ((m_params.mode == kSearchWildcards || m_params.mode == kSearchRegularExpression) && !charset.isNull()) {
            if (const std::optional<bool> found =
                    matchesDeclaredBytes(file.fd(), file.size(), charset, m_params, stop, label))
                return *found && !stop.shouldStop(0);
            if (::lseek(file.fd(), 0, SEEK_SET) != 0)
                return false;
            // Bytes the set leaves out: read as if none were declared (a
            // set of more than one byte a character is decoded as before).
            if (singleByteUnits(charset) != nullptr)
                textCharset = QByteArray();
        }
        const QString text = readWholeText(file.fd(), file.size(), buffer.m_bytes, label, &stop, textCharset);
        return !text.isEmpty() && matchString(text, m_params, unsigned(m_params.comparison & 1), &stop, &label)
               && !stop.shouldStop(0);
    } catch (const std::bad_alloc&) {
        logWarning(QStringLiteral("Skipped the contents of %1: no memory for its windows").arg(label.path()));
        return false;
    }
}

void ContentMatcher::prepare(ContentBuffer& buffer) const
{
    // A decoded search reads each file whole, at its size.
    if (m_plan->kind != Plan::Kind::Decoded)
        buffer.m_bytes.reserve(m_plan->overlap + m_plan->window + 8);
}

bool ContentMatcher::matchesFileDecoded(int parentFd, const QByteArray& name, ContentBuffer& buffer) const
{
    const FileLabel label{{}, name};
    const OpenFile file = openRegularFile(parentFd, label, m_params.maxFileSize);
    if (!file.isOpen())
        return false;
    const QString text = readWholeText(file.fd(), file.size(), buffer.m_bytes, label, nullptr,
                                       declaredConverter(file.fd(), label));
    return !text.isEmpty() && searchWindowMatchString(text, m_params, unsigned(m_params.comparison & 1));
}

QByteArray ContentMatcher::declaredConverter(int fd, const FileLabel& file) const
{
    const DeclaredCharset declared = declaredCharsetOfFile(fd);
    // One warning per search, however many files declare names ICU knows
    // nothing of.
    if (declared.isUnknown() && !m_warnedOfCharset.exchange(true, std::memory_order_relaxed))
        logWarning(QStringLiteral("Read %1 without its declared character set \"%2\": no converter has that name")
                       .arg(file.path(), QString::fromLatin1(declared.name.left(64))));
    return declared.converter;
}

bool ContentMatcher::matchesDeclaredWords(int fd, std::uint64_t size, const QByteArray& charset,
                                          ContentBuffer& buffer) const
{
    if (const std::optional<bool> found = matchesDecodedWords(fd, size, charset.constData(), buffer))
        return *found;
    // Bytes not valid in the declared set are read as if none were declared.
    return !m_params.stop.load(std::memory_order_relaxed) && ::lseek(fd, 0, SEEK_SET) == 0
           && matchesWords(fd, size, buffer);
}

std::optional<bool> ContentMatcher::matchesDecodedWords(int fd, std::uint64_t size, const char* converter,
                                                        ContentBuffer& buffer) const
{
    const Plan& plan = *m_plan;
    PieceDecoder decoder(converter);
    if (!decoder.isOpen())
        return std::nullopt;
    QByteArray& bytes = buffer.m_bytes;
    QByteArray& utf8 = buffer.m_text;
    bytes.reserve(plan.window);
    utf8.resize(0);
    WordSearch search(plan, m_params.stop, buffer.m_bytesMatched);
    // Each window's text goes after the end of the one before (the
    // overlap), as UTF-8, through the UTF-8 search. After a match the rest
    // is still decoded: bytes not valid in the set anywhere make the file
    // no text in it.
    for (std::uint64_t read = 0;;) {
        if (m_params.stop.load(std::memory_order_relaxed))
            return false;
        const qsizetype want = qsizetype(std::min<std::uint64_t>(size - read, std::uint64_t(plan.window)));
        bytes.resize(want);
        if (readUpTo(fd, bytes.data(), want) != want)
            return false;
        read += std::uint64_t(want);
        const bool atEnd = read >= size;
        if (!decoder.appendUtf8(bytes.constData(), want, atEnd, utf8))
            return std::nullopt;
        if (search.isDecided())
            buffer.m_bytesMatched.fetch_add(std::uint64_t(utf8.size()), std::memory_order_relaxed);
        else if (!search.searchUtf8(utf8.constData(), utf8.size(), !atEnd))
            return false;
        if (atEnd)
            return search.isDecided();
        // Keep the overlap, from a character's start.
        qsizetype keep = search.isDecided() ? utf8.size() : std::max<qsizetype>(0, utf8.size() - plan.overlap);
        while (keep < utf8.size() && (static_cast<unsigned char>(utf8[keep]) & 0xC0) == 0x80)
            ++keep;
        std::memmove(utf8.data(), utf8.constData() + keep, size_t(utf8.size() - keep));
        utf8.resize(utf8.size() - keep);
    }
}

bool ContentMatcher::matchesWords(int fd, std::uint64_t size, ContentBuffer& buffer) const
{
    const Plan& plan = *m_plan;
    QByteArray& bytes = buffer.m_bytes;
    WordSearch search(plan, m_params.stop, buffer.m_bytesMatched);
    if (readFirstWindow(fd, size, bytes, plan.window, plan.overlap) <= 0)
        return false;
    if (startsWideText(bytes.constData(), bytes.size())) {
        // A file marked UTF-16 or UTF-32 that is not valid in it is no
        // UTF-8 either (its mark is not).
        const char* converter = detectedConverter(bytes.constData(), bytes.size()).first;
        if (::lseek(fd, 0, SEEK_SET) != 0)
            return false;
        return matchesDecodedWords(fd, size, converter, buffer).value_or(false);
    }
    // The text starts after a UTF-8 byte-order mark.
    const qsizetype textStart = hasByteOrderMark(bytes.constData(), bytes.size(), "\xef\xbb\xbf", 3) ? 3 : 0;
    // The words are looked for before the bytes are known to be UTF-8: a
    // file that is not UTF-8 is no text and never matches, and on one that
    // is, the search answers as it does on validated bytes; so only a file
    // that holds a match needs validating, then whole. Only the first
    // window of a larger file is validated before more is read: a file in
    // another encoding or none (Latin-1 text, binary data) shows it there
    // almost always, and is left after one window instead of read whole.
    std::uint64_t read = std::uint64_t(bytes.size());
    qsizetype start = textStart;
    for (bool firstWindow = true;; firstWindow = false) {
        const qsizetype filled = bytes.size();
        const bool atEnd = read >= size;
        const qsizetype end = atEnd ? filled : start + utf8CutPoint(bytes.constData() + start, filled - start);
        if (!search.searchUtf8(bytes.constData() + start, end - start, !atEnd))
            return false;
        if (search.isDecided())
            break;
        if (atEnd || (firstWindow && !isValidUtf8(bytes.constData() + start, end - start)))
            return false;
        // Keep the overlap, from a character's start.
        qsizetype keep = std::max(start, end - plan.overlap);
        while (keep < end && (static_cast<unsigned char>(bytes[keep]) & 0xC0) == 0x80)
            ++keep;
        start = 0;
        if (!readNextWindow(fd, size, bytes, plan.window, keep, read, plan.holeRun))
            return false;
    }
    // The buffer still holds the file from its start when the match was in
    // the first window (always so for a file of one window); else the file
    // is read again from its start.
    if (read != std::uint64_t(bytes.size())) {
        if (::lseek(fd, 0, SEEK_SET) != 0 || readFirstWindow(fd, size, bytes, plan.window, 0) <= 0)
            return false;
        read = std::uint64_t(bytes.size());
    }
    return isRestUtf8(fd, size, bytes, textStart, read, plan, m_params.stop);
}

bool ContentMatcher::mayHoldLiteral(int fd, std::uint64_t size, ContentBuffer& buffer) const
{
    const Plan& plan = *m_plan;
    const ByteFinder& literal = *plan.literal;
    QByteArray& bytes = buffer.m_bytes;
    // Room for the literal and for a character that folds to ASCII.
    const qsizetype overlap = literal.size() + 4;
    if (readFirstWindow(fd, size, bytes, plan.window, overlap) <= 0)
        return false;
    if (startsWideText(bytes.constData(), bytes.size()))
        return true;
    std::uint64_t read = std::uint64_t(bytes.size());
    for (;;) {
        if (m_params.stop.load(std::memory_order_relaxed))
            return false;
        buffer.m_bytesMatched.fetch_add(std::uint64_t(bytes.size()), std::memory_order_relaxed);
        // Characters whose case folding gives ASCII could match the
        // literal's letters in the expression; only the expression knows.
        if (literal.find(bytes.constData(), bytes.size(), 0) >= 0
            || (plan.ignoreCase && holdsCharacterFoldingToAscii(bytes.constData(), bytes.size()))
            || (plan.nonAsciiMayMatch && !holdsOnlyAscii(bytes.constData(), bytes.size())))
            return true;
        if (read >= size)
            return false;
        if (!readNextWindow(fd, size, bytes, plan.window, std::max<qsizetype>(0, bytes.size() - overlap), read,
                            plan.holeRun > 0 ? overlap + 1 : 0))
            return false;
    }
}

QString requiredLiteral(const QString& pattern)
{
    QString best;
    QString run;
    const auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    // Drops the last character of the run: a quantifier may repeat it zero times.
    const auto dropLast = [&] {
        if (!run.isEmpty())
            run.chop(run.size() >= 2 && run.back().isLowSurrogate() ? 2 : 1);
        endRun();
    };
    // The index of the "]" that ends the set opening at `i`, or -1; sets nest.
    const auto setEnd = [&pattern](qsizetype i) -> qsizetype {
        int nesting = 0;
        for (qsizetype j = i; j < pattern.size(); ++j) {
            const char16_t u = pattern.at(j).unicode();
            if (u == u'\\') {
                ++j;
            } else if (u == u'[') {
                ++nesting;
                // A "]" first in a set (or after "^") is a plain character.
                if (j + 1 < pattern.size() && pattern.at(j + 1) == u'^')
                    ++j;
                if (j + 1 < pattern.size() && pattern.at(j + 1) == u']')
                    ++j;
            } else if (u == u']' && --nesting == 0) {
                return j;
            }
        }
        return -1;
    };
    int depth = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        const char16_t u = c.unicode();
        if (depth > 0) {
            // Inside a group nothing is required, but its end must be found.
            if (u == u'\\')
                ++i;
            else if (u == u'(')
                ++depth;
            else if (u == u')')
                --depth;
            else if (u == u'[' && (i = setEnd(i)) < 0)
                return {};
            continue;
        }
        switch (u) {
        case u'\\': {
            if (i + 1 >= pattern.size())
                return {};
            const char16_t next = pattern.at(++i).unicode();
            // Escapes with arguments, quoting and back references would need
            // a parser of their own.
            if (next >= 0x80 || (next >= u'0' && next <= u'9')
                || QStringView(u"pPNxuUcQkE").contains(QChar(next)))
                return {};
            if ((next >= u'a' && next <= u'z') || (next >= u'A' && next <= u'Z'))
                endRun(); // a class or an assertion
            else
                run.append(QChar(next));
            break;
        }
        case u'(':
            // Options such as (?i) or (?x) change what follows.
            if (i + 2 < pattern.size() && pattern.at(i + 1) == u'?'
                && !QStringView(u":=!<>").contains(pattern.at(i + 2)))
                return {};
            endRun();
            ++depth;
            break;
        case u')':
            return {};
        case u'|':
            return {};
        case u'[':
            endRun();
            if ((i = setEnd(i)) < 0)
                return {};
            break;
        case u'?':
        case u'*':
            dropLast();
            break;
        case u'{':
            dropLast();
            while (i < pattern.size() && pattern.at(i) != u'}')
                ++i;
            break;
        case u'+':
        case u'.':
        case u'^':
        case u'$':
            endRun();
            break;
        default:
            run.append(c);
        }
    }
    if (depth != 0)
        return {};
    endRun();
    return best.isEmpty() ? QString() : best;
}

} // namespace sorvant
