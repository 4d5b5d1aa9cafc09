#pragma once
// Reading the files content search looks into, shared by its parts: opening
// a regular file within the size limit, reading it in windows (with the
// holes of a sparse file skipped), and decoding its whole text by the
// declared character set, the byte-order mark or UTF-8.
//
// Not here: what a match is (search/content_text_matching.h) and the
// matcher that drives the reads (search/content_matching.h).

#include "search/content_matching.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>

namespace sorvant {

struct StopCheck;

// Reads up to `size` bytes, fewer only at the end of the file; -1 on a read
// error.
qsizetype readUpTo(int fd, char* buffer, qsizetype size);

// A regular file open for reading, closed with the object.
class OpenFile
{
public:
    OpenFile() = default;
    OpenFile(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}
    OpenFile(OpenFile&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)), m_size(other.m_size) {}
    OpenFile& operator=(OpenFile&&) = delete;
    ~OpenFile();
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
// (`charset`, an ICU converter; null for none), else by its byte-order
// mark, else as UTF-8; null when it cannot be read or held in memory, is
// too long to be read whole (said in a warning), or is no text.
[[nodiscard]] QString readWholeText(int fd, std::uint64_t size, QByteArray& window, const FileLabel& file,
                                    const StopCheck* stop = nullptr, const QByteArray& charset = {});

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

} // namespace sorvant
