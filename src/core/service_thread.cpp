#include "core/service_thread.h"

#include <system_error>

#include "core/log.h"

bool orbStartServiceThread(std::thread& thread, void* (*entry)(void*), void* arg,
                           const char* module) {
    if (thread.joinable()) {
        return true;
    }
    try {
        thread = std::thread(entry, arg);
    } catch (const std::system_error& error) {
        ORB_LOG_ERROR(module, "Error: Unable to create thread: %d", error.code().value());
        return false;
    }
    return true;
}

void orbJoinServiceThread(std::thread& thread, const char* module) {
    if (!thread.joinable()) {
        return;
    }
    try {
        thread.join();
    } catch (const std::system_error& error) {
        ORB_LOG_ERROR(module, "Error: Unable to join thread: %d", error.code().value());
    }
}
