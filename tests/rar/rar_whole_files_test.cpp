// A RAR extraction killed part-way through a large entry leaves neither a
// partial file under its name nor a temporary, and keeps the file it would
// have replaced.
#include "rar/rar_test_support.h"

#include "support/killed_child.h"

#include <csignal>

namespace zarvon::rar::testing {
namespace {

using RarWholeFiles = RarTest;

TEST_F(RarWholeFiles, AKillAnywhereInALargeEntryLeavesNothingAndKeepsTheOldFile)
{
    ZARVON_NEED_RAR();
    const std::string big = randomBytes(6000000, 4);
    source("big.bin", big);
    const fs::path archive = makeRar("big.rar", "-m0", "big.bin");
    int calls = 0;
    ASSERT_EQ(extract(archive, "", {}, [&](const std::string &, uint64_t, uint64_t) { return ++calls > 0; }).status,
              RarStatus::Ok);
    ASSERT_GE(calls, 3);
    fs::remove_all(out);

    for (int at : {1, (calls + 1) / 2, calls}) {
        for (bool over : {false, true}) {
            fs::remove_all(out);
            if (over)
                writeFile(out / "big.bin", "the old file");
            ASSERT_TRUE(zarvon::testing::diedKilled([&] {
                int seen = 0;
                extract(archive, "", {}, [&](const std::string &, uint64_t, uint64_t) {
                    if (++seen == at)
                        ::raise(SIGKILL);
                    return true;
                });
            }));
            EXPECT_EQ(treeOf(out), over ? std::vector<std::string>{"big.bin"} : std::vector<std::string>{})
                << "killed at call " << at << " of " << calls;
            if (over)
                EXPECT_EQ(readFile(out / "big.bin"), "the old file");
        }
    }
}

} // namespace
} // namespace zarvon::rar::testing
