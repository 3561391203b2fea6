#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrane::core {

inline constexpr int PanelSteps = 12;
inline constexpr float PanelStepTwips = 200.0f;

// The window's parts that the panel toggle reads and writes.
class PanelControls {
public:
    virtual ~PanelControls() = default;

    virtual void setFolderLabelTip(std::string_view tip) = 0;
    // The folder label takes the song list's folder.
    virtual void showListFolder() = 0;
    // The panel's state, held as a caption: "" or "0" closed, "1" open.
    virtual std::string state() const = 0;
    virtual void setState(std::string_view state) = 0;
    virtual void showOpenPicture() = 0;
    virtual void showClosedPicture() = 0;
    virtual void setLoadEnabled(bool enabled) = 0;
    // The window's outer height in twips.
    virtual float height() const = 0;
    virtual void setHeight(float twips) = 0;
};

// One step of the window's height in single precision; nothing when the sum is not a
// finite number.
std::optional<float> steppedHeight(float height, float step);

// A click on the panel toggle: opens a closed panel, closes an open one. The state is
// written last, so a toggle that stops part-way goes the same way again next time.
void togglePanel(PanelControls& panel);

} // namespace ostrane::core
