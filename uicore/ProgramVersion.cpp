#include "uicore/ProgramVersion.h"

#include "uicore/Version.h"

namespace kalvora {

std::string versionText()
{
    return "Version " + std::to_string(version::Major) + "." + std::to_string(version::Minor) + "." +
           std::to_string(version::Revision);
}

}  // namespace kalvora
