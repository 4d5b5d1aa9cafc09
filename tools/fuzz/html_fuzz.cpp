// libFuzzer entry point for the HTML readers: random bytes are read as a
// document for its plain text (with and without layout and links), its
// links and as rich text. Beside the sanitizers it checks that the rich
// text's runs cover it exactly.

#include "tools/fuzz/fuzz_support.h"
#include "web/toolkit/html_services.h"
#include "web/toolkit/rich_text_files.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void require(bool condition, const char* what)
{
    sorvant::fuzz::require(condition, "html_fuzz", what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 1024 * 1024)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const QString html = QString::fromUtf8(bytes);
    const bool flag = (data[0] & 1) != 0;
    (void)sorvant::stringByConvertingHTMLToPlainText(html, flag, (data[0] & 2) != 0, (data[0] & 4) != 0, !flag);
    sorvant::URL base;
    (void)sorvant::htmlLinksBaseURL(html, &base);
    (void)sorvant::htmlTitle(html);
    const sorvant::AttributedString rich = sorvant::attributedStringWithHTML(
        bytes, flag ? QStringLiteral("UTF-8") : QString(), sorvant::URL::URLWithString(QStringLiteral("http://h/")),
        nullptr);
    qsizetype covered = 0;
    for (const sorvant::AttributedString::Run& run : rich.runs()) {
        require(run.range.location == covered && run.range.length > 0, "runs leave a gap");
        covered = run.range.maxRange();
    }
    require(covered == rich.length(), "runs do not cover the text");
    return 0;
}
