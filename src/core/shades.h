#pragma once

#include "core/windowdescription.h"

namespace ostrane::core {

// An RGB colour made lighter (`percent` above 100) or darker (below) by scaling its HSV value;
// a value pushed past the top takes the excess out of the saturation instead. Black stays
// black.
Colour shaded(Colour colour, int percent);

// The four shades of a command button's 3D edge around its face: the light ones along the top
// and left, the dark ones along the bottom and right.
struct Bevel {
    Colour outerLight, innerLight, innerDark, outerDark;
};

// Raised while the button rests, sunken while it is held down.
Bevel buttonBevel(Colour face, bool pressed);

// A disabled caption is drawn twice: once in the light shade one pixel down and right, then in
// the dark one in place.
struct Etching {
    Colour light, dark;
};

Etching etchedCaption(Colour face);

} // namespace ostrane::core
