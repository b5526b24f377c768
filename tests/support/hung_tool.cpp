#include "support/hung_tool.h"

#include <stdlib.h>
#include <sys/stat.h>

#include "support/test_environment.h"

namespace orbtest {

std::string hungToolMarker(const std::string& tool) {
    return rootPath("/scratch/" + tool + ".hung");
}

std::string hungToolChild(const std::string& tool) {
    return rootPath("/scratch/" + tool + ".child");
}

void hangTool(const std::string& tool, const std::string& argsPart) {
    const std::string folder = rootPath("/hung-bin");
    const std::string script = folder + "/" + tool;
    writeFile(script,
              "#!/bin/sh\n"
              "case \" $* \" in\n"
              "  *\"" +
                  argsPart +
                  "\"*)\n"
                  "    echo $$ > " +
                  hungToolMarker(tool) +
                  "\n"
                  "    sleep 600 & echo $! > " +
                  hungToolChild(tool) +
                  "\n"
                  "    wait; exit 0 ;;\n"
                  "esac\n"
                  "exec " +
                  rootPath("/bin/" + tool) + " \"$@\"\n");
    chmod(script.c_str(), 0755);
    const std::string path = getenv("PATH");
    if (path.compare(0, folder.size() + 1, folder + ":") != 0) {
        setenv("PATH", (folder + ":" + path).c_str(), 1);
    }
}

}  // namespace orbtest
