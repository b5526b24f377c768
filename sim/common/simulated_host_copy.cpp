#include "sim/common/simulated_host_copy.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

void copyTree(const fs::path& from, const fs::path& to, const fs::path& hostTop,
              std::error_code& error) {
    fs::create_directories(to, error);
    for (const fs::directory_entry& entry : fs::directory_iterator(from, error)) {
        fs::path target = to / entry.path().filename();
        if (entry.is_symlink()) {
            fs::path link = fs::read_symlink(entry.path(), error);
            fs::path resolved = fs::weakly_canonical(entry.path().parent_path() / link, error);
            std::string top = hostTop.string() + "/";
            if (link.is_relative() && resolved.string().compare(0, top.size(), top) == 0) {
                fs::create_symlink(link, target, error);
                continue;
            }
            fs::copy(entry.path(), target, fs::copy_options::recursive, error);
        } else if (entry.is_directory()) {
            copyTree(entry.path(), target, hostTop, error);
        } else {
            fs::copy_file(entry.path(), target, error);
        }
        if (error) {
            return;
        }
    }
}

}  // namespace

namespace orbsim {

bool copySimulatedHost(const std::string& hostTree, const std::string& overlay,
                       const std::string& root, std::string& error) {
    std::error_code failure;
    if (!fs::is_directory(hostTree)) {
        error = "no simulated host at " + hostTree;
        return false;
    }
    copyTree(hostTree, root, fs::canonical(hostTree), failure);
    if (!failure && !overlay.empty() && fs::exists(overlay)) {
        fs::copy(overlay, root, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
                 failure);
    }
    if (failure) {
        error = "cannot copy " + hostTree + ": " + failure.message();
        return false;
    }
    return true;
}

}  // namespace orbsim
