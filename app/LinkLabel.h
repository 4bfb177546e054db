#pragma once

#include <QLabel>

namespace kalvora {

// A label that opens a web page (or the contact form) when clicked.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    LinkLabel(const char* name, const QString& text, const QString& address, QWidget* parent);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString m_address;
};

}  // namespace kalvora
