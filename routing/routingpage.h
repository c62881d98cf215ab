#pragma once

#include "device/feedbackdispatcher.h"

#include <QList>
#include <QString>
#include "widgets/devicepage.h"

class MainScense;
class QGraphicsView;
class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

// The "MIDI Port Routing" page: a column of input-port buttons, a column of
// output-port buttons and, beside every USB port, the name of what is
// plugged into it.
class RoutingPage : public DevicePage
{
    Q_OBJECT

public:
    static const QString NoDeviceText;
    static const QString ButtonStyleIdle;
    static const QString ButtonStyleActive;

    explicit RoutingPage(QWidget *parent = nullptr);

    [[nodiscard]] QGraphicsView *graphicsView() const { return m_view; }
    [[nodiscard]] MainScense *scene() const { return m_scene; }
    [[nodiscard]] const QList<QPushButton *> &inputButtons() const { return pb_in; }
    [[nodiscard]] const QList<QPushButton *> &outputButtons() const { return pb_out; }
    [[nodiscard]] const QList<QLabel *> &inputNameLabels() const { return name_in; }
    [[nodiscard]] const QList<QLabel *> &outputNameLabels() const { return name_out; }
    [[nodiscard]] const QList<int> &usbSlotsInUse() const { return seqSet; }
    [[nodiscard]] QString inputHeaderText() const;
    [[nodiscard]] QString outputHeaderText() const;

    // Builds the port buttons from the device's port counts.
    void rebuild(const Routing::PortCounts &counts);
    // Before a device reports: no buttons, both headers say no device.
    void clear();

    // listType 1 = input-side labels, 2 = output-side labels; "1" means
    // nothing is plugged in and is written as an empty text.
    void modifyLabelText(int listType, int index, const QString &text);
    void setUsbName(int slot, const QString &name);
    void clearUsbNames();
    // Every name label left empty shows that no device is connected.
    void fillEmptyNameLabels();

    void attach(DeviceSession *session, Prompt *prompt) override;
    void resetForDisconnect() override;
    // "Disconnect All" (on the filter and routing pages).
    void onDisconnectAllClicked();

private:
    void deleteColumns();

    DeviceSession *m_session = nullptr;
    Prompt *m_prompt = nullptr;
    QScrollArea *const m_scrollArea;
    QGraphicsView *const m_view;
    MainScense *const m_scene;
    QWidget *m_canvas = nullptr;
    QLabel *inputHeaderLabel = nullptr;
    QLabel *outputHeaderLabel = nullptr;
    QList<QPushButton *> pb_in;
    QList<QPushButton *> pb_out;
    QList<QLabel *> name_in;
    QList<QLabel *> name_out;
    QList<int> seqSet;
};
