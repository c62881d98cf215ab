#pragma once

#include "device/framekind.h"

#include <QByteArray>
#include <QObject>

// The receive buffer as it is usually first written: append every read, cut
// each frame off the front with QByteArray::remove(0, n), search again from
// the start, no bound on what an open F0 may hold. Same cutting and reporting
// rules as SysExFrameCutter; it is the yardstick the real buffer is timed against,
// and an independent reading of the rules whose counts must agree.
class NaiveSysExBuffer : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    void feed(const QByteArray &data);

signals:
    void frameReceived(FrameKind type, QByteArray frame);

private:
    void cut();
    void report(const QByteArray &frame);

    QByteArray m_buffer;
};
