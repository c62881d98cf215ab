#pragma once

#include <QByteArray>

// The byte pipe to a device in its bootloader, as the transfer sees it.
// SerialPortLink adapts the device's serial port to it; tests wrap it to make
// writes fail the way a flaky USB link does.
class BootloaderLink
{
public:
    virtual ~BootloaderLink() = default;

    [[nodiscard]] virtual bool isLinkOpen() const = 0;
    // Queues the bytes and flushes; returns how many were queued, -1 on error.
    [[nodiscard]] virtual qint64 writeToDevice(const QByteArray &bytes) = 0;
};
