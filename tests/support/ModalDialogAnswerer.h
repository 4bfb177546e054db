#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class QWidget;

namespace kalvora::testing {

// Answers one modal dialog that the code under test is about to open: a
// timer looks for the active modal widget with the given objectName (or, when
// the name is empty, for which `matches` is true) and hands it to `answer`,
// which clicks or types as a user would. If no such dialog shows within 10 s
// the test fails and the active modal widget is rejected, so the test goes on
// instead of hanging; the same happens when an answered dialog is still open
// 10 s after its answer. Given several answers, it answers that many showings of
// the dialog in turn, each after the one before has closed. A dialog that
// never appeared fails the test when the answerer is destroyed.
class ModalDialogAnswerer : public QObject {
    Q_OBJECT
public:
    using Answer = std::function<void(QWidget* dialog)>;

    ModalDialogAnswerer(const QString& objectName, Answer answer);
    ModalDialogAnswerer(const QString& objectName, std::vector<Answer> answers);
    ModalDialogAnswerer(std::function<bool(QWidget*)> matches, const QString& description,
                        std::vector<Answer> answers);
    ~ModalDialogAnswerer() override;

    // A dialog of class T, whatever its name.
    template <typename T>
    static std::function<bool(QWidget*)> ofClass()
    {
        return [](QWidget* w) { return qobject_cast<T*>(w) != nullptr; };
    }

    bool answered() const { return m_next == m_answers.size(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void poll();

    std::function<bool(QWidget*)> m_matches;
    QString m_description;
    std::vector<Answer> m_answers;
    size_t m_next = 0;
    QPointer<QWidget> m_lastAnswered;
    bool m_lastHidden = false;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_gaveUp = false;
};

}  // namespace kalvora::testing
