#pragma once

#include <string>

namespace orbtest {

// Makes a tool of the simulated host hang when its arguments contain argsPart (every call
// when argsPart is empty): the stand-in placed first on PATH starts a sleeping child whose id
// goes to hungToolChild(tool), then writes its own id to hungToolMarker(tool), and waits. Other calls go to the host's own tool.
void hangTool(const std::string& tool, const std::string& argsPart);
std::string hungToolMarker(const std::string& tool);
std::string hungToolChild(const std::string& tool);

}  // namespace orbtest
