#pragma once

#include "win32/win32api.h"

#include <map>
#include <string>
#include <string_view>

struct IAccPropServices;

namespace ostrane::win32 {

// The accessible descriptions of a list's items, as annotations on the system's own proxy for
// the list: screen readers read them with the item. COM and the annotation service are
// entered on the first description, so a window that never sets one starts without them.
class ItemDescriptions {
public:
    explicit ItemDescriptions(HWND list) : list_(list) {}
    ~ItemDescriptions();
    ItemDescriptions(const ItemDescriptions&) = delete;
    ItemDescriptions& operator=(const ItemDescriptions&) = delete;

    // Describes the item at `index` (counted from 0) with `text` (UTF-8); an empty text
    // removes the description.
    void describe(int index, std::string_view text);
    // Removes every description, as when the list's items are replaced.
    void clear();

private:
    bool start();

    HWND list_;
    IAccPropServices* service_ = nullptr;
    bool comEntered_ = false;
    bool unavailable_ = false;
    // What each described item says, so that an unchanged description is not announced again.
    std::map<int, std::string> described_;
};

} // namespace ostrane::win32
