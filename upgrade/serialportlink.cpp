#include "upgrade/serialportlink.h"

#include "device/serialport.h"

bool SerialPortLink::isLinkOpen() const
{
    return m_port && m_port->isOpen();
}

qint64 SerialPortLink::writeToDevice(const QByteArray &bytes)
{
    if (!isLinkOpen())
        return -1;
    const qint64 written = m_port->write(bytes);
    m_port->flush();
    return written;
}
