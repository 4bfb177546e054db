#pragma once

#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;
class QProgressBar;

namespace kalvora {

// The window shown while the program loads its windows: the program's
// picture, name and version, the loading progress, and links to the site.
// It closes itself 2000 ms after loading ends, or at once on a click on its
// background; a click on a link opens the page and leaves it open.
class SplashScreen : public QWidget {
    Q_OBJECT
public:
    explicit SplashScreen(QWidget* owner = nullptr);

    // Shows the window without blocking and lets it appear on screen once,
    // handling no user input meanwhile.
    void showWithoutBlocking();

    // Runs the loading sequence: loadWindows loads the windows one after
    // another and calls the step it is given after each.
    void StartTimer(const std::function<void(const std::function<void()>& step)>& loadWindows);
    // One loading step: the bar moves on, a short pause, the percentage.
    void AddProgress();

    // The pause of a step, in milliseconds (tests make it instant).
    void setPause(std::function<void(int milliseconds)> pause);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* addLabel(const char* name, const QString& text);
    void CloseWindowTimer_Timer();

    QProgressBar* ProgressBar = nullptr;
    QLabel* PercentLabel = nullptr;
    QLabel* ActionLabel = nullptr;
    QLabel* lblVersion = nullptr;
    QTimer CloseWindowTimer;
    std::function<void(int)> m_pause;
};

}  // namespace kalvora
