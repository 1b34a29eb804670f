// Helpers shared by the RAR binding's tests: a fresh folder per test,
// archives made there by the rar tool, and a writer of small stored RAR 4
// archives for names and entry kinds the tool will not write.
#pragma once

#include "rar/rar.h"
#include "support/files.h"
#include "support/process.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zarvon::rar::testing {

namespace fs = std::filesystem;
using zarvon::testing::CommandResult;
using zarvon::testing::haveTool;
using zarvon::testing::quoted;
using zarvon::testing::readFile;
using zarvon::testing::runCommand;
using zarvon::testing::writeFile;

inline std::string randomBytes(std::size_t size, unsigned seed = 7) { return zarvon::testing::noise(size, seed); }

// One entry of a hand-made RAR 4 archive (stored, no encryption).
struct Rar4Entry {
    std::string name; // written as given, "/" or "\" included
    std::string data;
    uint8_t hostOs = 3; // 3 Unix, 2 Windows
    uint32_t attributes = 0100644;
    bool folder = false;
};

// Writes a RAR 4 archive from the format's published block layout: marker,
// main header, one file header per entry followed by its stored data, end
// block. Every header carries the low 16 bits of the CRC-32 of its bytes from
// the type on.
inline void writeRar4(const fs::path &path, const std::vector<Rar4Entry> &entries)
{
    std::string out("Rar!\x1a\x07\x00", 7);
    auto put16 = [](std::string &s, uint32_t v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>((v >> 8) & 0xFF);
    };
    auto put32 = [&](std::string &s, uint32_t v) {
        put16(s, v & 0xFFFF);
        put16(s, v >> 16);
    };
    auto block = [&](const std::string &body) {
        const uint32_t crc =
            crc32(0, reinterpret_cast<const Bytef *>(body.data()), static_cast<uInt>(body.size())) & 0xFFFF;
        put16(out, crc);
        out += body;
    };
    std::string main;
    main += '\x73';
    put16(main, 0);
    put16(main, 13);
    put16(main, 0);
    put32(main, 0);
    block(main);
    for (const Rar4Entry &e : entries) {
        std::string h;
        h += '\x74';
        // 0x8000: a data area follows the header; 0xE0: a folder.
        put16(h, 0x8000 | (e.folder ? 0xE0 : 0));
        put16(h, static_cast<uint32_t>(32 + e.name.size()));
        put32(h, static_cast<uint32_t>(e.data.size()));
        put32(h, static_cast<uint32_t>(e.data.size()));
        h += static_cast<char>(e.hostOs);
        put32(h, static_cast<uint32_t>(
                     crc32(0, reinterpret_cast<const Bytef *>(e.data.data()), static_cast<uInt>(e.data.size()))));
        put32(h, (27u << 25) | (6u << 21) | (15u << 16) | (10u << 11) | (30u << 5)); // 2007-06-15 10:30
        h += '\x14';                                                                 // version 2.0 unpacks it
        h += '\x30';                                                                 // stored
        put16(h, static_cast<uint32_t>(e.name.size()));
        put32(h, e.attributes);
        h += e.name;
        block(h);
        out += e.data;
    }
    out += std::string("\xc4\x3d\x7b\x00\x40\x07\x00", 7);
    writeFile(path, out);
}

inline const RarEntryFailure *failureFor(const RarReport &r, const std::string &name)
{
    for (const RarEntryFailure &f : r.failures)
        if (f.name == name)
            return &f;
    return nullptr;
}

inline std::vector<std::string> namesOf(const RarReport &r)
{
    std::vector<std::string> names;
    for (const RarEntry &e : r.entries)
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

// Every path under `root`, relative, sorted.
inline std::vector<std::string> treeOf(const fs::path &root)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        out.push_back(fs::relative(it->path(), root).string());
    std::sort(out.begin(), out.end());
    return out;
}

// Each test works in a fresh folder: src/ holds the files archives are made
// of, out/ is where they are extracted.
class RarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        temporary_.emplace("zarvon-rar-test");
        dir = temporary_->path();
        src = dir / "src";
        out = dir / "out";
        fs::create_directories(src);
    }
    void TearDown() override
    {
        setUnrarLibraryNameForTesting(nullptr);
        temporary_.reset();
    }

    // Skips the test unless the library and the rar tool are there.
    bool needRar()
    {
        if (!unrarLibraryAvailable()) {
            ADD_FAILURE() << "the UnRAR library (" << kUnrarLibraryName << ", package " << kUnrarPackageName
                          << ") is not installed";
            return false;
        }
        if (!haveTool("rar")) {
            skipped = "rar is not installed (Debian package rar): archives cannot be made";
            return false;
        }
        return true;
    }

    fs::path source(const std::string &name, const std::string &data)
    {
        writeFile(src / name, data);
        return src / name;
    }

    // Runs "rar a -idq <options> <archive> <files>" inside src/. The archive
    // lands in dir.
    fs::path makeRar(const std::string &name, const std::string &options, const std::string &files)
    {
        fs::path archive = dir / name;
        // rar reads the names of its arguments through the locale: give it
        // UTF-8 whatever the test runs under.
        const auto made = runCommand("cd " + quoted(src) + " && LC_ALL=C.UTF-8 rar a -idq " + options + " " +
                                     quoted(archive) + " " + files);
        EXPECT_EQ(made.status, 0) << made.output;
        return archive;
    }

    RarReport extract(const fs::path &archive, const std::string &password = "", std::vector<std::string> only = {},
                      const RarProgress &progress = nullptr)
    {
        RarExtractRequest q;
        q.archivePath = archive.string();
        q.destination = out.string();
        q.password = password;
        q.onlyNames = std::move(only);
        return extractRar(q, progress);
    }

    // No temporary file of ours is left anywhere under `root`.
    static bool noTemporaryFiles(const fs::path &root)
    {
        for (const std::string &p : treeOf(root))
            if (p.find(".zarvon-") != std::string::npos)
                return false;
        return true;
    }

    std::optional<zarvon::testing::TemporaryFolder> temporary_;
    fs::path dir, src, out;
    std::string skipped;
};

// GTEST_SKIP must run in the test body itself.
#define ZARVON_NEED_RAR()                                                                                              \
    do {                                                                                                               \
        if (!needRar()) {                                                                                              \
            if (!skipped.empty())                                                                                      \
                GTEST_SKIP() << skipped;                                                                               \
            return;                                                                                                    \
        }                                                                                                              \
    } while (0)

} // namespace zarvon::rar::testing
