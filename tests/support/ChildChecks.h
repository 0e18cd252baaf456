#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

// Runs body in a forked child and expects it to pass; gtest prints the child's failures as they
// happen. What body changes of its process (a limit, the user it runs as) stays in the child.
inline void ExpectInChild(const std::function<void()>& body)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    ASSERT_NE(-1, pid);
    if (pid == 0) {
        body();
        std::fflush(stdout);
        _exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child's checks failed (above)";
}

// Root reads and writes anything: a check of what a file's mode forbids takes the rights of an
// ordinary user (nobody) first, in a child. False where they cannot be taken.
inline bool TakeAnOrdinaryUsersRights()
{
    return geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
}
