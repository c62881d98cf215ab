#pragma once

#include <QSpinBox>

// The spin box of a SysEx Data row: a MIDI data value shown and typed either
// as two hexadecimal digits behind "0x" or as a decimal number.
class HexSpinBox : public QSpinBox
{
    Q_OBJECT

public:
    explicit HexSpinBox(QWidget *parent = nullptr);

    void setHexMode(bool hexadecimal);
    [[nodiscard]] bool isHexMode() const { return m_hex; }

protected:
    QString textFromValue(int value) const override;
    QValidator::State validate(QString &input, int &pos) const override;
    int valueFromText(const QString &text) const override;
    void fixup(QString &input) const override;

private:
    bool m_hex = true;
};
