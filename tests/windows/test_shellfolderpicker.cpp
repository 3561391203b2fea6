// The shell's folder dialog, driven from a second thread as a person would: cancel, or
// select a folder and confirm.

#include "platform/win32/shellfolderpicker.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32api.h"
#include "wintest.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

using namespace ostrane;
using platform::win32::ShellFolderPicker;

namespace {

constexpr char prompt[] = "Please select your SPC directory.";

struct FoundDialog {
    HWND owner;
    HWND dialog = nullptr;
};

BOOL CALLBACK findOwnedDialog(HWND window, LPARAM context) {
    auto* found = reinterpret_cast<FoundDialog*>(context);
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (std::wstring(className) == L"#32770" && ::GetWindow(window, GW_OWNER) == found->owner &&
        ::IsWindowVisible(window)) {
        found->dialog = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK findPromptText(HWND window, LPARAM context) {
    char text[128] = {};
    ::GetWindowTextA(window, text, sizeof text);
    if (std::string(text) == prompt)
        *reinterpret_cast<bool*>(context) = true;
    return TRUE;
}

// Runs the picker on this thread while another waits for its dialog and acts on it.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> act) : act_(std::move(act)) {
        owner_ = ::CreateWindowExW(0, L"STATIC", L"Ostrane", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                                   10, 300, 200, nullptr, nullptr, nullptr, nullptr);
    }
    ~DialogDriver() { ::DestroyWindow(owner_); }

    std::string pick() {
        std::thread driver([this] {
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
            FoundDialog found{owner_};
            while (found.dialog == nullptr && std::chrono::steady_clock::now() < giveUp) {
                ::EnumWindows(findOwnedDialog, reinterpret_cast<LPARAM>(&found));
                if (found.dialog == nullptr)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (found.dialog == nullptr)
                return;
            dialogFound_ = true;
            bool promptShown = false;
            ::EnumChildWindows(found.dialog, findPromptText,
                               reinterpret_cast<LPARAM>(&promptShown));
            promptShown_ = promptShown;
            act_(found.dialog);
        });
        const std::string picked =
            ShellFolderPicker().pick(reinterpret_cast<std::uintptr_t>(owner_), prompt);
        driver.join();
        return picked;
    }

    bool dialogFound() const { return dialogFound_; }
    bool promptShown() const { return promptShown_; }

private:
    std::function<void(HWND)> act_;
    HWND owner_ = nullptr;
    std::atomic<bool> dialogFound_{false};
    std::atomic<bool> promptShown_{false};
};

void press(HWND dialog, int button) {
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

std::function<void(HWND)> selectAndConfirm(const std::wstring& folder) {
    return [folder](HWND dialog) {
        ::SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        press(dialog, IDOK);
    };
}

// A folder made for one test and removed after it.
class ScratchFolder {
public:
    explicit ScratchFolder(std::wstring path) : path_(std::move(path)) {
        ::SHCreateDirectoryExW(nullptr, path_.c_str(), nullptr);
    }
    ~ScratchFolder() { ::RemoveDirectoryW(path_.c_str()); }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

} // namespace

WIN_TEST(aCancelGivesNothing) {
    DialogDriver driver([](HWND dialog) { press(dialog, IDCANCEL); });
    WIN_CHECK_EQ(driver.pick(), std::string());
    WIN_CHECK(driver.dialogFound());
    WIN_CHECK(driver.promptShown());
}

WIN_TEST(aConfirmedFolderGivesItsFullPath) {
    const ScratchFolder folder(L"C:\\Ostrane test\\SPC songs");
    DialogDriver driver(selectAndConfirm(folder.path()));
    WIN_CHECK_EQ(driver.pick(), std::string("C:\\Ostrane test\\SPC songs"));
    WIN_CHECK(driver.dialogFound());
    ::RemoveDirectoryW(L"C:\\Ostrane test");
}

WIN_TEST(aFolderBeyondTheCodePageArrivesWhole) {
    const std::wstring path = *platform::win32::wideFromUtf8("C:\\Музыка 曲");
    const ScratchFolder folder(path);
    DialogDriver driver(selectAndConfirm(folder.path()));
    WIN_CHECK_EQ(driver.pick(), std::string("C:\\Музыка 曲"));
}

WIN_TEST(aDrivesRootEndsInABackslash) {
    DialogDriver driver(selectAndConfirm(L"C:\\"));
    WIN_CHECK_EQ(driver.pick(), std::string("C:\\"));
}
