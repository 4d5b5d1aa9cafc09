#include "platform/property_list_expanded_size.h"

#include "platform/property_list_bounds.h"

#include <QStringList>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>

#include <algorithm>

namespace sorvant {

namespace {

void addExpandedSize(const QVariant& value, qint64 limit, int depth, qint64& total);

template <typename Map>
void addExpandedEntries(const Map& map, qint64 limit, int depth, qint64& total)
{
    for (auto it = map.cbegin(); it != map.cend() && total <= limit; ++it) {
        total += it.key().size();
        addExpandedSize(it.value(), limit, depth + 1, total);
    }
}

// Adds what `value` expands to to `total`, until it passes `limit`.
void addExpandedSize(const QVariant& value, qint64 limit, int depth, qint64& total)
{
    total += kPropertyListObjectCost;
    if (depth > kMaximumPropertyListDepth) {
        total = std::max(total, limit + 1);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        addExpandedEntries(*static_cast<const QVariantMap*>(value.constData()), limit, depth, total);
        return;
    case QMetaType::QVariantHash:
        addExpandedEntries(*static_cast<const QVariantHash*>(value.constData()), limit, depth, total);
        return;
    case QMetaType::QVariantList: {
        const auto* list = static_cast<const QVariantList*>(value.constData());
        for (auto it = list->cbegin(); it != list->cend() && total <= limit; ++it)
            addExpandedSize(*it, limit, depth + 1, total);
        return;
    }
    case QMetaType::QStringList: {
        const auto* list = static_cast<const QStringList*>(value.constData());
        for (auto it = list->cbegin(); it != list->cend() && total <= limit; ++it)
            total += kPropertyListObjectCost + it->size();
        return;
    }
    case QMetaType::QString:
        total += static_cast<const QString*>(value.constData())->size();
        return;
    case QMetaType::QByteArray:
        total += static_cast<const QByteArray*>(value.constData())->size();
        return;
    default:
        return;
    }
}

} // namespace

qint64 propertyListExpandedSize(const QVariant& value, qint64 limit)
{
    qint64 total = 0;
    addExpandedSize(value, limit, 0, total);
    return total;
}

} // namespace sorvant
