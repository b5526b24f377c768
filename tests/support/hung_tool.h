#pragma once

#include <string>

namespace orbtest {

// Makes a tool of the simulated host hang when its arguments contain argsPart (every call
// when argsPart is empty): the stand-in placed first on PATH writes its process id to
// hungToolMarker(tool), starts a sleeping child whose id goes to hungToolChild(tool), and
// waits for it. Other calls go to the host's own tool.
void hangTool(const std::string& tool, const std::string& argsPart);
std::string hungToolMarker(const std::string& tool);
std::string hungToolChild(const std::string& tool);

}  // namespace orbtest
