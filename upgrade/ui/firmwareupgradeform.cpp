#include "upgrade/ui/firmwareupgradeform.h"

#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

void FirmwareUpgradeForm::setUp(QDialog *dialog)
{
    auto *layout = new QVBoxLayout(dialog);
    auto *portRow = new QHBoxLayout;
    portCombo = new QComboBox(dialog);
    portCombo->setObjectName(QStringLiteral("portCombo"));
    portCombo->setMinimumWidth(150);
    portCombo->setAccessibleName(QStringLiteral("Bootloader port"));
    connectButton = new QPushButton(QStringLiteral("Connect"), dialog);
    connectButton->setObjectName(QStringLiteral("connectButton"));
    connectButton->setAccessibleName(QStringLiteral("Connect to the bootloader"));
    closeButton = new QPushButton(QStringLiteral("Close"), dialog);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    closeButton->setAccessibleName(QStringLiteral("Close the firmware upgrade"));
    portRow->addWidget(portCombo);
    portRow->addWidget(connectButton);
    portRow->addWidget(closeButton);
    portRow->addStretch();
    layout->addLayout(portRow);

    // A label that wraps: a box 30 pixels high cut the sentence off, and a
    // read-only text field was one more stop for the Tab key.
    instructions = new QLabel(QStringLiteral("Please refer to the product manual to put the device into firmware "
                                             "upgrade mode before connecting."),
                              dialog);
    instructions->setObjectName(QStringLiteral("instructions"));
    instructions->setWordWrap(true);
    instructions->setAccessibleName(QStringLiteral("Instructions"));
    layout->addWidget(instructions);

    log = new QTextBrowser(dialog);
    log->setObjectName(QStringLiteral("upgradeLog"));
    log->setAccessibleName(QStringLiteral("Upgrade log"));
    layout->addWidget(log);

    auto *fileRow = new QHBoxLayout;
    fileEdit = new QLineEdit(dialog);
    fileEdit->setObjectName(QStringLiteral("firmwareFileEdit"));
    fileEdit->setAccessibleName(QStringLiteral("Firmware file"));
    openFileButton = new QPushButton(QStringLiteral("Open File"), dialog);
    openFileButton->setObjectName(QStringLiteral("openFileButton"));
    openFileButton->setAccessibleName(QStringLiteral("Open a firmware file"));
    upgradeButton = new QPushButton(QStringLiteral("Upgrade"), dialog);
    upgradeButton->setObjectName(QStringLiteral("upgradeButton"));
    upgradeButton->setAccessibleName(QStringLiteral("Start the upgrade"));
    fileRow->addWidget(fileEdit);
    fileRow->addWidget(openFileButton);
    fileRow->addWidget(upgradeButton);
    layout->addLayout(fileRow);

    progressBar = new QProgressBar(dialog);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setAccessibleName(QStringLiteral("Upgrade progress"));
    layout->addWidget(progressBar);
}
