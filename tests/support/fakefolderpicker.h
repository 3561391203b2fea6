#pragma once

#include "core/folderpicker.h"

#include <string>
#include <vector>

namespace ostrane::testing {

// Gives `answer` at once, as if the user had confirmed it, and records every request.
class FakeFolderPicker : public core::FolderPicker {
public:
    struct Request {
        core::WindowHandle owner;
        std::string prompt;
    };

    std::string pick(core::WindowHandle owner, std::string_view prompt) override {
        requests.push_back({owner, std::string(prompt)});
        return answer;
    }

    std::string answer;
    std::vector<Request> requests;
};

} // namespace ostrane::testing
