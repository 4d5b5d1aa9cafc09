#include "platform/file_lock.h"
#include "platform/log.h"
#include "tests/support/log_capture.h"
#include "platform/path_semantics.h"
#include "platform/property_list.h"
#include "platform/task.h"
#include "platform/user_defaults.h"

#include "tests/support/hermetic_environment.h"
#include "tests/support/scoped_variable.h"
#include "tests/support/temporary_home.h"
#include "tests/support/temp_tree.h"
#include "tests/support/temporary_mark.h"
#include "tests/support/binary_property_list.h"
#include "tests/support/peak_memory.h"
#include "platform/scan_work.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTimeZone>
#include <QtEndian>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include <atomic>
#include <cstring>
#include <limits>
#include <functional>
#include <thread>
#include <tuple>
#include <vector>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace sorvant;
using sorvant::test::LogCapture;

namespace {

const char* const kChildPathVariable = "SORVANT_TEST_DEFAULTS_PATH";

// One value of every kind the defaults keep.
QVariantMap typedValues()
{
    return {
        {"Bool", true},
        {"Integer", QVariant::fromValue<qint64>(-42)},
        {"Real", 2.5},
        {"String", QStringLiteral("déjà vu")},
        {"Date", QDateTime(QDate(2025, 6, 1), QTime(12, 0), QTimeZone::utc())},
        {"Data", QByteArray("\x00\x01", 2)},
        {"Array", QVariantList{1, "a"}},
        {"Dictionary", QVariantMap{{"k", false}}},
    };
}

void expectTypedValues(const UserDefaults& defaults)
{
    const QVariantMap expected = typedValues();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        const QVariant read = defaults.objectForKey(it.key());
        EXPECT_EQ(read.typeId(), it.value().typeId()) << read.typeName();
        EXPECT_EQ(read, it.value());
    }
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QByteArray linkTarget(const QString& path)
{
    char buffer[4096];
    const ssize_t length = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return length < 0 ? QByteArray() : QByteArray(buffer, length);
}

// What a folder of settings holds after a save: the file and its lock, no
// temporary.
QStringList settingsAndLock(const QString& name)
{
    return {name, lastPathComponent(UserDefaults::lockPath(QStringLiteral("/f/") + name))};
}

bool isFifo(const QString& path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
}

class UserDefaultsTest : public testing::Test
{
protected:
    test::TempTree tree;
    QString path = tree.filePath("config/sorvant/org.tarrenbeck.Sorvant.plist");
};

TEST_F(UserDefaultsTest, TypedValuesSurviveAFreshRead)
{
    {
        UserDefaults writer(path);
        const QVariantMap values = typedValues();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            writer.setObject(it.value(), it.key());
    }
    UserDefaults reader(path);
    expectTypedValues(reader);
}

// Written by the child process that TypedValuesSurviveAnotherProcess starts.
TEST_F(UserDefaultsTest, DISABLED_ChildProcessWritesTypedValues)
{
    UserDefaults writer(qEnvironmentVariable(kChildPathVariable));
    const QVariantMap values = typedValues();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        writer.setObject(it.value(), it.key());
}

TEST_F(UserDefaultsTest, TypedValuesSurviveAnotherProcess)
{
    UserDefaults reader(path);
    EXPECT_FALSE(reader.objectForKey("Bool").isValid());

    // Started with Task (posix_spawn), not QProcess: Qt's child runs in this
    // process's memory until it executes (vfork), and in a ThreadSanitizer
    // build it changes the sanitizer's bookkeeping under this process's
    // threads, which then reports races that are none in later tests.
    Task child(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--gtest_also_run_disabled_tests"),
                QStringLiteral("--gtest_filter=UserDefaultsTest.DISABLED_ChildProcessWritesTypedValues")});
    child.setTimeoutMilliseconds(30000);
    {
        const test::ScopedVariable childPath(kChildPathVariable, QFile::encodeName(path).constData());
        ASSERT_TRUE(child.launchAndWaitUntilExit());
    }
    ASSERT_EQ(child.terminationStatus(), 0) << child.standardOutput().toStdString();

    EXPECT_TRUE(reader.synchronize());
    expectTypedValues(reader);
}

TEST_F(UserDefaultsTest, WritersKeepKeysAnotherWriterChanged)
{
    UserDefaults first(path);
    UserDefaults second(path);
    first.setBool(true, "A");
    second.setBool(true, "B");
    first.setValue(QVariant(), "B");
    second.setInteger(2, "C");
    EXPECT_EQ(UserDefaults(path).persistentDomain().keys(), QStringList({"A", "C"}));
    EXPECT_EQ(second.objectForKey("A"), QVariant(true));
    EXPECT_TRUE(first.synchronize());
    EXPECT_EQ(first.objectForKey("C"), QVariant::fromValue<qint64>(2));
}

// Opens of one file, as inotify reports them on its folder.
class FileOpens
{
public:
    explicit FileOpens(const QString& path) : m_name(QFileInfo(path).fileName().toUtf8())
    {
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        EXPECT_GE(::inotify_add_watch(m_fd, QFile::encodeName(QFileInfo(path).path()).constData(), IN_OPEN), 0);
    }
    ~FileOpens() { ::close(m_fd); }
    // The opens since the last call.
    int take()
    {
        int opens = 0;
        alignas(inotify_event) char buffer[8192];
        for (ssize_t length; (length = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char* at = buffer; at < buffer + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                opens += event->len > 0 && m_name == event->name;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return opens;
    }

private:
    QByteArray m_name;
    int m_fd = -1;
};

// A settings file of 60 MB took seconds to parse, and every write and every
// synchronize read it again: the file is read only when someone else wrote
// it since this object last read or wrote it.
TEST_F(UserDefaultsTest, AFileNobodyElseWroteIsNotReadAgain)
{
    UserDefaults(path).setString(QStringLiteral("old"), QStringLiteral("Old"));
    FileOpens opens(path);
    UserDefaults defaults(path);
    EXPECT_EQ(opens.take(), 1) << "read once at the start";
    defaults.setBool(true, QStringLiteral("A"));
    defaults.setBool(true, QStringLiteral("B"));
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_EQ(opens.take(), 0);
    defaults.setBool(true, QStringLiteral("C"));
    EXPECT_TRUE(defaults.flush());
    EXPECT_EQ(opens.take(), 0);

    // Another writer's change is still read and kept.
    UserDefaults(path).setString(QStringLiteral("theirs"), QStringLiteral("Other"));
    (void)opens.take();
    defaults.setBool(true, QStringLiteral("D"));
    EXPECT_TRUE(defaults.flush());
    EXPECT_EQ(opens.take(), 1);
    const QVariantMap stored = UserDefaults(path).persistentDomain();
    EXPECT_EQ(stored.keys(), QStringList({"A", "B", "C", "D", "Old", "Other"}));
}

TEST_F(UserDefaultsTest, FileDamagedLaterIsSetAsideByTheNextWrite)
{
    UserDefaults defaults(path);
    defaults.setBool(true, "A");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("<plist><dict><key>");
    file.close();
    LogCapture log;
    defaults.setBool(true, "B");
    EXPECT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(QFile::exists(path + ".damaged"));
    EXPECT_EQ(UserDefaults(path).persistentDomain().keys(), QStringList({"A", "B"}));
}

TEST_F(UserDefaultsTest, ValuesReadTheSameBeforeAndAfterAFreshRead)
{
    UserDefaults defaults(path);
    defaults.setObject(42, "Int");
    defaults.setObject(1.5f, "Float");
    defaults.setObject(QStringList{"a"}, "Names");
    for (const char* key : {"Int", "Float", "Names"}) {
        SCOPED_TRACE(key);
        const QVariant fresh = UserDefaults(path).objectForKey(key);
        EXPECT_EQ(defaults.objectForKey(key).typeId(), fresh.typeId());
        EXPECT_EQ(defaults.objectForKey(key), fresh);
    }
}

TEST_F(UserDefaultsTest, NilRemovesTheKey)
{
    UserDefaults defaults(path);
    defaults.setObject(true, "Flag");
    defaults.setString(QStringLiteral("x"), "Name");
    defaults.setValue(QVariant(), "Flag");
    defaults.setString(QString(), "Name");
    EXPECT_FALSE(defaults.objectForKey("Flag").isValid());
    EXPECT_FALSE(defaults.objectForKey("Name").isValid());
    EXPECT_TRUE(UserDefaults(path).persistentDomain().isEmpty());
}

TEST_F(UserDefaultsTest, DomainsAreSearchedArgumentsPersistentRegistration)
{
    UserDefaults defaults(path, {"sorvant", "-A", "from arguments", "-Tree", "<plist><integer>3</integer></plist>"});
    defaults.registerDefaults({{"A", "registered"}, {"B", "registered"}, {"C", "registered"}});
    defaults.setObject(QStringLiteral("stored"), "A");
    defaults.setObject(QStringLiteral("stored"), "B");
    EXPECT_EQ(defaults.objectForKey("A"), QVariant("from arguments"));
    EXPECT_EQ(defaults.objectForKey("B"), QVariant("stored"));
    EXPECT_EQ(defaults.objectForKey("C"), QVariant("registered"));
    EXPECT_EQ(defaults.objectForKey("Tree"), QVariant::fromValue<qint64>(3));
    EXPECT_EQ(defaults.dictionaryRepresentation().value("A"), QVariant("from arguments"));
    // Neither the arguments nor the registered values reach the file.
    EXPECT_EQ(UserDefaults(path).persistentDomain().keys(), QStringList({"A", "B"}));
}

TEST_F(UserDefaultsTest, ArgumentDomainPairsKeysWithValues)
{
    const struct
    {
        QStringList arguments;
        QVariantMap domain;
    } cases[] = {
        {{}, {}},
        {{"prog"}, {}},
        {{"prog", "-A"}, {}},
        {{"prog", "-A", "1", "-B", "-2"}, {{"A", "1"}, {"B", "-2"}}},
        {{"prog", "file.txt", "-A", "YES"}, {{"A", "YES"}}},
        {{"prog", "-", "x", "-A", "<junk"}, {{"A", "<junk"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        EXPECT_EQ(UserDefaults::argumentDomain(c.arguments), c.domain);
    }
}

TEST_F(UserDefaultsTest, ValuesWithoutPropertyListFormAreRefused)
{
    LogCapture log;
    UserDefaults defaults(path);
    defaults.setObject(QVariantList{QVariant::fromValue(nullptr)}, "Bad");
    EXPECT_FALSE(defaults.objectForKey("Bad").isValid());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith("ERROR: "));
}

// A value as the file keeps it: its type and, for reals, its bits, all the
// way down, so that values Qt calls equal (1 and 1.0, 0.0 and -0.0) read apart.
std::string typedDescription(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList: {
        std::string out = "[";
        for (const QVariant& item : value.toList())
            out += typedDescription(item) + ",";
        return out + "]";
    }
    case QMetaType::QVariantMap: {
        std::string out = "{";
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            out += it.key().toStdString() + ":" + typedDescription(it.value()) + ",";
        return out + "}";
    }
    case QMetaType::Double: {
        const double number = value.toDouble();
        quint64 bits = 0;
        std::memcpy(&bits, &number, sizeof bits);
        return "real:" + QByteArray::number(bits, 16).toStdString();
    }
    default:
        return std::string(value.typeName()) + ":" + value.toString().toStdString();
    }
}

// Regression: a value equal in Qt's sense to the stored one but of another
// type or sign ([1] after ["1"], -0.0 after 0.0) was taken for no change,
// and the first value stayed, in memory and on disk. Each is stored, in an
// XML file and in a binary one, and read back after the program starts again.
TEST_F(UserDefaultsTest, AValueEqualOnlyInQtsSenseIsStored)
{
    const struct {
        const char* name;
        QVariant first;
        QVariant second;
    } cases[] = {
        {"text then integer", QVariantList{"1"}, QVariantList{1}},
        {"integer then real", QVariantList{1}, QVariantList{1.0}},
        {"integer then boolean", QVariantList{1}, QVariantList{true}},
        {"boolean then integer in a dictionary", QVariantMap{{"a", true}}, QVariantMap{{"a", 1}}},
        {"zero then negative zero in a list", QVariantList{0.0}, QVariantList{-0.0}},
        {"zero then negative zero", 0.0, -0.0},
        {"integer then real, alone", 1, 1.0},
        {"integer then real two levels down", QVariantMap{{"a", QVariantList{1}}}, QVariantMap{{"a", QVariantList{1.0}}}},
    };
    for (const bool binary : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (binary ? " (binary)" : " (XML)"));
            const QString file = tree.writeFile(QStringLiteral("near/%1-%2.plist").arg(&c - cases).arg(binary),
                                                binary ? binaryDataFromPropertyList(QVariantMap{}) : QByteArray());
            const std::string expected = typedDescription(propertyListValue(c.second));
            {
                UserDefaults defaults(file);
                defaults.setObject(c.first, "Key");
                defaults.setObject(c.second, "Key");
                EXPECT_EQ(typedDescription(defaults.objectForKey("Key")), expected);
            }
            EXPECT_EQ(typedDescription(UserDefaults(file).objectForKey("Key")), expected);
        }
    }
}

TEST_F(UserDefaultsTest, DamagedFileIsLeftByReadsAndSetAsideByTheFirstWrite)
{
    // Regression: a NUL inside a string, or deep nesting, stopped the process
    // on every launch instead of being set aside.
    const QByteArray deep = "<plist>" + QByteArray("<array>").repeated(200000) + "</plist>";
    for (const QByteArray& damage : {QByteArray("<plist><dict><key>A</key>"), QByteArray("<plist><integer>1</integer></plist>"),
                                     QByteArray("<plist><dict><key>A</key><string>a\0b</string></dict></plist>", 60), deep}) {
        SCOPED_TRACE(damage.left(80).toStdString());
        SCOPED_TRACE(damage.toStdString());
        test::TempTree local;
        const QString file = local.writeFile("defaults.plist", damage);
        LogCapture log;
        UserDefaults defaults(file);
        EXPECT_FALSE(defaults.synchronize());
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines()[0].startsWith("WARNING: "));
        EXPECT_EQ(fileBytes(file), damage);
        EXPECT_FALSE(QFile::exists(file + ".damaged"));

        defaults.setBool(true, "A");
        EXPECT_TRUE(log.lines().last().contains(file + ".damaged"));
        EXPECT_EQ(fileBytes(file + ".damaged"), damage);
        EXPECT_EQ(UserDefaults(file).objectForKey("A"), QVariant(true));
    }
}

TEST_F(UserDefaultsTest, SecondDamagedFileKeepsTheFirst)
{
    const QString file = tree.writeFile("d.plist", "junk one");
    tree.writeFile("d.plist.damaged", "older");
    LogCapture log;
    UserDefaults defaults(file);
    defaults.setBool(true, "A");
    EXPECT_EQ(fileBytes(file + ".damaged"), "older");
    EXPECT_EQ(fileBytes(file + ".damaged-2"), "junk one");
}

// A damaged file is moved aside only once what replaces it is made: when
// the replacement cannot be made (it would expand too far for the reader),
// the damaged file stays where it is, byte for byte, and nothing is set aside.
TEST_F(UserDefaultsTest, ADamagedFileStaysInPlaceWhileItsReplacementCannotBeMade)
{
    QVariant level = QStringLiteral("x");
    for (int i = 0; i < 23; ++i)
        level = QVariantList{level, level};
    for (const QByteArray& damage : {QByteArray("junk"), QByteArray("<plist><dict><key>A</key>")}) {
        SCOPED_TRACE(damage.toStdString());
        test::TempTree local;
        const QString file = local.writeFile("d.plist", damage);
        LogCapture log;
        UserDefaults defaults(file);
        defaults.setObject(level, QStringLiteral("Pairs"));
        EXPECT_EQ(fileBytes(file), damage);
        EXPECT_FALSE(QFile::exists(file + ".damaged"));
        ASSERT_FALSE(log.lines().isEmpty());
        EXPECT_TRUE(log.lines().last().startsWith(QLatin1String("ERROR: "))) << log.lines().last().toStdString();
    }
}

// Regression: a save killed before its rename left its whole temporary
// beside the settings for good. The next save removes one a save of these
// settings was shown to make (it carries their name in the attribute a save
// gives its temporary) and names it; one of the same name without that
// mark is a user's file and stays.
TEST_F(UserDefaultsTest, TheNextSaveRemovesATemporaryAKilledSaveLeft)
{
    const QString file = tree.writeFile("d.plist", xmlDataFromPropertyList(QVariantMap{{"Old", true}}));
    const QString left = tree.writeFile("d.plist.tmp.K1lled", "half a file");
    const QString users = tree.writeFile("d.plist.tmp.Mine00", "mine");
    if (!test::markAsATemporary(QFile::encodeName(left)))
        GTEST_SKIP() << "this file system keeps no user attributes";
    LogCapture log;
    UserDefaults(file).setBool(true, QStringLiteral("New"));
    EXPECT_FALSE(QFile::exists(left));
    EXPECT_EQ(fileBytes(users), "mine");
    EXPECT_EQ(log.lines().filter(left).size(), 1) << log.lines().join('\n').toStdString();
    EXPECT_EQ(UserDefaults(file).persistentDomain().keys(), QStringList({"New", "Old"}));
}

// Files a reader may meet at the settings path. Reading, and for the ones
// that are no settings file also writing, must leave them as they are.
struct HostileFile
{
    const char* name;
    std::function<void(const QString& path)> make;
    bool readable;       // read as a dictionary (then a write may replace it)
    QVariant valueOfA;   // what the key "A" reads as
};

QByteArray utf16Plist(QStringConverter::Encoding encoding)
{
    const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
                                        "<plist version=\"1.0\"><dict><key>A</key><string>\u00e9t\u00e9</string>"
                                        "</dict></plist>\n");
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void PrintTo(const HostileFile& row, std::ostream* out)
{
    *out << row.name << (row.readable ? " (a settings file)" : " (no settings file)");
}

class UserDefaultsHostileFileTest : public testing::TestWithParam<HostileFile>
{
};

TEST_P(UserDefaultsHostileFileTest, ReadingNeverChangesTheFile)
{
    const HostileFile& c = GetParam();
    test::TempTree local;
    const QString file = local.filePath("defaults.plist");
    c.make(file);
    const QByteArray link = linkTarget(file);
    const QByteArray before = link.isEmpty() && !isFifo(file) ? fileBytes(file) : QByteArray();
    LogCapture log;
    UserDefaults defaults(file);
    EXPECT_EQ(defaults.objectForKey("A"), c.valueOfA);
    EXPECT_EQ(defaults.synchronize(), c.readable);
    EXPECT_EQ(QDir(local.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
              QStringList{"defaults.plist"});
    EXPECT_EQ(linkTarget(file), link);
    if (!before.isEmpty() || c.readable) {
        EXPECT_EQ(fileBytes(file), before);
    }
    if (!c.readable) {
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
        EXPECT_TRUE(log.lines()[0].startsWith("WARNING: "));
        // Nor does a write replace what is no settings file.
        defaults.setBool(true, "B");
        EXPECT_EQ(linkTarget(file), link);
        EXPECT_EQ(QDir(local.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                  QStringList{"defaults.plist"});
        if (!before.isEmpty()) {
            EXPECT_EQ(fileBytes(file), before);
        }
    } else {
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, UserDefaultsHostileFileTest,
    testing::Values(
        HostileFile{"Empty", [](const QString& path) { writeBytes(path, {}); }, true, {}},
        HostileFile{"Utf16LittleEndian",
                    [](const QString& path) { writeBytes(path, utf16Plist(QStringConverter::Utf16LE)); }, true,
                    QStringLiteral("\u00e9t\u00e9")},
        HostileFile{"Utf16BigEndian",
                    [](const QString& path) { writeBytes(path, utf16Plist(QStringConverter::Utf16BE)); }, true,
                    QStringLiteral("\u00e9t\u00e9")},
        HostileFile{"Fifo",
                    [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
                    false, {}},
        HostileFile{"LinkToDevZero",
                    [](const QString& path) { ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(path).constData()), 0); },
                    false, {}},
        HostileFile{"Oversized",
                    [](const QString& path) {
                        writeBytes(path, "<plist><dict/></plist>");
                        // Sparse: takes no disk space.
                        ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), 65 * 1024 * 1024), 0);
                    },
                    false, {}}),
    [](const testing::TestParamInfo<HostileFile>& row) { return std::string(row.param.name); });

TEST_F(UserDefaultsTest, UnreadableFileIsNeverWrittenOver)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const QString file = tree.writeFile("d.plist", "<plist><dict/></plist>");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0), 0);
    LogCapture log;
    UserDefaults defaults(file);
    defaults.setBool(true, "A");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0600), 0);
    EXPECT_TRUE(log.lines().value(0).startsWith("WARNING: "));
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "<plist><dict/></plist>");
}

TEST_F(UserDefaultsTest, ALinkedSettingsFileIsWrittenThroughTheLink)
{
    // Settings kept in a dotfiles folder, linked into place.
    const QString real = tree.writeFile("dotfiles/d.plist", "<plist><dict/></plist>");
    const QString link = tree.filePath("config/d.plist");
    tree.makeDir("config");
    ASSERT_EQ(::symlink(QFile::encodeName(real).constData(), QFile::encodeName(link).constData()), 0);
    {
        UserDefaults defaults(link);
        defaults.setBool(true, "A");
        ASSERT_TRUE(defaults.synchronize());
    }
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(UserDefaults(real).objectForKey("A").toBool());
}

TEST_F(UserDefaultsTest, AReadOnlySettingsFileIsNotOverwritten)
{
    const QString file = tree.writeFile("d.plist", "<plist><dict/></plist>");
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
    LogCapture log;
    {
        UserDefaults defaults(file);
        defaults.setBool(true, "A");
        EXPECT_FALSE(defaults.synchronize());
    }
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    EXPECT_TRUE(log.lines().value(0).startsWith("WARNING: ")) << log.lines().join('\n').toStdString();
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "<plist><dict/></plist>");
}

TEST_F(UserDefaultsTest, ReadersOnOtherThreadsSeeWholeValues)
{
    UserDefaults defaults(path);
    defaults.setInteger(0, "Counter");
    std::atomic<bool> done{false};
    std::atomic<int> badReads{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            while (!done.load()) {
                const QVariant value = defaults.objectForKey("Counter");
                if (value.typeId() != QMetaType::LongLong)
                    badReads.fetch_add(1);
                (void)defaults.dictionaryRepresentation();
            }
        });
    }
    for (qint64 n = 1; n <= 20; ++n)
        defaults.setInteger(n, "Counter");
    done.store(true);
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(badReads.load(), 0);
    EXPECT_EQ(UserDefaults(path).objectForKey("Counter"), QVariant::fromValue<qint64>(20));
}

// Whether `condition` holds within `bound`, looked at every few milliseconds.
bool holdsWithin(const std::function<bool()>& condition, std::chrono::seconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// With coalesced writes the keys of one action make one write, made on the
// writer's thread, over what another process wrote meanwhile; a flush
// writes at once. The changes settle for an hour, so no loaded machine
// lets the writer come first; a shorter settle then lets it write.
TEST_F(UserDefaultsTest, CoalescedChangesMakeOneWriteOverTheFilesContents)
{
    using namespace std::chrono_literals;
    UserDefaults defaults(path);
    defaults.setCoalescedWrites(1h, 0ms);
    for (int i = 0; i < 20; ++i)
        defaults.setInteger(i, QStringLiteral("Key%1").arg(i));
    defaults.removeObjectForKey(QStringLiteral("Key3"));
    EXPECT_EQ(defaults.writeCount(), 0u) << "nothing written on the caller's thread";
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("Key7")).toLongLong(), 7) << "read back at once";
    {
        UserDefaults other(path);
        other.setString(QStringLiteral("theirs"), QStringLiteral("Other"));
    }
    EXPECT_EQ(defaults.writeCount(), 0u);
    defaults.setCoalescedWrites(20ms, 0ms);
    ASSERT_TRUE(holdsWithin([&] { return defaults.writeCount() > 0; }, 60s)) << "the writer never wrote";
    // Nothing is left for a second write: a flush finds nothing pending
    // (it waits for a pass under way, so a write per key would show).
    EXPECT_TRUE(defaults.flush());
    EXPECT_EQ(defaults.writeCount(), 1u);
    {
        UserDefaults reread(path);
        EXPECT_EQ(reread.objectForKey(QStringLiteral("Key19")).toLongLong(), 19);
        EXPECT_FALSE(reread.objectForKey(QStringLiteral("Key3")).isValid());
        EXPECT_EQ(reread.objectForKey(QStringLiteral("Other")).toString(), QStringLiteral("theirs"));
    }
    EXPECT_EQ(defaults.objectForKey(QStringLiteral("Other")).toString(), QStringLiteral("theirs"));

    defaults.setCoalescedWrites(1h, 0ms);
    defaults.setBool(true, QStringLiteral("AtQuit"));
    ASSERT_TRUE(defaults.flush());
    EXPECT_EQ(defaults.writeCount(), 2u);
    EXPECT_TRUE(UserDefaults(path).objectForKey(QStringLiteral("AtQuit")).toBool());
}

// A save holds the lock of the settings from its read to its rename, and
// the writer waits for another holder rather than going on without it.
// Regression: a change made while the writer's pass was under way was
// dropped when Qt called it equal to the value being written ([1.0] after
// [1]); it stays pending and is the next write.
TEST_F(UserDefaultsTest, TheWriterWaitsForTheLockAndKeepsANearEqualChangeMadeMeanwhile)
{
    using namespace std::chrono_literals;
    UserDefaults(path).setBool(true, QStringLiteral("Before"));
    FileLock held;
    ASSERT_EQ(held.lock(UserDefaults::lockPath(path), 0ms), FileLock::Status::Locked);
    FileOpens opens(UserDefaults::lockPath(path));
    LogCapture log;
    UserDefaults defaults(path);
    defaults.setCoalescedWrites(0ms, 0ms);
    defaults.setObject(QVariantList{1}, QStringLiteral("Key"));
    int opened = 0;
    ASSERT_TRUE(holdsWithin([&] { return (opened += opens.take()) > 0; }, 60s)) << "the writer never asked for the lock";
    defaults.setObject(QVariantList{1.0}, QStringLiteral("Key"));
    EXPECT_FALSE(UserDefaults(path).objectForKey(QStringLiteral("Key")).isValid()) << "written under another's lock";
    held.unlock();
    EXPECT_TRUE(defaults.flush());
    EXPECT_EQ(typedDescription(UserDefaults(path).objectForKey(QStringLiteral("Key"))), "[real:3ff0000000000000,]");
    EXPECT_EQ(typedDescription(defaults.objectForKey(QStringLiteral("Key"))), "[real:3ff0000000000000,]");
    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
}

// A settings file as the application leaves it: its window's frame and
// columns, and one date under "LastCheck".
QByteArray settingsWithDate(const QDateTime& date)
{
    QByteArray xml("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n");
    for (int i = 0; i < 22; ++i)
        xml += "\t<key>Column" + QByteArray::number(i) + "</key>\n\t<integer>" + QByteArray::number(i) + "</integer>\n";
    xml += "\t<key>LastCheck</key>\n\t<date>" + date.toString(Qt::ISODate).toUtf8() + "</date>\n";
    return xml + "</dict>\n</plist>\n";
}

// Regression: a date after 2069 or before 1933 read, but every write of the
// file failed on it, so the window's frame was never saved at quit.
TEST_F(UserDefaultsTest, ASettingsFileHoldingAnyDateIsSavedWhole)
{
    for (const QDateTime& date : {QDateTime(QDate(2100, 1, 1), QTime(0, 0), QTimeZone::utc()),
                                  QDateTime(QDate(1900, 7, 14), QTime(8, 30, 15), QTimeZone::utc())}) {
        SCOPED_TRACE(date.toString(Qt::ISODate).toStdString());
        test::TempTree local;
        const QString file = local.writeFile("defaults.plist", settingsWithDate(date));
        LogCapture log;
        {
            UserDefaults defaults(file);
            defaults.setCoalescedWrites(std::chrono::milliseconds(150), std::chrono::milliseconds(1000));
            defaults.setString(QStringLiteral("0 0 800 600 0 0 1920 1080 "), QStringLiteral("NSWindow Frame Main"));
            EXPECT_TRUE(defaults.flush());
        }
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
        const UserDefaults reread(file);
        EXPECT_EQ(reread.persistentDomain().size(), 24);
        EXPECT_EQ(reread.objectForKey(QStringLiteral("NSWindow Frame Main")).toString(),
                  QStringLiteral("0 0 800 600 0 0 1920 1080 "));
        EXPECT_EQ(reread.objectForKey(QStringLiteral("LastCheck")), QVariant(date));
    }
}

QByteArray bigEndian64(quint64 value)
{
    const quint64 big = qToBigEndian(value);
    return QByteArray(reinterpret_cast<const char*>(&big), sizeof big);
}

// A binary settings file {"Kept": "kept", "When": <date>} with the date's
// seconds from 2001.
QByteArray binarySettingsWithDate(double secondsFrom2001)
{
    quint64 bits = 0;
    std::memcpy(&bits, &secondsFrom2001, sizeof bits);
    const QByteArray objects[] = {QByteArray("\xD2\x01\x02\x03\x04"), QByteArray("\x54Kept"),
                                  QByteArray("\x54When"), QByteArray("\x54kept"), char(0x33) + bigEndian64(bits)};
    QByteArray data("bplist00");
    QByteArray offsets;
    for (const QByteArray& object : objects) {
        offsets += char(data.size());
        data += object;
    }
    const qsizetype table = data.size();
    return data + offsets + QByteArray(6, '\0') + char(1) + char(1) + bigEndian64(5) + bigEndian64(0)
           + bigEndian64(quint64(table));
}

// A value the file gives but that no property list can be written with (a
// binary date past the year 9999, or no date at all) is left out with a
// warning naming its key; the other settings are saved. A binary date in
// 2100 is kept as it is.
TEST_F(UserDefaultsTest, AValueThatCannotBeWrittenIsLeftOutAndTheRestSaved)
{
    const struct {
        const char* name;
        double seconds;
        bool kept;
    } cases[] = {
        {"2100", 3124137600.0, true},
        {"year 20000", 5.68e11, false},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempTree local;
        const QString file = local.writeFile("defaults.plist", binarySettingsWithDate(c.seconds));
        const QVariant when = UserDefaults(file).objectForKey(QStringLiteral("When"));
        ASSERT_EQ(when.typeId(), QMetaType::QDateTime);
        LogCapture log;
        UserDefaults(file).setBool(true, QStringLiteral("Added"));
        const QVariantMap saved = UserDefaults(file).persistentDomain();
        EXPECT_EQ(saved.value(QStringLiteral("Kept")), QVariant("kept"));
        EXPECT_EQ(saved.value(QStringLiteral("Added")), QVariant(true));
        if (c.kept) {
            EXPECT_EQ(saved.value(QStringLiteral("When")), when);
            EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
            continue;
        }
        EXPECT_FALSE(saved.contains(QStringLiteral("When")));
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
        EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("WARNING: "))) << log.lines()[0].toStdString();
        EXPECT_TRUE(log.lines()[0].contains(QLatin1String("'When'"))) << log.lines()[0].toStdString();
    }
}

// Regression: an XML settings file holding a date outside the years 1 to
// 9999 was refused whole and set aside, every setting lost. The date is
// now left out with a warning naming it, as in a binary file, and the
// other settings are kept and saved.
TEST_F(UserDefaultsTest, AnXmlDateOutsideTheYearsItHoldsCostsOnlyItsOwnSetting)
{
    QByteArray settings;
    QVariantMap twenty;
    for (int i = 0; i < 20; ++i) {
        const QString key = QStringLiteral("Setting%1").arg(i, 2, 10, QLatin1Char('0'));
        settings += "<key>" + key.toUtf8() + "</key><integer>" + QByteArray::number(i) + "</integer>";
        twenty.insert(key, QVariant::fromValue<qint64>(i));
    }
    for (const char* date : {"0000-06-01T00:00:00Z", "10000-01-01T00:00:00Z", "-0001-01-01T00:00:00Z"}) {
        SCOPED_TRACE(date);
        test::TempTree local;
        const QString file = local.writeFile(
            "defaults.plist", "<plist><dict>" + settings + "<key>When</key><date>" + date + "</date></dict></plist>");
        LogCapture log;
        {
            // A start and a quit.
            UserDefaults defaults(file);
            for (auto it = twenty.cbegin(); it != twenty.cend(); ++it)
                EXPECT_EQ(defaults.objectForKey(it.key()), it.value()) << it.key().toStdString();
            defaults.setBool(true, QStringLiteral("Added"));
        }
        QVariantMap expected = twenty;
        expected.insert(QStringLiteral("Added"), true);
        EXPECT_EQ(propertyListFromData(fileBytes(file)).toMap(), expected);
        EXPECT_EQ(QDir(local.path()).entryList(QDir::Files), settingsAndLock("defaults.plist"));
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
        EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("WARNING: "))) << log.lines()[0].toStdString();
        EXPECT_TRUE(log.lines()[0].contains(QLatin1String("'When'"))) << log.lines()[0].toStdString();
    }
}

// Settings of `count` entries {"Style<i>": {"Font": shared, "Size": i}}
// and {"Other": 7}, `shared` one value in memory, as a binary list's
// shared object reads.
QVariantMap settingsSharing(int count, const QVariant& shared)
{
    QVariantMap settings{{"Other", QVariant::fromValue<qint64>(7)}};
    for (int i = 0; i < count; ++i)
        settings.insert(QStringLiteral("Style%1").arg(i),
                        QVariantMap{{"Font", shared}, {"Size", QVariant::fromValue<qint64>(i)}});
    return settings;
}

// Regression: binary settings whose shared values, counted once per
// reference, expanded past 16 times the file's size were refused, set
// aside as damaged and every setting lost (5,000 styles sharing one 4 KB
// string: 99 KB). They read, and a change saves them in binary, about as
// large as they were, and they read back.
TEST_F(UserDefaultsTest, SettingsSharingTheirValuesReadAndAreSavedShared)
{
    const struct {
        const char* name;
        QVariantMap settings;
    } cases[] = {
        {"5,000 styles sharing 4 KB of text", settingsSharing(5000, QString(4096, u'f'))},
        {"400 entries sharing 60 KB of data", settingsSharing(400, QByteArray(60 * 1024, 'd'))},
        {"1,000 entries sharing a 20 KB icon", settingsSharing(1000, QByteArray(20 * 1024, 'i'))},
        {"12 levels of pairs over 1 MB", QVariantMap{{"Other", QVariant::fromValue<qint64>(7)},
                                                     {"Pairs", [] {
                                                          QVariant level = QString(1024 * 1024, u'x');
                                                          for (int i = 0; i < 12; ++i)
                                                              level = QVariantList{level, level};
                                                          return level;
                                                      }()}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempTree local;
        const QByteArray data = binaryDataFromPropertyList(c.settings);
        ASSERT_FALSE(data.isEmpty());
        const QString file = local.writeFile("defaults.plist", data);
        LogCapture log;
        {
            UserDefaults defaults(file);
            EXPECT_EQ(defaults.persistentDomain().size(), c.settings.size());
            EXPECT_EQ(defaults.objectForKey(QStringLiteral("Other")), QVariant::fromValue<qint64>(7));
            defaults.setBool(true, QStringLiteral("Added"));
        }
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
        EXPECT_EQ(QDir(local.path()).entryList(QDir::Files), settingsAndLock("defaults.plist"));
        const QByteArray saved = fileBytes(file);
        EXPECT_TRUE(saved.startsWith("bplist00"));
        // A shared list read as two values may be written twice, its
        // references only.
        EXPECT_LE(saved.size(), data.size() + data.size() / 16 + 256);
        const UserDefaults reread(file);
        EXPECT_EQ(reread.persistentDomain().size(), c.settings.size() + 1);
        EXPECT_EQ(reread.objectForKey(QStringLiteral("Added")), QVariant(true));
    }
}

// Regression: a binary settings file of 3.9 MB holding one string 19 times
// was saved at the first change as 74 MB of XML, which the next start
// refused as too large, every setting lost. A save never writes what its
// reader refuses: a binary file stays binary, and settings whose XML would
// be too large are written in binary.
TEST_F(UserDefaultsTest, ASaveIsAlwaysOneTheReaderReadsBack)
{
    const QString large(3900 * 1024, u's');
    const QVariantList nineteen(19, large);
    for (const bool startsBinary : {true, false}) {
        SCOPED_TRACE(startsBinary ? "binary file" : "XML file, the value set");
        test::TempTree local;
        const QVariantMap settings{{"Other", QVariant::fromValue<qint64>(7)}, {"Copies", nineteen}};
        const QString file = local.writeFile("defaults.plist", startsBinary
                                                                   ? binaryDataFromPropertyList(settings)
                                                                   : xmlDataFromPropertyList(QVariantMap{
                                                                         {"Other", QVariant::fromValue<qint64>(7)}}));
        LogCapture log;
        {
            UserDefaults defaults(file);
            if (!startsBinary)
                defaults.setObject(nineteen, QStringLiteral("Copies"));
            defaults.setBool(true, QStringLiteral("Added"));
        }
        EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join('\n').toStdString();
        EXPECT_LE(QFileInfo(file).size(), 8 * 1024 * 1024);
        const UserDefaults reread(file);
        EXPECT_EQ(reread.objectForKey(QStringLiteral("Other")), QVariant::fromValue<qint64>(7));
        EXPECT_EQ(reread.objectForKey(QStringLiteral("Added")), QVariant(true));
        const QVariantList copies = reread.objectForKey(QStringLiteral("Copies")).toList();
        ASSERT_EQ(copies.size(), 19);
        EXPECT_EQ(copies.at(18).toString().size(), large.size());
    }
}

// Settings that neither form can hold so that the reader reads them back
// (a list of eight million references, which the reader refuses as
// expanding too far) are not written: the file stays as it was, with the
// reason, and every setting in it.
TEST_F(UserDefaultsTest, ASaveTheReaderWouldRefuseKeepsTheFile)
{
    test::TempTree local;
    const QByteArray before = xmlDataFromPropertyList(QVariantMap{{"Other", QVariant::fromValue<qint64>(7)}});
    const QString file = local.writeFile("defaults.plist", before);
    QVariant level = QStringLiteral("x");
    for (int i = 0; i < 23; ++i)
        level = QVariantList{level, level};
    LogCapture log;
    {
        UserDefaults defaults(file);
        defaults.setObject(level, QStringLiteral("Pairs"));
        EXPECT_EQ(defaults.objectForKey(QStringLiteral("Pairs")).toList().size(), 2);
    }
    EXPECT_EQ(fileBytes(file), before);
    ASSERT_FALSE(log.lines().isEmpty());
    EXPECT_TRUE(log.lines()[0].startsWith(QLatin1String("ERROR: "))) << log.lines()[0].toStdString();
    EXPECT_TRUE(log.lines()[0].contains(QLatin1String("expands too far"))) << log.lines()[0].toStdString();
    EXPECT_EQ(UserDefaults(file).objectForKey(QStringLiteral("Other")), QVariant::fromValue<qint64>(7));
}

// A binary settings file {"Kept": "kept", "Other": 7, "Bad": <object>}.
QByteArray binarySettingsWith(const QByteArray& object)
{
    const QByteArray objects[] = {QByteArray("\xD3\x01\x02\x03\x04\x05\x06"), QByteArray("\x54Kept"),
                                  QByteArray("\x55Other"), QByteArray("\x53" "Bad"), QByteArray("\x54kept"),
                                  QByteArray("\x10\x07"), object};
    QByteArray data("bplist00");
    QByteArray offsets;
    for (const QByteArray& item : objects) {
        offsets += char(data.size());
        data += item;
    }
    const qsizetype table = data.size();
    return data + offsets + QByteArray(6, '\0') + char(1) + char(1) + bigEndian64(std::size(objects))
           + bigEndian64(0) + bigEndian64(quint64(table));
}

// Regression: a binary settings file holding one string with a NUL was
// refused whole and set aside as damaged, so the window started from the
// defaults; an unpaired surrogate was dropped from its text and a 16-byte
// integer cut to 64 bits, and saved so. A value the reader refuses is now
// left out with a warning naming its key, and every other setting is kept
// and saved.
TEST_F(UserDefaultsTest, AValueTheReaderRefusesCostsOnlyItsOwnSetting)
{
    const auto xml = [](const char* bad) {
        return "<plist><dict><key>Kept</key><string>kept</string><key>Other</key><integer>7</integer>"
               "<key>Bad</key><string>"
               + QByteArray(bad) + "</string></dict></plist>";
    };
    const struct {
        const char* name;
        QByteArray data;
        const char* reason;
    } cases[] = {
        {"NUL in text", binarySettingsWith(QByteArray("\x53" "a\0b", 4)), "NUL"},
        {"NUL in UTF-16 text", binarySettingsWith(QByteArray("\x62\0a\0\0", 5)), "NUL"},
        {"lead surrogate alone", binarySettingsWith(QByteArray("\x62\xD8\x00\x00x", 5)), "unpaired surrogate"},
        {"swapped pair", binarySettingsWith(QByteArray("\x62\xDC\x00\xD8\x00", 5)), "unpaired surrogate"},
        {"integer of 2^64", binarySettingsWith(char(0x14) + bigEndian64(1) + bigEndian64(0)), "64 bits"},
        {"XML reference to NUL", xml("a&#0;b"), "NUL"},
        {"XML reference to a surrogate", xml("&#xD800;x"), "unpaired surrogate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempTree local;
        const QString file = local.writeFile("defaults.plist", c.data);
        LogCapture log;
        {
            UserDefaults defaults(file);
            EXPECT_EQ(defaults.objectForKey(QStringLiteral("Kept")), QVariant("kept"));
            EXPECT_EQ(defaults.objectForKey(QStringLiteral("Other")), QVariant::fromValue<qint64>(7));
            EXPECT_FALSE(defaults.objectForKey(QStringLiteral("Bad")).isValid());
            defaults.setBool(true, QStringLiteral("Added"));
        }
        ASSERT_EQ(log.lines().size(), 1) << log.lines().join('\n').toStdString();
        const QString warning = log.lines().at(0);
        EXPECT_TRUE(warning.startsWith(QLatin1String("WARNING: "))) << warning.toStdString();
        EXPECT_TRUE(warning.contains(QLatin1String("'Bad'"))) << warning.toStdString();
        EXPECT_TRUE(warning.contains(QLatin1String(c.reason))) << warning.toStdString();
        // Saved without being set aside.
        const QVariantMap saved = propertyListFromData(fileBytes(file)).toMap();
        EXPECT_EQ(saved, (QVariantMap{{"Kept", "kept"}, {"Other", QVariant::fromValue<qint64>(7)}, {"Added", true}}));
        EXPECT_EQ(QDir(local.path()).entryList(QDir::Files), settingsAndLock("defaults.plist"));
    }
}

// Binary settings {"Key0000": S, …, "Other": 7}, S one object every key
// refers to, as writers that keep what a tree shares write it: a window's
// frame {"x", "y", "w", "h"} or a list of three numbers.
QByteArray settingsReferringToOne(int keys, bool frame)
{
    using test::container;
    QList<QByteArray> objects{QByteArray()};
    QList<quint64> names;
    for (int i = 0; i < keys; ++i) {
        objects.append(test::marker(0x5, 7) + QStringLiteral("Key%1").arg(i, 4, 10, QLatin1Char('0')).toLatin1());
        names.append(quint64(i + 1));
    }
    const auto shared = quint64(keys + 3);
    objects += {"\x55Other", "\x10\x07"};
    QList<quint64> values(keys, shared);
    names.append(quint64(keys + 1));
    values.append(quint64(keys + 2));
    objects[0] = container(0xD, names + values);
    if (frame)
        objects += {container(0xD, {shared + 1, shared + 2, shared + 3, shared + 4, shared + 5, shared + 6, shared + 7,
                                    shared + 8}),
                    "\x51x", "\x51y", "\x51w", "\x51h", QByteArray("\x10\x00", 2), "\x10\x16", QByteArray("\x11\x03\x20", 3),
                    QByteArray("\x11\x02\x58", 3)};
    else
        objects += {container(0xA, {shared + 1, shared + 2, shared + 3}), "\x10\x01", "\x10\x02", "\x10\x03"};
    return test::binaryList(objects);
}

// Regression: a container many settings share was read as two values (the
// first reference its own) and written once per value it was read as, so
// every save of one changed setting added a copy: a frame used by 500 keys
// grew 41 bytes a save, until every reference had its own. Equal
// containers are written once, however they were shared.
TEST_F(UserDefaultsTest, SettingsSharingAContainerKeepTheirSizeOverSaves)
{
    for (const auto& [name, keys, frame] : {std::tuple{"a frame used by 500 keys", 500, true},
                                            std::tuple{"a list used by 3,000 keys", 3000, false}}) {
        SCOPED_TRACE(name);
        test::TempTree local;
        const QByteArray data = settingsReferringToOne(keys, frame);
        const QString file = local.writeFile("defaults.plist", data);
        const QVariant shared = UserDefaults(file).objectForKey(QStringLiteral("Key0000"));
        ASSERT_TRUE(shared.isValid());
        QList<qint64> sizes;
        for (int save = 0; save < 6; ++save) {
            UserDefaults(file).setBool(save % 2 == 0, QStringLiteral("Changed"));
            sizes.append(QFileInfo(file).size());
        }
        for (qsizetype i = 1; i < sizes.size(); ++i)
            EXPECT_EQ(sizes.at(i), sizes.at(0)) << "save " << i + 1;
        EXPECT_LE(sizes.at(0), data.size() + data.size() / 50);
        const UserDefaults reread(file);
        EXPECT_EQ(reread.persistentDomain().size(), keys + 2);
        EXPECT_EQ(reread.objectForKey(QStringLiteral("Key%1").arg(keys - 1, 4, 10, QLatin1Char('0'))), shared);
        EXPECT_EQ(reread.objectForKey(QStringLiteral("Other")), QVariant::fromValue<qint64>(7));
        // One changed alone: the others keep the value they shared.
        UserDefaults(file).setObject(QVariantList{"changed"}, QStringLiteral("Key0000"));
        const UserDefaults changed(file);
        EXPECT_EQ(changed.objectForKey(QStringLiteral("Key0000")), QVariant(QVariantList{"changed"}));
        EXPECT_EQ(changed.objectForKey(QStringLiteral("Key0001")), shared);
    }
}

// Binary settings {"Keep": "yes", "Pairs": level `levels`}, each level a
// pair referring twice to the one below (an array, or a dictionary {"a",
// "b"}), the lowest {"s": leaf}: `levels` doublings in a few hundred bytes.
QByteArray settingsOfDoubledLevels(int levels, bool dictionaries, const QByteArray& leaf)
{
    using test::container;
    // 0 root, 1 "Keep", 2 "yes", 3 "Pairs", 4 "s", 5 "a", 6 "b", 7 leaf, 8 the lowest level.
    QList<QByteArray> objects{QByteArray(), "\x54Keep", "\x53yes", "\x55Pairs", "\x51s", "\x51" "a", "\x51" "b", leaf,
                              container(0xD, {4, 7})};
    for (int i = 0; i < levels; ++i) {
        const auto below = quint64(objects.size() - 1);
        objects.append(dictionaries ? container(0xD, {5, 6, below, below}) : container(0xA, {below, below}));
    }
    objects[0] = container(0xD, {1, 3, 2, quint64(objects.size() - 1)});
    return test::binaryList(objects);
}

// Regression: a value left out, by the reader (text holding a NUL) or by
// the save (a date past the year 9999), was judged again at every path to
// it: 19 doubled levels over it in 200 bytes took seconds, hundreds of MB
// and a WARNING line of 41 MB (or 524,288 lines) at each start. A shared
// value is judged once, and what is left out is said in one short line.
TEST_F(UserDefaultsTest, AValueLeftOutUnderDoubledLevelsCostsWhatTheFileHolds)
{
    double past9999 = 2.6e11;
    quint64 bits = 0;
    std::memcpy(&bits, &past9999, sizeof bits);
    const struct {
        const char* name;
        bool dictionaries;
        QByteArray leaf;
    } cases[] = {
        {"text holding a NUL under arrays", false, QByteArray("\x53" "a\0b", 4)},
        {"a date past 9999 under dictionaries", true, char(0x33) + test::bigEndian(bits, 8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        qint64 work[2] = {};
        for (const int levels : {10, 19}) {
            SCOPED_TRACE(levels);
            test::TempTree local;
            const QString file = local.writeFile("defaults.plist", settingsOfDoubledLevels(levels, c.dictionaries, c.leaf));
            LogCapture log;
            const auto readAndSaveTwice = [&] {
                resetScanWork();
                for (const bool changed : {true, false})
                    UserDefaults(file).setBool(changed, QStringLiteral("Changed"));
                work[levels == 19] = scanWork();
            };
            const qint64 growth = test::peakGrowthOf(readAndSaveTwice);
            if (growth < 0)
                readAndSaveTwice();
            else
                EXPECT_LE(growth, 128 * 1024 * 1024);
            ASSERT_EQ(log.lines().size(), 1) << log.lines().join('\n').left(2000).toStdString();
            const QString& warning = log.lines().at(0);
            EXPECT_TRUE(warning.startsWith(QLatin1String("WARNING: "))) << warning.left(2000).toStdString();
            EXPECT_TRUE(warning.contains(QStringLiteral("%1 entries, the first 5: 'Pairs/").arg(1 << levels)))
                << warning.left(2000).toStdString();
            EXPECT_LE(warning.size(), 4096);
            const UserDefaults reread(file);
            EXPECT_EQ(reread.objectForKey(QStringLiteral("Keep")), QVariant("yes"));
            EXPECT_EQ(reread.objectForKey(QStringLiteral("Changed")), QVariant(false));
            EXPECT_LE(QFileInfo(file).size(), 1024);
        }
        // Nine more doublings add what nine more levels hold, not 512 times the work.
        EXPECT_LE(work[1], 3 * work[0]);
    }
}

TEST_F(UserDefaultsTest, PersistentPathFollowsXdgConfigHome)
{
    test::TemporaryHome temporary{UserDefaults::resetStandardUserDefaults};
    const QString xdg = temporary.setVariable("XDG_CONFIG_HOME", "xdg");
    EXPECT_EQ(UserDefaults::defaultPersistentDomainPath(), xdg + "/sorvant/org.tarrenbeck.Sorvant.plist");
    const QString underHome = temporary.home + "/.config/sorvant/org.tarrenbeck.Sorvant.plist";
    // Empty and relative values are ignored, as for every XDG folder.
    for (const QByteArray& ignored : {QByteArray(""), QByteArray("relative")}) {
        temporary.setVariableBytes("XDG_CONFIG_HOME", ignored);
        EXPECT_EQ(UserDefaults::defaultPersistentDomainPath(), underHome);
    }

    // The shared instance reads and writes there.
    UserDefaults& shared = UserDefaults::standardUserDefaults();
    EXPECT_EQ(shared.path(), underHome);
    shared.setInteger(7, "Seven");
    EXPECT_EQ(UserDefaults(underHome).objectForKey("Seven"), QVariant::fromValue<qint64>(7));
}

// The test main moves HOME and the XDG folders into a temporary tree, so no
// test reads or writes the real settings.
TEST(HermeticEnvironment, StandardDefaultsLiveInTheTemporaryHome)
{
    const QString root = test::hermeticRoot();
    ASSERT_FALSE(root.isEmpty());
    EXPECT_TRUE(UserDefaults::defaultPersistentDomainPath().startsWith(root + "/home/.config/"));
    EXPECT_TRUE(QDir::homePath().startsWith(root + "/"));
}

} // namespace
