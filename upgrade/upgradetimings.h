#pragma once

// Every wait of the firmware transfer. The product runs with defaults();
// tests shorten them so that a watchdog fault costs milliseconds.
struct UpgradeTimings
{
    int eraseTimeoutMs = 10000;  // the bootloader answers "ERASE END" within this
    int ackTimeoutMs = 3000;     // ... and every piece within this
    int finalizeMs = 5000;       // after the last acknowledgement, before success
    int successBoxDelayMs = 50;  // between the full progress bar and the success box
    int listRefreshMs = 1500;    // the upgrade dialog's device list
    int bootloaderSearchMs = 1000; // the main window's wait for the bootloader port

    [[nodiscard]] static UpgradeTimings defaults() { return {}; }
};
