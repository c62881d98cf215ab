#pragma once

#include "configfile/configdocument.h"
#include "device/framekind.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class DeviceBackup;

// Making a device hold exactly what a configuration file says: the commands,
// in the order they are sent, each with what it means to a musician.
namespace DeviceSync {

struct ApplyStep
{
    enum Kind { RemoveAllRoutes, Connect, SaveRoutes, SetFilter, DeleteAllMappings, StoreMapping };
    Kind kind = RemoveAllRoutes;
    QByteArray command;
    QString meaning; // "connect MIDI IN 1 → USB Device 1"
    QString subject; // what a refusal names: "route MIDI IN 1 → USB Device 1"
};

struct ApplyPlan
{
    QVector<ApplyStep> steps;
    // Set when the file asks for something no command can say (a filter entry
    // whose name is no port); then nothing may be sent.
    QString error;
};

// Routes are cleared, written and saved; every filter entry of the file is
// set (a file without "listFiltering" leaves the device's filters alone); all
// mapping rules are deleted and the ones the file marks as stored are stored.
// The filter page's check boxes are window state and send nothing.
[[nodiscard]] ApplyPlan planApply(const ConfigFile::Import &file);

// The answer kinds that end a step.
[[nodiscard]] QVector<FrameKind> answerKinds(ApplyStep::Kind kind);

// Why the device refused a step, from its answer; empty when it accepted.
[[nodiscard]] QString refusalOf(const ApplyStep &step, const QByteArray &answer);

struct ApplyResult
{
    bool completed = false; // every step got an answer
    QStringList refusals;   // "route MIDI IN 5 → MIDI OUT 1: Port serial number error"
};

// Called after each answered step.
using ApplyProgress = std::function<void(int done, int total)>;

// Sends every step and waits for each answer; a refused step does not stop
// the others. Stops when the device stops answering (see the backup's error).
[[nodiscard]] ApplyResult runApply(DeviceBackup &backup, const ApplyPlan &plan, const ApplyProgress &progress = {});

struct RestoreResult
{
    // Why the device does not hold the file.
    enum class Failure { None, File, NoDevice, Refused, Differs };
    Failure failure = Failure::None;
    QString error; // one sentence when it does not

    [[nodiscard]] bool ok() const { return failure == Failure::None; }
};

// Makes the device on the port hold the configuration file and reads it back
// to check, without questions: the settings kept around a firmware upgrade
// go back this way, from velmora-cli and from the window alike.
[[nodiscard]] RestoreResult restoreSettings(const QString &file, const QString &port, int timeoutMs);

} // namespace DeviceSync
