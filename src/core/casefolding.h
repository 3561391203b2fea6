#pragma once

namespace ostrane::core {

// Unicode's simple case folding: the one character that `code` and its other cases fold
// to ("É" and "é" to "é", "ſ" to "s"); characters without a case stay as they are.
char32_t foldCase(char32_t code);

} // namespace ostrane::core
