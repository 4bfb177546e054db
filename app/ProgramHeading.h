#pragma once

#include <functional>

class QGridLayout;
class QLabel;
class QString;

namespace kalvora {

// Makes a named label of the window that shows the heading.
using LabelMaker = std::function<QLabel*(const char* name, const QString& text)>;

// The heading the splash window and the about box share, in the first three
// rows of their grid: the program's picture (Picture1), its name large
// (Label5) and plain (Label1), and the version label (lblVersion, with its
// design text "Version:"), which it returns.
QLabel* addProgramHeading(QGridLayout* grid, const LabelMaker& makeLabel);

}  // namespace kalvora
