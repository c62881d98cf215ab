#include "mapping/mappingpage.h"

#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "mapping/mappingfeedback.h"
#include "device/serialport.h"
#include "device/vocabulary.h"
#include "mapping/mappingcommands.h"
#include "mapping/mappinglogging.h"
#include "mapping/mappingoverlay.h"
#include "mapping/mappingports.h"
#include "mapping/mappingprotocol.h"
#include "mapping/mappingrule.h"
#include "mapping/standardmappingeditor.h"
#include "mapping/statusbytes.h"
#include "mapping/sysexmappingeditor.h"
#include "widgets/placeholdercombobox.h"
#include "device/prompt.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString SelectHint = QStringLiteral("Select");
const QString SystemWord = QStringLiteral("System");
const QString SystemExclusive = QStringLiteral("System Exclusive");
const QString ChooseBothSidesText =
    QStringLiteral("Please select the message type of both the Original MIDI and the Mapping MIDI first.");

bool isSysExType(const QString &typeName)
{
    return typeName.contains(SystemWord);
}

QPushButton *makeButton(QWidget *parent, const char *objectName, const QString &text)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAccessibleName(text);
    return button;
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
    , comboBox(new PlaceholderComboBox(this))
    , m_comboUpdateTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("tab_4"));
    comboBox->setObjectName(QStringLiteral("comboBox"));
    comboBox->setAccessibleName(QStringLiteral("Mapping Number"));
    comboBox->setPlaceholderText(QStringLiteral("Mapping Number"));
    for (int n = MappingProtocol::FirstNumber; n <= MappingProtocol::LastNumber; ++n)
        comboBox->addItem(QString::number(n));

    auto *numberLabel = new QLabel(QStringLiteral("Mapping Number"), this);
    numberLabel->setBuddy(comboBox);
    auto *numberHint = new QLabel(QStringLiteral("Each Mapping Number can store a mapping rule."), this);
    auto *numberRow = new QHBoxLayout;
    numberRow->addWidget(numberLabel);
    numberRow->addWidget(comboBox);
    numberRow->addWidget(numberHint);
    numberRow->addStretch(1);

    auto *sides = new QHBoxLayout;
    sides->addWidget(buildSide(false), 1);
    sides->addWidget(buildSide(true), 1);

    label_38 = new QLabel(this);
    label_38->setObjectName(QStringLiteral("label_38"));

    auto *sendButton = makeButton(this, "pushButton_14", QStringLiteral("send"));
    auto *readButton = makeButton(this, "pushButton_15", QStringLiteral("read"));
    auto *delButton = makeButton(this, "pushButton_16", QStringLiteral("Del"));
    auto *restoreButton = makeButton(this, "delete_all", QStringLiteral("Restore"));
    checkBox_20 = new QCheckBox(QStringLiteral("  draw"), this);
    checkBox_20->setObjectName(QStringLiteral("checkBox_20"));
    checkBox_20->setAccessibleName(QStringLiteral("draw"));
    checkBox_20->setChecked(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(checkBox_20);
    buttons->addWidget(label_38, 1);
    for (QPushButton *button : {sendButton, readButton, delButton, restoreButton})
        buttons->addWidget(button);

    auto *editors = new QVBoxLayout;
    editors->addLayout(sides, 1);
    editors->addLayout(buttons);

    auto *body = new QHBoxLayout;
    body->addWidget(buildPortBoxes());
    body->addLayout(editors, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(numberRow);
    layout->addLayout(body, 1);

    m_comboUpdateTimer->setObjectName(QStringLiteral("comboUpdateTimer"));
    m_comboUpdateTimer->setSingleShot(true);
    m_comboUpdateTimer->setInterval(RefreshDelayMs);

    connect(sendButton, &QPushButton::clicked, this, &MappingPage::on_pushButton_14_clicked);
    connect(readButton, &QPushButton::clicked, this, &MappingPage::on_pushButton_15_clicked);
    connect(delButton, &QPushButton::clicked, this, &MappingPage::on_pushButton_16_clicked);
    connect(restoreButton, &QPushButton::clicked, this, &MappingPage::on_delete_all_clicked);
    connect(comboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MappingPage::on_comboBox_currentIndexChanged);
    connect(m_comboUpdateTimer, &QTimer::timeout, this, &MappingPage::onComboUpdateTimeout);

    MappingOverlay::Sides sideWidgets;
    sideWidgets.originalStack = stackedWidget;
    sideWidgets.mappedStack = stackedWidget_2;
    sideWidgets.originalEditor = m_originalEditor;
    sideWidgets.mappedEditor = m_mappedEditor;
    sideWidgets.originalSysEx = m_originalSysEx;
    sideWidgets.mappedSysEx = m_mappedSysEx;
    m_overlay = new MappingOverlay(sideWidgets, this);
    connect(checkBox_20, &QCheckBox::clicked, m_overlay, &MappingOverlay::on_checkBox_20_clicked);

    reset();
}

QWidget *MappingPage::buildSide(bool mappedSide)
{
    auto *group = new QGroupBox(mappedSide ? QStringLiteral("Mapping MIDI") : QStringLiteral("Original MIDI"), this);
    auto *stack = new QStackedWidget(group);
    stack->setObjectName(mappedSide ? QStringLiteral("stackedWidget_2") : QStringLiteral("stackedWidget"));

    auto *editor = new StandardMappingEditor(
        mappedSide ? StandardMappingEditor::Side::Mapped : StandardMappingEditor::Side::Original, stack);
    auto *sysExPage = new SysExMappingEditor(
        mappedSide ? SysExMappingEditor::Side::Mapped : SysExMappingEditor::Side::Original, stack);

    auto *placeholderPage = new QWidget(stack);
    placeholderPage->setObjectName(mappedSide ? QStringLiteral("placeholderPage_2")
                                              : QStringLiteral("placeholderPage"));
    auto *noSelect = new PlaceholderComboBox(placeholderPage);
    noSelect->setObjectName(mappedSide ? QStringLiteral("comboBox_noselect_2") : QStringLiteral("comboBox_noselect"));
    noSelect->setAccessibleName(mappedSide ? QStringLiteral("Mapping MIDI Status") : QStringLiteral("Original MIDI Status"));
    noSelect->addItems(Vocabulary::mappingTypeCodes().names());
    noSelect->setMaxVisibleItems(18);
    auto *statusLabel = new QLabel(QStringLiteral("Status"), placeholderPage);
    statusLabel->setBuddy(noSelect);
    auto *placeholderLayout = new QFormLayout(placeholderPage);
    placeholderLayout->setContentsMargins(0, 0, 0, 0);
    placeholderLayout->addRow(statusLabel, noSelect);

    stack->insertWidget(StandardPage, editor);
    stack->insertWidget(SysExPage, sysExPage);
    stack->insertWidget(PlaceholderPage, placeholderPage);

    auto *layout = new QVBoxLayout(group);
    layout->addWidget(stack);

    connect(editor, &StandardMappingEditor::typeChosen, this,
            mappedSide ? &MappingPage::on_mapping_midista_comboBox_2_currentTextChanged
                       : &MappingPage::on_Original_midista_comboBox_2_currentTextChanged);
    connect(noSelect, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            mappedSide ? &MappingPage::syncMappingCombos2 : &MappingPage::syncOriginalCombos2);
    // The SysEx page's own type combo: another type goes back to the
    // standard page with that type.
    connect(sysExPage, &SysExMappingEditor::typeChosen, this, [this, editor, mappedSide](const QString &type) {
        editor->selectType(type);
        chooseType(mappedSide, type);
    });

    if (mappedSide) {
        stackedWidget_2 = stack;
        m_mappedEditor = editor;
        m_mappedSysEx = sysExPage;
        comboBox_noselect_2 = noSelect;
        m_mappedSysExRows = [sysExPage] { return sysExPage->rows(); };
    } else {
        stackedWidget = stack;
        m_originalEditor = editor;
        m_originalSysEx = sysExPage;
        comboBox_noselect = noSelect;
        m_originalSysExRows = [sysExPage] { return sysExPage->rows(); };
    }
    return group;
}

QWidget *MappingPage::buildPortBoxes()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("portPanel"));
    auto *ports = new QGridLayout(panel);
    ports->addWidget(new QLabel(QStringLiteral("Select Port to Map："), panel), 0, 0, 1, 2);
    checkBox_19 = new QCheckBox(QStringLiteral("Input Ports"), panel);
    checkBox_19->setObjectName(QStringLiteral("checkBox_19"));
    checkBox_19->setAccessibleName(checkBox_19->text());
    checkBox_21 = new QCheckBox(QStringLiteral("Output Ports"), panel);
    checkBox_21->setObjectName(QStringLiteral("checkBox_21"));
    checkBox_21->setAccessibleName(checkBox_21->text());
    ports->addWidget(checkBox_19, 1, 0, 1, 2);
    ports->addWidget(checkBox_21, 2 + PortBoxesPerSide, 0, 1, 2);

    for (const bool input : {true, false}) {
        const int firstRow = input ? 2 : 3 + PortBoxesPerSide;
        for (int i = 0; i < PortBoxesPerSide; ++i) {
            const QString name = QStringLiteral("checkBox_%1%2").arg(input ? "in" : "out").arg(i);
            auto *box = new QCheckBox(panel);
            box->setObjectName(name);
            auto *label = new QLabel(panel);
            label->setObjectName(name + QStringLiteral("_text"));
            box->hide();
            (input ? m_inBoxes : m_outBoxes).append(box);
            (input ? m_inLabels : m_outLabels).append(label);
            ports->addWidget(box, firstRow + i, 0);
            ports->addWidget(label, firstRow + i, 1);
            connect(box, &QCheckBox::toggled, this, [this, input] {
                const QList<QCheckBox *> &boxes = input ? m_inBoxes : m_outBoxes;
                bool all = false;
                for (QCheckBox *b : boxes) {
                    if (b->isHidden())
                        continue;
                    if (!b->isChecked()) {
                        all = false;
                        break;
                    }
                    all = true;
                }
                (input ? checkBox_19 : checkBox_21)->setChecked(all);
            });
        }
    }
    ports->setRowStretch(3 + 2 * PortBoxesPerSide, 1);
    m_inUsbSlots.fill(-1, PortBoxesPerSide);
    m_outUsbSlots.fill(-1, PortBoxesPerSide);

    connect(checkBox_19, &QCheckBox::clicked, this, [this](bool checked) { setColumnChecked(m_inBoxes, checked); });
    connect(checkBox_21, &QCheckBox::clicked, this, [this](bool checked) { setColumnChecked(m_outBoxes, checked); });
    return panel;
}

QComboBox *MappingPage::mappingNumberCombo() const
{
    return comboBox;
}

int MappingPage::selectedNumber() const
{
    return comboBox->currentIndex() + 1;
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

void MappingPage::setSysExRowsProvider(bool mappedSide, SysExRowsProvider provider)
{
    SysExMappingEditor *sysEx = mappedSide ? m_mappedSysEx : m_originalSysEx;
    if (!provider)
        provider = [sysEx] { return sysEx->rows(); };
    (mappedSide ? m_mappedSysExRows : m_originalSysExRows) = std::move(provider);
}

QList<QCheckBox *> MappingPage::maskOrderedBoxes() const
{
    QList<QCheckBox *> ordered;
    for (const QString &word : {QStringLiteral("MIDI"), QStringLiteral("USB")}) {
        for (const QList<QCheckBox *> *boxes : {&m_inBoxes, &m_outBoxes}) {
            for (QCheckBox *box : *boxes) {
                if (box->text().contains(word))
                    ordered.append(box);
            }
        }
    }
    return ordered;
}

QVector<bool> MappingPage::portMaskEntries() const
{
    QVector<bool> entries;
    for (const QCheckBox *box : maskOrderedBoxes())
        entries.append(!box->isHidden() && box->isChecked());
    return entries;
}

MappingRecord MappingPage::buildRecord() const
{
    const auto sideOf = [this](bool mappedSide) {
        const StandardMappingEditor *editor = mappedSide ? m_mappedEditor : m_originalEditor;
        MappingSide side = editor->ruleSide();
        if ((mappedSide ? stackedWidget_2 : stackedWidget)->currentIndex() == SysExPage) {
            const SysExRowsProvider &rows = mappedSide ? m_mappedSysExRows : m_originalSysExRows;
            side.sysEx = true;
            side.typeName = SystemExclusive;
            side.sysExRows = rows();
        }
        return side;
    };
    MappingRule rule;
    rule.ports = portMaskEntries();
    rule.number = selectedNumber();
    rule.original = sideOf(false);
    rule.mapped = sideOf(true);
    rule.data1MappingFrom = data1MappingFrom();
    rule.data2MappingFrom = data2MappingFrom();
    return rule.toRecord();
}

void MappingPage::setPortBoxesVisible(bool visible)
{
    // Before the device reported its ports every box is offered; afterwards
    // only the boxes that stand for a port.
    const bool labelled = !m_inBoxes.first()->text().isEmpty() || !m_outBoxes.first()->text().isEmpty();
    for (const QList<QCheckBox *> *boxes : {&m_inBoxes, &m_outBoxes}) {
        for (QCheckBox *box : *boxes)
            box->setVisible(visible && (!labelled || !box->text().isEmpty()));
    }
}

void MappingPage::setThirdPortLabelsShown(bool shown)
{
    for (QLabel *label : {m_inLabels.at(2), m_outLabels.at(2)}) {
        if (!shown)
            label->clear();
        label->setVisible(shown);
    }
}

void MappingPage::setPortCounts(const QVector<int> &counts)
{
    const MappingPorts::Layout layout = MappingPorts::fromFilterCounts(counts);
    const auto label = [](const QVector<MappingPorts::Port> &ports, const QList<QCheckBox *> &boxes,
                          const QList<QLabel *> &labels, QVector<int> &usbSlots) {
        for (int i = 0; i < boxes.size(); ++i) {
            const bool used = i < ports.size();
            const MappingPorts::Port port = used ? ports.at(i) : MappingPorts::Port{};
            boxes.at(i)->setText(port.text);
            boxes.at(i)->setAccessibleName(port.text);
            boxes.at(i)->setChecked(false);
            boxes.at(i)->setVisible(used);
            usbSlots[i] = port.usbSlot;
            labels.at(i)->setText(port.usbSlot >= 0 ? MappingPorts::usbNameLabel(QString()) : QString());
        }
    };
    label(layout.inputs, m_inBoxes, m_inLabels, m_inUsbSlots);
    label(layout.outputs, m_outBoxes, m_outLabels, m_outUsbSlots);
}

void MappingPage::setUsbName(int slot, const QString &name)
{
    const QString text = MappingPorts::usbNameLabel(name);
    for (int i = 0; i < PortBoxesPerSide; ++i) {
        if (m_inUsbSlots.at(i) == slot)
            m_inLabels.at(i)->setText(text);
        if (m_outUsbSlots.at(i) == slot)
            m_outLabels.at(i)->setText(text);
    }
}

void MappingPage::clearUsbNames()
{
    const QString text = MappingPorts::usbNameLabel(QString());
    for (int i = 0; i < PortBoxesPerSide; ++i) {
        if (m_inUsbSlots.at(i) >= 0)
            m_inLabels.at(i)->setText(text);
        if (m_outUsbSlots.at(i) >= 0)
            m_outLabels.at(i)->setText(text);
    }
}

void MappingPage::setColumnChecked(const QList<QCheckBox *> &boxes, bool checked)
{
    for (QCheckBox *box : boxes) {
        if (!box->isHidden())
            box->setChecked(checked);
    }
}

void MappingPage::reset()
{
    for (PlaceholderComboBox *noSelect : {comboBox_noselect, comboBox_noselect_2}) {
        const QSignalBlocker block(noSelect);
        noSelect->setPlaceholderText(SelectHint);
        noSelect->setCurrentIndex(-1);
    }
    showSidePage(false, PlaceholderPage);
    showSidePage(true, PlaceholderPage);
    for (const QList<QCheckBox *> *boxes : {&m_inBoxes, &m_outBoxes}) {
        for (QCheckBox *box : *boxes)
            box->setChecked(false);
    }
    m_originalEditor->reset();
    m_mappedEditor->reset();
    for (SysExMappingEditor *sysEx : {m_originalSysEx, m_mappedSysEx}) {
        sysEx->resetRows();
        sysEx->resetTypeCombo();
    }
    m_overlay->clearLines();
}

void MappingPage::showSidePage(bool mappedSide, int page)
{
    (mappedSide ? stackedWidget_2 : stackedWidget)->setCurrentIndex(page);
}

void MappingPage::on_Original_midista_comboBox_2_currentTextChanged(const QString &arg1)
{
    chooseType(false, arg1);
}

void MappingPage::on_mapping_midista_comboBox_2_currentTextChanged(const QString &arg1)
{
    chooseType(true, arg1);
}

void MappingPage::syncOriginalCombos2(int index)
{
    syncPlaceholderCombo(false, index);
}

void MappingPage::syncMappingCombos2(int index)
{
    syncPlaceholderCombo(true, index);
}

void MappingPage::syncPlaceholderCombo(bool mappedSide, int index)
{
    PlaceholderComboBox *noSelect = mappedSide ? comboBox_noselect_2 : comboBox_noselect;
    if (index < 0)
        return;
    const QString type = noSelect->itemText(index);
    {
        const QSignalBlocker block(noSelect);
        noSelect->setCurrentIndex(-1);
    }
    (mappedSide ? m_mappedEditor : m_originalEditor)->selectType(type);
    chooseType(mappedSide, type);
}

// Sources whose original field the new type lacks are dropped by
// printValues: they would send a value the message does not have.
void MappingPage::chooseType(bool mappedSide, const QString &typeName)
{
    const int page = isSysExType(typeName) ? SysExPage : StandardPage;
    if (!mappedSide) {
        showSidePage(false, page);
        m_overlay->printValues();
        return;
    }
    if (stackedWidget->currentIndex() == PlaceholderPage) {
        m_originalEditor->selectType(0);
        showSidePage(false, StandardPage);
    }
    showSidePage(true, page);
    if (page == SysExPage)
        m_overlay->clearLines();
    else if (stackedWidget->currentIndex() == StandardPage)
        m_overlay->presetStraightSources();
    m_overlay->printValues();
}

bool MappingPage::bothSidesChosen() const
{
    return stackedWidget->currentIndex() != PlaceholderPage && stackedWidget_2->currentIndex() != PlaceholderPage;
}

void MappingPage::attach(DeviceSession *session, Prompt *prompt)
{
    m_session = session;
    m_prompt = prompt;
    m_overlay->setPrompt(prompt);
    m_originalSysEx->setPrompt(prompt);
    m_mappedSysEx->setPrompt(prompt);
    FeedbackDispatcher *dispatcher = session->dispatcher();
    m_feedback = new MappingFeedback(dispatcher, prompt, this);
    m_feedback->setPageShown(isVisible());
    connect(m_feedback, &MappingFeedback::mappingReported, this, &MappingPage::onReadBack);
    connect(m_feedback, &MappingFeedback::storeConfirmed, this, &MappingPage::onStoreConfirmed);
    connect(m_feedback, &MappingFeedback::deleteConfirmed, this, &MappingPage::onDeleteConfirmed);
    connect(m_feedback, &MappingFeedback::factoryReset, this, &MappingPage::onFactoryReset);
    connect(m_feedback, &MappingFeedback::filterPortCountsReported, this, &MappingPage::setPortCounts);
    connect(dispatcher, &FeedbackDispatcher::usbNameReported, this, &MappingPage::setUsbName);
    connect(dispatcher, &FeedbackDispatcher::usbNamesCleared, this, &MappingPage::clearUsbNames);
}

void MappingPage::onSetClicked()
{
    sendRecord(true);
}

void MappingPage::on_pushButton_14_clicked()
{
    sendRecord(false);
}

void MappingPage::sendRecord(bool refuseIdentical)
{
    // A side on its placeholder page has no type: its record would carry
    // the first type's codes, a rule the user never chose.
    if (!bothSidesChosen()) {
        if (m_prompt)
            m_prompt->showMessage(ChooseBothSidesText, QStringLiteral("OK"));
        return;
    }
    // The lines drawn since the last tick count.
    m_overlay->printValues();
    const MappingRecord record = buildRecord();
    if (refuseIdentical && m_store.containsIdentical(record)) {
        if (m_prompt)
            m_prompt->message(Prompt::Critical, QStringLiteral("Error"),
                              QStringLiteral("The Same Mapping data already exists."), Prompt::Ok);
        return;
    }
    if (m_session)
        m_session->serialPort()->writeMappingFrame(record.toStoreCommand());
    m_store.setPendingMapping(record);
    emit recordSent(record);
}

void MappingPage::writeCommand(const QByteArray &frame, const char *what)
{
    if (!m_session || !m_session->write(frame))
        qCWarning(lcMapping).noquote() << what << "not sent: the port is not open";
}

void MappingPage::on_pushButton_15_clicked()
{
    writeCommand(Mapping::readMappingsQuery(), "read query");
}

void MappingPage::on_pushButton_16_clicked()
{
    writeCommand(Mapping::deleteMappingCommand(selectedNumber()), "delete");
    reset();
}

void MappingPage::onDeleteClicked()
{
    on_pushButton_16_clicked();
}

void MappingPage::on_delete_all_clicked()
{
    if (!m_prompt
        || m_prompt->showMessage(QStringLiteral("Delete all mapping numbers?"), QStringLiteral("Yes"),
                                 QStringLiteral("NO"))
            != Prompt::Ok)
        return;
    writeCommand(Mapping::deleteAllMappingsCommand(), "delete all");
    m_store.clearAll();
    reset();
}

void MappingPage::on_comboBox_currentIndexChanged(int index)
{
    reset();
    if (index < 0 || index >= MappingProtocol::LastNumber)
        return;
    showNumber(index + 1);
}

void MappingPage::showNumber(int number)
{
    if (!m_store.isStored(number))
        return;
    const MappingRecord &record = m_store.mapping(number);
    const QVector<bool> bits = Mapping::unpackPortMask({record.hh1, record.hh2, record.hh3});
    const QList<QCheckBox *> boxes = maskOrderedBoxes();
    for (int i = 0; i < boxes.size() && i < bits.size(); ++i) {
        QCheckBox *box = boxes.at(i);
        box->setChecked(bits.at(i));
        qCDebug(lcMapping).noquote() << "Set" << box->objectName() << "to" << bits.at(i);
    }
    showSide(false, record);
    showSide(true, record);
    m_overlay->setSources({sourceFromByte(record.pp), sourceFromByte(record.rr)});
}

void MappingPage::showSide(bool mappedSide, const MappingRecord &record)
{
    StandardMappingEditor *editor = mappedSide ? m_mappedEditor : m_originalEditor;
    const std::uint8_t type = mappedSide ? record.nn : record.ii;
    const QByteArray &block = mappedSide ? record.extraData : record.payload;
    editor->selectType(Mapping::lookupStatusIndex(Vocabulary::mappingTypeCodes().names(), type));
    editor->setChannelByte(mappedSide ? record.oo : record.jj);
    if (isSysExType(editor->typeName())) {
        const Mapping::DataPositions positions =
            mappedSide ? Mapping::storedMappedSysExPositions(record.qq, record.ss, record.pp, record.rr)
                       : Mapping::storedOriginalSysExPositions(record.kk, record.ll, record.pp, record.rr);
        (mappedSide ? m_mappedSysEx : m_originalSysEx)->setRows(Mapping::sysExRowsFromBlock(block, positions));
        showSidePage(mappedSide, SysExPage);
        emit sysExSideShown(mappedSide, block, positions.data1, positions.data2);
        return;
    }
    showSidePage(mappedSide, StandardPage);
    // A Program Change or Song Select block holds its Data1 range too; it is
    // shown like the five-byte blocks rather than as 0..127.
    editor->setRangesFromBlock(block);
}

void MappingPage::onReadBack(const QByteArray &frame)
{
    m_store.storeReadBack(frame);
    m_comboUpdateTimer->start();
}

// Once per burst of read-backs. It used to write the "remove every route"
// frame and send the read query again: that wiped the user's routes on the
// device and, since the answers restarted this timer, never stopped.
void MappingPage::onComboUpdateTimeout()
{
    on_comboBox_currentIndexChanged(comboBox->currentIndex());
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
    showSidePage(false, PlaceholderPage);
    showSidePage(true, PlaceholderPage);
    label_38->clear();
}

void MappingPage::onFactoryReset()
{
    m_store.clearAll();
    reset();
}

void MappingPage::resetForDisconnect()
{
    m_comboUpdateTimer->stop();
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
    m_originalEditor->applyNaming(middleCOctave, showCCName);
    m_mappedEditor->applyNaming(middleCOctave, showCCName);
}
