#include "tests/support/media_writer.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

#include <cstring>

namespace sorvant::test {

QString writeMovie(const QString& path, int width, int height, int frames, int fps, int rotation)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG4);
    if (!codec)
        return QStringLiteral("no MPEG-4 encoder in libavcodec");
    const QByteArray file = QFile::encodeName(path);
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, nullptr, file.constData()) < 0 || !format)
        return QStringLiteral("no MP4 muxer");
    AVStream* stream = avformat_new_stream(format, nullptr);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->width = width;
    context->height = height;
    context->time_base = AVRational{1, fps};
    context->framerate = AVRational{fps, 1};
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->gop_size = 10;
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    QString failure;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    const auto drain = [&] {
        while (avcodec_receive_packet(context, packet) == 0) {
            av_packet_rescale_ts(packet, context->time_base, stream->time_base);
            packet->stream_index = stream->index;
            av_interleaved_write_frame(format, packet);
        }
    };
    if (avcodec_open2(context, codec, nullptr) < 0 || avcodec_parameters_from_context(stream->codecpar, context) < 0) {
        failure = QStringLiteral("cannot open the MPEG-4 encoder");
    } else {
        stream->time_base = context->time_base;
        if (rotation) {
            auto* matrix = reinterpret_cast<int32_t*>(
                av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
            av_display_rotation_set(matrix, rotation);
        }
        if (avio_open(&format->pb, file.constData(), AVIO_FLAG_WRITE) < 0 || avformat_write_header(format, nullptr) < 0) {
            failure = QStringLiteral("cannot write the file");
        } else {
            frame->format = context->pix_fmt;
            frame->width = width;
            frame->height = height;
            av_frame_get_buffer(frame, 0);
            for (int i = 0; i < frames; ++i) {
                av_frame_make_writable(frame);
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x)
                        frame->data[0][y * frame->linesize[0] + x] = uint8_t(x + y + i * 3);
                for (int plane = 1; plane < 3; ++plane)
                    for (int y = 0; y < height / 2; ++y)
                        std::memset(frame->data[plane] + y * frame->linesize[plane], 128, size_t(width / 2));
                frame->pts = i;
                avcodec_send_frame(context, frame);
                drain();
            }
            avcodec_send_frame(context, nullptr);
            drain();
            av_write_trailer(format);
            avio_closep(&format->pb);
        }
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
    avformat_free_context(format);
    return failure;
}

// A one-second mono 8 kHz 16-bit WAV of silence, written by hand.
QByteArray wavBytes(int seconds)
{
    const quint32 dataSize = quint32(8000 * 2 * seconds);
    QByteArray wav;
    const auto put = [&wav](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            wav.append(char((value >> (8 * i)) & 0xff));
    };
    wav.append("RIFF");
    put(36 + dataSize, 4);
    wav.append("WAVEfmt ");
    put(16, 4);
    put(1, 2);        // PCM
    put(1, 2);        // mono
    put(8000, 4);     // sample rate
    put(16000, 4);    // byte rate
    put(2, 2);        // block align
    put(16, 2);       // bits
    wav.append("data");
    put(dataSize, 4);
    wav.append(QByteArray(qsizetype(dataSize), '\0'));
    return wav;
}

} // namespace sorvant::test
