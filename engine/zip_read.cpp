#include "engine/context.h"
#include "engine/internal.h"
#include "engine/zip_io.h"

#include <zlib.h>

#ifdef ZARVON_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

#include <algorithm>
#include <climits>
#include <cstring>

namespace zarvon::engine {

namespace detail {

namespace {
constexpr uint64_t kDirectReadSize = 1u << 20;
}

// Raw Deflate decoding of one entry's data. ISA-L, where it was built in,
// inflates several times faster than zlib; zlib does it otherwise. Either
// way only the Deflate stream is decoded here: the CRC-32 and the size are
// checked by EntryReader, whatever the library.
class EntryReader::Inflater {
public:
    enum class Step {
        Going, // room or input ran out; call again with more
        Ended, // the stream's final block is done
        Bad    // the data is not a valid Deflate stream
    };

    Inflater() = default;
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;
#ifdef ZARVON_HAVE_ISAL
    ~Inflater()
    {
        // One state is kept per thread for the next entry: it is some 90 KB,
        // which would otherwise be allocated for every small entry.
        if (state_ && !spare())
            spare() = std::move(state_);
    }
    bool init()
    {
        state_ = spare() ? std::move(spare()) : std::make_unique<inflate_state>();
        isal_inflate_init(state_.get());
        state_->crc_flag = ISAL_DEFLATE;
        return true;
    }
    // Decodes from `in` (`inLen` bytes) into `out` (`outLen` bytes of room);
    // both counts come back as the bytes taken and made.
    Step run(const unsigned char *in, size_t &inLen, unsigned char *out, size_t &outLen)
    {
        inflate_state &st = *state_;
        st.next_in = const_cast<unsigned char *>(in);
        st.avail_in = static_cast<uint32_t>(inLen);
        st.next_out = out;
        st.avail_out = static_cast<uint32_t>(outLen);
        const int r = isal_inflate(&st);
        inLen -= st.avail_in;
        outLen -= st.avail_out;
        if (r != ISAL_DECOMP_OK && r != ISAL_END_INPUT && r != ISAL_OUT_OVERFLOW)
            return Step::Bad;
        return st.block_state == ISAL_BLOCK_FINISH ? Step::Ended : Step::Going;
    }

private:
    static std::unique_ptr<inflate_state> &spare()
    {
        thread_local std::unique_ptr<inflate_state> s;
        return s;
    }
    std::unique_ptr<inflate_state> state_;
#else
    ~Inflater()
    {
        if (live_)
            inflateEnd(&z_);
    }
    bool init()
    {
        live_ = inflateInit2(&z_, -MAX_WBITS) == Z_OK;
        return live_;
    }
    Step run(const unsigned char *in, size_t &inLen, unsigned char *out, size_t &outLen)
    {
        z_.next_in = const_cast<unsigned char *>(in);
        z_.avail_in = static_cast<uInt>(inLen);
        z_.next_out = out;
        z_.avail_out = static_cast<uInt>(outLen);
        const int zr = inflate(&z_, Z_NO_FLUSH);
        inLen -= z_.avail_in;
        outLen -= z_.avail_out;
        if (zr == Z_STREAM_END)
            return Step::Ended;
        return zr == Z_OK || zr == Z_BUF_ERROR ? Step::Going : Step::Bad;
    }

private:
    z_stream z_{};
    bool live_ = false;
#endif
};

void applyZip64Extra(std::string_view extra, Zip64Fields &f)
{
    auto u16 = [&](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(extra[at]) | static_cast<unsigned char>(extra[at + 1])
                                                                                 << 8);
    };
    auto u64 = [&](size_t at) {
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = (v << 8) | static_cast<unsigned char>(extra[at + i]);
        return v;
    };
    size_t pos = 0;
    while (pos + 4 <= extra.size()) {
        unsigned id = u16(pos), len = u16(pos + 2);
        size_t body = pos + 4;
        if (body + len > extra.size())
            return;
        if (id == 0x0001) {
            // Field by field: each is there only when its header field is all
            // ones, so an extra field holding only the sizes is read right.
            size_t at = body, end = body + len;
            if (f.uncompressedSize == 0xFFFFFFFFull && at + 8 <= end) {
                f.uncompressedSize = u64(at);
                at += 8;
            }
            if (f.compressedSize == 0xFFFFFFFFull && at + 8 <= end) {
                f.compressedSize = u64(at);
                f.sizeFromExtra = true;
                at += 8;
            }
            if (f.localHeaderOffset == 0xFFFFFFFFull && at + 8 <= end) {
                f.localHeaderOffset = u64(at);
                f.offsetKnown = true;
                at += 8;
            }
            if (f.diskNumber == 0xFFFFu && at + 4 <= end)
                f.diskNumber = static_cast<uint32_t>(u64(at) & 0xFFFFFFFFu);
            return;
        }
        pos = body + len;
    }
}

const CentralRecord *HandleInfo::recordAt(uint64_t position) const
{
    auto it = std::lower_bound(records.begin(), records.end(), position,
                               [](const CentralRecord &r, uint64_t p) { return r.position < p; });
    return it != records.end() && it->position == position ? &*it : nullptr;
}

// The header's own offset and disk fields of the current entry, so that
// the ZIP64 extra field is read field by field.
void rawFieldsOf(unzFile uf, unsigned long disk, Zip64Fields &z, std::string_view extra)
{
    // Only an entry with ZIP64 information needs them.
    if (extra.find(std::string_view("\x01\x00", 2)) == std::string_view::npos)
        return;
    z.diskNumber = static_cast<uint32_t>(disk);
    const HandleInfo *h = handleInfo(uf);
    const CentralRecord *r = h ? h->recordAt(unzGetOffset64(uf)) : nullptr;
    z.localHeaderOffset = r ? r->rawLocalOffset : 0;
}

namespace {

LastEntry &lastEntry() { return context().lastEntry; }

bool isLastEntry(unzFile uf)
{
    const LastEntry &l = lastEntry();
    return l.valid && l.uf == uf && l.generation == handleGeneration() && l.centralOffset == unzGetOffset64(uf);
}

bool lastZip64For(unzFile uf, Zip64Fields &out)
{
    if (!isLastEntry(uf))
        return false;
    out = lastEntry().zip64;
    return true;
}

} // namespace

EntryReader::EntryReader(unzFile uf, const std::string &archivePath) : uf_(uf), path_(archivePath) {}

EntryReader::~EntryReader()
{
    if (direct_)
        io_.zclose_file(io_.opaque, direct_);
    if (opened_)
        unzCloseCurrentFile(uf_);
}

int32_t EntryReader::open(const EntryInfo &info)
{
    method_ = info.compressionMethod;
    const bool aes = method_ == kAesMethod;
    if (aes && info.aesKeyBits == 0)
        return kErrBadEncryptionField;
    if (aes)
        method_ = info.aesMethod;
    if (method_ != 0 && method_ != 8)
        return kErrUnsupportedMethod;
    encrypted_ = info.isEncrypted() || aes;
    const EngineState &s = state();
    if (encrypted_ && !s.passwordSet)
        return kErrPasswordNeeded;
    // An entry whose local header cannot lie before the directory was let
    // through when the archive was opened so that the others stay readable.
    if (const HandleInfo *h = handleInfo(uf_)) {
        const CentralRecord *r = h->recordAt(unzGetOffset64(uf_));
        const uint64_t dataEnd = h->layout.cdStart - h->layout.prefix;
        if (r && (r->localOffset > dataEnd || dataEnd - r->localOffset < 30))
            return kErrOutsideArchive;
    }
    expectedCrc_ = info.crc;
    expectedSize_ = info.uncompressedSize;
    rawLeft_ = info.compressedSize;
    Zip64Fields z64;
    if (!lastZip64For(uf_, z64) && info.sizeExtra > 0) {
        std::vector<char> &extra = context().extraBuf;
        unz_file_info64 fi{};
        if (unzGetCurrentFileInfo64(uf_, &fi, nullptr, 0, extra.data(), extra.size(), nullptr, 0) == UNZ_OK) {
            z64.uncompressedSize = fi.uncompressed_size;
            z64.compressedSize = fi.compressed_size;
            rawFieldsOf(uf_, fi.disk_num_start, z64,
                        std::string_view(extra.data(), std::min<size_t>(fi.size_file_extra, extra.size() - 1)));
            applyZip64Extra(std::string_view(extra.data(), std::min<size_t>(fi.size_file_extra, extra.size() - 1)),
                            z64);
        }
    }
    // minizip refuses to open an entry of a method it does not know, even
    // raw: an AES entry is found through its central record.
    if (aes && !z64.offsetKnown) {
        const HandleInfo *h = handleInfo(uf_);
        const CentralRecord *r = h ? h->recordAt(unzGetOffset64(uf_)) : nullptr;
        if (!r)
            return kErrBadArchive;
        z64.localHeaderOffset = r->localOffset;
        z64.offsetKnown = true;
    }
    int32_t err;
    // minizip reads a ZIP64 entry's data as if it were 4 GiB long, and fails
    // near the end of the file: such entries are read through our own handle.
    // A large entry is also read through our own handle, in larger reads
    // than minizip's 16 KB buffer and without its copy; small entries are
    // not, as the handle costs an opening of the file.
    if (info.compressedSize >= 0xFFFFFFFFull || z64.offsetKnown || z64.sizeFromExtra ||
        info.compressedSize >= kDirectReadSize) {
        err = openDirect(z64.localHeaderOffset, z64.offsetKnown);
    } else {
        int method = 0, level = 0;
        err = unzOpenCurrentFile2(uf_, &method, &level, 1);
        opened_ = err == UNZ_OK;
    }
    if (err != 0)
        return err;
    if (aes) {
        if ((err = openAes(info)) != 0)
            return err;
    } else if (encrypted_) {
        if (rawLeft_ < kPkwareHeaderSize)
            return kErrBadArchive;
        unsigned char header[kPkwareHeaderSize];
        encrypted_ = false;
        int64_t got = readRaw(header, sizeof header);
        encrypted_ = true;
        if (got != static_cast<int64_t>(sizeof header))
            return got < 0 ? static_cast<int32_t>(got) : kErrBadArchive;
        keys_ = pkwareInit(s.password);
        pkwareDecrypt(keys_, header, sizeof header);
        // With a data descriptor (bit 3) the CRC was not known when the
        // header was made, so the check byte is the high byte of the time.
        unsigned char expected = (info.flag & 8) ? static_cast<unsigned char>(info.dosDate >> 8)
                                                 : static_cast<unsigned char>(info.crc >> 24);
        if (header[kPkwareHeaderSize - 1] != expected)
            return kErrWrongPassword;
    }
    if (method_ == 8) {
        inflater_ = std::make_unique<Inflater>();
        if (!inflater_->init()) {
            inflater_.reset();
            return kErrData;
        }
        in_ = std::make_unique<ScratchBuffer>(direct_ ? 262144 : 65536);
    }
    return 0;
}

// minizip cannot reach this entry's data (beyond 4 GiB, or a local header
// past 4 GiB): find it through a handle of our own.
int32_t EntryReader::openDirect(uint64_t localHeaderOffset, bool offsetKnown)
{
    uint64_t dataStart = 0;
    if (!offsetKnown) {
        // The local header is within minizip's reach: let it check the header
        // and tell where the data begins.
        int method = 0, level = 0;
        int err = unzOpenCurrentFile2(uf_, &method, &level, 1);
        if (err != UNZ_OK)
            return err;
        opened_ = true;
        dataStart = unzGetCurrentFileZStreamPos64(uf_);
        if (dataStart == 0)
            return kErrBadArchive;
    }
    io_ = archiveIo();
    direct_ = io_.zopen64_file(io_.opaque, path_.c_str(), ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING);
    if (!direct_)
        return kErrGeneral;
    if (offsetKnown) {
        if (const HandleInfo *h = handleInfo(uf_))
            localHeaderOffset += h->layout.prefix;
        unsigned char header[30];
        if (io_.zseek64_file(io_.opaque, direct_, localHeaderOffset, ZLIB_FILEFUNC_SEEK_SET) != 0 ||
            io_.zread_file(io_.opaque, direct_, header, sizeof header) != sizeof header || header[0] != 'P' ||
            header[1] != 'K' || header[2] != 3 || header[3] != 4)
            return kErrBadArchive;
        uint64_t nameLen = header[26] | header[27] << 8;
        uint64_t extraLen = header[28] | header[29] << 8;
        dataStart = localHeaderOffset + sizeof header + nameLen + extraLen;
    }
    if (io_.zseek64_file(io_.opaque, direct_, dataStart, ZLIB_FILEFUNC_SEEK_SET) != 0)
        return kErrBadArchive;
    opened_ = true;
    return 0;
}

int64_t EntryReader::readRaw(unsigned char *out, size_t capacity)
{
    size_t want = static_cast<size_t>(std::min<uint64_t>(capacity, rawLeft_));
    size_t done = 0;
    while (direct_ && done < want) {
        uLong got = io_.zread_file(io_.opaque, direct_, out + done, static_cast<uLong>(want - done));
        if (got == 0)
            return kErrBadArchive;
        done += got;
    }
    while (done < want) {
        unsigned chunk = static_cast<unsigned>(std::min<size_t>(want - done, UINT_MAX / 2));
        int got = unzReadCurrentFile(uf_, out + done, chunk);
        if (got < 0)
            return got;
        if (got == 0)
            return kErrBadArchive; // the archive ends inside the entry's data
        done += static_cast<size_t>(got);
    }
    rawLeft_ -= done;
    if (aes_) {
        if (!aes_->decrypt(out, done))
            return kErrData;
    } else if (encrypted_) {
        pkwareDecrypt(keys_, out, done);
    }
    return static_cast<int64_t>(done);
}

int64_t EntryReader::read(unsigned char *out, size_t capacity)
{
    const int64_t got = readData(out, capacity);
    // Data that cannot be inflated, or that lies about its size, is first
    // of all data that does not match its code: say so when it does not.
    if (got < 0 && aes_ && !aesChecked_) {
        const int32_t code = checkAesCode();
        if (code != 0)
            return code;
    }
    return got;
}

int64_t EntryReader::readData(unsigned char *out, size_t capacity)
{
    if (!opened_)
        return kErrGeneral;
    if (finished_)
        return 0;
    size_t produced = 0;
    if (method_ == 0) {
        int64_t got = readRaw(out, capacity);
        if (got < 0)
            return got;
        produced = static_cast<size_t>(got);
    } else if (!streamEnded_) {
        // One byte more than the declared size is enough to know the entry
        // lies: inflating stops there instead of filling the disk.
        const uint64_t allowed = expectedSize_ - produced_ + 1;
        const size_t room = static_cast<size_t>(std::min<uint64_t>({capacity, UINT_MAX / 2, allowed}));
        while (produced < room) {
            if (inPos_ == inLen_ && rawLeft_ > 0) {
                int64_t got = readRaw(in_->data(), in_->size());
                if (got < 0)
                    return got;
                inPos_ = 0;
                inLen_ = static_cast<size_t>(got);
            }
            size_t taken = inLen_ - inPos_;
            size_t made = room - produced;
            const Inflater::Step step = inflater_->run(in_->data() + inPos_, taken, out + produced, made);
            inPos_ += taken;
            produced += made;
            if (step == Inflater::Step::Ended) {
                streamEnded_ = true;
                break;
            }
            if (step == Inflater::Step::Bad)
                return kErrData;
            if (made == 0 && taken == 0 && rawLeft_ == 0 && inPos_ == inLen_)
                return kErrData; // the compressed data ends before its end mark
        }
    }
    if (produced > 0) {
        crc_ = crc32Update(crc_, out, produced);
        produced_ += produced;
        if (produced_ > expectedSize_)
            return kErrCrc;
        return static_cast<int64_t>(produced);
    }
    finished_ = true;
    if (aes_) {
        const int32_t code = checkAesCode();
        if (code != 0)
            return code;
    }
    if (produced_ != expectedSize_ || (checkCrc_ && crc_ != expectedCrc_))
        return kErrCrc;
    return 0;
}

int32_t goToFirst(unzFile uf)
{
    unz_global_info64 gi{};
    if (unzGetGlobalInfo64(uf, &gi) == UNZ_OK && gi.number_entry == 0)
        return UNZ_END_OF_LIST_OF_FILE;
    return unzGoToFirstFile(uf);
}

int32_t readEntryInfo(unzFile uf, EntryInfo &out)
{
    if (isLastEntry(uf)) {
        out = lastEntry().info;
        return 0;
    }
    lastEntry().valid = false;
    std::vector<char> &name = context().nameBuf;
    std::vector<char> &extra = context().extraBuf;
    unz_file_info64 fi{};
    int err = unzGetCurrentFileInfo64(uf, &fi, name.data(), name.size(), extra.data(), extra.size(), nullptr, 0);
    if (err != UNZ_OK) {
        out = EntryInfo{};
        return err;
    }
    out.version = static_cast<uint32_t>(fi.version);
    out.versionNeeded = static_cast<uint32_t>(fi.version_needed);
    out.flag = static_cast<uint32_t>(fi.flag);
    out.compressionMethod = static_cast<uint32_t>(fi.compression_method);
    out.dosDate = static_cast<uint32_t>(fi.dosDate);
    out.crc = static_cast<uint32_t>(fi.crc);
    out.compressedSize = fi.compressed_size;
    out.uncompressedSize = fi.uncompressed_size;
    size_t nameLen = std::min<size_t>(fi.size_filename, name.size() - 1);
    size_t extraLen = std::min<size_t>(fi.size_file_extra, extra.size() - 1);
    out.sizeFileName = static_cast<uint32_t>(fi.size_filename);
    out.sizeExtra = static_cast<uint32_t>(fi.size_file_extra);
    out.sizeComment = static_cast<uint32_t>(fi.size_file_comment);
    out.diskNumberStart = static_cast<uint32_t>(fi.disk_num_start);
    out.internalAttributes = static_cast<uint32_t>(fi.internal_fa);
    out.externalAttributes = static_cast<uint32_t>(fi.external_fa);
    out.second = fi.tmu_date.tm_sec;
    out.minute = fi.tmu_date.tm_min;
    out.hour = fi.tmu_date.tm_hour;
    out.day = fi.tmu_date.tm_mday;
    out.month = fi.tmu_date.tm_mon;
    out.year = fi.tmu_date.tm_year;
    Zip64Fields z64;
    z64.uncompressedSize = fi.uncompressed_size;
    z64.compressedSize = fi.compressed_size;
    rawFieldsOf(uf, fi.disk_num_start, z64, std::string_view(extra.data(), extraLen));
    applyZip64Extra(std::string_view(extra.data(), extraLen), z64);
    out.uncompressedSize = z64.uncompressedSize;
    out.compressedSize = z64.compressedSize;
    out.fileName = decodeStoredName(std::string_view(name.data(), nameLen), (fi.flag & 0x800) != 0,
                                    std::string_view(extra.data(), extraLen), out.version >> 8);
    setEntryTime(std::string_view(extra.data(), extraLen), out);
    AesField aes;
    if (out.compressionMethod == kAesMethod && readAesExtra(std::string_view(extra.data(), extraLen), aes)) {
        out.aesKeyBits = aes.keyBits;
        out.aesVersion = aes.version;
        out.aesMethod = aes.method;
    }
    LastEntry &l = lastEntry();
    l.uf = uf;
    l.generation = handleGeneration();
    l.centralOffset = unzGetOffset64(uf);
    l.info = out;
    l.zip64 = z64;
    l.valid = true;
    return 0;
}

namespace {

Listing &listing() { return context().listing; }

struct FileKey {
    uint64_t device, inode, size;
    int64_t sec, nsec;
};

bool fileKey(const std::string &path, FileKey &key)
{
    fs::FileStatus st;
    if (!fs::statusOfPath(path, st))
        return false;
    key = {st.device, st.inode, st.size, st.mtimeSec, st.mtimeNsec};
    return true;
}

} // namespace

// Reads every entry in one pass and remembers where each one is.
int32_t readListing(unzFile uf, std::vector<EntryInfo> &entries, std::vector<unz64_file_pos> *positions)
{
    entries.clear();
    if (positions)
        positions->clear();
    unz_global_info64 gi{};
    if (unzGetGlobalInfo64(uf, &gi) == UNZ_OK && gi.number_entry < 10'000'000) {
        entries.reserve(gi.number_entry);
        if (positions)
            positions->reserve(gi.number_entry);
    }
    int err = goToFirst(uf);
    while (err == UNZ_OK) {
        EntryInfo info;
        readEntryInfo(uf, info);
        entries.push_back(std::move(info));
        if (positions) {
            unz64_file_pos pos{};
            unzGetFilePos64(uf, &pos);
            positions->push_back(pos);
        }
        if (entries.size() >= static_cast<size_t>(INT32_MAX))
            break;
        err = unzGoToNextFile(uf);
    }
    return static_cast<int32_t>(entries.size());
}

// The listing of `path`, from the cache when the file is unchanged. Null
// when the archive cannot be opened.
const Listing *cachedListing(const std::string &path)
{
    Listing &l = listing();
    FileKey key{};
    bool haveKey = fileKey(path, key);
    if (haveKey && l.valid && l.path == path && l.device == key.device && l.inode == key.inode && l.size == key.size &&
        l.mtimeSec == key.sec && l.mtimeNsec == key.nsec)
        return &l;
    l.valid = false;
    UnzHandle uf(openUnz(path));
    if (!uf)
        return nullptr;
    readListing(static_cast<unzFile>(uf.get()), l.entries, &l.positions);
    l.path = path;
    if (haveKey) {
        l.device = key.device;
        l.inode = key.inode;
        l.size = key.size;
        l.mtimeSec = key.sec;
        l.mtimeNsec = key.nsec;
        l.valid = true;
    }
    return &l;
}

// Moves a private handle to the entry of the given index. Result 0, or
// non-zero when there is no such entry.
int32_t goToIndex(unzFile uf, const std::string &path, int32_t index)
{
    if (index < 0)
        return kErrEndOfList;
    const Listing *l = cachedListing(path);
    if (l && static_cast<size_t>(index) < l->positions.size()) {
        unz64_file_pos pos = l->positions[index];
        if (unzGoToFilePos64(uf, &pos) == UNZ_OK)
            return 0;
    }
    if (l && static_cast<size_t>(index) >= l->entries.size())
        return kErrEndOfList;
    int err = goToFirst(uf);
    for (int32_t i = 0; i < index && err == UNZ_OK; ++i)
        err = unzGoToNextFile(uf);
    return err;
}

int32_t closeReader()
{
    EngineState &s = state();
    if (s.reader) {
        closeUnz(static_cast<unzFile>(s.reader));
        s.reader = nullptr;
    }
    readerPath().clear();
    ++readerSerial();
    return 0;
}

} // namespace detail

using namespace detail;

int32_t openArchiveForReading(const std::string &path)
{
    EngineState &s = state();
    if (s.reader) {
        closeUnz(static_cast<unzFile>(s.reader));
        s.reader = nullptr;
    }
    s.reader = openUnz(path);
    readerPath() = s.reader ? path : std::string();
    ++readerSerial();
    return s.reader ? 1 : 0;
}

int32_t firstEntry()
{
    EngineState &s = state();
    if (!s.reader)
        return kErrGeneral;
    return goToFirst(static_cast<unzFile>(s.reader));
}

int32_t nextEntry()
{
    EngineState &s = state();
    if (!s.reader)
        return kErrGeneral;
    return unzGoToNextFile(static_cast<unzFile>(s.reader));
}

int32_t currentEntryInfo(EntryInfo &out)
{
    EngineState &s = state();
    if (!s.reader)
        return kErrGeneral;
    return readEntryInfo(static_cast<unzFile>(s.reader), out);
}

int32_t entryCount(const std::string &path)
{
    UnzHandle uf(openUnz(path));
    if (!uf)
        return -1;
    unz_global_info64 gi{};
    if (unzGetGlobalInfo64(static_cast<unzFile>(uf.get()), &gi) != UNZ_OK)
        return -1;
    if (gi.number_entry == 0xFFFF) {
        // A saturated 16-bit count without ZIP64 end records: count them.
        const Listing *l = cachedListing(path);
        return l ? static_cast<int32_t>(l->entries.size()) : -1;
    }
    return static_cast<int32_t>(std::min<ZPOS64_T>(gi.number_entry, INT32_MAX));
}

int32_t entryInfoAt(const std::string &path, int32_t index, EntryInfo &out)
{
    out = EntryInfo{};
    if (index < 0)
        return 0;
    const Listing *l = cachedListing(path);
    if (!l || static_cast<size_t>(index) >= l->entries.size())
        return 0;
    out = l->entries[index];
    return 1;
}

int32_t listEntries(const std::string &path, std::vector<EntryInfo> &out)
{
    out.clear();
    const Listing *l = cachedListing(path);
    if (!l)
        return -1;
    out = l->entries;
    return static_cast<int32_t>(out.size());
}

int32_t findEntryIndex(const std::string &path, const std::string &name, int32_t wholePath)
{
    const Listing *l = cachedListing(path);
    if (!l)
        return -1;
    auto normalise = [&](const std::string &n) {
        std::string t = wholePath ? n : lastComponent(n);
        for (char &c : t)
            if (c == '\\')
                c = '/';
        return upperCased(t);
    };
    std::string wanted = normalise(name);
    for (size_t i = 0; i < l->entries.size(); ++i) {
        const EntryInfo &e = l->entries[i];
        if (e.fileName.empty() && e.sizeFileName == 0)
            continue;
        if (normalise(e.fileName) == wanted)
            return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t verifyArchive(const std::string &path, VerifyResult &out)
{
    out = VerifyResult{};
    UnzHandle handle(openUnz(path));
    if (!handle)
        return -1;
    unzFile uf = static_cast<unzFile>(handle.get());
    out.readable = true;
    ScratchBuffer buffer(kBlockSize);
    int32_t result = 0;
    auto fail = [&](const EntryInfo &info, int32_t code) {
        ++out.entriesFailed;
        out.failed.push_back({info.fileName, code});
        if (out.firstFailedEntry.empty() && out.firstFailure == 0) {
            out.firstFailedEntry = info.fileName;
            out.firstFailure = code;
        }
    };
    int err = goToFirst(uf);
    while (err == UNZ_OK) {
        ++out.entries;
        EntryInfo info;
        int32_t code = readEntryInfo(uf, info);
        if (code != 0) {
            ++out.entriesChecked;
            fail(info, code);
        } else if (info.isEncrypted() && !state().passwordSet) {
            ++out.entriesNotChecked;
        } else {
            ++out.entriesChecked;
            EntryReader reader(uf, path);
            code = reader.open(info);
            uint64_t done = 0;
            while (code == 0) {
                int64_t got = reader.read(buffer.data(), buffer.size());
                if (got <= 0) {
                    code = static_cast<int32_t>(got);
                    break;
                }
                done += static_cast<uint64_t>(got);
                float percent =
                    info.uncompressedSize ? static_cast<float>(done * 100.0 / info.uncompressedSize) : 100.0f;
                if (reportProgress(info.fileName, percent) == 1)
                    return kResultStopped;
            }
            if (code != 0)
                fail(info, code);
            if (reportProgress(std::string(), 100.0f) == 1)
                return kResultStopped;
        }
        err = unzGoToNextFile(uf);
    }
    if (err != UNZ_END_OF_LIST_OF_FILE && err != UNZ_OK) {
        // The central directory breaks off before its announced end.
        EntryInfo broken;
        broken.fileName = "(central directory)";
        fail(broken, err);
    }
    if (out.entriesFailed > 0)
        result = out.firstFailure != 0 ? out.firstFailure : kErrCrc;
    return result;
}

} // namespace zarvon::engine
