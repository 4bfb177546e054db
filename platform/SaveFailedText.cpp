#include "platform/SaveFailedText.h"

#include "platform/codecs/Codecs.h"

namespace kalvora::platform {

std::string saveFailedText(const std::string& path, int errorNumber)
{
    const std::string text = "Could not save File " + path;
    return errorNumber ? text + "\n" + errorNumberText(errorNumber) : text;
}

}  // namespace kalvora::platform
