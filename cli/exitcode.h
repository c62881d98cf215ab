#pragma once

// The exit codes velmora-cli documents; scripts rely on them.
namespace Cli {

enum ExitCode {
    ExitOk = 0,
    ExitDiffers = 1,      // the device does not hold what the file says
    ExitUsage = 2,        // unknown command, missing or bad argument
    ExitNoDevice = 3,     // no such port, or the device does not answer
    ExitRefused = 4,      // the device refused a command
    ExitFileError = 5,    // the file cannot be read, written or understood
    // apply: the file uses ports the device does not have. It is the file
    // that does not fit, so it shares the file's code.
    ExitNotForThisDevice = ExitFileError,
};

} // namespace Cli
