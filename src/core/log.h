#pragma once

// How the service logs: ORB_LOG_ERROR("JOB_MGR", "Error:unable to create thread"), with a
// printf-style format. The message is formatted into a 4096-byte buffer (longer messages are
// cut short) and only when its level would be written, so arguments cost nothing otherwise.

enum class orbLogKind { Error, Warning, Info, Debug, Always };

// True when a message of this kind would be written with the logger's current levels.
bool orbLogWanted(orbLogKind kind);

// Formats and writes one message; callers use the macros below.
void orbLogWrite(orbLogKind kind, const char* module, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

#define ORB_LOG(kind, module, ...)                            \
    do {                                                      \
        if (orbLogWanted(kind)) {                             \
            orbLogWrite(kind, module, __LINE__, __VA_ARGS__); \
        }                                                     \
    } while (0)

#define ORB_LOG_ERROR(module, ...) ORB_LOG(orbLogKind::Error, module, __VA_ARGS__)
#define ORB_LOG_WARNING(module, ...) ORB_LOG(orbLogKind::Warning, module, __VA_ARGS__)
#define ORB_LOG_INFO(module, ...) ORB_LOG(orbLogKind::Info, module, __VA_ARGS__)
#define ORB_LOG_DEBUG(module, ...) ORB_LOG(orbLogKind::Debug, module, __VA_ARGS__)
#define ORB_LOG_ALWAYS(module, ...) ORB_LOG(orbLogKind::Always, module, __VA_ARGS__)
