#include "engine/context.h"
#include "engine/internal.h"
#include "engine/zip_io.h"
#include "engine/fs.h"

#include <algorithm>
#include <unordered_map>
#include <thread>
#include <cerrno>
#include <cstring>

namespace zarvon::engine {

namespace detail {

EngineContext &context()
{
    static EngineContext c;
    return c;
}

void resetEngineContext()
{
    EngineContext &c = context();
    // An archive still being written is abandoned, not committed half made.
    c.writer.stopped = true;
    closeArchives();
    c.state = EngineState{};
    c.lastError = LastError{};
    c.threads = 0;
    c.io = nullptr;
    c.writer = WriterExtra{};
    c.readerPath.clear();
    c.lastEntry = LastEntry{};
    c.listing = Listing{};
    c.umask = static_cast<uint32_t>(fs::currentUmask());
    // The slot's destination folder is left open: a callback may reset the
    // engine in the middle of extractCurrentEntry, which still writes
    // through it. Closing the reader slot above has already made it stale
    // (its serial no longer matches), so it is never used again. The name
    // and extra buffers keep their room: they are refilled before each use.
}

EngineState &state() { return context().state; }

WriterExtra &writerExtra() { return context().writer; }

int32_t setLastError(int32_t code, int sysErrno, std::string text)
{
    LastError &e = context().lastError;
    e.code = code;
    e.sysErrno = sysErrno;
    e.text = std::move(text);
    return code;
}

int32_t &threadSetting() { return context().threads; }

int compressorThreads()
{
    if (threadSetting() > 0)
        return threadSetting();
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

ScratchBuffer::ScratchBuffer(size_t size) : data_(nullptr), size_(size)
{
    ScratchPool &p = context().pool;
    for (int i = 0; i < 4; ++i) {
        if (!p.used[i]) {
            p.used[i] = true;
            slot_ = i;
            if (p.buffers[i].size() < size)
                p.buffers[i].resize(size);
            data_ = p.buffers[i].data();
            return;
        }
    }
    own_.resize(size);
    data_ = own_.data();
}

ScratchBuffer::~ScratchBuffer()
{
    if (slot_ >= 0)
        context().pool.used[slot_] = false;
}

uint64_t handleGeneration() { return context().generation; }

zlib_filefunc64_def archiveIo()
{
    if (const zlib_filefunc64_def *io = context().io)
        return *io;
    return fileReadingIo();
}

std::string &readerPath() { return context().readerPath; }

uint64_t &readerSerial() { return context().readerSerial; }

const HandleInfo *handleInfo(unzFile uf)
{
    const auto &handles = context().handles;
    auto it = handles.find(uf);
    return it == handles.end() ? nullptr : it->second.get();
}

void closeUnz(unzFile uf)
{
    if (!uf)
        return;
    context().handles.erase(uf);
    unzClose(uf);
}

void UnzCloser::operator()(void *f) const { closeUnz(static_cast<unzFile>(f)); }

unzFile openUnz(const std::string &path)
{
    ++context().generation;
    zlib_filefunc64_def io = archiveIo();
    auto info = std::make_unique<HandleInfo>();
    voidpf f = io.zopen64_file(io.opaque, path.c_str(), ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    if (!f)
        return nullptr;
    int32_t refused = 0;
    if (locateEndRecord(io, f, info->layout)) {
        const ArchiveLayout &l = info->layout;
        if (scanCentralDirectory(io, f, l, info->records) != 0)
            refused = kErrBadArchive;
        else if (entriesOverlap(info->records, l.cdStart - l.prefix))
            refused = kErrOverlap;
    }
    io.zclose_file(io.opaque, f);
    if (refused) {
        setLastError(refused, 0,
                     refused == kErrOverlap ? "entries of the archive share or overlap their data: refused"
                                            : "the central directory of the archive is damaged");
        return nullptr;
    }

    const ArchiveLayout &l = info->layout;
    unzFile uf = nullptr;
    const bool clean = l.found && l.lastSignature && l.endPos + 22 + l.commentLength == l.fileSize && l.endPos > 0;
    if (!l.found || clean) {
        uf = unzOpen2_64(path.c_str(), &io);
    } else {
        ArchiveView spec;
        spec.inner = io;
        spec.shift = l.endPos == 0 ? 4 : 0;
        spec.length = l.endPos + 22;
        spec.patchAt = l.endPos + 20;
        spec.patch = l.commentLength != 0;
        zlib_filefunc64_def view = viewIo(spec);
        uf = unzOpen2_64(path.c_str(), &view);
    }
    if (uf)
        context().handles[uf] = std::move(info);
    return uf;
}

zipFile openZip(const std::string &path, int append)
{
    if (const zlib_filefunc64_def *table = context().io) {
        zlib_filefunc64_def io = *table;
        return zipOpen2_64(path.c_str(), append, nullptr, &io);
    }
    if (append == APPEND_STATUS_CREATE) {
        zlib_filefunc64_def io = fileCreatingIo();
        return zipOpen2_64(path.c_str(), append, nullptr, &io);
    }
    return zipOpen64(path.c_str(), append);
}

int32_t reportProgress(const std::string &fileName, float percent)
{
    const ProgressCallback &cb = state().progressCallback;
    return cb ? cb(fileName, percent) : 0;
}

} // namespace detail

void setArchiveIo(const zlib_filefunc64_def *io) { detail::context().io = io; }

const LastError &lastError() { return detail::context().lastError; }

const EngineState &engineState() { return detail::state(); }

int32_t initEngine()
{
    detail::resetEngineContext();
    return 0;
}

int32_t setProgressCallback(ProgressCallback callback)
{
    detail::state().progressCallback = std::move(callback);
    return 0;
}

int32_t setCompressionMethod(int32_t method)
{
    if (method == 0 || method == 8)
        detail::state().compressionMethod = method;
    return 0;
}

int32_t setPassword(const std::string &password)
{
    EngineState &s = detail::state();
    s.password = password;
    s.passwordSet = !password.empty();
    return 0;
}

int32_t setEncryption(Encryption encryption)
{
    detail::state().encryption = encryption;
    return 0;
}

} // namespace zarvon::engine
