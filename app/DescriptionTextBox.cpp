#include "app/DescriptionTextBox.h"

namespace kalvora {

DescriptionTextBox::DescriptionTextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void DescriptionTextBox::setText(const QString& text)
{
    m_lastSet = text;
    const QSignalBlocker quiet(this);
    setPlainText(text);
    document()->setModified(false);
}

QString DescriptionTextBox::text() const { return document()->isModified() ? toPlainText() : m_lastSet; }

}  // namespace kalvora
