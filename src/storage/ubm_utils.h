#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Helpers for backplanes managed through UBM (Universal Backplane Management): one text field
// of the Product Info Area in a backplane's IPMI FRU data, and the controller operational
// state. Both are stateless and offered to other programs as they are.
class orbUBMUtils {
  public:
    // Copies field number infoIndex (0 to 7: manufacturer, product name, part number, version,
    // serial number, asset tag, FRU file ID, first custom field) of the Product Info Area into
    // text. False, with text untouched, when the data holds no such area or field: nothing
    // beyond the area's end, the data's end or the area's end-of-fields marker is read.
    static bool extractFRUDataFromIPMIProductInfoArea(const uint8_t* ipmiFRUData,
                                                      size_t ipmiFRUDataSize, size_t infoIndex,
                                                      std::string& text);

    // The UBM controller operational state as the service uses it: 0 to 4 are the defined
    // states; reserved and vendor-specific values are logged and passed on unchanged.
    static uint8_t mapUBMControllerOperationState(uint8_t state);
};
