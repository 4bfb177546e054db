#include "app/ChildWindowFrame.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace kalvora {

ChildWindowFrame::ChildWindowFrame(QWidget* child, std::function<void()> closeRequest, QWidget* parent)
    : QFrame(parent), m_child(child)
{
    setObjectName(child->objectName() + QStringLiteral("Frame"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);

    auto* strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("TitleStrip"));
    strip->setAutoFillBackground(true);
    strip->setBackgroundRole(QPalette::Highlight);
    strip->setForegroundRole(QPalette::HighlightedText);
    m_caption = new QLabel(child->windowTitle(), strip);
    m_caption->setObjectName(QStringLiteral("Caption"));
    m_caption->setForegroundRole(QPalette::HighlightedText);
    m_closeBox = new QToolButton(strip);
    m_closeBox->setObjectName(QStringLiteral("CloseBox"));
    m_closeBox->setText(QStringLiteral("\u00D7"));
    m_closeBox->setToolTip(QStringLiteral("Close"));
    m_closeBox->setAutoRaise(true);
    m_closeBox->setFocusPolicy(Qt::NoFocus);
    auto* stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(4, 0, 0, 0);
    stripLayout->addWidget(m_caption, 1);
    stripLayout->addWidget(m_closeBox);

    auto* layout = new QVBoxLayout(this);
    // The layout never sets a minimum size, so the docking decides alone.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(strip);
    child->setParent(this);
    layout->addWidget(child, 1);

    connect(child, &QWidget::windowTitleChanged, m_caption, &QLabel::setText);
    connect(m_closeBox, &QToolButton::clicked, this, [request = std::move(closeRequest)] { request(); });
}

QString ChildWindowFrame::caption() const { return m_caption->text(); }

}  // namespace kalvora
