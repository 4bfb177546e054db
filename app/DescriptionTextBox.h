#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace kalvora {

// A multi-line text box that gives back exactly the text it was given (line
// ends such as "\r\n" included) until the user edits it; after an edit it
// gives what it shows.
class DescriptionTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DescriptionTextBox(QWidget* parent);

    void setText(const QString& text);
    QString text() const;

private:
    QString m_lastSet;
};

}  // namespace kalvora
