#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::app {

// File-name patterns such as "*.spc;*.sp1", separated by ";": "*" stands for any run of
// characters, "?" for one. Letters match without regard to case, as on Windows.
class FilePattern {
public:
    explicit FilePattern(std::string_view patterns);

    // `name` is the file's name in UTF-8, as the file system gives it.
    bool matches(std::string_view name) const;

private:
    struct Wildcard {
        std::string text;
        // "*" then text without wildcards: a test of the name's ending.
        bool isSuffix;
    };
    std::vector<Wildcard> wildcards_;
};

// The key that orders UTF-8 names naturally and without regard to case: "Track 2" before
// "track 10". Keys compare as plain byte strings.
std::string naturalOrderKey(std::string_view name);
void appendNaturalOrderKey(std::string& key, std::string_view name);

// Sorts names by their natural order keys; names with the same key by their own text.
void sortNaturally(QStringList& names);

// The names of the files in `folder` that `pattern` matches, in natural order: regular files
// and links to them, but not folders, broken links or hidden files. Nothing when the folder
// cannot be read.
std::optional<QStringList> listFiles(const QString& folder, const FilePattern& pattern);

} // namespace ostrane::app
