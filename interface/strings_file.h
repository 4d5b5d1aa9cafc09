#pragma once
// Strings tables: the ".strings" text that maps development-language
// (English) texts to their translations, read from a bundle's
// "<language>.lproj/<Table>.strings", merged, and written back.
//
// The reader takes the whole syntax: block and line comments, quoted and
// unquoted keys, a key alone ("key";  => key = key), the escapes \" \\ \n
// \r \t \a \b \f \v, octal \ooo and \Uxxxx, in UTF-8 or in UTF-16 or UTF-8
// with a byte-order mark; an XML property list of strings is read as well.
// The writer is exact: one line "\"key\" = \"value\";\n" per entry in key
// order, the five escapes backslash, quote, line feed, carriage return and
// tab (so "C:\\" reads back), UTF-8 without a byte-order mark; an empty
// table is zero bytes.
//
// Not here: looking strings up for the interface (localization.h).

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace sorvant {

class Bundle;

// Key => translation. Typed, so a non-string value cannot reach the writer.
using StringsTable = QMap<QString, QString>;

// --- reading ------------------------------------------------------------------

// The table in strings-file data; nullopt (and a message with the line
// number through `error`) when the data is not a strings file.
//   "\"a\" = \"b\";"  => {a: b}        "" => {}
//   "/* c */ k;"      => {k: k}        "\"a\" = " => nullopt
[[nodiscard]] std::optional<StringsTable> stringsTableFromData(const QByteArray& data,
                                                               QString* error = nullptr);
// The table in a file; nullopt when it cannot be read or parsed.
[[nodiscard]] std::optional<StringsTable> readStringsFile(const QString& path,
                                                          QString* error = nullptr);

// --- writing ------------------------------------------------------------------

// The strings-file text of a table, UTF-8.
//   {}               => ""  (zero bytes)
//   {"a\"b": "x\\y"} => "\"a\\\"b\" = \"x\\y\";\n"
[[nodiscard]] QByteArray stringsRepresentation(const StringsTable& table);
// Writes stringsRepresentation to `path` (atomically: through a temporary
// file renamed into place); answers success.
bool writeStringsToFile(const StringsTable& table, const QString& path, bool atomically = true);

// --- bundles ------------------------------------------------------------------

// The localization folders of a bundle ("en", "de" for en.lproj, de.lproj),
// sorted.
[[nodiscard]] QStringList bundleLocalizations(const Bundle& bundle);
// The languages the interface is shown in, best first: those set with
// setPreferredLanguages, else the system locale's interface languages.
[[nodiscard]] QStringList preferredLanguages();
// Overrides the interface languages (an empty list restores the system's);
// drops the cached tables of localizedStringsTable.
void setPreferredLanguages(const QStringList& languages);
// The folder of the bundle's localization that best matches
// preferredLanguages(); null when the bundle has none.
[[nodiscard]] QString localizationFolder(const Bundle& bundle);

// The table `name` ("Localizable" for a null or empty name) of the bundle's
// current localization; nullopt when there is no such file or it cannot be
// read.
[[nodiscard]] std::optional<StringsTable> stringsFileNamed(const Bundle& bundle, const QString& name);
// The tables merged: the first table holding a key wins, and each
// differing later value is logged "Different values for key %@: %@!=%@".
// Missing tables are skipped; nullopt when none exists or `names` is empty
// or starts with a null name.
[[nodiscard]] std::optional<StringsTable> stringsFilesNamed(const Bundle& bundle, const QStringList& names);

// --- lookups ------------------------------------------------------------------

// The translation of `key` in table `table` ("Localizable" when null or
// empty) of the bundle's current localization; null when the table or the
// entry is missing. Tables are read once and kept until the languages
// change or clearStringsTableCache is called.
[[nodiscard]] QString stringsTableLookup(const Bundle& bundle, const QString& table, const QString& key);
void clearStringsTableCache();

// Makes every bundle's localizedStringForKey read these tables (the main
// bundle's current localization); safe to call again.
void installStringsTables();

// --- ISO codes ------------------------------------------------------------------

// Every ISO country (language) code mapped to its English name;
// codes without a name are absent.
//   localizedISOCountryCodes()["DE"] => "Germany"
[[nodiscard]] StringsTable localizedISOCountryCodes();
[[nodiscard]] StringsTable localizedISOLanguageCodes();

} // namespace sorvant
