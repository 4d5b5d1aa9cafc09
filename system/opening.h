#pragma once
// Opening files and URLs with their default application or with a named
// one. The default application is the MIME-applications default
// (system/mime_applications.h) started through its desktop entry; an item
// without one goes to the desktop's opener ("xdg-open"). A named
// application is a desktop entry found by display name, ID or path.
//
// Linux has no way to hand an application a search text with a document,
// so openURL with a search string takes the plain road. Whether the calling
// application stays in front is up to the window manager: the deactivate
// flag is accepted and has no effect.

#include <QList>
#include <QString>
#include <QStringList>

namespace sorvant {

class URL;

// Starts programs for the opening functions; tests record instead.
class ItemOpener
{
public:
    virtual ~ItemOpener() = default;
    // Opens the items (paths or URL strings) with the application of
    // `desktopEntryPath`; YES when it started.
    virtual bool openWithApplication(const QString& desktopEntryPath, const QStringList& items) = 0;
    // Hands one item to the desktop's opener; YES when it started.
    virtual bool openWithDesktopOpener(const QString& item) = 0;
};

// Installs an opener (null: the real one); answers the previous one.
ItemOpener* setItemOpener(ItemOpener* opener);

// NO for a null URL. A file URL opens its path; other URLs open as they
// are. With an application name (not empty) that names no application: NO.
bool openURL(const URL& url, const QString& application, bool deactivate);
bool openURL(const URL& url, bool deactivate);
bool openURLWithApplication(const URL& url, const QString& application);
// The same for several URLs: one start of a named application with all of
// them; without a name openURLsWithDefaults. NO for no URLs, or when any
// could not be opened.
bool openURLs(const QList<URL>& urls, const QString& application, bool deactivate);
// Opens each URL with its default application, one start of an application
// for all the URLs it is the first default of (so one whose Exec= takes %F
// or %U starts once with all of them); a start that fails leaves its URLs
// to be opened one by one as openURL does. Answers the indexes of the URLs
// that could not be opened, in order (a null URL among them).
//   three text files, one editor => one start with the three; {}
[[nodiscard]] QList<qsizetype> openURLsWithDefaults(const QList<URL>& urls);
// openURL; the search text cannot be handed on (see above).
bool openURL(const URL& url, const QString& application, bool deactivate, const QString& searchString);

} // namespace sorvant
