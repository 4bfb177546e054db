#pragma once

#include <cstdint>

namespace kalvora::platform {

// Upper bounds on the images the program creates or decodes. Larger requests
// fail with OutOfMemory instead of exhausting the machine. Tests and fuzz
// targets lower the bounds; the program keeps the defaults.
class ImageLimits {
public:
    static constexpr int32_t kDefaultMaxSide = 65535;
    static constexpr int64_t kDefaultMaxBytes = int64_t(1) << 31;

    static int32_t maxSide();
    static int64_t maxBytes();
    static void set(int32_t maxSide, int64_t maxBytes);
    // The default bounds, and no refused allocation (see failAllocation).
    static void reset();

    // True when an image of w x h pixels of bpp bytes each is within bounds.
    static bool allows(int64_t w, int64_t h, int bytesPerPixel);

    // For tests: the nth image allocation (counted from 1) of at least
    // minBytes from now on fails, as one the system refuses would, with
    // OutOfMemory; nth 0 refuses none and only counts them.
    static void failAllocation(int64_t nth, int64_t minBytes);
    // The image allocations of at least minBytes since failAllocation.
    static int64_t allocationsCounted();
    // Counts an image allocation of that many bytes; true when it is the
    // one to refuse.
    static bool refusesAllocation(int64_t bytes);
};

}  // namespace kalvora::platform
