#pragma once

#include "mapping/adddatadialog.h"
#include "mapping/mappingblocks.h"

#include <QVector>
#include <QWidget>

Q_DECLARE_METATYPE(Mapping::SysExRow::Kind)

class HexSpinBox;
class Prompt;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;

// One side (original or mapped) of a rule whose message is a System
// Exclusive message: the data area between the fixed F0 and F7 as a table of
// rows (a byte, "Ignore", or the Data1/Data2 ranges). Page 1 of each side's
// stacked editor on the mapping page.
class SysExMappingEditor : public QWidget
{
    Q_OBJECT

public:
    enum class Side { Original, Mapped };
    using Kind = Mapping::SysExRow::Kind;

    // The data area holds at most 30 - 2 bytes; the limit counts rows.
    static constexpr int MaxRows = 28;
    static constexpr int RowHeight = 30;
    static const QString SysExItemData; // "System Exclusive (0xF0)"

    explicit SysExMappingEditor(Side side, QWidget *parent = nullptr);

    void setPrompt(Prompt *prompt) { m_prompt = prompt; }
    // Replaces the "Add Data" dialog (tests answer without a modal loop).
    void setAddDataChooser(AddDataChooser chooser);

    [[nodiscard]] Side side() const { return m_side; }
    [[nodiscard]] QTableView *tableView() const { return m_table; }
    [[nodiscard]] QComboBox *typeCombo() const { return m_typeCombo; }
    [[nodiscard]] QCheckBox *showHexBox() const { return m_showHex; }
    [[nodiscard]] QLabel *headerLabel() const { return m_header; }
    [[nodiscard]] QLabel *tailLabel() const { return m_tail; }
    [[nodiscard]] bool showHex() const;

    [[nodiscard]] int rowCount() const;
    // What each row shows: the value in the side's base, "Ignore", "Data1", "Data2".
    [[nodiscard]] QStringList rowTexts() const;
    [[nodiscard]] QVector<Mapping::SysExRow> rows() const;
    [[nodiscard]] bool hasData1Row() const { return m_data1Widget != nullptr; }
    [[nodiscard]] bool hasData2Row() const { return m_data2Widget != nullptr; }
    // The index widget of the Data1 / Data2 row, where the page's lines end.
    [[nodiscard]] QWidget *data1RowWidget() const { return m_data1Widget; }
    [[nodiscard]] QWidget *data2RowWidget() const { return m_data2Widget; }

    // Three value rows of 127: a fresh table.
    void resetRows();
    // A stored side's rows; Data rows beyond the first of each kind and rows
    // beyond MaxRows are dropped rather than shown twice.
    void setRows(const QVector<Mapping::SysExRow> &rows);
    // Adds what the user chose, with the refusals of the add button.
    void addChoice(const AddDataChoice &choice);
    void setShowHex(bool hex);

public slots:
    void onAddClicked();
    void onDeleteClicked();
    // Back to the SysEx item, without telling anyone.
    void resetTypeCombo();

signals:
    // Another type was chosen in this page's type combo.
    void typeChosen(const QString &typeName);
    // Rows were added, removed or replaced.
    void rowsChanged();
    // The user changed a Data row's Min or Max.
    void rowValuesEdited();
    // The user deleted a Data row.
    void dataRowRemoved(Mapping::SysExRow::Kind kind);

private:
    void insertRow(int row, const Mapping::SysExRow &rowData);
    void renderRow(int row);
    void renderLabels();
    void clearRows();
    void dropIndexWidget(int row);
    void onTypeComboChanged(int index);
    void warn(const QString &text);
    [[nodiscard]] Kind kindAt(int row) const;
    [[nodiscard]] QWidget *makeDataRowWidget(Kind kind, int minimum, int maximum);
    [[nodiscard]] HexSpinBox *spinBox(QWidget *rowWidget, bool maximum) const;

    const Side m_side;
    Prompt *m_prompt = nullptr;
    AddDataChooser m_chooser;
    QComboBox *const m_typeCombo;
    QCheckBox *const m_showHex;
    QLabel *const m_header;
    QLabel *const m_tail;
    QTableView *const m_table;
    QStandardItemModel *const m_model;
    QPushButton *const m_add;
    QPushButton *const m_delete;
    QWidget *m_data1Widget = nullptr;
    QWidget *m_data2Widget = nullptr;
};
