// The desktop opener: a child process started with posix_spawnp and an
// argument vector, so no character of the target is ever interpreted by a
// shell. The opener's exit status is mapped onto the codes the control's
// message table knows. The child gets standard input from /dev/null and
// none of the host's other descriptors, whether or not whoever opened them
// asked for close-on-exec: the program it starts is not the host's to trust
// with its files and sockets.
#include "korvane/toolkit/desktop_opener.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace korvane::tk {

namespace {

constexpr std::intptr_t kStarted = 42;
constexpr std::intptr_t kFileNotFound = 2;
constexpr std::intptr_t kAccessDenied = 5;
constexpr std::intptr_t kNoAssociation = 31;
constexpr std::intptr_t kGenericFailure = 0;

// xdg-open's documented exit codes: 1 bad arguments, 2 a file does not
// exist, 3 a required tool is missing, 4 the action failed.
std::intptr_t FromExitStatus(int status) {
    if (!WIFEXITED(status))
        return kGenericFailure;
    switch (WEXITSTATUS(status)) {
        case 0:
            return kStarted;
        case 2:
            return kFileNotFound;
        case 3:
            return kNoAssociation;
        default:
            return kGenericFailure;
    }
}

}  // namespace

std::intptr_t OpenWithDesktop(std::string_view target, const std::string& opener, int waitMs) {
    if (target.empty() || target.find('\0') != std::string_view::npos)
        return kFileNotFound;
    std::string argument(target);
    if (argument.front() == '-')
        argument.insert(0, "./");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    std::vector<char*> argv{const_cast<char*>(opener.c_str()), argument.data(), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, opener.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned == ENOENT)
        return kNoAssociation;
    if (spawned == EACCES || spawned == EPERM)
        return kAccessDenied;
    if (spawned != 0)
        return kGenericFailure;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return FromExitStatus(status);
        if (done < 0 && errno != EINTR)
            return kGenericFailure;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // The opener is still busy (some wait for the program they started):
    // it has started, and is reaped whenever it ends.
    std::thread([child] {
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return kStarted;
}

}  // namespace korvane::tk
