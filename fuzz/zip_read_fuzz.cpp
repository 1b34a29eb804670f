// libFuzzer target: an archive held in memory goes through the engine's
// reading, verification and extraction. Build with clang:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DZARVON_BUILD_FUZZ=ON
//   cmake --build build-fuzz --target zip_read_fuzz
//   ./build-fuzz/bin/zip_read_fuzz -max_total_time=60 fuzz/corpus/zip_read_fuzz
#include "engine/engine.h"
#include "engine/zip_io.h"

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace zarvon::engine;

struct Input {
    const uint8_t *data = nullptr;
    size_t size = 0;
};

Input g_input;

struct Stream {
    uint64_t pos = 0;
};

voidpf ZCALLBACK memOpen(voidpf, const void *, int mode)
{
    if (mode & ZLIB_FILEFUNC_MODE_CREATE)
        return nullptr;
    return new Stream;
}

uLong ZCALLBACK memRead(voidpf, voidpf stream, void *buf, uLong size)
{
    auto *s = static_cast<Stream *>(stream);
    if (s->pos >= g_input.size)
        return 0;
    uLong n = static_cast<uLong>(std::min<uint64_t>(size, g_input.size - s->pos));
    std::memcpy(buf, g_input.data + s->pos, n);
    s->pos += n;
    return n;
}

uLong ZCALLBACK memWrite(voidpf, voidpf, const void *, uLong) { return 0; }

ZPOS64_T ZCALLBACK memTell(voidpf, voidpf stream) { return static_cast<Stream *>(stream)->pos; }

long ZCALLBACK memSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto *s = static_cast<Stream *>(stream);
    uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET ? 0 : origin == ZLIB_FILEFUNC_SEEK_CUR ? s->pos : g_input.size;
    uint64_t target = base + offset;
    if (target > g_input.size)
        return -1;
    s->pos = target;
    return 0;
}

int ZCALLBACK memClose(voidpf, voidpf stream)
{
    delete static_cast<Stream *>(stream);
    return 0;
}

int ZCALLBACK memError(voidpf, voidpf) { return 0; }

zlib_filefunc64_def g_table{memOpen, memRead, memWrite, memTell, memSeek, memClose, memError, nullptr};

const std::string &outputDir()
{
    static std::string dir = [] {
        std::string d = (std::filesystem::temp_directory_path() / ("zarvon-fuzz-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = [] {
        initEngine();
        setArchiveIo(&g_table);
        return true;
    }();
    (void)ready;
    g_input = {data, size};
    // A path that never exists on disk: the listing cache keys on the file.
    const std::string path = "/nonexistent/zarvon-fuzz-input.zip";

    std::vector<EntryInfo> entries;
    listEntries(path, entries);
    findEntryIndex(path, "a/B.txt", 0);

    for (const char *password : {"", "pw"}) {
        setPassword(password);
        VerifyResult v;
        verifyArchive(path, v);
    }

    const std::string &out = outputDir();
    setPassword("pw");
    if (openArchiveForReading(path)) {
        int steps = 0;
        for (int32_t r = firstEntry(); r == 0 && steps < 64; r = nextEntry(), ++steps) {
            EntryInfo info;
            currentEntryInfo(info);
            extractCurrentEntry(out, steps % 2);
        }
    }
    extractMatching(path, "*.t?t", out, 1);
    closeArchives();
    std::error_code ec;
    for (const auto &child : std::filesystem::directory_iterator(out, ec))
        std::filesystem::remove_all(child.path(), ec);
    return 0;
}
