#include "search/content_matching.h"

#include "foundation/trimming.h"
#include "foundation/user_defaults_getters.h"
#include "platform/log.h"
#include "platform/string_compare.h"
#include "platform/string_encoding.h"
#include "platform/unicode.h"
#include "platform/user_defaults.h"
#include "search/search_params.h"
#include "search/wildcard_patterns.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace sorvant {

// --- the regular expression of mode 5 ---------------------------------------------

namespace {

// A linear scan costs the engine about one step per thousand units, so the
// budget grows with the text; a backtracking pattern spends it long before
// a real scan would.
constexpr qsizetype kUnitsPerExtraStep = 1000;

bool matchesRegularExpression(const RegularExpression& regex, const QString& text, const std::atomic<bool>& stop)
{
    RegularExpressionLimits limits;
    limits.stepLimit = std::int32_t(
        std::min<qsizetype>(kDefaultRegexStepLimit + text.size() / kUnitsPerExtraStep, INT32_MAX));
    limits.shouldStop = [&stop] { return stop.load(std::memory_order_relaxed); };
    bool found = false;
    const RegularExpressionStatus status =
        regex.enumerateMatches(text, Range{0, text.size()}, 0, limits, [&found](const RegularExpressionMatch&) {
            found = true;
            return true;
        });
    if (status == kRegexTimedOut)
        logWarning(QStringLiteral("Regular expression \"%1\" gave up on a text of %2 characters: too slow")
                       .arg(regex.pattern())
                       .arg(text.size()));
    return found;
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

bool searchWindowMatchString(const QString& string, const SearchParams& params, unsigned findOptions)
{
    if (string.isNull())
        return false;
    // Only case is ever ignored in plain word search; diacritics and fuzzy
    // act through query terms and highlighting.
    const unsigned options = findOptions & kCompareCaseInsensitive;
    const qsizetype count = std::min<qsizetype>(qsizetype(params.wordsCount), params.words.size());
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
        return (params.comparison & 1) ? isCaseInsensitiveLikeUnixWildcard(string, params.wildcard)
                                       : isLikeUnixWildcard(string, params.wildcard);
    case kSearchQueryTerms:
        return params.queryTerms && params.queryTerms->matchesStringComparison(string, unsigned(params.comparison));
    case kSearchRegularExpression:
        return params.regex.isValid() && matchesRegularExpression(params.regex, string, params.stop);
    default:
        return false;
    }
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

// Reads exactly `size` bytes; NO on a read error or a file that shrank.
bool readAll(int fd, char* buffer, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

namespace {

// Opens a regular file for reading and answers its descriptor and size, or
// -1. Non-blocking, so that a pipe or a device never stalls the walk; only
// regular files pass the fstat.
int openRegularFile(int parentFd, const char* name, std::uint64_t maxFileSize, qsizetype& size)
{
    const int fd = ::openat(parentFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat status{};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0
        && std::uint64_t(status.st_size) < maxFileSize && status.st_size < qsizetype(INT32_MAX)) {
        size = qsizetype(status.st_size);
        return fd;
    }
    ::close(fd);
    return -1;
}

// The text of a file's bytes: by its byte-order mark, else as UTF-8. ASCII
// is a subset of UTF-8: bytes that are not UTF-8 are no ASCII either, so a
// third reading has nothing left to accept.
QString decodeFileText(const QByteArray& bytes)
{
    QString text = decodeDetected(bytes);
    if (text.isNull())
        text = decodeString(bytes, NSUTF8StringEncoding);
    return text;
}

} // namespace

QString textContentsAtPath(const QByteArray& path, std::uint64_t maxFileSize)
{
    if (path.isEmpty())
        return {};
    qsizetype size = 0;
    const int fd = openRegularFile(AT_FDCWD, path.constData(), maxFileSize, size);
    if (fd < 0)
        return {};
    QString text;
    try {
        QByteArray bytes(size, Qt::Uninitialized);
        if (readAll(fd, bytes.data(), bytes.size()))
            text = decodeFileText(bytes);
    } catch (const std::bad_alloc&) {
        logWarning(QStringLiteral("Skipped %1: its text does not fit in memory").arg(QString::fromLocal8Bit(path)));
        text = QString();
    }
    ::close(fd);
    return text;
}

ContentMatcher::ContentMatcher(const SearchParams& params) : m_params(params) {}

bool ContentMatcher::matchesFile(int parentFd, const QByteArray& name, ContentBuffer& buffer) const
{
    if (name.isEmpty() || m_params.stop.load(std::memory_order_relaxed))
        return false;
    qsizetype size = 0;
    const int fd = openRegularFile(parentFd, name.constData(), m_params.maxFileSize, size);
    if (fd < 0)
        return false;
    QString text;
    try {
        buffer.m_bytes.resize(size);
        if (readAll(fd, buffer.m_bytes.data(), size))
            text = decodeFileText(buffer.m_bytes);
    } catch (const std::bad_alloc&) {
        logWarning(QStringLiteral("Skipped %1: its text does not fit in memory").arg(QString::fromLocal8Bit(name)));
    }
    ::close(fd);
    return !text.isEmpty() && searchWindowMatchString(text, m_params, unsigned(m_params.comparison & 1));
}

} // namespace sorvant
