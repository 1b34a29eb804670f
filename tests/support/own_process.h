// Runs the current test again, alone, in a fresh process of its own. For the
// tests of what a library reads from the environment once per process and
// keeps (GIO's home and data folders): each such test then sees the HOME and
// XDG_DATA_HOME it sets, whatever ran before it in the same test program.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char **environ;

namespace zarvon::testing {

// In the parent: runs the test in a child process, records its failure as
// this test's, and returns true (the parent's body then ends). In the child:
// returns false, and the body goes on there.
inline bool ranInOwnProcess()
{
    constexpr const char *kMark = "ZARVON_TEST_OWN_PROCESS";
    if (const char *mark = std::getenv(kMark); mark && *mark)
        return false;
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    // Everything the child needs is made before fork: a child of a threaded
    // process may only call exec.
    std::vector<std::string> variables{std::string(kMark) + "=1"};
    for (char **v = environ; *v; ++v)
        variables.emplace_back(*v);
    std::vector<char *> envp;
    for (auto &v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe";
    std::vector<char *> argv{self.data(), const_cast<char *>(filter.c_str()), nullptr};
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    int status = -1;
    if (child < 0 || ::waitpid(child, &status, 0) != child) {
        ADD_FAILURE() << "the test could not be run in a process of its own";
        return true;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the test failed in its own process (its output is above)";
    return true;
}

} // namespace zarvon::testing
