#include "app/QtMessageBoxService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kalvora {

namespace {

constexpr int kButtonSetMask = 7;
constexpr int kIconMask = 0x70;

QMessageBox::Icon iconOf(int style)
{
    switch (style & kIconMask) {
    case platform::IconStop: return QMessageBox::Critical;
    case platform::IconQuestion: return QMessageBox::Question;
    case platform::IconExclamation: return QMessageBox::Warning;
    case platform::IconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons buttonsOf(int style)
{
    switch (style & kButtonSetMask) {
    case platform::ButtonsOkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case platform::ButtonsYesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case platform::ButtonsYesNo: return QMessageBox::Yes | QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

// The button that Esc and the close box press.
QMessageBox::StandardButton escapeOf(QMessageBox::StandardButtons buttons)
{
    if (buttons & QMessageBox::Cancel) return QMessageBox::Cancel;
    if (buttons & QMessageBox::No) return QMessageBox::No;
    return QMessageBox::Ok;
}

int answerOf(QMessageBox::StandardButton button)
{
    switch (button) {
    case QMessageBox::Ok: return platform::AnswerOk;
    case QMessageBox::Yes: return platform::AnswerYes;
    case QMessageBox::No: return platform::AnswerNo;
    default: return platform::AnswerCancel;
    }
}

}  // namespace

int QtMessageBoxService::show(const std::string& text, const std::string& title, int style)
{
    const QMessageBox::StandardButtons buttons = buttonsOf(style);
    QMessageBox box(iconOf(style), QString::fromStdString(title), QString::fromStdString(text), buttons,
                    QApplication::activeWindow());
    const QMessageBox::StandardButton escape = escapeOf(buttons);
    box.setEscapeButton(escape);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    return answerOf(clicked ? box.standardButton(clicked) : escape);
}

}  // namespace kalvora
