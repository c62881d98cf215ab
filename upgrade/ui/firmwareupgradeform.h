#pragma once

class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTextBrowser;

// The upgrade dialog's controls, from top to bottom: the bootloader port with
// Connect and Close, the instructions, the log, the firmware file with Open
// File and Upgrade, and the progress bar. The dialog owns them.
struct FirmwareUpgradeForm
{
    void setUp(QDialog *dialog);

    QComboBox *portCombo = nullptr;
    QPushButton *connectButton = nullptr;
    QPushButton *closeButton = nullptr;
    QLabel *instructions = nullptr;
    QTextBrowser *log = nullptr;
    QLineEdit *fileEdit = nullptr;
    QPushButton *openFileButton = nullptr;
    QPushButton *upgradeButton = nullptr;
    QProgressBar *progressBar = nullptr;
};
