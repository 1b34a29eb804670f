// The Deflate coders behind creation and extraction: a file of one unit is
// packed as one whole buffer (libdeflate where built in, zlib otherwise),
// larger files as zlib units; every entry inflates back exactly, and a
// damaged, cut or oversized stream is reported as a failure on both the
// small-entry and the large-entry reading paths.
#include "engine_test_support.h"

#include "engine/checksum.h"
#include "engine/deflate_pipeline.h"
#include "engine/internal.h"

#ifdef ZARVON_HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace zarvon::engine::testing {

namespace {

// Compressed bytes at or above this size are read through the engine's own
// handle instead of minizip's reader (see EntryReader::open).
constexpr size_t kLargePath = 1u << 20;

uint32_t le32(const std::string &b, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

uint16_t le16(const std::string &b, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}

std::string rawDeflate(const std::string &data)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// What the one-unit path should produce for `data`: one whole buffer at
// level 9.
std::string wholeBufferDeflate(const std::string &data)
{
#ifdef ZARVON_HAVE_LIBDEFLATE
    libdeflate_compressor *c = libdeflate_alloc_compressor(9);
    std::string out(libdeflate_deflate_compress_bound(c, data.size()), '\0');
    out.resize(libdeflate_deflate_compress(c, data.data(), data.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
#else
    return rawDeflate(data);
#endif
}

class ZipCodec : public EngineTest {
protected:
    void TearDown() override
    {
        setProgressCallback(nullptr);
        setThreadCount(0);
        EngineTest::TearDown();
    }

    // The packed data of an archive's only entry (its local header first).
    std::string packedData(const fs::path &archive)
    {
        const std::string bytes = readFile(archive);
        EXPECT_EQ(le32(bytes, 0), 0x04034b50u);
        std::vector<EntryInfo> entries;
        EXPECT_EQ(listEntries(archive.string(), entries), 1);
        const size_t at = 30 + le16(bytes, 26) + le16(bytes, 28);
        return bytes.substr(at, static_cast<size_t>(entries.at(0).compressedSize));
    }

    // An archive of one Deflate entry named `name` holding `packed` as its
    // data, with the size and CRC-32 of `plain`.
    fs::path rawEntryArchive(const std::string &archive, const std::string &name, const std::string &packed,
                             const std::string &plain)
    {
        fs::path a = dir / archive;
        zipFile zf = zipOpen64(a.c_str(), APPEND_STATUS_CREATE);
        EXPECT_NE(zf, nullptr);
        zip_fileinfo zi{};
        zi.tmz_date.tm_year = 2020;
        zi.tmz_date.tm_mday = 1;
        EXPECT_EQ(zipOpenNewFileInZip4_64(zf, name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, 8, 9, 1, -MAX_WBITS,
                                          8, Z_DEFAULT_STRATEGY, nullptr, 0, 0, 0, 0),
                  ZIP_OK);
        EXPECT_EQ(zipWriteInFileInZip(zf, packed.data(), static_cast<unsigned>(packed.size())), ZIP_OK);
        EXPECT_EQ(zipCloseFileInZipRaw64(zf, plain.size(), crc32Of(plain)), ZIP_OK);
        EXPECT_EQ(zipClose(zf, nullptr), ZIP_OK);
        return a;
    }

    static uint32_t crc32Of(const std::string &s)
    {
        return static_cast<uint32_t>(crc32_z(0, reinterpret_cast<const Bytef *>(s.data()), s.size()));
    }

    // Extracting the only entry fails, leaves no file, and the archive test
    // counts it as failed with one of `codes`.
    void expectDamaged(const fs::path &a, const std::string &name, std::vector<int32_t> codes)
    {
        fs::path out = dir / ("out-" + a.stem().string());
        EXPECT_EQ(extractEntryAt(a.string(), 0, out.string(), 1), 0) << a;
        EXPECT_FALSE(fs::exists(out / name)) << a;
        VerifyResult v;
        const int32_t r = verifyArchive(a.string(), v);
        EXPECT_NE(std::find(codes.begin(), codes.end(), r), codes.end()) << a << ": " << r;
        EXPECT_EQ(v.entriesFailed, 1) << a;
        // The reader slot's path (extractCurrentEntry) says the same.
        ASSERT_NE(openArchiveForReading(a.string()), 0);
        ASSERT_EQ(firstEntry(), 0);
        const int32_t slot = extractCurrentEntry((out / "slot").string(), 1);
        EXPECT_NE(std::find(codes.begin(), codes.end(), slot), codes.end()) << a << ": " << slot;
        EXPECT_FALSE(fs::exists(out / "slot" / name)) << a;
        closeArchives();
    }
};

} // namespace

TEST_F(ZipCodec, OneUnitFileIsPackedAsOneWholeBufferAndLargerFilesAsUnits)
{
    const std::string small = sampleText(300000, 5);
    const std::string exact = sampleText(detail::kUnitSize, 6);
    const std::string two = sampleText(detail::kUnitSize + 1, 7);
    for (int threads : {1, 3}) {
        setThreadCount(threads);
        const std::string t = std::to_string(threads);
        EXPECT_TRUE(packedData(archiveOf("small" + t + ".zip", {file("small.txt", small)})) ==
                    wholeBufferDeflate(small));
        EXPECT_TRUE(packedData(archiveOf("exact" + t + ".zip", {file("exact.txt", exact)})) ==
                    wholeBufferDeflate(exact));
        // Two units: primed and flushed zlib units, never one whole buffer.
        const fs::path twoZip = archiveOf("two" + t + ".zip", {file("two.txt", two)});
        EXPECT_FALSE(packedData(twoZip) == wholeBufferDeflate(two));
        fs::path out = dir / ("out" + t);
        EXPECT_EQ(extractMatching(twoZip.string(), "", out.string(), 1), 1);
        EXPECT_TRUE(readFile(out / "two.txt") == two);
    }
}

TEST_F(ZipCodec, EntriesEndingOnBlockAndBufferBoundariesReadBackExactly)
{
    // Sizes where the output block fills exactly as the stream ends, on the
    // small-entry path and (random bytes, over 1 MiB packed) the large one.
    std::vector<fs::path> files;
    for (size_t size : {size_t{0}, size_t{1}, detail::kBlockSize - 1, detail::kBlockSize, 2 * detail::kBlockSize,
                        detail::kUnitSize, 3 * detail::kUnitSize})
        files.push_back(file("text" + std::to_string(size), sampleText(size, static_cast<unsigned>(size))));
    for (size_t size : {kLargePath + detail::kBlockSize - kLargePath % detail::kBlockSize, 3 * detail::kUnitSize + 1})
        files.push_back(file("random" + std::to_string(size), randomBytes(size, static_cast<unsigned>(size))));
    fs::path a = archiveOf("bounds.zip", files);
    std::vector<EntryInfo> entries;
    ASSERT_EQ(listEntries(a.string(), entries), static_cast<int32_t>(files.size()));
    EXPECT_GE(entries.back().compressedSize, kLargePath);
    fs::path out = dir / "out";
    EXPECT_EQ(extractMatching(a.string(), "", out.string(), 1), static_cast<int32_t>(files.size()));
    for (const fs::path &f : files)
        EXPECT_TRUE(readFile(out / f.filename()) == readFile(f)) << f;
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), 0) << v.firstFailedEntry;
    EXPECT_EQ(v.entriesChecked, static_cast<int32_t>(files.size()));
}

TEST_F(ZipCodec, DamagedStreamIsReportedOnBothReadingPaths)
{
    // Text, so that the damage lands in Huffman-coded data, not in a stored
    // block; packed below and above the large-entry threshold.
    const std::string small = sampleText(200000, 11);
    std::string large;
    for (unsigned seed = 12; large.size() < 6 * kLargePath; ++seed)
        large += sampleText(100000, seed) + randomBytes(100000, seed);
    for (const auto &[name, plain] : {std::pair<std::string, std::string>{"small.txt", small}, {"large.txt", large}}) {
        const std::string packed = rawDeflate(plain);
        ASSERT_EQ(packed.size() >= kLargePath, name == "large.txt");
        // Flipped bits in the middle of the stream.
        std::string flipped = packed;
        for (size_t i = 0; i < 8; ++i)
            flipped[packed.size() / 2 + i * 97] ^= static_cast<char>(0xA5);
        expectDamaged(rawEntryArchive("flipped-" + name + ".zip", name, flipped, plain), name, {kErrData, kErrCrc});
        // The stream cut off before its end mark.
        const std::string cut = packed.substr(0, packed.size() - packed.size() / 3);
        expectDamaged(rawEntryArchive("cut-" + name + ".zip", name, cut, plain), name, {kErrData});
        // Garbage from the first byte: no valid block header.
        std::string garbage(packed.size(), '\xff');
        expectDamaged(rawEntryArchive("garbage-" + name + ".zip", name, garbage, plain), name, {kErrData});
    }
}

TEST_F(ZipCodec, StreamLongerThanItsDeclaredSizeFailsOnBothReadingPaths)
{
    // Zeros pack small (the small-entry path); random bytes pack as large as
    // they are (the large-entry path). Both declare 1000 bytes.
    const std::string zeros(3 << 20, '\0');
    const std::string noise = randomBytes(2 * kLargePath, 3);
    for (const auto &[name, plain] : {std::pair<std::string, std::string>{"zeros.bin", zeros}, {"noise.bin", noise}}) {
        const std::string packed = rawDeflate(plain);
        ASSERT_EQ(packed.size() >= kLargePath, name == "noise.bin");
        const std::string declared = plain.substr(0, 1000);
        // Declares the size and CRC-32 of the first 1,000 bytes only.
        const fs::path a = rawEntryArchive(name + ".zip", name, packed, declared);
        uint64_t written = 0;
        setProgressCallback([&](const std::string &n, float) {
            if (!n.empty())
                ++written;
            return 0;
        });
        expectDamaged(a, name, {kErrCrc});
        EXPECT_EQ(written, 0u) << name << ": no block beyond the declared size is handed out";
        setProgressCallback(nullptr);
    }
}

TEST(EntryChecksum, MatchesZlibsCrc32InPiecesOfEveryLengthAndAlignment)
{
    // The checked CRC and the one written to headers are combined with
    // zlib's crc32_combine: any other polynomial or bit order would fail
    // every entry.
    const std::string data = randomBytes(70000, 17);
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.data());
    EXPECT_EQ(detail::crc32Update(0, bytes, 0), 0u);
    EXPECT_EQ(detail::crc32Update(0x12345678u, bytes, 0), 0x12345678u);
    for (size_t start : {0, 1, 3, 8, 15}) {
        for (size_t len : {1, 2, 7, 16, 63, 64, 65, 255, 4096, 65536}) {
            const uint32_t want = static_cast<uint32_t>(crc32_z(0, bytes + start, len));
            EXPECT_EQ(detail::crc32Update(0, bytes + start, len), want) << start << "+" << len;
            // In two pieces, split off centre.
            const size_t cut = len / 3;
            EXPECT_EQ(detail::crc32Update(detail::crc32Update(0, bytes + start, cut), bytes + start + cut, len - cut),
                      want)
                << start << "+" << len;
        }
    }
}

TEST_F(ZipCodec, EncryptedOneUnitAndMultiUnitEntriesRoundTrip)
{
    const std::vector<fs::path> files = {file("one.txt", sampleText(120000, 21)),
                                         file("many.txt", sampleText(2 * detail::kUnitSize + 5, 22))};
    fs::path a = archiveOf("secret.zip", files, 8, "sesame");
    setPassword("sesame");
    fs::path out = dir / "out";
    EXPECT_EQ(extractMatching(a.string(), "", out.string(), 1), 2);
    for (const fs::path &f : files)
        EXPECT_TRUE(readFile(out / f.filename()) == readFile(f)) << f;
    setPassword("");
    if (!haveTool("python3"))
        GTEST_SKIP() << "python3 is not installed; install it to check the archive with Python's zipfile";
    std::string output;
    EXPECT_EQ(run("python3 -c \"import sys,zipfile; z=zipfile.ZipFile(sys.argv[1]); z.setpassword(b'sesame'); "
                  "assert z.read('one.txt')==open(sys.argv[2],'rb').read(); "
                  "assert z.read('many.txt')==open(sys.argv[3],'rb').read()\" " +
                      quoted(a) + " " + quoted(files[0]) + " " + quoted(files[1]),
                  &output),
              0)
        << output;
}

} // namespace zarvon::engine::testing
