// A plug-in's compiled-in bitmap resources, loaded by identifier through the platform as the
// editor loads them: the Windows resources of the binary, or the table the software backend
// registers. Built once per plug-in's set; KESTRUNE_RESOURCE_SCRIPT names the set's script.
#include "platform/Platform.h"
#include "tests/resources/BmpReader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace kestrune::platform {
namespace {

int anchor = 0; // any address inside this binary names its module

struct Loaded {
    DrawObject bitmap = nullptr;
    DeviceContext dc = nullptr;
    DrawObject previous = nullptr;

    explicit Loaded(int id) {
        bitmap = loadBitmapResource(moduleOfAddress(&anchor), id);
        if (bitmap) {
            dc = createMemoryDC(nullptr);
            previous = selectObject(dc, bitmap);
        }
    }
    ~Loaded() {
        if (dc) {
            selectObject(dc, previous);
            deleteMemoryDC(dc);
        }
        if (bitmap)
            deleteObject(bitmap);
    }
    Loaded(const Loaded&) = delete;
    Loaded& operator=(const Loaded&) = delete;
};

struct ResourceCase {
    int id;
    int width;
    int height;
    int x, y; // a pixel whose colour is fixed by the design
    ColorValue color;
};

void PrintTo(const ResourceCase& c, std::ostream* out) {
    *out << "bitmap " << c.id;
}

class BitmapResources : public ::testing::TestWithParam<ResourceCase> {};

TEST_P(BitmapResources, LoadByIdentifierWithTheirSizeAndColours) {
    const ResourceCase& c = GetParam();
    Loaded loaded(c.id);
    ASSERT_NE(loaded.bitmap, nullptr) << "bitmap " << c.id;
    BitmapDescription description{};
    ASSERT_TRUE(describeBitmap(loaded.bitmap, description));
    EXPECT_EQ(description.width, c.width);
    EXPECT_EQ(description.height, c.height);
    EXPECT_EQ(getPixel(loaded.dc, c.x, c.y), c.color) << "bitmap " << c.id;
}

const ColorValue kPanel = colorValue(102, 102, 102);

INSTANTIATE_TEST_SUITE_P(Resources, BitmapResources,
                         ::testing::Values(ResourceCase{128, 340, 190, 25, 60, kPanel},
                                           ResourceCase{129, 130, 10, 64, 5, colorValue(0, 0, 0)},
                                           ResourceCase{130, 20, 10, 0, 9, colorValue(96, 96, 96)},
                                           ResourceCase{131, 30, 750, 0, 749, kPanel},
                                           ResourceCase{132, 160, 5, 5, 2, colorValue(153, 0, 0)},
                                           ResourceCase{133, 160, 5, 155, 2, colorValue(0, 0, 153)},
                                           ResourceCase{134, 30, 20, 0, 19, colorValue(51, 51, 51)},
                                           ResourceCase{135, 114, 40, 57, 3, kPanel}),
                         [](const auto& info) { return "Bitmap" + std::to_string(info.param.id); });

// Identifier and file of every BITMAP line of the set's resource script.
std::vector<std::pair<int, std::string>> scriptBitmaps() {
    std::ifstream in(std::string(KESTRUNE_SOURCE_DIR) + "/resources/" KESTRUNE_RESOURCE_SCRIPT);
    std::vector<std::pair<int, std::string>> out;
    const std::regex line(R"(^\s*(\d+)\s+BITMAP\s+"bitmaps/([^"]+)\")");
    std::string text;
    while (std::getline(in, text)) {
        std::smatch match;
        if (std::regex_search(text, match, line))
            out.emplace_back(std::stoi(match[1]), match[2]);
    }
    return out;
}

TEST(BitmapResources, MatchTheFilesOfTheirResourceScriptPixelForPixel) {
    auto bitmaps = scriptBitmaps();
    ASSERT_EQ(bitmaps.size(), 8u) << KESTRUNE_RESOURCE_SCRIPT;
    for (const auto& [id, name] : bitmaps) {
        testing::BmpFile file;
        ASSERT_TRUE(file.read(testing::bitmapPath(name))) << name;
        Loaded loaded(id);
        ASSERT_NE(loaded.bitmap, nullptr) << "bitmap " << id;
        int mismatches = 0;
        for (int y = 0; y < file.height; ++y) {
            for (int x = 0; x < file.width; ++x) {
                testing::Color c = file.at(x, y);
                ColorValue expected = colorValue(uint8_t(c.r), uint8_t(c.g), uint8_t(c.b));
                mismatches += getPixel(loaded.dc, x, y) != expected;
            }
        }
        EXPECT_EQ(mismatches, 0) << "bitmap " << id << " against " << name;
    }
}

TEST(BitmapResources, UnknownIdentifiersLoadNothing) {
    for (int id : {0, 127, 136, -1}) {
        DrawObject bitmap = loadBitmapResource(moduleOfAddress(&anchor), id);
        EXPECT_EQ(bitmap, nullptr) << id;
        if (bitmap)
            deleteObject(bitmap);
    }
}

} // namespace
} // namespace kestrune::platform
