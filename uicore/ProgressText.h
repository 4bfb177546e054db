#pragma once

#include <cstdint>
#include <string>

// The output panel's two-line progress text during a run.
namespace kalvora::ProgressText {

// The status text, "\r\n", then "45% done (1:05 left)": the percentage and
// the seconds as unpadded minutes and two-digit seconds.
std::string label(const std::string& Description, int32_t Progress, int32_t SecondsLeft);

// What the label shows the moment a run starts, before its first report.
constexpr const char* kAtStart = "0% done (00:00.00 left)";

}  // namespace kalvora::ProgressText
