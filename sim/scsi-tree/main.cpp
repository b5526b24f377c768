// Rewrites sim/hosts/<host>/sys from sim/scsi-tree/<host>.layout and the host's dev/sgN
// drive descriptions:   orb_scsi_tree <layout file> <host folder>
#include <cstdio>
#include <string>

#include "sim/drives/scsi_tree.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: orb_scsi_tree LAYOUT HOST_FOLDER\n");
        return 2;
    }
    std::string error;
    if (!orbsim::writeScsiTree(argv[1], argv[2], error)) {
        std::fprintf(stderr, "orb_scsi_tree: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
