// Compression ahead of the writer, on every core.
//
// The files to add are cut into units: a file of up to kUnitSize bytes is
// one unit, a larger one a unit per kUnitSize bytes. Compressor threads take
// units in file order and deflate them independently; the writer (the thread
// that called addFile) takes finished units in the same order and appends
// them to the archive. A unit after the first of its file is primed with the
// 32 KiB before it as its dictionary, and every unit but a file's last ends
// with a sync flush (a byte boundary, no final bit), so the units of a file
// joined end to end are one ordinary Deflate stream. Where the cuts fall
// depends on the file's size only, never on the number of threads, so the
// archive's bytes are the same whatever that number.
//
// A file of one unit needs no priming and no flush: where libdeflate was
// built in, it is compressed by libdeflate at level 9 as one whole buffer
// (faster than zlib and smaller), and by zlib otherwise. Larger files always
// go through zlib, whose dictionary and sync flush join their units.
//
// Memory is bounded by kMaxUnitsInFlight units (input and output buffers),
// whatever the size or number of files.
//
// An encrypted entry needs the CRC-32 of its whole file before its first
// byte (the encryption header carries it): a file of several units is then
// preceded by a CRC pass unit, which reads the file once without keeping it.
#pragma once

#include "engine/fs.h"
#include "engine/zip_aes.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zarvon::engine::detail {

// Bytes of a file per unit: a multiple of the progress block, so that the
// writer reports progress at the same points as a plain block loop.
inline constexpr size_t kUnitSize = 5 * 102400;
inline constexpr size_t kDictionarySize = 32768;
inline constexpr size_t kMaxUnitsInFlight = 16;

// What every unit of one file shares; filled when the file is opened.
struct UnitFile {
    std::string path;
    bool keepFullPath = false;
    int32_t openResult = 0; // 0; kErrGeneral (cannot open, not a regular file); kAddSkippedSelf
    int openErrno = 0;      // errno of a failed opening
    int fd = -1;            // closed when the last unit lets go
    fs::FileStatus st;
    uint64_t size = 0;      // the size when opened: exactly that many bytes are read
    uint32_t dataUnits = 0; // number of data units
    int method = 8;
    bool encrypt = false;
    // WinZip AES: the cipher of the entry, its keys derived by the
    // compressor of the file's first unit (the derivation costs as much as
    // compressing a small file, so it is spread over the cores), with the
    // salt and verifier that begin the entry's data and the password they
    // came from. Null when the pipeline was not given a password for AES.
    std::unique_ptr<AesEntryCipher> aes;
    unsigned char aesHeader[16 + kAesVerifierSize] = {};
    std::string aesPassword;
    ~UnitFile();
};

struct Unit {
    enum class Kind { Opening, CrcPass, Data };
    Kind kind = Kind::Data;
    std::shared_ptr<UnitFile> file;
    uint32_t index = 0;      // data unit number within its file
    bool last = false;       // the file's last data unit
    uint64_t offset = 0;     // where the unit's bytes begin in the file
    uint64_t length = 0;     // bytes of the file the unit should cover
    uint64_t read = 0;       // bytes actually read (less when the file shrank)
    bool readFailed = false; // an I/O error or a file shorter than its size
    uint32_t crc = 0;        // CRC-32 of the bytes read (whole file for a CRC pass)
    bool done = false;
    bool failed = false; // the compressor itself failed
    std::vector<unsigned char> in;
    std::vector<unsigned char> out; // only grows: filling it with zeros each time cost a memset per unit
    size_t outLen = 0;              // bytes of `out` holding compressed data
    size_t dataAt = 0;              // stored method: where the bytes are in `in`
    // The bytes to write and their count.
    const unsigned char *bytes() const { return file->method == 8 ? out.data() : in.data() + dataAt; }
    size_t byteCount() const { return file->method == 8 ? outLen : static_cast<size_t>(read); }
};

struct PlannedFile {
    std::string path;
    bool keepFullPath = false;
};

// Identity of files that must never be added: the archive being written
// (its temporary file) and the archive it will replace.
struct SelfIdentity {
    uint64_t tempDevice = 0, tempInode = 0;
    bool haveTarget = false;
    uint64_t targetDevice = 0, targetInode = 0;
};

struct ZState; // a compressor's Deflate state, reused from unit to unit

class DeflatePipeline {
public:
    // `threads` compressor threads (at least one is used; when none can be
    // started the writer compresses itself). `method` and `encrypt` apply to
    // every planned file.
    // With `aesPassword`, each file's AES keys are derived ahead (UnitFile::aes).
    DeflatePipeline(std::vector<PlannedFile> files, int threads, int method, bool encrypt, SelfIdentity self,
                    const std::string *aesPassword = nullptr);
    ~DeflatePipeline(); // stops the threads promptly and waits for them
    DeflatePipeline(const DeflatePipeline &) = delete;
    DeflatePipeline &operator=(const DeflatePipeline &) = delete;

    // Whether the next file the writer will take is this one, with these settings.
    bool nextIs(const std::string &path, bool keepFullPath, int method, bool encrypt) const;

    // The next unit in order, waiting for it; nullptr when none is left.
    // `previous`, the unit the writer is done with (or nullptr), is handed
    // back in the same step. A unit may also be handed back with release().
    Unit *take(Unit *previous = nullptr);
    void release(Unit *unit);

    // Stops the compressor threads; units not yet taken are dropped.
    void cancel();

    // For the tests: the most units ever held at once.
    size_t peakUnitsInFlight() const { return peak_; }

private:
    void work();
    bool nextTask(std::unique_lock<std::mutex> &lock, Unit *&task);
    std::shared_ptr<UnitFile> openFile(const PlannedFile &p);
    void run(Unit &unit, ZState &z);
    bool giveBack(Unit *unit); // with the lock held; true when a compressor should be woken

    std::vector<PlannedFile> files_;
    size_t nextFile_ = 0;               // next planned file to open
    size_t writerFile_ = 0;             // next planned file the writer will take
    std::shared_ptr<UnitFile> current_; // file whose data units are being issued
    uint32_t nextIndex_ = 0;
    bool crcPassDue_ = false;
    int method_;
    bool encrypt_;
    SelfIdentity self_;
    bool aes_ = false;
    std::string aesPassword_;

    mutable std::mutex mutex_;
    std::condition_variable workReady_; // a slot freed, or cancel
    std::condition_variable unitDone_;  // a unit finished
    std::deque<Unit *> issued_;         // units in writer order
    std::vector<std::unique_ptr<Unit>> pool_;
    std::vector<Unit *> free_;
    size_t inFlight_ = 0;
    size_t limit_;
    size_t peak_ = 0;
    int idleWorkers_ = 0;        // compressors waiting for a free slot
    bool writerWaiting_ = false; // the writer waits for the unit in front
    std::atomic<bool> cancelled_{false};
    std::vector<std::thread> threads_;
    std::unique_ptr<ZState> writerZ_; // the writer's own, when no compressor thread runs
};

} // namespace zarvon::engine::detail
