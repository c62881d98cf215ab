#pragma once

#include "device/framekind.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

// Cuts the System Exclusive frames (F0 .. first F7) out of the received byte
// stream and classifies each one. A frame may be reported up to three times:
// the length rule first, then the mapping rule, then the name rule.
class SysExFrameCutter : public QObject
{
    Q_OBJECT

public:
    // No frame the device sends comes near this; an F0 followed by more bytes
    // than this without an F7 is noise, not a frame in progress.
    static constexpr int MaxPendingFrameBytes = 4096;

    explicit SysExFrameCutter(QObject *parent = nullptr);

    // Appends received bytes and reports every complete frame.
    void feed(const QByteArray &data);
    void clear();

    // Bytes held back for a frame that is not complete yet.
    [[nodiscard]] int pendingBytes() const { return m_buffer.size() - m_head; }

    // The classification of one whole frame, in the order it is reported.
    [[nodiscard]] static QVector<FrameKind> classify(const QByteArray &frame);

signals:
    void frameReceived(FrameKind kind, QByteArray frame);

private:
    // The hot path: no allocation per frame. Returns how many kinds it wrote.
    static int classifyInto(const QByteArray &frame, FrameKind (&kinds)[3]);
    void cut();
    void compact();

    QByteArray m_buffer;
    int m_head = 0;          // first byte not yet consumed
    int m_searchedUpTo = 0;  // bytes after m_head already known to hold no F7
    bool m_cutting = false;  // a handler that reads more bytes must not re-enter
};
