#include "report/message_pipes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "core/log.h"
#include "core/owned_resources.h"
#include "core/stop_request.h"

namespace {

const char* const kTag = "ORB_MSGINFRA";

// Waits are cut into slices so that a stop request ends them within one.
constexpr std::chrono::milliseconds kSlice{50};

using Clock = std::chrono::steady_clock;

int sliceUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
        return 0;
    }
    return static_cast<int>(std::min(left, kSlice).count());
}

bool isOwnPrivateFifo(const struct stat& info) {
    return S_ISFIFO(info.st_mode) && info.st_uid == geteuid() && (info.st_mode & 077) == 0;
}

// A write to a pipe whose reader has gone raises SIGPIPE, which would end the host process:
// it is blocked on this thread for the write, and one it raised is taken back.
class SigpipeHeld {
  public:
    SigpipeHeld() {
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        alreadyPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    }
    ~SigpipeHeld() {
        if (raised && !alreadyPending) {
            const timespec none{0, 0};
            sigtimedwait(&pipeSignal, nullptr, &none);
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    void noteRaised() { raised = true; }

  private:
    sigset_t pipeSignal;
    sigset_t previous;
    bool alreadyPending = false;
    bool raised = false;
};

}  // namespace

bool orbCreatePipe(const char* path) {
    struct stat info {};
    if (lstat(path, &info) == 0) {
        if (isOwnPrivateFifo(info)) {
            ORB_LOG_DEBUG(kTag, "Pipe %s exists and is used.", path);
            return true;
        }
        // Anyone who could place or open this path could feed requests to the RMC.
        ORB_LOG_WARNING(
            kTag, "%s is not a pipe of this service (mode %o, owner %u): it is replaced.", path,
            static_cast<unsigned>(info.st_mode), static_cast<unsigned>(info.st_uid));
        if (unlink(path) != 0) {
            ORB_LOG_ERROR(kTag, "Creation of Pipe %s failed: it cannot be removed (%s).", path,
                          std::strerror(errno));
            return false;
        }
    }
    if (mkfifo(path, 0600) != 0) {
        ORB_LOG_ERROR(kTag, "Creation of Pipe %s failed (%s).", path, std::strerror(errno));
        return false;
    }
    ORB_LOG_DEBUG(kTag, "Creation of Pipe %s is successfull.", path);
    return true;
}

bool orbOpenOwnPipe(const char* path, orbFileDescriptor& fd) {
    fd.reset(open(path, O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!fd.isOpen()) {
        ORB_LOG_ERROR(kTag, "Open of pipe %s failed (%s).", path, std::strerror(errno));
        return false;
    }
    // What was opened is checked, not the path: it may have been swapped since it was made.
    struct stat info {};
    if (fstat(fd.get(), &info) != 0 || !isOwnPrivateFifo(info)) {
        ORB_LOG_ERROR(kTag, "Open of pipe %s failed: it is no longer a pipe of this service.",
                      path);
        fd.reset();
        return false;
    }
    return true;
}

bool orbWritePipe(const char* path, const _ORB_MESSAGE_PACKET* packet,
                  std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    struct stat info {};
    if (lstat(path, &info) != 0 || !S_ISFIFO(info.st_mode)) {
        ORB_LOG_ERROR(kTag, "orbWritePipe: Open of %s failed while writing: not a pipe.", path);
        return false;
    }
    // Without blocking: a client that never opens its end must not hold the service.
    orbFileDescriptor fd;
    for (;;) {
        fd.reset(open(path, O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        if (fd.isOpen() || errno != ENXIO || orbStopRequested() || Clock::now() >= deadline) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(sliceUntil(deadline)));
    }
    if (!fd.isOpen()) {
        ORB_LOG_ERROR(kTag, "orbWritePipe: Open of %s failed while writing (%s).", path,
                      errno == ENXIO ? "no reader" : std::strerror(errno));
        return false;
    }
    if (fstat(fd.get(), &info) != 0 || !S_ISFIFO(info.st_mode)) {
        ORB_LOG_ERROR(kTag, "orbWritePipe: %s is not a pipe; nothing written.", path);
        return false;
    }
    ORB_LOG_DEBUG(kTag, "writeFd = %d.", fd.get());

    SigpipeHeld held;
    const char* bytes = reinterpret_cast<const char*>(packet);
    size_t written = 0;
    while (written < kOrbMessagePacketSize) {
        const ssize_t result = write(fd.get(), bytes + written, kOrbMessagePacketSize - written);
        if (result > 0) {
            written += static_cast<size_t>(result);
            continue;
        }
        if (result < 0 && errno == EPIPE) {
            held.noteRaised();
            break;
        }
        if (result < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        }
        if (orbStopRequested() || Clock::now() >= deadline) {
            break;
        }
        pollfd wait{fd.get(), POLLOUT, 0};
        poll(&wait, 1, sliceUntil(deadline));
    }
    ORB_LOG_DEBUG(kTag, "%zu bytes written on pipe =%s", written, path);
    if (written != kOrbMessagePacketSize) {
        ORB_LOG_ERROR(kTag,
                      "orbWritePipe: only %zu of %zu bytes written on %s within %lld ms; given up.",
                      written, kOrbMessagePacketSize, path, static_cast<long long>(limit.count()));
        return false;
    }
    return true;
}

bool orbReadPipe(const char* path, _ORB_MESSAGE_PACKET* packet, std::chrono::milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    orbFileDescriptor fd(open(path, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!fd.isOpen() || fstat(fd.get(), &info) != 0 || !S_ISFIFO(info.st_mode)) {
        ORB_LOG_ERROR(kTag, "orbReadPipe:Open of %s failed while reading.", path);
        return false;
    }
    ORB_LOG_DEBUG(kTag, "readFd = %d.", fd.get());
    char* bytes = reinterpret_cast<char*>(packet);
    size_t got = 0;
    while (got < kOrbMessagePacketSize && !orbStopRequested() && Clock::now() < deadline) {
        const ssize_t result = read(fd.get(), bytes + got, kOrbMessagePacketSize - got);
        if (result > 0) {
            got += static_cast<size_t>(result);
            continue;
        }
        if (result < 0 && errno != EAGAIN && errno != EINTR) {
            break;
        }
        if (result == 0) {
            // No writer (any more): poll would report the hang-up at once.
            std::this_thread::sleep_for(std::chrono::milliseconds(sliceUntil(deadline)));
            continue;
        }
        pollfd wait{fd.get(), POLLIN, 0};
        poll(&wait, 1, sliceUntil(deadline));
    }
    if (got != kOrbMessagePacketSize) {
        ORB_LOG_ERROR(kTag, "orbReadPipe: %zu of %zu bytes read from %s; no packet.", got,
                      kOrbMessagePacketSize, path);
        return false;
    }
    return true;
}

bool sendResponseToClient(int clientPID, int result) {
    // A process ID of 0 or below names no single process, and one that names no running
    // process is a client gone or forged: its pipe is not written.
    if (clientPID <= 0 || (kill(clientPID, 0) != 0 && errno != EPERM)) {
        ORB_LOG_WARNING(kTag, "No answer sent: client process %d is not running.", clientPID);
        return false;
    }
    _ORB_MESSAGE_PACKET response;
    orbEncodeResponse(result, response);
    ORB_LOG_DEBUG(kTag, "Writing to the response named pipe.");
    const std::string path = orbResponsePipePath(clientPID);
    if (!orbWritePipe(path.c_str(), &response)) {
        ORB_LOG_WARNING(kTag, "The answer %d to client %d was not delivered.", result, clientPID);
        return false;
    }
    return true;
}
