#include "tests/support/ModalDialogAnswerer.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace kalvora::testing {

namespace {

constexpr int kPollMs = 10;
constexpr qint64 kGiveUpMs = 10000;

}  // namespace

ModalDialogAnswerer::ModalDialogAnswerer(const QString& objectName, Answer answer)
    : ModalDialogAnswerer(objectName, std::vector<Answer>{std::move(answer)})
{
}

ModalDialogAnswerer::ModalDialogAnswerer(const QString& objectName, std::vector<Answer> answers)
    : ModalDialogAnswerer([objectName](QWidget* w) { return w->objectName() == objectName; },
                          QStringLiteral("the dialog ") + objectName, std::move(answers))
{
}

ModalDialogAnswerer::ModalDialogAnswerer(std::function<bool(QWidget*)> matches, const QString& description,
                                         std::vector<Answer> answers)
    : m_matches(std::move(matches)), m_description(description), m_answers(std::move(answers))
{
    connect(&m_timer, &QTimer::timeout, this, &ModalDialogAnswerer::poll);
    m_timer.start(kPollMs);
    m_clock.start();
}

ModalDialogAnswerer::~ModalDialogAnswerer()
{
    if (m_lastAnswered) m_lastAnswered->removeEventFilter(this);
    if (!answered() && !m_gaveUp)
        ADD_FAILURE() << m_description.toStdString() << " opened " << m_next << " of " << m_answers.size()
                      << " times";
}

bool ModalDialogAnswerer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_lastAnswered && event->type() == QEvent::Hide) m_lastHidden = true;
    return false;
}

void ModalDialogAnswerer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    // The showing just answered may still be closing; a dialog that is shown
    // again after it was hidden is a new showing.
    const bool stillOpen = m_lastAnswered && m_lastAnswered->isVisible() && !m_lastHidden;
    const bool sameShowing = stillOpen && modal == m_lastAnswered;
    if (!answered() && modal && modal->isVisible() && !sameShowing && m_matches(modal)) {
        if (m_lastAnswered) m_lastAnswered->removeEventFilter(this);
        m_lastAnswered = modal;
        m_lastHidden = false;
        modal->installEventFilter(this);
        m_clock.restart();
        const Answer& answer = m_answers[m_next++];
        answer(modal);
        return;
    }
    if (answered() && !stillOpen) {
        m_timer.stop();
        return;
    }
    if (m_clock.elapsed() < kGiveUpMs) return;
    m_timer.stop();
    m_gaveUp = true;
    if (answered())
        ADD_FAILURE() << m_description.toStdString() << " was still open 10 s after its answer";
    else
        ADD_FAILURE() << m_description.toStdString() << " was not shown within 10 s";
    if (!modal) return;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
}

}  // namespace kalvora::testing
