#include "filter/filterpage.h"

#include "device/devicesession.h"
#include "filter/filterfeedback.h"
#include "filter/filterbits.h"
#include "filter/filtermodel.h"
#include "filter/filterprotocol.h"
#include "filter/filtersection.h"
#include "filter/portfilteringsituation.h"
#include "widgets/midinames.h"
#include "device/prompt.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

const QString FilterPage::NotConnectedText = QStringLiteral("Please connect the device and try again");
// Before the device has reported its ports the chooser is empty and a type
// byte would mean nothing to the device, so nothing is sent.
const QString FilterPage::NoPortText =
    QStringLiteral("No MIDI port to set: the device has not reported its ports yet");

namespace {

const QString OkText = QStringLiteral("OK");
const QString SystemHint = QStringLiteral("Select the MIDI system messages you want to filter.");

// The Linden models whose chooser lists the fixed ports rather than the
// reported counts; Rowan-W belongs to the family but lists its own ports.
bool isFixedPortModel(const QString &deviceName)
{
    for (const char *model : {"Alder-4", "Larch-3", "Maple-5"}) {
        if (deviceName.contains(QLatin1String(model), Qt::CaseSensitive))
            return true;
    }
    return false;
}

QStringList lindenPortNames(int usbHostPairs)
{
    QStringList names = {QStringLiteral("MIDI IN1"), QStringLiteral("MIDI IN2"),
                         QStringLiteral("MIDI OUT1"), QStringLiteral("MIDI OUT2")};
    for (int k = 1; k <= usbHostPairs; ++k) {
        names.append(QStringLiteral("USB HOST IN%1").arg(k));
        names.append(QStringLiteral("USB HOST OUT%1").arg(k));
    }
    return names;
}

FilterSection::Item item(const char *objectName, const char *text)
{
    return {QLatin1String(objectName), QLatin1String(text)};
}

} // namespace

FilterPage::FilterPage(QWidget *parent)
    : DevicePage(parent)
    , m_model(new FilterModel(this))
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
    comboBox_MiDiPorts->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    comboBox_MiDiPorts2->setObjectName(QStringLiteral("comboBox_MiDiPorts2"));
    comboBox_MiDiPorts2->setAccessibleName(QStringLiteral("MIDI Ports"));
    comboBox_MiDiPorts2->hide();
    checkBox_Applies_To_All->setObjectName(QStringLiteral("checkBox_Applies_To_All"));
    checkBox_Applies_To_All->setAccessibleName(checkBox_Applies_To_All->text());
    label_2->setBuddy(comboBox_MiDiPorts);

    buildSections();

    auto *portRow = new QHBoxLayout;
    portRow->addWidget(label_2);
    portRow->addWidget(comboBox_MiDiPorts);
    portRow->addSpacing(24);
    portRow->addWidget(checkBox_Applies_To_All);
    portRow->addStretch(1);

    auto *left = new QVBoxLayout;
    left->setSpacing(8);
    for (Section s : {Channels, Messages, SystemCommon, SystemRealtime})
        left->addWidget(m_sections[s]);
    left->addStretch(1);
    auto *columns = new QHBoxLayout;
    columns->setSpacing(12);
    columns->addLayout(left, 5);
    columns->addWidget(m_sections[ControlChange], 6);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(8);
    layout->addLayout(portRow);
    layout->addLayout(columns, 1);

    setStyleSheet(QStringLiteral(
        "QFrame[filterSection=\"true\"] { background-color: white; border: 1px solid rgb(218, 218, 218);"
        " border-radius: 8px; }"
        "QCheckBox[filterSectionBox=\"true\"] { font-weight: bold; }"
        "QLabel[filterHint=\"true\"] { color: rgb(110, 110, 110); }"
        "QWidget#checkBox_ControlChange_items { background-color: white; }"));

    connect(comboBox_MiDiPorts, &QComboBox::currentTextChanged, this, &FilterPage::MiDiPortsCurrTextChange);
    connect(checkBox_Applies_To_All, &QCheckBox::clicked, this, &FilterPage::on_checkBox_Applies_To_All_clicked);
    applyNaming(MidiNames::DefaultMiddleCOctave, false);
}

void FilterPage::buildSections()
{
    FilterSection::Layout channels;
    channels.title = QStringLiteral("Channels");
    channels.sectionName = QStringLiteral("checkBox_Channels");
    channels.hintName = QStringLiteral("label_48");
    channels.hint = QStringLiteral("Select the MIDI channel you want to filter. After selection, messages from "
                                   "the MIDI channel will be filtered entirely.");
    channels.allName = QStringLiteral("channel_pb_all");
    channels.noneName = QStringLiteral("channel_pb_none");
    for (int channel = 1; channel <= Filter::ChannelCount; ++channel)
        channels.items.append({Filter::channelBoxName(channel), QString::number(channel)});
    channels.columns = 8;

    FilterSection::Layout messages;
    messages.title = QStringLiteral("Messages");
    messages.sectionName = QStringLiteral("checkBox_Messages");
    messages.hintName = QStringLiteral("label_50");
    messages.hint = QStringLiteral("Select the MIDI message events that need to be filtered.");
    messages.allName = QStringLiteral("Messages_pb_all");
    messages.noneName = QStringLiteral("Messages_pb_none");
    messages.items = {item("checkBox_NoteOn", "Note On"),
                      item("checkBox_NoteOff", "Note Off"),
                      item("checkBox_KeyAftertouch", "Key Aftertouch"),
                      item("checkBox_ProgramChange", "Program Change"),
                      item("checkBox_ChannelPressure", "Channel Pressure"),
                      item("checkBox_PitchBend", "Pitch Bend")};
    messages.columns = 3;

    FilterSection::Layout controllers;
    controllers.title = QStringLiteral("Control Change");
    controllers.sectionName = QStringLiteral("checkBox_ControlChange");
    controllers.hintName = QStringLiteral("label_51");
    controllers.hint = QStringLiteral("Select the specific MIDI CC controller you want to filter.");
    controllers.allName = QStringLiteral("ControlChange_pb_all");
    controllers.noneName = QStringLiteral("ControlChange_pb_none");
    for (int n = 0; n < Filter::ControllerCount; ++n)
        controllers.items.append({Filter::controllerBoxName(n), MidiNames::controllerBoxText(n, false)});
    controllers.columns = 2;
    controllers.scrolling = true;

    FilterSection::Layout systemCommon;
    systemCommon.title = QStringLiteral("System Common");
    systemCommon.sectionName = QStringLiteral("checkBox_SystemCommon");
    systemCommon.hintName = QStringLiteral("label_52");
    systemCommon.hint = SystemHint;
    systemCommon.allName = QStringLiteral("System_common_pb_all");
    systemCommon.noneName = QStringLiteral("System_common_pb_none");
    systemCommon.items = {item("checkBox_MIDI_Time_Code", "MIDI Time Code"),
                          item("checkBox_SongPosPointer", "Song Pos Pointer"),
                          item("checkBox_song_select", "Song Select"),
                          item("checkBox_Tune_Request", "Tune Request"),
                          item("checkBox_SystemExclusive", "System Exclusive")};
    systemCommon.columns = 3;

    FilterSection::Layout realtime;
    realtime.title = QStringLiteral("System Realtime");
    realtime.sectionName = QStringLiteral("checkBox_SystemRealtime");
    realtime.hintName = QStringLiteral("label_53");
    realtime.hint = SystemHint;
    realtime.allName = QStringLiteral("SystemRealtime_pb_all");
    realtime.noneName = QStringLiteral("SystemRealtime_pb_none");
    realtime.items = {item("checkBox_Timing_Clock", "Timing Clock"),
                      item("checkBox_Tick", "Tick"),
                      item("checkBox_Start", "Start"),
                      item("checkBox_Continue", "Continue"),
                      item("checkBox_Stop", "Stop"),
                      item("checkBox_Active_Sensing", "Active Sensing"),
                      item("checkBox_System_Reset", "System Reset")};
    realtime.columns = 4;

    m_sections[Channels] = new FilterSection(channels, this);
    m_sections[Messages] = new FilterSection(messages, this);
    m_sections[ControlChange] = new FilterSection(controllers, this);
    m_sections[SystemCommon] = new FilterSection(systemCommon, this);
    m_sections[SystemRealtime] = new FilterSection(realtime, this);

    for (FilterSection *section : m_sections) {
        for (QCheckBox *box : section->items())
            m_itemBoxes.insert(box->objectName(), box);
    }
    m_controllerBoxes = m_sections[ControlChange]->items();
    for (int s = 0; s < SectionCount; ++s)
        wireSection(static_cast<Section>(s));
}

void FilterPage::wireSection(Section s)
{
    using Slot = void (FilterPage::*)();
    using CountSlot = void (FilterPage::*)(bool);
    static const std::array<CountSlot, SectionCount> countSlots = {
        &FilterPage::channelsCountChange, &FilterPage::messagesCountChange,
        &FilterPage::controlChangeCountChange, &FilterPage::systemCommonCountChange,
        &FilterPage::systemRealtimeCountChange};
    static const std::array<Slot, SectionCount> allSlots = {
        &FilterPage::on_channel_pb_all_clicked, &FilterPage::on_Messages_pb_all_clicked,
        &FilterPage::on_ControlChange_pb_all_clicked, &FilterPage::on_System_common_pb_all_clicked,
        &FilterPage::on_SystemRealtime_pb_all_clicked};
    static const std::array<Slot, SectionCount> noneSlots = {
        &FilterPage::on_channel_pb_none_clicked, &FilterPage::on_Messages_pb_none_clicked,
        &FilterPage::on_ControlChange_pb_none_clicked, &FilterPage::on_System_common_pb_none_clicked,
        &FilterPage::on_SystemRealtime_pb_none_clicked};

    FilterSection *section = m_sections[s];
    for (QCheckBox *box : section->items())
        connect(box, &QCheckBox::clicked, this, countSlots[s]);
    const Slot all = allSlots[s];
    const Slot none = noneSlots[s];
    // A click advances the tri-state box Unchecked -> Partial -> Checked -> Unchecked;
    // the first two arrive as true and check every item, the last clears them.
    connect(section->sectionBox(), &QCheckBox::clicked, this,
            [this, all, none](bool checked) { (this->*(checked ? all : none))(); });
    connect(section->allButton(), &QPushButton::clicked, this, all);
    connect(section->noneButton(), &QPushButton::clicked, this, none);
}

bool FilterPage::hasPorts() const
{
    return comboBox_MiDiPorts->count() > 0;
}

int FilterPage::counter(Section s) const
{
    return const_cast<FilterPage *>(this)->counterRef(s);
}

int &FilterPage::counterRef(Section s)
{
    switch (s) {
    case Channels:
        return channelsCount;
    case Messages:
        return messagesCount;
    case ControlChange:
        return controlChangeCount;
    case SystemCommon:
        return systemCommonCount;
    case SystemRealtime:
        break;
    }
    return systemRealtimeCount;
}

Filter::Bytes FilterPage::pageBytes() const
{
    return Filter::encodeWith([this](const QString &name) {
        const QCheckBox *box = m_itemBoxes.value(name);
        return box && box->isChecked();
    });
}

void FilterPage::countChange(Section s, bool ok)
{
    counterRef(s) += ok ? 1 : -1;
    showSectionState(s);
}

void FilterPage::showSectionState(Section s)
{
    const int count = counterRef(s);
    const int total = m_sections[s]->itemCount();
    Qt::CheckState state = Qt::PartiallyChecked;
    if (count == 0)
        state = Qt::Unchecked;
    else if (count == total)
        state = Qt::Checked;
    m_sections[s]->sectionBox()->setCheckState(state);
}

void FilterPage::setSectionItems(Section s, bool checked)
{
    const Qt::CheckState state = checked ? Qt::Checked : Qt::Unchecked;
    QCheckBox *sectionBox = m_sections[s]->sectionBox();
    if (sectionBox->checkState() != state)
        sectionBox->setCheckState(state);
    for (QCheckBox *box : m_sections[s]->items())
        box->setCheckState(state);
    counterRef(s) = checked ? m_sections[s]->itemCount() : 0;
}

void FilterPage::recountSections()
{
    for (int s = 0; s < SectionCount; ++s) {
        const auto section = static_cast<Section>(s);
        counterRef(section) = m_sections[s]->checkedCount();
        showSectionState(section);
    }
}

void FilterPage::channelsCountChange(bool ok) { countChange(Channels, ok); }
void FilterPage::messagesCountChange(bool ok) { countChange(Messages, ok); }
void FilterPage::controlChangeCountChange(bool ok) { countChange(ControlChange, ok); }
void FilterPage::systemCommonCountChange(bool ok) { countChange(SystemCommon, ok); }
void FilterPage::systemRealtimeCountChange(bool ok) { countChange(SystemRealtime, ok); }

void FilterPage::on_channel_pb_all_clicked() { setSectionItems(Channels, true); }
void FilterPage::on_channel_pb_none_clicked() { setSectionItems(Channels, false); }
void FilterPage::on_Messages_pb_all_clicked() { setSectionItems(Messages, true); }
void FilterPage::on_Messages_pb_none_clicked() { setSectionItems(Messages, false); }
void FilterPage::on_ControlChange_pb_all_clicked() { setSectionItems(ControlChange, true); }
void FilterPage::on_ControlChange_pb_none_clicked() { setSectionItems(ControlChange, false); }
void FilterPage::on_System_common_pb_all_clicked() { setSectionItems(SystemCommon, true); }
void FilterPage::on_System_common_pb_none_clicked() { setSectionItems(SystemCommon, false); }
void FilterPage::on_SystemRealtime_pb_all_clicked() { setSectionItems(SystemRealtime, true); }
void FilterPage::on_SystemRealtime_pb_none_clicked() { setSectionItems(SystemRealtime, false); }

void FilterPage::MiDiPortsCurrTextChange(const QString &name)
{
    for (FilterSection *section : m_sections) {
        if (section->sectionBox()->checkState() != Qt::Unchecked)
            section->sectionBox()->setCheckState(Qt::Unchecked);
        for (QCheckBox *box : section->items())
            box->setCheckState(Qt::Unchecked);
    }
    channelsCount = 0;
    messagesCount = 0;
    systemCommonCount = 0;
    systemRealtimeCount = 0;
    on_ControlChange_pb_none_clicked();

    // A record without a name came from a report of an unknown port type; it
    // belongs to no entry of the chooser, not even to an empty one.
    if (name.isEmpty())
        return;
    const PortFilteringSituation *situation = m_model->firstByName(name);
    if (!situation)
        return;
    // Clicking (rather than setting) the boxes lets every section count them.
    for (const Filter::WalkStep &step : Filter::decodeWalk(situation->data())) {
        QCheckBox *box = m_itemBoxes.value(step.box);
        if (!box)
            continue;
        if (step.checked)
            box->click();
        else
            box->setChecked(false);
    }
}

void FilterPage::fillPorts(const QVector<int> &counts)
{
    if (hasPorts())
        return;
    Filter::PortCounts portCounts{};
    for (int type = 0; type < Filter::PortTypeCount; ++type)
        portCounts[type] = counts.value(type);
    m_model->setFilterPortCounts(portCounts);
    const bool fixedPorts = listsFixedPorts();
    for (int type = 0; type < Filter::PortTypeCount; ++type) {
        for (int n = 1; n <= portCounts[type]; ++n)
            comboBox_MiDiPorts->addItem(Filter::portName(type, n));
        updatePortCombosEnabled();
        if (fixedPorts)
            rebuildPortList(1);
    }
}

bool FilterPage::listsFixedPorts() const
{
    return m_session && isFixedPortModel(m_session->connectedDeviceName());
}

void FilterPage::rebuildLindenPorts(int usbHostPairs)
{
    // The routing page reports USB HOST pairs for every model; a Cedar-6 or a
    // Rowan-W rebuilt this way would lose the ports it has and list ones it
    // has not.
    if (!hasPorts() || !listsFixedPorts())
        return;
    rebuildPortList(usbHostPairs);
}

void FilterPage::rebuildPortList(int usbHostPairs)
{
    const QString before = comboBox_MiDiPorts->currentText();
    {
        const QSignalBlocker blocker(comboBox_MiDiPorts);
        comboBox_MiDiPorts->clear();
        comboBox_MiDiPorts->addItems(lindenPortNames(qMax(0, usbHostPairs)));
        const int index = comboBox_MiDiPorts->findText(before, Qt::MatchExactly | Qt::MatchCaseSensitive);
        comboBox_MiDiPorts->setCurrentIndex(index >= 0 ? index : 0);
    }
    onPortTextChanged(before);
}

void FilterPage::onPortTextChanged(const QString &before)
{
    // The rebuild runs with signals blocked; when the chosen port itself went
    // away the page would otherwise keep showing, and "Set" would send, the
    // filter of a port the chooser no longer names.
    if (comboBox_MiDiPorts->currentText() != before)
        MiDiPortsCurrTextChange(comboBox_MiDiPorts->currentText());
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

void FilterPage::onFilterStateReported(const QByteArray &frame)
{
    if (!m_model->appendReport(frame))
        return;
    // Once every listed port can have its record, show the chosen one. (Showing
    // the first record whatever the chooser says would put one port's filter
    // under another port's name, and "Set" would then write it there.)
    if (m_model->count() >= comboBox_MiDiPorts->count())
        MiDiPortsCurrTextChange(comboBox_MiDiPorts->currentText());
}

void FilterPage::onFactoryReset()
{
    m_model->clear();
    MiDiPortsCurrTextChange(QString());
}

void FilterPage::clear()
{
    m_model->clear();
    {
        const QSignalBlocker blocker(comboBox_MiDiPorts);
        comboBox_MiDiPorts->clear();
        comboBox_MiDiPorts2->clear();
    }
    MiDiPortsCurrTextChange(QString());
}

void FilterPage::attach(DeviceSession *session, Prompt *prompt)
{
    m_session = session;
    m_prompt = prompt;
    m_feedback = new FilterFeedback(session->dispatcher(), prompt, this);
    // The chooser is filled once per connection; the feedback drops later counts.
    const auto portsChanged = [this] { m_feedback->setPortsListed(hasPorts()); };
    QAbstractItemModel *ports = comboBox_MiDiPorts->model();
    connect(ports, &QAbstractItemModel::rowsInserted, this, portsChanged);
    connect(ports, &QAbstractItemModel::rowsRemoved, this, portsChanged);
    connect(ports, &QAbstractItemModel::modelReset, this, portsChanged);
    portsChanged();
    connect(m_feedback, &FilterFeedback::portCountsReported, this, &FilterPage::fillPorts);
    connect(m_feedback, &FilterFeedback::stateReported, this, &FilterPage::onFilterStateReported);
    connect(m_feedback, &FilterFeedback::factoryReset, this, &FilterPage::onFactoryReset);
}

void FilterPage::onSetClicked()
{
    if (!m_session || !m_session->isOpen()) {
        if (m_prompt)
            m_prompt->showMessage(NotConnectedText, OkText);
        return;
    }
    const QByteArray command =
        m_model->set(checkBox_Applies_To_All->isChecked(), comboBox_MiDiPorts->currentText(), pageBytes());
    if (command.isEmpty()) {
        if (m_prompt)
            m_prompt->showMessage(NoPortText, OkText);
        return;
    }
    m_session->write(command);
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

void FilterPage::applyNaming(int middleCOctave, bool showCCName)
{
    Q_UNUSED(middleCOctave)
    for (int n = 0; n < m_controllerBoxes.size(); ++n) {
        QCheckBox *box = m_controllerBoxes.at(n);
        box->setText(MidiNames::controllerBoxText(n, showCCName));
        box->setAccessibleName(box->text());
        box->setToolTip(QStringLiteral("Control Change %1").arg(MidiNames::controllerLabel(n)));
    }
    m_sections[ControlChange]->fitScrollAreaToItems();
}
