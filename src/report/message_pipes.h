#pragma once

#include <chrono>

#include "core/owned_resources.h"
#include "report/message_packet.h"

// The named pipes of the local command channel. Every wait is bounded and ends early when the
// calling thread's stop is requested (core/stop_request.h), so a client that never reads or
// never writes cannot hold up the service or its stop.

// How long the service waits for a client to take its answer.
constexpr std::chrono::milliseconds kOrbPipeWriteLimit{3000};

// Makes path a named pipe only this process's user may use (mode 0600). An existing pipe is
// kept only when it is a FIFO owned by this user and closed to everyone else; anything else
// there (a regular file, a link, a pipe of another user) is removed and the pipe made anew,
// never followed. False, logged, when no such pipe could be put there.
bool orbCreatePipe(const char* path);

// Opens a pipe made by orbCreatePipe for reading and writing, without blocking; false, logged,
// when what is there is not such a pipe (it was replaced since).
bool orbOpenOwnPipe(const char* path, orbFileDescriptor& fd);

// Writes one whole packet to a client's pipe. The path must name a FIFO (a link is not
// followed); opening waits up to limit for the client to open its end, and writing waits up
// to limit for room. False, logged, when the packet was not written whole.
bool orbWritePipe(const char* path, const _ORB_MESSAGE_PACKET* packet,
                  std::chrono::milliseconds limit = kOrbPipeWriteLimit);

// Reads one whole packet from a FIFO at path, waiting up to limit for it. False, logged, when
// no whole packet arrived.
bool orbReadPipe(const char* path, _ORB_MESSAGE_PACKET* packet,
                 std::chrono::milliseconds limit = kOrbPipeWriteLimit);

// Answers a client: the result in a response packet written to the client's response pipe.
// A process ID that names no running process is not written to. False, logged, when the
// answer was not delivered.
bool sendResponseToClient(int clientPID, int result);
