#include "engine/deflate_pipeline.h"

#include "engine/checksum.h"
#include "engine/engine.h"
#include "engine/fs.h"

#include <zlib.h>

#ifdef ZARVON_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace zarvon::engine::detail {

UnitFile::~UnitFile()
{
    if (fd >= 0)
        fs::closeFd(fd);
}

// One compressor's Deflate streams, set up once per thread and reused for
// every unit: setting one up allocates and clears some 300 KB.
struct ZState {
    z_stream z{};
    bool live = false;
#ifdef ZARVON_HAVE_LIBDEFLATE
    // For files of one unit, made on first use (well under 1 MB).
    libdeflate_compressor *whole = nullptr;
    bool wholeFailed = false;
    libdeflate_compressor *wholeCompressor()
    {
        if (!whole && !wholeFailed) {
            whole = libdeflate_alloc_compressor(9);
            wholeFailed = whole == nullptr;
        }
        return whole;
    }
#endif
    ZState() = default;
    ZState(const ZState &) = delete;
    ZState &operator=(const ZState &) = delete;
    ~ZState()
    {
        if (live)
            deflateEnd(&z);
#ifdef ZARVON_HAVE_LIBDEFLATE
        libdeflate_free_compressor(whole);
#endif
    }
    bool reset()
    {
        if (live)
            return deflateReset(&z) == Z_OK;
        live = deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
        return live;
    }
};

DeflatePipeline::DeflatePipeline(std::vector<PlannedFile> files, int threads, int method, bool encrypt,
                                 SelfIdentity self, const std::string *aesPassword)
    : files_(std::move(files)), method_(method), encrypt_(encrypt), self_(self), aes_(aesPassword != nullptr),
      aesPassword_(aesPassword ? *aesPassword : std::string())
{
    threads = std::clamp(threads, 1, 64);
    limit_ = std::min<size_t>(kMaxUnitsInFlight, 4 * static_cast<size_t>(threads) + 4);
    for (int i = 0; i < threads; ++i) {
        try {
            threads_.emplace_back([this] { work(); });
        } catch (const std::system_error &) {
            break; // fewer threads; with none the writer compresses itself
        }
    }
}

DeflatePipeline::~DeflatePipeline() { cancel(); }

void DeflatePipeline::cancel()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
    }
    workReady_.notify_all();
    unitDone_.notify_all();
    for (std::thread &t : threads_)
        if (t.joinable())
            t.join();
    threads_.clear();
}

bool DeflatePipeline::nextIs(const std::string &path, bool keepFullPath, int method, bool encrypt) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return !cancelled_ && writerFile_ < files_.size() && files_[writerFile_].path == path &&
           files_[writerFile_].keepFullPath == keepFullPath && method == method_ && encrypt == encrypt_;
}

std::shared_ptr<UnitFile> DeflatePipeline::openFile(const PlannedFile &p)
{
    auto f = std::make_shared<UnitFile>();
    f->path = p.path;
    f->keepFullPath = p.keepFullPath;
    f->method = method_;
    f->encrypt = encrypt_;
    // Opened without blocking, so that a named pipe given by mistake is
    // refused instead of waiting for a writer forever; the flag does
    // nothing to a regular file.
    f->fd = fs::openForReading(p.path, true);
    if (f->fd < 0) {
        f->openResult = kErrGeneral;
        f->openErrno = errno;
        return f;
    }
    if (!fs::statusOf(f->fd, f->st) || !f->st.isRegular()) {
        f->openResult = kErrGeneral;
        f->openErrno = errno;
        return f;
    }
    const uint64_t dev = f->st.device, ino = f->st.inode;
    if ((dev == self_.tempDevice && ino == self_.tempInode) ||
        (self_.haveTarget && dev == self_.targetDevice && ino == self_.targetInode)) {
        f->openResult = kAddSkippedSelf;
        return f;
    }
    f->size = f->st.size;
    f->dataUnits = f->size == 0 ? 1 : static_cast<uint32_t>((f->size + kUnitSize - 1) / kUnitSize);
    return f;
}

// Issues the next unit in writer order, when a slot is free. Called with the
// lock held; opening a file happens under it, which keeps files opened in
// order and is short next to compressing.
bool DeflatePipeline::nextTask(std::unique_lock<std::mutex> &, Unit *&task)
{
    if (cancelled_ || inFlight_ >= limit_)
        return false;
    if (!current_ || (nextIndex_ >= current_->dataUnits && !crcPassDue_)) {
        if (nextFile_ >= files_.size())
            return false;
        current_ = openFile(files_[nextFile_++]);
        nextIndex_ = current_->openResult == 0 ? 0 : current_->dataUnits;
        crcPassDue_ = current_->openResult == 0 && current_->encrypt && current_->dataUnits > 1;
    }
    Unit *u;
    if (!free_.empty()) {
        u = free_.back();
        free_.pop_back();
    } else {
        pool_.push_back(std::make_unique<Unit>());
        u = pool_.back().get();
    }
    u->file = current_;
    u->done = false;
    u->failed = false;
    u->readFailed = false;
    u->read = 0;
    u->crc = 0;
    u->last = false;
    if (current_->openResult != 0) {
        u->kind = Unit::Kind::Opening;
        u->done = true;
        current_.reset();
    } else if (crcPassDue_) {
        u->kind = Unit::Kind::CrcPass;
        u->offset = 0;
        u->length = current_->size;
        crcPassDue_ = false;
    } else {
        u->kind = Unit::Kind::Data;
        u->index = nextIndex_++;
        u->offset = static_cast<uint64_t>(u->index) * kUnitSize;
        u->length = std::min<uint64_t>(kUnitSize, current_->size - u->offset);
        u->last = nextIndex_ == current_->dataUnits;
    }
    issued_.push_back(u);
    ++inFlight_;
    peak_ = std::max(peak_, inFlight_);
    task = u;
    return true;
}

void DeflatePipeline::work()
{
    ZState z;
    std::vector<Unit *> batch;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!cancelled_) {
        Unit *task = nullptr;
        if (!nextTask(lock, task)) {
            if (!cancelled_ && nextFile_ >= files_.size() && (!current_ || nextIndex_ >= current_->dataUnits))
                break; // everything is issued
            ++idleWorkers_;
            workReady_.wait(lock);
            --idleWorkers_;
            continue;
        }
        // Small files are taken a few at a time: one lock and one wake-up
        // for several of them instead of one each.
        batch.assign(1, task);
        uint64_t bytes = task->length;
        while (bytes < kUnitSize / 4 && batch.size() < 8 && nextTask(lock, task)) {
            batch.push_back(task);
            bytes += task->length;
        }
        lock.unlock();
        for (Unit *u : batch)
            if (!u->done)
                run(*u, z);
        lock.lock();
        bool front = false;
        for (Unit *u : batch) {
            u->done = true;
            front = front || issued_.front() == u;
        }
        // Only the unit the writer waits for can wake it: many small files
        // would otherwise cost a wake-up each.
        if (writerWaiting_ && front)
            unitDone_.notify_one();
    }
}

void DeflatePipeline::run(Unit &u, ZState &zs)
{
    if (aes_ && u.kind == Unit::Kind::Data && u.index == 0) {
        UnitFile &f = *u.file;
        f.aesPassword = aesPassword_;
        if (aesRandomBytes(f.aesHeader, 16))
            f.aes = AesEntryCipher::start(aesPassword_, f.aesHeader, 256, f.aesHeader + 16);
    }
    const int fd = u.file->fd;
    if (u.kind == Unit::Kind::CrcPass) {
        u.in.resize(102400);
        uint64_t at = 0;
        uint32_t crc = 0;
        while (at < u.length) {
            if (cancelled_)
                return;
            const size_t want = static_cast<size_t>(std::min<uint64_t>(u.in.size(), u.length - at));
            const ssize_t n = fs::preadFull(fd, u.in.data(), want, at);
            if (n > 0) {
                crc = crc32Update(crc, u.in.data(), static_cast<size_t>(n));
                at += static_cast<uint64_t>(n);
            }
            if (n != static_cast<ssize_t>(want)) {
                u.readFailed = true;
                break;
            }
        }
        u.read = at;
        u.crc = crc;
        return;
    }

    const uint64_t dict = u.index > 0 ? std::min<uint64_t>(kDictionarySize, u.offset) : 0;
    const size_t span = static_cast<size_t>(dict + u.length);
    if (u.in.size() < span)
        u.in.resize(span);
    const ssize_t n = span ? fs::preadFull(fd, u.in.data(), span, u.offset - dict) : 0;
    if (n < static_cast<ssize_t>(span)) {
        u.readFailed = true;
        u.read = n > static_cast<ssize_t>(dict) ? static_cast<uint64_t>(n) - dict : 0;
    } else {
        u.read = u.length;
    }
    u.dataAt = static_cast<size_t>(dict);
    const unsigned char *data = u.in.data() + dict;
    u.crc = crc32Update(0, data, static_cast<size_t>(u.read));
    if (u.file->method != 8 || u.readFailed)
        return;

#ifdef ZARVON_HAVE_LIBDEFLATE
    // A file of one unit is one whole buffer, needing neither a dictionary
    // nor a flush: libdeflate packs it about twice as fast as zlib and a few
    // percent smaller. The choice depends on the file's size only, so the
    // archive stays the same whatever the number of threads. A compressor
    // that cannot be had falls back on zlib for that thread; such an archive
    // is still sound, only not byte for byte the same.
    if (u.index == 0 && u.last) {
        if (libdeflate_compressor *c = zs.wholeCompressor()) {
            const size_t bound = libdeflate_deflate_compress_bound(c, static_cast<size_t>(u.read));
            if (u.out.size() < bound)
                u.out.resize(bound);
            u.outLen = libdeflate_deflate_compress(c, data, static_cast<size_t>(u.read), u.out.data(), u.out.size());
            u.failed = u.outLen == 0; // cannot happen with the bound's room
            return;
        }
    }
#endif
    if (!zs.reset() || (dict && deflateSetDictionary(&zs.z, u.in.data(), static_cast<uInt>(dict)) != Z_OK)) {
        u.failed = true;
        return;
    }
    const size_t bound = deflateBound(&zs.z, static_cast<uLong>(u.read)) + 64;
    if (u.out.size() < bound)
        u.out.resize(bound);
    z_stream &z = zs.z;
    z.next_out = u.out.data();
    z.avail_out = static_cast<uInt>(u.out.size());
    // Fed a progress block at a time, so that a cancel is seen promptly.
    size_t fed = 0;
    for (;;) {
        if (cancelled_) {
            u.failed = true;
            return;
        }
        const size_t chunk = std::min<size_t>(102400, static_cast<size_t>(u.read) - fed);
        const bool final = fed + chunk == u.read;
        z.next_in = const_cast<unsigned char *>(data + fed);
        z.avail_in = static_cast<uInt>(chunk);
        fed += chunk;
        const int flush = !final ? Z_NO_FLUSH : u.last ? Z_FINISH : Z_SYNC_FLUSH;
        int zr;
        do {
            if (z.avail_out == 0) {
                const size_t used = u.out.size();
                u.out.resize(used * 2);
                z.next_out = u.out.data() + used;
                z.avail_out = static_cast<uInt>(u.out.size() - used);
            }
            zr = deflate(&z, flush);
            if (zr == Z_STREAM_ERROR) {
                u.failed = true;
                return;
            }
        } while (z.avail_out == 0 || (flush == Z_FINISH && zr != Z_STREAM_END));
        if (final)
            break;
    }
    u.outLen = u.out.size() - z.avail_out;
}

Unit *DeflatePipeline::take(Unit *previous)
{
    // The unit is the writer's until handed back: its file, closed when this
    // was the last unit of it, goes outside the lock.
    std::shared_ptr<UnitFile> lastUse = previous ? std::move(previous->file) : nullptr;
    std::unique_lock<std::mutex> lock(mutex_);
    if (previous && giveBack(previous))
        workReady_.notify_one();
    for (;;) {
        if (cancelled_)
            return nullptr;
        if (!issued_.empty() && issued_.front()->done)
            break;
        if (threads_.empty()) {
            // No compressor thread could be started: do the work here.
            Unit *task = nullptr;
            if (!nextTask(lock, task))
                return nullptr;
            if (!task->done) {
                lock.unlock();
                if (!writerZ_)
                    writerZ_ = std::make_unique<ZState>();
                run(*task, *writerZ_);
                lock.lock();
                task->done = true;
            }
            continue;
        }
        if (issued_.empty() && nextFile_ >= files_.size() && (!current_ || nextIndex_ >= current_->dataUnits))
            return nullptr;
        writerWaiting_ = true;
        unitDone_.wait(lock);
        writerWaiting_ = false;
    }
    Unit *u = issued_.front();
    issued_.pop_front();
    if (u->kind == Unit::Kind::Opening || u->kind == Unit::Kind::CrcPass ||
        (u->kind == Unit::Kind::Data && u->index == 0 && !(u->file->encrypt && u->file->dataUnits > 1)))
        ++writerFile_;
    return u;
}

bool DeflatePipeline::giveBack(Unit *unit)
{
    unit->file.reset();
    // Buffers grown for a large unit are kept: at most the limit of units
    // exist, so memory stays bounded.
    free_.push_back(unit);
    --inFlight_;
    // Woken in bursts, when half the slots are free, so that the
    // compressors take small files a batch at a time.
    return idleWorkers_ > 0 && inFlight_ <= limit_ / 2;
}

void DeflatePipeline::release(Unit *unit)
{
    std::shared_ptr<UnitFile> lastUse = std::move(unit->file);
    bool wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wake = giveBack(unit);
    }
    if (wake)
        workReady_.notify_one();
}

} // namespace zarvon::engine::detail
