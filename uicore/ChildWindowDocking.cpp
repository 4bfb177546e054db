#include "uicore/ChildWindowDocking.h"

#include <algorithm>

#include "platform/Numeric.h"

namespace kalvora {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kFallbackDpi = 96.0;

}  // namespace

ChildWindowDocking::ChildWindowDocking(double logicalDpi)
    : m_twipsPerPixel(kTwipsPerInch / (logicalDpi > 0.0 ? logicalDpi : kFallbackDpi))
{
}

int32_t ChildWindowDocking::toPixels(int32_t twips) const { return platform::roundToInt32(twips / m_twipsPerPixel); }

int32_t ChildWindowDocking::toTwips(int32_t pixels) const { return platform::roundToInt32(pixels * m_twipsPerPixel); }

ChildWindowDocking::Placement ChildWindowDocking::place(int32_t Left, int32_t Top, int32_t Width,
                                                        int32_t Height) const
{
    return {Left, Top, Width, Height, toPixels(Left), toPixels(Top), toPixels(Width), toPixels(Height)};
}

ChildWindowDocking::Children ChildWindowDocking::ArrangeChildWindows(int32_t ClientWidth, int32_t ClientHeight) const
{
    Children c;
    const int32_t settingsHeight = readBack(kSettingsPanelHeight);
    c.settingsPanel = place(0, ClientHeight - settingsHeight, std::max(ClientWidth, kSettingsPanelMinWidth),
                            kSettingsPanelHeight);

    const int32_t outputWidth = readBack(kOutputPanelWidth);
    const int32_t aboveSettings = ClientHeight - settingsHeight;
    c.outputPanel = place(ClientWidth - outputWidth, 0, kOutputPanelWidth,
                          std::max(aboveSettings, kOutputPanelMinHeight));

    c.preview = place(0, 0, std::max(ClientWidth - outputWidth, 0), std::max(aboveSettings, 0));
    return c;
}

}  // namespace kalvora
