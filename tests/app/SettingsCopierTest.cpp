// Every control name of the copy table resolves, with its type, in the real
// output and settings panels.

#include <QLabel>

#include "AppTestSupport.h"
#include "app/SettingsCopier.h"

namespace kalvora {
namespace {

TEST(SettingsCopier, EveryNameOfTheTableResolvesInThePanels)
{
    testing::AppFixture f;
    EXPECT_EQ(SettingsCopier::unresolvedRows(f.window.displayWindow(), f.window.optionsWindow()),
              std::vector<std::string>{});
    // A panel without the controls names every row of its side.
    QLabel empty;
    EXPECT_EQ(SettingsCopier::unresolvedRows(empty, f.window.optionsWindow()).size(), 6u);
}

}  // namespace
}  // namespace kalvora
