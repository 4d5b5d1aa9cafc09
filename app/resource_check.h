#pragma once
// A check of the resources the program reads at run time, for an installed
// copy without a display (`sorvant --check-resources`): the resources
// folder, each localization's strings table and help page of the search
// options, and the mail script. One line per resource, its path or null
// when it is missing.

#include <QList>
#include <QString>

namespace sorvant {

class Bundle;

struct ResourceCheckLine
{
    QString what;
    QString path; // null: missing
};

[[nodiscard]] QList<ResourceCheckLine> checkResources(const Bundle& bundle);

// The lines as "<what>: <path>" ("MISSING" for a missing one).
[[nodiscard]] QString resourceCheckReport(const QList<ResourceCheckLine>& lines);

} // namespace sorvant
