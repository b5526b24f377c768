#include "core/shell_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <thread>

#include "core/log.h"
#include "core/owned_resources.h"
#include "core/stop_request.h"

extern char** environ;

// glibc 2.34 and later close the host process's other descriptors in the child themselves;
// elsewhere every descriptor the service opens is close-on-exec.
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
#define ORB_SPAWN_CLOSEFROM 1
#endif

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const char* const kTag = "SHELL";

// How often a running command's deadline and stop request are looked at.
constexpr milliseconds kSlice{100};
// A killed process normally vanishes at once; one stuck in the kernel is reaped later. A stop
// waits only a moment for it: the stop must not be held up by a child the kernel holds.
constexpr milliseconds kReapWait{1000};
constexpr milliseconds kReapWaitAtStop{20};
constexpr size_t kReadSize = 64 * 1024;

// The process groups of the commands running now, and children that did not vanish after
// SIGKILL (reaped by later commands). Plain storage that needs no destructor, since a thread
// may still run a command while the process exits.
std::mutex childrenMutex;
pid_t runningGroups[64];
size_t runningCount = 0;
pid_t abandoned[32];
size_t abandonedCount = 0;
std::once_flag exitHandlerInstalled;
std::atomic<bool> processExiting{false};

// A host process that exits while a thread still runs a command must not leave the tool
// running without it: the commands are killed and no new one starts.
void killRunningAtExit() {
    processExiting.store(true);
    std::lock_guard<std::mutex> lock(childrenMutex);
    for (size_t i = 0; i < runningCount; ++i) {
        kill(-runningGroups[i], SIGKILL);
    }
}

void addRunning(pid_t pid) {
    std::call_once(exitHandlerInstalled, [] { std::atexit(killRunningAtExit); });
    std::lock_guard<std::mutex> lock(childrenMutex);
    if (runningCount < std::size(runningGroups)) {
        runningGroups[runningCount++] = pid;
    }
}

void removeRunning(pid_t pid) {
    std::lock_guard<std::mutex> lock(childrenMutex);
    auto end = std::remove(runningGroups, runningGroups + runningCount, pid);
    runningCount = static_cast<size_t>(end - runningGroups);
}

void abandon(pid_t pid) {
    std::lock_guard<std::mutex> lock(childrenMutex);
    if (abandonedCount < std::size(abandoned)) {
        abandoned[abandonedCount++] = pid;
    }
}

void reapAbandoned() {
    std::lock_guard<std::mutex> lock(childrenMutex);
    size_t kept = 0;
    for (size_t i = 0; i < abandonedCount; ++i) {
        if (waitpid(abandoned[i], nullptr, WNOHANG) == 0) {
            abandoned[kept++] = abandoned[i];
        }
    }
    abandonedCount = kept;
}

struct SpawnSettings {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSettings() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSettings() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
};

// Starts "/bin/sh -c LINE" as the leader of a new process group. outputFd, when not -1,
// becomes its standard output. Returns the process id, or -1 with error set.
pid_t spawnShell(const std::string& commandLine, int outputFd, int& error) {
    SpawnSettings settings;
    posix_spawn_file_actions_addopen(&settings.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&settings.actions, outputFd, STDOUT_FILENO);
    }
#ifdef ORB_SPAWN_CLOSEFROM
    posix_spawn_file_actions_addclosefrom_np(&settings.actions, STDERR_FILENO + 1);
#endif
    // The host process may block or ignore signals (a host that waits for SIGTERM blocks it
    // in every thread); the tools start with the defaults.
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&settings.attributes, &none);
    posix_spawnattr_setsigdefault(&settings.attributes, &all);
    posix_spawnattr_setpgroup(&settings.attributes, 0);
    posix_spawnattr_setflags(&settings.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                       POSIX_SPAWN_SETSIGDEF);

    std::string line = commandLine;
    char shell[] = "sh";
    char option[] = "-c";
    char* argv[] = {shell, option, &line[0], nullptr};
    pid_t pid = -1;
    error = posix_spawn(&pid, "/bin/sh", &settings.actions, &settings.attributes, argv, environ);
    return error == 0 ? pid : -1;
}

// True once the shell has ended. It is left unreaped, so that its process group id cannot be
// given to another process before the group is killed. lost is set when the child was reaped
// elsewhere (a host process that ignores SIGCHLD).
bool hasEnded(pid_t pid, bool& lost) {
    for (;;) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
            return info.si_pid == pid;
        }
        if (errno != EINTR) {
            lost = true;
            return true;
        }
    }
}

// Reads what is there; false at the end of the output.
bool drain(int fd, std::string& collected) {
    char buffer[kReadSize];
    for (;;) {
        ssize_t count = read(fd, buffer, sizeof(buffer));
        if (count > 0) {
            collected.append(buffer, static_cast<size_t>(count));
            if (collected.size() > ORB_SHELL_OUTPUT_LIMIT) {
                return true;
            }
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        return count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

// Reaps a killed child, waiting at most wait for it.
void reapKilled(pid_t pid, const std::string& commandLine, milliseconds wait) {
    const auto limit = Clock::now() + wait;
    for (;;) {
        pid_t reaped = waitpid(pid, nullptr, WNOHANG);
        if (reaped == pid || (reaped < 0 && errno != EINTR)) {
            return;
        }
        if (Clock::now() >= limit) {
            ORB_LOG_WARNING(kTag, "[%s] has not ended after SIGKILL; it is reaped later.",
                            commandLine.c_str());
            abandon(pid);
            return;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
}

int exitStatusOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) {
        return WEXITSTATUS(waitStatus);
    }
    // Ended by a signal: report it the way the shell does.
    if (WIFSIGNALED(waitStatus)) {
        return 128 + WTERMSIG(waitStatus);
    }
    return ORB_SHELL_NOT_STARTED;
}

enum class Ending { Finished, Deadline, Stopped, TooMuchOutput };

// Runs the command to its end, its deadline or a stop request. collected is null when the
// command's output goes to the host process's standard output.
int runShell(const std::string& commandLine, std::string* collected, milliseconds deadline) {
    reapAbandoned();
    if (orbStopRequested() || processExiting.load()) {
        ORB_LOG_WARNING(kTag, "[%s] not started: stop requested.", commandLine.c_str());
        return ORB_SHELL_CUT_SHORT;
    }
    orbFileDescriptor readEnd;
    orbFileDescriptor writeEnd;
    if (collected != nullptr) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) {
            int error = errno;
            ORB_LOG_ERROR(kTag, "Unable to start [%s]: %s", commandLine.c_str(),
                          std::strerror(error));
            errno = error;
            return ORB_SHELL_NOT_STARTED;
        }
        readEnd.reset(ends[0]);
        writeEnd.reset(ends[1]);
        fcntl(readEnd.get(), F_SETFL, fcntl(readEnd.get(), F_GETFL) | O_NONBLOCK);
    }
    int error = 0;
    const pid_t pid = spawnShell(commandLine, writeEnd.get(), error);
    writeEnd.reset();
    if (pid < 0) {
        ORB_LOG_ERROR(kTag, "Unable to start [%s]: %s", commandLine.c_str(), std::strerror(error));
        errno = error;
        return ORB_SHELL_NOT_STARTED;
    }

    // Killed at process exit while listed; taken off the list before it is reaped, since a
    // reaped child's id may go to another process.
    addRunning(pid);
    struct Unlisted {
        pid_t pid;
        ~Unlisted() { removeRunning(pid); }
    } unlisted{pid};

    const auto limit = Clock::now() + deadline;
    Ending ending = Ending::Finished;
    bool ended = false;
    bool lost = false;
    milliseconds idle{1};
    for (;;) {
        if (!ended && hasEnded(pid, lost)) {
            ended = true;
            // Jobs the command left in the background would hold its output open.
            if (!lost) {
                kill(-pid, SIGKILL);
            }
        }
        if (ended && !readEnd.isOpen()) {
            break;
        }
        const auto now = Clock::now();
        if (now >= limit) {
            ending = Ending::Deadline;
            break;
        }
        if (orbStopRequested() || processExiting.load()) {
            ending = Ending::Stopped;
            break;
        }
        const milliseconds left =
            std::chrono::duration_cast<milliseconds>(limit - now) + milliseconds(1);
        if (readEnd.isOpen()) {
            pollfd ready{readEnd.get(), POLLIN, 0};
            if (poll(&ready, 1, static_cast<int>(std::min(kSlice, left).count())) > 0) {
                if (!drain(readEnd.get(), *collected)) {
                    readEnd.reset();
                }
                if (collected->size() > ORB_SHELL_OUTPUT_LIMIT) {
                    ending = Ending::TooMuchOutput;
                    break;
                }
            }
        } else {
            std::this_thread::sleep_for(std::min(idle, left));
            idle = std::min(idle * 2, milliseconds(50));
        }
    }
    readEnd.reset();

    removeRunning(pid);
    if (ending != Ending::Finished) {
        kill(-pid, SIGKILL);
        reapKilled(pid, commandLine, ending == Ending::Stopped ? kReapWaitAtStop : kReapWait);
        if (collected != nullptr) {
            collected->clear();
        }
        if (ending == Ending::Deadline) {
            ORB_LOG_ERROR(kTag, "[%s] did not finish within %.1f s; its process group was killed.",
                          commandLine.c_str(), static_cast<double>(deadline.count()) / 1000.0);
        } else if (ending == Ending::Stopped) {
            ORB_LOG_WARNING(kTag,
                            "[%s] was cut short by a stop request; its process group was killed.",
                            commandLine.c_str());
        } else {
            ORB_LOG_ERROR(kTag, "[%s] printed more than %zu bytes; its process group was killed.",
                          commandLine.c_str(), ORB_SHELL_OUTPUT_LIMIT);
        }
        return ORB_SHELL_CUT_SHORT;
    }
    if (lost) {
        ORB_LOG_WARNING(kTag, "The exit status of [%s] was lost: the child was reaped elsewhere.",
                        commandLine.c_str());
        return ORB_SHELL_NOT_STARTED;
    }
    int waitStatus = 0;
    while (waitpid(pid, &waitStatus, 0) < 0) {
        if (errno != EINTR) {
            return ORB_SHELL_NOT_STARTED;
        }
    }
    return exitStatusOf(waitStatus);
}

// Cuts output into pieces the way a line reader with a buffer of chunkSize would.
void splitIntoPieces(const std::string& text, size_t chunkSize, std::vector<std::string>& output) {
    const size_t most = std::max<size_t>(chunkSize, 2) - 1;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        end = std::min(end, start + most);
        output.emplace_back(text, start, end - start);
        start = end;
    }
}

}  // namespace

std::string orbShellQuote(const std::string& text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted.push_back('\'');
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted.push_back(c);
        }
    }
    quoted.push_back('\'');
    return quoted;
}

int orbRunShellCommand(const std::string& commandLine, std::vector<std::string>& output,
                       size_t chunkSize, std::chrono::milliseconds deadline) {
    std::string collected;
    int result = runShell(commandLine, &collected, deadline);
    splitIntoPieces(collected, chunkSize, output);
    return result;
}

int orbRunShellCommand(const std::string& commandLine, std::chrono::milliseconds deadline) {
    return runShell(commandLine, nullptr, deadline);
}

std::string orbShellResultText(int result) {
    if (result == ORB_SHELL_NOT_STARTED) {
        return "not started";
    }
    if (result == ORB_SHELL_CUT_SHORT) {
        return "cut short";
    }
    return "exit status " + std::to_string(result);
}
