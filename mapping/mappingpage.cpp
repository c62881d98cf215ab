#include "mapping/mappingpage.h"

#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "device/prompt.h"
#include "mapping/mappingcommands.h"
#include "mapping/mappingfeedback.h"
#include "mapping/mappinglogging.h"
#include "mapping/mappingoverlay.h"
#include "mapping/mappingportpanel.h"
#include "mapping/mappingprotocol.h"
#include "mapping/mappingrule.h"
#include "mapping/mappingsteps.h"
#include "mapping/standardmappingeditor.h"
#include "mapping/sysexmappingeditor.h"
#include "widgets/edithistory.h"
#include "widgets/placeholdercombobox.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString ChooseBothSidesText =
    QStringLiteral("Please select the message type of both the Original MIDI and the Mapping MIDI first.");

bool isSysExType(const QString &typeName)
{
    return typeName.contains(QLatin1String("System"));
}

QPushButton *makeButton(QWidget *parent, const char *objectName, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAccessibleName(text);
    return button;
}

// The scroll area's content, where the ports and both editors are made.
QWidget *newEditorsHost(QScrollArea *area)
{
    auto *editors = new QWidget;
    editors->setObjectName(QStringLiteral("mappingEditors"));
    area->setWidget(editors);
    return editors;
}

int sourceFromByte(std::uint8_t source)
{
    return source == MappingProtocol::SourceOriginalData1 || source == MappingProtocol::SourceOriginalData2
        ? source
        : -1;
}

} // namespace

MappingPage::MappingPage(QWidget *parent)
    : DevicePage(parent)
    , m_numberCombo(new PlaceholderComboBox(this))
    , m_editorsArea(new QScrollArea(this))
    , m_ports(new MappingPortPanel(newEditorsHost(m_editorsArea)))
    , m_original(new MappingSidePanel(MappingSidePanel::Side::Original, m_editorsArea->widget()))
    , m_mapped(new MappingSidePanel(MappingSidePanel::Side::Mapped, m_editorsArea->widget()))
    , m_refreshTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("mappingPage"));
    m_numberCombo->setObjectName(QStringLiteral("mappingNumberCombo"));
    m_numberCombo->setAccessibleName(QStringLiteral("Mapping Number"));
    m_numberCombo->setPlaceholderText(QStringLiteral("Mapping Number"));
    for (int n = MappingProtocol::FirstNumber; n <= MappingProtocol::LastNumber; ++n)
        m_numberCombo->addItem(QString::number(n));

    auto *numberLabel = new QLabel(QStringLiteral("Mapping Number"), this);
    numberLabel->setBuddy(m_numberCombo);
    auto *numberHint = new QLabel(QStringLiteral("Each Mapping Number can store a mapping rule."), this);
    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(numberLabel);
    numberRow->addWidget(m_numberCombo);
    numberRow->addWidget(numberHint);
    numberRow->addStretch(1);

    // The ports and both editors scroll between the number row and the
    // command row, which stay in view; a SysEx table grows in here, never
    // the window.
    QWidget *editors = m_editorsArea->widget();
    auto *body = new QHBoxLayout(editors);
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(m_ports);
    body->addWidget(m_original, 1);
    body->addWidget(m_mapped, 1);
    QScrollArea *scrollArea = m_editorsArea;
    scrollArea->setObjectName(QStringLiteral("mappingScrollArea"));
    // Tab goes to the controls; the area scrolls to the focused one itself.
    scrollArea->setFocusPolicy(Qt::NoFocus);
    scrollArea->setWidgetResizable(true);
    scrollArea->setFrameShape(QFrame::NoFrame);

    m_messageLabel = new QLabel(this);
    m_messageLabel->setObjectName(QStringLiteral("messageLabel"));

    auto *sendButton = makeButton(this, "sendButton", QStringLiteral("send"));
    auto *readButton = makeButton(this, "readButton", QStringLiteral("read"));
    auto *delButton = makeButton(this, "deleteButton", QStringLiteral("Del"));
    auto *restoreButton = makeButton(this, "restoreButton", QStringLiteral("Restore"));
    m_drawBox = new QCheckBox(QStringLiteral("  draw"), this);
    m_drawBox->setObjectName(QStringLiteral("drawBox"));
    m_drawBox->setAccessibleName(QStringLiteral("draw"));
    m_drawBox->setChecked(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_drawBox);
    buttons->addWidget(m_messageLabel, 1);
    for (QPushButton *button : {sendButton, readButton, delButton, restoreButton})
        buttons->addWidget(button);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(numberRow);
    layout->addWidget(scrollArea, 1);
    layout->addLayout(buttons);

    m_refreshTimer->setObjectName(QStringLiteral("refreshTimer"));
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(RefreshDelayMs);

    connect(sendButton, &QPushButton::clicked, this, &MappingPage::onSendClicked);
    connect(readButton, &QPushButton::clicked, this, &MappingPage::onReadClicked);
    connect(delButton, &QPushButton::clicked, this, &MappingPage::deleteSelectedMapping);
    connect(restoreButton, &QPushButton::clicked, this, &MappingPage::onRestoreClicked);
    connect(m_numberCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MappingPage::showMappingNumber);
    connect(m_refreshTimer, &QTimer::timeout, this, &MappingPage::onRefreshTimeout);
    connect(m_original, &MappingSidePanel::typeChosen, this,
            &MappingPage::onOriginalTypeChosen);
    connect(m_mapped, &MappingSidePanel::typeChosen, this,
            &MappingPage::onMappedTypeChosen);

    // On the scrolled editors, so that the lines scroll with their fields
    // and end at the area's edge.
    m_overlay = new MappingOverlay(m_original, m_mapped, editors);
    connect(m_drawBox, &QCheckBox::clicked, m_overlay, &MappingOverlay::setDrawEnabled);

    // Whatever the user changes ends in one of these; the form tells what.
    connect(m_overlay, &MappingOverlay::sourcesChanged, this, &MappingPage::noteFormEdit);
    // Through the sides, which make their editors only when first needed.
    for (MappingSidePanel *side : {m_original, m_mapped}) {
        connect(side, &MappingSidePanel::fieldActivated, this, &MappingPage::noteFormEdit);
        connect(side, &MappingSidePanel::sysExRowsChanged, this, &MappingPage::noteFormEdit);
        connect(side, &MappingSidePanel::sysExRowValuesEdited, this, &MappingPage::noteFormEdit);
    }

    reset();
}

QComboBox *MappingPage::mappingNumberCombo() const
{
    return m_numberCombo;
}

const QList<QCheckBox *> &MappingPage::inputBoxes() const { return m_ports->inputBoxes(); }
const QList<QCheckBox *> &MappingPage::outputBoxes() const { return m_ports->outputBoxes(); }
QLabel *MappingPage::inputBoxLabel(int i) const { return m_ports->inputLabel(i); }
QLabel *MappingPage::outputBoxLabel(int i) const { return m_ports->outputLabel(i); }

int MappingPage::selectedNumber() const
{
    return m_numberCombo->currentIndex() + 1;
}

int MappingPage::data1MappingFrom() const
{
    return m_overlay->sources().data1;
}

int MappingPage::data2MappingFrom() const
{
    return m_overlay->sources().data2;
}

void MappingPage::setData1MappingFrom(int source)
{
    m_overlay->setSources({source, data2MappingFrom()});
}

void MappingPage::setData2MappingFrom(int source)
{
    m_overlay->setSources({data1MappingFrom(), source});
}

QVector<bool> MappingPage::portMaskEntries() const
{
    return m_ports->maskEntries();
}

MappingRecord MappingPage::buildRecord() const
{
    MappingRule rule;
    rule.ports = portMaskEntries();
    rule.number = selectedNumber();
    rule.original = m_original->ruleSide();
    rule.mapped = m_mapped->ruleSide();
    rule.data1MappingFrom = data1MappingFrom();
    rule.data2MappingFrom = data2MappingFrom();
    return rule.toRecord();
}

void MappingPage::setPortBoxesVisible(bool visible)
{
    m_ports->setBoxesVisible(visible);
}

void MappingPage::setThirdPortLabelsShown(bool shown)
{
    m_ports->setThirdPortLabelsShown(shown);
}

void MappingPage::setPortCounts(const QVector<int> &counts)
{
    m_ports->setPortCounts(counts);
}

void MappingPage::setUsbNames(const UsbNameSlots *names)
{
    m_ports->setUsbNames(names);
}

void MappingPage::refreshUsbLabels()
{
    m_ports->refreshUsbLabels();
}

void MappingPage::reset()
{
    ++m_formLoading;
    m_original->reset();
    m_mapped->reset();
    m_ports->clearChecks();
    m_overlay->clearLines();
    --m_formLoading;
    rememberForm();
}

MappingSteps::Form MappingPage::form() const
{
    const auto sideForm = [](const MappingSidePanel *panel) {
        MappingSteps::Form::Side side;
        side.page = panel->page();
        // Only what the side's page shows: the rest is not the user's.
        if (side.page == StandardPage || side.page == SysExPage)
            side.type = panel->editor()->typeName();
        if (side.page == StandardPage) {
            side.channel = panel->editor()->channelText();
            side.ranges = panel->editor()->ranges();
        } else if (side.page == SysExPage) {
            side.rows = panel->sysEx()->rows();
        }
        return side;
    };
    return {sideForm(m_original), sideForm(m_mapped), m_overlay->sources()};
}

void MappingPage::showForm(int number, const MappingSteps::Form &form)
{
    if (number != selectedNumber())
        selectNumber(number);
    ++m_formLoading;
    const auto showSide = [](MappingSidePanel *panel, const MappingSteps::Form::Side &side) {
        if (side.page == PlaceholderPage) {
            panel->reset();
            return;
        }
        panel->editor()->selectType(side.type);
        if (side.page == SysExPage) {
            panel->sysEx()->resetTypeCombo();
            panel->sysEx()->setRows(side.rows);
        } else {
            panel->editor()->channelCombo()->setCurrentText(side.channel);
            panel->editor()->setRanges(side.ranges);
        }
        panel->showPage(side.page);
    };
    showSide(m_original, form.original);
    showSide(m_mapped, form.mapped);
    m_overlay->setSources(form.sources);
    --m_formLoading;
    rememberForm();
}

void MappingPage::noteFormEdit()
{
    EditHistory *history = editHistory();
    if (m_formLoading > 0 || !history || history->isReplaying())
        return;
    const MappingSteps::Form now = form();
    if (MappingSteps::formChange(m_shownForm, now).isEmpty())
        return;
    history->record(new MappingSteps::FormStep(history, this, selectedNumber(), m_shownForm, now));
    m_shownForm = now;
}

void MappingPage::rememberForm()
{
    if (m_formLoading == 0)
        m_shownForm = form();
}

// Sources whose original field the new type lacks are dropped by
// reconcileSources: they would send a value the message does not have.
void MappingPage::onOriginalTypeChosen(const QString &typeName)
{
    m_original->showPage(isSysExType(typeName) ? SysExPage : StandardPage);
    m_overlay->reconcileSources();
    noteFormEdit();
}

void MappingPage::onMappedTypeChosen(const QString &typeName)
{
    // A mapped message needs an original one: the first type stands in.
    if (!m_original->isChosen()) {
        m_original->editor()->selectType(0);
        m_original->showPage(StandardPage);
    }
    const int page = isSysExType(typeName) ? SysExPage : StandardPage;
    m_mapped->showPage(page);
    if (page == SysExPage)
        m_overlay->clearLines();
    else if (m_original->page() == StandardPage)
        m_overlay->presetStraightSources();
    m_overlay->reconcileSources();
    noteFormEdit();
}

void MappingPage::attach(DeviceSession *session, Prompt *prompt)
{
    m_session = session;
    m_prompt = prompt;
    m_overlay->setPrompt(prompt);
    m_original->setPrompt(prompt);
    m_mapped->setPrompt(prompt);
    FeedbackDispatcher *dispatcher = session->dispatcher();
    m_feedback = new MappingFeedback(dispatcher, prompt, this);
    m_feedback->setPageShown(isVisible());
    connect(m_feedback, &MappingFeedback::mappingReported, this, &MappingPage::onReadBack);
    connect(m_feedback, &MappingFeedback::storeConfirmed, this, &MappingPage::onStoreConfirmed);
    connect(m_feedback, &MappingFeedback::deleteConfirmed, this, &MappingPage::onDeleteConfirmed);
    connect(m_feedback, &MappingFeedback::factoryReset, this, &MappingPage::onFactoryReset);
    connect(m_feedback, &MappingFeedback::filterPortCountsReported, this, &MappingPage::setPortCounts);
}

void MappingPage::onSetClicked()
{
    sendRecord(true);
}

void MappingPage::onSendClicked()
{
    sendRecord(false);
}

void MappingPage::sendRecord(bool refuseIdentical)
{
    // A side on its placeholder page has no type: its record would carry
    // the first type's codes, a rule the user never chose.
    if (!m_original->isChosen() || !m_mapped->isChosen()) {
        if (m_prompt)
            m_prompt->showMessage(ChooseBothSidesText, QStringLiteral("OK"));
        return;
    }
    const MappingRecord record = buildRecord();
    if (refuseIdentical && m_store.containsIdentical(record)) {
        if (m_prompt)
            m_prompt->message(Prompt::Critical, QStringLiteral("Error"),
                              QStringLiteral("The Same Mapping data already exists."), Prompt::Ok);
        return;
    }
    recordRuleStep(record.mappingNumber(), QStringLiteral("send"), storedRule(record.mappingNumber()), record);
    // Queued and flushed; the port reports a failed write itself, so the
    // window never waits here for the bytes to leave.
    writeCommand(record.toStoreCommand(), "store");
    m_store.setPendingMapping(record);
    emit recordSent(record);
}

std::optional<MappingRecord> MappingPage::storedRule(int number) const
{
    if (!m_store.isStored(number))
        return std::nullopt;
    return m_store.mapping(number);
}

void MappingPage::recordRuleStep(int number, const QString &action, const std::optional<MappingRecord> &before,
                                 const std::optional<MappingRecord> &after)
{
    EditHistory *history = editHistory();
    // Deleting a number that holds nothing changes nothing.
    if (!before && !after)
        return;
    if (history && !history->isReplaying() && Mapping::isValidMappingNumber(number))
        history->record(new MappingSteps::RuleStep(history, this, number, action, before, after));
}

void MappingPage::selectNumber(int number)
{
    if (m_numberCombo->currentIndex() == number - 1)
        showMappingNumber(number - 1);
    else
        m_numberCombo->setCurrentIndex(number - 1);
}

void MappingPage::storeRule(int number, const MappingRecord &record)
{
    writeCommand(record.toStoreCommand(), "store");
    m_store.setPendingMapping(record);
    QVector<MappingRecord> records = m_store.feedbackMappings();
    records[number] = record;
    records[number].enable = true;
    (void)m_store.setFeedbackMappings(records);
    selectNumber(number);
}

void MappingPage::deleteRule(int number)
{
    writeCommand(Mapping::deleteMappingCommand(number), "delete");
    m_store.confirmDelete(number);
    selectNumber(number);
}

void MappingPage::restoreRules(const QVector<MappingRecord> &records)
{
    if (!m_store.setFeedbackMappings(records))
        return;
    for (const MappingRecord &record : records) {
        if (record.enable) {
            writeCommand(record.toStoreCommand(), "store");
            m_store.setPendingMapping(record);
        }
    }
    showMappingNumber(m_numberCombo->currentIndex());
}

void MappingPage::deleteAllRules()
{
    writeCommand(Mapping::deleteAllMappingsCommand(), "delete all");
    m_store.clearAll();
    reset();
}

void MappingPage::writeCommand(const QByteArray &frame, const char *what, bool answered)
{
    if (!m_session || !m_session->isOpen())
        qCWarning(lcMapping).noquote() << "串口未打开！" << what << "not sent";
    else if (!(answered ? m_session->writeExpectingAnswer(frame) : m_session->write(frame)))
        qCWarning(lcMapping).noquote() << "写串口失败:" << what;
}

void MappingPage::onReadClicked()
{
    // A device with no rules stored sends nothing back: silence is an answer.
    writeCommand(Mapping::readMappingsQuery(), "read query", false);
}

void MappingPage::deleteSelectedMapping()
{
    recordRuleStep(selectedNumber(), QStringLiteral("Del"), storedRule(selectedNumber()), std::nullopt);
    writeCommand(Mapping::deleteMappingCommand(selectedNumber()), "delete");
    reset();
}

void MappingPage::onDeleteClicked()
{
    deleteSelectedMapping();
}

void MappingPage::onRestoreClicked()
{
    if (!m_prompt
        || m_prompt->showMessage(QStringLiteral("Delete all mapping numbers?"), QStringLiteral("Yes"),
                                 QStringLiteral("NO"))
            != Prompt::Ok)
        return;
    if (EditHistory *history = editHistory(); history && !history->isReplaying())
        history->record(new MappingSteps::RestoreStep(history, this, m_store.feedbackMappings()));
    deleteAllRules();
}

void MappingPage::showMappingNumber(int index)
{
    ++m_formLoading;
    reset();
    if (index >= 0 && index < MappingProtocol::LastNumber)
        showNumber(index + 1);
    --m_formLoading;
    rememberForm();
}

void MappingPage::showNumber(int number)
{
    if (!m_store.isStored(number))
        return;
    const MappingRecord &r = m_store.mapping(number);
    m_ports->setMaskEntries(Mapping::unpackPortMask({r.portMaskLow, r.portMaskMiddle, r.portMaskHigh}));
    m_original->showStored(r.originalType, r.originalChannel, r.payload,
                           Mapping::storedOriginalSysExPositions(r.originalData1Position, r.originalData2Position,
                                                                 r.mappedData1Source, r.mappedData2Source));
    m_mapped->showStored(r.mappedType, r.mappedChannel, r.extraData,
                         Mapping::storedMappedSysExPositions(r.mappedData1Position, r.mappedData2Position,
                                                             r.mappedData1Source, r.mappedData2Source));
    m_overlay->setSources({sourceFromByte(r.mappedData1Source), sourceFromByte(r.mappedData2Source)});
}

void MappingPage::onReadBack(const QByteArray &frame)
{
    m_store.storeReadBack(frame);
    m_refreshTimer->start();
}

// Once per burst of read-backs. It used to write the "remove every route"
// frame and send the read query again: that wiped the user's routes on the
// device and, since the answers restarted this timer, never stopped.
void MappingPage::onRefreshTimeout()
{
    showMappingNumber(m_numberCombo->currentIndex());
}

void MappingPage::onStoreConfirmed()
{
    // The record names its own number; the selection may have moved on
    // while the answer was under way.
    int number = m_store.pendingMapping().mappingNumber();
    if (!Mapping::isValidMappingNumber(number))
        number = selectedNumber();
    m_store.confirmPendingStore(number);
}

void MappingPage::onDeleteConfirmed()
{
    m_store.confirmDelete(selectedNumber());
    m_original->showPage(PlaceholderPage);
    m_mapped->showPage(PlaceholderPage);
    m_messageLabel->clear();
    rememberForm();
}

void MappingPage::onFactoryReset()
{
    m_store.clearAll();
    reset();
}

void MappingPage::resetForDisconnect()
{
    m_refreshTimer->stop();
    reset();
    setPortBoxesVisible(false);
}

void MappingPage::tabChanged(bool shown)
{
    if (m_feedback)
        m_feedback->setPageShown(shown);
    if (shown)
        m_overlay->rebuild();
}

void MappingPage::applyNaming(int middleCOctave, bool showCCName)
{
    m_original->applyNaming(middleCOctave, showCCName);
    m_mapped->applyNaming(middleCOctave, showCCName);
}
