#include "app/SplashScreen.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QVBoxLayout>

#include "app/LinkLabel.h"
#include "app/ProgramHeading.h"
#include "app/TextRoom.h"
#include "app/WebSupport.h"
#include "platform/Clock.h"
#include "platform/Numeric.h"
#include "platform/RandomGenerator.h"
#include "uicore/ProgramVersion.h"

namespace kalvora {

namespace {

constexpr int kWindowsToLoad = 12;
constexpr int kCloseAfterMs = 2000;

}  // namespace

SplashScreen::SplashScreen(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint), m_pause(platform::sleepMs)
{
    setObjectName(QStringLiteral("SplashScreen"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    auto* grid = new QGridLayout(this);
    lblVersion = addProgramHeading(grid, [this](const char* name, const QString& text) {
        return addLabel(name, text);
    });
    grid->addWidget(addLabel("Label3", tr("Tileable brick and tile wall textures")), 3, 0, 1, 2);

    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setTextVisible(false);
    grid->addWidget(ProgressBar, 4, 0, 1, 2);
    PercentLabel = addLabel("PercentLabel", tr("0%"));
    ActionLabel = addLabel("ActionLabel", tr("Starting up..."));
    // Both change while loading, when no new layout is made.
    TextRoom::holdWidest(ActionLabel, {ActionLabel->text(), tr("Loading Application..."), tr("Done...")});
    TextRoom::holdWidest(PercentLabel, {tr("100%")});
    grid->addWidget(ActionLabel, 5, 0);
    grid->addWidget(PercentLabel, 5, 1, Qt::AlignRight);

    grid->addWidget(addLabel("Label7", tr("Internet:")), 6, 0);
    grid->addWidget(new LinkLabel("Label6", QStringLiteral("www.example.org/kalvora"), WebSupport::site(), this), 6, 1);
    grid->addWidget(new LinkLabel("Label4", WebSupport::contactAddress(), WebSupport::contactForm(), this), 7, 1);
    grid->addWidget(new LinkLabel("Label10", tr("Updates and examples on the web site"), WebSupport::site(), this),
                    8, 0, 1, 2);
    auto* text = new QLineEdit(tr("Seamless, border, arch and column textures"), this);
    text->setObjectName(QStringLiteral("Text1"));
    text->setReadOnly(true);
    text->setFrame(false);
    TextRoom::fitLineEdit(text);
    grid->addWidget(text, 9, 0, 1, 2);
    grid->addWidget(addLabel("Label2", tr("Made for 3D and graphics work")), 10, 0, 1, 2);
    grid->addWidget(addLabel("Label8", tr("Projects keep their images in one file")), 11, 0, 1, 2);
    grid->addWidget(addLabel("Label9", tr("No settings are stored outside the project")), 12, 0, 1, 2);
    grid->addWidget(addLabel("Label12", tr("Loading the windows...")), 13, 0, 1, 2);

    CloseWindowTimer.setObjectName(QStringLiteral("CloseWindowTimer"));
    CloseWindowTimer.setSingleShot(true);
    CloseWindowTimer.setInterval(kCloseAfterMs);
    connect(&CloseWindowTimer, &QTimer::timeout, this, [this] { CloseWindowTimer_Timer(); });
}

QLabel* SplashScreen::addLabel(const char* name, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    // A click on a label or the picture is not a click on the window.
    label->setAttribute(Qt::WA_NoMousePropagation);
    return label;
}

void SplashScreen::setPause(std::function<void(int)> pause) { m_pause = std::move(pause); }

void SplashScreen::showWithoutBlocking()
{
    show();
    // The one event-queue run outside the generator: it maps the window
    // (on X11) before the loading blocks; user input waits.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SplashScreen::StartTimer(const std::function<void(const std::function<void()>& step)>& loadWindows)
{
    lblVersion->setText(QString::fromStdString(versionText()));
    ProgressBar->setMaximum(kWindowsToLoad);
    ProgressBar->setValue(0);
    ProgressBar->setMinimum(0);
    repaint();
    int steps = 0;
    loadWindows([this, &steps] {
        AddProgress();
        if (++steps == 1) ActionLabel->setText(tr("Loading Application..."));
    });
    ActionLabel->setText(tr("Done..."));
    PercentLabel->setText(tr("100%"));
    repaint();
    CloseWindowTimer.start();
}

void SplashScreen::AddProgress()
{
    ProgressBar->setValue(ProgressBar->value() + 1);
    repaint();
    const double rnd = platform::RandomGenerator::processDefault().next();
    m_pause(platform::roundToInt32(rnd * 50.0 + 25.0));
    const double percent = ProgressBar->value() * 100.0 / ProgressBar->maximum();
    PercentLabel->setText(QString::number(platform::roundToInt32(percent)) + QStringLiteral("%"));
    repaint();
}

void SplashScreen::CloseWindowTimer_Timer() { close(); }

void SplashScreen::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    CloseWindowTimer.stop();
    close();
}

}  // namespace kalvora
