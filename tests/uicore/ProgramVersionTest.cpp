#include <gtest/gtest.h>

#include "uicore/ProgramVersion.h"

namespace kalvora {
namespace {

TEST(ProgramVersion, NamesMajorMinorAndRevision) { EXPECT_EQ(versionText(), "Version 1.5.3"); }

}  // namespace
}  // namespace kalvora
