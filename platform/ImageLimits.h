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
    static void reset();

    // True when an image of w x h pixels of bpp bytes each is within bounds.
    static bool allows(int64_t w, int64_t h, int bytesPerPixel);
};

}  // namespace kalvora::platform
