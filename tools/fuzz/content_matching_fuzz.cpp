// libFuzzer entry point for content matching on bytes: random bytes become
// a search (the mode, the case option and the words from the first bytes)
// and a file (the rest, optionally pushed across a read window), and the
// fast matcher must answer exactly as the plain path that decodes the whole
// file and matches the text.
//
// The file may declare a character set: UTF-8, every declarable set of one
// or two bytes a character (Shift_JIS, GBK, Big5, the two Korean sets,
// GB2312) or one of a few 8-bit sets, those with bytes they leave out
// among them. The fast paths then read the declared bytes themselves (the
// byte and pair scans of a wildcard, with and without case, the marks of a
// regular expression, the windows of query terms, the UTF-8 checks of
// declared UTF-8, the decoder's ASCII runs for words), while the plain
// path decodes the whole file with ICU, what the set leaves out read as
// U+FFFD. An extended input repeats a chunk of its bytes up to past a
// read window, so that the texts reach the scans' 4,096-byte budgets,
// the 64 KiB from which a scan finds a target by its bytes, and the seams
// of the 256 KiB windows the declared bytes are read in.

#include "foundation/separation.h"
#include "platform/log.h"
#include "platform/regular_expression.h"
#include "platform/string_encoding.h"
#include "search/content_matching.h"
#include "search/content_text_matching.h"
#include "search/search_params.h"
#include "tools/fuzz/fuzz_support.h"

#include <QString>
#include <QStringList>

#include <unicode/ucnv.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

using namespace sorvant;

// By the mode bits: flags bits 0-1, and bit 6 of an extended input.
constexpr std::uint64_t kModes[] = {kSearchAllWords, kSearchAnyWord, kSearchPhrase,
                                    kSearchRegularExpression, kSearchWildcards, kSearchQueryTerms,
                                    kSearchWildcards, kSearchPhrase};

// The sets a file may declare, by the charset byte of an extended input
// (an input that is not extended declares the first). The double-byte
// sets are every one a file can declare (checkSets holds the list to
// it); the 8-bit ones mix sets that give every byte a character with
// sets that leave bytes out.
constexpr const char* kUtf8Set = "UTF-8";
constexpr const char* kDoubleByteSets[] = {"Shift_JIS", "GBK", "Big5", "KS_C_5601-1987", "EUC-KR", "GB2312"};
constexpr const char* kEightBitSets[] = {"ISO-8859-1", "windows-1252", "ISO-8859-3", "windows-1253", "KOI8-R",
                                        "windows-1251", "US-ASCII", "ISO-8859-6", "ISO-8859-8"};
constexpr std::size_t kSetCount = 1 + std::size(kDoubleByteSets) + std::size(kEightBitSets);

const char* declaredSet(std::size_t index)
{
    index %= kSetCount;
    if (index == 0)
        return kUtf8Set;
    if (index <= std::size(kDoubleByteSets))
        return kDoubleByteSets[index - 1];
    return kEightBitSets[index - 1 - std::size(kDoubleByteSets)];
}

// The converters of one or two bytes a character that some name declares
// (an alias of a converter that converterForCharset answers): the sets a
// declared file can be read in on its bytes.
QList<QByteArray> declarableDoubleByteSets()
{
    QList<QByteArray> sets;
    for (std::int32_t i = 0; i < ucnv_countAvailable(); ++i) {
        const char* converter = ucnv_getAvailableName(i);
        UErrorCode status = U_ZERO_ERROR;
        const std::uint16_t aliases = ucnv_countAliases(converter, &status);
        for (std::uint16_t a = 0; U_SUCCESS(status) && a < aliases; ++a) {
            const char* alias = ucnv_getAlias(converter, a, &status);
            const QByteArray declared = U_SUCCESS(status) ? converterForCharset(alias) : QByteArray();
            if (!declared.isEmpty() && !sets.contains(declared) && doubleByteUnitsOf(declared) != nullptr)
                sets.append(declared);
        }
    }
    return sets;
}

// Stops the run when the lists above no longer say what they claim (an ICU
// with other tables): a set that is not of its kind, or a declarable
// double-byte set the list leaves out, would go untested unseen.
bool checkSets()
{
    const auto require = [](bool condition, const char* what, const char* name) {
        if (!condition)
            std::fprintf(stderr, "content_matching_fuzz: %s %s\n", what, name);
        fuzz::require(condition, "content_matching_fuzz", "the declared sets are not what the target says");
    };
    QList<QByteArray> listed;
    for (const char* name : kDoubleByteSets) {
        const QByteArray converter = converterForCharset(name);
        require(doubleByteUnitsOf(converter) != nullptr, "not a double-byte set:", name);
        listed.append(converter);
    }
    for (const char* name : kEightBitSets)
        require(singleByteUnits(converterForCharset(name)) != nullptr, "not an 8-bit set:", name);
    for (const QByteArray& converter : declarableDoubleByteSets())
        require(listed.contains(converter), "a declarable double-byte set not listed:", converter.constData());
    return true;
}

// A file open for reading and writing that takes a user attribute: a
// memory file where memory files do, else an unnamed one in a temporary
// folder (tmpfs took user attributes only from Linux 6.6). Stops the run
// when none does: the declared sets would go untested unseen.
int fileWithAttributes()
{
    int fd = ::memfd_create("content", 0);
    for (const char* folder : {"/var/tmp", "/tmp"}) {
        if (fd >= 0 && ::fsetxattr(fd, kCharsetAttribute, "UTF-8", 5, 0) == 0)
            return fd;
        if (fd >= 0)
            ::close(fd);
        fd = ::open(folder, O_TMPFILE | O_RDWR, 0600);
    }
    if (fd >= 0 && ::fsetxattr(fd, kCharsetAttribute, "UTF-8", 5, 0) == 0)
        return fd;
    fuzz::require(false, "content_matching_fuzz", "no file here takes a user attribute");
    return -1;
}

// The longest file an extended input makes: past the first read window,
// and past the 4,096-byte budget and 64 KiB threshold of the scans.
constexpr qsizetype kLongestFile = kContentWindowBytes + kContentWindowBytes / 4;

// An extended input's file: [count lo][count hi][head length][head][tail
// length][tail][chunk], made head + chunk × count + tail, the repeats cut
// at kLongestFile. Lengths past the input's end take what there is.
QByteArray extendedFile(const std::uint8_t* data, std::size_t size)
{
    std::size_t at = 0;
    const auto take = [&](std::size_t wanted) {
        const std::size_t taken = std::min(wanted, size - at);
        const QByteArray bytes(reinterpret_cast<const char*>(data + at), qsizetype(taken));
        at += taken;
        return bytes;
    };
    const auto byte = [&]() { return at < size ? std::size_t(data[at++]) : std::size_t(0); };
    const std::size_t low = byte();
    const qsizetype count = qsizetype(byte() << 8 | low);
    const QByteArray head = take(byte());
    const QByteArray tail = take(byte());
    const QByteArray chunk = take(size - at);
    QByteArray file = head;
    const qsizetype room = std::max<qsizetype>(0, kLongestFile - head.size() - tail.size());
    if (!chunk.isEmpty())
        file += chunk.repeated(std::min(count, room / chunk.size()));
    return file + tail;
}

// Layout: flags, word length, the words (UTF-8, split at white space in
// modes 0 and 1, as a search splits them), then the file. Flags: bits 0-1
// the mode, bit 2 ignore case, bits 3-4 the window size, bit 5 the file
// declares a set, bit 7 the input is extended: bit 6 picks the modes
// 4-7 of kModes, the file part begins with the set's byte and is made
// by extendedFile. Without bit 7 the declared set is UTF-8.
void run(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return;
    // The warnings that name a declared file's bytes not valid in it.
    static const LogSink unused = setLogSink([](const QString&) {});
    [[maybe_unused]] static const bool checked = checkSets();
    static const int memory = fileWithAttributes();
    static const QByteArray path = QByteArray("/proc/self/fd/") + QByteArray::number(memory);
    const std::uint8_t flags = data[0];
    const bool extended = (flags & 128) != 0;
    const std::size_t wordLength = std::min<std::size_t>(data[1], size - 2);
    const QString phrase = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(wordLength));
    const std::uint8_t* const rest = data + 2 + wordLength;
    const std::size_t restSize = size - 2 - wordLength;
    const char* charset = kUtf8Set;
    QByteArray file;
    if (!extended) {
        file = QByteArray(reinterpret_cast<const char*>(rest), qsizetype(restSize));
    } else if (restSize > 0) {
        charset = declaredSet(rest[0]);
        file = extendedFile(rest + 1, restSize - 1);
    }
    static constexpr qsizetype kWindows[] = {kContentWindowBytes, 8, 24, 64};
    const qsizetype window = kWindows[(flags >> 3) & 3];

    // As a search prepares its record: all or any words of fewer than two
    // words are a phrase.
    SearchParams params;
    params.mode = kModes[(flags & 3) | (extended && (flags & 64) != 0 ? 4 : 0)];
    params.comparison = (flags & 4) ? 1 : 0;
    params.maxFileSize = std::uint64_t(1) << 30;
    params.words = params.mode <= kSearchAnyWord ? componentsUsingWhiteSeparation(phrase) : QStringList{phrase};
    if (params.words.size() < 2 && params.mode <= kSearchAnyWord)
        params.mode = kSearchPhrase;
    if (params.mode == kSearchWildcards)
        params.wildcard = phrase;
    else if (params.mode == kSearchQueryTerms)
        params.queryTerms = QueryTerms::queryTermsWithWildcard(phrase);
    else if (params.mode == kSearchRegularExpression)
        params.regex = RegularExpression::compile(phrase, kRegexAnchorsMatchLines | unsigned(params.comparison));

    if (::ftruncate(memory, 0) != 0 || ::pwrite(memory, file.constData(), size_t(file.size()), 0) != file.size())
        return;
    const bool declared = (flags & 32) != 0;
    if (declared)
        ::fsetxattr(memory, kCharsetAttribute, charset, std::strlen(charset), 0);
    else
        ::fremovexattr(memory, kCharsetAttribute);
    const ContentMatcher matcher(params, window);
    ContentBuffer buffer;
    const bool fast = matcher.matchesFile(AT_FDCWD, path, buffer);
    const bool plain = matcher.matchesFileDecoded(AT_FDCWD, path, buffer);
    if (fast != plain) {
        std::fprintf(stderr, "content_matching_fuzz: fast %d, plain %d, mode %d, case %d, set %s, %lld bytes\n",
                     int(fast), int(plain), int(params.mode), int(params.comparison), declared ? charset : "none",
                     static_cast<long long>(file.size()));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    run(data, size);
    return 0;
}
