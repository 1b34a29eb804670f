// Extracted files appear only whole: a run killed part-way through an entry,
// or an entry whose data fails its check, leaves neither a partial file under
// the entry's name nor a temporary beside it, and never costs the file the
// entry would have replaced.
#include "engine/engine_test_support.h"

#include "base/whole_file.h"
#include "support/killed_child.h"

#include <csignal>

namespace zarvon::engine::testing {
namespace {

using ZipWholeFiles = EngineTest;

// Extracts `archive` into `out` in a child process that kills itself at the
// `at`th progress call; true when it died so.
bool killedDuringExtraction(const fs::path &archive, const fs::path &out, int at, bool unnamedFiles = true)
{
    return zarvon::testing::diedKilled([&] {
        base::setUnnamedFilesAllowed(unnamedFiles);
        int calls = 0;
        setProgressCallback([&](const std::string &, float) -> int32_t {
            if (++calls == at)
                ::raise(SIGKILL);
            return 0;
        });
        extractMatching(archive.string(), "", out.string(), 1);
    });
}

std::vector<std::string> everythingIn(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(ZipWholeFiles, AKillAnywhereInALargeEntryLeavesNothingAndKeepsTheOldFile)
{
    // About 20 blocks of data: killed at the first, in the middle and at the
    // last one, just before the entry's checks end it.
    const std::string big = randomBytes(2000000);
    const fs::path archive = archiveOf("big.zip", {file("big.bin", big)}, 0);
    for (int at : {1, 10, 20}) {
        const fs::path fresh = dir / ("fresh" + std::to_string(at));
        fs::create_directories(fresh);
        ASSERT_TRUE(killedDuringExtraction(archive, fresh, at));
        EXPECT_TRUE(everythingIn(fresh).empty()) << "killed at call " << at;

        const fs::path over = dir / ("over" + std::to_string(at));
        writeFile(over / "big.bin", "the old file");
        ASSERT_TRUE(killedDuringExtraction(archive, over, at));
        EXPECT_EQ(everythingIn(over), std::vector<std::string>{"big.bin"}) << "killed at call " << at;
        EXPECT_EQ(readFile(over / "big.bin"), "the old file");
    }
    // Past the last block the file is whole under its name, the old one gone.
    const fs::path done = dir / "done";
    writeFile(done / "big.bin", "the old file");
    ASSERT_TRUE(killedDuringExtraction(archive, done, 21));
    EXPECT_EQ(everythingIn(done), std::vector<std::string>{"big.bin"});
    EXPECT_EQ(readFile(done / "big.bin"), big);
}

TEST_F(ZipWholeFiles, WithoutUnnamedFilesTheNextRunRemovesWhatAKillLeft)
{
    const fs::path records = dir / "runtime";
    fs::create_directories(records);
    ::setenv("XDG_RUNTIME_DIR", records.c_str(), 1);
    const fs::path archive = archiveOf("big.zip", {file("big.bin", randomBytes(2000000))}, 0);
    const fs::path out = dir / "out";
    fs::create_directories(out / "keep");
    writeFile(out / ".other.zarvon-notours", "a file of the user's");
    ASSERT_TRUE(killedDuringExtraction(archive, out, 10, false));
    const std::vector<std::string> left = everythingIn(out);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0].rfind(".big.bin.zarvon-", 0), 0u) << left[0];

    EXPECT_EQ(base::removeInterruptedTemporaries(records.string()), 1);
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(everythingIn(out), (std::vector<std::string>{".other.zarvon-notours", "keep"}));
    EXPECT_TRUE(everythingIn(records).empty()) << "the record goes with what it named";
}

TEST_F(ZipWholeFiles, AFailedCheckLeavesNothingUnderTheNameEitherWay)
{
    const std::string data = sampleText(300000, 3);
    const fs::path archive = archiveOf("damaged.zip", {file("doc.txt", data)}, 0);
    ASSERT_TRUE(corruptAt(archive, data.substr(150000, 64)));
    for (bool unnamed : {true, false}) {
        base::setUnnamedFilesAllowed(unnamed);
        const fs::path out = dir / (unnamed ? "unnamed" : "named");
        writeFile(out / "doc.txt", "kept");
        EXPECT_EQ(extractMatching(archive.string(), "", out.string(), 1), 0);
        EXPECT_EQ(everythingIn(out), std::vector<std::string>{"doc.txt"});
        EXPECT_EQ(readFile(out / "doc.txt"), "kept");
    }
    base::setUnnamedFilesAllowed(true);
}

} // namespace
} // namespace zarvon::engine::testing
