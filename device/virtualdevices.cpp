#include "device/virtualdevices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#endif

namespace {

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
#ifdef Q_OS_UNIX
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
#else
    return true;
#endif
}

QString entryFileName(const VirtualDeviceEntry &entry)
{
    QString name = entry.portName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("%1-%2.json").arg(entry.pid).arg(name);
}

} // namespace

namespace VirtualDevices {

QString registryDirectory()
{
    const QString fromEnv = qEnvironmentVariable("VELMORA_DEVICE_REGISTRY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + QStringLiteral("/velmora-devices");
}

QString announce(const VirtualDeviceEntry &entry)
{
    const QString dir = registryDirectory();
    if (!QDir().mkpath(dir))
        return {};
    const QString path = dir + QLatin1Char('/') + entryFileName(entry);
    QJsonObject obj;
    obj.insert(QStringLiteral("port"), entry.portName);
    obj.insert(QStringLiteral("description"), entry.description);
    obj.insert(QStringLiteral("vendorId"), entry.vendorId);
    obj.insert(QStringLiteral("productId"), entry.productId);
    obj.insert(QStringLiteral("pid"), entry.pid);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(QJsonDocument(obj).toJson(QJsonDocument::Compact));
    if (!file.commit())
        return {};
    return path;
}

void withdraw(const QString &entryFile)
{
    if (!entryFile.isEmpty())
        QFile::remove(entryFile);
}

QList<VirtualDeviceEntry> entries()
{
    QList<VirtualDeviceEntry> result;
    const QDir dir(registryDirectory());
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.json")}, QDir::Files);
    for (const QFileInfo &info : files) {
        QFile file(info.absoluteFilePath());
        if (info.size() > 64 * 1024 || !file.open(QIODevice::ReadOnly))
            continue;
        const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
        if (!doc.isObject())
            continue;
        const QJsonObject obj = doc.object();
        VirtualDeviceEntry entry;
        entry.portName = obj.value(QStringLiteral("port")).toString();
        entry.description = obj.value(QStringLiteral("description")).toString();
        const int vid = obj.value(QStringLiteral("vendorId")).toInt(-1);
        const int pid = obj.value(QStringLiteral("productId")).toInt(-1);
        entry.pid = static_cast<qint64>(obj.value(QStringLiteral("pid")).toDouble());
        if (entry.portName.isEmpty() || entry.description.isEmpty() || vid < 0 || vid > 0xFFFF
            || pid < 0 || pid > 0xFFFF)
            continue;
        entry.vendorId = static_cast<quint16>(vid);
        entry.productId = static_cast<quint16>(pid);
        if (!processAlive(entry.pid) || !QFileInfo::exists(entry.portName))
            continue;
        result.append(entry);
    }
    std::sort(result.begin(), result.end(), [](const auto &a, const auto &b) {
        return a.portName < b.portName;
    });
    return result;
}

} // namespace VirtualDevices
