#pragma once

class QLineEdit;

namespace ostrane::qt {

// Gives a text box the classic sunken edge of an entry field, two pixels wide in fixed
// colours (grey and black above and to the left, white and silver below and to the right),
// instead of the style's frame, so that it shows on any background and under any style.
void drawSunkenEdge(QLineEdit* box);

} // namespace ostrane::qt
