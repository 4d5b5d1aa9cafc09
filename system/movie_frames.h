#pragma once
// Still images from movies (the frame at an exact time, a thumbnail) and a
// few conveniences for a minimal player. Frames are decoded with
// libavformat/libavcodec and converted with libswscale: a seek to the key
// frame before the time, then decoding forward to the frame shown at that
// time, turned by the track's display matrix.
//
//   frameImageAtTime("/m/clip.mp4", MovieTime::fromSeconds(1.5)) => the frame
//       shown at 1.5 s, upright
//   thumbnailTime(10 s) => 5 s; thumbnailTime(3600 s) => 15 s; (1.5 s) => 0 s

#include <QImage>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace sorvant {

// A time as a value over a time scale; invalid when the scale is 0.
struct MovieTime
{
    qint64 value = 0;
    qint32 timescale = 0;

    [[nodiscard]] static MovieTime fromSeconds(double seconds, qint32 timescale = 1000);
    [[nodiscard]] bool isValid() const { return timescale > 0; }
    [[nodiscard]] double seconds() const { return isValid() ? double(value) / timescale : 0; }
};

// The frame shown at exactly `time`, or a null image.
[[nodiscard]] QImage frameImageAtTime(const QString& path, MovieTime time);

// Where a thumbnail is taken: half the duration, within 0 to 15 s, rounded
// down to whole seconds.
[[nodiscard]] MovieTime thumbnailTime(double duration);

// A source of frames in one pixel format, added to an item.
class VideoOutput
{
public:
    // `pixelFormat` is a four-character code: 'BGRA', 'RGBA', '24RG' (RGB)
    // or 'L008' (grey); any other code gives 32-bit BGRA.
    explicit VideoOutput(std::uint32_t pixelFormat) : m_pixelFormat(pixelFormat) {}
    [[nodiscard]] std::uint32_t pixelFormat() const { return m_pixelFormat; }
    // The item's frame at `time` in this output's format; null when none.
    [[nodiscard]] QImage frameImageAtTime(const QString& path, MovieTime time) const;

private:
    std::uint32_t m_pixelFormat;
};

// A movie to be played: its file, its outputs and its current time.
class PlayerItem
{
public:
    explicit PlayerItem(QString path) : m_path(std::move(path)) {}

    [[nodiscard]] const QString& path() const { return m_path; }
    [[nodiscard]] MovieTime currentTime() const { return m_currentTime; }
    void seekToTime(MovieTime time) { m_currentTime = time; }

    void addVideoOutputWithPixelFormatType(std::uint32_t pixelFormat);
    [[nodiscard]] const std::vector<VideoOutput>& outputs() const { return m_outputs; }

    // The first output's frame, else the movie's.
    [[nodiscard]] QImage frameImageAtTime(MovieTime time) const;
    [[nodiscard]] QImage currentFrameImage() const { return frameImageAtTime(m_currentTime); }
    // The frame at thumbnailTime(duration), else the current frame.
    [[nodiscard]] QImage thumbnailImage() const;

    // A movie file's thumbnail, clearing and then filling the requested
    // facts: the displayed size, the duration, the lyrics and the common
    // metadata ("title", "artist", "albumName", "creationDate",
    // "description", "copyrights", "publisher", "software", "creator",
    // "type", "language") from the container's tags. Null for an empty path.
    [[nodiscard]] static QImage thumbnailImageForItemWithFile(const QString& path, QSizeF* size = nullptr,
                                                              double* duration = nullptr, QString* lyrics = nullptr,
                                                              QVariantMap* commonMetadata = nullptr);

private:
    QString m_path;
    MovieTime m_currentTime {0, 1000};
    std::vector<VideoOutput> m_outputs;
};

// The container's lyrics and common metadata of a file.
[[nodiscard]] QString movieLyrics(const QString& path);
[[nodiscard]] QVariantMap movieCommonMetadata(const QString& path);

// A minimal player: the item it plays, its rate and time.
class MoviePlayer
{
public:
    [[nodiscard]] PlayerItem* currentItem() const { return m_item.get(); }
    void replaceCurrentItem(std::shared_ptr<PlayerItem> item) { m_item = std::move(item); }
    void setRate(float rate) { m_rate = rate; }
    [[nodiscard]] float rate() const { return m_rate; }

    [[nodiscard]] bool isPlaying() const { return m_rate > 0; }
    // Seconds; 0 without an item or with an invalid time.
    [[nodiscard]] double movieTime() const;
    void setMovieTime(double seconds);
    [[nodiscard]] double movieDuration() const;
    [[nodiscard]] QSizeF movieSize() const;
    [[nodiscard]] QSizeF transformedMovieSize() const;

    [[nodiscard]] QImage thumbnailImage() const;
    [[nodiscard]] QImage currentFrameImage() const;
    [[nodiscard]] QImage frameImageAtTime(MovieTime time) const;

private:
    std::shared_ptr<PlayerItem> m_item;
    float m_rate = 0;
};

} // namespace sorvant
