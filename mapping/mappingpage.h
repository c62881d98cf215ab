#pragma once

#include "mapping/mappingrecord.h"
#include "mapping/mappingsidepanel.h"
#include "mapping/mappingsteps.h"
#include "mapping/mappingstore.h"
#include "widgets/devicepage.h"

#include <QByteArray>
#include <QList>
#include <QVector>

#include <optional>

class MappingFeedback;
class MappingOverlay;
class MappingPortPanel;
class PlaceholderComboBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QScrollArea;
class QStackedWidget;
class QTimer;
class StandardMappingEditor;
class SysExMappingEditor;
class UsbNameSlots;

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
    static constexpr int StandardPage = MappingSidePanel::StandardPage;
    static constexpr int SysExPage = MappingSidePanel::SysExPage;
    static constexpr int PlaceholderPage = MappingSidePanel::PlaceholderPage;
    // The refresh after a burst of read-backs waits this long after the last.
    static constexpr int RefreshDelayMs = 10;

    explicit MappingPage(QWidget *parent = nullptr);

    [[nodiscard]] QComboBox *mappingNumberCombo() const;
    [[nodiscard]] MappingPortPanel *portPanel() const { return m_ports; }
    [[nodiscard]] const QList<QCheckBox *> &inputBoxes() const;
    [[nodiscard]] const QList<QCheckBox *> &outputBoxes() const;
    [[nodiscard]] QLabel *inputBoxLabel(int i) const;
    [[nodiscard]] QLabel *outputBoxLabel(int i) const;
    [[nodiscard]] MappingSidePanel *originalSide() const { return m_original; }
    [[nodiscard]] MappingSidePanel *mappedSide() const { return m_mapped; }
    [[nodiscard]] StandardMappingEditor *originalEditor() const { return m_original->editor(); }
    [[nodiscard]] StandardMappingEditor *mappedEditor() const { return m_mapped->editor(); }
    [[nodiscard]] SysExMappingEditor *originalSysExEditor() const { return m_original->sysEx(); }
    [[nodiscard]] SysExMappingEditor *mappedSysExEditor() const { return m_mapped->sysEx(); }
    [[nodiscard]] QStackedWidget *originalStack() const { return m_original->stack(); }
    [[nodiscard]] QStackedWidget *mappedStack() const { return m_mapped->stack(); }
    [[nodiscard]] MappingOverlay *overlay() const { return m_overlay; }
    [[nodiscard]] QTimer *refreshTimer() const { return m_refreshTimer; }

    // The selected mapping number, 1..16.
    [[nodiscard]] int selectedNumber() const;
    [[nodiscard]] const QVector<MappingRecord> &feedbackMappings() const { return m_store.feedbackMappings(); }
    [[nodiscard]] const MappingRecord &pendingMapping() const { return m_store.pendingMapping(); }
    [[nodiscard]] MappingStore &store() { return m_store; }

    [[nodiscard]] int data1MappingFrom() const;
    [[nodiscard]] int data2MappingFrom() const;
    void setData1MappingFrom(int source);
    void setData2MappingFrom(int source);

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
    // What is plugged into the USB ports (shared with the routing page).
    void setUsbNames(const UsbNameSlots *names);
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

    // For the edit history: the number is selected, the rule stored on (or
    // deleted from) the device and kept as stored, and the page shows it.
    void storeRule(int number, const MappingRecord &record);
    void deleteRule(int number);
    // Every stored rule of these 17 records sent again / every rule deleted.
    void restoreRules(const QVector<MappingRecord> &records);
    void deleteAllRules();
    // What the editors show, and the same shown again on a number.
    [[nodiscard]] MappingSteps::Form form() const;
    void showForm(int number, const MappingSteps::Form &form);

public slots:
    void onSendClicked();
    void onReadClicked();
    // "Del": deletes the selected mapping number on the device.
    void deleteSelectedMapping();
    void onRestoreClicked();
    void showMappingNumber(int index);
    void onRefreshTimeout();
    void onOriginalTypeChosen(const QString &typeName);
    void onMappedTypeChosen(const QString &typeName);
    // The hub count changed which USB ports the device shows: the port
    // labels are brought up to date.
    void refreshUsbLabels();

signals:
    // A record went to the device (it is now pendingMapping).
    void recordSent(MappingRecord record);

private:
    void sendRecord(bool refuseIdentical);
    void showNumber(int number);
    void onReadBack(const QByteArray &frame);
    void onStoreConfirmed();
    void onDeleteConfirmed();
    void onFactoryReset();
    // A command the device answers is watched for its answer.
    void writeCommand(const QByteArray &frame, const char *what, bool answered = true);
    void selectNumber(int number);
    // The stored rule of a number, if any: a step's before.
    [[nodiscard]] std::optional<MappingRecord> storedRule(int number) const;
    void recordRuleStep(int number, const QString &action, const std::optional<MappingRecord> &before,
                        const std::optional<MappingRecord> &after);
    // The user changed the editors: what differs from the form last seen
    // becomes a step.
    void noteFormEdit();
    // The page filled its editors itself: that is where the user starts.
    void rememberForm();

    DeviceSession *m_session = nullptr;
    Prompt *m_prompt = nullptr;
    MappingFeedback *m_feedback = nullptr;
    MappingStore m_store;

    PlaceholderComboBox *const m_numberCombo;
    // Scrolls the ports and both editors. Made before them, so that they
    // are born in it: moved into it they would work out their style again.
    QScrollArea *const m_editorsArea;
    MappingPortPanel *const m_ports;
    MappingSidePanel *const m_original;
    MappingSidePanel *const m_mapped;
    QLabel *m_messageLabel = nullptr;
    QCheckBox *m_drawBox = nullptr;
    MappingOverlay *m_overlay = nullptr;
    QTimer *const m_refreshTimer;
    MappingSteps::Form m_shownForm;
    // Above zero while the page fills its editors: their signals are not edits.
    int m_formLoading = 0;
};
