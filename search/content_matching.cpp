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

#include <unicode/regex.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

namespace sorvant {

// --- matching -------------------------------------------------------------------

bool searchWindowMatchString(const QString& string, const SearchParams& params, unsigned findOptions)
{
    if (string.isNull())
        return false;
    // Only case is ever ignored in plain word search; diacritics and fuzzy
    // act through query terms and highlighting.
    const unsigned options = findOptions & kCompareCaseInsensitive;
    const qsizetype count = std::min<qsizetype>(qsizetype(params.wordsCount), params.words.size());
    switch (params.mode) {
    case kSearchAllWords:
        for (qsizetype i = count; i-- > 0;) {
            if (!containsString(string, params.words.at(i), options))
                return false;
        }
        return true;
    case kSearchAnyWord:
        for (qsizetype i = count; i-- > 0;) {
            if (containsString(string, params.words.at(i), options))
                return true;
        }
        return false;
    case kSearchPhrase:
        return count > 0 && containsString(string, params.words.at(0), options);
    case kSearchWildcards:
        return (params.comparison & 1) ? isCaseInsensitiveLikeUnixWildcard(string, params.wildcard)
                                       : isLikeUnixWildcard(string, params.wildcard);
    case kSearchQueryTerms:
        return params.queryTerms && params.queryTerms->matchesStringComparison(string, unsigned(params.comparison));
    case kSearchRegularExpression:
        return params.regex && params.regex->firstMatch(string, &params.stop);
    default:
        return false;
    }
}

// --- the regular expression of mode 5 ---------------------------------------------

struct ContentRegularExpression::Compiled
{
    std::unique_ptr<icu::RegexPattern> pattern;
};

namespace {

// ICU counts match time in steps of about a millisecond. A linear scan
// needs roughly a step per few thousand units, so the limit grows with the
// text; a backtracking pattern reaches it long before a real scan would.
constexpr int32_t kBaseTimeLimitSteps = 5000;
constexpr qsizetype kUnitsPerExtraStep = 1000;

UBool continueUnlessStopped(const void* context, int32_t /*steps*/)
{
    const auto* stop = static_cast<const std::atomic<bool>*>(context);
    return !(stop && stop->load(std::memory_order_relaxed));
}

} // namespace

ContentRegularExpression::ContentRegularExpression(const QString& pattern, unsigned options,
                                                   std::unique_ptr<Compiled> compiled)
    : m_pattern(pattern), m_options(options), m_compiled(std::move(compiled))
{
}

ContentRegularExpression::~ContentRegularExpression() = default;

std::shared_ptr<const ContentRegularExpression> ContentRegularExpression::create(const QString& pattern,
                                                                                  unsigned options)
{
    if (pattern.isEmpty())
        return nullptr;
    uint32_t flags = 0;
    if (options & kCaseInsensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    if (options & kAnchorsMatchLines)
        flags |= UREGEX_MULTILINE;
    const icu::UnicodeString source(false, reinterpret_cast<const UChar*>(pattern.utf16()), int32_t(pattern.size()));
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    auto compiled = std::make_unique<Compiled>();
    compiled->pattern.reset(icu::RegexPattern::compile(source, flags, parseError, status));
    if (U_FAILURE(status) || !compiled->pattern)
        return nullptr;
    return std::shared_ptr<const ContentRegularExpression>(
        new ContentRegularExpression(pattern, options, std::move(compiled)));
}

bool ContentRegularExpression::firstMatch(const QString& text, const std::atomic<bool>* stop) const
{
    if (text.isNull() || text.size() > INT32_MAX)
        return false;
    const icu::UnicodeString input(false, reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(m_compiled->pattern->matcher(input, status));
    if (U_FAILURE(status) || !matcher)
        return false;
    const qsizetype steps = kBaseTimeLimitSteps + text.size() / kUnitsPerExtraStep;
    matcher->setTimeLimit(int32_t(std::min<qsizetype>(steps, INT32_MAX)), status);
    matcher->setMatchCallback(continueUnlessStopped, stop, status);
    const bool found = matcher->find(status);
    if (status == U_REGEX_TIME_OUT)
        logWarning(QStringLiteral("Regular expression \"%1\" gave up on a text of %2 characters: too slow")
                       .arg(m_pattern)
                       .arg(text.size()));
    return U_SUCCESS(status) && found;
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

QString textContentsAtPath(const QByteArray& path, std::uint64_t maxFileSize)
{
    if (path.isEmpty())
        return {};
    // Non-blocking, so that a pipe or a device never stalls the walk; only
    // regular files are read after the fstat below.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return {};
    QString text;
    struct stat status{};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0
        && std::uint64_t(status.st_size) < maxFileSize && status.st_size < qsizetype(INT32_MAX)) {
        try {
            QByteArray bytes(qsizetype(status.st_size), Qt::Uninitialized);
            if (readAll(fd, bytes.data(), bytes.size())) {
                text = decodeDetected(bytes);
                if (text.isNull())
                    text = decodeString(bytes, NSUTF8StringEncoding);
                // ASCII is a subset of UTF-8: bytes that are not UTF-8 are no
                // ASCII either, so the third reading of the sequence has
                // nothing left to accept.
            }
        } catch (const std::bad_alloc&) {
            logWarning(QStringLiteral("Skipped %1: its text does not fit in memory")
                           .arg(QString::fromLocal8Bit(path)));
            text = QString();
        }
    }
    ::close(fd);
    return text;
}

} // namespace sorvant
