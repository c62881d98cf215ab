#pragma once

#include "device/serialportlist.h"
#include "device/usbdevicequery.h"

#include <QList>
#include <QString>
#include <QStringList>

// One entry of a device list: the USB description shown, and the port that
// is opened when it is chosen.
struct DeviceListEntry
{
    QString text;
    QString portName;

    friend bool operator==(const DeviceListEntry &a, const DeviceListEntry &b)
    {
        return a.text == b.text && a.portName == b.portName;
    }
};

// What one refresh of a device list has to do to it.
struct DeviceScanResult
{
    QList<DeviceListEntry> toAppend; // in this order, at the end of the list
    QStringList toRemove;            // entry texts, in list order
};

// One entry per USB device: a device with several serial ports is offered
// through the first port found; a listed text keeps its entry (and port);
// every listed text whose device is gone is to be removed.
[[nodiscard]] DeviceScanResult scanDevices(const QStringList &listedTexts,
                                           const UsbDeviceMap &usbDevices,
                                           const QList<SerialPortEntry> &ports);

// Applies a scan result to a plain list of entries; returns the removed texts.
QStringList applyScan(QList<DeviceListEntry> &entries, const DeviceScanResult &scan);
