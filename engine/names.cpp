#include "engine/internal.h"

#include <zlib.h>

#include <cstring>

#include "base/paths.h"
#include "base/safe_output.h"
#include "base/text_encoding.h"

namespace zarvon::engine::detail {

using base::isAscii;
using base::isValidUtf8;

namespace {

// The Unicode path extra field (0x7075) written by Info-ZIP and others: the
// UTF-8 name, valid while the CRC-32 of the stored name matches.
bool unicodePathField(std::string_view stored, std::string_view extra, std::string &name)
{
    size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        unsigned id = static_cast<unsigned char>(extra[pos]) | static_cast<unsigned char>(extra[pos + 1]) << 8;
        size_t len = static_cast<unsigned char>(extra[pos + 2]) | static_cast<unsigned char>(extra[pos + 3]) << 8;
        pos += 4;
        if (pos + len > extra.size())
            return false;
        if (id == 0x7075 && len >= 5 && extra[pos] == 1) {
            uint32_t crc = 0;
            for (int k = 0; k < 4; ++k)
                crc |= static_cast<uint32_t>(static_cast<unsigned char>(extra[pos + 1 + k])) << (8 * k);
            std::string_view utf8 = extra.substr(pos + 5, len - 5);
            if (crc == crc32Of(stored) && isValidUtf8(utf8) && !utf8.empty()) {
                name.assign(utf8);
                return true;
            }
        }
        pos += len;
    }
    return false;
}

void toSystemSeparators(std::string &name)
{
    if (kSeparator != '/')
        for (char &c : name)
            if (c == '/')
                c = kSeparator;
}

bool isSeparator(char c) { return c == '/' || c == '\\'; }

} // namespace

uint32_t crc32Of(std::string_view bytes)
{
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef *>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string decodeStoredName(std::string_view stored, bool utf8Flag, std::string_view extra, uint32_t host)
{
    std::string name;
    if (isAscii(stored)) {
        name.assign(stored);
    } else if (utf8Flag && isValidUtf8(stored)) {
        name.assign(stored);
    } else if (unicodePathField(stored, extra, name)) {
        // the field gave the name
    } else if (host == 3 && isValidUtf8(stored)) {
        // Unix tools (Info-ZIP among them) store the system's UTF-8 names
        // without the flag. Our own CP850 names are never valid UTF-8 in
        // practice: a CP850 letter is a lone byte of 0x80 or more.
        name.assign(stored);
    } else {
        // One descriptor per direction, opened on first use and kept.
        static base::CodePageConverter fromCp850("UTF-8", "CP850");
        if (!fromCp850.convert(stored, name))
            name.assign(stored);
    }
    toSystemSeparators(name);
    return name;
}

std::string encodeStoredName(const std::string &name, bool &utf8Flag)
{
    std::string stored = name;
    for (char &c : stored)
        if (c == '\\')
            c = '/';
    utf8Flag = false;
    if (isAscii(stored))
        return stored;
    static base::CodePageConverter toCp850("CP850", "UTF-8");
    std::string converted;
    if (isValidUtf8(stored) && toCp850.convert(stored, converted))
        return converted;
    utf8Flag = isValidUtf8(stored);
    return stored;
}

std::string storedNameForPath(const std::string &path, bool keepFullPath)
{
    if (!keepFullPath)
        return lastComponent(path);
    // ".." goes back one folder where there is one to go back from, and is
    // dropped otherwise: a stored name never climbs out of the archive.
    std::vector<std::string_view> parts;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = i;
        while (j < path.size() && !isSeparator(path[j]))
            ++j;
        std::string_view part(path.data() + i, j - i);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (std::string_view p : parts) {
        if (!out.empty())
            out += '/';
        out.append(p);
    }
    return out;
}

std::string lastComponent(const std::string &name)
{
    // Names made on Windows separate with "\\" as well.
    return base::lastPathComponent(name, "/\\");
}

int32_t safeComponents(const std::string &name, std::vector<std::string> &components, bool &isFolder)
{
    // Archives made on Windows from absolute paths store the drive
    // ("C:/data/notes.txt", "C:\\data\\notes.txt", "C:notes.txt"): the
    // drive and the separators after it are dropped, so the entry lands
    // inside the destination. What remains is checked like any name: ".."
    // is still refused, and so is a name with nothing left.
    if (name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) {
        size_t at = 2;
        while (at < name.size() && (name[at] == '/' || name[at] == '\\'))
            ++at;
        if (at == name.size()) {
            components.clear();
            isFolder = false;
            return kErrUnsafeName;
        }
        return base::safeComponents(name.substr(at), components, isFolder) ? 0 : kErrUnsafeName;
    }
    return base::safeComponents(name, components, isFolder) ? 0 : kErrUnsafeName;
}

namespace {

// Decodes one UTF-8 character (invalid bytes stand for themselves).
char32_t nextChar(const std::string &s, size_t &i)
{
    unsigned char c = s[i++];
    if (c < 0x80)
        return c;
    int n = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 0;
    if (n == 0 || i + n > s.size())
        return c;
    char32_t cp = c & (0x3F >> n);
    for (int k = 0; k < n; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    i += n;
    return cp;
}

char32_t upperChar(char32_t c)
{
    if (c >= 'a' && c <= 'z')
        return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 32;
    return c;
}

std::u32string upperChars(const std::string &s)
{
    std::u32string out;
    size_t i = 0;
    while (i < s.size())
        out.push_back(upperChar(nextChar(s, i)));
    return out;
}

bool wildcard(const std::u32string &p, size_t pi, const std::u32string &s, size_t si)
{
    // Iterative matching with one backtrack point for the last "*".
    size_t starP = std::u32string::npos, starS = 0;
    while (si < s.size()) {
        if (pi < p.size() && (p[pi] == U'?' || p[pi] == s[si])) {
            ++pi;
            ++si;
        } else if (pi < p.size() && p[pi] == U'*') {
            starP = pi++;
            starS = si;
        } else if (starP != std::u32string::npos) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == U'*')
        ++pi;
    return pi == p.size();
}

} // namespace

std::string upperCased(const std::string &text)
{
    std::u32string chars = upperChars(text);
    std::string out;
    for (char32_t c : chars)
        base::appendUtf8(out, c);
    return out;
}

bool matchesPattern(const std::string &name, const std::string &pattern)
{
    std::string last = lastComponent(name);
    if (last.find('.') == std::string::npos)
        last += '.';
    std::u32string p = upperChars(pattern.empty() ? std::string("*.*") : pattern);
    return wildcard(p, 0, upperChars(last), 0);
}

} // namespace zarvon::engine::detail
