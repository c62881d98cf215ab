#include "configfile/ui/comparedialog.h"

#include "configfile/configsaver.h"
#include "configfile/configtranslation.h"
#include "configfile/configwriter.h"
#include "configfile/sync/configapply.h"
#include "configfile/sync/devicebackup.h"
#include "configfile/ui/configfilecontroller.h"
#include "configfile/ui/configsteps.h"
#include "configfile/ui/filequestions.h"
#include "device/prompt.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton *namedButton(const QString &text, const QString &name, const char *objectName)
{
    auto *button = new QPushButton(text);
    button->setObjectName(QLatin1String(objectName));
    button->setAccessibleName(name);
    return button;
}

} // namespace

CompareDialog::CompareDialog(Prompt *prompt, const QString &portName, const QString &filePath,
                             const ConfigFile::Import &file, QWidget *parent)
    : QDialog(parent)
    , m_prompt(prompt)
    , m_backup(new DeviceBackup(this))
    , m_portName(portName)
    , m_filePath(filePath)
    , m_file(file)
    , m_status(new QLabel(this))
    , m_lines(new QListWidget(this))
    , m_progress(new QProgressBar(this))
    , m_applyButton(namedButton(tr("&Apply to Device"), tr("Apply to Device"), "applyToDeviceButton"))
    , m_saveButton(namedButton(tr("&Save Device As…"), tr("Save Device As"), "saveDeviceAsButton"))
    , m_closeButton(namedButton(tr("Close"), tr("Close"), "closeButton"))
{
    setObjectName(QStringLiteral("compareDialog"));
    setWindowTitle(tr("Compare with Device"));
    setWindowModality(Qt::WindowModal);
    resize(640, 420);

    m_status->setObjectName(QStringLiteral("compareStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lines->setObjectName(QStringLiteral("differenceList"));
    m_lines->setAccessibleName(tr("Differences"));
    m_lines->setWordWrap(true);
    m_status->setBuddy(m_lines);
    m_progress->setObjectName(QStringLiteral("compareProgress"));
    m_progress->setAccessibleName(tr("Progress"));
    m_progress->setTextVisible(false);

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_applyButton, QDialogButtonBox::ActionRole);
    buttons->addButton(m_saveButton, QDialogButtonBox::ActionRole);
    buttons->addButton(m_closeButton, QDialogButtonBox::RejectRole);
    connect(m_applyButton, &QPushButton::clicked, this, &CompareDialog::applyToDevice);
    connect(m_saveButton, &QPushButton::clicked, this, &CompareDialog::saveDeviceAs);
    connect(m_closeButton, &QPushButton::clicked, this, &CompareDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_lines, 1);
    layout->addWidget(m_progress);
    layout->addWidget(buttons);

    m_applyButton->setEnabled(false);
    m_saveButton->setEnabled(false);
    m_progress->setRange(0, 0);
    m_status->setText(tr("Reading what the device holds…"));
}

CompareDialog::~CompareDialog() = default;

QStringList CompareDialog::shownLines() const
{
    QStringList lines;
    for (int i = 0; i < m_lines->count(); ++i)
        lines.append(m_lines->item(i)->text());
    return lines;
}

QString CompareDialog::statusText() const
{
    return m_status->text();
}

void CompareDialog::reject()
{
    // A nested wait for the device is running; closing now would pull the
    // dialog from under it.
    if (!m_busy)
        QDialog::reject();
}

void CompareDialog::done(int result)
{
    // The window opens the port again as soon as it hears that we are done.
    m_backup->close();
    QDialog::done(result);
}

void CompareDialog::setBusy(bool busy)
{
    m_busy = busy;
    m_closeButton->setEnabled(!busy);
    m_applyButton->setEnabled(!busy && m_haveDevice);
    m_saveButton->setEnabled(!busy && m_haveDevice);
    // Busy without a count until a step count is known; idle, the bar
    // stays where the last job left it.
    if (busy)
        m_progress->setRange(0, 0);
}

void CompareDialog::showLines(const QString &status, const QStringList &lines)
{
    m_status->setText(status);
    m_lines->clear();
    m_lines->addItems(lines);
}

void CompareDialog::failed(const QString &what)
{
    m_haveDevice = false;
    setBusy(false);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    showLines(what, {m_backup->errorString()});
}

QString CompareDialog::deviceWords() const
{
    const QString model = m_backup->identity().model;
    return model.isEmpty() ? tr("the device") : tr("the %1").arg(model);
}

QStringList CompareDialog::texts(const QVector<DeviceSync::Difference> &differences)
{
    QStringList lines;
    for (const DeviceSync::Difference &difference : differences)
        lines.append(difference.text());
    return lines;
}

void CompareDialog::readDevice()
{
    if (m_busy)
        return;
    setBusy(true);
    if (!m_backup->open(m_portName) || !m_backup->readConfiguration()) {
        failed(tr("The device could not be read."));
        return;
    }
    m_haveDevice = true;
    setBusy(false);
    m_progress->setRange(0, 1);
    m_progress->setValue(0);
    const QString fileName = QFileInfo(m_filePath).fileName();
    const QVector<DeviceSync::Difference> differences = DeviceSync::compare(m_file, m_backup->configuration());
    if (differences.isEmpty())
        showLines(tr("%1 holds what %2 says.").arg(deviceWords(), fileName), {});
    else
        showLines(tr("What differs between %1 and %2:").arg(fileName, deviceWords()), texts(differences));
}

void CompareDialog::applyToDevice()
{
    if (m_busy || !m_haveDevice)
        return;
    const QString fileName = QFileInfo(m_filePath).fileName();
    const ConfigFile::Translation translation = ConfigFile::translate(m_file, m_backup->targetPorts());
    if (!FileQuestions::acceptLeftOut(m_prompt, tr("Apply to Device"), translation))
        return;
    const DeviceSync::ApplyPlan plan = DeviceSync::planApply(translation.carried);
    if (!plan.error.isEmpty()) {
        showLines(tr("%1 cannot be applied.").arg(fileName), {plan.error});
        return;
    }
    const ConfigFile::Import before = ConfigSteps::importOf(m_backup->configuration());
    setBusy(true);
    m_status->setText(tr("Applying %1 to %2…").arg(fileName, deviceWords()));
    // Every command, then the read-back.
    m_progress->setRange(0, plan.steps.size() + 1);
    m_progress->setValue(0);
    const DeviceSync::ApplyResult result =
        DeviceSync::runApply(*m_backup, plan, [this](int done, int) { m_progress->setValue(done); });
    if (!result.completed) {
        failed(tr("Applying %1 stopped.").arg(fileName));
        return;
    }
    if (!m_backup->readConfiguration()) {
        failed(tr("%1 was applied, but the device could not be read back.").arg(fileName));
        return;
    }
    setBusy(false);
    m_progress->setValue(m_progress->maximum());
    emit applied(before, ConfigSteps::importOf(m_backup->configuration()));
    const QStringList differences = texts(DeviceSync::compare(translation.carried, m_backup->configuration()));
    if (result.refusals.isEmpty() && differences.isEmpty())
        showLines(tr("Applied and read back: %1 now holds what %2 says.").arg(deviceWords(), fileName), {});
    else
        showLines(tr("Applied, but %1 does not hold all of %2:").arg(deviceWords(), fileName),
                  result.refusals + differences);
}

void CompareDialog::saveDeviceAs()
{
    if (m_busy || !m_haveDevice)
        return;
    const QString path = m_prompt->saveFileName(tr("Save Device As"), ConfigFileController::startDirectory(),
                                                ConfigFileController::FileFilter);
    if (path.isEmpty())
        return;
    ConfigFile::Saver saver;
    const bool saved = saver.save(path, ConfigFile::write(m_backup->configuration()));
    m_prompt->showMessage(saved ? tr("File saved successfully!") : tr("File save failed!"), tr("OK"));
}
