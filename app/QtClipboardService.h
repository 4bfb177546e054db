#pragma once

#include <memory>
#include <vector>

#include "app/ClipboardPngEncoding.h"
#include "platform/Services.h"

namespace kalvora {

// The system clipboard through Qt, holding plain opaque images. An image put
// there loses its alpha (the program hands over images already drawn over
// black) and is kept as 24-bit pixels, which pastes inside the program read;
// other programs get a PNG encoded in the background (ClipboardImageData).
// An image read from there is drawn over black into a new 32-bit image, and
// refused when its size is beyond the image limits, since the clipboard's
// contents come from outside the program.
class QtClipboardService : public platform::ClipboardService {
public:
    QtClipboardService() = default;
    // Stops the encodings still running.
    ~QtClipboardService() override;
    QtClipboardService(const QtClipboardService&) = delete;
    QtClipboardService& operator=(const QtClipboardService&) = delete;

    bool putImage(const platform::Image& image) override;
    bool hasImage() override;
    platform::Status getImage(std::unique_ptr<platform::Image>& out) override;

private:
    // The encodings started here that may still run; one is dropped once it
    // has ended, so that no thread is ever waited for on the UI thread while
    // the program runs.
    std::vector<std::shared_ptr<ClipboardPngEncoding>> m_encodings;
};

}  // namespace kalvora
