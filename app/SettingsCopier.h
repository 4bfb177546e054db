#pragma once

#include "engine/BrickSettings.h"

class QWidget;

namespace kalvora {

// Copies the thirty settings between the project and the controls of the
// output and settings panels, row by row as the copy table says: controls
// to project setting the changed flag for every value that differs, project
// to controls without running any control's handler.
class SettingsCopier {
public:
    SettingsCopier(QWidget& outputPanel, QWidget& settingsPanel);

    void toProject(BrickSettings& settings, bool& changed) const;
    void toControls(const BrickSettings& settings) const;

private:
    QWidget* panelOf(int row) const;

    QWidget& m_output;
    QWidget& m_settings;
};

}  // namespace kalvora
