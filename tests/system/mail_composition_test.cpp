#include "system/mail_composition.h"

#include "platform/url.h"
#include "system/bundle.h"
#include "system/open_with.h"
#include "system/opening.h"
#include "tests/system/fake_tools.h"
#include "system/standard_folders.h"
#include "tests/support/temporary_home.h"
#include "tests/system/waiting.h"

#include <gtest/gtest.h>

#include <QFile>

namespace sorvant {
namespace {

class MailtoLookup : public ApplicationLookup
{
public:
    QString defaultPath = "/usr/share/applications/thunder.desktop";
    QStringList applicationsForURL(const URL&) override { return {defaultPath}; }
    QString defaultApplicationForURL(const URL& url) override
    {
        return url.absoluteString().startsWith("mailto:") ? defaultPath : QString();
    }
};

class RecordingOpener : public ItemOpener
{
public:
    QStringList opened;
    bool openWithApplication(const QString&, const QStringList& items) override
    {
        opened += items;
        return true;
    }
    bool openWithDesktopOpener(const QString& item) override
    {
        opened << item;
        return true;
    }
};

class MailCompositionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_previousLookup = setApplicationLookup(&lookup);
        m_previousOpener = setItemOpener(&opener);
    }
    void TearDown() override
    {
        setApplicationLookup(m_previousLookup);
        setItemOpener(m_previousOpener);
    }

    // A client script that writes its arguments, one per line, to `out`.
    void addScript(const QString& client)
    {
        const QString script = tools.tree.writeFile(
            "Resources/Mail Scripts/" + client,
            QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"%1.tmp\"\nmv \"%1.tmp\" \"%1\"\n")
                .arg(out)
                .toUtf8());
        QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
    }

    // What the script received, once it has run (it is not waited for).
    QByteArray received() const
    {
        test::waitUntil([this] { return QFile::exists(out); });
        QFile file(out);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    test::TemporaryHome home{resetStandardFolders};
    test::FakeTools tools;
    MailtoLookup lookup;
    RecordingOpener opener;
    QString out = tools.tree.filePath("received.txt");
    Bundle bundle {tools.tree.filePath("Resources"), {}};

private:
    ApplicationLookup* m_previousLookup = nullptr;
    ItemOpener* m_previousOpener = nullptr;
};

TEST_F(MailCompositionTest, PlainMessagesGoThroughTheMailtoURL)
{
    EXPECT_EQ(defaultMailApplication(), "thunder");
    ASSERT_TRUE(mailTo("ada@example.org", QString(), "Hello there", {}, false, QString(), bundle));
    EXPECT_EQ(opener.opened, QStringList {"mailto:ada@example.org?body=Hello%20there"});
    const QString longBody = QString("word ").repeated(1000);
    const QString cut = mailtoString("a@b.c", "S", longBody);
    EXPECT_TRUE(cut.startsWith("mailto:a@b.c?subject=S&body=word%20word"));
    EXPECT_TRUE(cut.endsWith("..."));
    EXPECT_LT(cut.count("word"), 830); // about 4,096 of the 5,000 characters
    EXPECT_EQ(mailtoString("a@b.c", QString(), "B"), "mailto:a@b.c?body=B");

    lookup.defaultPath.clear();
    EXPECT_TRUE(defaultMailApplication().isNull());
    EXPECT_FALSE(mailTo("ada@example.org", "s", "b", {}, false, QString(), bundle));
}

TEST_F(MailCompositionTest, TwoRecipientsOrAttachmentsGoThroughTheClientScript)
{
    addScript("thunder");
    EXPECT_TRUE(canMailAttachmentsUsingApplication(QString(), bundle));
    const QString longBody = QString(4100, 'y');
    ASSERT_TRUE(mailTo("a@example.org, b@example.org", "Report", longBody, {}, false, QString(), bundle));
    EXPECT_EQ(received(), "[]\n[" + longBody.toUtf8()
                              + "]\n[Report]\n[a@example.org\nb@example.org]\n[no]\n[0]\n[a@example.org]\n[b@example.org]\n");
    EXPECT_TRUE(opener.opened.isEmpty());
}

TEST_F(MailCompositionTest, AClientWithItsOwnScriptIsStartedFirst)
{
    // A client whose name and program no other process has: a "thunder"
    // script still running from another test, or any "touch" running at
    // the moment, would count as the client running, and it would not be
    // started.
    lookup.defaultPath = "/usr/share/applications/lightning.desktop";
    const QString started = tools.tree.filePath("started");
    const QString client = tools.tree.writeFile(
        "lightning-client", QStringLiteral("#!/bin/sh\ntouch \"%1\"\n").arg(started).toUtf8());
    QFile::setPermissions(client, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
    home.tree.writeFile("home/.local/share/applications/lightning.desktop",
                        QStringLiteral("[Desktop Entry]\nType=Application\nName=Lightning\nExec=%1\n")
                            .arg(client)
                            .toUtf8());
    addScript("lightning");
    ASSERT_TRUE(mailTo("a@example.org", "s", "b", {"/tmp/x"}, false, QString(), bundle));
    EXPECT_FALSE(received().isEmpty());
    EXPECT_TRUE(test::waitUntil([&] { return QFile::exists(started); }));
}

TEST_F(MailCompositionTest, ScriptNamesPerClient)
{
    addScript("Mail-Sierra");
    EXPECT_EQ(mailScriptPath("Mail", bundle), tools.tree.filePath("Resources/Mail Scripts/Mail-Sierra"));
    EXPECT_FALSE(canMailAttachmentsUsingApplication("Other", bundle));
}

TEST_F(MailCompositionTest, MailMateGetsOneURLWithAttachments)
{
    addScript("MailMate");
    ASSERT_TRUE(mailTo("a@example.org", QString(), QString(), {"/tmp/a b.pdf", "/tmp/c"}, false, "MailMate", bundle));
    EXPECT_EQ(received(), "[mailto:a@example.org?attachment-url=file:///tmp/a%20b.pdf&attachment-url=file:///tmp/c]\n");
}

TEST_F(MailCompositionTest, SendNowIsRefused)
{
    // The script adds its fifth argument ("yes": send now) to a log, so a
    // refused run that started anyway would show beside the allowed one.
    const QString log = tools.tree.filePath("runs.log");
    const QString script = tools.tree.writeFile("Resources/Mail Scripts/thunder",
                                                QStringLiteral("#!/bin/sh\necho \"$5\" >> \"%1\"\n").arg(log).toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
    for (const QString& recipients : {QString(), QString("a@example.org")}) {
        SCOPED_TRACE(recipients.toStdString());
        EXPECT_FALSE(mailTo(recipients, "s", "b", {"/x"}, true, QString(), bundle));
    }
    EXPECT_TRUE(opener.opened.isEmpty());
    // What does not happen is seen once a run started after it has ended.
    ASSERT_TRUE(mailTo("a@example.org", "s", "b", {"/x"}, false, QString(), bundle));
    const auto runs = [&log] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    EXPECT_TRUE(test::waitUntil([&] { return runs().contains("no\n"); }));
    EXPECT_EQ(runs(), "no\n");
}

TEST_F(MailCompositionTest, ShippedScriptHandsTheMessageToXdgEmail)
{
    tools.add("xdg-email", QStringLiteral("for a in \"$@\"; do printf '[%s]' \"$a\"; done > \"%1.tmp\"; mv \"%1.tmp\" \"%1\"")
                               .arg(out));
    const Bundle shipped(findResourcesFolder(), {});
    ASSERT_FALSE(mailScriptPath("Any Client", shipped).isEmpty());
    ASSERT_TRUE(mailTo("a@example.org,b@example.org", "Sub ject", "Body", {"/tmp/one.pdf"}, false, "Any Client", shipped));
    EXPECT_EQ(received(), "[--subject][Sub ject][--body][Body][--attach][/tmp/one.pdf][a@example.org][b@example.org]");
}

TEST_F(MailCompositionTest, ShippedScriptNeverSplitsOrExpandsAnAttachment)
{
    // "*.txt" would be every .txt of the folder; a newline would make two
    // paths; a leading "-" would be an option.
    tools.tree.writeFile("docs/a.txt", "a");
    tools.tree.writeFile("docs/b.txt", "b");
    tools.add("xdg-email", QStringLiteral("for a in \"$@\"; do printf '[%s]' \"$a\"; done > \"%1.tmp\"; mv \"%1.tmp\" \"%1\"")
                               .arg(out));
    const Bundle shipped(findResourcesFolder(), {});
    const QString star = tools.tree.filePath("docs/*.txt");
    const QString twoLines = tools.tree.filePath("docs/one\ntwo.pdf");
    ASSERT_TRUE(mailTo("a@example.org,b@example.org", QString(), QString(), {star, twoLines, "-x"}, false,
                       "Any Client", shipped));
    EXPECT_EQ(received(), "[--attach][" + star.toUtf8() + "][--attach][" + twoLines.toUtf8()
                              + "][--attach][-x][a@example.org][b@example.org]");
}

} // namespace
} // namespace sorvant
