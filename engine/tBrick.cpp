#include "engine/tBrick.h"

namespace kalvora {

tBrick tBrick::Clone() const { return *this; }

}  // namespace kalvora
