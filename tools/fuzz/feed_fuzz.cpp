// libFuzzer entry point for the feed reader: random bytes become a text
// (UTF-8), inside an RSS frame half of the time, and are read as items and
// as the display page. Beside the sanitizers (and the stack) it checks that
// no link the page shows runs a script or carries a document.

#include "tools/fuzz/fuzz_support.h"
#include "web/toolkit/feed_services.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void require(bool condition, const char* what)
{
    sorvant::fuzz::require(condition, "feed_fuzz", what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 1024 * 1024)
        return 0;
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if ((data[0] & 1) != 0)
        text = QStringLiteral("<rss version=\"2.0\"><channel><title>T</title><item><title>") + text
               + QStringLiteral("</title></item></channel></rss>");
    const sorvant::URL base = sorvant::URL::URLWithString(QStringLiteral("http://example.org/feed/"));
    (void)sorvant::getItemsOfFeed(text, (data[0] & 2) != 0 ? base : sorvant::URL());
    const QString page = sorvant::stringByConvertingFeed(text, base, (data[0] & 4) != 0);
    for (const char* scheme : {"href=\"javascript:", "href=\"data:", "href=\"vbscript:"})
        require(!page.contains(QLatin1String(scheme), Qt::CaseInsensitive), "a script or data link reached the page");
    return 0;
}
