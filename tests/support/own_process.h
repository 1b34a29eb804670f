// Runs the current test again, alone, in a fresh process: for what a library
// reads from the environment once per process and keeps (GIO's home and data
// folders), so that each such test sees the HOME and XDG_DATA_HOME it sets.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char **environ;

namespace zarvon::testing {

// Parent: runs the test in a child, takes its failure as this test's, and
// returns true (the body then ends). Child: returns false, the body goes on.
inline bool ranInOwnProcess()
{
    if (const char *mark = std::getenv("ZARVON_TEST_OWN_PROCESS"); mark && *mark)
        return false;
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    // Made before fork: a child of a threaded process may only call exec.
    std::vector<std::string> variables{"ZARVON_TEST_OWN_PROCESS=1"};
    for (char **v = environ; *v; ++v)
        variables.emplace_back(*v);
    std::vector<char *> envp;
    for (auto &v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe";
    char *argv[] = {self.data(), filter.data(), nullptr};
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execve(argv[0], argv, envp.data());
        ::_exit(127);
    }
    int status = -1;
    EXPECT_TRUE(child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the test failed in its own process (its output is above)";
    return true;
}

} // namespace zarvon::testing
