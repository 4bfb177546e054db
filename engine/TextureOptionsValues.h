#pragma once

#include <cstdint>

namespace kalvora {

// The twelve values of the texture options: size in pixels, blend size of
// the transparency in pixels and row offset mode (0 random, 1 half a brick,
// 2 none) of the border, arch and column textures.
struct TextureOptionsValues {
    int32_t BorderWidth = 0;
    int32_t BorderHeight = 0;
    int32_t BorderAntialias = 0;
    int32_t BorderBrickOffset = 0;
    int32_t ArcWidth = 0;
    int32_t ArcHeight = 0;
    int32_t ArcAntialias = 0;
    int32_t ArcBrickOffset = 0;
    int32_t ColumnWidth = 0;
    int32_t ColumnHeight = 0;
    int32_t ColumnAntialias = 0;
    int32_t ColumnBrickOffset = 0;

    bool operator==(const TextureOptionsValues&) const = default;
};

}  // namespace kalvora
