// libFuzzer entry point for content matching on bytes: random bytes become
// a search (the mode, the case option and the words from the first bytes)
// and a file (the rest, optionally pushed across a read window), and the
// fast matcher must answer exactly as the plain path that decodes the whole
// file and matches the text; the file may declare UTF-8, which reads the
// bytes not valid in it as U+FFFD.

#include "platform/log.h"
#include "platform/regular_expression.h"
#include "platform/string_encoding.h"
#include "search/content_matching.h"
#include "search/search_params.h"

#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace sorvant;

constexpr std::uint64_t kModes[] = {kSearchAllWords, kSearchAnyWord, kSearchPhrase, kSearchRegularExpression};

// Layout: flags, word length, the words (UTF-8, split at spaces in modes 0
// and 1), then the file. Flags: bits 0-1 the mode, bit 2 ignore case, bits
// 3-4 the window size, bit 5 the file declares UTF-8 (where memory files
// keep user attributes).
void run(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return;
    // The warnings that name a declared file's bytes not valid in it.
    static const LogSink unused = setLogSink([](const QString&) {});
    static const int memory = ::memfd_create("content", 0);
    static const QByteArray path = QByteArray("/proc/self/fd/") + QByteArray::number(memory);
    const std::uint8_t flags = data[0];
    const std::size_t wordLength = std::min<std::size_t>(data[1], size - 2);
    const QString phrase = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), qsizetype(wordLength));
    const QByteArray file(reinterpret_cast<const char*>(data + 2 + wordLength), qsizetype(size - 2 - wordLength));
    static constexpr qsizetype kWindows[] = {kContentWindowBytes, 8, 24, 64};
    const qsizetype window = kWindows[(flags >> 3) & 3];

    SearchParams params;
    params.mode = kModes[flags & 3];
    params.comparison = (flags & 4) ? 1 : 0;
    params.maxFileSize = std::uint64_t(1) << 30;
    params.words = params.mode <= kSearchAnyWord ? phrase.split(u' ', Qt::SkipEmptyParts) : QStringList{phrase};
    if (params.mode == kSearchRegularExpression)
        params.regex = RegularExpression::compile(phrase, kRegexAnchorsMatchLines | unsigned(params.comparison));

    if (::ftruncate(memory, 0) != 0 || ::pwrite(memory, file.constData(), size_t(file.size()), 0) != file.size())
        return;
    if ((flags & 32) != 0)
        ::fsetxattr(memory, kCharsetAttribute, "UTF-8", 5, 0);
    else
        ::fremovexattr(memory, kCharsetAttribute);
    const ContentMatcher matcher(params, window);
    ContentBuffer buffer;
    const bool fast = matcher.matchesFile(AT_FDCWD, path, buffer);
    const bool plain = matcher.matchesFileDecoded(AT_FDCWD, path, buffer);
    if (fast != plain) {
        std::fprintf(stderr, "content_matching_fuzz: fast %d, plain %d, mode %d, case %d\n", int(fast), int(plain),
                     int(params.mode), int(params.comparison));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    run(data, size);
    return 0;
}
