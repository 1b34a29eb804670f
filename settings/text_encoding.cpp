#include "settings/text_encoding.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace zarvon::settings {

namespace {

struct IconvCloser {
    void operator()(iconv_t *cd) const
    {
        iconv_close(*cd);
        delete cd;
    }
};
using IconvHandle = std::unique_ptr<iconv_t, IconvCloser>;

IconvHandle openConverter(const char *to, const char *from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return IconvHandle(new iconv_t(cd));
}

void appendLatin1AsUtf8(std::string &out, unsigned char byte)
{
    out += static_cast<char>(0xC0 | (byte >> 6));
    out += static_cast<char>(0x80 | (byte & 0x3F));
}

// Runs cd over input, appending to out. onInvalid is called with the position
// of a byte the converter refuses; it returns false to give up.
template <typename OnInvalid>
bool convert(iconv_t cd, std::string_view input, std::string &out, OnInvalid onInvalid)
{
    char *in = const_cast<char *>(input.data());
    size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (result != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        if (!onInvalid(in, inLeft))
            return false;
    }
    return true;
}

} // namespace

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    IconvHandle cd = openConverter("UTF-8", "WINDOWS-1252");
    if (!cd) {
        for (unsigned char c : bytes) {
            if (c < 0x80)
                out += static_cast<char>(c);
            else
                appendLatin1AsUtf8(out, c);
        }
        return out;
    }
    convert(*cd, bytes, out, [&](char *&in, size_t &inLeft) {
        appendLatin1AsUtf8(out, static_cast<unsigned char>(*in));
        ++in;
        --inLeft;
        return true;
    });
    return out;
}

bool utf8ToWindows1252(std::string_view text, std::string &out)
{
    out.clear();
    IconvHandle cd = openConverter("WINDOWS-1252", "UTF-8");
    if (!cd)
        return false;
    return convert(*cd, text, out, [&](char *&in, size_t &inLeft) {
        // The five undefined bytes come back from the control characters
        // windows1252ToUtf8 made of them.
        if (inLeft >= 2 && static_cast<unsigned char>(in[0]) == 0xC2) {
            unsigned char c = static_cast<unsigned char>(in[1]);
            if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) {
                out += static_cast<char>(c);
                in += 2;
                inLeft -= 2;
                return true;
            }
        }
        return false;
    });
}

} // namespace zarvon::settings
