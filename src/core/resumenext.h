#pragma once

#include <exception>

namespace ostrane::core {

// Runs one step of a handler that goes on whatever happens: an error is dropped unreported.
template <typename Step> void resumeNext(Step&& step) noexcept {
    try {
        step();
    } catch (const std::exception&) {
    }
}

} // namespace ostrane::core
