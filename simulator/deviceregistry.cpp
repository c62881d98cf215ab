#include "simulator/deviceregistry.h"

#include "device/logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 MaxEntrySize = 64 * 1024;

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

QString entryFileName(const DeviceRegistry::Entry &entry)
{
    QString name = entry.portName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("%1-%2.json").arg(entry.pid).arg(name);
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Why a reader must not trust the folder, or empty. lstat: a link planted in
// a shared folder is the planter's, whatever it points to.
QString readerProblem(const QString &folder, uint owner, bool *missing)
{
    struct stat info = {};
    *missing = false;
    if (::lstat(QFile::encodeName(folder).constData(), &info) != 0) {
        *missing = errno == ENOENT;
        return systemError();
    }
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("it is not a folder");
    if (info.st_uid != owner)
        return QStringLiteral("it belongs to another user");
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return QStringLiteral("other users can write to it");
    return {};
}

std::optional<DeviceRegistry::Entry> readEntry(const QString &path, uint owner)
{
    // Opened without following links and checked on the open file, so that
    // what is read is the file that was checked.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info = {};
    QFile file;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != owner || info.st_size > MaxEntrySize
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(MaxEntrySize));
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject obj = doc.object();
    DeviceRegistry::Entry entry;
    entry.portName = obj.value(QStringLiteral("port")).toString();
    entry.description = obj.value(QStringLiteral("description")).toString();
    const int vid = obj.value(QStringLiteral("vendorId")).toInt(-1);
    const int pid = obj.value(QStringLiteral("productId")).toInt(-1);
    entry.pid = static_cast<qint64>(obj.value(QStringLiteral("pid")).toDouble());
    if (entry.portName.isEmpty() || entry.description.isEmpty() || vid < 0 || vid > 0xFFFF || pid < 0
        || pid > 0xFFFF)
        return std::nullopt;
    entry.vendorId = static_cast<quint16>(vid);
    entry.productId = static_cast<quint16>(pid);
    if (!processAlive(entry.pid) || !QFileInfo::exists(entry.portName))
        return std::nullopt;
    return entry;
}

} // namespace

namespace DeviceRegistry {

QString directory()
{
    const QString fromEnv = qEnvironmentVariable("VELMORA_DEVICE_REGISTRY");
    if (!fromEnv.isEmpty())
        return fromEnv;
    // Qt hands out a runtime folder only when it is the user's and private.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/velmora-devices");
    return QDir::tempPath() + QStringLiteral("/velmora-devices-%1").arg(::geteuid());
}

bool prepare(const QString &folder, QString *error)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat info = {};
    if (::lstat(path.constData(), &info) != 0) {
        const QString parent = QFileInfo(folder).absolutePath();
        // mkdir() with the mode: the folder is never open to others, not even
        // for a moment.
        if (errno != ENOENT || !QDir().mkpath(parent)
            || (::mkdir(path.constData(), S_IRWXU) != 0 && errno != EEXIST)
            || ::lstat(path.constData(), &info) != 0) {
            *error = QStringLiteral("cannot create the device registry folder %1: %2").arg(folder, systemError());
            return false;
        }
    }
    if (!S_ISDIR(info.st_mode)) {
        *error = QStringLiteral("the device registry %1 is not a folder").arg(folder);
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        *error = QStringLiteral("the device registry folder %1 belongs to another user; remove it, or name a "
                                "folder of your own with VELMORA_DEVICE_REGISTRY")
                     .arg(folder);
        return false;
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        *error = QStringLiteral("the device registry folder %1 can be reached by other users (mode %2); make it "
                                "private with \"chmod 700 %1\"")
                     .arg(folder)
                     .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
        return false;
    }
    return true;
}

QString announce(const Entry &entry, QString *error)
{
    QString problem;
    const QString dir = directory();
    if (!prepare(dir, &problem)) {
        if (error)
            *error = problem;
        return {};
    }
    const QString path = dir + QLatin1Char('/') + entryFileName(entry);
    QJsonObject obj;
    obj.insert(QStringLiteral("port"), entry.portName);
    obj.insert(QStringLiteral("description"), entry.description);
    obj.insert(QStringLiteral("vendorId"), entry.vendorId);
    obj.insert(QStringLiteral("productId"), entry.productId);
    obj.insert(QStringLiteral("pid"), entry.pid);
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(obj).toJson(QJsonDocument::Compact));
        if (file.commit())
            return path;
    }
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return {};
}

void withdraw(const QString &entryFile)
{
    if (!entryFile.isEmpty())
        QFile::remove(entryFile);
}

QList<Entry> entries(const QString &folder, uint owner)
{
    QList<Entry> result;
    bool missing = false;
    if (!readerProblem(folder, owner, &missing).isEmpty())
        return result;
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.json")}, QDir::Files);
    for (const QString &name : names) {
        if (const auto entry = readEntry(folder + QLatin1Char('/') + name, owner))
            result.append(*entry);
    }
    std::sort(result.begin(), result.end(), [](const Entry &a, const Entry &b) { return a.portName < b.portName; });
    return result;
}

QList<Entry> entries()
{
    return entries(directory(), ::geteuid());
}

PortSource portSource()
{
    struct State
    {
        QString folder; // found at the first scan: a command that scans nothing asks nothing
        bool warned = false;
    };
    const auto state = std::make_shared<State>();
    const uint owner = ::geteuid();
    return [state, owner] {
        if (state->folder.isEmpty())
            state->folder = directory();
        bool missing = false;
        const QString problem = readerProblem(state->folder, owner, &missing);
        // Said once, not at every scan: why the devices announced there never show.
        if (!problem.isEmpty() && !missing && !state->warned) {
            qCWarning(lcSerial).noquote()
                << QStringLiteral("the device registry %1 is ignored: %2").arg(state->folder, problem);
            state->warned = true;
        }
        QList<SourcedPort> ports;
        for (const Entry &entry : entries(state->folder, owner))
            ports.append({entry.portName, entry.description, entry.vendorId, entry.productId});
        return ports;
    };
}

} // namespace DeviceRegistry
