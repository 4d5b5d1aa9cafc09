#include "system/media_files.h"

#include "foundation/string_membership.h"
#include "platform/file_system_representation.h"
#include "platform/path_semantics.h"
#include "system/media_library.h"

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

namespace sorvant {

namespace {

struct FormatContextCloser
{
    void operator()(AVFormatContext* context) const { media().avformat_close_input(&context); }
};

// The first real video track: positive size, not a cover picture.
const AVStream* firstVideoStream(const AVFormatContext* context)
{
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        const AVCodecParameters* parameters = stream->codecpar;
        if (parameters->codec_type == AVMEDIA_TYPE_VIDEO && parameters->width > 0 && parameters->height > 0
            && !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return stream;
    }
    return nullptr;
}

// The size turned by the display matrix: the matrix's a, b, c, d entries are
// 16.16 fixed point at indexes 0, 1, 3 and 4.
QSizeF transformedSize(const AVStream* stream, const QSizeF& size)
{
    size_t length = 0;
    const uint8_t* data = media().av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &length);
    if (!data || length < 9 * sizeof(int32_t))
        return size;
    int32_t matrix[9];
    std::memcpy(matrix, data, sizeof matrix);
    const double a = matrix[0] / 65536.0, b = matrix[1] / 65536.0;
    const double c = matrix[3] / 65536.0, d = matrix[4] / 65536.0;
    const double w = size.width(), h = size.height();
    return QSizeF(std::fabs(w * a + h * c), std::fabs(w * b + h * d));
}

} // namespace

// Made on first use: as globals the tables cost every program that links
// this library their construction at start.
const QStringList& QuickTimeFileTypes()
{
    static const QStringList table = [] {
        // "webm" stands twice in the table; both entries are kept so that the
        // table has the length and order callers may count on.
        const QStringList extensions = {
            "gsm",  "aac",  "mid",  "aif",  "m4v",  "amr",  "m4a",  "divx", "qhtm", "cdda", "mkv",  "smf",
            "m4b",  "webm", "snd",  "mka",  "asf",  "dvd",  "gvi",  "smil", "swf",  "mpm",  "smi",  "aifc",
            "f4v",  "kar",  "qtz",  "ulw",  "m75",  "pdf",  "qt",   "amc",  "3gp2", "adts", "cel",  "flv",
            "qtpf", "mp2",  "nuv",  "mpeg", "mp3",  "3gp",  "flc",  "aiff", "wm",   "mov",  "mp4",  "wav",
            "3g2",  "m1s",  "sdp",  "rtsp", "dat",  "gif",  "avi",  "mpv",  "m15",  "wax",  "sd2",  "mpa",
            "caf",  "qht",  "m1v",  "m1a",  "au",   "mqv",  "m4p",  "fli",  "dif",  "atr",  "midi", "pls",
            "m2a",  "bwf",  "m2v",  "scc",  "sdv",  "3gpp", "wmv",  "tta",  "m3u",  "m3u8", "vfw",  "wma",
            "dv",   "mpg",  "vp6",  "skin", "wvx",  "swa",  "ac3",  "asx",  "webm", "ts",
        };
        const QStringList types = {
            "'GSM '", "'AVI_'", "'hmov'", "'GIFf'", "'SWFL'", "'CLCP'", "'3gp2'", "'embd'", "'AIFF'", "'MooV'",
            "'mxfd'", "'sdp '", "'qhtm'", "'MPG2'", "'3gpp'", "'DAVI'", "'MPGA'", "'MPEG'", "'M1V '", "'FLI '",
            "'attr'", "'cdda'", "'MPGa'", "'VfW '", "'.WAV'", "'amc '", "'Sd2f'", "'MP3 '", "'.SMI'", "'rtsp'",
            "'MPGV'", "'AIFC'", "'mpg4'", "'PDF '", "'MkvF'", "'amr '", "'M1A '", "'PLAY'", "'MPG '", "'MPGv'",
            "'SMIL'", "'Mp3 '", "'ASF_'", "'ac-3'", "'MPGx'", "'dvc!'", "'Midi'", "'grip'", "'MPG3'", "'ULAW'",
            "'WAVE'", "'WMV '", "'sdv '", "'adts'", "'caff'", "'DIVX'", "'SwaT'",
        };
        return extensions + types;
    }();
    return table;
}

bool isQuickTimeExtension(const QString& extension, const QString& type)
{
    if (type == QLatin1String("'TEXT'") && extension.compare(QLatin1String("dat"), Qt::CaseInsensitive) == 0)
        return false;
    const QStringList& table = QuickTimeFileTypes();
    return containsStringNoCase(table, extension) || containsString(table, type);
}

bool isQuickTimeFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    return isQuickTimeExtension(pathExtension(path), QStringLiteral("''"));
}

bool supportsFile(const QString& path)
{
    if (path.isNull())
        return false;
    for (const char* suffix : {".flv", ".wmv", ".gif", ".webm"})
        if (path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive))
            return false;
    return true;
}

MovieAsset::MovieAsset(const QString& path)
{
    const QByteArray file = fileSystemRepresentation(path);
    if (file.isEmpty())
        return;
    AVFormatContext* raw = nullptr;
    if (openMediaFile(&raw, file.constData()) < 0)
        return;
    std::unique_ptr<AVFormatContext, FormatContextCloser> context(raw);
    // Some containers (raw streams, MPEG transport) state sizes and
    // durations only in their packets; probing fills them in.
    if (media().avformat_find_stream_info(context.get(), nullptr) < 0)
        return;
    m_valid = true;
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0)
        m_duration = double(context->duration) / AV_TIME_BASE;
    if (const AVStream* stream = firstVideoStream(context.get())) {
        m_size = QSizeF(std::abs(stream->codecpar->width), std::abs(stream->codecpar->height));
        m_transformedSize = transformedSize(stream, m_size);
    }
}

bool getSize(QSizeF* size, double* duration, const QString& path)
{
    if (size)
        *size = QSizeF(0, 0);
    if (duration)
        *duration = 0;
    if (path.isEmpty() || (!size && !duration))
        return false;
    struct stat info;
    if (::stat(fileSystemRepresentation(path).constData(), &info) != 0)
        return false;
    const MovieAsset asset(path);
    if (size)
        *size = asset.transformedMovieSize();
    if (duration)
        *duration = asset.movieDuration();
    return true;
}

} // namespace sorvant
