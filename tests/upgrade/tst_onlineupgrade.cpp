// Online firmware against a real HTTPS server on 127.0.0.1 (its authority
// made for this run) and simulated devices on pseudo-terminals: the dialog's
// check, download and retries; images that are not whole or not binary are
// never written; the main window's path from "Update Available" through the
// bootloader, however it spells its name, with the box's settings kept and put
// back; and nothing but the transfer on the line while an image is sent.
#include "../support/httpstestserver.h"
#include "../support/simulateddevice.h"
#include "device/devicesession.h"
#include "device/devicewatcher.h"
#include "device/serialport.h"
#include "device/vocabulary.h"
#include "network/updateserver.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"
#include "upgrade/ui/firmwareupgradefeature.h"
#include "upgrade/keptsettings.h"
#include "upgrade/ui/firmwareupgradedialog.h"
#include "filter/filterbits.h"
#include "filter/filterprotocol.h"
#include "routing/routeprotocol.h"
#include "tests/mapping/samplerecords.h"
#include "tests/support/windowfixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Response = HttpsTestServer::Response;
const QString TextPath = QStringLiteral("/download/Product/Alder-4/Update/Alder-4_Update.txt");
const QString ImagePath = QStringLiteral("/download/Product/Alder-4/Update/Alder-4_V1.3.0.bin");

Response text(const char *body)
{
    Response r;
    r.body = body;
    r.contentType = "text/plain; charset=utf-8";
    return r;
}

Response status(int code)
{
    Response r;
    r.status = code;
    r.body = "error";
    return r;
}

QByteArray firmware()
{
    QByteArray bytes(1000, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 31) & 0xFF);
    return bytes;
}

Response image(const QByteArray &bytes = firmware())
{
    Response r;
    r.body = bytes;
    return r;
}

const Response NewerText = text("Alder-4_V1.3.0\nUpdate content:\n  Faster start-up\n");

bool erased(const DeviceSimulator *sim)
{
    for (const auto &frame : sim->receivedFrames()) {
        if (frame.bytes == Vocabulary::eraseCommand())
            return true;
    }
    return sim->isErased();
}

// What reached the bootloader after its erase command: the image alone when
// nothing else wrote to the port during the transfer.
QByteArray sentAfterErase(const DeviceSimulator *sim)
{
    QByteArray bytes;
    bool erased = false;
    for (const auto &frame : sim->receivedFrames()) {
        if (erased)
            bytes += frame.bytes;
        erased = erased || frame.bytes == Vocabulary::eraseCommand();
    }
    return bytes;
}

UpgradeTimings quickFinish()
{
    UpgradeTimings t;
    t.finalizeMs = 200;
    t.successBoxDelayMs = 10;
    return t;
}

int titled(const ScriptedPrompt &prompt, const QString &title)
{
    int n = 0;
    for (const auto &shown : prompt.shown())
        n += shown.title == title;
    return n;
}

} // namespace

class tst_OnlineUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dialogCheck_data();
    void dialogCheck();
    void unsupportedModelMakesNoRequest();
    void handOffKeepsSettings_data();
    void handOffKeepsSettings();
    void nothingElseOnTheLineWhileSending();

private:
    [[nodiscard]] UpdateServer server() const;
    HttpsTestServer m_server;
    QTemporaryDir m_data; // settings kept around a flash, never the user's
};

void tst_OnlineUpgrade::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    qputenv("XDG_DATA_HOME", m_data.path().toLocal8Bit());
    qputenv(UpdateServer::ServerVariable, m_server.baseUrl().toString().toUtf8());
    qputenv(UpdateServer::CaFileVariable, m_server.caFile().toUtf8());
}

UpdateServer tst_OnlineUpgrade::server() const
{
    return UpdateServer::fromSettings(QString());
}

void tst_OnlineUpgrade::dialogCheck_data()
{
    QTest::addColumn<QList<Response>>("texts");
    QTest::addColumn<QList<Response>>("images");
    QTest::addColumn<bool>("lands");
    QTest::addColumn<QStringList>("logLines");

    QTest::newRow("newer version") << QList<Response>{NewerText} << QList<Response>{image()} << true
                                   << QStringList{"Update check result: new version found.",
                                                  "Downloaded new firmware: Alder-4_V1.3.0 (1000 bytes)"};
    QTest::newRow("equal version") << QList<Response>{text("Alder-4_V1.2.0\nUpdate content: none")}
                                   << QList<Response>{} << false
                                   << QStringList{"Reason: current version is equal to server version."};
    QTest::newRow("three failures, then the text")
        << QList<Response>{status(500), status(503), status(500), NewerText} << QList<Response>{image()} << true
        << QStringList{"Retrying... (2 attempts left)", "Retrying... (1 attempts left)",
                       "Retrying... (0 attempts left)", "Downloaded new firmware"};

    // Images that are not whole, not there or not binary: four attempts, one
    // failure, and the flash is never touched.
    Response cut = image();
    cut.cutAfter = 500;
    Response oversized = image();
    oversized.announcedLength = 17 * 1024 * 1024;
    oversized.cutAfter = 100;
    Response page = text("<html><body>Firmware moved</body></html>\n");
    page.contentType = "text/html";
    const QStringList failed{"Retrying... (0 attempts left)", "Online firmware not available"};
    QTest::newRow("image 404") << QList<Response>{NewerText} << QList<Response>{status(404)} << false << failed;
    QTest::newRow("image cut short") << QList<Response>{NewerText} << QList<Response>{cut} << false << failed;
    QTest::newRow("image over 16 MiB") << QList<Response>{NewerText} << QList<Response>{oversized} << false << failed;
    QTest::newRow("text instead of image") << QList<Response>{NewerText} << QList<Response>{page} << false
                                           << (failed + QStringList{"The server sent text instead of a firmware image."});
}

void tst_OnlineUpgrade::dialogCheck()
{
    QFETCH(QList<Response>, texts);
    QFETCH(QList<Response>, images);
    QFETCH(bool, lands);
    QFETCH(QStringList, logLines);

    m_server.setResponses(TextPath, texts);
    if (!images.isEmpty())
        m_server.setResponses(ImagePath, images);
    const int requestsBefore = m_server.requestedPaths().size();

    auto device = TestSupport::startDevice(QStringLiteral("Alder-4 BootLoader"));
    QVERIFY(device);
    device->simulator()->setEraseDelayMs(20);
    ScriptedPrompt prompt;
    SerialPort port;
    DeviceWatcher watcher(QStringLiteral("Kestrova"));
    UpgradeTimings fast;
    fast.finalizeMs = 200;
    FirmwareUpgradeDialog dialog(&port, &watcher, &prompt, server(), nullptr, fast);

    QVERIFY(dialog.prioritizeBootloaderDevice(true));
    const auto done = [&] {
        return !prompt.shown().isEmpty() && prompt.shown().last().title.startsWith(QLatin1String("Upgrade"));
    };
    if (lands || !images.isEmpty()) {
        QTRY_VERIFY2_WITH_TIMEOUT(done(), qPrintable(dialog.logText()), 15000);
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(dialog.logText().contains(logLines.last()), 10000);
        QTest::qWait(300);
    }
    for (const QString &line : logLines)
        QVERIFY2(dialog.logText().contains(line), qPrintable(line + QLatin1String("\n---\n") + dialog.logText()));

    const QStringList titles = [&] {
        QStringList t;
        for (const auto &shown : prompt.shown())
            t.append(shown.title);
        return t;
    }();
    if (lands) {
        QCOMPARE(titles, (QStringList{"Update Available", "Upgrade"}));
        QCOMPARE(device->simulator()->receivedImage(), firmware());
    } else {
        QVERIFY(!erased(device->simulator()));
        QCOMPARE(titles.count(QStringLiteral("Upgrade Failed")), images.isEmpty() ? 0 : 1);
        // A download that failed says so, and that the flash was not touched.
        if (!images.isEmpty())
            QVERIFY2(prompt.lastText().startsWith(QLatin1String("The firmware download failed: "))
                         && prompt.lastText().endsWith(QLatin1String(". Nothing was written to the device.")),
                     qPrintable(prompt.lastText()));
        QCOMPARE(dialog.upgradeState(), int(images.isEmpty() ? FirmwareUpgradeJob::Connected : FirmwareUpgradeJob::Idle));
    }
    const QStringList requested = m_server.requestedPaths().mid(requestsBefore);
    QCOMPARE(requested.count(TextPath), texts.size());
    QCOMPARE(requested.count(ImagePath), images.isEmpty() ? 0 : lands ? 1 : 4);
}

void tst_OnlineUpgrade::unsupportedModelMakesNoRequest()
{
    auto device = TestSupport::startDevice(QStringLiteral("Cedar-6 BootLoader"));
    QVERIFY(device);
    ScriptedPrompt prompt;
    SerialPort port;
    DeviceWatcher watcher(QStringLiteral("Kestrova"));
    FirmwareUpgradeDialog dialog(&port, &watcher, &prompt, server());
    const int requestsBefore = m_server.requestedPaths().size();
    QVERIFY(dialog.prioritizeBootloaderDevice(true));
    QTRY_VERIFY(dialog.logText().contains(QStringLiteral("Online update not supported for this device.")));
    QTest::qWait(200);
    QCOMPARE(m_server.requestedPaths().size(), requestsBefore);
    QCOMPARE(dialog.upgradeState(), int(FirmwareUpgradeJob::Connected));
}

void tst_OnlineUpgrade::handOffKeepsSettings_data()
{
    QTest::addColumn<QString>("bootloader");
    QTest::newRow("Bootload") << "Cedar-6 Bootload";
    QTest::newRow("BootLoader") << "Cedar-6 BootLoader";
    QTest::newRow("BOOTLOAD") << "CEDAR-6 BOOTLOAD";
}

// "Update Available" → OK is the last click: the settings are kept, the box
// restarts into its bootloader, whatever the letter case of its name, and
// gets the image; the window lets go of it. The box comes back empty, and at
// the next connection its settings go back on and are read back.
void tst_OnlineUpgrade::handOffKeepsSettings()
{
    QFETCH(QString, bootloader);
    QTemporaryDir data;
    QTemporaryDir work;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    // The simulated box keeps reporting its old version: the second check
    // must not offer the same update again.
    m_server.setResponses(QStringLiteral("/download/Product/Cedar-6/Update/Cedar-6_Update.txt"),
                          {text("Cedar-6_V2.1.0\nUpdate content:\n  Faster\n"), text("Cedar-6_V2.0.3\n")});
    m_server.setResponse(QStringLiteral("/download/Product/Cedar-6/Update/Cedar-6_V2.1.0.bin"), image());

    DeviceProfile profile = *DeviceProfiles::find(QStringLiteral("Kestrova Cedar-6"));
    profile.bootloaderDescription = bootloader;
    SimulatedDevicePort device(profile);
    QVERIFY(device.start());
    DeviceSimulator *sim = device.simulator();
    sim->setEraseDelayMs(20);
    sim->setForgetsSettingsWhenFlashed(true);
    sim->setRestartAfterFlashMs(800); // after the window has declared success
    // Set without answers, which the window would read as its own.
    DeviceSimulator::Faults quiet;
    quiet.noAnswer = true;
    sim->setFaults(quiet);
    sim->receive(Routing::connectCommand({{Routing::FivePin, 1}, {Routing::FivePin, 2}}));
    sim->receive(Routing::connectCommand({{Routing::FivePin, 3}, {Routing::UsbDevice, 1}}));
    Filter::Bytes filter{};
    const auto channel10 = *Filter::channelPosition(10);
    filter[channel10.byteIndex] |= 1 << channel10.bit;
    sim->receive(Filter::setCommand(0, 2, filter));
    sim->receive(noteOnToProgramChange(3).toStoreCommand());
    sim->setFaults({});
    const auto routes = sim->routes();
    const QByteArray filterBytes = sim->filter(0, 2);
    const auto mappings = sim->mappings();
    QCOMPARE(routes.size(), 2);
    QCOMPARE(mappings.size(), 1);

    ScriptedPrompt prompt;
    MainWindow w(nullptr, &prompt, work.filePath(QStringLiteral("config.ini")));
    w.show();
    FirmwareUpgradeFeature *upgrade = w.firmwareUpgrade();
    upgrade->dialog()->job()->setTimings(quickFinish());
    QVERIFY(TestSupport::WindowFixture::connectTo(w, QStringLiteral("Kestrova Cedar-6")));

    // The window lets go of the box the moment it is sent to its bootloader,
    // before the bootloader's port shows up.
    QTRY_VERIFY_WITH_TIMEOUT(sim->isBootloader(), 20000);
    QVERIFY(upgrade->isSearchingBootloader());
    QVERIFY(!w.session()->isOpen());
    QTRY_VERIFY2_WITH_TIMEOUT(titled(prompt, QStringLiteral("Upgrade")) == 1,
                              qPrintable(prompt.texts().join(QStringLiteral(" | "))), 20000);
    QCOMPARE(prompt.shown().size(), 2);
    QCOMPARE(prompt.shown().first().title, QStringLiteral("Update Available"));
    QCOMPARE(sentAfterErase(sim), firmware());
    const auto kept = upgrade->keptSettings().latest(QStringLiteral("Cedar-6"));
    QVERIFY(kept);
    QVERIFY(!w.session()->isOpen());
    QVERIFY(!w.session()->serialPort()->isOpen());
    QVERIFY(w.connectedDeviceName().isEmpty());
    QCOMPARE(TestSupport::WindowFixture::connectButton(w)->text(), QStringLiteral("Connect"));

    QTRY_VERIFY_WITH_TIMEOUT(!sim->isBootloader(), 5000);
    QVERIFY(sim->routes().isEmpty());
    QVERIFY(sim->mappings().isEmpty());
    QVERIFY(sim->filter(0, 2) != filterBytes);
    QVERIFY(TestSupport::WindowFixture::connectTo(w, QStringLiteral("Kestrova Cedar-6"), 5000));
    const QString question = FirmwareUpgradeFeature::RestoreQuestion.arg(KeptSettings::dateText(kept->savedAt));
    QTRY_VERIFY2_WITH_TIMEOUT(prompt.texts().contains(question) && titled(prompt, QStringLiteral("Firmware Upgrade")) == 2,
                              qPrintable(prompt.texts().join(QStringLiteral(" | "))), 15000);
    QCOMPARE(prompt.lastText(), QStringLiteral("The settings saved before the firmware upgrade are back on the Cedar-6."));
    QCOMPARE(sim->routes().size(), routes.size());
    for (const auto &route : routes)
        QVERIFY(sim->routes().contains(route));
    QCOMPARE(sim->filter(0, 2), filterBytes);
    QCOMPARE(sim->mappings(), mappings);
    QVERIFY(!upgrade->keptSettings().latest(QStringLiteral("Cedar-6")));
    QTRY_VERIFY(w.session()->isOpen());
}

// While an image is sent the window's online check stays quiet, and the
// window's Connect and the dialog's Close ask first: told No, nothing but the
// transfer reaches the bootloader and the port stays open; told Yes, Close
// stops the transfer and lets go of the port.
void tst_OnlineUpgrade::nothingElseOnTheLineWhileSending()
{
    QTemporaryDir dir;
    QByteArray bytes(16 * 1024, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    const QString path = dir.filePath(QStringLiteral("firmware.bin"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    auto running = TestSupport::startDevice(QStringLiteral("Kestrova Alder-4"));
    auto boot = TestSupport::startDevice(QStringLiteral("Cedar-6 BootLoader"));
    QVERIFY(running && boot);
    boot->simulator()->setEraseDelayMs(20);
    DeviceSimulator::Faults slow;
    slow.delayMs = 10; // 256 pieces: Sending lasts seconds
    boot->simulator()->setFaults(slow);

    ScriptedPrompt prompt;
    MainWindow w(nullptr, &prompt, dir.filePath(QStringLiteral("config.ini")));
    w.show();
    QVERIFY(TestSupport::WindowFixture::connectTo(w, QStringLiteral("Kestrova Alder-4")));
    FirmwareUpgradeDialog *dialog = w.firmwareUpgrade()->dialog();
    dialog->job()->setTimings(quickFinish());
    w.firmwareUpgrade()->showDialog();
    const auto button = [dialog](const char *name) { return dialog->findChild<QPushButton *>(QLatin1String(name)); };
    const auto startSending = [&] {
        QVERIFY(dialog->prioritizeBootloaderDevice(false));
        const int versions = dialog->logText().count(QStringLiteral("Current Firmware: V2.0.3"));
        button("connectButton")->click();
        QTRY_COMPARE(dialog->logText().count(QStringLiteral("Current Firmware: V2.0.3")), versions + 1);
        prompt.answerNextFile(path);
        button("openFileButton")->click();
        button("upgradeButton")->click();
        QTRY_COMPARE(dialog->upgradeState(), int(FirmwareUpgradeJob::Sending));
    };
    startSending();
    if (QTest::currentTestFailed())
        return;
    // The dialog took the port; the window let go of its device first.
    QVERIFY(w.connectedDeviceName().isEmpty());
    QVERIFY(!w.session()->isOpen());

    const int requests = m_server.requestedPaths().size();
    w.firmwareUpgrade()->checkOnline(QStringLiteral("Alder-4"), QStringLiteral("V1.0"));
    prompt.answerNext(Prompt::No);
    TestSupport::WindowFixture::connectButton(w)->click();
    prompt.answerNext(Prompt::No);
    button("closeButton")->click();
    QCOMPARE(prompt.texts().count(FirmwareUpgradeDialog::StopQuestion), 2);
    QTest::qWait(500); // the window's check would have asked the server by now
    QCOMPARE(dialog->upgradeState(), int(FirmwareUpgradeJob::Sending));
    QVERIFY(dialog->isVisible());
    QCOMPARE(m_server.requestedPaths().size(), requests);
    QTRY_VERIFY_WITH_TIMEOUT(prompt.lastText() == QStringLiteral("Upgrade successful, please power on the device again."),
                             30000);
    QCOMPARE(sentAfterErase(boot->simulator()), bytes);
    QVERIFY(!w.session()->serialPort()->isOpen());

    startSending();
    if (QTest::currentTestFailed())
        return;
    button("closeButton")->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->upgradeState(), int(FirmwareUpgradeJob::Idle));
    QVERIFY(!w.session()->serialPort()->isOpen());
    const int shown = prompt.shown().size();
    QTest::qWait(300);
    QCOMPARE(prompt.shown().size(), shown);
}

QTEST_MAIN(tst_OnlineUpgrade)
#include "tst_onlineupgrade.moc"
