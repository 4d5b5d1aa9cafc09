#include "system/address_book_person.h"

#include "platform/atomic_file.h"

#include <QFile>
#include <QStringDecoder>

namespace sorvant {

namespace {

const QStringList kInstantMessaging {QStringLiteral("AIMInstant"), QStringLiteral("ICQInstant"),
                                     QStringLiteral("JabberInstant"), QStringLiteral("YahooInstant"),
                                     QStringLiteral("MSNInstant")};

bool isString(const QVariant& value)
{
    return value.metaType().id() == QMetaType::QString;
}

bool isMultiValue(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<ABMultiValue>();
}

// One content line: group.NAME;PARAM=a,b;FLAG:value
struct ContentLine
{
    QString name;
    QMultiMap<QString, QString> parameters; // upper-cased names and values
    QByteArray rawValue;

    [[nodiscard]] bool has(const QString& parameter, const QString& value) const
    {
        return parameters.contains(parameter, value);
    }
    [[nodiscard]] QStringList types() const
    {
        QStringList found = parameters.values(QStringLiteral("TYPE"));
        found += parameters.values(QString()); // bare 2.1 flags
        return found;
    }
    [[nodiscard]] bool preferred() const
    {
        return types().contains(QStringLiteral("PREF")) || has(QStringLiteral("PREF"), QStringLiteral("1"));
    }
};

QByteArray decodeQuotedPrintable(const QByteArray& text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size()) {
            bool ok = false;
            const int byte = text.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out.append(static_cast<char>(byte));
                i += 2;
                continue;
            }
        }
        out.append(text[i]);
    }
    return out;
}

QString decodeText(const QByteArray& bytes, const QString& charset)
{
    if (!charset.isEmpty() && charset != QLatin1String("UTF-8")) {
        QStringDecoder decoder(charset.toLatin1().constData());
        if (decoder.isValid())
            return decoder(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return text;
}

// Splits at unescaped `separator` and resolves the backslash escapes.
QStringList components(const QString& value, QChar separator)
{
    QStringList parts {QString()};
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[++i];
            parts.last() += (next == QLatin1Char('n') || next == QLatin1Char('N')) ? QChar(u'\n') : next;
        } else if (c == separator) {
            parts.append(QString());
        } else {
            parts.last() += c;
        }
    }
    return parts;
}

QString textValue(const ContentLine& line)
{
    return components(decodeText(line.rawValue, line.parameters.value(QStringLiteral("CHARSET"))), QChar()).first();
}

// Physical lines into content lines: folded lines (a break followed by a
// space or tab) and quoted-printable soft breaks are joined first.
QList<ContentLine> contentLines(const QByteArray& data)
{
    QList<QByteArray> physical = data.split('\n');
    QList<QByteArray> logical;
    for (QByteArray line : physical) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!logical.isEmpty() && (line.startsWith(' ') || line.startsWith('\t'))) {
            logical.last() += line.mid(1);
            continue;
        }
        if (!logical.isEmpty() && logical.last().endsWith('=')
            && logical.last().toUpper().contains("QUOTED-PRINTABLE")) {
            logical.last().chop(1);
            logical.last() += line;
            continue;
        }
        logical.append(line);
    }
    QList<ContentLine> lines;
    for (const QByteArray& text : logical) {
        const qsizetype colon = text.indexOf(':');
        if (colon <= 0)
            continue;
        ContentLine line;
        const QList<QByteArray> head = text.left(colon).split(';');
        QString name = QString::fromLatin1(head.first()).toUpper();
        name = name.mid(name.lastIndexOf(QLatin1Char('.')) + 1);
        line.name = name;
        for (qsizetype i = 1; i < head.size(); ++i) {
            const QString parameter = QString::fromLatin1(head[i]).toUpper();
            const qsizetype equals = parameter.indexOf(QLatin1Char('='));
            const QString key = equals < 0 ? QString() : parameter.left(equals);
            const QString values = equals < 0 ? parameter : parameter.mid(equals + 1);
            for (QString value : values.split(QLatin1Char(','))) {
                value.remove(QLatin1Char('"'));
                line.parameters.insert(key, value);
            }
        }
        line.rawValue = text.mid(colon + 1);
        if (line.has(QStringLiteral("ENCODING"), QStringLiteral("QUOTED-PRINTABLE"))
            || line.has(QString(), QStringLiteral("QUOTED-PRINTABLE")))
            line.rawValue = decodeQuotedPrintable(line.rawValue);
        lines.append(line);
    }
    return lines;
}

QString labelOf(const ContentLine& line)
{
    for (const QString& type : line.types()) {
        for (const char* known : {"HOME", "WORK", "CELL", "MOBILE", "FAX", "MAIN", "IPHONE", "PAGER", "OTHER"})
            if (type == QLatin1String(known))
                return type.toLower();
    }
    return QStringLiteral("other");
}

void addEntry(QVariantMap* values, const QString& property, const ContentLine& line, const QString& value)
{
    ABMultiValue multi = values->value(property).value<ABMultiValue>();
    const QString identifier = QStringLiteral("%1-%2").arg(property).arg(multi.entries.size());
    multi.entries.append({labelOf(line), value, identifier});
    if (line.preferred() && multi.primaryIdentifier.isNull())
        multi.primaryIdentifier = identifier;
    values->insert(property, QVariant::fromValue(multi));
}

QString instantMessagingProperty(const QString& scheme)
{
    static const QMap<QString, QString> schemes {{QStringLiteral("aim"), QStringLiteral("AIMInstant")},
                                                 {QStringLiteral("icq"), QStringLiteral("ICQInstant")},
                                                 {QStringLiteral("xmpp"), QStringLiteral("JabberInstant")},
                                                 {QStringLiteral("jabber"), QStringLiteral("JabberInstant")},
                                                 {QStringLiteral("ymsgr"), QStringLiteral("YahooInstant")},
                                                 {QStringLiteral("yahoo"), QStringLiteral("YahooInstant")},
                                                 {QStringLiteral("msnim"), QStringLiteral("MSNInstant")},
                                                 {QStringLiteral("msn"), QStringLiteral("MSNInstant")}};
    return schemes.value(scheme.toLower());
}

} // namespace

QVariant ABMultiValue::valueForIdentifier(const QString& identifier) const
{
    for (const Entry& entry : entries)
        if (entry.identifier == identifier)
            return entry.value;
    return {};
}

std::optional<ABPerson> ABPerson::initWithContentsOfFile(const QString& path)
{
    // Cards are small regular files: a pipe or a device is never read.
    constexpr qint64 kMaximumSize = 16 * 1024 * 1024;
    QByteArray data;
    if (readRegularFile(path, kMaximumSize, &data) != FileReadStatus::Read)
        return std::nullopt;
    return initWithVCardRepresentation(data);
}

std::optional<ABPerson> ABPerson::initWithVCardRepresentation(const QByteArray& data)
{
    QByteArray bytes = data;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    ABPerson person;
    bool inside = false;
    bool found = false;
    for (const ContentLine& line : contentLines(bytes)) {
        const QString upperValue = QString::fromLatin1(line.rawValue).trimmed().toUpper();
        if (line.name == QLatin1String("BEGIN") && upperValue == QLatin1String("VCARD")) {
            inside = true;
            continue;
        }
        if (line.name == QLatin1String("END") && upperValue == QLatin1String("VCARD")) {
            found = inside;
            if (found)
                break;
            continue;
        }
        if (!inside)
            continue;
        const QString value = decodeText(line.rawValue, line.parameters.value(QStringLiteral("CHARSET")));
        if (line.name == QLatin1String("N")) {
            const QStringList parts = components(value, QLatin1Char(';'));
            const QStringList keys {QStringLiteral("Last"), QStringLiteral("First"), QStringLiteral("Middle")};
            for (qsizetype i = 0; i < keys.size() && i < parts.size(); ++i)
                if (!parts[i].trimmed().isEmpty())
                    person.setValue(parts[i].trimmed(), keys[i]);
        } else if (line.name == QLatin1String("NICKNAME")) {
            person.setValue(components(value, QLatin1Char(',')).first(), QStringLiteral("Nickname"));
        } else if (line.name == QLatin1String("ORG")) {
            const QString organisation = components(value, QLatin1Char(';')).first();
            if (!organisation.isEmpty())
                person.setValue(organisation, QStringLiteral("Organization"));
        } else if (line.name == QLatin1String("NOTE")) {
            person.setValue(textValue(line), QStringLiteral("Note"));
        } else if (line.name == QLatin1String("EMAIL")) {
            addEntry(&person.m_values, QStringLiteral("Email"), line, textValue(line));
        } else if (line.name == QLatin1String("TEL")) {
            QString number = textValue(line);
            if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
                number = number.mid(4);
            addEntry(&person.m_values, QStringLiteral("Phone"), line, number);
        } else if (line.name == QLatin1String("ADR")) {
            QStringList parts = components(value, QLatin1Char(';'));
            parts.removeAll(QString());
            addEntry(&person.m_values, QStringLiteral("Address"), line, parts.join(QLatin1Char('\n')));
        } else if (line.name == QLatin1String("URL")) {
            addEntry(&person.m_values, QStringLiteral("URLs"), line, textValue(line));
        } else if (line.name == QLatin1String("X-ABSHOWAS") || line.name == QLatin1String("KIND")) {
            const QString kind = value.trimmed().toUpper();
            if (kind == QLatin1String("COMPANY") || kind == QLatin1String("ORG")
                || kind == QLatin1String("ORGANIZATION"))
                person.m_flags = (person.m_flags & ~7) | 1;
        } else if (line.name == QLatin1String("IMPP")) {
            const QString address = textValue(line);
            const qsizetype colon = address.indexOf(QLatin1Char(':'));
            const QString property = colon > 0 ? instantMessagingProperty(address.left(colon)) : QString();
            if (!property.isEmpty())
                addEntry(&person.m_values, property, line, address.mid(colon + 1));
        } else if (line.name.startsWith(QLatin1String("X-"))) {
            const QString property = instantMessagingProperty(line.name.mid(2));
            if (!property.isEmpty())
                addEntry(&person.m_values, property, line, textValue(line));
        }
    }
    if (!found)
        return std::nullopt;
    return person;
}

void ABPerson::setValue(const QVariant& value, const QString& property)
{
    if (value.isValid())
        m_values.insert(property, value);
    else
        m_values.remove(property);
}

std::optional<QStringList> ABPerson::stringsOfProperty(const QString& property) const
{
    if (property.isNull())
        return std::nullopt;
    const QVariant value = m_values.value(property);
    if (isString(value))
        return QStringList {value.toString()};
    if (isMultiValue(value)) {
        const ABMultiValue multi = value.value<ABMultiValue>();
        if (multi.entries.isEmpty())
            return std::nullopt;
        QStringList strings;
        for (const ABMultiValue::Entry& entry : multi.entries)
            if (isString(entry.value))
                strings.append(entry.value.toString());
        return strings;
    }
    return std::nullopt;
}

std::optional<QStringList> ABPerson::emailAddresses() const
{
    return stringsOfProperty(QStringLiteral("Email"));
}

std::optional<QStringList> ABPerson::phoneNumbers() const
{
    return stringsOfProperty(QStringLiteral("Phone"));
}

std::optional<QStringList> ABPerson::instantMessageAddresses() const
{
    QStringList all;
    for (const QString& property : kInstantMessaging)
        if (const auto strings = stringsOfProperty(property))
            all += *strings;
    if (all.isEmpty())
        return std::nullopt;
    return all;
}

QString ABPerson::primaryEmail() const
{
    const QVariant value = m_values.value(QStringLiteral("Email"));
    QVariant answer = value;
    if (isMultiValue(value)) {
        const ABMultiValue multi = value.value<ABMultiValue>();
        if (multi.entries.isEmpty())
            return {};
        if (!multi.primaryIdentifier.isNull())
            answer = multi.valueForIdentifier(multi.primaryIdentifier);
        else
            answer = multi.entries.first().value;
    }
    return isString(answer) ? answer.toString() : QString();
}

QString ABPerson::proposedName() const
{
    const auto text = [this](const char* property) {
        const QVariant value = m_values.value(QString::fromLatin1(property));
        return isString(value) ? value.toString() : QString();
    };
    const QString organisation = text("Organization");
    const QString first = text("First");
    const QString middle = text("Middle");
    const QString last = text("Last");
    QString name;
    if (!first.isEmpty() && !last.isEmpty())
        name = middle.isEmpty() ? QStringLiteral("%1 %2").arg(first, last)
                                : QStringLiteral("%1 %2 %3").arg(first, middle, last);
    else if (!first.isEmpty())
        name = first;
    else if (!last.isEmpty())
        name = last;
    else
        name = text("Nickname");
    if (!name.isEmpty())
        return !organisation.isEmpty() && !showAsPerson() ? QStringLiteral("%1 - %2").arg(organisation, name) : name;
    if (!organisation.isEmpty())
        return organisation;
    return primaryEmail();
}

QString ABPerson::homePage() const
{
    const QVariant page = m_values.value(QStringLiteral("HomePage"));
    if (page.isValid())
        return stringForPropertyValue(QStringLiteral("HomePage"), page);
    const QVariant urls = m_values.value(QStringLiteral("URLs"));
    const QVariant first = isMultiValue(urls) ? (urls.value<ABMultiValue>().entries.isEmpty()
                                                     ? QVariant()
                                                     : urls.value<ABMultiValue>().entries.first().value)
                                              : urls;
    return isString(first) ? first.toString() : QString();
}

QString ABPerson::stringForPropertyValue(const QString&, const QVariant& value)
{
    if (isMultiValue(value)) {
        QStringList lines;
        for (const ABMultiValue::Entry& entry : value.value<ABMultiValue>().entries)
            lines.append(entry.value.toString());
        return lines.join(QLatin1Char('\n'));
    }
    if (!value.isValid())
        return {};
    return value.toString();
}

QString ABPerson::stringForProperty(const QString& property) const
{
    return stringForPropertyValue(property, m_values.value(property));
}

QVariantMap ABPerson::metaData() const
{
    QString content;
    for (const char* property : {"First", "Middle", "Last", "Nickname", "Organization", "Address", "Phone",
                                 "AIMInstant", "ICQInstant", "JabberInstant", "YahooInstant", "MSNInstant", "Note"}) {
        const QVariant value = m_values.value(QString::fromLatin1(property));
        if (value.isValid())
            content += stringForPropertyValue(QString::fromLatin1(property), value) + QLatin1Char('\n');
    }
    QVariantMap data {{QStringLiteral("kMDItemTextContent"), content}};
    const auto put = [&data](const char* key, const std::optional<QStringList>& strings) {
        if (strings)
            data.insert(QString::fromLatin1(key), *strings);
    };
    put("kMDItemEmailAddresses", emailAddresses());
    put("kMDItemInstantMessageAddresses", instantMessageAddresses());
    put("kMDItemPhoneNumbers", phoneNumbers());
    const QString page = homePage();
    if (!page.isNull())
        data.insert(QStringLiteral("kMDItemURL"), page);
    const QString organisation = stringForProperty(QStringLiteral("Organization"));
    if (!organisation.isEmpty())
        data.insert(QStringLiteral("kMDItemOrganizations"), QStringList {organisation});
    return data;
}

} // namespace sorvant
