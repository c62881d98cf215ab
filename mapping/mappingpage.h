#pragma once

#include "widgets/devicepage.h"

#include <QList>

class QCheckBox;
class QComboBox;
class QLabel;

// The "MIDI Mapping" page: the mapping number and the ports a rule applies to.
class MappingPage : public DevicePage
{
    Q_OBJECT

public:
    static constexpr int PortBoxesPerSide = 10;

    explicit MappingPage(QWidget *parent = nullptr);

    [[nodiscard]] QComboBox *mappingNumberCombo() const { return comboBox; }
    [[nodiscard]] const QList<QCheckBox *> &inputBoxes() const { return m_inBoxes; }
    [[nodiscard]] const QList<QCheckBox *> &outputBoxes() const { return m_outBoxes; }
    [[nodiscard]] QLabel *inputBoxLabel(int i) const { return m_inLabels.value(i); }
    [[nodiscard]] QLabel *outputBoxLabel(int i) const { return m_outLabels.value(i); }

    void setPortBoxesVisible(bool visible);
    // The labels of the third port pair are shown only on the Alder-4.
    void setThirdPortLabelsShown(bool shown);
    void reset();

    void attach(DeviceSession *session, Prompt *prompt) override;
    void resetForDisconnect() override;
    // The shared second button reads "Delete" on this page.
    void onDeleteClicked();

private:
    DeviceSession *m_session = nullptr;
    Prompt *m_prompt = nullptr;
    QComboBox *const comboBox;
    QList<QCheckBox *> m_inBoxes;
    QList<QCheckBox *> m_outBoxes;
    QList<QLabel *> m_inLabels;
    QList<QLabel *> m_outLabels;
};
