#include "mapping/sysexmappingeditor.h"

#include "device/vocabulary.h"
#include "mapping/mappingcolours.h"
#include "mapping/mappingprotocol.h"
#include "widgets/hexspinbox.h"
#include "device/prompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

const QString SysExMappingEditor::SysExItemData = QStringLiteral("System Exclusive (0xF0)");

namespace {

constexpr int KindRole = Qt::UserRole + 1;
constexpr int ValueRole = Qt::UserRole + 2;
constexpr int DefaultValue = 127;
constexpr int MaxDataValue = 127;

const QString SystemWord = QStringLiteral("System");
const QString IgnoreText = QStringLiteral("Ignore");

QString hexByte(int value)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QPushButton *makeButton(const QString &text, const QString &objectName, const QString &accessibleName,
                        QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAccessibleName(accessibleName);
    return button;
}

} // namespace

SysExMappingEditor::SysExMappingEditor(Side side, QWidget *parent)
    : QWidget(parent)
    , m_side(side)
    , m_chooser(&AddDataDialog::run)
    , m_typeCombo(new QComboBox(this))
    , m_showHex(new QCheckBox(QStringLiteral("Show in hex"), this))
    , m_header(new QLabel(this))
    , m_tail(new QLabel(this))
    , m_table(new QTableView(this))
    , m_model(new QStandardItemModel(0, 1, this))
    , m_add(makeButton(QStringLiteral("Add"), side == Side::Original ? QStringLiteral("originalAddButton")
                                                                      : QStringLiteral("mappedAddButton"),
                       side == Side::Original ? QStringLiteral("Add original data")
                                              : QStringLiteral("Add mapping data"),
                       this))
    , m_delete(makeButton(QStringLiteral("Delete"), side == Side::Original ? QStringLiteral("originalDeleteButton")
                                                                            : QStringLiteral("mappedDeleteButton"),
                          side == Side::Original ? QStringLiteral("Delete original data")
                                                 : QStringLiteral("Delete mapping data"),
                          this))
{
    const bool original = side == Side::Original;
    // Each side's controls are named after the side.
    const QString prefix = original ? QStringLiteral("original") : QStringLiteral("mapped");
    setObjectName(prefix + QStringLiteral("SysExEditor"));

    m_typeCombo->setObjectName(prefix + QStringLiteral("SysExTypeCombo"));
    m_typeCombo->setAccessibleName(original ? QStringLiteral("Original MIDI Status")
                                            : QStringLiteral("Mapping MIDI Status"));
    m_typeCombo->setMaxVisibleItems(18);
    for (const QString &name : Vocabulary::mappingTypeCodes().names())
        m_typeCombo->addItem(name, name.contains(SystemWord) ? QVariant(SysExItemData) : QVariant(name));
    resetTypeCombo();

    m_showHex->setObjectName(prefix + QStringLiteral("ShowHexBox"));
    m_showHex->setAccessibleName(m_showHex->text());
    m_header->setObjectName(prefix + QStringLiteral("SysExHeader"));
    m_tail->setObjectName(prefix + QStringLiteral("SysExTail"));
    for (QLabel *label : {m_header, m_tail})
        label->setAlignment(Qt::AlignCenter);

    m_table->setObjectName(prefix + QStringLiteral("SysExTable"));
    m_table->setAccessibleName(original ? QStringLiteral("Original data area") : QStringLiteral("Mapping data area"));
    m_table->setModel(m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // 30 pixels at the usual font; a larger font needs taller rows for the
    // Data rows' spin boxes.
    m_table->verticalHeader()->setDefaultSectionSize(qMax(int(RowHeight), fontMetrics().height() + 8));

    auto *typeLabel = new QLabel(QStringLiteral("Status"), this);
    typeLabel->setBuddy(m_typeCombo);
    auto *form = new QFormLayout;
    form->addRow(typeLabel, m_typeCombo);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_showHex);
    buttons->addStretch(1);
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);

    auto *explanation = new QLabel(
        QStringLiteral("SysEx supports a maximum length of 30 bytes, that is, the maximum data area is 28 bytes.\n"
                       "Data1 and Data2 are the variable bytes, each with a minimum and a maximum."),
        this);
    explanation->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(m_header);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_tail);
    layout->addWidget(explanation);

    connect(m_add, &QPushButton::clicked, this, &SysExMappingEditor::onAddClicked);
    connect(m_delete, &QPushButton::clicked, this, &SysExMappingEditor::onDeleteClicked);
    connect(m_showHex, &QCheckBox::clicked, this, &SysExMappingEditor::setShowHex);
    connect(m_typeCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SysExMappingEditor::onTypeComboChanged);

    resetRows();
}

void SysExMappingEditor::setAddDataChooser(AddDataChooser chooser)
{
    m_chooser = chooser ? std::move(chooser) : AddDataChooser(&AddDataDialog::run);
}

bool SysExMappingEditor::showHex() const
{
    return m_showHex->isChecked();
}

int SysExMappingEditor::rowCount() const
{
    return m_model->rowCount();
}

SysExMappingEditor::Kind SysExMappingEditor::kindAt(int row) const
{
    return static_cast<Kind>(m_model->item(row)->data(KindRole).toInt());
}

QStringList SysExMappingEditor::rowTexts() const
{
    QStringList texts;
    for (int row = 0; row < m_model->rowCount(); ++row)
        texts.append(m_model->item(row)->text());
    return texts;
}

QVector<Mapping::SysExRow> SysExMappingEditor::rows() const
{
    QVector<Mapping::SysExRow> out;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QStandardItem *item = m_model->item(row);
        switch (kindAt(row)) {
        case Kind::Value:
            // Always decimal: the value is kept apart from the text the base shows.
            out.append(Mapping::SysExRow::value(QString::number(item->data(ValueRole).toInt())));
            break;
        case Kind::Ignore:
            out.append(Mapping::SysExRow::ignore());
            break;
        case Kind::Data1:
        case Kind::Data2: {
            QWidget *widget = m_table->indexWidget(m_model->index(row, 0));
            const HexSpinBox *min = spinBox(widget, false);
            const HexSpinBox *max = spinBox(widget, true);
            const std::optional<int> minimum = min ? std::optional<int>(min->value()) : std::nullopt;
            const std::optional<int> maximum = max ? std::optional<int>(max->value()) : std::nullopt;
            out.append(kindAt(row) == Kind::Data1 ? Mapping::SysExRow::data1(minimum, maximum)
                                                  : Mapping::SysExRow::data2(minimum, maximum));
            break;
        }
        }
    }
    return out;
}

HexSpinBox *SysExMappingEditor::spinBox(QWidget *rowWidget, bool maximum) const
{
    if (!rowWidget)
        return nullptr;
    for (HexSpinBox *box : rowWidget->findChildren<HexSpinBox *>()) {
        if (box->property("isMaximum").toBool() == maximum)
            return box;
    }
    return nullptr;
}

void SysExMappingEditor::clearRows()
{
    // An index widget goes with setIndexWidget at once; left to the row's
    // removal it would linger until the next event loop turn.
    for (int row = 0; row < m_model->rowCount(); ++row)
        dropIndexWidget(row);
    m_data1Widget = nullptr;
    m_data2Widget = nullptr;
    m_model->removeRows(0, m_model->rowCount());
    m_model->setHorizontalHeaderLabels({QStringLiteral("Value")});
}

void SysExMappingEditor::dropIndexWidget(int row)
{
    // The view only schedules the widget's deletion; a Data row deleted and
    // added again would find the old spin boxes by name until then.
    const QPointer<QWidget> widget = m_table->indexWidget(m_model->index(row, 0));
    if (!widget)
        return;
    m_table->setIndexWidget(m_model->index(row, 0), nullptr);
    delete widget.data();
}

void SysExMappingEditor::resetRows()
{
    const QString value = QString::number(DefaultValue);
    setRows({Mapping::SysExRow::value(value), Mapping::SysExRow::value(value), Mapping::SysExRow::value(value)});
}

void SysExMappingEditor::setRows(const QVector<Mapping::SysExRow> &rows)
{
    clearRows();
    for (const Mapping::SysExRow &row : rows) {
        if (m_model->rowCount() >= MaxRows)
            break;
        if ((row.kind == Kind::Data1 && hasData1Row()) || (row.kind == Kind::Data2 && hasData2Row()))
            continue;
        insertRow(m_model->rowCount(), row);
    }
    m_table->setCurrentIndex(QModelIndex());
    renderLabels();
    emit rowsChanged();
}

void SysExMappingEditor::insertRow(int row, const Mapping::SysExRow &rowData)
{
    auto *item = new QStandardItem;
    item->setTextAlignment(Qt::AlignCenter);
    item->setEditable(false);
    item->setData(static_cast<int>(rowData.kind), KindRole);
    if (rowData.kind == Kind::Value) {
        bool ok = false;
        const int value = rowData.valueText.trimmed().toInt(&ok);
        item->setData(ok && value >= 0 && value <= 0xFF ? value : int(MappingProtocol::NoByte), ValueRole);
    }
    m_model->insertRow(row, item);
    if (rowData.kind == Kind::Data1 || rowData.kind == Kind::Data2) {
        const auto clamp = [](const std::optional<int> &v, int fallback) {
            return v && *v >= 0 && *v <= MaxDataValue ? *v : fallback;
        };
        QWidget *widget = makeDataRowWidget(rowData.kind, clamp(rowData.minimum, 0),
                                            clamp(rowData.maximum, MaxDataValue));
        m_table->setIndexWidget(m_model->index(row, 0), widget);
        (rowData.kind == Kind::Data1 ? m_data1Widget : m_data2Widget) = widget;
    }
    renderRow(row);
}

QWidget *SysExMappingEditor::makeDataRowWidget(Kind kind, int minimum, int maximum)
{
    const bool data1 = kind == Kind::Data1;
    const QString rowName = (m_side == Side::Original ? QStringLiteral("original") : QStringLiteral("mapped"))
        + (data1 ? QStringLiteral("Data1") : QStringLiteral("Data2"));
    auto *widget = new QWidget;
    widget->setObjectName(rowName + QStringLiteral("Row"));
    widget->setAttribute(Qt::WA_StyledBackground);
    widget->setStyleSheet(MappingColours::DataRowStyle.arg(data1 ? MappingColours::Data1 : MappingColours::Data2));
    auto *label = new QLabel(data1 ? QStringLiteral("Data1") : QStringLiteral("Data2"), widget);
    const auto makeBox = [&](bool isMaximum, int value) {
        auto *box = new HexSpinBox(widget);
        box->setObjectName(rowName + (isMaximum ? QStringLiteral("MaxBox") : QStringLiteral("MinBox")));
        box->setAccessibleName(QStringLiteral("%1 %2").arg(label->text(), isMaximum ? QStringLiteral("Max")
                                                                                      : QStringLiteral("Min")));
        box->setProperty("isMaximum", isMaximum);
        box->setRange(0, MaxDataValue);
        box->setHexMode(showHex());
        box->setValue(value);
        return box;
    };
    HexSpinBox *min = makeBox(false, minimum);
    HexSpinBox *max = makeBox(true, maximum);
    for (HexSpinBox *box : {min, max})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &SysExMappingEditor::rowValuesEdited);
    auto *layout = new QHBoxLayout(widget);
    // A free strip on the right, where a line to a mapped field starts.
    layout->setContentsMargins(6, 0, 24, 0);
    layout->addWidget(label);
    layout->addStretch(1);
    layout->addWidget(new QLabel(QStringLiteral("Min:"), widget));
    layout->addWidget(min);
    layout->addWidget(new QLabel(QStringLiteral("Max:"), widget));
    layout->addWidget(max);
    return widget;
}

void SysExMappingEditor::renderRow(int row)
{
    QStandardItem *item = m_model->item(row);
    switch (kindAt(row)) {
    case Kind::Value: {
        const int value = item->data(ValueRole).toInt();
        item->setText(showHex() ? hexByte(value) : QString::number(value));
        break;
    }
    case Kind::Ignore:
        item->setText(IgnoreText);
        break;
    case Kind::Data1:
        item->setText(QStringLiteral("Data1"));
        break;
    case Kind::Data2:
        item->setText(QStringLiteral("Data2"));
        break;
    }
}

void SysExMappingEditor::renderLabels()
{
    m_header->setText(showHex() ? QStringLiteral("0xF0") : QStringLiteral("240"));
    m_tail->setText(showHex() ? QStringLiteral("0xF7") : QStringLiteral("247"));
}

void SysExMappingEditor::setShowHex(bool hex)
{
    m_showHex->setChecked(hex);
    for (int row = 0; row < m_model->rowCount(); ++row)
        renderRow(row);
    for (QWidget *widget : {m_data1Widget, m_data2Widget}) {
        for (bool maximum : {false, true}) {
            if (HexSpinBox *box = spinBox(widget, maximum)) {
                const int value = box->value();
                box->setHexMode(hex);
                box->setValue(value);
            }
        }
    }
    renderLabels();
}

void SysExMappingEditor::warn(const QString &text)
{
    if (m_prompt)
        m_prompt->message(Prompt::Warning, QStringLiteral("Warning"), text, Prompt::Ok);
}

void SysExMappingEditor::onAddClicked()
{
    AddDataOptions options;
    options.offerIgnore = m_side == Side::Original;
    options.data1Taken = hasData1Row();
    options.data2Taken = hasData2Row();
    options.showHex = showHex();
    if (const std::optional<AddDataChoice> choice = m_chooser(this, options))
        addChoice(*choice);
}

void SysExMappingEditor::addChoice(const AddDataChoice &choice)
{
    // The mapped message is sent as it is: "any byte" means nothing there.
    if (choice.kind == Kind::Ignore && m_side == Side::Mapped)
        return;
    if (m_model->rowCount() >= MaxRows) {
        warn(QStringLiteral("Please do not exceed 28 bytes in the data area."));
        return;
    }
    if ((choice.kind == Kind::Data1 && hasData1Row()) || (choice.kind == Kind::Data2 && hasData2Row())) {
        warn(QStringLiteral("%1 already exists!").arg(choice.text()));
        return;
    }
    if (choice.kind == Kind::Value && (choice.value < 0 || choice.value > MaxDataValue))
        return;
    Mapping::SysExRow row;
    row.kind = choice.kind;
    row.valueText = QString::number(choice.value);
    const QModelIndex current = m_table->currentIndex();
    const int at = current.isValid() ? current.row() + 1 : m_model->rowCount();
    insertRow(at, row);
    m_table->setCurrentIndex(m_model->index(at, 0));
    emit rowsChanged();
}

void SysExMappingEditor::onDeleteClicked()
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid()) {
        warn(QStringLiteral("Please select a row to delete."));
        return;
    }
    const int row = current.row();
    const Kind kind = kindAt(row);
    dropIndexWidget(row);
    if (kind == Kind::Data1)
        m_data1Widget = nullptr;
    else if (kind == Kind::Data2)
        m_data2Widget = nullptr;
    m_model->removeRow(row);
    if (m_model->rowCount() > 0)
        m_table->setCurrentIndex(m_model->index(qMin(row, m_model->rowCount() - 1), 0));
    if (kind == Kind::Data1 || kind == Kind::Data2)
        emit dataRowRemoved(kind);
    emit rowsChanged();
}

void SysExMappingEditor::resetTypeCombo()
{
    const QSignalBlocker block(m_typeCombo);
    m_typeCombo->setCurrentIndex(m_typeCombo->findData(SysExItemData));
}

void SysExMappingEditor::onTypeComboChanged(int index)
{
    const QString type = m_typeCombo->itemText(index);
    if (index < 0 || type.contains(SystemWord))
        return;
    resetTypeCombo();
    emit typeChosen(type);
}
