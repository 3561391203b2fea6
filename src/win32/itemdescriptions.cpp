#include "win32/itemdescriptions.h"

#include "platform/win32/systemroutine.h"
#include "platform/win32/widetext.h"

#include <oleacc.h>

namespace ostrane::win32 {

namespace {

// The proxy's children count from 1; 0 is the list itself.
DWORD childOf(int index) {
    return static_cast<DWORD>(index) + 1;
}

} // namespace

ItemDescriptions::~ItemDescriptions() {
    clear();
    if (service_ != nullptr)
        service_->Release();
    if (!comEntered_)
        return;
    if (const auto leave = platform::win32::systemRoutine<decltype(::CoUninitialize)>(
            L"ole32.dll", "CoUninitialize"))
        leave();
}

bool ItemDescriptions::start() {
    if (service_ != nullptr)
        return true;
    if (unavailable_)
        return false;
    // COM's library is loaded with the first description, not at start.
    const auto enter =
        platform::win32::systemRoutine<decltype(::CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    const auto create = platform::win32::systemRoutine<decltype(::CoCreateInstance)>(
        L"ole32.dll", "CoCreateInstance");
    comEntered_ = enter != nullptr && SUCCEEDED(enter(nullptr, COINIT_APARTMENTTHREADED));
    if (create == nullptr ||
        FAILED(create(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                      reinterpret_cast<void**>(&service_)))) {
        service_ = nullptr;
        unavailable_ = true;
        return false;
    }
    return true;
}

void ItemDescriptions::describe(int index, std::string_view text) {
    if (index < 0)
        return;
    if (text.empty()) {
        if (service_ != nullptr && described_.erase(index) > 0)
            service_->ClearHwndProps(list_, static_cast<DWORD>(OBJID_CLIENT), childOf(index),
                                     &PROPID_ACC_DESCRIPTION, 1);
        return;
    }
    if (const auto known = described_.find(index);
        known != described_.end() && known->second == text)
        return;
    if (!start())
        return;
    const std::wstring wide = platform::win32::wideFromUtf8(text).value_or(L"");
    if (SUCCEEDED(service_->SetHwndPropStr(list_, static_cast<DWORD>(OBJID_CLIENT), childOf(index),
                                           PROPID_ACC_DESCRIPTION, wide.c_str()))) {
        described_.insert_or_assign(index, std::string(text));
        ::NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, list_, OBJID_CLIENT,
                         static_cast<LONG>(childOf(index)));
    }
}

void ItemDescriptions::clear() {
    if (service_ != nullptr)
        for (const auto& [index, text] : described_)
            service_->ClearHwndProps(list_, static_cast<DWORD>(OBJID_CLIENT), childOf(index),
                                     &PROPID_ACC_DESCRIPTION, 1);
    described_.clear();
}

} // namespace ostrane::win32
