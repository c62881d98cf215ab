#include "mapping/mappingsidepanel.h"

#include "device/vocabulary.h"
#include "mapping/standardmappingeditor.h"
#include "mapping/statusbytes.h"
#include "mapping/sysexmappingeditor.h"
#include "widgets/placeholdercombobox.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QScrollBar>
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

    // The editors' pages keep their numbers: empty stand-ins hold them until
    // the editors are made.
    m_stack->insertWidget(StandardPage, new QWidget(m_stack));
    m_stack->insertWidget(SysExPage, new QWidget(m_stack));
    m_stack->insertWidget(PlaceholderPage, placeholderPage);
    m_stack->setCurrentIndex(PlaceholderPage);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_stack);

    connect(m_placeholderCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MappingSidePanel::onPlaceholderChosen);
}

StandardMappingEditor *MappingSidePanel::editor() const
{
    const_cast<MappingSidePanel *>(this)->makeEditors();
    return m_editor;
}

SysExMappingEditor *MappingSidePanel::sysEx() const
{
    const_cast<MappingSidePanel *>(this)->makeEditors();
    return m_sysEx;
}

void MappingSidePanel::showEvent(QShowEvent *event)
{
    makeEditors();
    QGroupBox::showEvent(event);
}

void MappingSidePanel::makeEditors()
{
    if (m_editor)
        return;
    const bool mapped = m_side == Side::Mapped;
    m_editor = new StandardMappingEditor(
        mapped ? StandardMappingEditor::Side::Mapped : StandardMappingEditor::Side::Original, m_stack);
    m_sysEx = new SysExMappingEditor(mapped ? SysExMappingEditor::Side::Mapped : SysExMappingEditor::Side::Original,
                                     m_stack);
    // A stand-in is never the current page (showing an editor's page makes
    // the editors first), so the swap changes no page.
    const auto replaceStandIn = [this](int page, QWidget *editor) {
        QWidget *standIn = m_stack->widget(page);
        m_stack->removeWidget(standIn);
        delete standIn;
        m_stack->insertWidget(page, editor);
    };
    replaceStandIn(StandardPage, m_editor);
    replaceStandIn(SysExPage, m_sysEx);
    placeInTabOrder();

    // The state reset() and the setters would have given editors made with
    // the side.
    m_sysEx->setPrompt(m_prompt);
    if (m_namingSet)
        m_editor->applyNaming(m_middleCOctave, m_showCCName);
    m_editor->reset();
    m_sysEx->resetRows();
    m_sysEx->resetTypeCombo();

    connect(m_editor, &StandardMappingEditor::typeChosen, this, &MappingSidePanel::typeChosen);
    // The SysEx page's own type list: another type goes back to the
    // standard page with that type.
    connect(m_sysEx, &SysExMappingEditor::typeChosen, this, [this](const QString &type) {
        m_editor->selectType(type);
        emit typeChosen(type);
    });
    connect(m_editor, &StandardMappingEditor::fieldsChanged, this, &MappingSidePanel::fieldsChanged);
    for (QComboBox *combo : {m_editor->channelCombo(), m_editor->data1MinCombo(), m_editor->data1MaxCombo(),
                             m_editor->data2MinCombo(), m_editor->data2MaxCombo()})
        connect(combo, QOverload<int>::of(&QComboBox::activated), this, &MappingSidePanel::fieldActivated);
    connect(m_sysEx, &SysExMappingEditor::rowsChanged, this, &MappingSidePanel::sysExRowsChanged);
    connect(m_sysEx, &SysExMappingEditor::rowValuesEdited, this, &MappingSidePanel::sysExRowValuesEdited);
    connect(m_sysEx->tableView()->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &MappingSidePanel::sysExScrolled);
    connect(m_sysEx, &SysExMappingEditor::dataRowRemoved, this, &MappingSidePanel::sysExDataRowRemoved);
    emit editorsMade();
}

// Widgets made after the window come last in its Tab order; the editors go
// back among this side's own widgets, in the order they were made in. Only
// one page of the stack shows at a time, so after the placeholder's list is
// as good as before it.
void MappingSidePanel::placeInTabOrder()
{
    const auto isMade = [this](const QWidget *widget) {
        return widget == m_editor || widget == m_sysEx || m_editor->isAncestorOf(widget)
            || m_sysEx->isAncestorOf(widget);
    };
    // A widget that hands its focus to another (a spin box's line edit)
    // moves with it.
    QList<QWidget *> made;
    for (QWidget *widget = m_editor; isMade(widget); widget = widget->nextInFocusChain()) {
        if (!widget->focusProxy())
            made.append(widget);
    }
    // setTabOrder() leaves widgets that take no focus where they are, and
    // the Data fields take it only once they are line ends: for the move,
    // every one takes it.
    QVector<Qt::FocusPolicy> policies;
    for (QWidget *widget : qAsConst(made)) {
        policies.append(widget->focusPolicy());
        widget->setFocusPolicy(Qt::TabFocus);
    }
    QWidget *previous = m_placeholderCombo;
    for (QWidget *widget : qAsConst(made)) {
        QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    for (int i = 0; i < made.size(); ++i)
        made.at(i)->setFocusPolicy(policies.at(i));
}

int MappingSidePanel::page() const
{
    return m_stack->currentIndex();
}

void MappingSidePanel::showPage(int page)
{
    if (page != PlaceholderPage)
        makeEditors();
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
    editor()->selectType(type);
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
    MappingSide side = editor()->ruleSide();
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
    if (!m_editor)
        return; // they will be made in this state
    m_editor->reset();
    m_sysEx->resetRows();
    m_sysEx->resetTypeCombo();
}

void MappingSidePanel::showStored(std::uint8_t type, std::uint8_t channel, const QByteArray &block,
                                  const Mapping::DataPositions &positions)
{
    makeEditors();
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
    m_prompt = prompt;
    if (m_sysEx)
        m_sysEx->setPrompt(prompt);
}

void MappingSidePanel::applyNaming(int middleCOctave, bool showCCName)
{
    m_namingSet = true;
    m_middleCOctave = middleCOctave;
    m_showCCName = showCCName;
    if (m_editor)
        m_editor->applyNaming(middleCOctave, showCCName);
}
