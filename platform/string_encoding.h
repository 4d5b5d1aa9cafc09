#pragma once
// Text encodings by the platform's encoding numbers and by character-set
// names, converted with ICU, and the detection of a text file's encoding.
// Conversions are strict: bytes that are not valid in the encoding, and
// characters the encoding cannot hold, make the conversion fail instead of
// turning into replacement characters (a PieceDecoder may read them as
// U+FFFD instead, and the table of a set of one or two bytes a character
// does).
//   decodeString("caf\xc3\xa9", NSUTF8StringEncoding)     => "café"
//   decodeString("caf\xe9", NSUTF8StringEncoding)         => null
//   decodeString("caf\xe9", NSISOLatin1StringEncoding)    => "café"
//   decodeString("", NSUTF8StringEncoding)                => ""
//   encodeString("é", NSASCIIStringEncoding)              => fails

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct UConverter; // ICU's

namespace sorvant {

// The platform's encoding numbers (NSStringEncoding).
using StringEncoding = quint64;

inline constexpr StringEncoding NSASCIIStringEncoding = 1;
inline constexpr StringEncoding NSJapaneseEUCStringEncoding = 3;
inline constexpr StringEncoding NSUTF8StringEncoding = 4;
inline constexpr StringEncoding NSISOLatin1StringEncoding = 5;
inline constexpr StringEncoding NSShiftJISStringEncoding = 8;
inline constexpr StringEncoding NSISOLatin2StringEncoding = 9;
// UTF-16 with a byte-order mark (written little-endian).
inline constexpr StringEncoding NSUnicodeStringEncoding = 10;
inline constexpr StringEncoding NSWindowsCP1251StringEncoding = 11;
inline constexpr StringEncoding NSWindowsCP1252StringEncoding = 12;
inline constexpr StringEncoding NSWindowsCP1253StringEncoding = 13;
inline constexpr StringEncoding NSWindowsCP1254StringEncoding = 14;
inline constexpr StringEncoding NSWindowsCP1250StringEncoding = 15;
inline constexpr StringEncoding NSISO2022JPStringEncoding = 21;
inline constexpr StringEncoding NSMacOSRomanStringEncoding = 30;
inline constexpr StringEncoding NSUTF16BigEndianStringEncoding = 0x90000100;
inline constexpr StringEncoding NSUTF16LittleEndianStringEncoding = 0x94000100;
// UTF-32 with a byte-order mark (written little-endian).
inline constexpr StringEncoding NSUTF32StringEncoding = 0x8c000100;
inline constexpr StringEncoding NSUTF32BigEndianStringEncoding = 0x98000100;
inline constexpr StringEncoding NSUTF32LittleEndianStringEncoding = 0x9c000100;

// YES for the encodings listed above; the others have no converter here.
[[nodiscard]] bool isSupportedEncoding(StringEncoding encoding);

// The text of `length` bytes in `encoding`; null when the bytes are not
// valid in it or the encoding is not supported. Zero bytes are text like
// any other. A byte-order mark is read (and dropped) only by the encodings
// that carry one (NSUnicodeStringEncoding, NSUTF32StringEncoding); those
// read big-endian when it is missing. Any length decodes, however many
// bytes ICU takes in one call.
[[nodiscard]] QString decodeString(const char* bytes, qsizetype length, StringEncoding encoding);
[[nodiscard]] QString decodeString(const QByteArray& bytes, StringEncoding encoding);

// The bytes of `string` in `encoding`; nullopt when a character cannot be
// represented or the encoding is not supported. A null string gives empty
// bytes.
[[nodiscard]] std::optional<QByteArray> encodeString(const QString& string, StringEncoding encoding);

// The encoding of a text file's bytes: a byte-order mark names UTF-8,
// UTF-16 (NSUnicodeStringEncoding) or UTF-32 (NSUTF32StringEncoding); other
// bytes are UTF-8 when valid as such. 0 when none applies.
//   detectEncoding("\xef\xbb\xbfx") => NSUTF8StringEncoding
//   detectEncoding("abc")          => NSUTF8StringEncoding
//   detectEncoding("\xe9t\xe9")    => 0
[[nodiscard]] StringEncoding detectEncoding(const QByteArray& bytes);

// The text of bytes in the encoding detectEncoding found, without the
// byte-order mark; null when detection fails.
[[nodiscard]] QString decodeDetected(const QByteArray& bytes, StringEncoding* usedEncoding = nullptr);

// --- character sets by name -----------------------------------------------------

// ICU's converter name for a character set's IANA name (else its MIME
// name), names compared as ICU compares them (case, "-" and "_" ignored);
// null when ICU has no converter by that name or cannot open it.
//   "ISO-8859-1" => "ISO-8859-1"   "latin1" => "ISO-8859-1"
//   "windows-1252" => "ibm-5348_P100-1997"   "no-such" => null   "" => null
[[nodiscard]] QByteArray converterForCharset(const QByteArray& charsetName);

// The platform's number of the character set of an ICU converter; 0 for
// a set without one here and for null.
//   "ISO-8859-1" => NSISOLatin1StringEncoding   "KOI8-R" => 0   null => 0
[[nodiscard]] StringEncoding encodingOfConverter(const QByteArray& converter);

// The text of bytes in the character set of an ICU converter; null when
// the bytes are not valid in it or the converter cannot be opened. No
// byte-order mark is read or dropped.
//   decodeInCharset("caf\xe9", "ISO-8859-1") => "café"   decodeInCharset("", "UTF-8") => ""
[[nodiscard]] QString decodeInCharset(const QByteArray& bytes, const QByteArray& converter);

// The character of each byte in a character set that keeps ASCII (each
// byte below 0x80 is that character) and gives every other byte a
// character of its own: ISO-8859-x, windows-125x, KOI8-R, macintosh...
// kUnassignedByte marks a byte the set leaves out.
using ByteCharacters = std::array<char32_t, 256>;
inline constexpr char32_t kUnassignedByte = 0xFFFFFFFF;

// The byte characters of a converter; nullopt for every other kind of set:
// several bytes per character (UTF-8, Shift_JIS, EUC-JP), EBCDIC, stateful
// sets, a converter that cannot be opened.
//   "ISO-8859-1" => [0xE9] = U+00E9   "windows-1252" => [0x80] = U+20AC   "Shift_JIS" => nullopt
[[nodiscard]] std::optional<ByteCharacters> asciiCompatibleByteCharacters(const QByteArray& converter);

// The UTF-8 form of bytes in such a set; null when one of them is
// unassigned. ASCII bytes stay as they are.
//   "caf\xe9" (ISO-8859-1) => "caf\xc3\xa9"   "" => ""
[[nodiscard]] QByteArray utf8FromByteCharacters(const QByteArray& bytes, const ByteCharacters& characters);

// --- text of one or two bytes a character ----------------------------------------

// The units of a character set whose characters are one byte or a lead
// byte and a trail byte, read without state, each character one UTF-16
// unit other than a surrogate and U+FFFD: Shift_JIS, Big5, GBK, EUC-KR and
// the like. What the set leaves out reads as U+FFFD, as a converter that
// replaces them reads it (PieceDecoder, LeftOutBytes::Replace): a byte
// that is no character, a pair without one (both bytes), and a lead byte
// alone where the byte after it cannot follow it (that byte then begins
// the next character: "\x81 " in Shift_JIS is U+FFFD and a space) or where
// the text ends.
struct DoubleByteUnits
{
    static constexpr char16_t kNoUnit = 0xD800; // single[] of a lead byte
    static constexpr char16_t kReplacement = 0xFFFD;

    std::array<char16_t, 256> single{}; // kNoUnit for a lead byte
    std::array<bool, 256> lead{};
    std::vector<char16_t> pairs = std::vector<char16_t>(65536, kReplacement); // lead << 8 | trail
    // The bytes the character at a lead byte takes, by the pair: 1 where
    // the lead stands alone.
    std::vector<unsigned char> pairLengths = std::vector<unsigned char>(65536, 2);

    // The bytes the character at `at` takes and its unit, in a text that
    // ends at `end` (after `at`).
    [[nodiscard]] qsizetype lengthAt(const unsigned char* at, const unsigned char* end) const
    {
        return lead[*at] && end - at > 1 ? pairLengths[size_t(at[0]) << 8 | at[1]] : 1;
    }
    [[nodiscard]] char16_t unitAt(const unsigned char* at, const unsigned char* end) const
    {
        if (!lead[*at])
            return single[*at];
        return end - at > 1 ? pairs[size_t(at[0]) << 8 | at[1]] : kReplacement;
    }

    // Both at once, for the loops that read every character: the length
    // table is looked at only for what the set leaves out.
    struct Character
    {
        char16_t unit;
        unsigned char length;
    };
    [[nodiscard]] Character characterAt(const unsigned char* at, const unsigned char* end) const
    {
        if (!lead[*at])
            return {single[*at], 1};
        if (end - at < 2)
            return {kReplacement, 1};
        const size_t pair = size_t(at[0]) << 8 | at[1];
        const char16_t unit = pairs[pair];
        return {unit, unit != kReplacement ? static_cast<unsigned char>(2) : pairLengths[pair]};
    }
};

// The table of a converter of such a set; nullopt for every other kind:
// one byte a character, three or more (UTF-8, EUC-JP, GB18030), stateful
// sets (ISO-2022-JP, EBCDIC with shifts), a set with a character of two
// units or one of its own at U+FFFD, a converter that cannot be opened.
// A text decodes by the table exactly as the converter decodes it that
// reads what the set leaves out as U+FFFD.
//   "Shift_JIS" => "\x82\xa0" = U+3042, "A" = U+0041, "\xfd" = U+FFFD
//   "ISO-8859-1" => nullopt   "EUC-JP" => nullopt
[[nodiscard]] std::optional<DoubleByteUnits> doubleByteUnits(const QByteArray& converter);

// The characters the text of `bytes` takes in the set, each byte or pair
// the set leaves out one (U+FFFD).
//   "A\x82\xa0" (Shift_JIS) => 2   "\x81 " => 2   "\x82" => 1   "" => 0
[[nodiscard]] qsizetype doubleByteUnitCount(QByteArrayView bytes, const DoubleByteUnits& units);

// --- text read in pieces --------------------------------------------------------

// What a decoder does with bytes its set leaves out (a byte that is no
// character, a pair without one, a character cut by the end): fail, or
// read each as U+FFFD, as other tools read such text.
enum class LeftOutBytes { Refuse, Replace };

// Decodes a text whose bytes arrive in pieces (a file read in windows) with
// the strict converter decodeString and decodeInCharset use: the pieces
// decoded one after another give the text those give for the bytes joined,
// and fail where they answer null. A character cut at the end of a piece
// is held for the next; one bad piece leaves the decoder spent. With
// LeftOutBytes::Replace, bytes the set leaves out are U+FFFD instead, the
// same wherever the pieces are cut, and the first of them is kept.
//   "UTF-16": "\xff\xfe" "a\0" "\x3d\xd8" "\x00\xde" (last) => "a" U+1F600
//   "Shift_JIS", Replace: "a\x81" " z" (last) => "a" U+FFFD " z", first left out 1
class PieceDecoder
{
public:
    // `converter`: an ICU converter name ("UTF-16", "UTF-32", "ISO-8859-1").
    explicit PieceDecoder(const char* converter, LeftOutBytes leftOut = LeftOutBytes::Refuse);
    ~PieceDecoder();
    PieceDecoder(const PieceDecoder&) = delete;
    PieceDecoder& operator=(const PieceDecoder&) = delete;

    // NO when the converter cannot be opened.
    [[nodiscard]] bool isOpen() const { return m_converter != nullptr; }

    // Appends the UTF-8 form of the text of `bytes` to `utf8`; `last`: no
    // bytes follow, so a cut character is an error. NO on bytes that are
    // not valid in the set. The memory used is kept from piece to piece.
    bool appendUtf8(const char* bytes, qsizetype size, bool last, QByteArray& utf8);

    // Writes the text of `bytes` into `text` from `used` on, moving `used`
    // past it: `text` is the caller's, sized ahead (grown by half when the
    // text needs more), so that a whole file decodes into one string.
    bool decodeInto(const char* bytes, qsizetype size, bool last, QString& text, qsizetype& used);
    // Cuts `text` to the `used` units decodeInto wrote, giving memory back
    // where it filled less than half; never null.
    static void finishText(QString& text, qsizetype used);

    // Where the first byte read as U+FFFD is, counted from the first byte
    // of the first piece; -1 while there is none (always when refusing).
    [[nodiscard]] std::int64_t firstLeftOutByte() const;
    // Whether the pieces so far end within a character (or one the bytes
    // to come may still lengthen), held for the next piece.
    //   "Shift_JIS": "a\x91" => YES   "a\x91\x4f" => NO   "" => NO
    [[nodiscard]] bool holdsCutCharacter() const;

private:
    struct LeftOutSpot;

    UConverter* m_converter = nullptr;
    std::unique_ptr<LeftOutSpot> m_leftOut; // when replacing
    QString m_units;                        // the text of one piece, for appendUtf8
};

// The ICU converter name of an encoding; null for one not supported.
//   NSUnicodeStringEncoding => "UTF-16"   NSUTF32StringEncoding => "UTF-32"
[[nodiscard]] const char* converterOfEncoding(StringEncoding encoding);

// --- the character set a file declares -------------------------------------------

// The extended attribute in which a text file declares its character set,
// by its IANA name ("ISO-8859-1", "windows-1252"):
//   setfattr -n user.charset -v ISO-8859-1 FILE
inline constexpr const char* kCharsetAttribute = "user.charset";

struct DeclaredCharset
{
    // The declared name, without surrounding white space; null when the
    // file declares none.
    QByteArray name;
    // ICU's converter for it; null when none is declared, when ICU knows no
    // converter by the name, and for UTF-8 (which detection reads anyway).
    QByteArray converter;
    // The name is one of UTF-8's.
    bool isUtf8 = false;

    // A name is declared that no converter answers to.
    [[nodiscard]] bool isUnknown() const { return !name.isNull() && converter.isNull() && !isUtf8; }
};

// The character set the open file `fd` declares in kCharsetAttribute. A
// file system without extended attributes declares none.
[[nodiscard]] DeclaredCharset declaredCharsetOfFile(int fd);

// The text of a file's bytes by the detection steps: the character set the
// file declares (`declaredConverter`, null for none), then the byte-order
// mark, then UTF-8 (decodeDetected). A declaration the bytes are not valid
// in is passed over.
//   "caf\xe9", "ISO-8859-1" => "café"    "caf\xe9", null => null
//   "caf\xc3\xa9", "ISO-8859-1" => "cafÃ©"   "caf\xc3\xa9", "US-ASCII" => "café"
[[nodiscard]] QString decodeDeclaredOrDetected(const QByteArray& bytes, const QByteArray& declaredConverter);

} // namespace sorvant
