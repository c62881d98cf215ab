#include "widgets/hexspinbox.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

const QString HexPrefix = QStringLiteral("0x");

// The digits the user typed, without blanks and without the prefix the
// spin box shows (a pasted "0x7F" must read like "7F").
QString bareDigits(const QString &text)
{
    QString digits = text.trimmed();
    if (digits.startsWith(HexPrefix))
        digits.remove(0, HexPrefix.size());
    return digits;
}

QString twoHexDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

HexSpinBox::HexSpinBox(QWidget *parent)
    : QSpinBox(parent)
{
    setRange(0, 127);
    setAlignment(Qt::AlignRight);
    setHexMode(true);
}

void HexSpinBox::setHexMode(bool hexadecimal)
{
    m_hex = hexadecimal;
    setPrefix(hexadecimal ? HexPrefix : QString());
    setDisplayIntegerBase(hexadecimal ? 16 : 10);
}

QString HexSpinBox::textFromValue(int value) const
{
    if (m_hex)
        return twoHexDigits(value);
    return QSpinBox::textFromValue(value);
}

QValidator::State HexSpinBox::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos)
    static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-Fa-f]{0,2}$"));
    static const QRegularExpression decimalDigits(QStringLiteral("^[0-9]{0,3}$"));
    const QString digits = m_hex ? bareDigits(input) : input.trimmed();
    if (!(m_hex ? hexDigits : decimalDigits).match(digits).hasMatch())
        return QValidator::Invalid;
    if (digits.isEmpty())
        return QValidator::Acceptable;
    bool ok = false;
    const int value = digits.toInt(&ok, m_hex ? 16 : 10);
    if (!ok || value > maximum())
        return QValidator::Intermediate;
    return QValidator::Acceptable;
}

int HexSpinBox::valueFromText(const QString &text) const
{
    if (!m_hex)
        return text.trimmed().toInt(nullptr, 10);
    bool ok = false;
    const int value = bareDigits(text).toInt(&ok, 16);
    if (!ok)
        return minimum();
    return std::clamp(value, minimum(), maximum());
}

void HexSpinBox::fixup(QString &input) const
{
    if (m_hex) {
        bool ok = false;
        const int parsed = bareDigits(input).toInt(&ok, 16);
        const int value = ok ? std::clamp(parsed, minimum(), maximum()) : maximum();
        input = HexPrefix + twoHexDigits(value);
        return;
    }
    QSpinBox::fixup(input);
    bool ok = false;
    const int parsed = input.trimmed().toInt(&ok, 10);
    const int value = ok ? std::clamp(parsed, minimum(), maximum()) : minimum();
    input = QString::number(value);
}
