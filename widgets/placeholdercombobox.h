#pragma once

#include <QComboBox>

// A combo box that shows a grey hint ("Select") while nothing is chosen, so
// that an empty choice reads as a request rather than as a blank value.
class PlaceholderComboBox : public QComboBox
{
    Q_OBJECT
    Q_PROPERTY(QString placeholderText READ placeholderText WRITE setPlaceholderText)

public:
    using QComboBox::QComboBox;

    [[nodiscard]] QString placeholderText() const { return m_placeholderText; }
    void setPlaceholderText(const QString &text);

    // Whether paintEvent draws the hint now.
    [[nodiscard]] bool isShowingPlaceholder() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_placeholderText;
};
