// Helpers shared by the engine's tests: a fresh folder per test, files,
// hand-made archives through minizip, and the outside tools.
#pragma once

#include "engine/engine.h"
#include "support/files.h"
#include "support/process.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zarvon::engine::testing {

namespace fs = std::filesystem;

using zarvon::testing::corruptAt;
using zarvon::testing::haveTool;
using zarvon::testing::quoted;
using zarvon::testing::readFile;
using zarvon::testing::sampleText;
using zarvon::testing::writeFile;

inline std::string randomBytes(size_t size, unsigned seed = 7)
{
    std::string s(size, '\0');
    unsigned x = seed;
    for (char &c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

// Runs a shell command; returns its exit status and fills `output`.
inline int run(const std::string &command, std::string *output = nullptr)
{
    zarvon::testing::CommandResult result = zarvon::testing::runCommand(command);
    if (output)
        *output = result.output;
    return result.status;
}

// An entry of a hand-made archive: any name, stored or deflated, with the
// flags and attributes given.
struct RawEntry {
    std::string name;
    std::string data;
    int method = 8;
    unsigned long flags = 0; // extra general-purpose flags (bit 11 for UTF-8)
    unsigned long externalAttributes = 0;
    unsigned long versionMadeBy = 0;
    std::string extra = {}; // the same extra field in the local and the central header
};

inline bool makeRawZip(const fs::path &path, const std::vector<RawEntry> &entries)
{
    zipFile zf = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zf)
        return false;
    for (const RawEntry &e : entries) {
        zip_fileinfo zi{};
        zi.tmz_date.tm_year = 2007;
        zi.tmz_date.tm_mon = 4;
        zi.tmz_date.tm_mday = 14;
        zi.tmz_date.tm_hour = 10;
        zi.tmz_date.tm_min = 42;
        zi.tmz_date.tm_sec = 37;
        zi.external_fa = e.externalAttributes;
        const void *extra = e.extra.empty() ? nullptr : e.extra.data();
        const auto extraSize = static_cast<uInt>(e.extra.size());
        if (zipOpenNewFileInZip4_64(zf, e.name.c_str(), &zi, extra, extraSize, extra, extraSize, nullptr, e.method,
                                    e.method ? 9 : 0, 0, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY, nullptr, 0, e.versionMadeBy,
                                    e.flags, 0) != ZIP_OK)
            return false;
        if (!e.data.empty() && zipWriteInFileInZip(zf, e.data.data(), static_cast<unsigned>(e.data.size())) != ZIP_OK)
            return false;
        if (zipCloseFileInZip(zf) != ZIP_OK)
            return false;
    }
    return zipClose(zf, nullptr) == ZIP_OK;
}

// Puts a zone with summer time (an offset from UTC) in force for one test.
class ZoneForTest {
public:
    explicit ZoneForTest(const char *zone)
    {
        if (const char *old = std::getenv("TZ"))
            old_ = old, hadOld_ = true;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneForTest()
    {
        if (hadOld_)
            ::setenv("TZ", old_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string old_;
    bool hadOld_ = false;
};

// Each test works in a fresh folder, with the engine freshly initialised.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char *base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/zarvon-engine-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        initEngine();
    }
    void TearDown() override
    {
        initEngine();
        std::error_code ec;
        // Read-only files and folders left by a test must not block the clean-up.
        for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            if (!it->is_symlink())
                ::chmod(it->path().c_str(), 0755);
        fs::remove_all(dir, ec);
    }

    fs::path file(const std::string &name, const std::string &data)
    {
        fs::path p = dir / name;
        writeFile(p, data);
        return p;
    }

    // Makes an archive of the given files (paths relative to dir, each added
    // with its bare name) with the engine.
    fs::path archiveOf(const std::string &name, const std::vector<fs::path> &files, int method = 8,
                       const std::string &password = "")
    {
        fs::path a = dir / name;
        setCompressionMethod(method);
        setPassword(password);
        EXPECT_NE(createArchive(a.string(), 0), 0);
        for (const fs::path &f : files)
            EXPECT_EQ(addFile(f.string(), 0), 0) << f;
        EXPECT_EQ(closeArchives(), 0);
        setPassword("");
        return a;
    }

    std::vector<std::string> namesIn(const fs::path &archive)
    {
        std::vector<EntryInfo> entries;
        listEntries(archive.string(), entries);
        std::vector<std::string> names;
        for (const EntryInfo &e : entries)
            names.push_back(e.fileName);
        return names;
    }

    // Files left in a folder (recursively), as relative paths.
    std::vector<std::string> filesUnder(const fs::path &root)
    {
        std::vector<std::string> out;
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            out.push_back(fs::relative(it->path(), root).string());
        std::sort(out.begin(), out.end());
        return out;
    }

    fs::path dir;
};

} // namespace zarvon::engine::testing
