#pragma once

#include "device/deviceports.h"
#include "device/framekind.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVector>

#include <functional>

// Hands every classified frame the device sends to the handlers registered
// for its kind. The kinds that describe the device itself (its family word,
// port counts, USB names and hub count) are kept here, since every feature
// reads them; everything else belongs to the feature that registered for it,
// with its texts and its state.
class FeedbackDispatcher : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Handled,
        // The frame changes nothing: the kind's later handlers do not run and
        // feedbackHandled() is not emitted for it.
        EarlyExit,
    };
    using Handler = std::function<Outcome(const QByteArray &frame)>;

    explicit FeedbackDispatcher(QObject *parent = nullptr);

    // Handlers of one kind run in the order they were added, after the
    // device's own handling of that kind. A handler lives as long as its
    // context object.
    void addHandler(FrameKind kind, QObject *context, Handler handler);
    // For handlers that answer the device: the session writes the frame.
    void write(const QByteArray &frame) { emit writeRequested(frame); }

    [[nodiscard]] const Device::PortCounts &portCounts() const { return m_counts; }
    [[nodiscard]] const QStringList &deviceFamilyNames() const { return m_deviceFamilyNames; }
    [[nodiscard]] int hubCount() const { return m_hubCount; }

public slots:
    void dispatch(FrameKind kind, const QByteArray &frame);

signals:
    // A frame to write to the device and flush.
    void writeRequested(QByteArray frame);
    // After every frame that was handled, whatever its kind, except the early
    // exits. The routing canvas redraws once such a burst is over.
    void feedbackHandled(FrameKind kind);

    void portCountsReported(Device::PortCounts counts);
    void usbNameReported(int slot, QString name);
    void usbNamesCleared();
    // After every name report that named a slot or cleared them all.
    void usbNamesUpdated();
    void hubCountReported(int count);

private:
    struct Registration
    {
        FrameKind kind;
        QPointer<QObject> context;
        Handler handler;
    };

    [[nodiscard]] Outcome handleDeviceKind(FrameKind kind, const QByteArray &frame);
    [[nodiscard]] Outcome handlePortName(const QByteArray &data);

    QVector<Registration> m_handlers;
    Device::PortCounts m_counts;
    QStringList m_deviceFamilyNames;
    int m_hubCount = 0;
};
