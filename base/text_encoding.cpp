#include "base/text_encoding.h"

#include <cerrno>
#include <iconv.h>

namespace zarvon::base {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

bool isWindows1252Undefined(unsigned char c) { return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D; }

// Settles one refused position under policy, moving past it; false when the
// policy does not.
bool settleRefused(Refused policy, char *&in, size_t &inLeft, std::string &out)
{
    switch (policy) {
    case Refused::Fail: return false;
    case Refused::ByteAsLatin1:
        appendLatin1AsUtf8(out, static_cast<unsigned char>(*in));
        ++in;
        --inLeft;
        return true;
    case Refused::Windows1252Undefined:
        if (inLeft >= 2 && static_cast<unsigned char>(in[0]) == 0xC2 &&
            isWindows1252Undefined(static_cast<unsigned char>(in[1]))) {
            out += in[1];
            in += 2;
            inLeft -= 2;
            return true;
        }
        return false;
    }
    return false;
}

} // namespace

CodePageConverter::CodePageConverter(const char *to, const char *from) : cd_(iconv_open(to, from)) {}

CodePageConverter::~CodePageConverter()
{
    if (isOpen())
        iconv_close(static_cast<iconv_t>(cd_));
}

bool CodePageConverter::isOpen() const { return static_cast<iconv_t>(cd_) != kNoConverter; }

bool CodePageConverter::convert(std::string_view input, std::string &out, Refused policy)
{
    out.clear();
    if (!isOpen())
        return false;
    iconv_t cd = static_cast<iconv_t>(cd_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.reserve(input.size() + input.size() / 8);
    char *in = const_cast<char *>(input.data());
    size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (result != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        // EILSEQ (refused) or EINVAL (a sequence cut short at the end).
        if (!settleRefused(policy, in, inLeft, out))
            return false;
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    CodePageConverter converter("UTF-8", "WINDOWS-1252");
    if (converter.convert(bytes, out, Refused::ByteAsLatin1))
        return out;
    out.clear();
    for (unsigned char c : bytes)
        appendLatin1AsUtf8(out, c);
    return out;
}

bool utf8ToWindows1252(std::string_view text, std::string &out)
{
    CodePageConverter converter("WINDOWS-1252", "UTF-8");
    return converter.convert(text, out, Refused::Windows1252Undefined);
}

bool isValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t more;
        unsigned char low = 0x80, high = 0xBF; // range of the second byte
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0)
                low = 0xA0; // shorter forms are overlong
            else if (c == 0xED)
                high = 0x9F; // beyond are the surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0)
                low = 0x90;
            else if (c == 0xF4)
                high = 0x8F; // beyond is past U+10FFFF
        } else {
            return false;
        }
        if (more > text.size() - 1 - i)
            return false;
        unsigned char second = static_cast<unsigned char>(text[i + 1]);
        if (second < low || second > high)
            return false;
        for (size_t k = 2; k <= more; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += more + 1;
    }
    return true;
}

bool isAscii(std::string_view text)
{
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

void appendLatin1AsUtf8(std::string &out, unsigned char c) { appendUtf8(out, c); }

void appendUtf8(std::string &out, char32_t c)
{
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace zarvon::base
