#include "widgets/placeholdercombobox.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>

void PlaceholderComboBox::setPlaceholderText(const QString &text)
{
    m_placeholderText = text;
    update();
}

bool PlaceholderComboBox::isShowingPlaceholder() const
{
    return currentIndex() < 0 && !m_placeholderText.isEmpty();
}

void PlaceholderComboBox::paintEvent(QPaintEvent *event)
{
    QComboBox::paintEvent(event);
    if (!isShowingPlaceholder())
        return;
    QStyleOptionComboBox option;
    initStyleOption(&option);
    QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    field.setLeft(field.left() + 2);
    QPainter painter(this);
    // The palette's own hint colour: readable on a dark palette too.
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(field, Qt::AlignLeft | Qt::AlignVCenter | Qt::AlignBaseline, m_placeholderText);
}
