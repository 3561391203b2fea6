#include "win32/win32platform.h"

#include <thread>

namespace ostrane::win32 {

Win32Platform::Win32Platform(std::chrono::milliseconds openTimeout) {
    conversations.emplace(
        [openTimeout]() -> std::unique_ptr<core::Conversations> {
            return std::make_unique<platform::win32::DdeConversations>(openTimeout);
        },
        stopBound);
}

void Win32Platform::endConversations() {
    if (!conversations)
        return;
    const HANDLE ended = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (ended == nullptr) {
        conversations.reset();
        return;
    }
    std::thread ending([this, ended] {
        conversations.reset();
        ::SetEvent(ended);
    });
    // Peeking hands this thread's windows the messages other threads sent them.
    while (::MsgWaitForMultipleObjectsEx(1, &ended, INFINITE, QS_SENDMESSAGE, 0) != WAIT_OBJECT_0) {
        MSG message;
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    ending.join();
    ::CloseHandle(ended);
}

} // namespace ostrane::win32
