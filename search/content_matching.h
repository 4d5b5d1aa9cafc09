#pragma once
// Matching the contents of files against a search: the matcher a search
// makes once and shares between its threads, and the buffer each thread
// reads into.
//
// The parts behind it: the plan of a search (search/content_plan.h),
// reading a file (search/content_reading.h), matching one text
// (search/content_text_matching.h).
//
// Not here: which files are content-searched (search/content_extensions.h),
// walking folders (search/directory_walk.h) and running a search
// (search/search_engine.h).

#include "search/content_reading.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

namespace sorvant {

struct ContentPlan;
struct SearchParams;

// --- matching the contents of files ---------------------------------------------------

// The memory one thread reads files into, kept from file to file so that a
// search does not allocate per file, and a count of the work done with it.
// Give each thread its own. Large files are read in windows, so the buffer
// stays near kContentWindowBytes whatever the file size (the search modes
// that need the whole text at once are the exception).
class ContentBuffer
{
public:
    ContentBuffer() = default;
    ContentBuffer(ContentBuffer&& other) noexcept;
    ContentBuffer& operator=(ContentBuffer&& other) noexcept;
    ContentBuffer(const ContentBuffer&) = delete;
    ContentBuffer& operator=(const ContentBuffer&) = delete;
    ~ContentBuffer() = default;

    // Bytes of text scanned or folded so far (a window counts once for each
    // scan of it): a measure of work that another thread may read while a
    // match runs.
    [[nodiscard]] std::uint64_t bytesMatched() const { return m_bytesMatched.load(std::memory_order_relaxed); }
    // The bytes the buffer holds memory for.
    [[nodiscard]] qsizetype capacity() const { return m_bytes.capacity() + m_text.capacity(); }

    // Writes the memory the buffer holds once, keeping it: called by the
    // thread that will read into it, so that its pages are in place before
    // the first read rather than faulted in one by one during the reads,
    // each fault waiting behind any other thread's change to the memory map.
    // Nothing to do when the buffer has not grown since the last call.
    void touchPages();

    // Gives back the memory of a buffer that a file read whole grew past
    // kLargestKeptBuffer bytes; a smaller one is kept for the next file.
    void releaseLargeBytes();

private:
    friend class ContentMatcher;
    QByteArray m_bytes;
    QByteArray m_text; // the UTF-8 of the windows of a file in another encoding
    qsizetype m_touched = 0; // the capacity touchPages last wrote
    std::atomic<std::uint64_t> m_bytesMatched{0};
};

// The most memory a thread's buffer keeps from one file to the next.
inline constexpr qsizetype kLargestKeptBuffer = qsizetype(1) << 26;

// The contents test of one search, made once when the search starts and
// then shared read-only by every thread of the walk. It reads the record's
// mode, words, wildcard, query terms, expression, comparison, size limit
// and stop flag; the record must outlive the matcher, and its words and
// patterns must not change while the matcher lives.
//
// A file matches exactly when searchWindowMatchString matches the text
// textContentsAtPath gives, but most files are never decoded: words are
// found in the UTF-8 bytes, a regular expression runs only on files that
// hold the literal text every match needs, and large files are read in
// overlapping windows.
class ContentMatcher
{
public:
    // `windowBytes`: the bytes read at a time from a file searched in
    // windows (raised where the longest match needs more).
    explicit ContentMatcher(const SearchParams& params, qsizetype windowBytes = kContentWindowBytes);
    ~ContentMatcher();
    ContentMatcher(const ContentMatcher&) = delete;
    ContentMatcher& operator=(const ContentMatcher&) = delete;

    // Whether the text of the file `name` in the open folder `parentFd`
    // (AT_FDCWD for a name relative to the working folder) matches the
    // search. Only regular files (a link counts when it leads to one) of 1
    // to maxFileSize - 1 bytes are read, and only those below
    // kLongestWholeFile where the file is searched whole; a larger file is
    // skipped with a "WARNING: " line naming `folderPath`/`name` (the
    // folder's path as opened; empty when `name` says it all), and so is
    // a file whose declared set leaves out a byte it holds (read as U+FFFD;
    // the line gives the first such byte). NO as soon as the stop flag is
    // seen. Thread-safe; which files qualify by
    // extension is the caller's decision.
    [[nodiscard]] bool matchesFile(int parentFd, const QByteArray& name, ContentBuffer& buffer,
                                   const QByteArray& folderPath = {}) const;

    // Gives `buffer` the memory the windows of a file take, so that its
    // thread's first file does not ask for it: a walk prepares the buffers
    // of all its threads before it starts them, while no other thread
    // maps or faults memory that the allocation would wait on.
    void prepare(ContentBuffer& buffer) const;

    // The same test through the plain path alone: the whole text decoded,
    // then searchWindowMatchString. The reference for the fast paths.
    [[nodiscard]] bool matchesFileDecoded(int parentFd, const QByteArray& name, ContentBuffer& buffer) const;

private:
    // Which bytes the UTF-8 search of a file checks: of an undeclared file
    // the first window (a file in another encoding shows it there) and,
    // once it holds a match, the rest; of a file declared UTF-8 every one,
    // so that a byte not valid in it is read as U+FFFD wherever it is.
    enum class Utf8Checks { UndeclaredFile, WholeFile };
    // Words in a file's UTF-8 bytes; nullopt where the bytes checked are
    // not UTF-8.
    std::optional<bool> matchesWords(int fd, std::uint64_t size, ContentBuffer& buffer,
                                     Utf8Checks checks = Utf8Checks::UndeclaredFile) const;
    bool matchesDeclaredWords(int fd, std::uint64_t size, const QByteArray& charset, ContentBuffer& buffer,
                              LeftOutBytesNotice& leftOut) const;
    // Words in a file decoded in windows by `converter`: nullopt when it
    // cannot be opened, or when its bytes are not valid in it and there is
    // no `leftOut` notice (with one, they are read as U+FFFD and the first
    // is said there).
    std::optional<bool> matchesDecodedWords(int fd, std::uint64_t size, const char* converter,
                                            ContentBuffer& buffer, LeftOutBytesNotice* leftOut) const;
    // Whether a file may hold the plan's literal; with Utf8Checks::WholeFile
    // also where it holds bytes that are not UTF-8 (read as U+FFFD).
    bool mayHoldLiteral(int fd, std::uint64_t size, ContentBuffer& buffer,
                        Utf8Checks checks = Utf8Checks::UndeclaredFile) const;
    // The converter of the character set the file declares (kDeclaredUtf8
    // for UTF-8); null for none.
    QByteArray declaredConverter(int fd, const FileLabel& file) const;

    const SearchParams& m_params;
    std::unique_ptr<const ContentPlan> m_plan;
    mutable std::atomic<bool> m_warnedOfCharset{false};
};

} // namespace sorvant
