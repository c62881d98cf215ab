#pragma once

#include "device/devicemodels.h"
#include "filter/filterbytes.h"
#include "widgets/devicepage.h"

#include <QHash>
#include <QString>
#include <QVector>

#include <array>
#include <optional>

class FilterFeedback;
class FilterModel;
class FilterSection;
class QCheckBox;
class QComboBox;
class QLabel;
class QScrollArea;

// The "MIDI Messages Filter" page: the port chooser and, per port, which
// channels, messages, controllers and system messages the device drops. The
// page shows one port's record of the FilterModel at a time; nothing reaches
// the device before "Set".
class FilterPage : public DevicePage
{
    Q_OBJECT

public:
    enum Section { Channels, Messages, ControlChange, SystemCommon, SystemRealtime };
    static constexpr int SectionCount = 5;

    static const QString NotConnectedText;
    static const QString NoPortText;

    explicit FilterPage(QWidget *parent = nullptr);

    [[nodiscard]] FilterModel *model() const { return m_model; }
    [[nodiscard]] QComboBox *portCombo() const { return m_portCombo; }
    [[nodiscard]] QComboBox *secondPortCombo() const { return m_secondPortCombo; }
    [[nodiscard]] QCheckBox *appliesToAll() const { return m_appliesToAllBox; }
    [[nodiscard]] FilterSection *section(Section s) const { return m_sections[s]; }
    [[nodiscard]] QCheckBox *itemBox(const QString &objectName) const { return m_itemBoxes.value(objectName); }
    [[nodiscard]] bool hasPorts() const;

    // The section's counter (channelsCount, messagesCount, ...).
    [[nodiscard]] int counter(Section s) const;
    // The 25 bytes the page shows, as "Set" sends them.
    [[nodiscard]] Filter::Bytes pageBytes() const;

    // Fills the port chooser type by type from the six filter port counts
    // (once per connection: a filled chooser is left alone).
    void fillPorts(const QVector<int> &counts);
    // The port combos are usable exactly when "Applies to All" is off.
    void updatePortCombosEnabled();
    // Brings every counter and section box in line with the item boxes, for
    // code that set items directly (a configuration file being read).
    void recountSections();
    // Empties the records and the chooser and clears the page.
    void clear();

    // For the edit history: the chooser's port ("" when none), choosing a
    // port (or all), showing bytes as if the user ticked them, and a command.
    [[nodiscard]] QString currentPortText() const;
    void selectTarget(const QString &port, bool allPorts);
    void showBytes(const Filter::Bytes &bytes);
    void sendCommand(const QByteArray &command);

    void attach(DeviceSession *session, Prompt *prompt) override;
    void onSetClicked() override;
    void resetForDisconnect() override;
    void tabChanged(bool shown) override;
    void applyNaming(int middleCOctave, bool showCCName) override;
    // As wide as the sections are without scrolling.
    [[nodiscard]] QSize sizeHint() const override;

public slots:
    // Shows the stored filter of the port with this name; the page stays clear
    // when no record has the name.
    void showPortFilter(const QString &name);

    // The chooser of a model whose filter ports are fixed (the Linden models
    // but the Rowan-W): its MIDI inputs and outputs ("MIDI IN1", "MIDI IN2",
    // "MIDI OUT1", "MIDI OUT2"), then "USB HOST IN<k>", "USB HOST OUT<k>" for
    // k = 1..pairs; the current port is kept by its text. Other models keep
    // the ports they reported. While the chooser is empty the pairs wait
    // for the device's port count report to fill it.
    void rebuildLindenPorts(int usbHostPairs);

    void channelsCountChange(bool ok);
    void messagesCountChange(bool ok);
    void controlChangeCountChange(bool ok);
    void systemCommonCountChange(bool ok);
    void systemRealtimeCountChange(bool ok);

    void checkAllChannels();
    void clearChannels();
    void checkAllMessages();
    void clearMessages();
    void checkAllControllers();
    void clearControllers();
    void checkAllSystemCommon();
    void clearSystemCommon();
    void checkAllSystemRealtime();
    void clearSystemRealtime();

    void onAppliesToAllClicked(bool checked);

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyPanelStyle();
    // The sections, made in the widget that shows them.
    void buildSections(QWidget *host);
    void wireSection(Section s);
    [[nodiscard]] int &counterRef(Section s);
    void countChange(Section s, bool ok);
    void showSectionState(Section s);
    void setSectionItems(Section s, bool checked);
    void onFilterStateReported(const QByteArray &frame);
    void onFactoryReset();
    void rebuildPortList(const DeviceModels::FixedFilterPorts &ports, int usbHostPairs);
    void onPortTextChanged(const QString &before);
    // The connected model's fixed ports; none when it lists what it reports.
    [[nodiscard]] std::optional<DeviceModels::FixedFilterPorts> fixedPortsOfModel() const;
    // After a click: the boxes the user changed become a step.
    void noteEdit();
    void showRecord(const QString &name);

    DeviceSession *m_session = nullptr;
    Prompt *m_prompt = nullptr;
    FilterFeedback *m_feedback = nullptr;
    FilterModel *const m_model;
    // Made after the page's style sheet is set: a combo box whose style
    // changes builds its popup list at once.
    QLabel *m_portLabel = nullptr;
    QComboBox *m_portCombo = nullptr;
    // Never shown; it is enabled and disabled with the port chooser.
    QComboBox *m_secondPortCombo = nullptr;
    QCheckBox *m_appliesToAllBox = nullptr;
    std::array<FilterSection *, SectionCount> m_sections{};
    QScrollArea *m_sectionsArea = nullptr;
    QHash<QString, QCheckBox *> m_itemBoxes;
    QVector<QCheckBox *> m_controllerBoxes;
    // The USB HOST pairs the hub count last allowed; a count reported before
    // the chooser is filled takes effect when it is.
    int m_lindenHostPairs = 1;
    // What the boxes showed after the last step or port change: an edit's before.
    Filter::Bytes m_shownBytes{};
    bool m_showing = false;

    int channelsCount = 0;
    int messagesCount = 0;
    int controlChangeCount = 0;
    int systemCommonCount = 0;
    int systemRealtimeCount = 0;
};
