#pragma once

#include <QWidget>

class QScrollArea;

namespace kalvora {

// A page of the settings panel, shown in a frameless scroll area: where the
// docked panel is too low for the page at its smallest (its notes wrapped
// whole), the page scrolls instead of cutting its notes; otherwise it fills
// the area and no scroll bar shows.
class OptionsPage : public QWidget {
    Q_OBJECT
public:
    explicit OptionsPage(QWidget* parent = nullptr);

    // The scroll area that shows the page.
    QScrollArea* inScrollArea();

    // The scroll area makes the page at least this tall: the page's smallest
    // height at that width, not its preferred one.
    int heightForWidth(int width) const override;
};

}  // namespace kalvora
