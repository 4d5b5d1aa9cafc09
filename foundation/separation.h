#pragma once
// Splitting strings into components by a separator set: the enumeration
// every splitter is built on, component lists and counts, hashtags and
// stemming. The separator sets themselves are in foundation/separators.h;
// buffer-level splitters that report ranges are in
// foundation/separation_buffers.h.
//
// A component is a maximal run of non-separators; a separator run is a
// maximal run of separators. Enumeration reports a leading separator run but
// never a trailing one:
//   "  ab cd  " (white) => run {0,2}, "ab" {2,2}, run {4,1}, "cd" {5,2}

#include "foundation/chars_table.h"
#include "foundation/separators.h"

#include <QStringList>

#include <type_traits>

namespace sorvant {

// --- enumeration -------------------------------------------------------------

// Called for each component or separator run; answers true to stop. The
// units pointer is the string's own storage, valid during the call.
using ComponentHandler = bool (*)(const QString& string, const unichar* characters, qsizetype location,
                                  qsizetype length, bool isSeparator, void* context);

// Reports the components and separator runs of `string` in text order and
// answers the number of reports that did not stop. A null handler or an
// empty string answers 0; a null separator set is a programming error that
// is logged and answers 0.
qsizetype enumerateComponentsUsingHandler(const QString& string, ComponentHandler handler, void* context,
                                          const CharacterSetBitmap* separators);

// The same with any callable taking (string, characters, location, length,
// isSeparator) and answering bool stop.
template <typename Block>
qsizetype enumerateComponentsUsingBlock(const QString& string, Block&& block,
                                        const CharacterSetBitmap* separators)
{
    using BlockType = std::remove_reference_t<Block>;
    auto trampoline = [](const QString& s, const unichar* units, qsizetype location, qsizetype length,
                         bool isSeparator, void* context) -> bool {
        return (*static_cast<BlockType*>(context))(s, units, location, length, isSeparator);
    };
    return enumerateComponentsUsingHandler(string, trampoline, const_cast<void*>(static_cast<const void*>(&block)),
                                           separators);
}

// --- component lists ---------------------------------------------------------
// Each answers the components of at least `minLen` units, in text order. A
// null or empty string answers an empty list (there is no nil list).

//   ("a, b", word separators) => ["a", "b"]     ("", …) => []
[[nodiscard]] QStringList componentsUsingSeparators(const QString& string, const CharacterSetBitmap* separators,
                                                    qsizetype minLen = 1);
// Split at white spaces (the search phrase is split into words this way):
//   "  a  b " => ["a", "b"]    "" => []
[[nodiscard]] QStringList componentsUsingWhiteSeparation(const QString& string);
//   ("one\ntwo\r\n", 1) => ["one", "two"]
[[nodiscard]] QStringList componentsUsingLineSeparation(const QString& string, qsizetype minLen = 1);

// The same lists collected into a container of the caller's choice (a set to
// drop repeats, a vector …): each component is added at the container's end.
//   componentsUsingSeparators<QSet<QString>>("a b a", white, 1) => {"a", "b"}
template <typename Container>
[[nodiscard]] Container componentsUsingSeparators(const QString& string, const CharacterSetBitmap* separators,
                                                  qsizetype minLen)
{
    Container components;
    for (const QString& component : componentsUsingSeparators(string, separators, minLen))
        components.insert(components.end(), component);
    return components;
}
template <typename Container>
[[nodiscard]] Container componentsUsingLineSeparation(const QString& string, qsizetype minLen)
{
    return componentsUsingSeparators<Container>(string, defaultLineSeparators(), minLen);
}

// --- counts ------------------------------------------------------------------
// The number of pieces of componentsOfCharacters(): a leading separator run
// counts as a piece of its own.
//   "a b" => 2   " a" => 2   "a " => 1   "" => 0
[[nodiscard]] qsizetype numberOfComponentsUsingSeparators(const QString& string,
                                                          const CharacterSetBitmap* separators);
[[nodiscard]] qsizetype numberOfComponentsUsingWhiteSeparation(const QString& string);
[[nodiscard]] qsizetype numberOfComponentsUsingLineSeparation(const QString& string);

// --- hashtags and stemming ---------------------------------------------------

// The hashtags among the white-separated components, without "#", in text
// order, duplicates kept. A tag holds letters, digits, "-", "_" (and "/" when
// `allowSlash`), at least one letter or three digits; a last "," or ";" is
// dropped.
//   "#trip #1 #123 #a-b, #x;" => ["trip", "123", "a-b", "x"]
//   "#a/b" (allowSlash)       => ["a/b"]      "no tags" => []
[[nodiscard]] QStringList hashtags(const QString& string, bool allowSlash);

// The string with every word replaced by its lemma. No lemmatizer is
// available, so the string itself is answered.
//   "running dogs" => "running dogs"    QString() => QString()
[[nodiscard]] QString stringByStemmingWords(const QString& string);

} // namespace sorvant
