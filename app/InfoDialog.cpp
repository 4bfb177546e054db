#include "app/InfoDialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include "app/LinkLabel.h"
#include "app/ProgramHeading.h"
#include "app/TextRoom.h"
#include "app/WebSupport.h"
#include "uicore/ProgramVersion.h"

namespace kalvora {

namespace {

QPointer<InfoDialog>& loaded()
{
    static QPointer<InfoDialog> dialog;
    return dialog;
}

}  // namespace

InfoDialog& InfoDialog::instance(QWidget* owner)
{
    if (!loaded()) loaded() = new InfoDialog(owner);
    return *loaded();
}

void InfoDialog::showInfo(QWidget* owner)
{
    InfoDialog& dialog = instance(owner);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

InfoDialog::InfoDialog(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("InfoDialog"));
    setWindowTitle(tr("Info"));
    setModal(false);
    // Close unloads the window; the next showing loads it again.
    setAttribute(Qt::WA_DeleteOnClose);
    auto* grid = new QGridLayout(this);
    lblVersion = addProgramHeading(grid, [this](const char* name, const QString& text) {
        return addLabel(name, text);
    });
    lblVersion->setText(QString::fromStdString(versionText()));
    auto* text = new QLineEdit(tr("Tileable brick and tile wall textures for 3D and graphics work"), this);
    text->setObjectName(QStringLiteral("Text1"));
    text->setReadOnly(true);
    TextRoom::fitLineEdit(text);
    grid->addWidget(text, 3, 0, 1, 2);
    grid->addWidget(addLabel("Label3", tr("Seamless, border, arch and column textures")), 4, 0, 1, 2);
    grid->addWidget(new LinkLabel("Label6", tr("Kalvora Homepage"), WebSupport::homePage(), this), 5, 0);
    grid->addWidget(new LinkLabel("Label2", tr("Online Forum"), WebSupport::forum(true), this), 5, 1);
    grid->addWidget(new LinkLabel("Label4", tr("FAQs"), WebSupport::faqForum(), this), 6, 0);
    grid->addWidget(new LinkLabel("Label7", tr("Tutorials"), WebSupport::tutorialsForum(), this), 6, 1);
    grid->addWidget(new LinkLabel("Label12", tr("Galleries"), WebSupport::galleriesForum(), this), 7, 0);
    grid->addWidget(new LinkLabel("Label9", WebSupport::contactAddress(), WebSupport::contactForm(), this), 7, 1);
    grid->addWidget(new LinkLabel("Label10", tr("Updates and examples on the web site"), WebSupport::site(), this),
                    8, 0, 1, 2);
    grid->addWidget(addLabel("Label8", tr("Projects keep their images in one file")), 9, 0, 1, 2);
    grid->addWidget(addLabel("Label11", tr("No settings are stored outside the project")), 10, 0, 1, 2);
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("cmdOK"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    grid->addWidget(close, 11, 1, Qt::AlignRight);
}

QLabel* InfoDialog::addLabel(const char* name, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace kalvora
