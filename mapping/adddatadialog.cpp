#include "mapping/adddatadialog.h"

#include "widgets/hexspinbox.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QRadioButton *makeRadio(const QString &text, const char *objectName, QWidget *parent)
{
    auto *radio = new QRadioButton(text, parent);
    radio->setObjectName(QLatin1String(objectName));
    radio->setAccessibleName(text);
    return radio;
}

} // namespace

QString AddDataChoice::text() const
{
    switch (kind) {
    case Mapping::SysExRow::Kind::Data1: return QStringLiteral("Data1");
    case Mapping::SysExRow::Kind::Data2: return QStringLiteral("Data2");
    case Mapping::SysExRow::Kind::Ignore: return QStringLiteral("Ignore");
    case Mapping::SysExRow::Kind::Value: break;
    }
    return QString::number(value);
}

AddDataDialog::AddDataDialog(const AddDataOptions &options, QWidget *parent)
    : QDialog(parent)
    , m_data1(makeRadio(QStringLiteral("Data1"), "data1Radio", this))
    , m_data2(makeRadio(QStringLiteral("Data2"), "data2Radio", this))
    , m_ignore(makeRadio(QStringLiteral("Ignore"), "ignoreRadio", this))
    , m_value(makeRadio(QStringLiteral("Value:"), "valueRadio", this))
    , m_spinBox(new HexSpinBox(this))
{
    setObjectName(QStringLiteral("addDataDialog"));
    setWindowTitle(QStringLiteral("Add Data"));
    setMinimumWidth(200);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    m_spinBox->setObjectName(QStringLiteral("valueBox"));
    m_spinBox->setAccessibleName(QStringLiteral("Value"));
    m_spinBox->setRange(0, 127);
    m_spinBox->setHexMode(options.showHex);
    m_spinBox->setValue(0);

    m_data1->setEnabled(!options.data1Taken);
    m_data2->setEnabled(!options.data2Taken);
    m_ignore->setVisible(options.offerIgnore);
    m_ignore->setEnabled(options.offerIgnore);
    m_value->setChecked(true);

    auto *group = new QGroupBox(QStringLiteral("Select Data Type"), this);
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_data1);
    groupLayout->addWidget(m_data2);
    if (options.offerIgnore)
        groupLayout->addWidget(m_ignore);
    auto *valueRow = new QHBoxLayout;
    valueRow->addWidget(m_value);
    valueRow->addWidget(m_spinBox, 1);
    groupLayout->addLayout(valueRow);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    for (QAbstractButton *button : buttons->buttons())
        button->setAccessibleName(button->text().remove(QLatin1Char('&')));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(buttons);

    connect(m_value, &QRadioButton::toggled, m_spinBox, &QWidget::setEnabled);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

AddDataChoice AddDataDialog::choice() const
{
    using Kind = Mapping::SysExRow::Kind;
    if (m_data1->isChecked() && m_data1->isEnabled())
        return {Kind::Data1, 0};
    if (m_data2->isChecked() && m_data2->isEnabled())
        return {Kind::Data2, 0};
    if (m_ignore->isChecked() && m_ignore->isEnabled())
        return {Kind::Ignore, 0};
    return {Kind::Value, m_spinBox->value()};
}

std::optional<AddDataChoice> AddDataDialog::run(QWidget *parent, const AddDataOptions &options)
{
    AddDataDialog dialog(options, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}
