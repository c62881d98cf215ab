#include "mapping/mappingsidepanel.h"

#include "device/vocabulary.h"
#include "mapping/standardmappingeditor.h"
#include "mapping/statusbytes.h"
#include "mapping/sysexmappingeditor.h"
#include "widgets/placeholdercombobox.h"

#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString SelectHint = QStringLiteral("Select");
const QString SystemExclusive = QStringLiteral("System Exclusive");

bool isSysExType(const QString &typeName)
{
    return typeName.contains(QLatin1String("System"));
}

} // namespace

MappingSidePanel::MappingSidePanel(Side side, QWidget *parent)
    : QGroupBox(side == Side::Mapped ? QStringLiteral("Mapping MIDI") : QStringLiteral("Original MIDI"), parent)
    , m_side(side)
    , m_stack(new QStackedWidget(this))
    , m_editor(new StandardMappingEditor(
          side == Side::Mapped ? StandardMappingEditor::Side::Mapped : StandardMappingEditor::Side::Original, m_stack))
    , m_sysEx(new SysExMappingEditor(
          side == Side::Mapped ? SysExMappingEditor::Side::Mapped : SysExMappingEditor::Side::Original, m_stack))
{
    const bool mapped = side == Side::Mapped;
    // Each side's controls are named after the side.
    const QString prefix = mapped ? QStringLiteral("mapped") : QStringLiteral("original");
    m_stack->setObjectName(prefix + QStringLiteral("Stack"));

    auto *placeholderPage = new QWidget(m_stack);
    placeholderPage->setObjectName(prefix + QStringLiteral("PlaceholderPage"));
    m_placeholderCombo = new PlaceholderComboBox(placeholderPage);
    m_placeholderCombo->setObjectName(prefix + QStringLiteral("PlaceholderCombo"));
    m_placeholderCombo->setAccessibleName(title() + QStringLiteral(" Status"));
    m_placeholderCombo->addItems(Vocabulary::mappingTypeCodes().names());
    m_placeholderCombo->setMaxVisibleItems(18);
    auto *statusLabel = new QLabel(QStringLiteral("Status"), placeholderPage);
    statusLabel->setBuddy(m_placeholderCombo);
    auto *placeholderLayout = new QFormLayout(placeholderPage);
    placeholderLayout->setContentsMargins(0, 0, 0, 0);
    placeholderLayout->addRow(statusLabel, m_placeholderCombo);

    m_stack->insertWidget(StandardPage, m_editor);
    m_stack->insertWidget(SysExPage, m_sysEx);
    m_stack->insertWidget(PlaceholderPage, placeholderPage);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_stack);

    connect(m_editor, &StandardMappingEditor::typeChosen, this, &MappingSidePanel::typeChosen);
    connect(m_placeholderCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MappingSidePanel::onPlaceholderChosen);
    // The SysEx page's own type list: another type goes back to the
    // standard page with that type.
    connect(m_sysEx, &SysExMappingEditor::typeChosen, this, [this](const QString &type) {
        m_editor->selectType(type);
        emit typeChosen(type);
    });
}

int MappingSidePanel::page() const
{
    return m_stack->currentIndex();
}

void MappingSidePanel::showPage(int page)
{
    m_stack->setCurrentIndex(page);
}

void MappingSidePanel::onPlaceholderChosen(int index)
{
    if (index < 0)
        return;
    const QString type = m_placeholderCombo->itemText(index);
    {
        const QSignalBlocker block(m_placeholderCombo);
        m_placeholderCombo->setCurrentIndex(-1);
    }
    m_editor->selectType(type);
    emit typeChosen(type);
}

bool MappingSidePanel::hasData1() const
{
    switch (page()) {
    case StandardPage: return m_editor->hasData1();
    case SysExPage: return m_sysEx->hasData1Row();
    default: return false;
    }
}

bool MappingSidePanel::hasData2() const
{
    switch (page()) {
    case StandardPage: return m_editor->hasData2();
    case SysExPage: return m_sysEx->hasData2Row();
    default: return false;
    }
}

QWidget *MappingSidePanel::data1End() const
{
    switch (page()) {
    case StandardPage: return m_editor->data1Field();
    case SysExPage: return m_sysEx->data1RowWidget();
    default: return nullptr;
    }
}

QWidget *MappingSidePanel::data2End() const
{
    switch (page()) {
    case StandardPage: return m_editor->data2Field();
    case SysExPage: return m_sysEx->data2RowWidget();
    default: return nullptr;
    }
}

QWidget *MappingSidePanel::endClip() const
{
    return page() == SysExPage ? m_sysEx->tableView()->viewport() : nullptr;
}

MappingSide MappingSidePanel::ruleSide() const
{
    MappingSide side = m_editor->ruleSide();
    if (page() == SysExPage) {
        side.sysEx = true;
        side.typeName = SystemExclusive;
        side.sysExRows = m_sysEx->rows();
    }
    return side;
}

void MappingSidePanel::reset()
{
    {
        const QSignalBlocker block(m_placeholderCombo);
        m_placeholderCombo->setPlaceholderText(SelectHint);
        m_placeholderCombo->setCurrentIndex(-1);
    }
    showPage(PlaceholderPage);
    m_editor->reset();
    m_sysEx->resetRows();
    m_sysEx->resetTypeCombo();
}

void MappingSidePanel::showStored(std::uint8_t type, std::uint8_t channel, const QByteArray &block,
                                  const Mapping::DataPositions &positions)
{
    m_editor->selectType(Mapping::lookupStatusIndex(Vocabulary::mappingTypeCodes().names(), type));
    m_editor->setChannelByte(channel);
    if (isSysExType(m_editor->typeName())) {
        m_sysEx->setRows(Mapping::sysExRowsFromBlock(block, positions));
        showPage(SysExPage);
        return;
    }
    showPage(StandardPage);
    // A Program Change or Song Select block holds its Data1 range too; it is
    // shown like the five-byte blocks rather than as 0..127.
    m_editor->setRangesFromBlock(block);
}

void MappingSidePanel::setPrompt(Prompt *prompt)
{
    m_sysEx->setPrompt(prompt);
}

void MappingSidePanel::applyNaming(int middleCOctave, bool showCCName)
{
    m_editor->applyNaming(middleCOctave, showCCName);
}
