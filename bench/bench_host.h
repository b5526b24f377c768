#pragma once

#include <string>

// What the benches of the resource managers share: a quiet copy of a simulated host to run
// against, and the CPU time of this process or of its children.
namespace orbbench {

// A fresh copy of the default simulated host (with the built stand-ins laid over it) in a
// temporary folder named after label, logging errors only. Ends the bench when it cannot be
// made: nothing it would measure means anything without it.
std::string defaultHostCopy(const char* label);

// Writes text to path (a bench's fixture file); ends the bench when it cannot.
void writeText(const std::string& path, const std::string& text);

// Ends the bench with the reason when a generator failed.
void require(bool done, const std::string& error);

// User and system CPU seconds of RUSAGE_SELF or RUSAGE_CHILDREN.
double cpuSeconds(int who);

}  // namespace orbbench
