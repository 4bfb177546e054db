#pragma once

#include <cstdint>

namespace kalvora {

// Where the main window docks its three children: the settings panel along
// the bottom, the output panel along the right edge and the preview window
// in the rest. Sizes are in twips (1/1440 inch) like the rest of the frame's
// geometry; each twips value becomes pixels at the screen's logical DPI,
// rounded half to even. A size that was set is read back as the platform
// holds it, that is in whole pixels, before the next child uses it.
class ChildWindowDocking {
public:
    static constexpr int32_t kSettingsPanelHeight = 3240;
    static constexpr int32_t kSettingsPanelMinWidth = 11385;
    static constexpr int32_t kOutputPanelWidth = 3345;
    static constexpr int32_t kOutputPanelMinHeight = 3400;

    // One child as set: its left, top, width and height in twips, and the
    // same in pixels.
    struct Placement {
        int32_t Left = 0;
        int32_t Top = 0;
        int32_t Width = 0;
        int32_t Height = 0;
        int32_t x = 0;
        int32_t y = 0;
        int32_t width = 0;
        int32_t height = 0;
    };

    struct Children {
        Placement settingsPanel;
        Placement outputPanel;
        Placement preview;
    };

    explicit ChildWindowDocking(double logicalDpi);

    int32_t toPixels(int32_t twips) const;
    int32_t toTwips(int32_t pixels) const;

    // Docks the children in a client area of ClientWidth x ClientHeight
    // twips. The settings panel is never narrower than its minimum, even
    // beyond the client area, nor the output panel lower than its minimum;
    // the preview window never gets a negative size.
    Children ArrangeChildWindows(int32_t ClientWidth, int32_t ClientHeight) const;

private:
    Placement place(int32_t Left, int32_t Top, int32_t Width, int32_t Height) const;
    // The twips a size reads back as once the platform holds it in pixels.
    int32_t readBack(int32_t twips) const { return toTwips(toPixels(twips)); }

    double m_twipsPerPixel;
};

}  // namespace kalvora
