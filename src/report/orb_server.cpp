#include "report/orb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "core/log.h"
#include "core/logger.h"
#include "core/owned_resources.h"
#include "core/stop_request.h"
#include "report/forwarded_event.h"
#include "report/message_packet.h"
#include "report/message_pipes.h"
#include "report/test_event.h"

namespace {

const char* const kTag = "ORB_SERVER";

// The server also looks at its stop request this often, should the stop byte not arrive.
constexpr int kWakeMs = 500;

void handleRequest(int requestFd) {
    unsigned char bytes[kOrbMessagePacketSize];
    const ssize_t got = read(requestFd, bytes, sizeof(bytes));
    if (got < 0) {
        if (errno != EAGAIN && errno != EINTR) {
            ORB_LOG_ERROR(kTag, "recv failed (%s)", std::strerror(errno));
        }
        return;
    }
    ORB_LOG_DEBUG(kTag, "done reading (%zd bytes)", got);
    orbClientRequest request;
    // Clients write whole packets; anything else is not a request, and acting on part of one
    // would answer a process ID made of other bytes.
    if (!orbDecodeRequest(bytes, static_cast<size_t>(got), request)) {
        ORB_LOG_WARNING(kTag,
                        "Dropped %zd bytes read from the request pipe: a request is %zu bytes.",
                        got, kOrbMessagePacketSize);
        return;
    }
    ORB_LOG_DEBUG(kTag, "msgFromClient->header.messageCode = %d", request.messageCode);
    ORB_LOG_DEBUG(kTag, "msgFromClient->payload = %s", request.payload.c_str());
    ORB_LOG_DEBUG(kTag, "msgFromClient->clientPID = %d", request.clientPID);
    if (!request.payloadTerminated) {
        ORB_LOG_WARNING(kTag,
                        "The request of client %d has no terminating zero; its text is cut at "
                        "the end of the packet.",
                        request.clientPID);
    }
    const int result = request.messageCode == kOrbTestEventCode
                           ? sendTestEventWithEventId(request.payload)
                           : orbForwardClientEvent(request.payload);
    sendResponseToClient(request.clientPID, result);
    sched_yield();
}

// Removes the request pipe at stop, unless the path now names something else.
void removeRequestPipe(const std::string& path, const orbFileDescriptor& opened) {
    struct stat ours {};
    struct stat there {};
    if (fstat(opened.get(), &ours) == 0 && lstat(path.c_str(), &there) == 0 &&
        ours.st_dev == there.st_dev && ours.st_ino == there.st_ino) {
        unlink(path.c_str());
    }
}

}  // namespace

// Both ends stay open until the server and its thread have both let go of them, so neither
// ever reads or writes a descriptor closed (or reused) under it.
struct ORBServer::StopPipe {
    orbFileDescriptor readEnd;
    orbFileDescriptor writeEnd;
};

ORBServer::ORBServer() {
    // The server thread logs until it ends, at the latest when this object is destroyed.
    CPlusPlusLogging::Logger::getInstance();
}

ORBServer::~ORBServer() {
    stop();
}

ORBServer* ORBServer::getInstance() {
    static ORBServer instance;
    return &instance;
}

bool ORBServer::initializeORBServer() {
    return getInstance()->start();
}

void ORBServer::stopORBServer() {
    getInstance()->stop();
}

bool ORBServer::start() {
    std::lock_guard<std::mutex> lock(mutex);
    if (thread.isRunning()) {
        ORB_LOG_DEBUG(kTag, "ORB Server is already running.");
        return true;
    }
    // Made before the thread, so that a stop at any moment has a pipe to write to.
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        ORB_LOG_ERROR(kTag, "Unable to open a pipe for serStopPipeFd file descriptor");
        return false;
    }
    auto stopPipe = std::make_shared<StopPipe>();
    stopPipe->readEnd.reset(ends[0]);
    stopPipe->writeEnd.reset(ends[1]);
    switch (thread.start([stopPipe] { startTestEventServer(stopPipe); }, kTag)) {
        case orbServiceThread::Start::Started:
        case orbServiceThread::Start::AlreadyRunning:
            serStopPipe = stopPipe;
            return true;
        case orbServiceThread::Start::StillStopping:
            ORB_LOG_ERROR(kTag, "ORB Server of an earlier start is still stopping; not started.");
            return false;
        case orbServiceThread::Start::Failed:
            break;
    }
    ORB_LOG_DEBUG(kTag, "Unable to spawn a thread to handle event.");
    return false;
}

void ORBServer::stop() {
    ORB_LOG_INFO(kTag, "Stopping ORB Server.");
    std::lock_guard<std::mutex> lock(mutex);
    const std::shared_ptr<StopPipe> stopPipe = std::move(serStopPipe);
    serStopPipe.reset();
    if (!stopPipe) {
        ORB_LOG_DEBUG(kTag, "ORB Server is not running.");
        return;
    }
    const char wake = 1;
    const ssize_t result = write(stopPipe->writeEnd.get(), &wake, 1);
    if (result != 1) {
        ORB_LOG_ERROR(kTag, "Unable to write to pipe fd, result: %zd, Error: %s", result,
                      std::strerror(errno));
    }
    // Also ends what the thread waits for meanwhile: a client's pipe, the RMC.
    thread.requestStop();
    ORB_LOG_DEBUG(kTag, "For ORB Server to stop, write on serStopPipeFd.");
    thread.waitAndJoin(std::chrono::steady_clock::now() + orbServiceThread::kStopWait, kTag,
                       "The ORB Server thread");
    ORB_LOG_INFO(kTag, "Signalled for stop");
}

void ORBServer::startTestEventServer(const std::shared_ptr<StopPipe>& stopPipe) {
    ORB_LOG_DEBUG(kTag, "ORB Server Thread started.");
    const std::string path = orbRequestPipePath();
    orbFileDescriptor requestPipe;
    if (!orbCreatePipe(path.c_str()) || !orbOpenOwnPipe(path.c_str(), requestPipe)) {
        ORB_LOG_ERROR(kTag, "Open of pipe %s failed.", path.c_str());
        return;
    }
    ORB_LOG_DEBUG(kTag, "fd in read= %d .", requestPipe.get());

    for (;;) {
        pollfd waits[2] = {{requestPipe.get(), POLLIN, 0}, {stopPipe->readEnd.get(), POLLIN, 0}};
        const int ready = poll(waits, 2, kWakeMs);
        if (waits[1].revents != 0 || orbStopRequested()) {
            break;
        }
        if (ready < 0) {
            if (errno != EINTR) {
                ORB_LOG_DEBUG(kTag, "select returned -1.");
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            continue;
        }
        if ((waits[0].revents & POLLIN) != 0) {
            ORB_LOG_DEBUG(kTag, "Descriptor %d is ready.", requestPipe.get());
            handleRequest(requestPipe.get());
        } else if ((waits[0].revents & (POLLERR | POLLNVAL)) != 0) {
            ORB_LOG_ERROR(kTag, "The request pipe %s failed; the server ends.", path.c_str());
            break;
        }
    }
    removeRequestPipe(path, requestPipe);
    ORB_LOG_DEBUG(kTag, "ORB Server Thread stopped.");
}
