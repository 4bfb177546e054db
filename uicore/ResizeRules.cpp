#include "uicore/ResizeRules.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/Numeric.h"

namespace kalvora::ResizeRules {

namespace {

// A rounded result that a 32-bit box can hold, or none.
std::optional<double> whole(double v)
{
    const double r = platform::roundHalfEven(v);
    if (!std::isfinite(r) || r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return r;
}

std::optional<double> fiveDecimals(double v)
{
    const double r = platform::roundHalfEven(v * 1e5) / 1e5;
    if (!std::isfinite(r)) return std::nullopt;
    return r;
}

std::optional<double> positiveOrOne(std::optional<double> v)
{
    if (!v) return std::nullopt;
    return *v > 0 ? *v : 1.0;
}

}  // namespace

std::optional<double> validPixels(std::optional<double> typed) { return positiveOrOne(whole(typed.value_or(1.0))); }

std::optional<double> validPercent(std::optional<double> typed)
{
    return positiveOrOne(whole(typed.value_or(100.0)));
}

std::optional<double> validRatio(std::optional<double> typed)
{
    return positiveOrOne(fiveDecimals(typed.value_or(1.0)));
}

std::optional<double> percentOf(double pixels, double start) { return whole(pixels / start * 100.0); }

std::optional<double> pixelsOf(double start, double percent) { return whole(start * percent / 100.0); }

std::optional<double> heightFor(double width, double ratio) { return whole(width / ratio); }

std::optional<double> widthFor(double height, double ratio) { return whole(height * ratio); }

std::optional<double> ratioOf(double width, double height) { return fiveDecimals(width / height); }

std::string wholeText(double value)
{
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, static_cast<long long>(value));
    return std::string(text, r.ptr);
}

std::string decimalText(double value)
{
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return std::string(text, r.ptr);
}

std::string failedText(const std::string& width, const std::string& height)
{
    return "Could not resize the image to " + width + " x " + height + " pixels.";
}

std::string dialogTitle() { return "Resize Image"; }

}  // namespace kalvora::ResizeRules
