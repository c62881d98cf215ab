#pragma once

#include <QByteArray>
#include <QObject>

// A device that runs inside this process instead of behind a serial port:
// the bytes the host writes go in through receive(), in whole frames, and
// its answers leave through transmit(), in chunks of any size, as they would
// arrive from a port. The session reaches one exactly as it reaches a port,
// so the pages cannot tell the two apart.
class LocalDevice : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void receive(const QByteArray &hostBytes) = 0;

signals:
    void transmit(QByteArray deviceBytes);
};
