// Speed of the block cipher (bytes per second) and of the text form (lines per second).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "crypto/aes.h"
#include "crypto/text_cipher.h"

namespace {

using keyloft::crypto::AES;
using keyloft::crypto::Bytes;

constexpr std::size_t kBufferBytes = 16 * 1024;

Bytes PatternBytes(std::size_t n, std::uint8_t seed) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(seed + i * 31);
    return out;
}

// Each block of a 16 KiB buffer through Encrypt or Decrypt, as the data layer does.
template <bool Forward>
void BlockCipher(benchmark::State& state) {
    const int nb = static_cast<int>(state.range(0));
    const int nk = static_cast<int>(state.range(1));
    const std::size_t block = 4 * static_cast<std::size_t>(nb);
    AES aes;
    aes.gentables();
    aes.gkey(nb, nk, PatternBytes(32, 1));
    Bytes buffer = PatternBytes(kBufferBytes / block * block, 2);
    for (auto _ : state) {
        for (std::size_t offset = 0; offset < buffer.size(); offset += block) {
            std::span<std::uint8_t> view(buffer.data() + offset, block);
            if constexpr (Forward) {
                aes.Encrypt(view);
            } else {
                aes.Decrypt(view);
            }
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(buffer.size()));
}

void BM_BlockEncrypt(benchmark::State& state) { BlockCipher<true>(state); }
void BM_BlockDecrypt(benchmark::State& state) { BlockCipher<false>(state); }
BENCHMARK(BM_BlockEncrypt)->ArgNames({"nb", "nk"})->Args({8, 8})->Args({4, 4})->Args({4, 8})->Args({6, 6});
BENCHMARK(BM_BlockDecrypt)->ArgNames({"nb", "nk"})->Args({8, 8})->Args({4, 4})->Args({4, 8})->Args({6, 6});

// The framed data layer on a 16 KiB message (one key, many blocks).
void BM_EncryptData(benchmark::State& state) {
    AES aes;
    const Bytes message = PatternBytes(kBufferBytes - 4, 3);
    const Bytes password = PatternBytes(20, 4);
    for (auto _ : state) benchmark::DoNotOptimize(aes.EncryptData(message, password));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(kBufferBytes));
}
BENCHMARK(BM_EncryptData);

void BM_DecryptData(benchmark::State& state) {
    AES aes;
    const Bytes password = PatternBytes(20, 4);
    const Bytes cipher = aes.EncryptData(PatternBytes(kBufferBytes - 4, 3), password);
    for (auto _ : state) benchmark::DoNotOptimize(aes.DecryptData(cipher, password));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(cipher.size()));
}
BENCHMARK(BM_DecryptData);

std::u16string Line(std::size_t length) {
    std::u16string line;
    for (std::size_t i = 0; line.size() < length; ++i) {
        line += static_cast<char16_t>(u'a' + i % 26);
        if (i % 9 == 8 && line.size() < length) line += u'|';
    }
    return line;
}

// One profile line under one password, as the loader and saver use it.
void BM_EncryptText(benchmark::State& state) {
    const std::u16string line = Line(static_cast<std::size_t>(state.range(0)));
    const std::u16string password = u"0123456789ABCDEF0123";
    for (auto _ : state) benchmark::DoNotOptimize(keyloft::crypto::TryEncryptText(line, password));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.SetLabel("lines");
}
BENCHMARK(BM_EncryptText)->ArgName("chars")->Arg(64)->Arg(256);

void BM_DecryptText(benchmark::State& state) {
    const std::u16string line = Line(static_cast<std::size_t>(state.range(0)));
    const std::u16string password = u"0123456789ABCDEF0123";
    const std::string cipher = keyloft::crypto::TryEncryptText(line, password);
    for (auto _ : state) benchmark::DoNotOptimize(keyloft::crypto::TryDecryptText(cipher, password));
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.SetLabel("lines");
}
BENCHMARK(BM_DecryptText)->ArgName("chars")->Arg(64)->Arg(256);

// Alternating passwords on every line: the key schedule is rebuilt each time.
void BM_EncryptTextNewKeyEachLine(benchmark::State& state) {
    const std::u16string line = Line(64);
    const std::u16string passwords[2] = {u"first password", u"second password"};
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(keyloft::crypto::TryEncryptText(line, passwords[i++ & 1]));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.SetLabel("lines");
}
BENCHMARK(BM_EncryptTextNewKeyEachLine);

}  // namespace

BENCHMARK_MAIN();
