#pragma once

#include <string>
#include <vector>

#include "engine/BrickSettings.h"

class QWidget;

namespace kalvora {

// Copies the thirty settings between the project and the controls of the
// output and settings panels, row by row as the copy table says: controls
// to project setting the changed flag for every value that differs, project
// to controls without running any control's handler. A control name that a
// panel lacks stops a debug build at its first use.
class SettingsCopier {
public:
    SettingsCopier(QWidget& outputPanel, QWidget& settingsPanel);

    void toProject(BrickSettings& settings, bool& changed) const;
    void toControls(const BrickSettings& settings) const;

    // The fields of the copy table whose controls the panels lack, or have
    // with another type; empty when every name resolves.
    static std::vector<std::string> unresolvedRows(QWidget& outputPanel, QWidget& settingsPanel);

private:
    QWidget* panelOf(int row) const;

    QWidget& m_output;
    QWidget& m_settings;
};

}  // namespace kalvora
