#include "interface/key_equivalents.h"

#include "foundation/chars_table.h"
#include "interface/events.h"

namespace sorvant {

namespace {

struct ModifierWords
{
    const char* shortWord;
    const char* longWord;
    quint32 bit;
};

constexpr ModifierWords kModifierWords[] = {
    {"shft", "shift", kShiftKeyMask},
    {"cmd", "command", kCommandKeyMask},
    {"ctrl", "control", kControlKeyMask},
    {"opt", "alt", kAlternateKeyMask},
};

constexpr unichar kFunctionKeyBase = 0xF703; // F1 is one past it

} // namespace

QString keyEquivalentAndModifierMask(const QString& text, quint32* mask)
{
    quint32 found = 0;
    for (const ModifierWords& words : kModifierWords) {
        if (text.contains(QLatin1String(words.shortWord), Qt::CaseInsensitive)
            || text.contains(QLatin1String(words.longWord), Qt::CaseInsensitive))
            found |= words.bit;
    }
    qsizetype start = 0;
    for (qsizetype i = text.size() - 1; i >= 1; --i) {
        if (!bitmapContains(getAlphaNumBitmap(), text.at(i).unicode())) {
            start = i + 1;
            break;
        }
    }
    const QString keyPart = text.mid(start);
    QString key;
    if (keyPart.size() >= 2 && (keyPart.front() == u'f' || keyPart.front() == u'F')) {
        bool ok = false;
        const int n = keyPart.mid(1).toInt(&ok);
        if (ok && n >= 1 && n <= 35)
            key = QString(QChar(static_cast<char16_t>(kFunctionKeyBase + n)));
        else
            key = QStringLiteral("");
    } else {
        key = keyPart.toLower();
        if (key.isNull())
            key = QStringLiteral("");
    }
    if (mask)
        *mask = found;
    return key;
}

QString keyEquivalent(const QString& text)
{
    return keyEquivalentAndModifierMask(text, nullptr);
}

QString keyEquivalentLookupKey(const QString& key, quint32 mask)
{
    QString lookup;
    if (mask & kCommandKeyMask)
        lookup += QLatin1String("CMD_");
    if (mask & kControlKeyMask)
        lookup += QLatin1String("CTRL_");
    if (mask & kAlternateKeyMask)
        lookup += QLatin1String("OPT_");
    if (mask & kShiftKeyMask)
        lookup += QLatin1String("SHIFT_");
    return lookup + key;
}

QKeySequence keySequenceForKeyEquivalent(const QString& key, quint32 mask)
{
    if (key.size() != 1)
        return {};
    const unichar unit = key.front().unicode();
    int qtKey = qtKeyForFunctionKeyUnit(unit);
    if (qtKey == 0) {
        // Qt names letter keys by their upper-case code; a shifted symbol
        // keeps its own code.
        qtKey = QChar(unit).toUpper().unicode();
    }
    return QKeySequence(QKeyCombination(qtModifiersFromFlags(mask), static_cast<Qt::Key>(qtKey)));
}

QString keyEquivalentForKeySequence(const QKeySequence& sequence, quint32* mask)
{
    if (sequence.isEmpty()) {
        if (mask)
            *mask = 0;
        return QStringLiteral("");
    }
    const QKeyCombination chord = sequence[0];
    if (mask)
        *mask = modifierFlagsFromQt(chord.keyboardModifiers());
    const int qtKey = chord.key();
    if (const unichar unit = functionKeyUnit(qtKey))
        return QString(QChar(unit));
    if (qtKey > 0 && qtKey <= 0xFFFF)
        return QString(QChar(static_cast<char16_t>(qtKey))).toLower();
    return QStringLiteral("");
}

} // namespace sorvant
