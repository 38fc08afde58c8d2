// Plots: labelled axes and legends in SVG, a PNG of the right size with the output drawn, and
// one-line errors for names the plotter cannot write.
#include "Plot.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#if KESTRUNE_RENDER_HAVE_PNG
#include <png.h>
#endif

namespace kestrune::render {
namespace {

using testing::makeBurstSignal;
using testing::scratchFolder;

struct PlotFixture : ::testing::Test {
    void SetUp() override {
        input = makeBurstSignal(2, 44100, 44100, 21);
        output = input;
        for (auto& channel : output.channels) {
            for (std::size_t i = 0; i < channel.size(); ++i) {
                channel[i] *= (i / 512) % 2 ? 0.1f : 1.0f;
            }
        }
        for (std::size_t start = 0; start < input.frameCount(); start += 512) {
            bool quiet = (start / 512) % 2;
            blocks.push_back({start / 44100.0, (start + 512) / 44100.0, quiet ? -20.0 : 0.0,
                              quiet ? -20.0 : 0.0});
        }
        data.title = "test plot";
        data.input = &input;
        data.output = &output;
        data.blocks = &blocks;
        data.hasMeter = true;
    }
    AudioBuffer input;
    AudioBuffer output;
    std::vector<BlockGain> blocks;
    PlotData data;
};

std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

TEST_F(PlotFixture, SvgHasTitledPanelsAxesAndLegends) {
    std::string path = scratchFolder("svg") + "/plot.svg";
    std::string error;
    ASSERT_TRUE(writePlot(path, data, error)) << error;
    std::string svg = slurp(path);
    for (const char* text :
         {"<svg", "test plot", "Input waveform", "Output waveform", "Peak level (dBFS)",
          "Gain applied (dB)", "Time (s)", "plug-in gain meter (parameter 9)",
          "output / input level", ">-20<", ">0.5<", "</svg>"}) {
        EXPECT_NE(svg.find(text), std::string::npos) << text << " missing in " << path;
    }
}

TEST_F(PlotFixture, WithoutAMeterTheLegendSaysOnlyWhatIsDrawn) {
    data.hasMeter = false;
    std::string path = scratchFolder("svg-no-meter") + "/plot.svg";
    std::string error;
    ASSERT_TRUE(writePlot(path, data, error)) << error;
    EXPECT_EQ(slurp(path).find("gain meter"), std::string::npos);
}

TEST_F(PlotFixture, NamesThePlotterCannotWriteAreOneLineErrors) {
    std::string folder = scratchFolder("bad-names");
    std::string error;
    EXPECT_FALSE(writePlot(folder + "/plot.jpg", data, error));
    EXPECT_NE(error.find(".svg or .png"), std::string::npos) << error;
    EXPECT_FALSE(writePlot(folder + "/missing/plot.svg", data, error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
#if !KESTRUNE_RENDER_HAVE_PNG
    EXPECT_FALSE(writePlot(folder + "/plot.png", data, error));
    EXPECT_NE(error.find("SVG plots only"), std::string::npos) << error;
#endif
}

#if KESTRUNE_RENDER_HAVE_PNG

TEST_F(PlotFixture, PngIsWrittenWithTheOutputDrawn) {
    std::string path = scratchFolder("png") + "/plot.png";
    std::string error;
    ASSERT_TRUE(writePlot(path, data, error)) << error;

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << path;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(image.width, 1200u);
    EXPECT_GT(image.height, 800u);
    // The output waveform's blue and the meter's green are on the picture.
    std::size_t blue = 0;
    std::size_t green = 0;
    for (std::size_t i = 0; i + 2 < pixels.size(); i += 3) {
        blue += pixels[i] == 30 && pixels[i + 1] == 100 && pixels[i + 2] == 200;
        green += pixels[i] == 20 && pixels[i + 1] == 150 && pixels[i + 2] == 70;
    }
    EXPECT_GT(blue, 2000u) << path;
    EXPECT_GT(green, 500u) << path;
}

#endif

} // namespace
} // namespace kestrune::render
