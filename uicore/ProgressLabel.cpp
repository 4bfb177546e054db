#include "uicore/ProgressLabel.h"

#include "engine/cBrickGenerator.h"

namespace kalvora::ProgressLabel {

std::string text(const std::string& Description, int32_t Progress, int32_t SecondsLeft)
{
    return Description + "\r\n" + std::to_string(Progress) + "% done (" + cBrickGenerator::minutesSeconds(SecondsLeft) +
           " left)";
}

}  // namespace kalvora::ProgressLabel
