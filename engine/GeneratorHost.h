#pragma once

#include <cstdint>

#include "engine/TextureOptionsValues.h"

namespace kalvora {

class cBrickData;

// What a generator run asks of the program around it. The engine never
// touches a window: the program answers these with its texture options
// dialog, its output panel and its event loop; tests and tools answer them
// in a few lines.
class GeneratorHost {
public:
    static constexpr int32_t kTextureOptionsOk = 1;
    static constexpr int32_t kTextureOptionsCancel = 2;

    virtual ~GeneratorHost() = default;

    // Shows the texture options for the project and texture type: 1 goes
    // on, 2 cancels the run. Asked once per run, before the layout, for
    // every texture type but the seamless one (which has no options).
    virtual int32_t showTextureOptions(cBrickData& project, int32_t brickStyle) = 0;
    // The twelve values, read after showTextureOptions returned.
    virtual TextureOptionsValues textureOptions() const = 0;

    // Whether the output panel shows its "Preview" tab, and the item index
    // of its preview quality list (0 low, 1 medium, 2 high). Read once per run.
    virtual bool previewTabShown() const = 0;
    virtual int32_t previewQualityIndex() const = 0;

    // Lets the event queue run: the one place where a cancel can arrive.
    // Progress reaches the caller only through the generator's Progress
    // event, raised just before each of these yields.
    virtual void processEvents() = 0;
};

}  // namespace kalvora
