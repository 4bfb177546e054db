#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The numbers of the resize dialog: how its boxes are validated when they
// lose the focus and how one box's value gives another's. Sizes are whole
// pixels and percentages rounded half to even; the ratio (width / height)
// is kept to 5 decimals. A result outside the 32-bit range is no result: the
// box it was meant for stays as it was.
namespace kalvora::ResizeRules {

// A pixel box: not a number gives 1, then rounded; zero or less gives 1.
std::optional<double> validPixels(std::optional<double> typed);
// A percent box: not a number gives 100, then rounded; zero or less gives 1.
std::optional<double> validPercent(std::optional<double> typed);
// A ratio box: not a number gives 1, then rounded to 5 decimals; zero or
// less gives 1.
std::optional<double> validRatio(std::optional<double> typed);

// pixels / start x 100, rounded.
std::optional<double> percentOf(double pixels, double start);
// start x percent / 100, rounded.
std::optional<double> pixelsOf(double start, double percent);
// width / ratio and height x ratio, rounded.
std::optional<double> heightFor(double width, double ratio);
std::optional<double> widthFor(double height, double ratio);
// width / height to 5 decimals.
std::optional<double> ratioOf(double width, double height);

// A whole number as digits; a ratio as the shortest text that reads back
// exactly, with '.' as the decimal point.
std::string wholeText(double value);
std::string decimalText(double value);

// "Could not resize the image to W x H pixels." and its title.
std::string failedText(const std::string& width, const std::string& height);
std::string dialogTitle();

}  // namespace kalvora::ResizeRules
