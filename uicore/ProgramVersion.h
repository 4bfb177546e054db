#pragma once

#include <string>

namespace kalvora {

// "Version " and the program's major version, minor version and revision,
// each a decimal number: "Version 1.5.3" for version 1.5.0.3.
std::string versionText();

}  // namespace kalvora
