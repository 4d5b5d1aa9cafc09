// libFuzzer entry point for the property-list reader: random bytes, with a
// binary header or an XML prologue put in front a third of the time each,
// are read. Beside the sanitizers (and the library never stopping the
// process) it checks what must always hold: a failure comes with a reason,
// and whatever is read writes back and reads again to the same tree.

#include "tools/fuzz/fuzz_support.h"
#include "platform/property_list.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

void require(bool condition, const char* what)
{
    sorvant::fuzz::require(condition, "property_list_fuzz", what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0 || size > 1024 * 1024)
        return 0;
    QByteArray bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if (data[0] % 3 == 1)
        bytes.prepend("bplist00");
    else if (data[0] % 3 == 2)
        bytes.prepend("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">");
    QString error;
    const QVariant value = sorvant::propertyListFromData(bytes, &error);
    if (!value.isValid()) {
        require(!error.isEmpty(), "a failure without a reason");
        return 0;
    }
    // Uids read back as dictionaries, which write; a date outside the
    // writable range may not, and that is reported, not a fault.
    const QByteArray xml = sorvant::xmlDataFromPropertyList(value, &error);
    if (xml.isEmpty()) {
        require(!error.isEmpty(), "a refused write without a reason");
        return 0;
    }
    const QVariant again = sorvant::propertyListFromData(xml, &error);
    require(again.isValid(), "written XML does not read back");
    return 0;
}
