#pragma once
// Which files have their contents searched: the extension and type-code
// lists of the preferences ("fileExt1".."fileExt6", "fileExtOn1"..
// "fileExtOn6") and their defaults.
//
// Not here: reading or matching the contents (search/content_matching.h).

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace sorvant {

class UserDefaults;

// The default text of preference group 1 to 6 ("fileExt1".."fileExt6") and
// whether the group is on by default ("fileExtOn1".."fileExtOn6").
[[nodiscard]] QString defaultFileExtensions(int group);
[[nodiscard]] bool defaultFileExtensionsOn(int group);

// The extensions (upper case) or the type codes of the groups that are on,
// in group and token order, duplicates kept. A token "'TEXT'" (six
// characters, quoted) is a type code; any other non-empty token not starting
// with "'" is an extension.
//   "c, cpp , 'TEXT', 'x'" => extensions ("C", "CPP"), types (0x54455854)
[[nodiscard]] QStringList fileExtensions(const UserDefaults& defaults);
[[nodiscard]] QList<std::uint32_t> fileTypes(const UserDefaults& defaults);

// The type code of a quoted four-character token, big-endian.
//   "'TEXT'" => 0x54455854   "TEXT" => 0   "'TEX'" => 0   null => 0
[[nodiscard]] std::uint32_t hfsTypeCodeFromFileType(const QString& token);

} // namespace sorvant
