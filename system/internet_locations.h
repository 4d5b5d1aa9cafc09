#pragma once
// Internet-location files: small files that stand for an address (web,
// mail, news, FTP, screen sharing or a file URL). Two forms are read and
// written: a property list {"URL": …, "Name": …} (webloc, ftploc, mailloc,
// newsloc, vncloc, fileloc, inetloc) and the text form
// "[InternetShortCut]\nURL=…\n" (url). Linux files carry no type codes, so
// files are told by extension; the functions that take a type code string
// ("'LINK'") keep it for callers that have one.

#include <QString>
#include <QStringList>

namespace sorvant {

class URL;

// The 22 file types of location files (type codes quoted, then extensions),
// for open panels and drag checks.
[[nodiscard]] const QStringList& InternetLocationTypes();

// Whether the type code string is one of the eleven location codes, else
// whether the extension is one of the ten location extensions (ignoring
// case). NO for two null arguments.
//   ("WEBLOC", null) => YES   (null, "'ilvn'") => YES   ("txt", null) => NO
[[nodiscard]] bool isInternetLocationExtension(const QString& extension, const QString& type);
[[nodiscard]] bool isInternetLocationFile(const QString& path);

// The address in a location file, or null; `name` (cleared first) gets the
// property-list form's "Name". A ".url" file (or type 'LINK') is read as
// text: the first line starting "URL=" (any case), trimmed; a file of one
// line without it is that line, trimmed.
[[nodiscard]] QString resolveInternetLocation(const QString& path, QString* name = nullptr);

// The extension for a new location file of an address.
//   "HTTPS://x" => "webloc"   "/tmp/a" / "~/a" / "file:///a" => "fileloc"
//   "ftp://h" => "ftploc"     "nntp://h" => "newsloc"   "a@b.cd" => "mailloc"
//   "vnc://h" => "vncloc"     "other" => "inetloc"      "" / null => null
[[nodiscard]] QString pathExtensionForInternetLocation(const QString& address);
//   file URL => "fileloc"; http(s) "webloc"; ftp, ftps, sftp "ftploc";
//   mailto "mailloc"; news, nntp "newsloc"; vnc "vncloc"; else "inetloc";
//   a null URL => null
[[nodiscard]] QString pathExtensionForInternetLocation(const URL& url);

// Writes the property-list form {"URL": address}. NO for an empty address
// or path, or when the file cannot be written.
bool createInternetLocation(const QString& address, const QString& path);
bool createInternetLocation(const URL& url, const QString& path);

// Writes the text form, atomically, in UTF-8. NO for a null address, an
// empty path, or when the file cannot be written.
bool createURL(const QString& address, const QString& path);
bool createURL(const URL& url, const QString& path);

} // namespace sorvant
