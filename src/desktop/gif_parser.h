#pragma once
// The block structure of a GIF file (87a or 89a), read without decoding any image data.
// Everything here is a pure function over bytes: no file access, no Qt, and no input can make it
// read outside the buffer or loop forever.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace keyloft {

struct GifColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    // red + 256 * green + 65536 * blue
    std::uint32_t value() const;
    bool operator==(const GifColor&) const = default;
};

struct GifFrameInfo {
    // Graphic control extension before the frame (all zero when there is none).
    std::uint8_t controlPacked = 0;
    std::uint16_t delay = 0;  // hundredths of a second
    std::uint8_t transparentIndex = 0;
    std::uint8_t disposal = 0;  // 0 to 7
    bool userInput = false;
    bool transparent = false;

    // Image descriptor.
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t packed = 0;
    bool localTableFlag = false;
    bool interlace = false;
    bool sort = false;
    std::uint8_t localTableSize = 0;  // the three size bits
    std::vector<GifColor> localTable;
    std::size_t localTableOffset = 0;  // where the local table starts in the file

    std::uint8_t lzwMinimumCodeSize = 0;
    // The frame's bytes: [firstByte, endByte) of the file.
    std::size_t firstByte = 0;
    std::size_t endByte = 0;
};

struct GifFileInfo {
    bool signatureOk = false;  // the data starts with "GIF8"
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::uint8_t packed = 0;
    bool globalTableFlag = false;
    std::uint8_t colorResolution = 0;
    bool sort = false;
    std::uint8_t globalTableSize = 0;  // the three size bits
    std::uint8_t backgroundIndex = 0;
    std::uint8_t aspect = 0;
    std::vector<GifColor> globalTable;
    std::size_t globalTableOffset = 13;
    std::size_t headerEnd = 0;  // end of header, screen descriptor and global table
    std::vector<GifFrameInfo> frames;
    bool truncated = false;  // the data ended inside a block
};

// Reads the block structure. Frames cut short by the end of the data are left out.
GifFileInfo ParseGif(std::span<const std::uint8_t> data);

// The colour a transparent entry gets when another entry of its table has the same colour:
// the second-largest entry value of the table, halved and rounded half to even.
GifColor ReplacementTransparentColor(const std::vector<GifColor>& table);

// For every frame with its transparency flag set, in file order: when another entry of the table it
// uses (local, else global) has the transparent entry's colour, the transparent entry is given the
// replacement colour in the table copy and in `data`. Returns the number of entries changed.
int ChangeTransparentColors(GifFileInfo& info, std::vector<std::uint8_t>& data);

// A single-image GIF: the bytes before the first frame, the frame's bytes and the trailer.
std::vector<std::uint8_t> SingleFrameGif(const GifFileInfo& info, std::span<const std::uint8_t> data,
                                         std::size_t frame);

// What the program plays at most, checked before a frame is decoded: the welcome picture comes from
// a folder others may write to, and it is shown before anyone has logged on. Every frame decodes to
// a picture of the logical screen (four bytes a pixel), so the frames together are limited too.
inline constexpr std::size_t kMaxGifFileBytes = std::size_t{8} << 20;
inline constexpr std::size_t kMaxGifFrames = 1000;
inline constexpr std::uint64_t kMaxGifFramePixels = std::uint64_t{4096} * 4096;
inline constexpr std::uint64_t kMaxGifDecodedPixels = std::uint64_t{32} << 20;

// True when the parsed file keeps within those frame and pixel limits.
bool WithinPlayLimits(const GifFileInfo& info);

// Milliseconds until the next tick when the frame now current has the given delay.
int FrameInterval(int delayHundredths, int userDelay);

// UserDelay as stored: limited to 1..1000.
int ClampUserDelay(long long milliseconds);

}  // namespace keyloft
