#pragma once

#include <string>

namespace orbsim {
class SimulatedRMC;
}

namespace orbtest {

// Checks every inventory ("WriteInventory") and event ("MPEventGen") document the RMC took
// against the JSON Schemas of docs/schema, with python3-jsonschema. Empty when every document
// is valid (or there was none); otherwise the validator's report, one line per fault. End-to-end
// tests call it when they are done:
//
//   EXPECT_EQ(orbtest::schemaViolations(*rmc.get()), "");
std::string schemaViolations(const orbsim::SimulatedRMC& rmc);

}  // namespace orbtest
