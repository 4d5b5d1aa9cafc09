#include "system/mail_composition.h"

#include "foundation/ellipsizing.h"
#include "platform/log.h"
#include "platform/path_semantics.h"
#include "platform/task.h"
#include "platform/url.h"
#include "system/bundle.h"
#include "system/desktop_entries.h"
#include "system/desktop_entry.h"
#include "system/workspace_monitors.h"
#include "system/open_with.h"
#include "system/opening.h"
#include "web/url/query_parameters.h"

#include <QFileInfo>

namespace sorvant {

namespace {

const QString kScriptFolder = QStringLiteral("Mail Scripts");
const QString kSupportAddress = QStringLiteral("mailto:support@tarrenbeck.org");

QString resolvedClient(const QString& client)
{
    return client.isEmpty() ? defaultMailApplication() : client;
}

// The clients that could send at once; none of them runs on Linux, and no
// client here can be told to send, so the list only decides which requests
// are refused.
bool canSendImmediately(const QString&)
{
    return false;
}

} // namespace

QString defaultMailApplication()
{
    const QString name = defaultApplicationNameForURL(URL::URLWithString(kSupportAddress));
    return name.isEmpty() ? QString() : stringByDeletingPathExtension(name);
}

QString mailScriptPath(const QString& client, const Bundle& bundle)
{
    const QString name = resolvedClient(client);
    if (name.isEmpty())
        return {};
    const QString own = bundle.pathForResource(name == QLatin1String("Mail") ? QStringLiteral("Mail-Sierra") : name,
                                               QString(), kScriptFolder);
    const QString script = own.isEmpty() ? bundle.pathForResource(QStringLiteral("Default"), QString(), kScriptFolder)
                                         : own;
    return !script.isEmpty() && QFileInfo(script).isExecutable() ? script : QString();
}

bool canMailAttachments()
{
    return canMailAttachmentsUsingApplication(QString());
}

bool canMailAttachmentsUsingApplication(const QString& client)
{
    return canMailAttachmentsUsingApplication(client, VelmorAppKitBundle());
}

bool canMailAttachmentsUsingApplication(const QString& client, const Bundle& bundle)
{
    return !mailScriptPath(client, bundle).isEmpty();
}

QString mailtoString(const QString& recipients, const QString& subject, const QString& body)
{
    QString parameters;
    appendParameter(parameters, QStringLiteral("subject"), subject);
    appendParameter(parameters, QStringLiteral("body"), stringByEllipsizingAfterNCharacters(body, 4096));
    return QStringLiteral("mailto:") + recipients + parameters;
}

bool mailTo(const QString& recipients, const QString& subject, const QString& body, const QStringList& attachments,
            bool immediately)
{
    return mailTo(recipients, subject, body, attachments, immediately, QString());
}

bool mailTo(const QString& recipients, const QString& subject, const QString& body, const QStringList& attachments,
            bool immediately, const QString& client)
{
    return mailTo(recipients, subject, body, attachments, immediately, client, VelmorAppKitBundle());
}

bool mailTo(const QString& recipients, const QString& subject, const QString& body, const QStringList& attachments,
            bool immediately, const QString& client, const Bundle& bundle)
{
    const QString name = resolvedClient(client);
    if (name.isEmpty())
        return false;
    if (immediately && (recipients.isEmpty() || !canSendImmediately(name)))
        return false;
    QString mailto = mailtoString(recipients, subject, body);
    const QStringList recipientList = recipients.isNull() ? QStringList() : recipients.split(QLatin1Char(','));
    if (!immediately && attachments.isEmpty() && recipientList.size() < 2) {
        const URL url = URL::URLWithString(mailto);
        return !url.isNull() && openURL(url, false);
    }
    const QString script = mailScriptPath(name, bundle);
    if (script.isEmpty())
        return false;
    // A client's own script expects the client to run; xdg-email starts it
    // by itself.
    if (lastPathComponent(script) != QLatin1String("Default") && !applicationWithBundleIdentifierLaunched(name)) {
        const DesktopEntry entry = desktopEntryForID(name + QStringLiteral(".desktop"));
        if (!entry.isNull())
            launchDesktopEntry(entry, {});
    }
    QStringList arguments;
    if (name.compare(QLatin1String("MailMate"), Qt::CaseInsensitive) == 0) {
        for (const QString& attachment : attachments)
            mailto += (mailto.contains(QLatin1Char('?')) ? QStringLiteral("&attachment-url=%1")
                                                         : QStringLiteral("?attachment-url=%1"))
                          .arg(URL::fileURLWithPath(attachment).absoluteString());
        arguments << mailto;
    } else {
        QStringList trimmed;
        for (const QString& recipient : recipientList)
            trimmed << recipient.trimmed();
        arguments << attachments.join(QLatin1Char('\n')) << body << subject << trimmed.join(QLatin1Char('\n'))
                  << (immediately ? QStringLiteral("yes") : QStringLiteral("no"));
        // The same lists once more, one argument per item (a path may hold a
        // newline): the count of attachments, the attachments, the
        // recipients. Scripts that take five arguments ignore them.
        arguments << QString::number(attachments.size()) << attachments << trimmed;
    }
    // The script runs on its own; the message need not exist on return.
    QString error;
    if (Task::startDetached(script, arguments, {}, &error))
        return true;
    logError(error);
    return false;
}

} // namespace sorvant
