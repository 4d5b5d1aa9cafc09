#include "platform/log.h"
#include "tests/support/log_capture.h"
#include "platform/property_list.h"
#include "platform/user_defaults.h"

#include "tests/support/temp_tree.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include <sys/stat.h>
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

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kChildPathVariable, path);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests",
                 "--gtest_filter=UserDefaultsTest.DISABLED_ChildProcessWritesTypedValues"});
    ASSERT_TRUE(child.waitForFinished(30000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();

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

TEST_F(UserDefaultsTest, DamagedFileIsSetAsideNotOverwritten)
{
    for (const QByteArray& damage : {QByteArray("<plist><dict><key>A</key>"), QByteArray("<plist><integer>1</integer></plist>")}) {
        SCOPED_TRACE(damage.toStdString());
        test::TempTree local;
        const QString file = local.writeFile("defaults.plist", damage);
        LogCapture log;
        UserDefaults defaults(file);
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines()[0].startsWith("WARNING: "));
        EXPECT_TRUE(log.lines()[0].contains(file + ".damaged"));
        QFile aside(file + ".damaged");
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
        EXPECT_EQ(aside.readAll(), damage);

        defaults.setBool(true, "A");
        EXPECT_EQ(UserDefaults(file).objectForKey("A"), QVariant(true));
    }
}

TEST_F(UserDefaultsTest, SecondDamagedFileKeepsTheFirst)
{
    const QString file = tree.writeFile("d.plist", "junk one");
    tree.writeFile("d.plist.damaged", "older");
    LogCapture log;
    UserDefaults defaults(file);
    QFile second(file + ".damaged-2");
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_EQ(second.readAll(), "junk one");
}

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

TEST_F(UserDefaultsTest, PersistentPathFollowsXdgConfigHome)
{
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(tree.filePath("xdg")));
    EXPECT_EQ(UserDefaults::defaultPersistentDomainPath(), tree.filePath("xdg/sorvant/org.tarrenbeck.Sorvant.plist"));
    qputenv("XDG_CONFIG_HOME", "");
    qputenv("HOME", QFile::encodeName(tree.path()));
    EXPECT_EQ(UserDefaults::defaultPersistentDomainPath(),
              tree.filePath(".config/sorvant/org.tarrenbeck.Sorvant.plist"));

    // The shared instance reads and writes there.
    UserDefaults& shared = UserDefaults::standardUserDefaults();
    EXPECT_EQ(&shared, &UserDefaults::standardUserDefaults());
    EXPECT_EQ(shared.path(), UserDefaults::defaultPersistentDomainPath());
    shared.setInteger(7, "Seven");
    EXPECT_EQ(UserDefaults(tree.filePath(".config/sorvant/org.tarrenbeck.Sorvant.plist")).objectForKey("Seven"),
              QVariant::fromValue<qint64>(7));
    qputenv("XDG_CONFIG_HOME", savedXdg);
    qputenv("HOME", savedHome);
}

} // namespace
