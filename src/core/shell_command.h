#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

// The service reaches the ESXi command-line tools (localcli, esxcli, esxtop, ...) through the
// shell, as the tools are installed on the host. Every piece of outside text that goes into a
// command line is quoted with orbShellQuote first.
//
// Every command runs as "/bin/sh -c LINE" in a process group of its own, with standard input
// from /dev/null, a clean signal mask and no descriptor of the host process but standard
// output and standard error. A tool that hangs must not hold up the service, so each command
// has a deadline. At the deadline, or once a stop request the calling thread is under has been
// made (core/stop_request.h), the whole process group is killed, whatever it printed is
// discarded, one log line names the command, and the call returns ORB_SHELL_CUT_SHORT. A stop
// is noticed within about a tenth of a second. Processes that the command left running in its
// group when it ended are killed too, and so are the commands still running when the host
// process exits (no new one starts then), so no tool outlives its command or the service.

// Results besides the command's own exit status (0 to 255; 128 + N when signal N ended it).
constexpr int ORB_SHELL_NOT_STARTED =
    -1;                                  // the shell could not be started (or its status was lost)
constexpr int ORB_SHELL_CUT_SHORT = -2;  // killed: deadline, stop request or too much output

// A tool that asks the host (localcli listings, one esxtop sample): generous, for a busy host.
constexpr std::chrono::seconds ORB_SHELL_DEADLINE{60};
// A command that only reads a file or loads a module answers at once when it answers at all.
constexpr std::chrono::seconds ORB_SHELL_QUICK_DEADLINE{10};
// Standard output beyond this is not a tool's answer; the command is cut short.
constexpr size_t ORB_SHELL_OUTPUT_LIMIT = 8 * 1024 * 1024;

// Wraps text in single quotes so that the shell passes it through as one word, unchanged.
std::string orbShellQuote(const std::string& text);

// Runs a command line and collects its standard output in pieces of at most chunkSize - 1
// characters (a piece ends at a line feed, so normally one line per piece). Returns the exit
// status, ORB_SHELL_NOT_STARTED or ORB_SHELL_CUT_SHORT (output then left empty).
int orbRunShellCommand(const std::string& commandLine, std::vector<std::string>& output,
                       size_t chunkSize = 2048,
                       std::chrono::milliseconds deadline = ORB_SHELL_DEADLINE);

// Runs a command line with its standard output left to the host process's (the command
// lines redirect it). Same results.
int orbRunShellCommand(const std::string& commandLine,
                       std::chrono::milliseconds deadline = ORB_SHELL_DEADLINE);

// Says what a result means, for log lines: "exit status 1", "cut short", "not started".
std::string orbShellResultText(int result);
