#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace kalvora::testing {

// Part of a test run in a process of its own: the test program starts again,
// running only the current test, with the child's role in its environment.
// The test's fixture asks childRole() in SetUp, before it makes anything (a
// child ends without tearing down): in a child it does that role's work and
// ends with finishChild(output); otherwise the test is the parent, starts
// children with runChild and checks what they sent back. Every child is a fresh
// process (no thread pool yet, its own limits and peak memory), and one that
// does not end within its time limit is killed, so a hang fails the test
// instead of stopping the run.
struct ChildOutcome {
    bool endedInTime = false;
    bool exitedCleanly = false;  // ended with exit code 0
    std::string output;
};

inline constexpr const char* kChildRoleVariable = "KALVORA_TEST_CHILD_ROLE";
inline constexpr const char* kChildOutputVariable = "KALVORA_TEST_CHILD_OUTPUT";

// The role this process was started with; nullptr in the parent.
inline const char* childRole() { return std::getenv(kChildRoleVariable); }

// Sends the output to the parent and ends the child at once.
[[noreturn]] inline void finishChild(const std::string& output)
{
    const char* fdText = std::getenv(kChildOutputVariable);
    const int fd = fdText ? std::atoi(fdText) : -1;
    size_t done = 0;
    while (fd >= 0 && done < output.size()) {
        const ssize_t n = ::write(fd, output.data() + done, output.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::_exit(done == output.size() ? 0 : 1);
}

namespace detail {

// The environment of a child: this one's, with its role and output descriptor.
inline std::vector<std::string> childEnvironment(const std::string& role, int outputFd)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (entry.rfind(kChildRoleVariable, 0) != 0 && entry.rfind(kChildOutputVariable, 0) != 0)
            env.push_back(entry);
    }
    env.push_back(std::string(kChildRoleVariable) + "=" + role);
    env.push_back(std::string(kChildOutputVariable) + "=" + std::to_string(outputFd));
    return env;
}

inline std::vector<char*> pointersTo(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& t : texts) pointers.push_back(t.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Reads the pipe until the child closes it (by ending) or the deadline passes.
inline bool readUntilClosed(int fd, std::chrono::steady_clock::time_point deadline, std::string& output)
{
    char buffer[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
        output.append(buffer, static_cast<size_t>(n));
    }
}

}  // namespace detail

// Starts the current test again as a child with the role, and waits at most
// limit for it to end.
inline ChildOutcome runChild(const std::string& role, std::chrono::milliseconds limit)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::vector<std::string> args = {"/proc/self/exe",
                                     std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()};
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return {};
    std::vector<std::string> env = detail::childEnvironment(role, fds[1]);
    std::vector<char*> argv = detail::pointersTo(args);
    std::vector<char*> envp = detail::pointersTo(env);
    const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);

    const auto deadline = std::chrono::steady_clock::now() + limit;
    const pid_t pid = ::fork();
    if (pid == 0) {
        // The child's own test report would only clutter the parent's.
        if (quiet >= 0) ::dup2(quiet, STDOUT_FILENO);
        ::fcntl(fds[1], F_SETFD, 0);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (quiet >= 0) ::close(quiet);
    ChildOutcome outcome;
    if (pid < 0) {
        ::close(fds[0]);
        return outcome;
    }
    outcome.endedInTime = detail::readUntilClosed(fds[0], deadline, outcome.output);
    ::close(fds[0]);
    if (!outcome.endedInTime) ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.exitedCleanly = outcome.endedInTime && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return outcome;
}

}  // namespace kalvora::testing
