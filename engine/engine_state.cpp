#include "engine/internal.h"
#include "engine/zip_io.h"

namespace zarvon::engine {

namespace detail {

namespace {
const zlib_filefunc64_def *g_io = nullptr;
}

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

unzFile openUnz(const std::string &path)
{
    if (g_io) {
        zlib_filefunc64_def io = *g_io;
        return unzOpen2_64(path.c_str(), &io);
    }
    return unzOpen64(path.c_str());
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
