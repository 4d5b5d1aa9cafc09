#pragma once
// A contact read from a vCard file (versions 2.1, 3.0 and 4.0), keyed by
// the address book's property names, with the derived display name,
// addresses and a metadata dictionary for indexing the contact as a
// document.
//
// Property values are strings or multi-values (labelled entries with one
// primary entry): "First", "Middle", "Last", "Nickname", "Organization",
// "Note", "HomePage" are strings; "Email", "Phone", "Address", "URLs" and
// the instant-messaging properties "AIMInstant", "ICQInstant",
// "JabberInstant", "YahooInstant", "MSNInstant" multi-values.
//
// The reader unfolds continuation lines, decodes quoted-printable values
// (with their CHARSET) and backslash escapes, takes TYPE=pref, a bare PREF
// or PREF=1 as the primary entry, X-ABShowAs:COMPANY or KIND:org as "show
// as company", and instant-messaging addresses from X-AIM, X-ICQ, X-JABBER,
// X-YAHOO, X-MSN or IMPP (aim:, icq:, xmpp:, ymsgr:, msnim:).

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

namespace sorvant {

struct ABMultiValue
{
    struct Entry
    {
        QString label;
        QVariant value;
        QString identifier;
    };
    QList<Entry> entries;
    QString primaryIdentifier; // null when no entry is primary

    [[nodiscard]] qsizetype count() const { return entries.size(); }
    // The value of the entry with `identifier`, or nil.
    [[nodiscard]] QVariant valueForIdentifier(const QString& identifier) const;
};

class ABPerson
{
public:
    ABPerson() = default;

    // The first contact of a vCard file; nullopt when the file cannot be
    // read or holds no contact.
    [[nodiscard]] static std::optional<ABPerson> initWithContentsOfFile(const QString& path);
    [[nodiscard]] static std::optional<ABPerson> initWithVCardRepresentation(const QByteArray& data);

    [[nodiscard]] QVariant valueForProperty(const QString& property) const { return m_values.value(property); }
    void setValue(const QVariant& value, const QString& property);
    // The "ABPersonFlags" value; bits 0-2: 0 person, 1 company.
    [[nodiscard]] int flags() const { return m_flags; }
    void setFlags(int flags) { m_flags = flags; }

    // "First Middle Last", "First Last", the first, last or nick name, with
    // "Organization - " in front when the contact is not shown as a person;
    // without a name the organisation, else the primary e-mail address.
    [[nodiscard]] QString proposedName() const;
    [[nodiscard]] QString primaryEmail() const;
    // The string values of "Email" / "Phone"; nil when there are none.
    [[nodiscard]] std::optional<QStringList> emailAddresses() const;
    [[nodiscard]] std::optional<QStringList> phoneNumbers() const;
    // AIM, ICQ, Jabber, Yahoo, MSN in that order; nil when there are none.
    [[nodiscard]] std::optional<QStringList> instantMessageAddresses() const;
    [[nodiscard]] QString homePage() const;
    // kMDItemTextContent, kMDItemEmailAddresses, kMDItemInstantMessageAddresses,
    // kMDItemPhoneNumbers, kMDItemURL, kMDItemOrganizations.
    [[nodiscard]] QVariantMap metaData() const;
    [[nodiscard]] bool showAsCompany() const { return (m_flags & 7) == 1; }
    [[nodiscard]] bool showAsPerson() const { return (m_flags & 7) == 0; }

    // The display text of a value (a multi-value's entries one per line)
    // and of the person's own value of the property; null when none.
    [[nodiscard]] static QString stringForPropertyValue(const QString& property, const QVariant& value);
    [[nodiscard]] QString stringForProperty(const QString& property) const;

    // The strings of a property: a string gives one, a multi-value its
    // string entries in order; nil otherwise.
    [[nodiscard]] std::optional<QStringList> stringsOfProperty(const QString& property) const;

private:
    QVariantMap m_values;
    int m_flags = 0;
};

} // namespace sorvant

Q_DECLARE_METATYPE(sorvant::ABMultiValue)
