#include "platform/property_list_omissions.h"

#include <limits>

namespace sorvant {

namespace {

qint64 saturatingSum(qint64 a, qint64 b)
{
    return a > std::numeric_limits<qint64>::max() - b ? std::numeric_limits<qint64>::max() : a + b;
}

// Steps as a path, cut in the middle past the longest named: a key may
// be megabytes long, and a path 512 steps deep.
QString pathText(const QStringList& steps)
{
    const QString path = steps.join(QLatin1Char('/'));
    constexpr qsizetype kHalf = PropertyListOmissions::kLongestPath / 2;
    if (path.size() <= PropertyListOmissions::kLongestPath)
        return path;
    return path.left(kHalf) + QStringLiteral("…") + path.right(kHalf);
}

} // namespace

QStringList PropertyListOmissions::named() const
{
    QStringList lines;
    for (const Entry& entry : m_entries) {
        const QString path = pathText(entry.path);
        lines.append(entry.at.isEmpty() || entry.at == entry.path
                         ? QStringLiteral("'%1': %2").arg(path, entry.reason)
                         : QStringLiteral("'%1': at '%2': %3").arg(path, pathText(entry.at), entry.reason));
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
    if (isNaming())
        m_entries.append(std::move(entry));
}

void PropertyListOmissions::count(qint64 count)
{
    m_count = saturatingSum(m_count, count);
}

QStringList PropertyListTrail::steps() const
{
    QStringList steps;
    steps.reserve(m_steps.size());
    for (const Step& step : m_steps)
        steps.append(step.key.isNull() ? QString::number(step.index)
                                       : QString(step.key).replace(QChar(0), QLatin1String("\\0")));
    return steps;
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
        below.entries.append({entry.path.mid(mark.depth), entry.at.mid(mark.depth), entry.reason});
    }
    return below;
}

void PropertyListTrail::leaveOut(const QString& reason, const QStringList& at)
{
    if (!isLeavingOut())
        return;
    if (!m_omissions->isNaming()) {
        m_omissions->count(1);
        return;
    }
    QStringList path = steps();
    m_omissions->leaveOut({path, at == path ? QStringList() : at, reason});
}

void PropertyListTrail::meetAgain(const Below& below)
{
    if (!isLeavingOut() || below.count == 0)
        return;
    const QStringList here = below.entries.isEmpty() || !m_omissions->isNaming() ? QStringList() : steps();
    for (const PropertyListOmissions::Entry& entry : below.entries) {
        if (!m_omissions->isNaming())
            break;
        m_omissions->m_entries.append(
            {here + entry.path, entry.at.isEmpty() ? QStringList() : here + entry.at, entry.reason});
    }
    m_omissions->count(below.count);
}

} // namespace sorvant
