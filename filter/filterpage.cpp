#include "filter/filterpage.h"

#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "device/vocabulary.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

FilterPage::FilterPage(QWidget *parent)
    : DevicePage(parent)
    , label_2(new QLabel(QStringLiteral("MIDI Ports"), this))
    , comboBox_MiDiPorts(new QComboBox(this))
    , comboBox_MiDiPorts2(new QComboBox(this))
    , checkBox_Applies_To_All(new QCheckBox(QStringLiteral("Applies to All MIDI Ports"), this))
{
    setObjectName(QStringLiteral("tab_2"));
    label_2->setObjectName(QStringLiteral("label_2"));
    comboBox_MiDiPorts->setObjectName(QStringLiteral("comboBox_MiDiPorts"));
    comboBox_MiDiPorts->setAccessibleName(QStringLiteral("MIDI Ports"));
    comboBox_MiDiPorts->setMinimumWidth(180);
    comboBox_MiDiPorts2->setObjectName(QStringLiteral("comboBox_MiDiPorts2"));
    comboBox_MiDiPorts2->setAccessibleName(QStringLiteral("MIDI Ports"));
    comboBox_MiDiPorts2->hide();
    checkBox_Applies_To_All->setObjectName(QStringLiteral("checkBox_Applies_To_All"));
    checkBox_Applies_To_All->setAccessibleName(checkBox_Applies_To_All->text());
    label_2->setBuddy(comboBox_MiDiPorts);

    auto *portRow = new QHBoxLayout;
    portRow->addWidget(label_2);
    portRow->addWidget(comboBox_MiDiPorts);
    portRow->addSpacing(20);
    portRow->addWidget(checkBox_Applies_To_All);
    portRow->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(portRow);
    layout->addStretch(1);

    connect(checkBox_Applies_To_All, &QCheckBox::clicked, this, &FilterPage::on_checkBox_Applies_To_All_clicked);
}

bool FilterPage::hasPorts() const
{
    return comboBox_MiDiPorts->count() > 0;
}

void FilterPage::fillPorts(const QVector<int> &counts)
{
    const auto &types = Vocabulary::portTypes().entries();
    for (int code = 0; code < types.size() && code < counts.size(); ++code) {
        for (int n = 1; n <= counts.at(code); ++n)
            comboBox_MiDiPorts->addItem(types.at(code).first + QString::number(n));
        updatePortCombosEnabled();
    }
}

void FilterPage::updatePortCombosEnabled()
{
    const bool enabled = !checkBox_Applies_To_All->isChecked();
    comboBox_MiDiPorts->setEnabled(enabled);
    comboBox_MiDiPorts2->setEnabled(enabled);
}

void FilterPage::on_checkBox_Applies_To_All_clicked(bool checked)
{
    comboBox_MiDiPorts->setEnabled(!checked);
    comboBox_MiDiPorts2->setEnabled(!checked);
}

void FilterPage::clear()
{
    comboBox_MiDiPorts->clear();
}

void FilterPage::attach(DeviceSession *session, Prompt *prompt)
{
    m_session = session;
    m_prompt = prompt;
    FeedbackDispatcher *dispatcher = session->dispatcher();
    dispatcher->setFilterPortsListedProbe([this] { return hasPorts(); });
    connect(dispatcher, &FeedbackDispatcher::filterPortCountsReported, this, &FilterPage::fillPorts);
}

void FilterPage::resetForDisconnect()
{
    clear();
}

void FilterPage::tabChanged(bool shown)
{
    // Coming back with "Applies to All" checked keeps the port choosers off.
    if (shown && checkBox_Applies_To_All->isChecked())
        updatePortCombosEnabled();
}
