#pragma once

#include "engine/BrickSettings.h"

namespace kalvora {

class cBrickData;

// The values a new or reset project gets, in one place: the main window's
// reset and the tests use these.
class BrickDefaults {
public:
    static BrickSettings settings();

    // Empties the brick list, clears the mortar image (no pixels, empty file
    // name) and sets the thirty settings to their defaults.
    static void reset(cBrickData& project);
};

}  // namespace kalvora
