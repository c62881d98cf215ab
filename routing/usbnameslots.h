#pragma once

#include "routing/routeprotocol.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

// What is plugged into each USB port, one slot per USB host port and then per
// USB device port, as the device's name reports tell it. The routing canvas
// and the mapping page both show it; namesChanged tells them when to.
class UsbNameSlots : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Ignored,     // malformed frame, index 0 or beyond the slots
        SlotUpdated,
        AllFreed,    // the "nothing attached anywhere" form
    };

    using QObject::QObject;

    // Every slot free, with no name; nothing is announced, since the ports
    // the slots stand for are being rebuilt.
    void reset(int slotCount);

    [[nodiscard]] int size() const { return m_names.size(); }
    // The name as reported; empty when nothing is attached.
    [[nodiscard]] QString name(int slot) const;
    [[nodiscard]] bool isAttached(int slot) const;
    // What the name labels beside the port buttons show.
    [[nodiscard]] QString labelText(int slot) const;
    // 1 for an attached port, 0 for a free one, slot by slot.
    [[nodiscard]] QVector<int> attachedFlags() const;

    Outcome apply(const Routing::PortNameReport &report);
    Outcome applyFrame(const QByteArray &frame);

    [[nodiscard]] static QString noDeviceText();

signals:
    // After every accepted report, of either form.
    void namesChanged();

private:
    QVector<QString> m_names;
};
