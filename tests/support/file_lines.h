#pragma once
// Every line of an open file as the file system's line reader gives them; a read error fails the
// test that called it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/file_system.h"

namespace keyloft {

inline std::vector<std::string> ReadAllLines(ReadableFile& file) {
    std::vector<std::string> lines;
    std::string line;
    ErrorInfo error;
    while (file.readLine(line, error)) {
        lines.push_back(line);
    }
    EXPECT_FALSE(error.failed());
    return lines;
}

}  // namespace keyloft
