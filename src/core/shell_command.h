#pragma once

#include <string>
#include <vector>

// The service reaches the ESXi command-line tools (localcli, esxcli, esxtop, ...) through the
// shell, as the tools are installed on the host. Every piece of outside text that goes into a
// command line is quoted with orbShellQuote first.

// Wraps text in single quotes so that the shell passes it through as one word, unchanged.
std::string orbShellQuote(const std::string& text);

// Runs a command line through the shell and collects its standard output in pieces of at most
// chunkSize - 1 characters (a piece ends at a line feed, so normally one line per piece).
// Returns the command's exit status, or -1 when the shell could not be started.
int orbRunShellCommand(const std::string& commandLine, std::vector<std::string>& output,
                       size_t chunkSize = 2048);

// Runs a command line through the shell with its output left to the command.
// Returns the exit status, or -1 when the shell could not be started.
int orbRunShellCommand(const std::string& commandLine);
