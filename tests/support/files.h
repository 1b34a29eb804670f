// Files for every test suite: a temporary folder that cleans up after itself,
// whole-file reads and writes, the files found under a folder, and repeatable
// test data.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

namespace zarvon::testing {

// A fresh empty folder under $TMPDIR (or /tmp), removed with everything in
// it when the object goes, read-only sub-folders included.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string &prefix = "zarvon-test")
    {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder from " + pattern);
        path_ = pattern;
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
             !ignored && it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
            if (!it->is_symlink() && it->is_directory())
                ::chmod(it->path().c_str(), 0700);
        ::chmod(path_.c_str(), 0700);
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path &relative) const { return path_ / relative; }

private:
    std::filesystem::path path_;
};

inline std::string readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes bytes to path, replacing it, its folders created first.
inline void writeFile(const std::filesystem::path &path, const std::string &bytes)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The regular files under folder, as paths relative to it; empty when the
// folder does not exist.
inline std::set<std::string> filesUnder(const std::filesystem::path &folder)
{
    std::set<std::string> names;
    std::error_code error;
    if (!std::filesystem::exists(folder, error))
        return names;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder, error))
        if (entry.is_regular_file())
            names.insert(std::filesystem::relative(entry.path(), folder).string());
    return names;
}

// Flips one byte of the file where needle first occurs (inside a stored
// entry's data, say); false when the file does not hold needle.
inline bool corruptAt(const std::filesystem::path &path, const std::string &needle, std::size_t offsetInNeedle = 0)
{
    std::string bytes = readFile(path);
    const std::size_t at = bytes.find(needle);
    if (at == std::string::npos)
        return false;
    bytes[at + offsetInNeedle] ^= 0x55;
    writeFile(path, bytes);
    return true;
}

// Text that compresses but is not trivial, the same for the same seed.
inline std::string sampleText(std::size_t size, unsigned seed = 1)
{
    std::string text;
    text.reserve(size);
    unsigned x = seed;
    while (text.size() < size) {
        x = x * 1103515245u + 12345u;
        text += "line " + std::to_string((x >> 8) % 1000) + " of the sample text\n";
    }
    text.resize(size);
    return text;
}

// Bytes that Deflate cannot shrink much, the same for the same seed.
inline std::string noise(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (auto &c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xFF);
    }
    return bytes;
}

} // namespace zarvon::testing
