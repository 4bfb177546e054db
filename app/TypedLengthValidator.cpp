#include "app/TypedLengthValidator.h"

#include <QLineEdit>

namespace kalvora {

TypedLengthValidator::TypedLengthValidator(QLineEdit* box, int maxTyped) : QValidator(box), m_maxTyped(maxTyped)
{
    box->setValidator(this);
}

QValidator::State TypedLengthValidator::validate(QString& input, int&) const
{
    // Every text up to the limit is acceptable: the box's handlers decide
    // what it means.
    return input.size() <= m_maxTyped ? Acceptable : Invalid;
}

}  // namespace kalvora
