#pragma once

#include "imaging/cBitmap.h"
#include "platform/Status.h"

namespace kalvora {

// The colour every fully transparent pixel of a filter dialog's image takes:
// white with alpha 0.
constexpr uint32_t kTransparentWhite = 0x00FFFFFFu;

// Turns the image for good into 32-bit ARGB, as the filter dialogs need it:
// every pixel with alpha above 0 keeps its colour and alpha, every fully
// transparent pixel becomes transparent white, and images without alpha
// become opaque. On failure the image stays as it was, in its own format.
platform::Status convertToFilterInput(cBitmap& image);

}  // namespace kalvora
