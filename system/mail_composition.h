#pragma once
// Composing (and, where a client can, sending) a message with recipients,
// subject, body and attachments in the user's mail client.
//
// The default client is the default application of "mailto:" URLs (its
// desktop-file ID without ".desktop"). A plain message without attachments
// and with at most one recipient goes to the desktop as a "mailto:" URL;
// everything else goes to a per-client executable in the resources' folder
// "Mail Scripts", named after the client ("Mail" uses "Mail-Sierra"), or to
// the shipped "Default" script, which hands the message to xdg-email. A
// script gets five arguments: the attachment paths one per line, the body,
// the subject, the recipients one per line, and "yes" or "no" for sending at
// once; then the number of attachments, the attachments and the recipients,
// one argument each (a path may hold a newline); a client that has its own script is started first (through its
// desktop entry) when it does not run; a "MailMate" script gets the whole "mailto:" URL with
// "attachment-url" parameters instead. The script is started and not waited
// for. Sending at once is only offered by clients this system cannot
// drive, so such requests answer NO.

#include <QString>
#include <QStringList>

namespace sorvant {

class Bundle;

// The default mail client, or null.
[[nodiscard]] QString defaultMailApplication();

// The script that would send for `client` (null or empty: the default
// client), or null.
[[nodiscard]] QString mailScriptPath(const QString& client, const Bundle& bundle);
[[nodiscard]] bool canMailAttachments();
[[nodiscard]] bool canMailAttachmentsUsingApplication(const QString& client);
[[nodiscard]] bool canMailAttachmentsUsingApplication(const QString& client, const Bundle& bundle);

// The "mailto:" text: recipients, then "subject" and "body" parameters, the
// body cut to 4,096 characters.
[[nodiscard]] QString mailtoString(const QString& recipients, const QString& subject, const QString& body);

// YES when the message was handed on (the script started, or the URL
// opened); NO for no client, a send-now request, an unusable URL or no
// script.
bool mailTo(const QString& recipients, const QString& subject, const QString& body, const QStringList& attachments,
            bool immediately);
bool mailTo(const QString& recipients, const QString& subject, const QString& body, const QStringList& attachments,
            bool immediately, const QString& client);
bool mailTo(const QString& recipients, const QString& subject, const QString& body, const QStringList& attachments,
            bool immediately, const QString& client, const Bundle& bundle);

} // namespace sorvant
