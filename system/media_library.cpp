#include "system/media_library.h"

#include "platform/log.h"
#include "platform/regular_files.h"

#include <QString>

#include <cerrno>
#include <cstdio>
#include <dlfcn.h>
#include <unistd.h>

namespace sorvant {

namespace {

#define SORVANT_SONAME(library, major) "lib" library ".so." AV_STRINGIFY(major)

const MediaLibrary* loadMediaLibrary()
{
    // Each library before the ones that need it; kept loaded for the process.
    for (const char* soname :
         {SORVANT_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR), SORVANT_SONAME("swscale", LIBSWSCALE_VERSION_MAJOR),
          SORVANT_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR),
          SORVANT_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR)}) {
        if (::dlopen(soname, RTLD_NOW | RTLD_GLOBAL) == nullptr) {
            const char* reason = ::dlerror();
            logWarning(QStringLiteral("Movies cannot be read: %1").arg(QString::fromLocal8Bit(reason ? reason : soname)));
            return nullptr;
        }
    }
    auto* library = new MediaLibrary;
#define SORVANT_MEDIA_LOOKUP(name)                                                                              \
    library->name = reinterpret_cast<decltype(&::name)>(::dlsym(RTLD_DEFAULT, #name));                       \
    if (library->name == nullptr) {                                                                            \
        logWarning(QStringLiteral("Movies cannot be read: no %1 in the movie libraries").arg(QLatin1String(#name))); \
        delete library;                                                                                       \
        return nullptr;                                                                                       \
    }
    SORVANT_MEDIA_FUNCTIONS(SORVANT_MEDIA_LOOKUP)
#undef SORVANT_MEDIA_LOOKUP
    // Damaged files are answered with null values, not console noise.
    library->av_log_set_level(AV_LOG_QUIET);
    return library;
}

} // namespace

const MediaLibrary* mediaLibrary()
{
    static const MediaLibrary* const library = loadMediaLibrary();
    return library;
}

int openMediaFile(AVFormatContext** context, const char* path)
{
    if (mediaLibrary() == nullptr)
        return AVERROR(ENOSYS);
    bool notRegular = false;
    const UniqueFd fd = openRegularFile(path, &notRegular);
    if (!fd.isValid())
        return notRegular ? AVERROR(ENODEV) : AVERROR(errno);
    // The library opens the descriptor's /proc link, so it reads the file
    // checked here, not whatever was put in the name's place since. The
    // probe loses the name's extension; every container and raw stream the
    // movie code reads is recognized by its bytes.
    char link[40];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd.get());
    return media().avformat_open_input(context, link, nullptr, nullptr);
}

} // namespace sorvant
