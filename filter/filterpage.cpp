#include "filter/filterpage.h"

#include "device/devicesession.h"
#include "filter/filterfeedback.h"
#include "filter/filterbits.h"
#include "filter/filtermodel.h"
#include "filter/filterprotocol.h"
#include "filter/filtersection.h"
#include "filter/filtersteps.h"
#include "filter/portfilteringsituation.h"
#include "device/prompt.h"
#include "widgets/edithistory.h"
#include "widgets/midinames.h"
#include "widgets/palettecolours.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
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

// The filter type codes of the ports a fixed chooser lists.
constexpr int MidiInType = 0;
constexpr int MidiOutType = 1;
constexpr int UsbHostInType = 2;
constexpr int UsbHostOutType = 3;

QStringList fixedPortNames(const DeviceModels::FixedFilterPorts &ports, int usbHostPairs)
{
    QStringList names;
    for (int n = 1; n <= ports.midiInputs; ++n)
        names.append(Filter::portName(MidiInType, n));
    for (int n = 1; n <= ports.midiOutputs; ++n)
        names.append(Filter::portName(MidiOutType, n));
    for (int k = 1; k <= usbHostPairs; ++k) {
        names.append(Filter::portName(UsbHostInType, k));
        names.append(Filter::portName(UsbHostOutType, k));
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
{
    setObjectName(QStringLiteral("filterPage"));
    // Before the widgets exist: a sheet set afterwards styles every one of
    // them again.
    applyPanelStyle();
    m_portLabel = new QLabel(QStringLiteral("MIDI Ports"), this);
    m_portCombo = new QComboBox(this);
    m_secondPortCombo = new QComboBox(this);
    m_appliesToAllBox = new QCheckBox(QStringLiteral("Applies to All MIDI Ports"), this);
    m_portLabel->setObjectName(QStringLiteral("portLabel"));
    m_portCombo->setObjectName(QStringLiteral("portCombo"));
    m_portCombo->setAccessibleName(QStringLiteral("MIDI Ports"));
    m_portCombo->setMinimumWidth(180);
    m_portCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_secondPortCombo->setObjectName(QStringLiteral("secondPortCombo"));
    m_secondPortCombo->setAccessibleName(QStringLiteral("MIDI Ports"));
    m_secondPortCombo->hide();
    m_appliesToAllBox->setObjectName(QStringLiteral("appliesToAllBox"));
    m_appliesToAllBox->setAccessibleName(m_appliesToAllBox->text());
    m_portLabel->setBuddy(m_portCombo);

    // The sections scroll under the port row when the page is short or
    // narrow; the Control Change list fills whatever height is left. The
    // area and its host come first: a section built elsewhere and moved in
    // would work out the style of every one of its boxes again.
    auto *scrollArea = new QScrollArea(this);
    m_sectionsArea = scrollArea;
    scrollArea->setObjectName(QStringLiteral("filterScrollArea"));
    // Tab goes to the check boxes; the area scrolls to the focused one itself.
    scrollArea->setFocusPolicy(Qt::NoFocus);
    scrollArea->setWidgetResizable(true);
    scrollArea->setFrameShape(QFrame::NoFrame);
    auto *sections = new QWidget;
    sections->setObjectName(QStringLiteral("filterSections"));
    scrollArea->setWidget(sections);

    buildSections(sections);

    auto *portRow = new QHBoxLayout;
    portRow->addWidget(m_portLabel);
    portRow->addWidget(m_portCombo);
    portRow->addSpacing(24);
    portRow->addWidget(m_appliesToAllBox);
    portRow->addStretch(1);

    auto *left = new QVBoxLayout;
    left->setSpacing(8);
    for (Section s : {Channels, Messages, SystemCommon, SystemRealtime})
        left->addWidget(m_sections[s]);
    left->addStretch(1);
    auto *columns = new QHBoxLayout(sections);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(12);
    columns->addLayout(left, 5);
    columns->addWidget(m_sections[ControlChange], 6);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(8);
    layout->addLayout(portRow);
    layout->addWidget(scrollArea, 1);

    connect(m_portCombo, &QComboBox::currentTextChanged, this, &FilterPage::showPortFilter);
    connect(m_appliesToAllBox, &QCheckBox::clicked, this, &FilterPage::onAppliesToAllClicked);
    applyNaming(MidiNames::DefaultMiddleCOctave, false);
}

QSize FilterPage::sizeHint() const
{
    // The sections whole, not the scroll area's capped guess: the window
    // opens as wide as they need with the user's font, where the screen
    // has room.
    QSize hint = QWidget::sizeHint();
    const QMargins margins = layout()->contentsMargins();
    const int sections = m_sectionsArea->widget()->sizeHint().width()
        + m_sectionsArea->verticalScrollBar()->sizeHint().width() + margins.left() + margins.right();
    hint.setWidth(qMax(hint.width(), sections));
    return hint;
}

void FilterPage::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        applyPanelStyle();
    QWidget::changeEvent(event);
}

void FilterPage::applyPanelStyle()
{
    // The panels follow the palette, light or dark.
    const QString panel = PaletteColours::panel(palette()).name();
    const QString sheet = QStringLiteral(
        "QFrame[filterSection=\"true\"] { background-color: %1; border: 1px solid palette(mid);"
        " border-radius: 8px; }"
        "QCheckBox[filterSectionBox=\"true\"] { font-weight: bold; }"
        "QWidget#controlChangeItems { background-color: %1; }").arg(panel);
    // Polishing with a new sheet must not start another round.
    if (styleSheet() != sheet)
        setStyleSheet(sheet);
}

void FilterPage::buildSections(QWidget *host)
{
    FilterSection::Layout channels;
    channels.title = QStringLiteral("Channels");
    channels.name = QStringLiteral("channels");
    channels.hint = QStringLiteral("Select the MIDI channel you want to filter. After selection, messages from "
                                   "the MIDI channel will be filtered entirely.");
    for (int channel = 1; channel <= Filter::ChannelCount; ++channel)
        channels.items.append({Filter::channelBoxName(channel), QString::number(channel)});
    channels.columns = 8;

    FilterSection::Layout messages;
    messages.title = QStringLiteral("Messages");
    messages.name = QStringLiteral("messages");
    messages.hint = QStringLiteral("Select the MIDI message events that need to be filtered.");
    messages.items = {item("noteOnBox", "Note On"),
                      item("noteOffBox", "Note Off"),
                      item("keyAftertouchBox", "Key Aftertouch"),
                      item("programChangeBox", "Program Change"),
                      item("channelPressureBox", "Channel Pressure"),
                      item("pitchBendBox", "Pitch Bend")};
    messages.columns = 3;

    FilterSection::Layout controllers;
    controllers.title = QStringLiteral("Control Change");
    controllers.name = QStringLiteral("controlChange");
    controllers.hint = QStringLiteral("Select the specific MIDI CC controller you want to filter.");
    for (int n = 0; n < Filter::ControllerCount; ++n)
        controllers.items.append({Filter::controllerBoxName(n), MidiNames::controllerBoxText(n, false)});
    controllers.columns = 2;
    controllers.scrolling = true;

    FilterSection::Layout systemCommon;
    systemCommon.title = QStringLiteral("System Common");
    systemCommon.name = QStringLiteral("systemCommon");
    systemCommon.hint = SystemHint;
    systemCommon.items = {item("midiTimeCodeBox", "MIDI Time Code"),
                          item("songPositionPointerBox", "Song Pos Pointer"),
                          item("songSelectBox", "Song Select"),
                          item("tuneRequestBox", "Tune Request"),
                          item("systemExclusiveBox", "System Exclusive")};
    systemCommon.columns = 3;

    FilterSection::Layout realtime;
    realtime.title = QStringLiteral("System Realtime");
    realtime.name = QStringLiteral("systemRealtime");
    realtime.hint = SystemHint;
    realtime.items = {item("timingClockBox", "Timing Clock"),
                      item("tickBox", "Tick"),
                      item("startBox", "Start"),
                      item("continueBox", "Continue"),
                      item("stopBox", "Stop"),
                      item("activeSensingBox", "Active Sensing"),
                      item("systemResetBox", "System Reset")};
    realtime.columns = 4;

    m_sections[Channels] = new FilterSection(channels, host);
    m_sections[Messages] = new FilterSection(messages, host);
    m_sections[ControlChange] = new FilterSection(controllers, host);
    m_sections[SystemCommon] = new FilterSection(systemCommon, host);
    m_sections[SystemRealtime] = new FilterSection(realtime, host);

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
        &FilterPage::checkAllChannels, &FilterPage::checkAllMessages,
        &FilterPage::checkAllControllers, &FilterPage::checkAllSystemCommon,
        &FilterPage::checkAllSystemRealtime};
    static const std::array<Slot, SectionCount> noneSlots = {
        &FilterPage::clearChannels, &FilterPage::clearMessages,
        &FilterPage::clearControllers, &FilterPage::clearSystemCommon,
        &FilterPage::clearSystemRealtime};

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
    // After the counting above: the step records what the click changed.
    for (QCheckBox *box : section->items())
        connect(box, &QCheckBox::clicked, this, &FilterPage::noteEdit);
    for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{
             section->sectionBox(), section->allButton(), section->noneButton()})
        connect(button, &QAbstractButton::clicked, this, &FilterPage::noteEdit);
}

void FilterPage::noteEdit()
{
    const Filter::Bytes before = m_shownBytes;
    m_shownBytes = pageBytes();
    EditHistory *history = editHistory();
    if (m_showing || !history || history->isReplaying() || before == m_shownBytes)
        return;
    const FilterSteps::Target target{currentPortText(), m_appliesToAllBox->isChecked()};
    history->record(new FilterSteps::BoxesStep(history, this, target, before, m_shownBytes));
}

QString FilterPage::currentPortText() const
{
    return m_portCombo->currentText();
}

void FilterPage::selectTarget(const QString &port, bool allPorts)
{
    m_appliesToAllBox->setChecked(allPorts);
    updatePortCombosEnabled();
    const int index = m_portCombo->findText(port, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0 && index != m_portCombo->currentIndex())
        m_portCombo->setCurrentIndex(index);
}

void FilterPage::showBytes(const Filter::Bytes &bytes)
{
    const QSet<QString> checked = Filter::decode(bytes);
    for (auto it = m_itemBoxes.cbegin(); it != m_itemBoxes.cend(); ++it)
        it.value()->setChecked(checked.contains(it.key()));
    recountSections();
}

void FilterPage::sendCommand(const QByteArray &command)
{
    if (m_session && m_session->isOpen() && !command.isEmpty())
        m_session->writeExpectingAnswer(command);
}

bool FilterPage::hasPorts() const
{
    return m_portCombo->count() > 0;
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
    m_shownBytes = pageBytes();
}

void FilterPage::channelsCountChange(bool ok) { countChange(Channels, ok); }
void FilterPage::messagesCountChange(bool ok) { countChange(Messages, ok); }
void FilterPage::controlChangeCountChange(bool ok) { countChange(ControlChange, ok); }
void FilterPage::systemCommonCountChange(bool ok) { countChange(SystemCommon, ok); }
void FilterPage::systemRealtimeCountChange(bool ok) { countChange(SystemRealtime, ok); }

void FilterPage::checkAllChannels() { setSectionItems(Channels, true); }
void FilterPage::clearChannels() { setSectionItems(Channels, false); }
void FilterPage::checkAllMessages() { setSectionItems(Messages, true); }
void FilterPage::clearMessages() { setSectionItems(Messages, false); }
void FilterPage::checkAllControllers() { setSectionItems(ControlChange, true); }
void FilterPage::clearControllers() { setSectionItems(ControlChange, false); }
void FilterPage::checkAllSystemCommon() { setSectionItems(SystemCommon, true); }
void FilterPage::clearSystemCommon() { setSectionItems(SystemCommon, false); }
void FilterPage::checkAllSystemRealtime() { setSectionItems(SystemRealtime, true); }
void FilterPage::clearSystemRealtime() { setSectionItems(SystemRealtime, false); }

void FilterPage::showPortFilter(const QString &name)
{
    // The clicks below show a record; they are no edit of the user's.
    m_showing = true;
    showRecord(name);
    m_showing = false;
    m_shownBytes = pageBytes();
}

void FilterPage::showRecord(const QString &name)
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
    clearControllers();

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
    const std::optional<DeviceModels::FixedFilterPorts> fixedPorts = fixedPortsOfModel();
    for (int type = 0; type < Filter::PortTypeCount; ++type) {
        for (int n = 1; n <= portCounts[type]; ++n)
            m_portCombo->addItem(Filter::portName(type, n));
        updatePortCombosEnabled();
        if (fixedPorts)
            rebuildPortList(*fixedPorts, m_lindenHostPairs);
    }
}

std::optional<DeviceModels::FixedFilterPorts> FilterPage::fixedPortsOfModel() const
{
    const DeviceModels::DeviceModel *model = m_session ? m_session->connectedModel() : nullptr;
    return model ? model->fixedFilterPorts : std::nullopt;
}

void FilterPage::rebuildLindenPorts(int usbHostPairs)
{
    // The routing page reports USB HOST pairs for every model; a Cedar-6 or a
    // Rowan-W rebuilt this way would lose the ports it has and list ones it
    // has not.
    m_lindenHostPairs = usbHostPairs;
    const std::optional<DeviceModels::FixedFilterPorts> fixedPorts = fixedPortsOfModel();
    if (!hasPorts() || !fixedPorts)
        return;
    rebuildPortList(*fixedPorts, usbHostPairs);
}

void FilterPage::rebuildPortList(const DeviceModels::FixedFilterPorts &ports, int usbHostPairs)
{
    const QString before = m_portCombo->currentText();
    {
        const QSignalBlocker blocker(m_portCombo);
        m_portCombo->clear();
        m_portCombo->addItems(fixedPortNames(ports, qMax(0, usbHostPairs)));
        const int index = m_portCombo->findText(before, Qt::MatchExactly | Qt::MatchCaseSensitive);
        m_portCombo->setCurrentIndex(index >= 0 ? index : 0);
    }
    onPortTextChanged(before);
}

void FilterPage::onPortTextChanged(const QString &before)
{
    // The rebuild runs with signals blocked; when the chosen port itself went
    // away the page would otherwise keep showing, and "Set" would send, the
    // filter of a port the chooser no longer names.
    if (m_portCombo->currentText() != before)
        showPortFilter(m_portCombo->currentText());
}

void FilterPage::updatePortCombosEnabled()
{
    const bool enabled = !m_appliesToAllBox->isChecked();
    m_portCombo->setEnabled(enabled);
    m_secondPortCombo->setEnabled(enabled);
}

void FilterPage::onAppliesToAllClicked(bool checked)
{
    m_portCombo->setEnabled(!checked);
    m_secondPortCombo->setEnabled(!checked);
}

void FilterPage::onFilterStateReported(const QByteArray &frame)
{
    if (!m_model->appendReport(frame))
        return;
    // Once every listed port can have its record, show the chosen one. (Showing
    // the first record whatever the chooser says would put one port's filter
    // under another port's name, and "Set" would then write it there.)
    if (m_model->count() >= m_portCombo->count())
        showPortFilter(m_portCombo->currentText());
}

void FilterPage::onFactoryReset()
{
    m_model->clear();
    showPortFilter(QString());
}

void FilterPage::clear()
{
    m_model->clear();
    m_lindenHostPairs = 1;
    {
        const QSignalBlocker blocker(m_portCombo);
        m_portCombo->clear();
        m_secondPortCombo->clear();
    }
    showPortFilter(QString());
}

void FilterPage::attach(DeviceSession *session, Prompt *prompt)
{
    m_session = session;
    m_prompt = prompt;
    m_feedback = new FilterFeedback(session->dispatcher(), prompt, this);
    // The chooser is filled once per connection; the feedback drops later counts.
    const auto portsChanged = [this] { m_feedback->setPortsListed(hasPorts()); };
    QAbstractItemModel *ports = m_portCombo->model();
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
    const FilterSteps::Target target{m_portCombo->currentText(), m_appliesToAllBox->isChecked()};
    QVector<Filter::Bytes> before;
    for (const PortFilteringSituation *situation : m_model->filterSituations()) {
        if (target.allPorts || situation->name() == target.port) {
            before.append(situation->data());
            if (!target.allPorts)
                break;
        }
    }
    const Filter::Bytes bytes = pageBytes();
    const QByteArray command = m_model->set(target.allPorts, target.port, bytes);
    if (command.isEmpty()) {
        if (m_prompt)
            m_prompt->showMessage(NoPortText, OkText);
        return;
    }
    if (EditHistory *history = editHistory(); history && !history->isReplaying())
        history->record(new FilterSteps::SetStep(history, this, target, before, bytes));
    m_session->writeExpectingAnswer(command);
}

void FilterPage::resetForDisconnect()
{
    clear();
}

void FilterPage::tabChanged(bool shown)
{
    // Coming back with "Applies to All" checked keeps the port choosers off.
    if (shown && m_appliesToAllBox->isChecked())
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
