#pragma once

#include <QValidator>

class QLineEdit;

namespace kalvora {

// Limits what the user types or pastes into a text box to a number of
// characters. Unlike a line edit's own maximum length it never cuts a text
// the program sets: such a text is read whole by the box's handlers (a
// number too large for its slider is then held to the slider's range, not
// cut to its first digits).
class TypedLengthValidator : public QValidator {
    Q_OBJECT
public:
    // Installs itself on the box; the box owns it.
    TypedLengthValidator(QLineEdit* box, int maxTyped);

    State validate(QString& input, int& pos) const override;

private:
    int m_maxTyped;
};

}  // namespace kalvora
