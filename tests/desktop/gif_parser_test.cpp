#include "desktop/gif_parser.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>

#include "gif_builder.h"

namespace keyloft {
namespace {

using testing::BuildGif;
using testing::SolidFrame;
using testing::TestGif;
using testing::TestGifFrame;

const std::vector<testing::Rgb> kFourColours = {
    {{255, 0, 0}}, {{0, 255, 0}}, {{0, 0, 255}}, {{255, 255, 255}}};

TestGif TwoFrameGif() {
    TestGif gif;
    gif.width = 6;
    gif.height = 4;
    gif.globalTable = kFourColours;
    gif.backgroundIndex = 3;
    gif.comment = true;
    TestGifFrame first = SolidFrame(0, 0, 6, 4, 0);
    first.delay = 0;
    TestGifFrame second = SolidFrame(2, 1, 3, 2, 1);
    second.delay = 600;
    second.disposal = 3;
    second.localTable = {{{10, 20, 30}}, {{40, 50, 60}}};
    gif.frames = {first, second};
    return gif;
}

QImage Decode(const std::vector<std::uint8_t>& bytes) {
    return QImage::fromData(
        QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())), "GIF");
}

TEST(GifParser, ReadsScreenFramesControlValuesAndLocalTable) {
    const auto bytes = BuildGif(TwoFrameGif());
    const GifFileInfo info = ParseGif(bytes);
    ASSERT_TRUE(info.signatureOk);
    EXPECT_FALSE(info.truncated);
    EXPECT_EQ(info.width, 6);
    EXPECT_EQ(info.height, 4);
    EXPECT_TRUE(info.globalTableFlag);
    EXPECT_EQ(info.colorResolution, 7);
    EXPECT_EQ(info.globalTableSize, 1);
    ASSERT_EQ(info.globalTable.size(), 4u);
    EXPECT_EQ(info.globalTable[2], (GifColor{0, 0, 255}));
    EXPECT_EQ(info.backgroundIndex, 3);
    EXPECT_EQ(info.headerEnd, 13u + 12u);

    ASSERT_EQ(info.frames.size(), 2u);
    const GifFrameInfo& a = info.frames[0];
    const GifFrameInfo& b = info.frames[1];
    EXPECT_EQ(a.delay, 0);
    EXPECT_EQ(b.delay, 600);
    EXPECT_EQ(a.disposal, 0);
    EXPECT_EQ(b.disposal, 3);
    EXPECT_EQ(b.controlPacked, 3 << 2);
    EXPECT_FALSE(a.localTableFlag);
    EXPECT_TRUE(b.localTableFlag);
    ASSERT_EQ(b.localTable.size(), 2u);
    EXPECT_EQ(b.localTable[1], (GifColor{40, 50, 60}));
    EXPECT_EQ(bytes[b.localTableOffset], 10);
    EXPECT_EQ(b.left, 2);
    EXPECT_EQ(b.top, 1);
    EXPECT_EQ(b.width, 3);
    EXPECT_EQ(b.height, 2);
    EXPECT_EQ(a.lzwMinimumCodeSize, 2);

    // Frames follow each other from the end of the global table to the byte before the trailer,
    // the application and comment extensions belonging to the first frame.
    EXPECT_EQ(a.firstByte, info.headerEnd);
    EXPECT_EQ(b.firstByte, a.endByte);
    EXPECT_EQ(b.endByte, bytes.size() - 1);
    EXPECT_EQ(bytes[a.firstByte], 0x21);
    EXPECT_EQ(bytes[a.firstByte + 1], 0xFF);
}

TEST(GifParser, SingleFrameGifsDecodeToTheirFramesPixels) {
    const auto bytes = BuildGif(TwoFrameGif());
    const GifFileInfo info = ParseGif(bytes);
    ASSERT_EQ(info.frames.size(), 2u);

    const auto firstGif = SingleFrameGif(info, bytes, 0);
    EXPECT_EQ(std::vector<std::uint8_t>(firstGif.begin(), firstGif.begin() + 6),
              (std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a'}));
    EXPECT_EQ(firstGif.back(), 0x3B);
    const QImage first = Decode(firstGif);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.pixelColor(5, 3), QColor(255, 0, 0));

    const QImage second = Decode(SingleFrameGif(info, bytes, 1));
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(second.pixelColor(3, 2), QColor(40, 50, 60));
    EXPECT_TRUE(SingleFrameGif(info, bytes, 2).empty());
}

TEST(GifParser, RejectsDataNotStartingWithGif8) {
    auto bytes = BuildGif(TwoFrameGif());
    bytes[3] = '7';
    const GifFileInfo info = ParseGif(bytes);
    EXPECT_FALSE(info.signatureOk);
    EXPECT_TRUE(info.frames.empty());
    EXPECT_FALSE(ParseGif(std::vector<std::uint8_t>{'G', 'I', 'F'}).signatureOk);
    EXPECT_FALSE(ParseGif(std::vector<std::uint8_t>{}).signatureOk);
}

TEST(GifParser, TruncatedFilesKeepOnlyTheirCompleteFrames) {
    const auto bytes = BuildGif(TwoFrameGif());
    const GifFileInfo full = ParseGif(bytes);
    ASSERT_EQ(full.frames.size(), 2u);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<std::uint8_t> cut(bytes.begin(),
                                            bytes.begin() + static_cast<std::ptrdiff_t>(length));
        const GifFileInfo info = ParseGif(cut);
        std::size_t complete = 0;
        for (const auto& frame : full.frames) {
            if (frame.endByte <= length) ++complete;
        }
        EXPECT_EQ(info.frames.size(), complete) << "length " << length;
        for (const auto& frame : info.frames) EXPECT_LE(frame.endByte, length);
    }
    // Cut inside the second frame's image data.
    const std::vector<std::uint8_t> inside(bytes.begin(), bytes.end() - 4);
    EXPECT_TRUE(ParseGif(inside).truncated);
    EXPECT_EQ(ParseGif(inside).frames.size(), 1u);
    // Only the trailer missing: every frame is whole.
    const std::vector<std::uint8_t> noTrailer(bytes.begin(), bytes.end() - 1);
    EXPECT_EQ(ParseGif(noTrailer).frames.size(), 2u);
}

TEST(GifParser, HostileBytesNeverReadOutsideTheData) {
    // Table sizes, block lengths and labels from a simple generator; the walk must end inside the
    // buffer every time (the sanitizer build checks the reads).
    std::uint32_t state = 12345;
    auto nextByte = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(state >> 16);
    };
    for (int round = 0; round < 400; ++round) {
        std::vector<std::uint8_t> data = {'G', 'I', 'F', '8', '9', 'a'};
        const int length = 7 + round % 90;
        for (int i = 0; i < length; ++i) data.push_back(nextByte());
        // Bias towards block introducers so that the walk gets somewhere.
        if (data.size() > 14) data[13] = (round % 3 == 0) ? 0x21 : 0x2C;
        const GifFileInfo info = ParseGif(data);
        for (const auto& frame : info.frames) {
            EXPECT_LE(frame.firstByte, frame.endByte);
            EXPECT_LE(frame.endByte, data.size());
            EXPECT_LE(SingleFrameGif(info, data, 0).size(), data.size() + 1);
        }
    }
    // A descriptor claiming a local table far larger than the data.
    std::vector<std::uint8_t> data = {'G',  'I', 'F', '8', '7', 'a', 1, 0, 1, 0,    0, 0, 0,
                                      0x2C, 0,   0,   0,   0,   1,   0, 1, 0, 0x87, 1, 2};
    const GifFileInfo info = ParseGif(data);
    EXPECT_TRUE(info.truncated);
    EXPECT_TRUE(info.frames.empty());
}

TEST(GifTransparentColour, ReplacementIsSecondLargestHalvedRoundedToEven) {
    // 9, 7, 7: the second largest is 7, half is 3.5, which goes to 4.
    EXPECT_EQ(ReplacementTransparentColor({{7, 0, 0}, {9, 0, 0}, {7, 0, 0}}), (GifColor{4, 0, 0}));
    // 6, 5, 5: half of 5 is 2.5, which goes to 2.
    EXPECT_EQ(ReplacementTransparentColor({{5, 0, 0}, {6, 0, 0}, {5, 0, 0}}), (GifColor{2, 0, 0}));
    // Values span all three bytes: blue 255 is 16711680, halved 8355840 = 0x7F8000.
    EXPECT_EQ(ReplacementTransparentColor({{255, 255, 255}, {0, 0, 255}, {0, 0, 255}, {1, 0, 0}}),
              (GifColor{0x00, 0x80, 0x7F}));
}

TEST(GifTransparentColour, RepeatedKeyColourIsChangedInTableAndBytesOnce) {
    TestGif gif;
    gif.width = 4;
    gif.height = 2;
    // Index 0 (transparent) has the same colour as index 2.
    gif.globalTable = {{{200, 0, 0}}, {{0, 0, 100}}, {{200, 0, 0}}, {{0, 50, 0}}};
    TestGifFrame first = SolidFrame(0, 0, 4, 2, 2);
    first.transparent = true;
    first.transparentIndex = 0;
    TestGifFrame second = first;
    gif.frames = {first, second};
    auto bytes = BuildGif(gif);
    GifFileInfo info = ParseGif(bytes);

    // Values 200, 6553600, 200, 12800: second largest 12800, halved 6400 = 0x1900.
    EXPECT_EQ(ChangeTransparentColors(info, bytes), 1);
    EXPECT_EQ(info.globalTable[0], (GifColor{0x00, 0x19, 0x00}));
    EXPECT_EQ(info.globalTable[2], (GifColor{200, 0, 0}));
    EXPECT_EQ(bytes[13], 0x00);
    EXPECT_EQ(bytes[14], 0x19);
    EXPECT_EQ(bytes[15], 0x00);
    EXPECT_EQ(ParseGif(bytes).globalTable[0], (GifColor{0x00, 0x19, 0x00}));
}

TEST(GifTransparentColour, UniqueKeyColourOrNoTransparencyChangesNothing) {
    TestGif gif;
    gif.width = 2;
    gif.height = 2;
    gif.globalTable = kFourColours;
    TestGifFrame transparent = SolidFrame(0, 0, 2, 2, 1);
    transparent.transparent = true;
    TestGifFrame opaque = SolidFrame(0, 0, 2, 2, 1);
    opaque.localTable = {{{9, 9, 9}}, {{9, 9, 9}}};  // repeated, but no transparency flag
    gif.frames = {transparent, opaque};
    auto bytes = BuildGif(gif);
    const auto before = bytes;
    GifFileInfo info = ParseGif(bytes);
    EXPECT_EQ(ChangeTransparentColors(info, bytes), 0);
    EXPECT_EQ(bytes, before);
}

TEST(GifTiming, IntervalFromDelayAndUserDelay) {
    EXPECT_EQ(FrameInterval(0, 1), 1);
    EXPECT_EQ(FrameInterval(7, 1), 71);
    EXPECT_EQ(FrameInterval(499, 3), 4993);
    EXPECT_EQ(FrameInterval(500, 1), 101);
    EXPECT_EQ(FrameInterval(600, 1), 101);
    EXPECT_EQ(FrameInterval(600, 1000), 1100);
    EXPECT_EQ(ClampUserDelay(5000), 1000);
    EXPECT_EQ(ClampUserDelay(0), 1);
    EXPECT_EQ(ClampUserDelay(-20), 1);
    EXPECT_EQ(ClampUserDelay(250), 250);
}

}  // namespace
}  // namespace keyloft
