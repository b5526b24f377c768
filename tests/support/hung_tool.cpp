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
    std::string text = "#!/bin/sh\n";
    text += "case \" $* \" in\n";
    text += "  *\"" + argsPart + "\"*)\n";
    text += "    sleep 600 & echo $! > " + hungToolChild(tool) + "\n";
    text += "    echo $$ > " + hungToolMarker(tool) + "\n";
    text += "    wait; exit 0 ;;\n";
    text += "esac\n";
    text += "exec " + rootPath("/bin/" + tool) + " \"$@\"\n";
    writeFile(script, text);
    chmod(script.c_str(), 0755);
    const std::string path = getenv("PATH");
    if (path.compare(0, folder.size() + 1, folder + ":") != 0) {
        setenv("PATH", (folder + ":" + path).c_str(), 1);
    }
}

}  // namespace orbtest
