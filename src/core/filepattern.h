#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::core {

// File-name patterns such as "*.spc;*.sp1", separated by ";": "*" stands for any run of
// characters, "?" for one. Letters match without regard to case, as on Windows.
class FilePattern {
public:
    explicit FilePattern(std::string_view patterns);

    // `name` is the file's name as the file system gives it, UTF-8 where it is text.
    bool matches(std::string_view name) const;

private:
    struct Wildcard {
        std::string text;
        // "*" then text without wildcards: a test of the name's ending.
        bool isSuffix;
    };
    std::vector<Wildcard> wildcards_;
    // The last letters, folded, of the endings the suffix wildcards test: most names that are
    // not songs are turned away by their last letter alone.
    std::array<bool, 256> endingLetters_{};
};

} // namespace ostrane::core
