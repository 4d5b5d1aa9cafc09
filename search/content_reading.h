#pragma once
// Reading the files content search looks into, shared by its parts: opening
// a regular file within the size limit, reading it in windows (with the
// holes of a sparse file skipped), decoding its whole text by the declared
// character set, the byte-order mark or UTF-8, and reading a file declared
// in a set of one or two bytes a character whole as its bytes for the
// matchers of such text. A declared file is read in its set whatever it
// holds: a byte the set leaves out is U+FFFD, and the file is named in one
// warning with the first such byte. The start of a file's text is read the
// same way for a preview of it (readTextStart), so that the two never read
// a file apart.
//
// Not here: what a match is (search/content_text_matching.h) and the
// matcher that drives the reads (search/content_matching.h).

#include "platform/unique_fd.h"
#include "search/content_file_label.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

namespace sorvant {

struct SearchParams;
struct StopCheck;

// The converter a file declared UTF-8 is read in (DeclaredCharset gives
// none: other readers detect UTF-8). Such a file is read as UTF-8 whatever
// it holds: its own mark is skipped, a byte not valid in it is U+FFFD.
inline constexpr char kDeclaredUtf8[] = "UTF-8";

// The bytes read at a time from a file searched in windows.
inline constexpr qsizetype kContentWindowBytes = qsizetype(1) << 18;

// Files are searched whole (decoded at once, straight from the file into
// one string, no copy of its bytes beside it) below this size: with
// wildcards, query terms and regular expressions. The regular expressions
// take a text of at most 2^31 - 1 units, which a file of fewer bytes never
// exceeds. Words and phrases are searched in windows at any size, in every
// encoding: UTF-16, UTF-32 and declared character sets decoded window by
// window into UTF-8. A larger file is skipped with a warning naming it; the
// search's own size limit (maxFileSize, a quarter of the memory) comes
// first.
inline constexpr std::uint64_t kLongestWholeFile = std::uint64_t(1) << 31;

// The text of a regular file (a symbolic link counts when it leads to one)
// of 1 to `maxFileSize` - 1 bytes: in the character set it declares in its
// "user.charset" attribute (what the set leaves out read as U+FFFD), else
// by its byte-order mark, else as UTF-8; null for anything else: a
// missing, unreadable, empty or too large file, a folder, a device or
// pipe, undeclared bytes that are no text in those encodings, or a file
// whose text cannot be held in memory.
[[nodiscard]] QString textContentsAtPath(const QByteArray& path, std::uint64_t maxFileSize);

// Names a file in one warning at the first byte its declared character set
// leaves out (read as U+FFFD), however many reads of the file meet it.
class LeftOutBytesNotice
{
public:
    explicit LeftOutBytesNotice(const FileLabel& file) : m_file(file) {}

    // Says the first offset given (of 0 or more) in a warning; later ones,
    // and -1, say nothing.
    void note(std::int64_t offset);
    [[nodiscard]] bool isSaid() const { return m_said; }

private:
    const FileLabel& m_file;
    bool m_said = false;
};

// --- reading in parts -------------------------------------------------------------

// Reads up to `size` bytes, fewer only at the end of the file; -1 on a read
// error.
qsizetype readUpTo(int fd, char* buffer, qsizetype size);

// A regular file open for reading, closed with the object.
class OpenFile
{
public:
    OpenFile() = default;
    OpenFile(UniqueFd fd, std::uint64_t size) : m_fd(std::move(fd)), m_size(size) {}
    OpenFile(OpenFile&& other) noexcept = default;
    OpenFile& operator=(OpenFile&&) = delete;
    [[nodiscard]] bool isOpen() const { return m_fd.isValid(); }
    [[nodiscard]] int fd() const { return m_fd.get(); }
    [[nodiscard]] std::uint64_t size() const { return m_size; }

private:
    UniqueFd m_fd;
    std::uint64_t m_size = 0;
};

// Opens a regular file of 1 to maxFileSize - 1 bytes; a larger one is
// skipped with a warning. Non-blocking, so that a pipe or a device never
// stalls the walk; only regular files pass the fstat.
[[nodiscard]] OpenFile openRegularFile(int parentFd, const FileLabel& file, std::uint64_t maxFileSize);

// Whether `size` bytes begin with the `length` bytes of `mark`.
[[nodiscard]] bool hasByteOrderMark(const char* data, qsizetype size, const char* mark, qsizetype length);

// Whether an open file's first bytes are a UTF-16 or UTF-32 byte-order
// mark: those files are read in their encoding, whatever follows.
[[nodiscard]] bool startsWideText(const char* data, qsizetype size);

// The converter of the encoding a file's first bytes (at most 4) name by
// their byte-order mark, and how many of them the text skips (a UTF-8
// mark; the UTF-16 and UTF-32 converters read their marks themselves);
// UTF-8 without a mark.
[[nodiscard]] std::pair<const char*, qsizetype> detectedConverter(const char* data, qsizetype size);

// Decodes the whole (open) file: in the character set the file declares
// (`charset`, an ICU converter, kDeclaredUtf8 for UTF-8 after its mark;
// null for none; a byte it leaves out is U+FFFD, the first said in
// `leftOut`, else in a notice of its own), else by its byte-order mark,
// else as UTF-8; null when it cannot be read or
// held in memory, is too long to be read whole (said in a warning), or is
// undeclared and no text.
[[nodiscard]] QString readWholeText(int fd, std::uint64_t size, QByteArray& window, const FileLabel& file,
                                    const StopCheck* stop = nullptr, const QByteArray& charset = {},
                                    LeftOutBytesNotice* leftOut = nullptr);

// The text of the first `limit` bytes of an open file of `size` bytes (all
// of them when it is shorter), read from its start as readWholeText reads
// the whole, with what a declared set leaves out U+FFFD (said in no
// warning); a character the limit cuts is read whole from the bytes after
// it, as the whole file reads it. Null when the file cannot be read, or is
// undeclared and its first bytes are no text.
//   "\x91\x4f\x80\x91\x4f" (Shift_JIS), limit 3 => "前" U+FFFD
//   the same, limit 4 => "前" U+FFFD "前"   "\x81 a" (GBK), limit 1 => U+FFFD " "
//   "caf\xc3\xa9" (undeclared), limit 4 => "café"   "caf\xe9", limit 4 => null
[[nodiscard]] QString readTextStart(int fd, std::uint64_t size, qsizetype limit, const QByteArray& charset);

// The first window of a file, with room for the overlap of the next: the
// bytes read, fewer than asked for where the file is shorter than its size
// said (never the buffer's bytes from the file before).
qsizetype readFirstWindow(int fd, std::uint64_t size, QByteArray& bytes, qsizetype window, qsizetype overlap);

// Moves the bytes from `keep` on to the front and reads the next window
// after them; NO on a read error or a file that shrank. With `holeRun` > 0
// a hole of the file (NUL bytes that take no disk space) longer than that
// is read as only `holeRun` NUL bytes: when no match can hold a NUL, the
// answer is the same and a sparse file costs nothing to skip.
bool readNextWindow(int fd, std::uint64_t size, QByteArray& bytes, qsizetype window, qsizetype keep,
                    std::uint64_t& read, qsizetype holeRun);

// --- declared sets read on their bytes -----------------------------------------------

// The whole-text wildcard or regular expression of an open file in a
// declared set of one or two bytes a character, matched on its bytes
// (matchesDeclaredText): the text in UTF-16 would take up to twice the
// file. The file is read a window at a time, each window read in the set
// as it arrives (the first byte the set leaves out said in `leftOut`) and
// the stop looked at after it. Null when the set is not such a one or the
// file is too long to be searched whole (left to readWholeText, which
// says so); NO when the file cannot be read or on a stop.
[[nodiscard]] std::optional<bool> matchesDeclaredBytes(int fd, std::uint64_t size, const QByteArray& charset,
                                                       const SearchParams& params, const StopCheck& stop,
                                                       const FileLabel& file, LeftOutBytesNotice& leftOut);

// The query terms of an open file in such a set, read as above and matched
// in windows of about `window` bytes (matchesDeclaredTextTerms). Null where
// the terms are not answered in windows or the words do not let windows
// move on (the file is then read whole); NO when the file cannot be read
// or on a stop.
[[nodiscard]] std::optional<bool> matchesDeclaredTerms(int fd, std::uint64_t size, const QByteArray& charset,
                                                       const SearchParams& params, const StopCheck& stop,
                                                       qsizetype window, LeftOutBytesNotice& leftOut);

} // namespace sorvant
