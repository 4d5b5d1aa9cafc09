#pragma once
// The movie libraries (libavformat, libavcodec, libavutil, libswscale),
// loaded on first use: a program that never looks into a movie does not
// load them, nor the hundred libraries they need, at start-up.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libswscale/swscale.h>
}

namespace sorvant {

#define SORVANT_MEDIA_FUNCTIONS(F)                                                                              \
    F(av_dict_get) F(av_display_rotation_get) F(av_find_best_stream) F(av_frame_alloc) F(av_frame_free)         \
    F(av_frame_move_ref) F(av_frame_unref) F(av_log_set_level) F(av_packet_alloc) F(av_packet_free)            \
    F(av_packet_unref) F(av_read_frame) F(av_rescale_q) F(av_seek_frame) F(av_stream_get_side_data)           \
    F(avcodec_alloc_context3) F(avcodec_find_decoder) F(avcodec_flush_buffers) F(avcodec_free_context)         \
    F(avcodec_open2) F(avcodec_parameters_to_context) F(avcodec_receive_frame) F(avcodec_send_packet)          \
    F(avformat_close_input) F(avformat_find_stream_info) F(avformat_open_input) F(sws_getContext)              \
    F(sws_scale) F(sws_freeContext)

// The functions the movie code calls, each found in the loaded libraries.
struct MediaLibrary
{
#define SORVANT_MEDIA_POINTER(name) decltype(&::name) name = nullptr;
    SORVANT_MEDIA_FUNCTIONS(SORVANT_MEDIA_POINTER)
#undef SORVANT_MEDIA_POINTER
};

// The libraries, loaded (and their logging silenced) on the first call;
// null, after one "WARNING: " line, when one of them or one function cannot
// be loaded. Thread-safe.
[[nodiscard]] const MediaLibrary* mediaLibrary();

// The loaded libraries, for code reached only after mediaLibrary() answered.
[[nodiscard]] inline const MediaLibrary& media()
{
    return *mediaLibrary();
}

// Opens the movie file at `path` (its bytes on disk) with
// avformat_open_input, only when it is a regular file (a link followed): the
// library would wait for ever on a FIFO and read a device without end. The
// library reads the descriptor that was checked, never the name again.
// Answers what avformat_open_input answers; AVERROR(ENODEV) for what is not
// a regular file, AVERROR(errno) when it cannot be opened, AVERROR(ENOSYS)
// without the libraries.
[[nodiscard]] int openMediaFile(AVFormatContext** context, const char* path);

} // namespace sorvant
