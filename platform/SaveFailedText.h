#pragma once

#include <string>

namespace kalvora::platform {

// The message when a file could not be written, the same for an exported
// image and a saved project: "Could not save File <path>", and on a second
// line the system's text for the error number of the step that failed
// ("No space left on device"); the first line alone when errorNumber is 0,
// that is when the system refused nothing.
std::string saveFailedText(const std::string& path, int errorNumber);

}  // namespace kalvora::platform
