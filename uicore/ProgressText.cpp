#include "uicore/ProgressText.h"

#include "engine/cBrickGenerator.h"

namespace kalvora::ProgressText {

std::string label(const std::string& Description, int32_t Progress, int32_t SecondsLeft)
{
    return Description + "\r\n" + std::to_string(Progress) + "% done (" + cBrickGenerator::minutesSeconds(SecondsLeft) +
           " left)";
}

}  // namespace kalvora::ProgressText
