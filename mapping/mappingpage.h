#pragma once

#include "mapping/mappingblocks.h"
#include "mapping/mappingrecord.h"
#include "mapping/mappingstore.h"
#include "widgets/devicepage.h"

#include <QByteArray>
#include <QList>
#include <QVector>

#include <functional>

class MappingFeedback;
class PlaceholderComboBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class MappingOverlay;
class QTimer;
class StandardMappingEditor;
class SysExMappingEditor;

// The "MIDI Mapping" page: the mapping number, the ports a rule applies to,
// the original and mapped message side by side, and the commands that store,
// read back and delete rules on the device. It keeps the rules the device
// holds (feedbackMappings) and the last rule sent (pendingMapping).
class MappingPage : public DevicePage
{
    Q_OBJECT

public:
    static constexpr int PortBoxesPerSide = 10;
    // Pages of each side's stacked editor.
    static constexpr int StandardPage = 0;
    static constexpr int SysExPage = 1;
    static constexpr int PlaceholderPage = 2;
    // The refresh after a burst of read-backs waits this long after the last.
    static constexpr int RefreshDelayMs = 10;

    // SysEx rows of one side; the SysEx editor installs this.
    using SysExRowsProvider = std::function<QVector<Mapping::SysExRow>()>;

    explicit MappingPage(QWidget *parent = nullptr);

    [[nodiscard]] QComboBox *mappingNumberCombo() const;
    [[nodiscard]] const QList<QCheckBox *> &inputBoxes() const { return m_inBoxes; }
    [[nodiscard]] const QList<QCheckBox *> &outputBoxes() const { return m_outBoxes; }
    [[nodiscard]] QLabel *inputBoxLabel(int i) const { return m_inLabels.value(i); }
    [[nodiscard]] QLabel *outputBoxLabel(int i) const { return m_outLabels.value(i); }
    [[nodiscard]] StandardMappingEditor *originalEditor() const { return m_originalEditor; }
    [[nodiscard]] StandardMappingEditor *mappedEditor() const { return m_mappedEditor; }
    [[nodiscard]] SysExMappingEditor *originalSysExEditor() const { return m_originalSysEx; }
    [[nodiscard]] SysExMappingEditor *mappedSysExEditor() const { return m_mappedSysEx; }
    [[nodiscard]] MappingOverlay *overlay() const { return m_overlay; }
    [[nodiscard]] QStackedWidget *originalStack() const { return stackedWidget; }
    [[nodiscard]] QStackedWidget *mappedStack() const { return stackedWidget_2; }
    [[nodiscard]] QTimer *comboUpdateTimer() const { return m_comboUpdateTimer; }

    // The selected mapping number, 1..16.
    [[nodiscard]] int selectedNumber() const;
    [[nodiscard]] const QVector<MappingRecord> &feedbackMappings() const { return m_store.feedbackMappings(); }
    [[nodiscard]] const MappingRecord &pendingMapping() const { return m_store.pendingMapping(); }
    [[nodiscard]] MappingStore &store() { return m_store; }

    [[nodiscard]] int data1MappingFrom() const;
    [[nodiscard]] int data2MappingFrom() const;
    void setData1MappingFrom(int source);
    void setData2MappingFrom(int source);

    // The SysEx editors provide their rows; a test may put others in.
    void setSysExRowsProvider(bool mappedSide, SysExRowsProvider provider);

    // The rule the page shows, as "send" and "Set" would put it on the wire.
    [[nodiscard]] MappingRecord buildRecord() const;
    // The ports in mask order: MIDI inputs, MIDI outputs, USB inputs, USB
    // outputs; a hidden or unchecked box is false.
    [[nodiscard]] QVector<bool> portMaskEntries() const;

    void setPortBoxesVisible(bool visible);
    // The labels of the third port pair are shown only on the Alder-4.
    void setThirdPortLabelsShown(bool shown);
    // Labels the port boxes from the six filter port counts and shows them.
    void setPortCounts(const QVector<int> &counts);
    void setUsbName(int slot, const QString &name);
    void clearUsbNames();
    // Both sides back to "Select", no ports, no sources.
    void reset();

    void attach(DeviceSession *session, Prompt *prompt) override;
    void onSetClicked() override;
    void resetForDisconnect() override;
    void applyNaming(int middleCOctave, bool showCCName) override;
    void tabChanged(bool shown) override;
    // The shared second button reads "Delete" on this page: it deletes the
    // selected number, as "Del" does.
    void onDeleteClicked();

public slots:
    void on_pushButton_14_clicked(); // "send"
    void on_pushButton_15_clicked(); // "read"
    void on_pushButton_16_clicked(); // "Del"
    void on_delete_all_clicked();    // "Restore"
    void on_comboBox_currentIndexChanged(int index);
    void onComboUpdateTimeout();
    void on_Original_midista_comboBox_2_currentTextChanged(const QString &arg1);
    void on_mapping_midista_comboBox_2_currentTextChanged(const QString &arg1);
    // The placeholder pages' type combo boxes.
    void syncOriginalCombos2(int index);
    void syncMappingCombos2(int index);

signals:
    // A stored SysEx side was shown: its block and the positions of the Data
    // rows it was restored with (0 where the stored position names none).
    void sysExSideShown(bool mappedSide, QByteArray block, int data1Position, int data2Position);
    // A record went to the device (it is now pendingMapping).
    void recordSent(MappingRecord record);

private:
    QWidget *buildSide(bool mappedSide);
    QWidget *buildPortBoxes();
    void sendRecord(bool refuseIdentical);
    [[nodiscard]] bool bothSidesChosen() const;
    void chooseType(bool mappedSide, const QString &typeName);
    void showSidePage(bool mappedSide, int page);
    void syncPlaceholderCombo(bool mappedSide, int index);
    void showNumber(int number);
    void showSide(bool mappedSide, const MappingRecord &record);
    [[nodiscard]] QList<QCheckBox *> maskOrderedBoxes() const;
    void setColumnChecked(const QList<QCheckBox *> &boxes, bool checked);
    void onReadBack(const QByteArray &frame);
    void onStoreConfirmed();
    void onDeleteConfirmed();
    void onFactoryReset();
    void writeCommand(const QByteArray &frame, const char *what);

    DeviceSession *m_session = nullptr;
    Prompt *m_prompt = nullptr;
    MappingFeedback *m_feedback = nullptr;
    MappingStore m_store;

    PlaceholderComboBox *const comboBox;
    QList<QCheckBox *> m_inBoxes;
    QList<QCheckBox *> m_outBoxes;
    QList<QLabel *> m_inLabels;
    QList<QLabel *> m_outLabels;
    QVector<int> m_inUsbSlots;
    QVector<int> m_outUsbSlots;
    QCheckBox *checkBox_19 = nullptr;
    QCheckBox *checkBox_21 = nullptr;

    QStackedWidget *stackedWidget = nullptr;
    QStackedWidget *stackedWidget_2 = nullptr;
    StandardMappingEditor *m_originalEditor = nullptr;
    StandardMappingEditor *m_mappedEditor = nullptr;
    PlaceholderComboBox *comboBox_noselect = nullptr;
    PlaceholderComboBox *comboBox_noselect_2 = nullptr;
    QLabel *label_38 = nullptr;
    SysExMappingEditor *m_originalSysEx = nullptr;
    SysExMappingEditor *m_mappedSysEx = nullptr;
    SysExRowsProvider m_originalSysExRows;
    SysExRowsProvider m_mappedSysExRows;
    QCheckBox *checkBox_20 = nullptr;
    MappingOverlay *m_overlay = nullptr;
    QTimer *const m_comboUpdateTimer;
};
