#include "gif_builder.h"

#include <map>
#include <utility>

namespace keyloft::testing {

namespace {

class BitWriter {
  public:
    void write(int code, int bits) {
        for (int i = 0; i < bits; ++i) {
            if (((code >> i) & 1) != 0) current_ |= static_cast<std::uint8_t>(1u << used_);
            if (++used_ == 8) flush();
        }
    }
    std::vector<std::uint8_t> finish() {
        if (used_ > 0) flush();
        return std::move(bytes_);
    }

  private:
    void flush() {
        bytes_.push_back(current_);
        current_ = 0;
        used_ = 0;
    }
    std::vector<std::uint8_t> bytes_;
    std::uint8_t current_ = 0;
    int used_ = 0;
};

int tableBits(std::size_t entries) {
    int bits = 0;
    while ((std::size_t{2} << bits) < entries) ++bits;
    return bits;
}

void put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void putTable(std::vector<std::uint8_t>& out, const std::vector<Rgb>& table) {
    for (const auto& c : table) out.insert(out.end(), c.begin(), c.end());
}

void putSubBlocks(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& data) {
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0);
}

}  // namespace

std::vector<std::uint8_t> LzwEncode(const std::vector<std::uint8_t>& indices, int minimumCodeSize) {
    const int clear = 1 << minimumCodeSize;
    const int end = clear + 1;
    int size = minimumCodeSize + 1;
    int next = end + 1;
    std::map<std::pair<int, int>, int> dictionary;
    BitWriter out;
    out.write(clear, size);
    // After every code written, the code size grows once the next free code no longer fits.
    auto emitCode = [&](int code) {
        out.write(code, size);
        if (next >= (1 << size) && size < 12) ++size;
    };
    int prefix = -1;
    for (const std::uint8_t k : indices) {
        if (prefix < 0) {
            prefix = k;
            continue;
        }
        const auto found = dictionary.find({prefix, k});
        if (found != dictionary.end()) {
            prefix = found->second;
            continue;
        }
        emitCode(prefix);
        if (next < 4095) {
            dictionary[{prefix, k}] = next++;
        } else {
            out.write(clear, size);
            dictionary.clear();
            size = minimumCodeSize + 1;
            next = end + 1;
        }
        prefix = k;
    }
    if (prefix >= 0) emitCode(prefix);
    out.write(end, size);
    return out.finish();
}

std::vector<std::uint8_t> BuildGif(const TestGif& gif) {
    std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    put16(out, gif.width);
    put16(out, gif.height);
    std::uint8_t packed = 0x70;  // 8 bits of colour resolution
    if (!gif.globalTable.empty())
        packed |= static_cast<std::uint8_t>(0x80 | tableBits(gif.globalTable.size()));
    out.push_back(packed);
    out.push_back(static_cast<std::uint8_t>(gif.backgroundIndex));
    out.push_back(0);
    putTable(out, gif.globalTable);
    if (gif.netscapeLoop) {
        const std::uint8_t loop[] = {0x21, 0xFF, 0x0B, 'N', 'E',  'T',  'S',  'C',  'A', 'P',
                                     'E',  '2',  '.',  '0', 0x03, 0x01, 0x00, 0x00, 0x00};
        out.insert(out.end(), std::begin(loop), std::end(loop));
    }
    if (gif.comment) {
        const std::uint8_t comment[] = {0x21, 0xFE, 0x05, 'h', 'e', 'l', 'l', 'o', 0x00};
        out.insert(out.end(), std::begin(comment), std::end(comment));
    }
    for (const auto& frame : gif.frames) {
        if (frame.control) {
            out.insert(out.end(), {0x21, 0xF9, 0x04});
            out.push_back(
                static_cast<std::uint8_t>(((frame.disposal & 7) << 2) | (frame.transparent ? 1 : 0)));
            put16(out, frame.delay);
            out.push_back(static_cast<std::uint8_t>(frame.transparentIndex));
            out.push_back(0);
        }
        out.push_back(0x2C);
        put16(out, frame.left);
        put16(out, frame.top);
        put16(out, frame.width);
        put16(out, frame.height);
        const std::size_t tableSize =
            frame.localTable.empty() ? gif.globalTable.size() : frame.localTable.size();
        out.push_back(frame.localTable.empty() ? 0 : static_cast<std::uint8_t>(0x80 | tableBits(tableSize)));
        putTable(out, frame.localTable);
        const int minimumCodeSize = std::max(2, tableBits(tableSize) + 1);
        out.push_back(static_cast<std::uint8_t>(minimumCodeSize));
        putSubBlocks(out, LzwEncode(frame.pixels, minimumCodeSize));
    }
    out.push_back(0x3B);
    return out;
}

TestGifFrame SolidFrame(int left, int top, int width, int height, std::uint8_t index) {
    TestGifFrame frame;
    frame.left = left;
    frame.top = top;
    frame.width = width;
    frame.height = height;
    frame.pixels.assign(static_cast<std::size_t>(width * height), index);
    return frame;
}

}  // namespace keyloft::testing
