// Archives from the wild: built byte by byte here, so that each one shows
// exactly the structure under test (a comment holding the end signature,
// junk after the archive, a self-extractor's stub, ZIP64 extra fields
// holding only some fields, entries sharing their data).
#include "engine_test_support.h"

namespace zarvon::engine::testing {

namespace {

void put16(std::string &s, uint32_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string &s, uint32_t v)
{
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

void put64(std::string &s, uint64_t v)
{
    put32(s, static_cast<uint32_t>(v));
    put32(s, static_cast<uint32_t>(v >> 32));
}

// The ZIP64 extended information field with the given 64-bit values.
std::string zip64Extra(const std::vector<uint64_t> &values)
{
    std::string body;
    for (uint64_t v : values)
        put64(body, v);
    std::string extra;
    put16(extra, 0x0001);
    put16(extra, static_cast<uint32_t>(body.size()));
    return extra + body;
}

// One stored entry as the builder lays it out.
struct Built {
    std::string name;
    std::string data;
    // What the central record says, when it should say something else than
    // the truth (all ones for ZIP64 fields).
    bool sizesAllOnes = false;
    bool offsetAllOnes = false;
    std::string centralExtra{};
    int64_t offsetOverride = -1; // the central record points here instead
};

// A stored archive: local headers and data, central directory, end record.
// `base` is added to every offset written (a stub before the archive whose
// offsets were adjusted).
std::string buildZip(const std::vector<Built> &entries, const std::string &comment = "", uint64_t base = 0,
                     uint16_t declaredCommentLength = 0xFFFF)
{
    std::string out, cd;
    std::vector<uint64_t> offsets;
    for (const Built &e : entries) {
        offsets.push_back(out.size());
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef *>(e.data.data()), static_cast<uInt>(e.data.size())));
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0);
        put16(out, 0); // stored
        put16(out, 0);
        put16(out, 0x21);
        put32(out, crc);
        // A ZIP64 entry says all ones in its local header too, with the
        // sizes in its own extra field.
        const std::string localExtra = e.sizesAllOnes ? zip64Extra({e.data.size(), e.data.size()}) : std::string();
        put32(out, e.sizesAllOnes ? 0xFFFFFFFFu : static_cast<uint32_t>(e.data.size()));
        put32(out, e.sizesAllOnes ? 0xFFFFFFFFu : static_cast<uint32_t>(e.data.size()));
        put16(out, static_cast<uint32_t>(e.name.size()));
        put16(out, static_cast<uint32_t>(localExtra.size()));
        out += e.name;
        out += localExtra;
        out += e.data;
    }
    const uint64_t cdOffset = out.size();
    for (size_t i = 0; i < entries.size(); ++i) {
        const Built &e = entries[i];
        const uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef *>(e.data.data()), static_cast<uInt>(e.data.size())));
        const uint64_t offset = e.offsetOverride >= 0 ? static_cast<uint64_t>(e.offsetOverride) : offsets[i];
        put32(cd, 0x02014b50);
        put16(cd, 20);
        put16(cd, e.sizesAllOnes || e.offsetAllOnes ? 45 : 20);
        put16(cd, 0);
        put16(cd, 0);
        put16(cd, 0);
        put16(cd, 0x21);
        put32(cd, crc);
        put32(cd, e.sizesAllOnes ? 0xFFFFFFFFu : static_cast<uint32_t>(e.data.size()));
        put32(cd, e.sizesAllOnes ? 0xFFFFFFFFu : static_cast<uint32_t>(e.data.size()));
        put16(cd, static_cast<uint32_t>(e.name.size()));
        put16(cd, static_cast<uint32_t>(e.centralExtra.size()));
        put16(cd, 0);
        put16(cd, 0);
        put16(cd, 0);
        put32(cd, 0);
        put32(cd, e.offsetAllOnes ? 0xFFFFFFFFu : static_cast<uint32_t>(offset + base));
        cd += e.name;
        cd += e.centralExtra;
    }
    out += cd;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<uint32_t>(entries.size()));
    put16(out, static_cast<uint32_t>(entries.size()));
    put32(out, static_cast<uint32_t>(cd.size()));
    put32(out, static_cast<uint32_t>(cdOffset + base));
    put16(out, declaredCommentLength == 0xFFFF ? static_cast<uint32_t>(comment.size()) : declaredCommentLength);
    out += comment;
    return out;
}

class ZipReadingRules : public EngineTest {
protected:
    fs::path zip(const std::string &name, const std::string &bytes)
    {
        fs::path p = dir / name;
        writeFile(p, bytes);
        return p;
    }

    // Lists and extracts the archive; the names and contents found.
    std::vector<std::pair<std::string, std::string>> contents(const fs::path &a)
    {
        std::vector<std::pair<std::string, std::string>> found;
        fs::path out = dir / ("out-" + a.filename().string());
        const int32_t written = extractMatching(a.string(), "", out.string(), 1);
        for (const std::string &n : namesIn(a))
            found.emplace_back(n, readFile(out / n));
        EXPECT_EQ(written, static_cast<int32_t>(found.size()));
        return found;
    }
};

using Contents = std::vector<std::pair<std::string, std::string>>;

} // namespace

TEST_F(ZipReadingRules, CommentHoldingTheEndSignatureStillOpensTheRealArchive)
{
    // The comment looks like an end record announcing a directory that is
    // not there; a reader taking the last signature would fail.
    std::string fake;
    put32(fake, 0x06054b50);
    put16(fake, 0);
    put16(fake, 0);
    put16(fake, 3);
    put16(fake, 3);
    put32(fake, 500);
    put32(fake, 7);
    put16(fake, 0);
    fs::path a = zip("comment.zip", buildZip({{"a.txt", "alpha"}, {"b.txt", "beta"}}, "note: " + fake + " end"));
    EXPECT_EQ(entryCount(a.string()), 2);
    EXPECT_EQ(contents(a), (Contents{{"a.txt", "alpha"}, {"b.txt", "beta"}}));
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), 0);
}

TEST_F(ZipReadingRules, JunkAfterTheArchiveIsIgnored)
{
    std::string junk = "trailing bytes PK\x05\x06 and more";
    fs::path a = zip("junk.zip", buildZip({{"a.txt", "alpha"}}) + junk + std::string(300, 'j'));
    EXPECT_EQ(contents(a), (Contents{{"a.txt", "alpha"}}));
    // A comment length that claims less than what follows is junk too.
    fs::path b = zip("short.zip", buildZip({{"b.txt", "beta"}}, "comment and more", 0, 7));
    EXPECT_EQ(contents(b), (Contents{{"b.txt", "beta"}}));
}

TEST_F(ZipReadingRules, OfTwoConsistentRecordsTheOneNearerTheEndWins)
{
    const std::string inner = buildZip({{"inner.txt", "inside"}});
    fs::path a = zip("nested.zip", buildZip({{"outer.txt", "outside"}}, inner));
    EXPECT_EQ(namesIn(a), std::vector<std::string>{"inner.txt"});
    EXPECT_EQ(contents(a), (Contents{{"inner.txt", "inside"}}));
}

TEST_F(ZipReadingRules, DataBeforeTheArchiveWithOffsetsAdjustedOrNot)
{
    const std::string stub = "MZ" + std::string(998, 's');
    fs::path plain = zip("plain.exe", stub + buildZip({{"a.txt", "alpha"}, {"b.txt", "beta"}}));
    fs::path adjusted = zip("adjusted.exe", stub + buildZip({{"a.txt", "alpha"}, {"b.txt", "beta"}}, "", stub.size()));
    EXPECT_EQ(contents(plain), (Contents{{"a.txt", "alpha"}, {"b.txt", "beta"}}));
    EXPECT_EQ(contents(adjusted), (Contents{{"a.txt", "alpha"}, {"b.txt", "beta"}}));
}

TEST_F(ZipReadingRules, Zip64ExtraFieldsAreReadFieldByField)
{
    // Sizes in the extra field because the header says all ones; the offset
    // stays in the header.
    Built sizesOnly{"sizes.txt", "sizes only"};
    sizesOnly.sizesAllOnes = true;
    sizesOnly.centralExtra = zip64Extra({10, 10});
    // Sizes repeated in the extra field although the header holds them (as
    // some writers do): the extra's values belong to no field and the
    // offset must not be taken from them.
    Built repeated{"repeated.txt", "header sizes"};
    repeated.centralExtra = zip64Extra({12, 12});
    // Only the offset in the extra field.
    Built offsetOnly{"offset.txt", "offset only"};
    offsetOnly.offsetAllOnes = true;
    std::vector<Built> entries = {{"first.txt", "first"}, sizesOnly, repeated, offsetOnly};
    // The offset-only entry's local header: computed from the layout.
    uint64_t at = 0;
    for (size_t i = 0; i + 1 < entries.size(); ++i)
        at += 30 + entries[i].name.size() + entries[i].data.size() + (entries[i].sizesAllOnes ? 20 : 0);
    entries.back().centralExtra = zip64Extra({at});
    fs::path a = zip("zip64.zip", buildZip(entries));
    EXPECT_EQ(contents(a), (Contents{{"first.txt", "first"},
                                     {"sizes.txt", "sizes only"},
                                     {"repeated.txt", "header sizes"},
                                     {"offset.txt", "offset only"}}));
    std::vector<EntryInfo> infos;
    ASSERT_EQ(listEntries(a.string(), infos), 4);
    EXPECT_EQ(infos[1].uncompressedSize, 10u);
    EXPECT_EQ(infos[1].compressedSize, 10u);
    EXPECT_EQ(infos[2].uncompressedSize, 12u);
}

TEST_F(ZipReadingRules, EntriesSharingTheirDataAreRefused)
{
    // Two central records pointing at the same local header: the shape of
    // archives made to expand one stream many times over.
    Built second{"b.txt", "alpha"};
    second.offsetOverride = 0;
    fs::path a = zip("overlap.zip", buildZip({{"a.txt", "alpha"}, second}));
    EXPECT_EQ(openArchiveForReading(a.string()), 0);
    EXPECT_EQ(entryCount(a.string()), -1);
    EXPECT_EQ(extractMatching(a.string(), "", (dir / "out").string(), 1), 0);
    EXPECT_FALSE(fs::exists(dir / "out"));
    VerifyResult v;
    EXPECT_EQ(verifyArchive(a.string(), v), -1);
    // Data reaching into the central directory is refused too.
    std::string bytes = buildZip({{"a.txt", "alpha"}, {"b.txt", "beta"}});
    EXPECT_EQ(entryCount(zip("ok.zip", bytes).string()), 2);
    const size_t central = bytes.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(central, std::string::npos);
    std::string size;
    put32(size, 5000);
    bytes.replace(central + 20, 4, size);
    EXPECT_EQ(entryCount(zip("long.zip", bytes).string()), -1);
}

TEST_F(ZipReadingRules, EntryInflatingPastItsDeclaredSizeFailsAndLeavesNothing)
{
    // A Deflate entry of 4 MB of zeros whose headers declare 1000 bytes.
    const std::string zeros(4 << 20, '\0');
    fs::path src = file("zeros.bin", zeros);
    fs::path a = archiveOf("bomb.zip", {src});
    std::string bytes = readFile(a);
    for (size_t at = 0; (at = bytes.find("PK", at)) != std::string::npos; at += 2) {
        size_t sizeAt = 0;
        if (bytes.compare(at, 4, std::string("PK\x03\x04", 4)) == 0)
            sizeAt = at + 22;
        else if (bytes.compare(at, 4, std::string("PK\x01\x02", 4)) == 0)
            sizeAt = at + 24;
        if (sizeAt) {
            std::string v;
            put32(v, 1000);
            bytes.replace(sizeAt, 4, v);
        }
    }
    writeFile(a, bytes);
    std::vector<EntryInfo> infos;
    ASSERT_EQ(listEntries(a.string(), infos), 1);
    ASSERT_EQ(infos[0].uncompressedSize, 1000u);
    uint64_t reported = 0;
    setProgressCallback([&](const std::string &n, float) {
        if (!n.empty())
            ++reported;
        return 0;
    });
    EXPECT_EQ(extractEntryAt(a.string(), 0, (dir / "out").string(), 1), 0);
    EXPECT_FALSE(fs::exists(dir / "out" / "zeros.bin"));
    EXPECT_EQ(reported, 0u);
    VerifyResult v;
    EXPECT_NE(verifyArchive(a.string(), v), 0);
    EXPECT_EQ(v.entriesFailed, 1);
}

TEST_F(ZipReadingRules, ExtractionThatCannotFitIsRefusedBeforeItStarts)
{
    const uint64_t huge = 1ull << 60;
    Built liar{"huge.bin", "tiny data!"};
    liar.sizesAllOnes = true;
    liar.centralExtra = zip64Extra({huge, 10});
    fs::path a = zip("huge.zip", buildZip({{"small.txt", "small"}, liar}));
    SpaceCheck space;
    EXPECT_EQ(checkExtractionSpace(a.string(), "", (dir / "out" / "deeper").string(), space), kErrNoSpace);
    EXPECT_EQ(space.needed, huge + 5);
    EXPECT_GT(space.available, 0u);
    EXPECT_EQ(lastError().code, kErrNoSpace);
    EXPECT_EQ(lastError().sysErrno, ENOSPC);
    EXPECT_NE(lastError().text.find(std::to_string(huge + 5) + " bytes needed"), std::string::npos) << lastError().text;
    EXPECT_EQ(extractMatching(a.string(), "", (dir / "out").string(), 1), 0);
    EXPECT_FALSE(fs::exists(dir / "out"));
    // Only what the pattern selects counts.
    EXPECT_EQ(checkExtractionSpace(a.string(), "*.txt", (dir / "out").string(), space), 0);
    EXPECT_EQ(space.needed, 5u);
    EXPECT_EQ(extractMatching(a.string(), "*.txt", (dir / "out").string(), 0), 1);
    EXPECT_EQ(readFile(dir / "out" / "small.txt"), "small");
}

TEST_F(ZipReadingRules, RefusedArchiveLeavesItsReasonInTheLastError)
{
    Built second{"b.txt", "alpha"};
    second.offsetOverride = 0;
    fs::path a = zip("overlap.zip", buildZip({{"a.txt", "alpha"}, second}));
    EXPECT_EQ(entryCount(a.string()), -1);
    EXPECT_EQ(lastError().code, kErrOverlap);
    initEngine();
    EXPECT_EQ(lastError().code, 0);
    EXPECT_TRUE(lastError().text.empty());
}

} // namespace zarvon::engine::testing
