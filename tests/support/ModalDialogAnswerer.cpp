#include "tests/support/ModalDialogAnswerer.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <gtest/gtest.h>

namespace kalvora::testing {

namespace {

constexpr int kPollMs = 10;
constexpr qint64 kGiveUpMs = 10000;

}  // namespace

ModalDialogAnswerer::ModalDialogAnswerer(const QString& objectName, Answer answer)
    : ModalDialogAnswerer([objectName](QWidget* w) { return w->objectName() == objectName; },
                          QStringLiteral("the dialog ") + objectName, std::move(answer))
{
}

ModalDialogAnswerer::ModalDialogAnswerer(std::function<bool(QWidget*)> matches, const QString& description,
                                         Answer answer)
    : m_matches(std::move(matches)), m_description(description), m_answer(std::move(answer))
{
    connect(&m_timer, &QTimer::timeout, this, &ModalDialogAnswerer::poll);
    m_timer.start(kPollMs);
    m_clock.start();
}

ModalDialogAnswerer::~ModalDialogAnswerer()
{
    if (!m_answered && !m_gaveUp) ADD_FAILURE() << m_description.toStdString() << " never opened";
}

void ModalDialogAnswerer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible() && m_matches(modal)) {
        m_timer.stop();
        m_answered = true;
        m_answer(modal);
        return;
    }
    if (m_clock.elapsed() < kGiveUpMs) return;
    m_timer.stop();
    m_gaveUp = true;
    ADD_FAILURE() << m_description.toStdString() << " was not shown within 10 s";
    if (!modal) return;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

}  // namespace kalvora::testing
