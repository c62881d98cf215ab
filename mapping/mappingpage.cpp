#include "mapping/mappingpage.h"

#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

MappingPage::MappingPage(QWidget *parent)
    : DevicePage(parent)
    , comboBox(new QComboBox(this))
{
    setObjectName(QStringLiteral("tab_4"));
    comboBox->setObjectName(QStringLiteral("comboBox"));
    comboBox->setAccessibleName(QStringLiteral("Mapping Number"));
    for (int n = 1; n <= 16; ++n)
        comboBox->addItem(QString::number(n));

    auto *numberLabel = new QLabel(QStringLiteral("Mapping Number"), this);
    numberLabel->setBuddy(comboBox);
    auto *numberHint = new QLabel(QStringLiteral("Each Mapping Number can store a mapping rule."), this);
    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(numberLabel);
    numberRow->addWidget(comboBox);
    numberRow->addWidget(numberHint);
    numberRow->addStretch(1);

    auto *ports = new QGridLayout;
    ports->addWidget(new QLabel(QStringLiteral("Select Port to Map："), this), 0, 0, 1, 4);
    for (int i = 0; i < PortBoxesPerSide; ++i) {
        for (const bool input : {true, false}) {
            const QString name = QStringLiteral("checkBox_%1%2").arg(input ? "in" : "out").arg(i);
            auto *box = new QCheckBox(this);
            box->setObjectName(name);
            auto *label = new QLabel(this);
            label->setObjectName(name + QStringLiteral("_text"));
            box->hide();
            (input ? m_inBoxes : m_outBoxes).append(box);
            (input ? m_inLabels : m_outLabels).append(label);
            const int column = input ? 0 : 2;
            ports->addWidget(box, i + 1, column);
            ports->addWidget(label, i + 1, column + 1);
        }
    }
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(numberRow);
    layout->addLayout(ports);
    layout->addStretch(1);
}

void MappingPage::setPortBoxesVisible(bool visible)
{
    for (QCheckBox *box : qAsConst(m_inBoxes))
        box->setVisible(visible);
    for (QCheckBox *box : qAsConst(m_outBoxes))
        box->setVisible(visible);
}

void MappingPage::setThirdPortLabelsShown(bool shown)
{
    for (QLabel *label : {m_inLabels.at(2), m_outLabels.at(2)}) {
        if (!shown)
            label->clear();
        label->setVisible(shown);
    }
}

void MappingPage::reset()
{
    for (QCheckBox *box : qAsConst(m_inBoxes))
        box->setChecked(false);
    for (QCheckBox *box : qAsConst(m_outBoxes))
        box->setChecked(false);
}

void MappingPage::attach(DeviceSession *session, Prompt *prompt)
{
    m_session = session;
    m_prompt = prompt;
    connect(session->dispatcher(), &FeedbackDispatcher::factoryResetConfirmed, this, &MappingPage::reset);
}

void MappingPage::resetForDisconnect()
{
    reset();
    setPortBoxesVisible(false);
}

void MappingPage::onDeleteClicked()
{
}
