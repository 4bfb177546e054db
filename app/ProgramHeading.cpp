#include "app/ProgramHeading.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

namespace kalvora {

QLabel* addProgramHeading(QGridLayout* grid, const LabelMaker& makeLabel)
{
    QLabel* picture = makeLabel("Picture1", QString());
    picture->setPixmap(QPixmap(QStringLiteral(":/pictures/program.png")));
    grid->addWidget(picture, 0, 0, 3, 1);
    QLabel* name = makeLabel("Label5", QStringLiteral("Kalvora"));
    QFont big = name->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    name->setFont(big);
    grid->addWidget(name, 0, 1);
    grid->addWidget(makeLabel("Label1", QStringLiteral("Kalvora")), 1, 1);
    QLabel* version = makeLabel("lblVersion", QStringLiteral("Version:"));
    grid->addWidget(version, 2, 1);
    return version;
}

}  // namespace kalvora
