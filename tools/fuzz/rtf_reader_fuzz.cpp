// libFuzzer entry point for the RTF reader: random bytes, with an RTF
// header put in front half of the time, are read. Beside the sanitizers it
// checks what must always hold: a failure comes with a message, and the
// runs of a result cover its text exactly.

#include "tools/fuzz/fuzz_support.h"
#include "web/toolkit/rtf_reader.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

void require(bool condition, const char* what)
{
    sorvant::fuzz::require(condition, "rtf_reader_fuzz", what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 1024 * 1024)
        return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if ((data[0] & 1) != 0)
        bytes.prepend("{\\rtf1\\ansi ");
    QString error;
    const std::optional<sorvant::AttributedString> text = sorvant::attributedStringWithRTF(bytes, &error);
    if (!text) {
        require(!error.isEmpty(), "a failure without a message");
        return 0;
    }
    qsizetype covered = 0;
    for (const sorvant::AttributedString::Run& run : text->runs()) {
        require(run.range.location == covered && run.range.length > 0, "runs leave a gap");
        covered = run.range.maxRange();
    }
    require(covered == text->length(), "runs do not cover the text");
    return 0;
}
