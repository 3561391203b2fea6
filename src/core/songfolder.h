#pragma once

#include <string>
#include <string_view>

namespace ostrane::core {

// The folder label's caption as the file system's bytes, kept beside what the label shows, so
// that a song's path is built from data and never read back from a control.
class SongFolder {
public:
    explicit SongFolder(std::string_view labelCaption) : label_(labelCaption) {}

    const std::string& label() const { return label_; }
    void setLabel(std::string caption) { label_ = std::move(caption); }

    // The full path of the song `fileName` of the list's folder `listed`.
    std::string songPath(std::string_view listed, std::string_view fileName) const;

private:
    std::string label_;
};

} // namespace ostrane::core
