// The Product Info Area reader fed FRU images built here, each in a heap buffer of exactly its
// size, so that a read past the data or the area is caught.
#include "storage/ubm_utils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/logger.h"
#include "support/test_environment.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::vector<std::string> kFields = {"Vex",       "UBM-BP-8", "BP8-0042-01", "B2",
                                          "BPS123456", "ASSET-7",  "fru-1.2",     "custom"};

// A FRU image: common header (version 1, Product Info Area at 8) and the area with the given
// fields, the end marker and padding to a multiple of 8 bytes. Language 25 (English).
Bytes fruImage(const std::vector<std::string>& fields, uint8_t language = 25) {
    Bytes area = {1, 0, language};
    for (const std::string& field : fields) {
        area.push_back(static_cast<uint8_t>(0xC0 | field.size()));
        area.insert(area.end(), field.begin(), field.end());
    }
    area.push_back(0xC1);
    area.resize((area.size() + 8) / 8 * 8);
    area[1] = static_cast<uint8_t>(area.size() / 8);
    Bytes image = {1, 0, 0, 0, 1, 0, 0, 0};
    image.insert(image.end(), area.begin(), area.end());
    return image;
}

bool extract(const Bytes& image, size_t index, std::string& text) {
    // Exactly the image's bytes on the heap: ASan reports any read past them.
    std::vector<uint8_t> exact(image.begin(), image.end());
    exact.shrink_to_fit();
    return orbUBMUtils::extractFRUDataFromIPMIProductInfoArea(exact.data(), exact.size(), index,
                                                              text);
}

TEST(UBMUtils, EveryPredefinedFieldIsFoundAndNothingPastTheAreaIsRead) {
    CPlusPlusLogging::Logger::loggerInit();
    const Bytes image = fruImage(kFields);
    for (size_t index = 0; index < kFields.size(); ++index) {
        std::string text;
        EXPECT_TRUE(extract(image, index, text)) << index;
        EXPECT_EQ(text, kFields[index]);
    }

    // The end marker (C1h) is no field: read as one, it would give a one-byte part number.
    std::string text = "untouched";
    EXPECT_FALSE(extract(fruImage({"Vex", "UBM-BP-8"}), 2, text));
    EXPECT_EQ(text, "untouched");
}

TEST(UBMUtils, DamagedImagesAreRefusedWithTheirLine) {
    CPlusPlusLogging::Logger::loggerInit();
    struct Case {
        const char* name;
        Bytes image;
        size_t index;
        const char* line;  // expected in the main or debug log, or nullptr
    };
    Bytes wrongHeader = fruImage(kFields);
    wrongHeader[0] = 2;
    Bytes noArea = fruImage(kFields);
    noArea[4] = 0;
    Bytes areaPastData = fruImage(kFields);
    areaPastData[4] = 200;
    Bytes shortArea = fruImage(kFields);
    shortArea[9] = 0;
    // The serial number's length runs one byte past the end of the data.
    Bytes fieldPastData = fruImage({"Vex", "UBM-BP-8", "BP8-0042-01", "B2", "BPS123456"});
    const size_t serial = 8 + 3 + 4 + 9 + 12 + 3;
    fieldPastData.resize(serial + 1 + 8);
    fieldPastData[9] = 255;  // the area claims more than the data holds
    // The area claims 8 bytes: the fields after the first lie in the data but past the area.
    Bytes fieldPastArea = fruImage(kFields);
    fieldPastArea[9] = 1;
    const std::vector<Case> cases = {
        {"custom field", fruImage(kFields), 8,
         "Extracting custom field #8 from PIA not supported."},
        {"too short", Bytes{1, 0, 0, 0}, 0, nullptr},
        {"header version", wrongHeader, 0, nullptr},
        {"no area", noArea, 0, nullptr},
        {"area past data", areaPastData, 0, nullptr},
        {"language 0", fruImage(kFields, 0), 0, nullptr},
        {"area below 3 bytes", shortArea, 0, "Ready to walk Product Info Area. (Size=0)"},
        {"field past data", fieldPastData, 4, "Insufficient data bytes for field #4."},
        {"field past area", fieldPastArea, 4, "Insufficient data bytes for field #1."},
        {"no such field", fruImage({"Vex"}), 6, "Pre-defined field #6 not found in PIA."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        orbtest::LogMark mark;
        std::string text = "untouched";
        EXPECT_FALSE(extract(c.image, c.index, text));
        EXPECT_EQ(text, "untouched");
        if (c.line != nullptr) {
            EXPECT_THAT(mark.mainSince() + mark.debugSince(), ::testing::HasSubstr(c.line));
        }
    }
}

}  // namespace
