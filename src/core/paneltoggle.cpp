#include "core/paneltoggle.h"

#include <cmath>

namespace ostrane::core {

namespace {

// Each step reads the height anew, so what one step loses to whole pixels carries into the
// next.
bool stepHeight(PanelControls& panel, float step) {
    for (int i = 0; i < PanelSteps; ++i) {
        const auto next = steppedHeight(panel.height(), step);
        if (!next)
            return false;
        panel.setHeight(*next);
    }
    return true;
}

} // namespace

std::optional<float> steppedHeight(float height, float step) {
    const float sum = height + step;
    if (!std::isfinite(sum))
        return std::nullopt;
    return sum;
}

void togglePanel(PanelControls& panel) {
    panel.setFolderLabelTip("Click Me");
    panel.showListFolder();
    const std::string state = panel.state();
    if (state.empty() || state == "0") {
        panel.showOpenPicture();
        panel.setLoadEnabled(true);
        if (!stepHeight(panel, PanelStepTwips))
            return;
        panel.setState("1");
    } else if (state == "1") {
        panel.setLoadEnabled(false);
        panel.showClosedPicture();
        if (!stepHeight(panel, -PanelStepTwips))
            return;
        panel.setState("0");
    }
}

} // namespace ostrane::core
