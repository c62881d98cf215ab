#pragma once

#include "upgrade/bootloaderlink.h"

class SerialPort;

// The device's serial port as the transfer's link: every write is flushed at
// once, so a piece is on its way before its acknowledgement can be awaited.
class SerialPortLink : public BootloaderLink
{
public:
    explicit SerialPortLink(SerialPort *port) : m_port(port) {}

    [[nodiscard]] bool isLinkOpen() const override;
    [[nodiscard]] qint64 writeToDevice(const QByteArray &bytes) override;

private:
    SerialPort *const m_port;
};
