#pragma once
// Applications for files and URLs, for the Open With menu: which
// applications open every item of a selection and which default they
// share. Applications are the paths of their desktop files; the lookups
// follow system/mime_applications.h.
//
// The path-based pair is made for large selections: a file whose signature
// (its extension; Linux files carry no type codes) equals that of a file
// already looked up is skipped, and the last request's answer is
// remembered, so asking again with an equal list costs one comparison and
// a look at the applications folders and mimeapps.list files: one made or
// changed since (an application installed, a default set) forgets it.
//
// Answers that the Part's callers read as nil are empty lists and null
// strings.

#include <QList>
#include <QString>
#include <QStringList>

namespace sorvant {

class URL;

// Where the answers come from; tests count and shape the lookups.
class ApplicationLookup
{
public:
    virtual ~ApplicationLookup() = default;
    // Every application that opens the URL, best first.
    [[nodiscard]] virtual QStringList applicationsForURL(const URL& url) = 0;
    // The default application of the URL, or null.
    [[nodiscard]] virtual QString defaultApplicationForURL(const URL& url) = 0;
};

// Installs a lookup (null: the MIME-applications rules) and forgets the
// remembered answers; answers the previous lookup.
ApplicationLookup* setApplicationLookup(ApplicationLookup* lookup);
// Forgets the remembered answers of the path-based pair.
void forgetApplicationAnswers();

// Keeps one application per file name; of two with the same name the one
// not on another volume (isVolumePath) wins, else the first.
//   {"/media/u/X/a.desktop", "/usr/share/applications/a.desktop"}
//       => {"/usr/share/applications/a.desktop"}
[[nodiscard]] QStringList uniqueApplicationPaths(const QStringList& paths);

[[nodiscard]] QStringList applicationsForURL(const URL& url);
// The applications that open every URL; empty as soon as one has none.
[[nodiscard]] QStringList applicationsForURLs(const QList<URL>& urls);
[[nodiscard]] QStringList applicationsForPaths(const QStringList& paths);
// The applications that open a file of every extension, asked of empty
// files "_dummy_.<ext>" in the temporary folder
// ".applicationsForPathExtensions.noindex" (kept for later calls).
[[nodiscard]] QStringList applicationsForPathExtensions(const QStringList& extensions);

[[nodiscard]] QString defaultApplicationForPath(const QString& path);
// The default application shared by all files; null when they differ.
[[nodiscard]] QString defaultApplicationForPaths(const QStringList& paths);
[[nodiscard]] QString defaultApplicationForURL(const URL& url);
// The file name of the default application ("org.x.Viewer.desktop").
[[nodiscard]] QString defaultApplicationNameForURL(const URL& url);
[[nodiscard]] QString defaultApplicationPathForURLs(const QList<URL>& urls);
// Whether the default application's file name contains `name`.
[[nodiscard]] bool defaultApplicationNameForURLIsEqualTo(const URL& url, const QString& name);
// The display name (Name=) of the default application; "Tamsett Pro"
// (any case) is answered as "Tamsett".
[[nodiscard]] QString displayApplicationNameForURL(const URL& url);
[[nodiscard]] QString displayApplicationNameForURLs(const QList<URL>& urls);

} // namespace sorvant
