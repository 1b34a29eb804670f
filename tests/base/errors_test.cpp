#include "base/errors.h"

#include <cerrno>

#include <gtest/gtest.h>

namespace zarvon::base {
namespace {

TEST(SystemErrorText, NamesTheCause)
{
    EXPECT_EQ(systemErrorText(ENOSPC), "No space left on device");
    EXPECT_EQ(systemErrorText(ENOENT), "No such file or directory");
    EXPECT_EQ(systemErrorText(0), "");
    EXPECT_NE(systemErrorText(987654).find("987654"), std::string::npos);
}

TEST(SystemErrorText, LeavesErrnoAlone)
{
    errno = EACCES;
    (void)systemErrorText(-1);
    (void)systemErrorText(ENOSPC);
    EXPECT_EQ(errno, EACCES);
}

TEST(SystemError, CarriesCodeAndErrno)
{
    errno = ENOSPC;
    SystemError error = SystemError::fromErrno(-3);
    EXPECT_TRUE(error.failed());
    EXPECT_EQ(error.code, -3);
    EXPECT_EQ(error.sysErrno, ENOSPC);
    EXPECT_EQ(error.text(), "No space left on device");
    SystemError ownFinding{-7, 0};
    EXPECT_EQ(ownFinding.text(), "");
    EXPECT_FALSE(SystemError{}.failed());
}

TEST(ErrnoKeeper, PutsTheFirstCauseBack)
{
    errno = ENOSPC;
    {
        ErrnoKeeper keeper;
        errno = EBADF; // a clean-up that failed too
        EXPECT_EQ(keeper.saved(), ENOSPC);
    }
    EXPECT_EQ(errno, ENOSPC);
}

} // namespace
} // namespace zarvon::base
