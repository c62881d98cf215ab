#include "cli/commands.h"

#include "cli/exitcode.h"
#include "cli/flasher.h"
#include "configfile/configreader.h"
#include "configfile/configsaver.h"
#include "configfile/configtranslation.h"
#include "configfile/configwriter.h"
#include "configfile/sync/configapply.h"
#include "configfile/sync/configdiff.h"
#include "configfile/sync/devicebackup.h"
#include "device/devicemodels.h"
#include "device/devicewatcher.h"
#include "upgrade/keptsettings.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#define VELMORA_ISATTY(f) _isatty(_fileno(f))
#else
#include <unistd.h>
#define VELMORA_ISATTY(f) isatty(fileno(f))
#endif

namespace Cli {

using namespace DeviceSync;

namespace {

int exitCodeOf(DeviceSync::RestoreResult::Failure failure)
{
    using Failure = DeviceSync::RestoreResult::Failure;
    switch (failure) {
    case Failure::None: return ExitOk;
    case Failure::File: return ExitFileError;
    case Failure::NoDevice: return ExitNoDevice;
    case Failure::Refused: return ExitRefused;
    case Failure::Differs: return ExitDiffers;
    }
    return ExitNoDevice;
}

int exitCodeOf(DeviceBackup::Error error)
{
    return error == DeviceBackup::Error::None ? ExitOk : ExitNoDevice;
}

// The brand's entry for the port: its USB description, empty when the port
// holds no running device.
QString runningDescription(const QString &portName)
{
    DeviceWatcher watcher(DeviceModels::brand());
    watcher.scan();
    for (const DeviceListEntry &entry : watcher.entries()) {
        if (entry.portName == portName || QFileInfo(entry.portName).fileName() == portName)
            return entry.text;
    }
    return {};
}

// The port of the running device with that description once it is listed,
// empty when it is not within the time.
QString waitForDevice(const QString &description, int timeoutMs)
{
    DeviceWatcher watcher(DeviceModels::brand());
    QElapsedTimer waiting;
    waiting.start();
    do {
        watcher.scan();
        for (const DeviceListEntry &entry : watcher.entries()) {
            if (entry.text == description)
                return entry.portName;
        }
        QEventLoop pause;
        QTimer::singleShot(Flasher::SearchIntervalMs, &pause, &QEventLoop::quit);
        pause.exec();
    } while (waiting.elapsed() < timeoutMs);
    return {};
}

// Opens the port and reads what the device holds.
bool readDevice(DeviceBackup &backup, const QString &port, const Options &options)
{
    backup.setTimeout(options.timeoutMs);
    return backup.open(port) && backup.readConfiguration();
}

bool writeStdout(const QByteArray &bytes)
{
    QFile out;
    return out.open(stdout, QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.flush();
}

void printSteps(const ApplyPlan &plan)
{
    QTextStream out(stdout);
    for (const ApplyStep &step : plan.steps)
        out << step.meaning << '\n';
}

void printDifferences(const QVector<Difference> &differences, bool json)
{
    if (json) {
        QJsonArray rows;
        for (const Difference &d : differences)
            rows.append(QJsonObject{{QStringLiteral("subject"), d.subject},
                                    {QStringLiteral("difference"), d.detail},
                                    {QStringLiteral("text"), d.text()}});
        const QJsonObject root{{QStringLiteral("equal"), differences.isEmpty()},
                               {QStringLiteral("differences"), rows}};
        (void)writeStdout(QJsonDocument(root).toJson());
        return;
    }
    QTextStream out(stdout);
    for (const Difference &d : differences)
        out << d.text() << '\n';
}

// Writes the image with the progress on standard output; the exit code. A
// failure's sentence ends with failureNote.
int flashImage(const QString &port, const QByteArray &image, const Options &options, const QString &failureNote);

} // namespace

int failWith(int code, const QString &sentence)
{
    QTextStream(stderr) << "velmora-cli: " << sentence << '\n';
    return code;
}

int runDump(const QString &port, const Options &options)
{
    DeviceBackup backup;
    if (!readDevice(backup, port, options))
        return failWith(exitCodeOf(backup.error()), backup.errorString());
    backup.close();
    const QByteArray bytes = ConfigFile::write(backup.configuration());
    if (options.output.isEmpty()) {
        if (!writeStdout(bytes))
            return failWith(ExitFileError, QStringLiteral("Cannot write to standard output."));
        return ExitOk;
    }
    ConfigFile::Saver saver;
    if (!saver.save(options.output, bytes))
        return failWith(ExitFileError, QStringLiteral("Cannot write %1: %2").arg(options.output, saver.errorString()));
    return ExitOk;
}

int runApply(const QString &file, const QString &port, const Options &options)
{
    // The whole file is checked before anything is sent.
    const ConfigFile::ReadResult read = ConfigFile::readFile(file);
    if (!read.ok())
        return failWith(ExitFileError, QStringLiteral("%1: %2").arg(file, read.errorString()));
    const ApplyPlan asWritten = planApply(read.import);
    if (!asWritten.error.isEmpty())
        return failWith(ExitFileError, QStringLiteral("%1: %2").arg(file, asWritten.error));
    if (port.isEmpty()) {
        printSteps(asWritten);
        return ExitOk;
    }

    DeviceBackup backup;
    // Which model the device is and which ports it has decide what of the
    // file it can hold; reading them changes nothing.
    if (!readDevice(backup, port, options))
        return failWith(exitCodeOf(backup.error()), backup.errorString());
    const ConfigFile::Translation translation = ConfigFile::translate(read.import, backup.targetPorts());
    if (!translation.leftOut.isEmpty()) {
        if (!options.translate)
            return failWith(ExitNotForThisDevice,
                            QStringLiteral("%1: %2 Nothing was sent; --translate sends the rest.")
                                .arg(file, translation.summary()));
        QTextStream(stderr) << "velmora-cli: " << file << ": " << translation.summary() << '\n';
    }
    const ApplyPlan plan = planApply(translation.carried);
    if (options.dryRun) {
        printSteps(plan);
        return ExitOk;
    }
    const ApplyResult result = runApply(backup, plan);
    if (!result.completed)
        return failWith(exitCodeOf(backup.error()), backup.errorString());

    QVector<Difference> differences;
    if (options.verify) {
        if (!backup.readConfiguration())
            return failWith(exitCodeOf(backup.error()), backup.errorString());
        differences = compare(translation.carried, backup.configuration());
        printDifferences(differences, options.json);
    }
    if (!result.refusals.isEmpty())
        return failWith(ExitRefused, QStringLiteral("The device refused %1.").arg(result.refusals.join(QStringLiteral("; "))));
    if (!differences.isEmpty())
        return failWith(ExitDiffers, QStringLiteral("The device does not hold what %1 says.").arg(file));
    return ExitOk;
}

int runDiff(const QString &file, const QString &port, const Options &options)
{
    const ConfigFile::ReadResult read = ConfigFile::readFile(file);
    if (!read.ok())
        return failWith(ExitFileError, QStringLiteral("%1: %2").arg(file, read.errorString()));
    DeviceBackup backup;
    if (!readDevice(backup, port, options))
        return failWith(exitCodeOf(backup.error()), backup.errorString());
    const QVector<Difference> differences = compare(read.import, backup.configuration());
    printDifferences(differences, options.json);
    return differences.isEmpty() ? ExitOk : ExitDiffers;
}

int runDiffFiles(const QString &first, const QString &second, const Options &options)
{
    const ConfigFile::ReadResult a = ConfigFile::readFile(first);
    if (!a.ok())
        return failWith(ExitFileError, QStringLiteral("%1: %2").arg(first, a.errorString()));
    const ConfigFile::ReadResult b = ConfigFile::readFile(second);
    if (!b.ok())
        return failWith(ExitFileError, QStringLiteral("%1: %2").arg(second, b.errorString()));
    // A file without "listFiltering" says nothing about filters, whichever
    // side it is on.
    ConfigFile::Import firstFile = a.import;
    if (!b.import.listFiltering)
        firstFile.listFiltering.reset();
    const QVector<Difference> differences =
        compare(firstFile, ConfigFile::toDocument(b.import), {QStringLiteral("in ") + first, QStringLiteral("in ") + second});
    printDifferences(differences, options.json);
    return differences.isEmpty() ? ExitOk : ExitDiffers;
}

int runFlash(const QString &port, const QString &imagePath, const Options &options)
{
    QFile file(imagePath);
    if (!file.open(QIODevice::ReadOnly))
        return failWith(ExitFileError, QStringLiteral("Cannot read %1: %2.").arg(imagePath, file.errorString()));
    const QByteArray image = file.readAll();
    if (image.isEmpty())
        return failWith(ExitFileError, QStringLiteral("%1 is empty.").arg(imagePath));
    if (!options.keepSettings)
        return flashImage(port, image, options, QString());

    // A firmware upgrade may reset the box: what it holds is kept in a file
    // first, and nothing is flashed unless that file is whole.
    const QString description = runningDescription(port);
    if (description.isEmpty())
        return failWith(ExitNoDevice, QStringLiteral("--keep-settings needs a running device; %1 is not one.").arg(port));
    DeviceBackup backup;
    backup.setTimeout(options.timeoutMs);
    if (!backup.open(port) || !backup.identify() || !backup.readConfiguration())
        return failWith(exitCodeOf(backup.error()), backup.errorString());
    backup.close();
    const QString model = backup.identity().model;
    KeptSettings kept;
    const QString keptPath = kept.save(model, ConfigFile::write(backup.configuration()));
    if (keptPath.isEmpty()) {
        QString why = kept.errorString();
        if (why.endsWith(QLatin1Char('.')))
            why.chop(1);
        return failWith(ExitFileError, QStringLiteral("The settings of the %1 cannot be kept (%2); nothing was flashed.")
                                           .arg(model, why));
    }
    QTextStream out(stdout);
    out << "Settings of the " << model << " kept in " << QDir::toNativeSeparators(keptPath) << '\n';
    out.flush();
    const QString keptNote = QStringLiteral(" The settings are kept in %1.").arg(QDir::toNativeSeparators(keptPath));

    const int flashed = flashImage(port, image, options, keptNote);
    if (flashed != ExitOk)
        return flashed;
    const int waitMs = options.timeoutGiven ? options.timeoutMs : DefaultReturnTimeoutMs;
    out << "Waiting up to " << (waitMs + 999) / 1000 << " s for the " << model
        << " to come back (power it on again if it does not restart by itself)\n";
    out.flush();
    const QString returned = waitForDevice(description, waitMs);
    if (returned.isEmpty())
        return failWith(ExitNoDevice, QStringLiteral("The %1 did not come back within %2 s.").arg(model).arg((waitMs + 999) / 1000)
                                          + keptNote);
    const RestoreResult restored = restoreSettings(keptPath, returned, options.timeoutMs);
    if (!restored.ok())
        return failWith(exitCodeOf(restored.failure), restored.error + keptNote);
    kept.remove({keptPath, model, {}});
    out << "Settings restored on the " << model << " (" << returned << ")\n";
    return ExitOk;
}

namespace {

int flashImage(const QString &port, const QByteArray &image, const Options &options, const QString &failureNote)
{
    Flasher flasher;
    flasher.setTimeout(options.timeoutMs);
    const bool terminal = VELMORA_ISATTY(stdout);
    int shown = -1;
    QTextStream out(stdout);
    flasher.setProgress([&](int percent) {
        // The job drops back to 0 once it is over.
        if (percent <= shown)
            return;
        shown = percent;
        if (terminal) {
            constexpr int Width = 40;
            const int filled = percent * Width / 100;
            out << "\rFlashing [" << QString(filled, QLatin1Char('#')) << QString(Width - filled, QLatin1Char(' '))
                << "] " << percent << '%';
        } else {
            out << percent << "%\n";
        }
        out.flush();
    });
    const bool ok = flasher.flash(port, image);
    if (terminal && shown >= 0)
        out << '\n';
    out.flush();
    if (!ok) {
        const int code = flasher.error() == Flasher::Error::Refused ? ExitRefused : ExitNoDevice;
        return failWith(code, flasher.errorString() + failureNote);
    }
    return ExitOk;
}

} // namespace

} // namespace Cli
