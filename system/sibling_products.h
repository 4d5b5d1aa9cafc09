#pragma once
// The other applications of the same maker that the search application
// works with: whether each is installed or running, its icon, and handing
// files or notes to Quirrel. A product is installed when its desktop entry,
// its settings file ("<id>.plist" in the Preferences folder) or its data
// folder (its name in the Application Support folder) exists; it runs when
// the running-applications monitor lists it. Handing items over goes
// through the product's desktop entry: files open in it (by D-Bus activation
// or its Exec= line), notes go to its "take-rich-note" action over D-Bus.
//
// Each availability answer is computed once per process.

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace sorvant {

struct SiblingProduct
{
    const char* identifier;  // the desktop-file ID without ".desktop"
    const char* name;        // the application's name and data folder
};

inline constexpr SiblingProduct kTamsett {"com.velmor-works.tamsett", "Tamsett"};
inline constexpr SiblingProduct kQuirrelPro2 {"com.velmor-works.quirrelpro2", "Quirrel Pro 2"};
inline constexpr SiblingProduct kQuirrel2 {"com.velmor-works.quirrel2", "Quirrel 2"};
inline constexpr SiblingProduct kQuirrel3 {"com.velmor-works.quirrel3", "Quirrel 3"};
inline constexpr SiblingProduct kPinnaway {"org.tarrenbeck.Pinnaway", "Pinnaway"};

// Whether the product is installed now (not cached).
[[nodiscard]] bool isSiblingProductInstalled(const SiblingProduct& product);

[[nodiscard]] bool isTamsettAvailable();
[[nodiscard]] bool isTamsettRunning();
// Any generation: professional 2, then 2, then 3.
[[nodiscard]] bool isQuirrelAvailable();
[[nodiscard]] bool isQuirrelRunning();
// Professional 2 or generation 3.
[[nodiscard]] bool isQuirrelProAvailable();
[[nodiscard]] bool isQuirrelProRunning();
[[nodiscard]] bool isQuirrel3Available();
[[nodiscard]] bool isQuirrel3Running();
[[nodiscard]] bool isPinnawayAvailable();
[[nodiscard]] bool isPinnawayRunning();
// Forgets the availability answers (tests).
void resetSiblingProductAnswers();

// The application's icon at `size`, or null when it is not installed or has
// no desktop entry. Quirrel's is generation 3's, else the professional
// edition's, else generation 2's.
[[nodiscard]] QImage TamsettIconOfSize(QSize size);
[[nodiscard]] QImage QuirrelIconOfSize(QSize size);
[[nodiscard]] QImage PinnawayIconOfSize(QSize size);

// Hands the files to Quirrel (professional edition first). NO for no files,
// or when no generation accepted them (logged "NSPerformService
// 'Add To Quirrel' failed.").
bool addFilesToQuirrel(const QStringList& paths);
// Hands a property list of notes to Quirrel's "take-rich-note" action.
bool addTamsettItemsToQuirrel(const QVariant& items);

} // namespace sorvant
