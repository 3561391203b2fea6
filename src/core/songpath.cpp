#include "core/songpath.h"

namespace ostrane::core {

std::string songPath(std::string_view listPath, std::string_view folderLabel,
                     std::string_view fileName, char separator) {
    std::string path;
    if (folderLabel.ends_with(separator)) {
        path.reserve(folderLabel.size() + fileName.size());
        path.append(folderLabel);
    } else {
        path.reserve(listPath.size() + 1 + fileName.size());
        path.append(listPath);
        path.push_back(separator);
    }
    path.append(fileName);
    return path;
}

} // namespace ostrane::core
