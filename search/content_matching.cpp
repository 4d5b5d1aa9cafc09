#include "search/content_matching.h"

#include "platform/log.h"
#include "platform/string_compare.h"
#include "platform/string_encoding.h"
#include "platform/unicode.h"
#include "search/ascii_name_matching.h"
#include "search/byte_search.h"
#include "search/content_plan.h"
#include "search/content_reading.h"
#include "search/content_text_matching.h"
#include "search/search_params.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <optional>
#include <utility>

namespace sorvant {

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

namespace {

// Whether the bytes of an open file from `from` in `bytes` (which hold it
// up to `read`) to its end are UTF-8, read on in the plan's windows; NO as
// well on a read error or a stop.
bool isRestUtf8(int fd, std::uint64_t size, QByteArray& bytes, qsizetype from, std::uint64_t read,
                const ContentPlan& plan, const std::atomic<bool>& stop)
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
    auto plan = std::make_unique<ContentPlan>();
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
    WordSearch(const ContentPlan& plan, const std::atomic<bool>& stop,
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
            const ContentPlan::Word& word = m_plan.wordPlans[size_t(i)];
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
    const std::vector<qsizetype>& placesToFold(const ContentPlan::Word& word, const char* data,
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
        const ContentPlan::Word& word = m_plan.wordPlans[size_t(i)];
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

    const ContentPlan& m_plan;
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
    // However many reads the file takes, its first byte the set leaves out
    // is said once.
    LeftOutBytesNotice leftOut(label);
    // A file read whole leaves the buffer at its size: given back after it,
    // so that each thread does not keep the largest file it met.
    const struct ReleaseLargeBytes
    {
        ContentBuffer& buffer;
        ~ReleaseLargeBytes() { buffer.releaseLargeBytes(); }
    } release{buffer};
    try {
        switch (m_plan->kind) {
        case ContentPlan::Kind::Words:
            if (!charset.isNull())
                return matchesDeclaredWords(file.fd(), file.size(), charset, buffer, leftOut);
            return matchesWords(file.fd(), file.size(), buffer).value_or(false);
        case ContentPlan::Kind::Literal:
            // The literal's UTF-8 bytes are not those of a declared set
            // other than UTF-8.
            if ((charset.isNull() || charset == kDeclaredUtf8)
                && (!mayHoldLiteral(file.fd(), file.size(), buffer,
                                    charset.isNull() ? Utf8Checks::UndeclaredFile : Utf8Checks::WholeFile)
                    || ::lseek(file.fd(), 0, SEEK_SET) != 0))
                return false;
            break;
        case ContentPlan::Kind::Decoded:
            break;
        }
        const StopCheck stop{&m_params.stop, &buffer.m_bytesMatched};
        // A set of three or more bytes a character, or one with state, is
        // decoded whole.
        if ((m_params.mode == kSearchWildcards || m_params.mode == kSearchRegularExpression) && !charset.isNull()) {
            if (const std::optional<bool> found =
                    matchesDeclaredBytes(file.fd(), file.size(), charset, m_params, stop, label, leftOut))
                return *found && !stop.shouldStop(0);
            if (::lseek(file.fd(), 0, SEEK_SET) != 0)
                return false;
        }
        if (m_params.mode == kSearchQueryTerms && !charset.isNull()) {
            if (const std::optional<bool> found =
                    matchesDeclaredTerms(file.fd(), file.size(), charset, m_params, stop, m_plan->window, leftOut))
                return *found && !stop.shouldStop(0);
            if (::lseek(file.fd(), 0, SEEK_SET) != 0)
                return false;
        }
        const QString text =
            readWholeText(file.fd(), file.size(), buffer.m_bytes, label, &stop, charset, &leftOut);
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
    if (m_plan->kind != ContentPlan::Kind::Decoded)
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
    return declared.isUtf8 ? QByteArray(kDeclaredUtf8) : declared.converter;
}

bool ContentMatcher::matchesDeclaredWords(int fd, std::uint64_t size, const QByteArray& charset,
                                          ContentBuffer& buffer, LeftOutBytesNotice& leftOut) const
{
    // UTF-8 is searched on its bytes, as an undeclared file is; only a file
    // that holds a byte not valid in it is read again, decoded.
    if (charset == kDeclaredUtf8) {
        if (const std::optional<bool> found = matchesWords(fd, size, buffer, Utf8Checks::WholeFile))
            return *found;
        return !m_params.stop.load(std::memory_order_relaxed) && ::lseek(fd, 0, SEEK_SET) == 0
               && matchesDecodedWords(fd, size, kDeclaredUtf8, buffer, &leftOut).value_or(false);
    }
    if (const std::optional<bool> found = matchesDecodedWords(fd, size, charset.constData(), buffer, &leftOut))
        return *found;
    // A set whose converter cannot be opened is read as if none were
    // declared.
    return !m_params.stop.load(std::memory_order_relaxed) && ::lseek(fd, 0, SEEK_SET) == 0
           && matchesWords(fd, size, buffer).value_or(false);
}

std::optional<bool> ContentMatcher::matchesDecodedWords(int fd, std::uint64_t size, const char* converter,
                                                        ContentBuffer& buffer, LeftOutBytesNotice* leftOut) const
{
    const ContentPlan& plan = *m_plan;
    PieceDecoder decoder(converter, leftOut ? LeftOutBytes::Replace : LeftOutBytes::Refuse);
    if (!decoder.isOpen())
        return std::nullopt;
    QByteArray& bytes = buffer.m_bytes;
    QByteArray& utf8 = buffer.m_text;
    bytes.reserve(plan.window);
    utf8.resize(0);
    WordSearch search(plan, m_params.stop, buffer.m_bytesMatched);
    // Each window's text goes after the end of the one before (the
    // overlap), as UTF-8, through the UTF-8 search. After a match the rest
    // is still decoded: without a notice, bytes not valid in the set
    // anywhere make the file no text in it; with one, the first byte the
    // set leaves out is said wherever it is, in every mode alike.
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
        if (leftOut)
            leftOut->note(decoder.firstLeftOutByte());
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

std::optional<bool> ContentMatcher::matchesWords(int fd, std::uint64_t size, ContentBuffer& buffer,
                                                 Utf8Checks checks) const
{
    const ContentPlan& plan = *m_plan;
    QByteArray& bytes = buffer.m_bytes;
    WordSearch search(plan, m_params.stop, buffer.m_bytesMatched);
    if (readFirstWindow(fd, size, bytes, plan.window, plan.overlap) <= 0)
        return false;
    const bool checksAll = checks == Utf8Checks::WholeFile;
    if (!checksAll && startsWideText(bytes.constData(), bytes.size())) {
        // A file marked UTF-16 or UTF-32 that is not valid in it is no
        // UTF-8 either (its mark is not).
        const char* converter = detectedConverter(bytes.constData(), bytes.size()).first;
        if (::lseek(fd, 0, SEEK_SET) != 0)
            return false;
        return matchesDecodedWords(fd, size, converter, buffer, nullptr).value_or(false);
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
    // A file declared UTF-8 has each window validated after its search, in
    // the cache, so that a byte not valid in it is found wherever it is.
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
        if ((checksAll || (firstWindow && !atEnd)) && !isValidUtf8(bytes.constData() + start, end - start))
            return std::nullopt;
        if (atEnd)
            return false;
        // Keep the overlap, from a character's start.
        qsizetype keep = std::max(start, end - plan.overlap);
        while (keep < end && (static_cast<unsigned char>(bytes[keep]) & 0xC0) == 0x80)
            ++keep;
        start = 0;
        if (!readNextWindow(fd, size, bytes, plan.window, keep, read, plan.holeRun))
            return false;
    }
    // Declared, the windows before this one are validated.
    if (checksAll)
        return isRestUtf8(fd, size, bytes, start, read, plan, m_params.stop) ? std::optional(true) : std::nullopt;
    // The buffer still holds the file from its start when the match was in
    // the first window (always so for a file of one window); else the file
    // is read again from its start.
    if (read != std::uint64_t(bytes.size())) {
        if (::lseek(fd, 0, SEEK_SET) != 0 || readFirstWindow(fd, size, bytes, plan.window, 0) <= 0)
            return false;
        read = std::uint64_t(bytes.size());
    }
    return isRestUtf8(fd, size, bytes, textStart, read, plan, m_params.stop) ? std::optional(true) : std::nullopt;
}

bool ContentMatcher::mayHoldLiteral(int fd, std::uint64_t size, ContentBuffer& buffer, Utf8Checks checks) const
{
    const ContentPlan& plan = *m_plan;
    const ByteFinder& literal = *plan.literal;
    QByteArray& bytes = buffer.m_bytes;
    // Room for the literal and for a character that folds to ASCII.
    const qsizetype overlap = literal.size() + 4;
    if (readFirstWindow(fd, size, bytes, plan.window, overlap) <= 0)
        return false;
    if (startsWideText(bytes.constData(), bytes.size()))
        return true;
    std::uint64_t read = std::uint64_t(bytes.size());
    qsizetype validated = 0; // with Utf8Checks::WholeFile, up to here
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
        if (checks == Utf8Checks::WholeFile) {
            // Bytes not valid in UTF-8 are U+FFFD, which the literal's bytes
            // do not show: the file is read whole.
            const qsizetype end =
                read >= size ? bytes.size() : std::max(validated, utf8CutPoint(bytes.constData(), bytes.size()));
            if (!isValidUtf8(bytes.constData() + validated, end - validated))
                return true;
            validated = end;
        }
        if (read >= size)
            return false;
        const qsizetype keep = std::max<qsizetype>(0, bytes.size() - overlap);
        if (!readNextWindow(fd, size, bytes, plan.window, keep, read, plan.holeRun > 0 ? overlap + 1 : 0))
            return false;
        validated = std::max<qsizetype>(0, validated - keep);
    }
}

} // namespace sorvant
