#include "host/startup_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/log.h"

namespace {

const char* const kTag = "HOST_RM";

// The record is three short lines; a file far larger than that is not one.
constexpr size_t kMaxRecordBytes = 64 * 1024;

bool readWhole(const std::string& path, std::string& contents) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    char chunk[4096];
    while (contents.size() < kMaxRecordBytes &&
           (in.read(chunk, sizeof(chunk)) || in.gcount() > 0)) {
        contents.append(chunk, static_cast<size_t>(in.gcount()));
    }
    return true;
}

bool parseSeconds(const std::string& word, long& value) {
    if (word.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long number = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || number < 0) {
        return false;
    }
    value = number;
    return true;
}

std::string line(const char* key, long value) {
    return std::string(key) + " " + std::to_string(value) + "\n";
}

}  // namespace

orbStartupFile::orbStartupFile(std::string filePath, std::string scratchFilePath)
    : path(std::move(filePath)), scratchPath(std::move(scratchFilePath)) {}

bool orbStartupFile::readValue(const std::string& key, long& value) const {
    value = 0;
    std::string contents;
    if (!readWhole(path, contents)) {
        ORB_LOG_ERROR(kTag, "Error occurred in opening orb startup file");
        return true;
    }
    ORB_LOG_DEBUG(kTag, "Successful in opening orb startup file");
    std::istringstream words(contents);
    std::string word;
    while (words >> word) {
        if (word != key) {
            continue;
        }
        std::string number;
        if (!(words >> number)) {
            return true;
        }
        if (!parseSeconds(number, value)) {
            value = 0;
            return false;
        }
        ORB_LOG_DEBUG(kTag, "Found a match %ld", value);
        return true;
    }
    return true;
}

long orbStartupFile::readStartupValue(const std::string& key) const {
    long value = 0;
    return readValue(key, value) ? value : 0;
}

bool orbStartupFile::recordStart(long startTime) {
    struct stat existing {};
    if (stat(path.c_str(), &existing) != 0 && errno == ENOENT) {
        // Only a missing file is created afresh; one that exists but cannot be read keeps
        // its record for a later start.
        bool written = writeAtomically(line("current_start", startTime) + line("last_start", 0) +
                                       line("last_stop", 0));
        if (written) {
            ORB_LOG_DEBUG(kTag, "Successful in creating the file");
        } else {
            ORB_LOG_ERROR(kTag, "Error opening the orb startup file");
        }
        return written;
    }
    long value = 0;
    if (readValue("last_start", value) && readValue("last_stop", value) &&
        readValue("current_start", value)) {
        return replaceLines("current_start", line("current_start", startTime));
    }
    // Text where a count of seconds belongs tells nothing reliable about the previous run: the
    // record is written afresh as at a first start, so that no event is drawn from it and this
    // run is on record.
    return writeAtomically(line("current_start", startTime) + line("last_start", 0) +
                           line("last_stop", 0));
}

orbBootVerdict orbStartupFile::judgeBoot(long bootTime) const {
    long lastStart = 0;
    long lastStop = 0;
    if (!readValue("last_start", lastStart) || !readValue("last_stop", lastStop) ||
        lastStart == 0 || lastStart == lastStop) {
        return orbBootVerdict::NothingToReport;
    }
    if (lastStart < lastStop) {
        return bootTime <= lastStop ? orbBootVerdict::RestartAfterOrderlyStop
                                    : orbBootVerdict::RebootAfterOrderlyStop;
    }
    return bootTime <= lastStart ? orbBootVerdict::RestartAfterUncleanEnd
                                 : orbBootVerdict::RebootAfterUncleanEnd;
}

bool orbStartupFile::promoteCurrentStart() {
    long currentStart = readStartupValue("current_start");
    if (currentStart == 0) {
        return true;
    }
    return replaceLines("last_start", line("last_start", currentStart));
}

bool orbStartupFile::recordStop(long startTime, long stopTime) {
    return writeAtomically(line("last_start", startTime) + line("last_stop", stopTime) +
                           line("current_start", 0));
}

bool orbStartupFile::replaceLines(const std::string& key, const std::string& replacement) const {
    std::string contents;
    if (!readWhole(path, contents)) {
        ORB_LOG_ERROR(kTag, "Error opening the orb startup file");
        return false;
    }
    std::istringstream lines(contents);
    std::string edited;
    std::string text;
    bool replaced = false;
    while (std::getline(lines, text)) {
        bool matches = text.find(key) != std::string::npos;
        edited += matches ? replacement : text + "\n";
        replaced = replaced || matches;
    }
    if (!replaced) {
        // A record without the line would never hold this run, and an unclean end of it would
        // go unnoticed at the next start.
        edited += replacement;
    }
    return writeAtomically(edited);
}

bool orbStartupFile::writeAtomically(const std::string& contents) const {
    {
        std::ofstream out(scratchPath, std::ios::binary | std::ios::trunc);
        out << contents;
        out.flush();
        if (!out) {
            ORB_LOG_ERROR(kTag, "Error opening the orb startup file");
            std::remove(scratchPath.c_str());
            return false;
        }
    }
    // The scratch copy must hold the whole record before it replaces the original.
    std::string check;
    if (!readWhole(scratchPath, check) || check != contents ||
        std::rename(scratchPath.c_str(), path.c_str()) != 0) {
        ORB_LOG_ERROR(kTag, "Error opening the orb startup file");
        std::remove(scratchPath.c_str());
        return false;
    }
    return true;
}
