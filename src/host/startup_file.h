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
// What the previous run's record says about this start, given the operating system's boot time.
enum class orbBootVerdict {
    NothingToReport,          // no previous run on record, or one that started and stopped at once
    RestartAfterOrderlyStop,  // the service restarted within the boot it stopped in
    RestartAfterUncleanEnd,   // the service ended without a stop within this boot
    RebootAfterOrderlyStop,   // the host rebooted after the service stopped in order
    RebootAfterUncleanEnd,    // the host rebooted while the service was running
};

class orbStartupFile {
  public:
    orbStartupFile(std::string path, std::string scratchPath);

    // The value written after key, or 0 when the file cannot be read, holds no such key or
    // holds text that is not a count of seconds after it.
    long readStartupValue(const std::string& key) const;

    // The value written after key into value: 0 when the file cannot be read or holds no value
    // for the key (a first start, a run that never stopped in order). False only when the text
    // after the key is not a count of seconds, so the record is damaged.
    bool readValue(const std::string& key, long& value) const;

    // Records the start of this run: creates the file (with zeros for the previous run) when
    // there is none, replaces its "current_start" line (adds one when it has none), and writes
    // a damaged record afresh as at a first start.
    bool recordStart(long startTime);

    // Compares the previous run's record with the boot time. A damaged record reports nothing.
    orbBootVerdict judgeBoot(long bootTime) const;

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
