// A stand-in for the desktop's session-bus services, for the end-to-end test:
// it records what the application asks of them, one line per call or
// signal, in a log file the test reads.
//
//   fake_desktop LOG [--file-manager] [--launcher] [--color-scheme N]
//
//   --file-manager    owns org.freedesktop.FileManager1 and answers every
//                     call to it ("ShowItems [file:///a/b.txt] \"\"")
//   --launcher        records every com.canonical.Unity.LauncherEntry
//                     Update signal ("Update application://x.desktop
//                     {count=3 count-visible=true}")
//   --color-scheme N  owns org.freedesktop.portal.Desktop and reads N for
//                     "org.freedesktop.appearance" "color-scheme" (0 none,
//                     1 dark, 2 light); other keys are unknown
//
// The names are requested last, so a service that can be found on the bus
// is already recording. Arguments are written as: strings as they stand
// (the empty one as ""), arrays in [ ], maps in { } with key=value sorted
// by key, variants by their value, numbers and booleans in decimal and
// true/false. Runs until killed.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <map>

namespace {

QString formatValue(const QVariant& value);

QString bracketed(const QStringList& items, char open, char close)
{
    return QLatin1Char(open) + items.join(QLatin1Char(' ')) + QLatin1Char(close);
}

// The remaining values of an array or a structure the argument is in.
QStringList formatItems(const QDBusArgument& argument)
{
    QStringList items;
    while (!argument.atEnd())
        items.append(formatValue(argument.asVariant()));
    return items;
}

// One value of a D-Bus argument the bus delivered without demarshalling
// (containers of anything but strings).
QString formatArgument(const QDBusArgument& argument)
{
    switch (argument.currentType()) {
    case QDBusArgument::BasicType:
        return formatValue(argument.asVariant());
    case QDBusArgument::VariantType:
        return formatValue(qdbus_cast<QDBusVariant>(argument).variant());
    case QDBusArgument::ArrayType: {
        argument.beginArray();
        const QStringList items = formatItems(argument);
        argument.endArray();
        return bracketed(items, '[', ']');
    }
    case QDBusArgument::MapType: {
        std::map<QString, QString> entries;
        argument.beginMap();
        while (!argument.atEnd()) {
            argument.beginMapEntry();
            const QString key = formatValue(argument.asVariant());
            entries[key] = formatValue(argument.asVariant());
            argument.endMapEntry();
        }
        argument.endMap();
        QStringList items;
        for (const auto& [key, value] : entries)
            items.append(key + QLatin1Char('=') + value);
        return bracketed(items, '{', '}');
    }
    case QDBusArgument::StructureType: {
        argument.beginStructure();
        const QStringList items = formatItems(argument);
        argument.endStructure();
        return bracketed(items, '(', ')');
    }
    case QDBusArgument::MapEntryType:
    case QDBusArgument::UnknownType:
        break;
    }
    return QStringLiteral("?");
}

QString formatValue(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return formatArgument(value.value<QDBusArgument>());
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return formatValue(value.value<QDBusVariant>().variant());
    if (value.metaType() == QMetaType::fromType<QStringList>()) {
        QStringList items;
        for (const QString& item : value.toStringList())
            items.append(formatValue(item));
        return bracketed(items, '[', ']');
    }
    if (value.metaType() == QMetaType::fromType<bool>())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    const QString text = value.toString();
    return text.isEmpty() ? QStringLiteral("\"\"") : text;
}

// The log: one line per event, written through at once so that a reader
// polling the file sees every event that has happened.
class Recorder : public QObject
{
    Q_OBJECT
public:
    explicit Recorder(const QString& path) : m_file(path) {}

    bool open() { return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered); }

    void record(const QString& member, const QList<QVariant>& arguments)
    {
        QStringList fields {member};
        for (const QVariant& argument : arguments)
            fields.append(formatValue(argument));
        m_file.write(fields.join(QLatin1Char(' ')).toUtf8() + '\n');
    }

public slots:
    void signalReceived(const QDBusMessage& message) { record(message.member(), message.arguments()); }

private:
    QFile m_file;
};

// A bus object that records every method call and answers it: with the
// reply (or error) `answer` makes of the call, or with an empty reply.
class RecordingObject : public QDBusVirtualObject
{
public:
    using Answer = std::function<QDBusMessage(const QDBusMessage& call)>;

    RecordingObject(Recorder& recorder, QString interfaceXml, Answer answer = {})
        : m_recorder(recorder), m_interfaceXml(std::move(interfaceXml)), m_answer(std::move(answer))
    {
    }

    QString introspect(const QString&) const override { return m_interfaceXml; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.type() != QDBusMessage::MethodCallMessage)
            return false;
        m_recorder.record(message.member(), message.arguments());
        if (message.isReplyRequired())
            connection.send(m_answer ? m_answer(message) : message.createReply());
        return true;
    }

private:
    Recorder& m_recorder;
    QString m_interfaceXml;
    Answer m_answer;
};

const char kFileManagerXml[] = R"(<interface name="org.freedesktop.FileManager1">
  <method name="ShowFolders"><arg type="as" direction="in"/><arg type="s" direction="in"/></method>
  <method name="ShowItems"><arg type="as" direction="in"/><arg type="s" direction="in"/></method>
  <method name="ShowItemProperties"><arg type="as" direction="in"/><arg type="s" direction="in"/></method>
</interface>
)";

const char kPortalSettingsXml[] = R"(<interface name="org.freedesktop.portal.Settings">
  <method name="Read">
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/>
  </method>
  <method name="ReadOne">
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/>
  </method>
  <property name="version" type="u" access="read"/>
</interface>
)";

// Read answers the value wrapped twice, as portals before version 2 do;
// ReadOne once. Any other setting is not found.
QDBusMessage portalAnswer(uint scheme, const QDBusMessage& call)
{
    const QList<QVariant> arguments = call.arguments();
    const bool known = (call.member() == u"Read" || call.member() == u"ReadOne") && arguments.size() == 2
                       && arguments.at(0).toString() == u"org.freedesktop.appearance"
                       && arguments.at(1).toString() == u"color-scheme";
    if (!known)
        return call.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                     QStringLiteral("Requested setting not found"));
    const QVariant value = QVariant::fromValue(QDBusVariant(scheme));
    if (call.member() == u"ReadOne")
        return call.createReply(value);
    return call.createReply(QVariant::fromValue(QDBusVariant(value)));
}

bool ownName(QDBusConnection& bus, const QString& name)
{
    const auto reply = bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                                        QDBusConnectionInterface::DontAllowReplacement);
    return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("log"), QStringLiteral("The file the calls are appended to."));
    const QCommandLineOption fileManager(QStringLiteral("file-manager"));
    const QCommandLineOption launcher(QStringLiteral("launcher"));
    const QCommandLineOption colorScheme(QStringLiteral("color-scheme"), QString(), QStringLiteral("N"));
    parser.addOptions({fileManager, launcher, colorScheme});
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::fputs("usage: fake_desktop LOG [--file-manager] [--launcher] [--color-scheme N]\n", stderr);
        return 2;
    }
    bool schemeOk = true;
    const uint scheme = parser.isSet(colorScheme) ? parser.value(colorScheme).toUInt(&schemeOk) : 0;
    if (!schemeOk || scheme > 2) {
        std::fputs("fake_desktop: the colour scheme is 0, 1 or 2\n", stderr);
        return 2;
    }

    Recorder recorder(parser.positionalArguments().constFirst());
    if (!recorder.open()) {
        std::fputs("fake_desktop: cannot write the log\n", stderr);
        return 1;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fputs("fake_desktop: no session bus\n", stderr);
        return 1;
    }

    if (parser.isSet(launcher)
        && !bus.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                        QStringLiteral("Update"), &recorder, SLOT(signalReceived(QDBusMessage)))) {
        std::fputs("fake_desktop: cannot listen to the launcher entries\n", stderr);
        return 1;
    }
    RecordingObject fileManagerObject(recorder, QString::fromLatin1(kFileManagerXml));
    if (parser.isSet(fileManager)
        && (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"), &fileManagerObject)
            || !ownName(bus, QStringLiteral("org.freedesktop.FileManager1")))) {
        std::fputs("fake_desktop: cannot serve the file manager\n", stderr);
        return 1;
    }
    RecordingObject portalObject(recorder, QString::fromLatin1(kPortalSettingsXml),
                                 [scheme](const QDBusMessage& call) { return portalAnswer(scheme, call); });
    if (parser.isSet(colorScheme)
        && (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portalObject)
            || !ownName(bus, QStringLiteral("org.freedesktop.portal.Desktop")))) {
        std::fputs("fake_desktop: cannot serve the portal\n", stderr);
        return 1;
    }

    // Ended by the test's clean-up; the bus gives the names back.
    return QCoreApplication::exec();
}

#include "fake_desktop.moc"
