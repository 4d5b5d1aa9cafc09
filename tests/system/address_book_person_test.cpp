#include "system/address_book_person.h"

#include "tests/support/temp_tree.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

const QByteArray kVersion21 = "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=\r\n"
                              "=FCrgen;;;\r\nEMAIL;INTERNET:work@example.org\r\nEMAIL;INTERNET;PREF:juergen@example.org\r\n"
                              "TEL;CELL:+49 170 1234\r\nX-AIM:juergen42\r\nNOTE;QUOTED-PRINTABLE:Line one=0D=0ALine two\r\n"
                              "END:VCARD\r\n";

const QByteArray kVersion30 = "BEGIN:VCARD\nVERSION:3.0\nN:Tanaka;;;;\nFN:Tanaka\nORG:Kaisha\\, Ltd.;Sales\n"
                              "X-ABShowAs:COMPANY\nitem1.URL:https://kaisha.example\nTEL;type=WORK;type=pref:+81 3 1\n"
                              "TEL:+81 3 2\nNOTE:first\\nsecond and a long\n  folded tail\nEND:VCARD\n";

const QByteArray kVersion40 = "\xEF\xBB\xBF" "BEGIN:VCARD\nVERSION:4.0\nKIND:org\nFN:x\nEMAIL:a@example.org\n"
                              "EMAIL;PREF=1:b@example.org\nIMPP:xmpp:ada@jabber.example\nIMPP:sip:ignored@example\n"
                              "IMPP;TYPE=home:aim:ada\nEND:VCARD\nBEGIN:VCARD\nVERSION:4.0\nN:Second;;;;\nEND:VCARD\n";

TEST(AddressBookPersonTest, EachVersionReadsIntoTheSameProperties)
{
    const auto old = ABPerson::initWithVCardRepresentation(kVersion21);
    ASSERT_TRUE(old);
    EXPECT_EQ(old->proposedName(), "Jürgen Müller");
    EXPECT_EQ(old->primaryEmail(), "juergen@example.org");
    EXPECT_EQ(*old->emailAddresses(), (QStringList {"work@example.org", "juergen@example.org"}));
    EXPECT_EQ(*old->instantMessageAddresses(), QStringList {"juergen42"});
    EXPECT_EQ(old->stringForProperty("Note"), "Line one\r\nLine two");
    EXPECT_TRUE(old->showAsPerson());

    const auto company = ABPerson::initWithVCardRepresentation(kVersion30);
    ASSERT_TRUE(company);
    EXPECT_TRUE(company->showAsCompany());
    EXPECT_EQ(company->proposedName(), "Kaisha, Ltd. - Tanaka");
    EXPECT_EQ(company->homePage(), "https://kaisha.example");
    EXPECT_EQ(*company->phoneNumbers(), (QStringList {"+81 3 1", "+81 3 2"}));
    EXPECT_EQ(company->valueForProperty("Phone").value<ABMultiValue>().primaryIdentifier,
              company->valueForProperty("Phone").value<ABMultiValue>().entries.first().identifier);
    EXPECT_EQ(company->stringForProperty("Note"), "first\nsecond and a long folded tail");
    EXPECT_FALSE(company->instantMessageAddresses()); // nil, not empty

    const auto modern = ABPerson::initWithVCardRepresentation(kVersion40);
    ASSERT_TRUE(modern);
    EXPECT_TRUE(modern->showAsCompany());
    EXPECT_EQ(modern->primaryEmail(), "b@example.org");
    EXPECT_EQ(*modern->instantMessageAddresses(), (QStringList {"ada", "ada@jabber.example"})); // AIM before Jabber
    EXPECT_EQ(modern->proposedName(), "b@example.org");
    EXPECT_TRUE(modern->stringForProperty("Last").isNull()); // the second card is not read

    EXPECT_FALSE(ABPerson::initWithVCardRepresentation("N:Loose;;;;\n"));
    EXPECT_FALSE(ABPerson::initWithContentsOfFile("/nonexistent.vcf"));
}

TEST(AddressBookPersonTest, ProposedNamesByWhatIsKnown)
{
    struct Case
    {
        QVariantMap values;
        int flags;
        QString name;
    };
    const QList<Case> cases {
        {{{"First", "Ada"}, {"Middle", "King"}, {"Last", "Lovelace"}}, 0, "Ada King Lovelace"},
        {{{"First", "Ada"}, {"Last", "Lovelace"}, {"Organization", "Engine Co"}}, 0, "Ada Lovelace"},
        {{{"Last", "Lovelace"}, {"Organization", "Engine Co"}}, 1, "Engine Co - Lovelace"},
        {{{"Nickname", "Countess"}}, 0, "Countess"},
        {{{"Organization", "Engine Co"}}, 0, "Engine Co"},
        {{{"Email", "ada@example.org"}}, 0, "ada@example.org"},
        {{}, 0, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        ABPerson person;
        for (auto it = c.values.begin(); it != c.values.end(); ++it)
            person.setValue(it.value(), it.key());
        person.setFlags(c.flags);
        EXPECT_EQ(person.proposedName(), c.name);
    }
}

TEST(AddressBookPersonTest, MetadataForIndexing)
{
    test::TempTree tree;
    const auto person = ABPerson::initWithContentsOfFile(tree.writeFile("c.vcf", kVersion21));
    ASSERT_TRUE(person);
    const QVariantMap data = person->metaData();
    EXPECT_EQ(data.value("kMDItemTextContent").toString(),
              "Jürgen\nMüller\n+49 170 1234\njuergen42\nLine one\r\nLine two\n");
    EXPECT_EQ(data.value("kMDItemEmailAddresses").toStringList().size(), 2);
    EXPECT_FALSE(data.contains("kMDItemURL"));
    EXPECT_FALSE(data.contains("kMDItemOrganizations"));

    ABPerson plain;
    plain.setValue(QStringLiteral("+1 555"), "Phone");
    plain.setValue(QStringLiteral("Org"), "Organization");
    EXPECT_EQ(*plain.phoneNumbers(), QStringList {"+1 555"});
    EXPECT_EQ(plain.metaData().value("kMDItemOrganizations").toStringList(), QStringList {"Org"});
    EXPECT_FALSE(plain.stringsOfProperty(QString()));
}

} // namespace
} // namespace sorvant
