#include "platform/property_list_omissions.h"

#include <limits>

namespace sorvant {

namespace {

qint64 saturatingSum(qint64 a, qint64 b)
{
    return a > std::numeric_limits<qint64>::max() - b ? std::numeric_limits<qint64>::max() : a + b;
}

} // namespace

QStringList PropertyListOmissions::named() const
{
    QStringList lines;
    for (const Entry& entry : m_entries) {
        const QString path = entry.path.text();
        lines.append(entry.at.isEmpty() ? QStringLiteral("'%1': %2").arg(path, entry.reason)
                                        : QStringLiteral("'%1': at '%2': %3").arg(path, entry.at.text(), entry.reason));
    }
    return lines;
}

QString PropertyListOmissions::summary() const
{
    const QString lines = named().join(QLatin1String("; "));
    if (m_count <= 1)
        return lines;
    if (m_count == m_entries.size())
        return QStringLiteral("%1 entries: %2").arg(m_count).arg(lines);
    return QStringLiteral("%1 entries, the first %2: %3").arg(m_count).arg(m_entries.size()).arg(lines);
}

void PropertyListOmissions::leaveOut(Entry entry)
{
    m_count = saturatingSum(m_count, 1);
    if (!isNaming())
        return;
    // What was refused lies inside the entry: no deeper, it is the entry.
    if (entry.at.size() <= entry.path.size())
        entry.at = {};
    m_entries.append(std::move(entry));
}

void PropertyListOmissions::count(qint64 count)
{
    m_count = saturatingSum(m_count, count);
}

PropertyListPath PropertyListTrail::path() const
{
    for (; m_built < m_levels.size(); ++m_built) {
        Level& level = m_levels[m_built];
        level.path = (m_built == 0 ? PropertyListPath() : m_levels.at(m_built - 1).path).appended(level.step);
    }
    return m_levels.isEmpty() ? PropertyListPath() : m_levels.last().path;
}

PropertyListTrail::Mark PropertyListTrail::mark() const
{
    if (!isLeavingOut())
        return {};
    return Mark{m_omissions->m_count, m_omissions->m_entries.size(), depth()};
}

PropertyListTrail::Below PropertyListTrail::below(const Mark& mark) const
{
    if (!isLeavingOut() || m_omissions->m_count == mark.count)
        return {};
    Below below{m_omissions->m_count - mark.count, {}};
    // Once kNamed are named no more ever are, so what a value left out
    // unnamed is never wanted by name where it is met again.
    for (qsizetype i = mark.named; i < m_omissions->m_entries.size(); ++i) {
        const PropertyListOmissions::Entry& entry = m_omissions->m_entries.at(i);
        below.entries.append({entry.path.after(mark.depth), entry.at.after(mark.depth), entry.reason});
    }
    return below;
}

void PropertyListTrail::leaveOut(const QString& reason, const PropertyListPath& at)
{
    if (!isLeavingOut())
        return;
    if (!m_omissions->isNaming()) {
        m_omissions->count(1);
        return;
    }
    m_omissions->leaveOut({path(), at, reason});
}

void PropertyListTrail::meetAgain(const Below& below)
{
    if (!isLeavingOut() || below.count == 0)
        return;
    const PropertyListPath here = below.entries.isEmpty() || !m_omissions->isNaming() ? PropertyListPath() : path();
    for (const PropertyListOmissions::Entry& entry : below.entries) {
        if (!m_omissions->isNaming())
            break;
        m_omissions->m_entries.append(
            {here + entry.path, entry.at.isEmpty() ? PropertyListPath() : here + entry.at, entry.reason});
    }
    m_omissions->count(below.count);
}

} // namespace sorvant
