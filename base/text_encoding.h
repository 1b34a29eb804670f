// Conversion between named code pages (through iconv), and the UTF-8 checks
// the layers share. The program's own text is UTF-8 everywhere; the code
// pages are those of what it reads and writes: CP850 for names stored in ZIP
// archives, WINDOWS-1252 for the configuration and language files.
#pragma once

#include <string>
#include <string_view>

namespace zarvon::base {

// What a conversion does with input the converter refuses: a byte the source
// code page leaves undefined, a character the target cannot hold, or bytes
// that are not valid in the source encoding.
enum class Refused {
    // The conversion stops and fails.
    Fail,
    // Reading a single-byte code page: a refused byte b becomes the
    // character U+00bb (the byte read as Latin-1). Windows-1252 leaves 81,
    // 8D, 8F, 90 and 9D undefined; they become those control characters, so
    // no byte of a file is ever lost.
    ByteAsLatin1,
    // Writing Windows-1252: the control characters U+0081, U+008D, U+008F,
    // U+0090 and U+009D become the byte of the same number (the way back
    // from ByteAsLatin1, so a file read and written again keeps its bytes).
    // Any other refused input fails.
    Windows1252Undefined,
};

// One iconv conversion descriptor, from one code page to another (names as
// iconv spells them: "UTF-8", "CP850", "WINDOWS-1252"). Owns the descriptor
// and closes it when destroyed. Not copyable; one thread at a time.
class CodePageConverter {
public:
    CodePageConverter(const char *to, const char *from);
    ~CodePageConverter();
    CodePageConverter(const CodePageConverter &) = delete;
    CodePageConverter &operator=(const CodePageConverter &) = delete;

    // False when iconv does not know one of the two code pages; convert then
    // always fails.
    bool isOpen() const;

    // Converts the whole of input into out (replaced, not appended to), each
    // call starting from the converter's initial state. Returns false when the
    // converter is not open, or when input holds something refused that the
    // policy does not settle; out then holds what was converted before it.
    bool convert(std::string_view input, std::string &out, Refused policy = Refused::Fail);

private:
    void *cd_;
};

// Windows-1252 bytes to UTF-8. Never fails: the five undefined bytes become
// the control characters of the same number (Refused::ByteAsLatin1). Without
// iconv's Windows-1252 every byte of 0x80 and more is read as Latin-1.
std::string windows1252ToUtf8(std::string_view bytes);

// UTF-8 to Windows-1252 (Refused::Windows1252Undefined). Returns false (out
// then holds a partial result) when text holds a character Windows-1252
// cannot represent, is not valid UTF-8, or iconv lacks the code page.
bool utf8ToWindows1252(std::string_view text, std::string &out);

// Whether text is well-formed UTF-8 as Unicode defines it: no stray
// continuation bytes, no truncated or overlong sequences, no surrogates,
// nothing beyond U+10FFFF. The empty text is valid.
bool isValidUtf8(std::string_view text);

// Whether every byte of text is below 0x80.
bool isAscii(std::string_view text);

// Appends the UTF-8 form of the Latin-1 character c (U+0000 to U+00FF).
void appendLatin1AsUtf8(std::string &out, unsigned char c);

// Appends the UTF-8 bytes of the code point c. A value that is no character
// (a surrogate, or above U+10FFFF, as a damaged wide name may hold) is
// written as U+FFFD, the replacement character, so that the text stays
// valid UTF-8.
void appendUtf8(std::string &out, char32_t c);

} // namespace zarvon::base
