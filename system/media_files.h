#pragma once
// Media files: the table of extensions and type codes the media layer opens,
// whether a file can be played, and the picture size and running time of a
// movie, read from its container headers by libavformat (no frame is
// decoded).
//
// Linux keeps no HFS type codes, so the type argument of the tests is the
// quoted form of a code where a caller has one and "''" (or null) otherwise;
// the file tests pass "''".
//
// Not here: movie frames and thumbnails, image and PDF type tests.

#include <QSizeF>
#include <QString>
#include <QStringList>

namespace sorvant {

// --- file types --------------------------------------------------------------

// The extensions (without dot) and then the quoted four-character type codes
// that count as media, 151 entries; built once and never changed, so any
// thread may read it.
[[nodiscard]] const QStringList& QuickTimeFileTypes();

// YES when the extension (ignoring case) or the type (exactly) is in
// QuickTimeFileTypes, except that a "dat" file of type "'TEXT'" is text.
//   ("MOV", "''") => YES      ("", "'MooV'") => YES     ("pdf", null) => YES
//   ("DAT", "'TEXT'") => NO   ("dat", "''") => YES      ("txt", "''") => NO
//   (null, null) => NO        ("", "") => NO
[[nodiscard]] bool isQuickTimeExtension(const QString& extension, const QString& type);

// isQuickTimeExtension of the path's extension and "''".
//   "/m/a.mp4" => YES   "/m/a.txt" => NO   "" => NO   null => NO
[[nodiscard]] bool isQuickTimeFile(const QString& path);

// NO for null and for paths ending, ignoring case, in ".flv", ".wmv", ".gif"
// or ".webm" (formats the information column does not open); YES for every
// other path, media or not.
//   "/m/a.GIF" => NO   "/m/a.webm" => NO   "/m/a.txt" => YES   "" => YES   null => NO
[[nodiscard]] bool supportsFile(const QString& path);

// --- movie information ---------------------------------------------------------

// What the headers of one media file say. Opening reads the file's headers
// and closes it again; nothing is held open.
class MovieAsset
{
public:
    // Opens the file at `path`; a path that cannot be opened or read as media
    // gives an invalid asset with zero size and duration.
    explicit MovieAsset(const QString& path);

    // YES when the file could be read as media.
    [[nodiscard]] bool isValid() const { return m_valid; }
    // The running time in seconds; 0 when unknown or indefinite.
    [[nodiscard]] double movieDuration() const { return m_duration; }
    // The stored size of the first video track with a positive width and
    // height (cover pictures of audio files do not count); empty when none.
    [[nodiscard]] QSizeF movieSize() const { return m_size; }
    // movieSize turned by the track's display matrix, as absolute values: a
    // 1920 x 1080 track recorded on its side answers 1080 x 1920.
    [[nodiscard]] QSizeF transformedMovieSize() const { return m_transformedSize; }

private:
    bool m_valid = false;
    double m_duration = 0;
    QSizeF m_size{0, 0};
    QSizeF m_transformedSize{0, 0};
};

// The displayed picture size and the duration of a media file. Clears the
// given out-parameters first; NO when both are null, the path is null or
// empty, or no item exists there. A file that exists but is no readable
// media answers YES with zero size and duration; an audio file answers YES
// with its duration and a zero size. Safe on any thread.
//   (size, duration, "/m/clip.mp4")  => YES, 320 x 240, 1.0
//   (size, duration, "/m/notes.txt") => YES, 0 x 0, 0
//   (size, duration, "/missing")     => NO
[[nodiscard]] bool getSize(QSizeF* size, double* duration, const QString& path);

} // namespace sorvant
