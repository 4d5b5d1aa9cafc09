#pragma once
// The text of property lists as both readers decode it: UTF-8 in steps that
// look at the thread's stop, and the cut a caller that wants only short
// texts asks for. For the readers (property_list_binary.h,
// property_list_xml.h); the values are those of property_list.h.

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace sorvant {

class PropertyListStopCheck;

// While one lives, the property lists read on its thread keep at most
// `longest` UTF-16 units of each text, key or value, and never half of a
// surrogate pair. What lies past the cut is not decoded, so a caller that
// keeps a short text out of a file anyone may write (a package's version)
// spends no time or memory on the rest of it; in a binary list a NUL or an
// unpaired surrogate there goes unseen (XML is checked whole, as always).
// Data and other values are read whole. Scopes nest; the innermost counts.
class PropertyListTextCut
{
public:
    explicit PropertyListTextCut(qsizetype longest);
    ~PropertyListTextCut();
    PropertyListTextCut(const PropertyListTextCut&) = delete;
    PropertyListTextCut& operator=(const PropertyListTextCut&) = delete;

    // The innermost scope's length on this thread; -1 without one.
    [[nodiscard]] static qsizetype longest();
    // How many bytes of a text's UTF-8 a reader keeps to decode: enough
    // for its first longest() units, whatever the bytes; -1 without a cut.
    //   (cut at 256) => 1,028     (no cut) => -1
    [[nodiscard]] static qsizetype keptBytes();

private:
    const qsizetype m_longest;
    const PropertyListTextCut* const m_previous;
};

// `text` cut to at most `longest` UTF-16 units (all of it when `longest` is
// negative), a surrogate pair the cut would split left out whole.
//   ("abcdef", 3) => "abc"     ("ab😀", 3) => "ab"     ("ab", 3) => "ab"
//   ("abc", -1)   => "abc"     (QString(), 3) => QString()
[[nodiscard]] QString cutPropertyListText(QString text, qsizetype longest);

// The text of `utf8` as QString::fromUtf8 would give it, except that a
// leading U+FEFF stays (in a property list it is text), decoded in steps
// that look at `stop` and cut as the thread's PropertyListTextCut asks.
// Nothing when stopped.
//   ("abc") => "abc"     ("\xEF\xBB\xBF" "a") => "\uFEFFa"     ("") => ""
[[nodiscard]] std::optional<QString> decodedPropertyListText(QByteArrayView utf8, PropertyListStopCheck& stop);

} // namespace sorvant
