#pragma once

#include <string>

// The small file that survives service restarts and tells whether the operating system
// rebooted since the service last ran and whether that run stopped in order. One "key value"
// pair per line, each value a count of seconds since the epoch:
//   current_start  when the running service started (0 after an orderly stop)
//   last_start     when the previous run started
//   last_stop      when the previous run stopped in order
// Every change is written to a scratch file first and renamed over the original, so a crash
// part-way through can never lose the previous record.
class orbStartupFile {
  public:
    orbStartupFile(std::string path, std::string scratchPath);

    // The value written after key, or 0 when the file cannot be read or holds no such key.
    long readStartupValue(const std::string& key) const;

    // Like readStartupValue, but says whether the key was present with a clean decimal value.
    bool readValue(const std::string& key, long& value) const;

    // Records the start of this run: creates the file (with zeros for the previous run) when
    // there is none, replaces its "current_start" line when it holds a whole record, and
    // writes a damaged record afresh as at a first start.
    bool recordStart(long startTime);

    // Makes this run's start the last start, once the boot decision has been taken, so that
    // a run that ends without an orderly stop is recognised at the next start.
    bool promoteCurrentStart();

    // Records an orderly stop of the run that started at startTime.
    bool recordStop(long startTime, long stopTime);

    const std::string& getPath() const { return path; }

  private:
    bool replaceLines(const std::string& key, const std::string& replacement) const;
    bool writeAtomically(const std::string& contents) const;

    std::string path;
    std::string scratchPath;
};
