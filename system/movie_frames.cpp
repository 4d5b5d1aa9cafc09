#include "system/movie_frames.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "system/apple_event_descriptor.h"
#include "system/media_files.h"
#include "system/media_library.h"

#include <QTransform>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <exception>
#include <mutex>

namespace sorvant {

namespace {


struct FormatCloser
{
    void operator()(AVFormatContext* context) const { media().avformat_close_input(&context); }
};
struct CodecFreer
{
    void operator()(AVCodecContext* context) const { media().avcodec_free_context(&context); }
};
struct FrameFreer
{
    void operator()(AVFrame* frame) const { media().av_frame_free(&frame); }
};
struct PacketFreer
{
    void operator()(AVPacket* packet) const { media().av_packet_free(&packet); }
};
using Format = std::unique_ptr<AVFormatContext, FormatCloser>;
using Codec = std::unique_ptr<AVCodecContext, CodecFreer>;
using Frame = std::unique_ptr<AVFrame, FrameFreer>;
using Packet = std::unique_ptr<AVPacket, PacketFreer>;

Format openMedia(const QString& path)
{
    // Without the movie libraries, or on what is not a regular file, no
    // movie opens.
    const QByteArray bytes = fileSystemRepresentation(path);
    AVFormatContext* raw = nullptr;
    if (bytes.isEmpty() || openMediaFile(&raw, bytes.constData()) < 0)
        return nullptr;
    Format format(raw);
    if (media().avformat_find_stream_info(format.get(), nullptr) < 0)
        return nullptr;
    return format;
}

QImage toImage(const AVFrame* frame)
{
    if (frame->width <= 0 || frame->height <= 0)
        return {};
    SwsContext* scaler = media().sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                        frame->width, frame->height, AV_PIX_FMT_RGBA, SWS_BICUBIC, nullptr, nullptr,
                                        nullptr);
    if (!scaler)
        return {};
    QImage image(frame->width, frame->height, QImage::Format_RGBA8888);
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    const int rows = media().sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    media().sws_freeContext(scaler);
    return rows == frame->height ? image : QImage();
}

// The angle, clockwise in degrees, that turns the stored picture upright.
double displayRotation(const AVStream* stream)
{
    const uint8_t* matrix = media().av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix)
        return 0;
    const double angle = -media().av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    return std::isnan(angle) ? 0 : angle;
}

QImage decodeFrameAt(const QString& path, MovieTime time)
{
    if (!time.isValid() || time.value < 0)
        return {};
    Format format = openMedia(path);
    if (!format)
        return {};
    const int index = media().av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0 || (format->streams[index]->disposition & AV_DISPOSITION_ATTACHED_PIC))
        return {};
    AVStream* stream = format->streams[index];
    const AVCodec* decoder = media().avcodec_find_decoder(stream->codecpar->codec_id);
    Codec codec(decoder ? media().avcodec_alloc_context3(decoder) : nullptr);
    if (!codec || media().avcodec_parameters_to_context(codec.get(), stream->codecpar) < 0
        || media().avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return {};

    const int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    const int64_t target = start + media().av_rescale_q(time.value, AVRational {1, time.timescale}, stream->time_base);
    if (media().av_seek_frame(format.get(), index, target, AVSEEK_FLAG_BACKWARD) < 0)
        media().av_seek_frame(format.get(), index, start, AVSEEK_FLAG_BACKWARD);
    media().avcodec_flush_buffers(codec.get());

    Frame kept(media().av_frame_alloc());
    Frame frame(media().av_frame_alloc());
    Packet packet(media().av_packet_alloc());
    bool haveFrame = false;
    bool done = false;
    // Takes every decoded frame up to the target; the first one after it
    // ends the walk.
    const auto drain = [&] {
        while (!done && media().avcodec_receive_frame(codec.get(), frame.get()) == 0) {
            const int64_t pts = frame->best_effort_timestamp;
            if (!haveFrame || pts == AV_NOPTS_VALUE || pts <= target) {
                media().av_frame_unref(kept.get());
                media().av_frame_move_ref(kept.get(), frame.get());
                haveFrame = true;
                done = pts != AV_NOPTS_VALUE && pts >= target;
            } else {
                media().av_frame_unref(frame.get());
                done = true;
            }
        }
    };
    while (!done && media().av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == index && media().avcodec_send_packet(codec.get(), packet.get()) >= 0)
            drain();
        media().av_packet_unref(packet.get());
    }
    if (!done) {
        media().avcodec_send_packet(codec.get(), nullptr);
        drain();
    }
    if (!haveFrame)
        return {};
    QImage image = toImage(kept.get());
    const double rotation = displayRotation(stream);
    if (!image.isNull() && rotation != 0)
        image = image.transformed(QTransform().rotate(rotation));
    return image;
}

QImage::Format imageFormat(std::uint32_t pixelFormat)
{
    if (pixelFormat == fourCharCode("RGBA"))
        return QImage::Format_RGBA8888;
    if (pixelFormat == fourCharCode("24RG"))
        return QImage::Format_RGB888;
    if (pixelFormat == fourCharCode("L008"))
        return QImage::Format_Grayscale8;
    return QImage::Format_ARGB32; // 'BGRA' in memory order
}

QString tag(const AVDictionary* tags, const char* key)
{
    const AVDictionaryEntry* entry = media().av_dict_get(tags, key, nullptr, 0);
    return entry ? QString::fromUtf8(entry->value) : QString();
}

} // namespace

MovieTime MovieTime::fromSeconds(double seconds, qint32 timescale)
{
    return {static_cast<qint64>(std::llround(seconds * timescale)), timescale};
}

QImage frameImageAtTime(const QString& path, MovieTime time)
{
    if (path.isEmpty())
        return {};
    return decodeFrameAt(path, time);
}

MovieTime thumbnailTime(double duration)
{
    const double half = std::clamp(duration / 2, 0.0, 15.0);
    return MovieTime::fromSeconds(std::floor(half), 1000);
}

QImage VideoOutput::frameImageAtTime(const QString& path, MovieTime time) const
{
    const QImage frame = sorvant::frameImageAtTime(path, time);
    return frame.isNull() ? frame : frame.convertToFormat(imageFormat(m_pixelFormat));
}

void PlayerItem::addVideoOutputWithPixelFormatType(std::uint32_t pixelFormat)
{
    m_outputs.emplace_back(pixelFormat);
}

QImage PlayerItem::frameImageAtTime(MovieTime time) const
{
    if (!m_outputs.empty()) {
        const QImage image = m_outputs.front().frameImageAtTime(m_path, time);
        if (!image.isNull())
            return image;
    }
    return sorvant::frameImageAtTime(m_path, time);
}

QImage PlayerItem::thumbnailImage() const
{
    const QImage image = frameImageAtTime(thumbnailTime(MovieAsset(m_path).movieDuration()));
    return image.isNull() ? currentFrameImage() : image;
}

QImage PlayerItem::thumbnailImageForItemWithFile(const QString& path, QSizeF* size, double* duration,
                                                 QString* lyrics, QVariantMap* commonMetadata)
{
    if (size)
        *size = QSizeF(0, 0);
    if (duration)
        *duration = 0;
    if (lyrics)
        *lyrics = QString();
    if (commonMetadata)
        commonMetadata->clear();
    if (path.isEmpty())
        return {};
    QImage thumbnail;
    try {
        const PlayerItem item(path);
        thumbnail = item.thumbnailImage();
        const MovieAsset asset(path);
        if (size)
            *size = asset.transformedMovieSize();
        if (duration)
            *duration = asset.movieDuration();
        if (lyrics)
            *lyrics = movieLyrics(path);
        if (commonMetadata)
            *commonMetadata = movieCommonMetadata(path);
    } catch (const std::exception& error) {
        logException(QStringLiteral("thumbnailImageForItemWithFile:size:duration:lyrics:commonMetadata:"),
                     QStringLiteral("AVPlayerItem"), error);
    }
    return thumbnail;
}

QString movieLyrics(const QString& path)
{
    const Format format = openMedia(path);
    if (!format)
        return {};
    const AVDictionaryEntry* entry = media().av_dict_get(format->metadata, "lyrics", nullptr, AV_DICT_IGNORE_SUFFIX);
    return entry ? QString::fromUtf8(entry->value) : QString();
}

QVariantMap movieCommonMetadata(const QString& path)
{
    const Format format = openMedia(path);
    if (!format)
        return {};
    static const std::pair<const char*, const char*> keys[] = {
        {"title", "title"},         {"artist", "artist"},         {"album", "albumName"},
        {"date", "creationDate"},   {"creation_time", "creationDate"}, {"description", "description"},
        {"comment", "description"}, {"copyright", "copyrights"},  {"publisher", "publisher"},
        {"encoder", "software"},    {"composer", "creator"},      {"genre", "type"},
        {"language", "language"},
    };
    QVariantMap metadata;
    for (const auto& [tagName, common] : keys) {
        const QString value = tag(format->metadata, tagName);
        if (!value.isEmpty() && !metadata.contains(QString::fromLatin1(common)))
            metadata.insert(QString::fromLatin1(common), value);
    }
    return metadata;
}

double MoviePlayer::movieTime() const
{
    return m_item ? m_item->currentTime().seconds() : 0;
}

void MoviePlayer::setMovieTime(double seconds)
{
    if (m_item)
        m_item->seekToTime(MovieTime::fromSeconds(seconds, 1000));
}

double MoviePlayer::movieDuration() const
{
    return m_item ? MovieAsset(m_item->path()).movieDuration() : 0;
}

QSizeF MoviePlayer::movieSize() const
{
    return m_item ? MovieAsset(m_item->path()).movieSize() : QSizeF(0, 0);
}

QSizeF MoviePlayer::transformedMovieSize() const
{
    return m_item ? MovieAsset(m_item->path()).transformedMovieSize() : QSizeF(0, 0);
}

QImage MoviePlayer::thumbnailImage() const
{
    return m_item ? m_item->thumbnailImage() : QImage();
}

QImage MoviePlayer::currentFrameImage() const
{
    return m_item ? m_item->currentFrameImage() : QImage();
}

QImage MoviePlayer::frameImageAtTime(MovieTime time) const
{
    return m_item ? m_item->frameImageAtTime(time) : QImage();
}

} // namespace sorvant
