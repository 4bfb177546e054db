#pragma once

#include <QPointer>
#include <QValidator>

class QLineEdit;

namespace kalvora {

// Limits what the user types into a text box to a number of characters,
// without touching text the program sets (a line edit's own maximum length
// would cut that too). An edit that shortens a longer text is still allowed,
// so such a text can be corrected. Every allowed text is acceptable: the
// box's own handlers decide what a text means.
class TypedLengthValidator : public QValidator {
    Q_OBJECT
public:
    // Installs itself on the box; the box owns it.
    TypedLengthValidator(QLineEdit* box, int maxTyped);

    State validate(QString& input, int& pos) const override;

private:
    QPointer<QLineEdit> m_box;
    int m_maxTyped;
};

}  // namespace kalvora
