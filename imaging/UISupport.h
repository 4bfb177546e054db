#pragma once

#include <cstdint>
#include <string>

// Small helpers the windows, the filters and the engine share. The slider and
// text-box procedures of the same namespace live in imaging/ui/UISupportUi.h,
// because only the Qt layers may use them.
namespace kalvora::UISupport {

// base to the power n (1 for n <= 0); saturates at the 32-bit range.
int32_t Pow10(int32_t base, int32_t n);

// Check-box value of a flag: 1 checked, 0 unchecked.
int32_t BoolToCheckValue(bool flag);

// Maps value linearly from [inMin, inMax] to [outMin, outMax], without
// clamping. The input span is taken in single precision, the rest in double;
// the result is single precision. An empty input span gives outMin.
float MapRange(float value, float inMin, float inMax, float outMin, float outMax);

// A text (UTF-8) longer than maxLen characters (code points) becomes "..."
// followed by its last maxLen - 3 characters, so it is exactly maxLen long;
// a shorter text comes back as it is. Below 3, maxLen keeps that many dots.
std::string ShortenText(const std::string& text, int32_t maxLen);

// The part of path after its last "\" or "/"; the whole path when it has
// neither, and an empty text when it ends in one.
std::string FileTitleFromPath(const std::string& path);

}  // namespace kalvora::UISupport
