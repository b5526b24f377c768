// The Product Info Area reader on FRU data a backplane hands over: the first byte picks the
// field, the rest is the FRU image. A field found lies wholly inside the image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "storage/ubm_utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const size_t index = data[0] % 10;
    // A copy of exactly the image's size, so that any read past it is caught.
    std::vector<uint8_t> image(data + 1, data + size);
    std::string text;
    if (orbUBMUtils::extractFRUDataFromIPMIProductInfoArea(image.data(), image.size(), index,
                                                           text) &&
        (index > 7 || text.size() > 63 || text.size() >= image.size())) {
        std::abort();
    }
    return 0;
}
