#pragma once

#include "platform/Services.h"

namespace kalvora {

// The system clipboard through Qt, holding plain opaque images. An image put
// there loses its alpha (the program hands over images already drawn over
// black); an image read from there is drawn over black into a new 32-bit
// image, and refused when its size is beyond the image limits, since the
// clipboard's contents come from outside the program.
class QtClipboardService : public platform::ClipboardService {
public:
    bool putImage(const platform::Image& image) override;
    bool hasImage() override;
    platform::Status getImage(std::unique_ptr<platform::Image>& out) override;
};

}  // namespace kalvora
