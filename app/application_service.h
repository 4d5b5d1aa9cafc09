#pragma once
// One application per user session, over the session bus. The first
// process owns the well-known name "org.tarrenbeck.Sorvant" and answers
// org.freedesktop.Application (Activate opens a window when none is open,
// Open fills the last window with a folder) and the application's own
// interface: the two services "search in folder" and "search for text", and
// the paths of the front window's results (for scripts and tests). A second
// launch hands its arguments to the first and ends.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace sorvant {

class ApplicationDelegate;

inline constexpr const char* kApplicationBusName = "org.tarrenbeck.Sorvant";
inline constexpr const char* kApplicationObjectPath = "/org/tarrenbeck/Sorvant";
inline constexpr const char* kApplicationSearchInterface = "org.tarrenbeck.Sorvant.Search";

// What a launch asks of the application.
struct LaunchRequest
{
    QString folder; // null: none
    QString phrase; // null: none
};

// The folder a "search in folder" request names: a file URL gives its
// path; a list of names (one a line) gives its only name; anything else,
// several names included, is taken as it stands.
//   "file:///tmp/a%20b" => "/tmp/a b"   "/x\n" => "/x"   "/x\n/y" => "/x\n/y"
[[nodiscard]] QString servicesFolder(const QString& value);

class ApplicationService : public QObject
{
    Q_OBJECT
public:
    explicit ApplicationService(ApplicationDelegate& delegate, QObject* parent = nullptr);

    // Owns the name and serves the interfaces; NO when another process has
    // the name (or there is no session bus).
    bool registerOnSessionBus();
    // Hands a launch to the process that owns the name; NO when none does.
    // A folder path goes as its file URL, so that every byte of it (one not
    // UTF-8, a trailing newline or space) arrives.
    static bool forwardToRunningInstance(const LaunchRequest& request);

    // --- the methods served -----------------------------------------------------
    void activate();
    void open(const QStringList& uris);
    void searchInFolder(const QString& value);
    void searchForText(const QString& text);
    // The full paths of the front window's results (of the last window
    // when none is in front). A bus string is UTF-8, so a byte of a name
    // that is not becomes another character; resultStoredPaths() gives such
    // a path as its file URL, as the settings store it (storedStringOfPath).
    [[nodiscard]] QStringList resultPaths() const;
    [[nodiscard]] QStringList resultStoredPaths() const;

private:
    [[nodiscard]] QStringList resultPaths(QString (*form)(const QString& path)) const;

    ApplicationDelegate& m_delegate;
};

} // namespace sorvant
