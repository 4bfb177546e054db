#pragma once

#include <QDialog>

class QLabel;

namespace kalvora {

// The about box: the program's picture, name and version, and links to the
// site's pages. Shown without blocking; Close unloads it, and the next
// showing loads it again.
class InfoDialog : public QDialog {
    Q_OBJECT
public:
    // The loaded about box, loading it (owned by owner) when there is none.
    static InfoDialog& instance(QWidget* owner = nullptr);
    // Shows it without blocking, or brings it forward when it is shown.
    static void showInfo(QWidget* owner);

private:
    explicit InfoDialog(QWidget* owner);
    QLabel* addLabel(const char* name, const QString& text);

    QLabel* lblVersion = nullptr;
};

}  // namespace kalvora
