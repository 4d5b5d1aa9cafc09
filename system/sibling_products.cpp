#include "system/sibling_products.h"

#include "platform/file_system_representation.h"
#include "platform/log.h"
#include "platform/property_list.h"
#include "system/desktop_entries.h"
#include "system/standard_folders.h"
#include "system/workspace_icons.h"
#include "system/workspace_monitors.h"

#include <QFileInfo>

#include <array>
#include <mutex>
#include <optional>

namespace sorvant {

namespace {

enum Answer { TamsettAnswer, QuirrelAnswer, QuirrelProAnswer, Quirrel3Answer, PinnawayAnswer, kAnswerCount };

struct Answers
{
    std::mutex mutex;
    std::array<std::optional<bool>, kAnswerCount> values;
};

Answers& answers()
{
    static Answers instance;
    return instance;
}

bool installedAny(std::initializer_list<SiblingProduct> products)
{
    for (const SiblingProduct& product : products) {
        if (isSiblingProductInstalled(product))
            return true;
    }
    return false;
}

bool computedOnce(Answer which, std::initializer_list<SiblingProduct> products)
{
    Answers& a = answers();
    {
        std::lock_guard lock(a.mutex);
        if (a.values[which])
            return *a.values[which];
    }
    const bool installed = installedAny(products);
    std::lock_guard lock(a.mutex);
    if (!a.values[which])
        a.values[which] = installed;
    return *a.values[which];
}

bool runningAny(std::initializer_list<SiblingProduct> products)
{
    for (const SiblingProduct& product : products) {
        if (applicationWithBundleIdentifierLaunched(QLatin1String(product.identifier)))
            return true;
    }
    return false;
}

// The product's desktop entry, by ID, else by name.
DesktopEntry entryOf(const SiblingProduct& product)
{
    const DesktopEntry byID = desktopEntryForID(QLatin1String(product.identifier));
    return byID.isApplication() ? byID : desktopEntryForApplicationName(QLatin1String(product.name));
}

QImage iconOf(const SiblingProduct& product, QSize size)
{
    const DesktopEntry entry = entryOf(product);
    return entry.isNull() ? QImage() : iconForFile(entry.path(), true, size);
}

// The generations that take items, the professional edition first.
constexpr std::array kQuirrels {kQuirrelPro2, kQuirrel3, kQuirrel2};

} // namespace

bool isSiblingProductInstalled(const SiblingProduct& product)
{
    const QString identifier = QLatin1String(product.identifier);
    const QString settings = preferencesDirectory() + u'/' + identifier + QStringLiteral(".plist");
    const QString data = applicationSupportDirectory() + u'/' + QLatin1String(product.name);
    return QFileInfo::exists(settings) || QFileInfo(data).isDir() || !desktopEntryPathForID(identifier).isNull();
}

bool isTamsettAvailable() { return computedOnce(TamsettAnswer, {kTamsett}); }
bool isTamsettRunning() { return runningAny({kTamsett}); }
bool isQuirrelAvailable() { return computedOnce(QuirrelAnswer, {kQuirrelPro2, kQuirrel2, kQuirrel3}); }
bool isQuirrelRunning() { return runningAny({kQuirrelPro2, kQuirrel2, kQuirrel3}); }
bool isQuirrelProAvailable() { return computedOnce(QuirrelProAnswer, {kQuirrelPro2, kQuirrel3}); }
bool isQuirrelProRunning() { return runningAny({kQuirrelPro2, kQuirrel3}); }
bool isQuirrel3Available() { return computedOnce(Quirrel3Answer, {kQuirrel3}); }
bool isQuirrel3Running() { return runningAny({kQuirrel3}); }
bool isPinnawayAvailable() { return computedOnce(PinnawayAnswer, {kPinnaway}); }
bool isPinnawayRunning() { return runningAny({kPinnaway}); }

void resetSiblingProductAnswers()
{
    std::lock_guard lock(answers().mutex);
    answers().values.fill(std::nullopt);
}

QImage TamsettIconOfSize(QSize size)
{
    return isTamsettAvailable() ? iconOf(kTamsett, size) : QImage();
}

QImage QuirrelIconOfSize(QSize size)
{
    if (isQuirrel3Available())
        return iconOf(kQuirrel3, size);
    if (isQuirrelProAvailable())
        return iconOf(kQuirrelPro2, size);
    if (isQuirrelAvailable())
        return iconOf(kQuirrel2, size);
    return {};
}

QImage PinnawayIconOfSize(QSize size)
{
    return isPinnawayAvailable() ? iconOf(kPinnaway, size) : QImage();
}

bool addFilesToQuirrel(const QStringList& paths)
{
    if (paths.isEmpty())
        return false;
    for (const SiblingProduct& product : kQuirrels) {
        const DesktopEntry entry = entryOf(product);
        if (!entry.isNull() && launchDesktopEntry(entry, paths))
            return true;
    }
    logMessage(QStringLiteral("NSPerformService 'Add To Quirrel' failed."));
    return false;
}

bool addTamsettItemsToQuirrel(const QVariant& items)
{
    const QByteArray list = xmlDataFromPropertyList(items);
    if (!items.isValid() || list.isEmpty())
        return false;
    for (const SiblingProduct& product : kQuirrels) {
        const DesktopEntry entry = entryOf(product);
        if (!entry.isNull() && activateDesktopEntryAction(entry, QStringLiteral("take-rich-note"),
                                                          {QString::fromUtf8(list)}))
            return true;
    }
    logMessage(QStringLiteral("NSPerformService 'Take Rich Note' failed."));
    return false;
}

} // namespace sorvant
