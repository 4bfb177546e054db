#pragma once

class QSlider;
class QWidget;

namespace kalvora {

// A horizontal slider for a size in pixels as the program's panels and
// dialogs have them: steps of 256, pages of 1024, a tick every 2048 and the
// design value 4096 (held to the range).
QSlider* newSizeSlider(QWidget* parent, const char* name, int minimum, int maximum);

}  // namespace kalvora
