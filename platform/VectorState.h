#pragma once

namespace kalvora::platform {

// Clears the upper halves of the processor's vector registers. Library code
// built for wider vectors (the window system's painting) can leave them
// dirty, and until they are cleared every SSE instruction of the program's
// own pixel loops pays for merging them: a filter run right after a status
// panel was painted took a third longer. Does nothing where the processor
// has no such registers.
void clearUpperVectorState();

}  // namespace kalvora::platform
