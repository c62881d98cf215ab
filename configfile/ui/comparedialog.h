#pragma once

#include "configfile/configdocument.h"
#include "configfile/sync/configdiff.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVector>

class DeviceBackup;
class Prompt;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

// "Compare with Device": what differs between the box and a file, in words,
// with "Apply to Device" (every command's answer checked, then everything
// read back) and "Save Device As…". The dialog holds the device's port for
// as long as it is open, over a link of its own; it lets go of it before it
// reports that it is finished.
class CompareDialog : public QDialog
{
    Q_OBJECT

public:
    CompareDialog(Prompt *prompt, const QString &portName, const QString &filePath, const ConfigFile::Import &file,
                  QWidget *parent = nullptr);
    ~CompareDialog() override;

    // The lines of the list as shown: the differences, or what went wrong.
    [[nodiscard]] QStringList shownLines() const;
    [[nodiscard]] QString statusText() const;
    // Talking to the device; the dialog cannot be closed meanwhile.
    [[nodiscard]] bool isBusy() const { return m_busy; }

public slots:
    // Opens the port, reads what the device holds and lists the differences.
    void readDevice();
    void applyToDevice();
    void saveDeviceAs();
    void reject() override;
    void done(int result) override;

signals:
    // Apply to Device ran to its end: what the device held before and what
    // it reads back now.
    void applied(const ConfigFile::Import &before, const ConfigFile::Import &after);

private:
    void setBusy(bool busy);
    void showLines(const QString &status, const QStringList &lines);
    void failed(const QString &what);
    [[nodiscard]] QString deviceWords() const;
    [[nodiscard]] static QStringList texts(const QVector<DeviceSync::Difference> &differences);

    Prompt *const m_prompt;
    DeviceBackup *const m_backup;
    const QString m_portName;
    const QString m_filePath;
    const ConfigFile::Import m_file;
    bool m_busy = false;
    bool m_haveDevice = false;
    QLabel *const m_status;
    QListWidget *const m_lines;
    QProgressBar *const m_progress;
    QPushButton *const m_applyButton;
    QPushButton *const m_saveButton;
    QPushButton *const m_closeButton;
};
