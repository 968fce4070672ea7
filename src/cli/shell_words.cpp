#include "cli/shell_words.h"

namespace keyloft::cli {

std::optional<std::vector<std::string>> SplitShellWords(std::string_view line, std::string& problem) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        const char next = i + 1 < line.size() ? line[i + 1] : '\0';
        if (quote == '\'') {
            if (c == '\'')
                quote = 0;
            else
                word += c;
        } else if (quote == '"') {
            if (c == '"') {
                quote = 0;
            } else if (c == '\\' && (next == '"' || next == '\\')) {
                word += next;
                ++i;
            } else {
                word += c;
            }
        } else if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == '\\' &&
                       (next == ' ' || next == '\t' || next == '\'' || next == '"' || next == '\\')) {
                word += next;
                ++i;
            } else {
                word += c;
            }
        }
    }
    if (quote != 0) {
        problem = std::string("the quote ") + quote + " is not closed";
        return std::nullopt;
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

}  // namespace keyloft::cli
