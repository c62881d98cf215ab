#pragma once

#include "widgets/devicepage.h"

#include <QVector>

class QCheckBox;
class QComboBox;
class QLabel;

// The "MIDI Messages Filter" page: the port chooser and, per port, what the
// device drops.
class FilterPage : public DevicePage
{
    Q_OBJECT

public:
    explicit FilterPage(QWidget *parent = nullptr);

    [[nodiscard]] QComboBox *portCombo() const { return comboBox_MiDiPorts; }
    [[nodiscard]] QComboBox *portCombo2() const { return comboBox_MiDiPorts2; }
    [[nodiscard]] QCheckBox *appliesToAll() const { return checkBox_Applies_To_All; }
    [[nodiscard]] bool hasPorts() const;

    // Fills the port chooser type by type from the six filter port counts.
    void fillPorts(const QVector<int> &counts);
    // The port combos are usable exactly when "Applies to All" is off.
    void updatePortCombosEnabled();
    void clear();

    void attach(DeviceSession *session, Prompt *prompt) override;
    void resetForDisconnect() override;
    void tabChanged(bool shown) override;

public slots:
    void on_checkBox_Applies_To_All_clicked(bool checked);

private:
    DeviceSession *m_session = nullptr;
    Prompt *m_prompt = nullptr;
    QLabel *const label_2;
    QComboBox *const comboBox_MiDiPorts;
    QComboBox *const comboBox_MiDiPorts2;
    QCheckBox *const checkBox_Applies_To_All;
};
