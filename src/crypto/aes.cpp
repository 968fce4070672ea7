// Rijndael with a table-driven round: one forward and one inverse round table of 256 words, the
// other three rows obtained by rotating the looked-up word. The tables are derived at compile
// time from the log/antilog tables of GF(2^8); only the published constants appear as literals.

#include "crypto/aes.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace keyloft::crypto {
namespace {

// ---------------------------------------------------------------------------------------------
// Tables

using Byte = std::uint8_t;
using Word = std::uint32_t;
using ByteTable = std::array<Byte, 256>;
using WordTable = std::array<Word, 256>;

// Multiplication by x (that is 02) modulo the field polynomial x^8 + x^4 + x^3 + x + 1 (0x11B).
constexpr Byte xtime(Byte a) { return static_cast<Byte>((a << 1) ^ ((a & 0x80) != 0 ? 0x1B : 0x00)); }

constexpr Byte rotl8(Byte v, int n) { return static_cast<Byte>((v << n) | (v >> (8 - n))); }

constexpr Word makeWord(Byte b0, Byte b1, Byte b2, Byte b3) {
    return static_cast<Word>(b0) | (static_cast<Word>(b1) << 8) | (static_cast<Word>(b2) << 16) |
           (static_cast<Word>(b3) << 24);
}

constexpr Byte byteOf(Word w, int r) { return static_cast<Byte>(w >> (8 * r)); }

struct LogTables {
    ByteTable antilog{};  // antilog[i] = 03^i
    ByteTable log{};      // log[antilog[i]] = i, log[0] = 0; log values are used modulo 255
};

// antilog[i] = antilog[i − 1]·03 = antilog[i − 1] ⊕ xtime(antilog[i − 1]), starting from 1.
constexpr LogTables makeLogTables() {
    LogTables t;
    t.antilog[0] = 1;
    for (int i = 1; i < 256; ++i) {
        t.antilog[i] = static_cast<Byte>(t.antilog[i - 1] ^ xtime(t.antilog[i - 1]));
    }
    for (int i = 0; i < 255; ++i) {
        t.log[t.antilog[i]] = static_cast<Byte>(i);
    }
    return t;
}
constexpr LogTables kLog = makeLogTables();

// mul(x, y) = antilog[(log x + log y) mod 255], 0 when either is 0.
constexpr Byte mul(Byte x, Byte y) {
    if (x == 0 || y == 0) return 0;
    return kLog.antilog[(kLog.log[x] + kLog.log[y]) % 255];
}

// x^-1 = antilog[255 − log x]; 0 has no inverse and maps to 0.
constexpr Byte inverse(Byte x) {
    if (x == 0) return 0;
    return kLog.antilog[(255 - kLog.log[x]) % 255];
}

// S[x] = y ⊕ rotl(y, 1) ⊕ rotl(y, 2) ⊕ rotl(y, 3) ⊕ rotl(y, 4) ⊕ 63, with y = x^-1.
constexpr ByteTable makeSbox() {
    ByteTable s{};
    for (int x = 0; x < 256; ++x) {
        const Byte y = inverse(static_cast<Byte>(x));
        s[x] = static_cast<Byte>(y ^ rotl8(y, 1) ^ rotl8(y, 2) ^ rotl8(y, 3) ^ rotl8(y, 4) ^ 0x63);
    }
    return s;
}
constexpr ByteTable kS = makeSbox();

// IS[S[x]] = x.
constexpr ByteTable makeInverseSbox() {
    ByteTable is{};
    for (int x = 0; x < 256; ++x) is[kS[x]] = static_cast<Byte>(x);
    return is;
}
constexpr ByteTable kIS = makeInverseSbox();

// rc[0] = 01, rc[i] = 02·rc[i − 1].
constexpr std::array<Byte, 30> makeRoundConstants() {
    std::array<Byte, 30> rc{};
    rc[0] = 1;
    for (std::size_t i = 1; i < rc.size(); ++i) rc[i] = xtime(rc[i - 1]);
    return rc;
}
constexpr std::array<Byte, 30> kRc = makeRoundConstants();

// FT[x] = S[x]·(02, 01, 01, 03): column 0 of MixColumns applied to the substituted byte.
constexpr WordTable makeForwardTable() {
    WordTable t{};
    for (int x = 0; x < 256; ++x) {
        const Byte y = kS[x];
        t[x] = makeWord(xtime(y), y, y, static_cast<Byte>(y ^ xtime(y)));
    }
    return t;
}
constexpr WordTable kFT = makeForwardTable();

// IT[x] = IS[x]·(0E, 09, 0D, 0B): column 0 of InvMixColumns applied to the substituted byte.
constexpr WordTable makeInverseTable() {
    WordTable t{};
    for (int x = 0; x < 256; ++x) {
        const Byte y = kIS[x];
        t[x] = makeWord(mul(0x0E, y), mul(0x09, y), mul(0x0D, y), mul(0x0B, y));
    }
    return t;
}
constexpr WordTable kIT = makeInverseTable();

// Published values, checked when this file compiles.
static_assert(kS[0x00] == 0x63 && kS[0x01] == 0x7C && kS[0x53] == 0xED && kS[0xFF] == 0x16);
static_assert(kIS[0x63] == 0x00 && kIS[0x00] == 0x52);
static_assert(kRc[1] == 0x02 && kRc[8] == 0x1B && kRc[9] == 0x36);
static_assert(kFT[0x00] == 0xA56363C6u && kIT[0x00] == 0x50A7F451u);

// ---------------------------------------------------------------------------------------------
// Word helpers

inline Word loadLE32(const Byte* p) {
    return static_cast<Word>(p[0]) | (static_cast<Word>(p[1]) << 8) | (static_cast<Word>(p[2]) << 16) |
           (static_cast<Word>(p[3]) << 24);
}

inline void storeLE32(Byte* p, Word w) {
    p[0] = static_cast<Byte>(w);
    p[1] = static_cast<Byte>(w >> 8);
    p[2] = static_cast<Byte>(w >> 16);
    p[3] = static_cast<Byte>(w >> 24);
}

constexpr Word subWord(Word w) {
    return makeWord(kS[byteOf(w, 0)], kS[byteOf(w, 1)], kS[byteOf(w, 2)], kS[byteOf(w, 3)]);
}

// (b0, b1, b2, b3) → (b1, b2, b3, b0).
constexpr Word rotWord(Word w) { return std::rotr(w, 8); }

// InvMixColumns of one column: out_r = 0E·x_r ⊕ 0B·x_(r+1) ⊕ 0D·x_(r+2) ⊕ 09·x_(r+3).
constexpr Word invMixColumn(Word x) {
    Byte out[4]{};
    for (int r = 0; r < 4; ++r) {
        out[r] = static_cast<Byte>(mul(0x0E, byteOf(x, r)) ^ mul(0x0B, byteOf(x, (r + 1) % 4)) ^
                                   mul(0x0D, byteOf(x, (r + 2) % 4)) ^ mul(0x09, byteOf(x, (r + 3) % 4)));
    }
    return makeWord(out[0], out[1], out[2], out[3]);
}

inline void wipeWords(Word* words, std::size_t count) {
    volatile Word* p = words;
    for (std::size_t i = 0; i < count; ++i) p[i] = 0;
}

// ---------------------------------------------------------------------------------------------
// Rounds, unrolled over the Nb columns at compile time

// ShiftRows offsets of rows 1, 2, 3: (1, 2, 3) for 4- and 6-word blocks, (1, 3, 4) for 8.
template <int Nb>
constexpr int kC1 = 1;
template <int Nb>
constexpr int kC2 = Nb == 8 ? 3 : 2;
template <int Nb>
constexpr int kC3 = Nb == 8 ? 4 : 3;

// Column j of the next state takes row r from column (j + Cr) mod Nb (encryption) or
// (j − Cr) mod Nb (decryption).
template <int Nb, bool Forward>
constexpr int source(int j, int c) {
    return Forward ? (j + c) % Nb : (Nb + j - c) % Nb;
}

template <int Nb, bool Forward, std::size_t... J>
[[gnu::always_inline]] inline void fullRound(const Word* x, Word* y, const Word* k,
                                             std::index_sequence<J...>) {
    constexpr const WordTable& T = Forward ? kFT : kIT;
    ((y[J] = k[J] ^ T[byteOf(x[J], 0)] ^ std::rotl(T[byteOf(x[source<Nb, Forward>(J, kC1<Nb>)], 1)], 8) ^
             std::rotl(T[byteOf(x[source<Nb, Forward>(J, kC2<Nb>)], 2)], 16) ^
             std::rotl(T[byteOf(x[source<Nb, Forward>(J, kC3<Nb>)], 3)], 24)),
     ...);
}

template <int Nb, bool Forward, std::size_t... J>
[[gnu::always_inline]] inline void lastRound(const Word* x, Word* y, const Word* k,
                                             std::index_sequence<J...>) {
    constexpr const ByteTable& S = Forward ? kS : kIS;
    ((y[J] = k[J] ^ makeWord(S[byteOf(x[J], 0)], S[byteOf(x[source<Nb, Forward>(J, kC1<Nb>)], 1)],
                             S[byteOf(x[source<Nb, Forward>(J, kC2<Nb>)], 2)],
                             S[byteOf(x[source<Nb, Forward>(J, kC3<Nb>)], 3)])),
     ...);
}

// One block in place. keys holds Nb·(nr + 1) words: the encryption schedule, or the
// decryption schedule of the equivalent inverse cipher.
template <int Nb, bool Forward>
void cryptBlock(Byte* block, const Word* keys, int nr) {
    constexpr auto columns = std::make_index_sequence<Nb>{};
    if constexpr (Nb == 8) nr = 14;  // 6 + max(8, Nk) whatever the key length
    Word x[Nb];
    Word y[Nb];
    for (int i = 0; i < Nb; ++i) x[i] = loadLE32(block + 4 * i) ^ keys[i];
    keys += Nb;
    // nr − 1 full rounds (an odd number), alternating between x and y, then the last round.
    for (int pair = 0; pair < (nr - 2) / 2; ++pair) {
        fullRound<Nb, Forward>(x, y, keys, columns);
        fullRound<Nb, Forward>(y, x, keys + Nb, columns);
        keys += 2 * Nb;
    }
    fullRound<Nb, Forward>(x, y, keys, columns);
    lastRound<Nb, Forward>(y, x, keys + Nb, columns);
    for (int i = 0; i < Nb; ++i) storeLE32(block + 4 * i, x[i]);
    wipeWords(x, Nb);
    wipeWords(y, Nb);
}

template <bool Forward>
void cryptBlockAnySize(int nb, Byte* block, const Word* keys, int nr) {
    switch (nb) {
        case 4:
            cryptBlock<4, Forward>(block, keys, nr);
            break;
        case 6:
            cryptBlock<6, Forward>(block, keys, nr);
            break;
        default:
            cryptBlock<8, Forward>(block, keys, nr);
            break;
    }
}

constexpr bool supportedSize(int words) { return words == 4 || words == 6 || words == 8; }

constexpr std::size_t kDataBlock = 32;  // bytes of one block of the stored data (nb = 8)

}  // namespace

// ---------------------------------------------------------------------------------------------

void WipeBytes(void* data, std::size_t size) noexcept {
    volatile Byte* p = static_cast<Byte*>(data);
    for (std::size_t i = 0; i < size; ++i) p[i] = 0;
}

std::array<std::uint8_t, 32> KeyFromPassword(ByteSpan password) noexcept {
    std::array<std::uint8_t, 32> key{};
    std::copy_n(password.begin(), std::min(password.size(), key.size()), key.begin());
    return key;
}

AES::~AES() {
    wipeWords(encKeys_.data(), encKeys_.size());
    wipeWords(decKeys_.data(), decKeys_.size());
    WipeBytes(keyBytes_.data(), keyBytes_.size());
}

void AES::gentables() noexcept {}

void AES::gkey(int nb, int nk, ByteSpan key) {
    if (!supportedSize(nb) || !supportedSize(nk)) {
        throw std::invalid_argument("block and key length must be 4, 6 or 8 words");
    }
    const std::size_t keySize = 4 * static_cast<std::size_t>(nk);
    if (key.size() < keySize) throw std::invalid_argument("key shorter than 4·nk bytes");
    key = key.first(keySize);
    if (keyed_ && nb == nb_ && nk == nk_ && std::equal(key.begin(), key.end(), keyBytes_.begin())) {
        return;
    }
    nb_ = nb;
    nk_ = nk;
    buildSchedule(key);
}

void AES::buildSchedule(ByteSpan key) {
    keyed_ = false;
    nr_ = 6 + std::max(nb_, nk_);
    const int n = nb_ * (nr_ + 1);
    Word* w = encKeys_.data();
    Word* d = decKeys_.data();

    for (int i = 0; i < nk_; ++i) w[i] = loadLE32(key.data() + 4 * i);
    for (int j = nk_, k = 0; j < n; j += nk_, ++k) {
        w[j] = w[j - nk_] ^ subWord(rotWord(w[j - 1])) ^ kRc[k];
        if (nk_ != 8) {
            for (int i = 1; i < nk_ && j + i < n; ++i) w[j + i] = w[j + i - nk_] ^ w[j + i - 1];
        } else {
            for (int i = 1; i < 4 && j + i < n; ++i) w[j + i] = w[j + i - nk_] ^ w[j + i - 1];
            if (j + 4 < n) w[j + 4] = w[j + 4 - nk_] ^ subWord(w[j + 3]);
            for (int i = 5; i < nk_ && j + i < n; ++i) w[j + i] = w[j + i - nk_] ^ w[j + i - 1];
        }
    }

    // Equivalent inverse cipher: the round keys in reverse round order, InvMixColumns applied to
    // every round key but the first and the last.
    for (int j = 0; j < nb_; ++j) d[n - nb_ + j] = w[j];
    for (int i = nb_; i < n - nb_; i += nb_) {
        for (int j = 0; j < nb_; ++j) d[n - nb_ - i + j] = invMixColumn(w[i + j]);
    }
    for (int j = n - nb_; j < n; ++j) d[j - (n - nb_)] = w[j];

    keyBytes_.fill(0);
    std::copy(key.begin(), key.end(), keyBytes_.begin());
    keyed_ = true;
    ++scheduleBuilds_;
}

void AES::Encrypt(std::span<std::uint8_t> buff) {
    if (!keyed_) throw std::logic_error("Encrypt before gkey");
    if (buff.size() < 4 * static_cast<std::size_t>(nb_)) {
        throw std::invalid_argument("buffer shorter than one block");
    }
    cryptBlockAnySize<true>(nb_, buff.data(), encKeys_.data(), nr_);
}

void AES::Decrypt(std::span<std::uint8_t> buff) {
    if (!keyed_) throw std::logic_error("Decrypt before gkey");
    if (buff.size() < 4 * static_cast<std::size_t>(nb_)) {
        throw std::invalid_argument("buffer shorter than one block");
    }
    cryptBlockAnySize<false>(nb_, buff.data(), decKeys_.data(), nr_);
}

Bytes AES::EncryptData(ByteArg message, ByteArg password) {
    if (!message || !password) return {};
    try {
        std::array<std::uint8_t, 32> key = KeyFromPassword(*password);
        gentables();
        gkey(8, 8, key);
        WipeBytes(key.data(), key.size());

        const std::size_t length = message->size();
        // The length prefix is a signed 32-bit number: larger messages cannot be framed.
        if (length == 0 || length > static_cast<std::size_t>(INT32_MAX) - 4) return {};
        const std::size_t total = (length + 4 + kDataBlock - 1) / kDataBlock * kDataBlock;

        Bytes out(total, 0);
        storeLE32(out.data(), static_cast<Word>(length));
        std::copy(message->begin(), message->end(), out.begin() + 4);
        for (std::size_t offset = 0; offset < total; offset += kDataBlock) {
            cryptBlock<8, true>(out.data() + offset, encKeys_.data(), nr_);
        }
        return out;
    } catch (...) {
        return {};
    }
}

Bytes AES::DecryptData(ByteArg cipher, ByteArg password) {
    if (!cipher || !password) return {};
    const std::size_t total = cipher->size();
    if (total == 0 || total % kDataBlock != 0) return {};
    try {
        std::array<std::uint8_t, 32> key = KeyFromPassword(*password);
        gentables();
        gkey(8, 8, key);
        WipeBytes(key.data(), key.size());

        Bytes plain(cipher->begin(), cipher->end());
        for (std::size_t offset = 0; offset < total; offset += kDataBlock) {
            cryptBlock<8, false>(plain.data() + offset, decKeys_.data(), nr_);
        }
        const auto length = static_cast<std::int32_t>(loadLE32(plain.data()));
        Bytes out;
        if (length >= 1 && static_cast<std::size_t>(length) <= total - 4) {
            out.assign(plain.begin() + 4, plain.begin() + 4 + length);
        }
        WipeBytes(plain.data(), plain.size());
        return out;
    } catch (...) {
        return {};
    }
}

}  // namespace keyloft::crypto
