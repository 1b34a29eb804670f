#include "engine/internal.h"
#include "engine/zip_io.h"

namespace zarvon::engine {

namespace detail {

namespace {

const zlib_filefunc64_def *g_io = nullptr;

zlib_filefunc64_def baseIo()
{
    if (g_io)
        return *g_io;
    zlib_filefunc64_def io;
    fill_fopen64_filefunc(&io);
    return io;
}

// minizip takes an end-of-central-directory record found at offset 0 for
// "not found", so an empty archive (nothing but that record) would not
// open. Such a file is read through this table, which shows it behind four
// zero bytes; minizip counts them as data before the archive.
constexpr ZPOS64_T kShift = 4;

struct ShiftedStream {
    voidpf inner;
    ZPOS64_T pos;
};

zlib_filefunc64_def &shiftedBase()
{
    static zlib_filefunc64_def base;
    return base;
}

voidpf ZCALLBACK shiftedOpen(voidpf, const void *filename, int mode)
{
    zlib_filefunc64_def &b = shiftedBase();
    voidpf inner = b.zopen64_file(b.opaque, filename, mode);
    if (!inner)
        return nullptr;
    return new ShiftedStream{inner, 0};
}

uLong ZCALLBACK shiftedRead(voidpf, voidpf stream, void *buf, uLong size)
{
    zlib_filefunc64_def &b = shiftedBase();
    auto *s = static_cast<ShiftedStream *>(stream);
    uLong done = 0;
    auto *out = static_cast<unsigned char *>(buf);
    while (s->pos < kShift && done < size) {
        out[done++] = 0;
        ++s->pos;
    }
    if (done < size) {
        uLong got = b.zread_file(b.opaque, s->inner, out + done, size - done);
        s->pos += got;
        done += got;
    }
    return done;
}

uLong ZCALLBACK shiftedWrite(voidpf, voidpf, const void *, uLong)
{
    return 0;
}

ZPOS64_T ZCALLBACK shiftedTell(voidpf, voidpf stream)
{
    return static_cast<ShiftedStream *>(stream)->pos;
}

long ZCALLBACK shiftedSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    zlib_filefunc64_def &b = shiftedBase();
    auto *s = static_cast<ShiftedStream *>(stream);
    ZPOS64_T target;
    if (origin == ZLIB_FILEFUNC_SEEK_SET) {
        target = offset;
    } else if (origin == ZLIB_FILEFUNC_SEEK_CUR) {
        target = s->pos + offset;
    } else {
        if (b.zseek64_file(b.opaque, s->inner, 0, ZLIB_FILEFUNC_SEEK_END) != 0)
            return -1;
        target = b.ztell64_file(b.opaque, s->inner) + kShift + offset;
    }
    ZPOS64_T innerPos = target > kShift ? target - kShift : 0;
    if (b.zseek64_file(b.opaque, s->inner, innerPos, ZLIB_FILEFUNC_SEEK_SET) != 0)
        return -1;
    s->pos = target;
    return 0;
}

int ZCALLBACK shiftedClose(voidpf, voidpf stream)
{
    zlib_filefunc64_def &b = shiftedBase();
    auto *s = static_cast<ShiftedStream *>(stream);
    int r = b.zclose_file(b.opaque, s->inner);
    delete s;
    return r;
}

int ZCALLBACK shiftedError(voidpf, voidpf stream)
{
    zlib_filefunc64_def &b = shiftedBase();
    return b.zerror_file(b.opaque, static_cast<ShiftedStream *>(stream)->inner);
}

bool startsWithEndRecord(zlib_filefunc64_def &io, const std::string &path)
{
    voidpf f = io.zopen64_file(io.opaque, path.c_str(), ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    if (!f)
        return false;
    unsigned char sig[4] = {};
    uLong got = io.zread_file(io.opaque, f, sig, 4);
    io.zclose_file(io.opaque, f);
    return got == 4 && sig[0] == 'P' && sig[1] == 'K' && sig[2] == 5 && sig[3] == 6;
}

} // namespace

EngineState &state()
{
    static EngineState s;
    return s;
}

WriterExtra &writerExtra()
{
    static WriterExtra w;
    return w;
}

zlib_filefunc64_def archiveIo()
{
    return baseIo();
}

std::string &readerPath()
{
    static std::string p;
    return p;
}

unzFile openUnz(const std::string &path)
{
    zlib_filefunc64_def io = baseIo();
    unzFile uf = unzOpen2_64(path.c_str(), &io);
    if (uf || !startsWithEndRecord(io, path))
        return uf;
    shiftedBase() = io;
    zlib_filefunc64_def shifted{shiftedOpen, shiftedRead, shiftedWrite, shiftedTell,
                                shiftedSeek, shiftedClose, shiftedError, nullptr};
    return unzOpen2_64(path.c_str(), &shifted);
}

zipFile openZip(const std::string &path, int append)
{
    if (g_io) {
        zlib_filefunc64_def io = *g_io;
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

void setArchiveIo(const zlib_filefunc64_def *io)
{
    detail::g_io = io;
}

const EngineState &engineState()
{
    return detail::state();
}

int32_t initEngine()
{
    closeArchives();
    EngineState &s = detail::state();
    s.compressionMethod = 8;
    s.passwordSet = false;
    s.password.clear();
    s.progressCallback = nullptr;
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

} // namespace zarvon::engine
