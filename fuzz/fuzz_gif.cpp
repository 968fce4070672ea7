// The welcome animation's block parser, on any bytes, followed by what the animation control does
// with its result: the transparent-colour change and the single-frame pictures.
// Checks: every frame's bytes lie inside the data, in file order after the header; the colour
// tables are the sizes the packed bytes give; a single-frame picture parses back to one frame with
// the same descriptor; after the transparent-colour change the data parses to the changed tables.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "desktop/gif_parser.h"

namespace {

using keyloft::GifFileInfo;
using keyloft::GifFrameInfo;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "GIF check failed: %s\n", what);
    std::abort();
}

void CheckLayout(const GifFileInfo& info, std::size_t size) {
    if (!info.signatureOk) {
        if (!info.frames.empty()) Fail("frames without a signature");
        return;
    }
    if (info.headerEnd > size) Fail("header ends past the data");
    if (info.globalTableFlag && !info.truncated &&
        info.globalTable.size() != (std::size_t{2} << info.globalTableSize))
        Fail("global table size");
    std::size_t previousEnd = info.headerEnd;
    for (const GifFrameInfo& frame : info.frames) {
        if (frame.firstByte < previousEnd || frame.firstByte >= frame.endByte || frame.endByte > size)
            Fail("frame bytes out of place");
        if (frame.localTableFlag != !frame.localTable.empty()) Fail("local table flag and table disagree");
        if (frame.localTableFlag && frame.localTable.size() != (std::size_t{2} << frame.localTableSize))
            Fail("local table size");
        if (frame.localTableFlag && (frame.localTableOffset < frame.firstByte ||
                                     frame.localTableOffset + 3 * frame.localTable.size() > frame.endByte))
            Fail("local table outside its frame");
        previousEnd = frame.endByte;
    }
}

bool SameDescriptor(const GifFrameInfo& a, const GifFrameInfo& b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height &&
           a.packed == b.packed && a.localTable == b.localTable &&
           a.lzwMinimumCodeSize == b.lzwMinimumCodeSize && a.controlPacked == b.controlPacked &&
           a.delay == b.delay && a.transparentIndex == b.transparentIndex;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    GifFileInfo info = keyloft::ParseGif(bytes);
    CheckLayout(info, bytes.size());

    for (std::size_t k = 0; k < info.frames.size(); ++k) {
        const std::vector<std::uint8_t> single = keyloft::SingleFrameGif(info, bytes, k);
        const GifFileInfo alone = keyloft::ParseGif(single);
        if (alone.frames.size() != 1 || !SameDescriptor(alone.frames[0], info.frames[k]))
            Fail("a single-frame picture does not hold its frame");
        if (alone.width != info.width || alone.height != info.height || alone.globalTable != info.globalTable)
            Fail("a single-frame picture has another screen");
    }

    keyloft::ChangeTransparentColors(info, bytes);
    const GifFileInfo changed = keyloft::ParseGif(bytes);
    if (changed.globalTable != info.globalTable || changed.frames.size() != info.frames.size())
        Fail("the changed global table is not in the data");
    for (std::size_t k = 0; k < info.frames.size(); ++k) {
        if (changed.frames[k].localTable != info.frames[k].localTable)
            Fail("a changed local table is not in the data");
    }
    return 0;
}
