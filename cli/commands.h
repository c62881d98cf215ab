#pragma once

#include <QString>

// The commands that talk to a device's configuration. Each returns the exit
// code; errors go to standard error as one sentence.
namespace Cli {

struct Options
{
    int timeoutMs = 0;
    bool json = false;
    bool verify = false;
    bool dryRun = false;
    bool translate = false; // apply: send what the device can hold, leave out the rest
    QString output; // dump: the file, empty for standard output
    bool timeoutGiven = false;
    // flash: dump the settings first and put them back once the device has
    // restarted.
    bool keepSettings = false;
};

// How long flash --keep-settings waits for the flashed device to come back
// when --timeout does not say: long enough to power a box on again.
constexpr int DefaultReturnTimeoutMs = 60000;

// Prints "velmora-cli: <sentence>" on standard error and returns the code.
int failWith(int code, const QString &sentence);

[[nodiscard]] int runDump(const QString &port, const Options &options);
// Without a port a dry run prints the file's commands as they are; with one
// the device is read first (nothing is changed) and the file moved to its
// ports: a file naming ports the device lacks is refused unless
// options.translate.
[[nodiscard]] int runApply(const QString &file, const QString &port, const Options &options);
[[nodiscard]] int runDiff(const QString &file, const QString &port, const Options &options);
[[nodiscard]] int runDiffFiles(const QString &first, const QString &second, const Options &options);
[[nodiscard]] int runFlash(const QString &port, const QString &imagePath, const Options &options);

} // namespace Cli
