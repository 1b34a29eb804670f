#include "base/case_fold.h"

namespace zarvon::base {

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string foldLatin1Case(std::string_view text)
{
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < out.size()) {
            // U+00C0..U+00DE are C3 80..C3 9E; their small letters are 32
            // further, still behind C3.
            unsigned char d = static_cast<unsigned char>(out[i + 1]);
            if (d >= 0x80 && d <= 0x9E && d != 0x97)
                out[i + 1] = static_cast<char>(d + 32);
            ++i;
        }
    }
    return out;
}

bool equalsIgnoringLatin1Case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && foldLatin1Case(a) == foldLatin1Case(b);
}

} // namespace zarvon::base
