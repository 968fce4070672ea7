#pragma once
// Changing a sealed file's lines on purpose: the check line is made again afterwards, so that only
// the keys (a slot's or the body's authentication) can tell.

#include <sodium.h>

#include <string>
#include <vector>

#include "store/profile_codec.h"

namespace keyloft::testing {

inline std::vector<std::string> WithCheckLineRemade(std::vector<std::string> lines) {
    lines.pop_back();
    const std::string joined = JoinFileLines(lines);
    unsigned char hash[crypto_generichash_BYTES];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(joined.data()),
                       joined.size(), nullptr, 0);
    char text[sodium_base64_ENCODED_LEN(crypto_generichash_BYTES, sodium_base64_VARIANT_ORIGINAL)];
    sodium_bin2base64(text, sizeof text, hash, sizeof hash, sodium_base64_VARIANT_ORIGINAL);
    lines.push_back(std::string("check=") + text);
    return lines;
}

// The labels of the file's key slots, in order ("logon", "answers:1", ...); the line that holds the
// profile's identity ("slot=profile", which nothing opens) is no key slot.
inline std::vector<std::string> SlotLabels(const std::vector<std::string>& lines) {
    std::vector<std::string> labels;
    for (const std::string& line : lines) {
        if (line.rfind("slot=", 0) == 0 && line.rfind("slot=profile ", 0) != 0)
            labels.push_back(line.substr(5, line.find(' ') - 5));
    }
    return labels;
}

}  // namespace keyloft::testing
