// The engine's process-wide state, in one record with one reset.
//
// Everything the engine keeps between calls lives here: the slots and
// settings callers see through engineState(), the writer's bookkeeping, the
// last error, the thread count and I/O table set by their calls, what is
// known about open archive handles, and the caches that spare repeated work
// (the last entry described, the last archive listed, the folder of the
// slot's extraction). initEngine calls resetEngineContext; the tests' and
// the program's start-up go through it.
#pragma once

#include "base/safe_output.h"
#include "engine/internal.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace zarvon::engine::detail {

// The entry last described by readEntryInfo, so that describing it again
// (the caller, then the extraction) costs no reading.
struct LastEntry {
    unzFile uf = nullptr;
    uint64_t generation = 0;
    uint64_t centralOffset = 0;
    EntryInfo info;
    Zip64Fields zip64;
    bool valid = false;
};

// The last archive listed by path, so that entryInfoAt and extractEntryAt
// called entry after entry do not walk the central directory from its start
// each time. Keyed by the file's identity, size and modification time.
struct Listing {
    std::string path;
    uint64_t device = 0, inode = 0, size = 0;
    int64_t mtimeSec = 0, mtimeNsec = 0;
    std::vector<EntryInfo> entries;
    std::vector<unz64_file_pos> positions;
    bool valid = false;
};

// extractCurrentEntry is called entry after entry with the same destination:
// its folders stay open between calls while the reader slot holds the same
// archive.
struct SlotDestination {
    uint64_t readerSerial = 0;
    std::unique_ptr<base::OutputFolder> dest;
    // Identity of the destination folder once made, so that each entry
    // checks with one call that the folder is still the one held open.
    bool known = false;
    uint64_t device = 0;
    uint64_t inode = 0;
};

// Block buffers lent by ScratchBuffer.
struct ScratchPool {
    std::vector<unsigned char> buffers[4];
    bool used[4] = {};
};

struct EngineContext {
    // What callers set and see.
    EngineState state;
    LastError lastError;
    int32_t threads = 0;                     // set by setThreadCount; 0: one per core
    const zlib_filefunc64_def *io = nullptr; // set by setArchiveIo; nullptr: the engine's own functions

    // The writer slot's bookkeeping.
    WriterExtra writer;

    // The reader slot: the path it was opened from, and a number that
    // changes with every archive put in it.
    std::string readerPath;
    uint64_t readerSerial = 0;

    // Open archive handles. The generation counts openings, so that what is
    // remembered about a handle is never taken for another at its address.
    uint64_t generation = 0;
    std::unordered_map<const void *, std::unique_ptr<HandleInfo>> handles;

    ScratchPool pool;

    // Caches.
    LastEntry lastEntry;
    Listing listing;
    SlotDestination slot;
    uint32_t umask =
        static_cast<uint32_t>(fs::currentUmask()); // read once per extraction run: it costs two system calls
    // A central record's name and extra field, read through minizip (each
    // at most 65535 bytes, and a terminating zero).
    std::vector<char> nameBuf = std::vector<char>(65536 + 1);
    std::vector<char> extraBuf = std::vector<char>(65536 + 1);
};

EngineContext &context();

// Closes both slots (an archive being written is abandoned) and brings the
// record back to its first state. Kept: what objects still alive may be
// using (the handle map, the scratch buffers lent out, the folder of the
// slot's extraction, made stale instead), and the counters (generation,
// reader serial), which only ever grow so that nothing cached before the
// reset is taken for something opened after it.
void resetEngineContext();

} // namespace zarvon::engine::detail
