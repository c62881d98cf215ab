#pragma once

#include "mapping/mappingblocks.h"

#include <QDialog>

#include <functional>
#include <optional>

class HexSpinBox;
class QRadioButton;

// What the "Add Data" dialog yields: a Data row, an Ignore row, or a value.
struct AddDataChoice
{
    Mapping::SysExRow::Kind kind = Mapping::SysExRow::Kind::Value;
    int value = 0; // Value rows, 0..127

    // "Data1", "Data2", "Ignore" or the value in decimal.
    [[nodiscard]] QString text() const;
};

// How the dialog is set up for one side's table.
struct AddDataOptions
{
    bool offerIgnore = true; // the original side only
    bool data1Taken = false;
    bool data2Taken = false;
    bool showHex = false;
};

// Asks which row to add; nothing when the user cancels. The SysEx editor
// runs the dialog through this so tests can answer without a modal loop.
using AddDataChooser = std::function<std::optional<AddDataChoice>(QWidget *parent, const AddDataOptions &options)>;

// The small dialog behind a SysEx table's add button.
class AddDataDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AddDataDialog(const AddDataOptions &options, QWidget *parent = nullptr);

    // The choice the dialog shows now (also while it is open).
    [[nodiscard]] AddDataChoice choice() const;

    // Runs the dialog modally: the default AddDataChooser.
    [[nodiscard]] static std::optional<AddDataChoice> run(QWidget *parent, const AddDataOptions &options);

private:
    QRadioButton *const m_data1;
    QRadioButton *const m_data2;
    QRadioButton *const m_ignore;
    QRadioButton *const m_value;
    HexSpinBox *const m_spinBox;
};
