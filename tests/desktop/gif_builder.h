#pragma once
// Builds small GIF files byte by byte for the tests, with a plain LZW encoder.

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace keyloft::testing {

using Rgb = std::array<std::uint8_t, 3>;

struct TestGifFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // colour indices, row by row
    bool control = true;               // write a graphic control extension
    int delay = 0;                     // hundredths of a second
    int disposal = 0;
    bool transparent = false;
    int transparentIndex = 0;
    std::vector<Rgb> localTable;  // empty: the frame uses the global table
};

struct TestGif {
    int width = 0;
    int height = 0;
    std::vector<Rgb> globalTable;  // size a power of two from 2 to 256, or empty
    int backgroundIndex = 0;
    bool netscapeLoop = true;
    bool comment = false;
    std::vector<TestGifFrame> frames;
};

std::vector<std::uint8_t> LzwEncode(const std::vector<std::uint8_t>& indices, int minimumCodeSize);
std::vector<std::uint8_t> BuildGif(const TestGif& gif);

// A frame filling the rectangle with one colour index.
TestGifFrame SolidFrame(int left, int top, int width, int height, std::uint8_t index);

}  // namespace keyloft::testing
