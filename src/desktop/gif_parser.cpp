#include "desktop/gif_parser.h"

#include <algorithm>
#include <functional>

namespace keyloft {

namespace {

constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImageDescriptor = 0x2C;
constexpr std::uint8_t kTrailer = 0x3B;
constexpr std::uint8_t kGraphicControl = 0xF9;

// Bounds-checked reading position over the file.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t pos() const { return pos_; }
    bool has(std::size_t count) const { return pos_ <= data_.size() && data_.size() - pos_ >= count; }
    bool atEnd() const { return pos_ >= data_.size(); }
    std::uint8_t peek() const { return data_[pos_]; }
    std::uint8_t byte() { return data_[pos_++]; }
    std::uint16_t word() {
        const std::uint16_t low = data_[pos_];
        const std::uint16_t high = data_[pos_ + 1];
        pos_ += 2;
        return static_cast<std::uint16_t>(low | (high << 8));
    }
    void skip(std::size_t count) { pos_ += count; }

    // Colour table of 2^(size + 1) entries; false when the data ends first.
    bool colorTable(std::uint8_t sizeBits, std::vector<GifColor>& table) {
        const std::size_t entries = std::size_t{1} << (sizeBits + 1);
        if (!has(entries * 3)) return false;
        table.resize(entries);
        for (auto& color : table) {
            color.red = byte();
            color.green = byte();
            color.blue = byte();
        }
        return true;
    }

    // Skips data sub-blocks up to and including the zero-length terminator; false when the data
    // ends first. Every step moves forward, so this always ends.
    bool skipSubBlocks() {
        while (has(1)) {
            const std::uint8_t length = byte();
            if (length == 0) return true;
            if (!has(length)) {
                pos_ = data_.size();
                return false;
            }
            skip(length);
        }
        return false;
    }

  private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

}  // namespace

std::uint32_t GifColor::value() const { return std::uint32_t{red} + 256u * green + 65536u * blue; }

GifFileInfo ParseGif(std::span<const std::uint8_t> data) {
    GifFileInfo info;
    if (data.size() < 4 || data[0] != 'G' || data[1] != 'I' || data[2] != 'F' || data[3] != '8') return info;
    info.signatureOk = true;

    Reader in(data);
    if (!in.has(13)) {
        info.truncated = true;
        return info;
    }
    in.skip(6);
    info.width = in.word();
    info.height = in.word();
    info.packed = in.byte();
    info.globalTableFlag = (info.packed & 0x80) != 0;
    info.colorResolution = static_cast<std::uint8_t>((info.packed & 0x70) >> 4);
    info.sort = (info.packed & 0x08) != 0;
    info.globalTableSize = info.packed & 0x07;
    info.backgroundIndex = in.byte();
    info.aspect = in.byte();
    info.globalTableOffset = in.pos();
    if (info.globalTableFlag && !in.colorTable(info.globalTableSize, info.globalTable)) {
        info.globalTable.clear();
        info.truncated = true;
        info.headerEnd = data.size();
        return info;
    }
    info.headerEnd = in.pos();

    GifFrameInfo next;  // control values gathered for the next frame
    next.firstByte = in.pos();
    while (!in.atEnd()) {
        const std::uint8_t introducer = in.byte();
        if (introducer == kTrailer) break;
        if (introducer == kExtension) {
            if (!in.has(1)) {
                info.truncated = true;
                break;
            }
            const std::uint8_t label = in.byte();
            if (label == kGraphicControl && in.has(5) && in.peek() >= 4) {
                // Block size, packed, delay, transparent index; then the sub-block chain goes on.
                const std::uint8_t size = in.byte();
                next.controlPacked = in.byte();
                next.delay = in.word();
                next.transparentIndex = in.byte();
                next.disposal = static_cast<std::uint8_t>((next.controlPacked >> 2) & 0x07);
                next.userInput = (next.controlPacked & 0x02) != 0;
                next.transparent = (next.controlPacked & 0x01) != 0;
                if (!in.has(size - 4u)) {
                    info.truncated = true;
                    break;
                }
                in.skip(size - 4u);
            }
            // Application, comment, plain text and unknown labels: their data sub-blocks.
            if (!in.skipSubBlocks()) {
                info.truncated = true;
                break;
            }
            continue;
        }
        if (introducer != kImageDescriptor) break;  // not a GIF block: the walk ends here

        GifFrameInfo frame = next;
        if (!in.has(9)) {
            info.truncated = true;
            break;
        }
        frame.left = in.word();
        frame.top = in.word();
        frame.width = in.word();
        frame.height = in.word();
        frame.packed = in.byte();
        frame.localTableFlag = (frame.packed & 0x80) != 0;
        frame.interlace = (frame.packed & 0x40) != 0;
        frame.sort = (frame.packed & 0x20) != 0;
        frame.localTableSize = frame.packed & 0x07;
        frame.localTableOffset = in.pos();
        if (frame.localTableFlag && !in.colorTable(frame.localTableSize, frame.localTable)) {
            info.truncated = true;
            break;
        }
        if (!in.has(1)) {
            info.truncated = true;
            break;
        }
        frame.lzwMinimumCodeSize = in.byte();
        if (!in.skipSubBlocks()) {
            info.truncated = true;
            break;
        }
        frame.endByte = in.pos();
        info.frames.push_back(std::move(frame));
        next = GifFrameInfo{};
        next.firstByte = in.pos();
    }
    return info;
}

GifColor ReplacementTransparentColor(const std::vector<GifColor>& table) {
    if (table.empty()) return {};
    std::vector<std::uint32_t> values;
    values.reserve(table.size());
    for (const auto& color : table) values.push_back(color.value());
    std::sort(values.begin(), values.end(), std::greater<>());
    const std::uint32_t secondLargest = values.size() > 1 ? values[1] : values[0];
    // Half of an integer, rounded to the nearest integer with ties going to the even one.
    std::uint32_t half = secondLargest / 2;
    if ((secondLargest & 1u) != 0 && (half & 1u) != 0) ++half;
    return GifColor{static_cast<std::uint8_t>(half & 0xFF), static_cast<std::uint8_t>((half >> 8) & 0xFF),
                    static_cast<std::uint8_t>((half >> 16) & 0xFF)};
}

int ChangeTransparentColors(GifFileInfo& info, std::vector<std::uint8_t>& data) {
    int changed = 0;
    for (auto& frame : info.frames) {
        if (!frame.transparent) continue;
        const bool local = frame.localTableFlag;
        std::vector<GifColor>& table = local ? frame.localTable : info.globalTable;
        const std::size_t tableOffset = local ? frame.localTableOffset : info.globalTableOffset;
        const std::size_t index = frame.transparentIndex;
        if (index >= table.size()) continue;
        const GifColor key = table[index];
        bool repeated = false;
        for (std::size_t i = 0; i < table.size(); ++i)
            if (i != index && table[i] == key) repeated = true;
        if (!repeated) continue;

        const GifColor replacement = ReplacementTransparentColor(table);
        table[index] = replacement;
        const std::size_t at = tableOffset + index * 3;
        if (at + 3 <= data.size()) {
            data[at] = replacement.red;
            data[at + 1] = replacement.green;
            data[at + 2] = replacement.blue;
        }
        // Later frames sharing the global table see the new colour through the copy.
        ++changed;
    }
    return changed;
}

std::vector<std::uint8_t> SingleFrameGif(const GifFileInfo& info, std::span<const std::uint8_t> data,
                                         std::size_t frame) {
    std::vector<std::uint8_t> out;
    if (frame >= info.frames.size()) return out;
    const auto& f = info.frames[frame];
    const std::size_t headerEnd = std::min(info.headerEnd, data.size());
    const std::size_t end = std::min(f.endByte, data.size());
    const std::size_t first = std::min(f.firstByte, end);
    out.reserve(headerEnd + (end - first) + 1);
    out.insert(out.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(headerEnd));
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(first),
               data.begin() + static_cast<std::ptrdiff_t>(end));
    out.push_back(kTrailer);
    return out;
}

bool WithinPlayLimits(const GifFileInfo& info) {
    if (info.frames.size() > kMaxGifFrames) return false;
    const std::uint64_t screen = std::uint64_t{info.width} * info.height;
    if (screen > kMaxGifFramePixels) return false;
    std::uint64_t decoded = 0;
    for (const GifFrameInfo& frame : info.frames) {
        const std::uint64_t pixels = std::max(screen, std::uint64_t{frame.width} * frame.height);
        if (pixels > kMaxGifFramePixels) return false;
        decoded += pixels;
    }
    return decoded <= kMaxGifDecodedPixels;
}

int FrameInterval(int delayHundredths, int userDelay) {
    if (delayHundredths >= 500) return userDelay + 100;
    return delayHundredths * 10 + userDelay;
}

int ClampUserDelay(long long milliseconds) {
    return static_cast<int>(std::clamp<long long>(milliseconds, 1, 1000));
}

}  // namespace keyloft
