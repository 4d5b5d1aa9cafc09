#pragma once
// One application's desktop entry (a ".desktop" file): the keys of its
// "[Desktop Entry]" group that the workspace services read, with localized
// names, and the expansion of its Exec= line into command lines.
// Finding entries by ID, mapping processes to IDs and launching live in
// system/desktop_entries.h.
//
// An application is named by its desktop-file ID ("org.example.Viewer.desktop"),
// its path is the .desktop file, its display name the localized Name= and its
// icon the Icon= key.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace sorvant {

class DesktopEntry
{
public:
    DesktopEntry() = default; // the null entry

    // Parses the contents of a desktop file. `locale` is a POSIX locale name
    // ("de_AT.UTF-8@euro"); a null locale reads LC_ALL, LC_MESSAGES and LANG.
    // Answers the null entry when there is no "[Desktop Entry]" group.
    //   "[Desktop Entry]\nName=Viewer\nName[de]=Betrachter\n", "de_DE" => name() "Betrachter"
    //   "[Other]\nName=x\n" => null
    static DesktopEntry fromData(const QByteArray& data, const QString& path = {},
                                 const QString& id = {}, const QString& locale = {});
    // Reads and parses a file; the null entry when it cannot be read.
    static DesktopEntry fromFile(const QString& path, const QString& id = {},
                                 const QString& locale = {});

    [[nodiscard]] bool isNull() const { return m_values.isEmpty() && m_path.isNull(); }

    // --- observers ----------------------------------------------------------
    [[nodiscard]] const QString& path() const { return m_path; }
    [[nodiscard]] const QString& desktopFileID() const { return m_id; }
    // The desktop-file ID without ".desktop" (the D-Bus well-known name of a
    // D-Bus activatable application).
    [[nodiscard]] QString applicationID() const;
    [[nodiscard]] QString type() const { return value(QStringLiteral("Type")); }
    // The localized Name=, falling back to the unlocalized one.
    [[nodiscard]] const QString& name() const { return m_name; }
    [[nodiscard]] const QString& genericName() const { return m_genericName; }
    [[nodiscard]] QString icon() const { return value(QStringLiteral("Icon")); }
    // The Exec= value with its string escapes decoded (quoting and field
    // codes still in place).
    [[nodiscard]] QString exec() const { return value(QStringLiteral("Exec")); }
    [[nodiscard]] QString tryExec() const { return value(QStringLiteral("TryExec")); }
    [[nodiscard]] QString startupWMClass() const { return value(QStringLiteral("StartupWMClass")); }
    [[nodiscard]] QStringList mimeTypes() const { return listValue(QStringLiteral("MimeType")); }
    [[nodiscard]] QStringList categories() const { return listValue(QStringLiteral("Categories")); }
    [[nodiscard]] bool terminal() const { return boolValue(QStringLiteral("Terminal")); }
    [[nodiscard]] bool dbusActivatable() const { return boolValue(QStringLiteral("DBusActivatable")); }
    [[nodiscard]] bool noDisplay() const { return boolValue(QStringLiteral("NoDisplay")); }
    // Hidden=true means "deleted": lookups treat the ID as absent.
    [[nodiscard]] bool hidden() const { return boolValue(QStringLiteral("Hidden")); }
    // Whether an application of type "Application" with an Exec= line or
    // D-Bus activation.
    [[nodiscard]] bool isApplication() const;
    // NO when TryExec= names a program that is not there (or not
    // executable): the application is not installed and is not offered.
    [[nodiscard]] bool isInstalled() const;

    // A raw value of the group, string escapes decoded; null when missing.
    [[nodiscard]] QString value(const QString& key) const { return m_values.value(key); }
    // A ";"-separated list value ("a;b\;c;" => {"a", "b;c"}).
    [[nodiscard]] QStringList listValue(const QString& key) const;
    // "true" (or "1") is YES; everything else NO.
    [[nodiscard]] bool boolValue(const QString& key) const;

    // The program named first on the Exec= line (unquoted), or null.
    [[nodiscard]] QString program() const;

    // --- Exec expansion -----------------------------------------------------
    // The command lines that open `items` (absolute paths or URL strings):
    // one command when the line takes many (%F %U) or none, one per item for
    // %f %u. %f/%F take local paths (file URLs are turned into paths, other
    // URLs are skipped); %u/%U take URLs (paths become file URLs). %i gives
    // "--icon" and the icon, %c the name, %k the entry's path, %% a "%";
    // deprecated codes vanish. Empty when the line cannot be split.
    //   Exec=viewer %U, {"/a", "/b"}  => {{"viewer", "file:///a", "file:///b"}}
    //   Exec=viewer %f, {"/a", "/b"}  => {{"viewer", "/a"}, {"viewer", "/b"}}
    //   Exec=viewer,    {"/a"}        => {{"viewer"}}
    [[nodiscard]] QList<QStringList> commandsForItems(const QStringList& items) const;

private:
    [[nodiscard]] QStringList execArguments() const;

    QString m_path;
    QString m_id;
    QString m_name;
    QString m_genericName;
    QHash<QString, QString> m_values;
};

// Splits an Exec= value into arguments by its quoting rules: arguments are
// separated by spaces; a double-quoted argument may hold spaces, and "\\",
// "\"", "\`" and "\$" inside it stand for the character. Answers an empty
// list for an unterminated quote.
//   R"(a "b c" d)" => {"a", "b c", "d"}     R"("x\"y")" => {"x\"y"}
//   "" => {}                                R"("open)" => {}
[[nodiscard]] QStringList splitExecLine(const QString& exec);

// Decodes the string escapes of a desktop-file value: \s \n \t \r \\.
//   R"(a\sb)" => "a b"    R"(a\;b)" => R"(a\;b)" (lists decode ";" later)
[[nodiscard]] QString decodeDesktopValue(const QString& raw);

// The locale-key suffixes to try for a POSIX locale name, best first, by
// the lang_COUNTRY@MODIFIER rules.
//   "de_AT.UTF-8@euro" => {"de_AT@euro", "de_AT", "de@euro", "de"}
//   "C" / "" => {}
[[nodiscard]] QStringList localeKeySuffixes(const QString& locale);

// The messages locale of the process: LC_ALL, else LC_MESSAGES, else LANG.
[[nodiscard]] QString messagesLocale();

} // namespace sorvant
