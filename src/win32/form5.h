#pragma once

#include "win32/form.h"

#include <functional>

namespace ostrane::win32 {

// The about window: who made the program and how to reach its author, in coloured text on
// black, with an ornamental divider and a close picture.
class Form5 final : public Form {
public:
    explicit Form5(ControlServices services);

    // Centres the window on the primary screen in whole twips, the left edge first, the top
    // second; runs once, before the window is first shown.
    void Form5_Load();
    // Shows the window in front, with the keyboard.
    void show();

    // Until its window is closed.
    bool loaded() const { return loaded_; }
    // Runs once the window has been closed.
    std::function<void()> onUnload;

protected:
    std::optional<LRESULT> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Picture3_Click();

    bool loaded_ = true;
};

} // namespace ostrane::win32
