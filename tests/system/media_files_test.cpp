#include "system/media_files.h"

#include "tests/support/temp_tree.h"

#include <QFile>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
}

#include <gtest/gtest.h>

namespace sorvant {
namespace {

// Encodes `frames` frames of a moving gradient at `fps` into an MPEG-4 file,
// with a display matrix turned by `rotation` degrees when not 0. Answers
// the reason when the machine's libavcodec cannot write it.
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

TEST(MediaFiles, TableHoldsExtensionsThenTypes)
{
    const QStringList& table = QuickTimeFileTypes();
    ASSERT_EQ(table.size(), 151);
    EXPECT_EQ(table.first(), QStringLiteral("gsm"));
    EXPECT_EQ(table.at(93), QStringLiteral("ts"));
    EXPECT_EQ(table.at(94), QStringLiteral("'GSM '"));
    EXPECT_EQ(table.last(), QStringLiteral("'SwaT'"));
    EXPECT_EQ(table.count(QStringLiteral("webm")), 2);
}

TEST(MediaFiles, QuickTimeExtensionsAndTypes)
{
    const struct
    {
        const char* extension;
        const char* type;
        bool expected;
    } cases[] = {
        {"DAT", "'TEXT'", false}, {"dat", "''", true},   {"dat", "'MooV'", true}, {"MOV", "''", true},
        {"", "'MooV'", true},     {"pdf", nullptr, true}, {"gif", "''", true},    {"txt", "''", false},
        {"txt", "'TEXT'", false}, {"", "", false},        {nullptr, nullptr, false}, {"mooV", "''", false},
        {"x", "'moov'", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.extension ? c.extension : "(null)") + " " + (c.type ? c.type : "(null)"));
        EXPECT_EQ(isQuickTimeExtension(c.extension ? QString::fromLatin1(c.extension) : QString(),
                                       c.type ? QString::fromLatin1(c.type) : QString()),
                  c.expected);
    }
    EXPECT_TRUE(isQuickTimeFile(QStringLiteral("/m/clip.M4V")));
    EXPECT_FALSE(isQuickTimeFile(QStringLiteral("/m/notes.txt")));
    EXPECT_FALSE(isQuickTimeFile(QString()));
}

TEST(MediaFiles, SupportsFileExcludesFourFormats)
{
    const struct
    {
        const char* path;
        bool expected;
    } cases[] = {
        {"/m/a.GIF", false}, {"/m/a.webm", false}, {"/m/a.Flv", false}, {"/m/a.wmv", false},
        {"/m/a.mov", true},  {"/m/a.txt", true},   {"/m/gif", true},    {"", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(supportsFile(QString::fromLatin1(c.path)), c.expected);
    }
    EXPECT_FALSE(supportsFile(QString()));
}

TEST(MediaFiles, GetSizeOfMissingAndNonMediaFiles)
{
    test::TempTree tree;
    QSizeF size(5, 5);
    double duration = 7;
    EXPECT_FALSE(getSize(&size, &duration, tree.filePath("missing.mov")));
    EXPECT_EQ(size, QSizeF(0, 0));
    EXPECT_EQ(duration, 0);
    EXPECT_FALSE(getSize(nullptr, nullptr, tree.writeFile("a.txt", "x")));
    EXPECT_FALSE(getSize(&size, &duration, QString()));

    duration = 7;
    EXPECT_TRUE(getSize(&size, &duration, tree.writeFile("notes.mov", "plain text, not a movie")));
    EXPECT_EQ(size, QSizeF(0, 0));
    EXPECT_EQ(duration, 0);

    EXPECT_TRUE(getSize(&size, &duration, tree.writeFile("sound.wav", wavBytes(3))));
    EXPECT_EQ(size, QSizeF(0, 0));
    EXPECT_NEAR(duration, 3.0, 0.01);
}

TEST(MediaFiles, MovieSizeDurationAndTurnedSize)
{
    test::TempTree tree;
    const QString upright = tree.filePath("upright.mp4");
    const QString failure = writeMovie(upright, 64, 48, 20, 10, 0);
    if (!failure.isEmpty())
        GTEST_SKIP() << failure.toStdString();
    QSizeF size;
    double duration = 0;
    ASSERT_TRUE(getSize(&size, &duration, upright));
    EXPECT_EQ(size, QSizeF(64, 48));
    EXPECT_NEAR(duration, 2.0, 0.15);
    const MovieAsset asset(upright);
    EXPECT_TRUE(asset.isValid());
    EXPECT_EQ(asset.movieSize(), QSizeF(64, 48));

    const QString turned = tree.filePath("turned.mov");
    ASSERT_EQ(writeMovie(turned, 64, 48, 10, 10, 90), QString());
    const MovieAsset onItsSide(turned);
    EXPECT_EQ(onItsSide.movieSize(), QSizeF(64, 48));
    EXPECT_EQ(onItsSide.transformedMovieSize(), QSizeF(48, 64));
    ASSERT_TRUE(getSize(&size, nullptr, turned));
    EXPECT_EQ(size, QSizeF(48, 64));
}

} // namespace
} // namespace sorvant
