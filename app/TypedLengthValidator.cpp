#include "app/TypedLengthValidator.h"

#include <QLineEdit>

namespace kalvora {

TypedLengthValidator::TypedLengthValidator(QLineEdit* box, int maxTyped)
    : QValidator(box), m_box(box), m_maxTyped(maxTyped)
{
    box->setValidator(this);
}

QValidator::State TypedLengthValidator::validate(QString& input, int&) const
{
    if (input.size() <= m_maxTyped) return Acceptable;
    // The box still holds the text before the edit.
    if (m_box && input.size() < m_box->text().size()) return Acceptable;
    return Invalid;
}

}  // namespace kalvora
