// libFuzzer target: arbitrary bytes, written to a temporary file, are told
// apart by content and then listed, tested and extracted through the
// libarchive formats (7z, tar and its compressed forms, cab, iso, cpio, ar,
// lone compressed files). Extraction runs into a folder of its own, so the
// refusals of names and links that would leave it are exercised too. Build
// with clang:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DZARVON_BUILD_FUZZ=ON
//   cmake --build build-fuzz --target formats_fuzz
//   ./build-fuzz/bin/formats_fuzz -max_total_time=60 fuzz/corpus/formats_fuzz
// (scripts/fuzz.sh does both). The seeds are small archives made by tar,
// bsdtar and 7zz: fuzz/corpus/make_seeds.sh.
#include "fuzz_workspace.h"
#include "operations/libarchive_format.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace zarvon::operations;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzWorkspace workspace("zarvon-formats-fuzz");
    if (workspace.root.empty())
        return 0;
    const std::string archive = (workspace.root / "input.bin").string();
    const std::string out = (workspace.root / "out").string();
    if (FILE *f = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    // The content decides, as for a file the user opens; bytes no format
    // claims are read as a tar, the most lenient of the readers.
    LibarchiveKind kind = LibarchiveKind::Tar;
    libarchiveKindByContent(archive, data, size, kind);
    const ArchiveFormat &format = libarchiveFormat(kind);
    SilentProgress progress;
    format.list(archive, "");
    format.test({archive, ""}, progress);
    format.extract({archive, out, {}, "", Overwrite::Replace}, progress);
    std::error_code ec;
    fs::remove_all(out, ec);
    return 0;
}
