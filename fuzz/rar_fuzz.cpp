// libFuzzer target: arbitrary bytes, written to a temporary .rar file, are
// listed, tested and extracted through the RAR binding (the UnRAR library
// reads only files). Build with clang:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DZARVON_BUILD_FUZZ=ON
//   cmake --build build-fuzz --target rar_fuzz
//   ./build-fuzz/bin/rar_fuzz -max_total_time=60 fuzz/corpus/rar_fuzz
// (scripts/fuzz.sh does both). The seeds are small archives made by rar
// (plain, -p, -hp, -s, -ol): fuzz/corpus/make_seeds.sh.
#include "fuzz_workspace.h"
#include "rar/rar.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

// The UnRAR library 6.2.6 reads uninitialised heap memory on some damaged
// encrypted headers ("unknown encryption method"); the unrar tool crashes the
// same way when malloc fills fresh memory. AddressSanitizer's fill of fresh
// blocks would stop every run there, so it is turned off: the target looks
// for faults of ours.
extern "C" const char *__asan_default_options() { return "max_malloc_fill_size=0"; }

// Without the UnRAR library every input would be refused at once and the
// run would look clean while testing nothing: refuse to start instead.
extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (!zarvon::rar::unrarLibraryAvailable()) {
        std::fprintf(stderr, "rar_fuzz: the UnRAR library (libunrar.so.5) cannot be loaded\n");
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzWorkspace ws("zarvon-rar-fuzz");
    if (ws.root.empty())
        return 0;
    const fs::path archive = ws.root / "input.rar";
    const fs::path out = ws.root / "out";
    if (FILE *f = std::fopen(archive.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    using namespace zarvon::rar;
    listRar(archive.string(), "");
    listRar(archive.string(), "fuzz");
    // A bound on the bytes unpacked keeps one input from filling the disk.
    auto bounded = [](const std::string &, uint64_t done, uint64_t) { return done < (16u << 20); };
    testRar(archive.string(), "fuzz", bounded);
    RarExtractRequest q;
    q.archivePath = archive.string();
    q.destination = out.string();
    q.password = "fuzz";
    extractRar(q, bounded);
    // Nothing may land outside the destination.
    for (const auto &e : fs::directory_iterator(ws.root))
        if (e.path() != archive && e.path() != out)
            std::abort();
    std::error_code ec;
    fs::remove_all(out, ec);
    return 0;
}
