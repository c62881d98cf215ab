// Online firmware against a real HTTPS server on 127.0.0.1 (its authority
// made for this run) and a simulated device on a pseudo-terminal: the
// dialog's check, download and retries; images that are not whole or not
// binary are never written; and the main window's path from "Update
// Available" through the bootloader to the success box.
#include "../support/httpstestserver.h"
#include "../support/simulateddevice.h"
#include "app/mainwindow.h"
#include "device/devicesession.h"
#include "device/devicewatcher.h"
#include "device/serialport.h"
#include "device/vocabulary.h"
#include "mapping/mappingpage.h"
#include "network/updateserver.h"
#include "simulator/devicesimulator.h"
#include "upgrade/ui/firmwareupgradefeature.h"
#include "upgrade/ui/upgrade_dialog.h"
#include "tests/support/scriptedprompt.h"

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

} // namespace

class tst_OnlineUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void dialogCheck_data();
    void dialogCheck();
    void unsupportedModelMakesNoRequest();
    void mainWindowPath();

private:
    [[nodiscard]] UpdateServer server() const;
    HttpsTestServer m_server;
};

void tst_OnlineUpgrade::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
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
    upgrade_dialog dialog(&port, &watcher, &prompt, nullptr, fast);
    dialog.online()->setServer(server());

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
    upgrade_dialog dialog(&port, &watcher, &prompt);
    dialog.online()->setServer(server());
    const int requestsBefore = m_server.requestedPaths().size();
    QVERIFY(dialog.prioritizeBootloaderDevice(true));
    QTRY_VERIFY(dialog.logText().contains(QStringLiteral("Online update not supported for this device.")));
    QTest::qWait(200);
    QCOMPARE(m_server.requestedPaths().size(), requestsBefore);
    QCOMPARE(dialog.upgradeState(), int(FirmwareUpgradeJob::Connected));
}

void tst_OnlineUpgrade::mainWindowPath()
{
    m_server.setResponses(TextPath, {NewerText});
    m_server.setResponses(ImagePath, {image()});
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    auto device = TestSupport::startDevice(QStringLiteral("Kestrova Alder-4"));
    QVERIFY(device);
    device->simulator()->setEraseDelayMs(20);
    MainWindow w(nullptr, &prompt, dir.filePath(QStringLiteral("config.ini")));
    w.show();

    QComboBox *devices = w.deviceCombo();
    QTRY_VERIFY(devices->findText(QStringLiteral("Kestrova Alder-4")) >= 0);
    devices->setCurrentIndex(devices->findText(QStringLiteral("Kestrova Alder-4")));
    auto *mappingNumber = w.mappingPage()->findChild<QComboBox *>(QStringLiteral("mappingNumberCombo"));
    QVERIFY(mappingNumber);
    w.findChild<QPushButton *>(QStringLiteral("connectButton"))->click();
    QVERIFY(w.session()->isOpen());
    QVERIFY(w.session()->onlineCheckRequested());
    mappingNumber->setCurrentIndex(5);

    QSignalSpy handOff(w.firmwareUpgrade(), &FirmwareUpgradeFeature::handOffStarted);
    QTRY_VERIFY_WITH_TIMEOUT(handOff.count() == 1, 15000);
    QCOMPARE(prompt.shown().first().title, QStringLiteral("Update Available"));
    QVERIFY(prompt.shown().first().text.startsWith(QStringLiteral("The current version is Alder-4_V1.2.0\n"
                                                                  "A new version is available: Alder-4_V1.3.0")));
    QVERIFY(device->simulator()->isBootloader());

    QTRY_VERIFY_WITH_TIMEOUT(prompt.shown().last().title == QStringLiteral("Upgrade"), 20000);
    QCOMPARE(prompt.shown().last().text, QStringLiteral("Upgrade successful, please power on the device again."));
    QCOMPARE(device->simulator()->receivedImage(), firmware());
    QVERIFY2(prompt.shown().size() == 2, qPrintable(prompt.texts().join(QStringLiteral(" | "))));
    // The window let go of the running device; the hand-off left the mapping
    // number alone and the online check is done.
    QVERIFY(w.connectedDeviceName().isEmpty());
    QCOMPARE(w.findChild<QPushButton *>(QStringLiteral("connectButton"))->text(), QStringLiteral("Connect"));
    QCOMPARE(mappingNumber->currentIndex(), 5);
    QVERIFY(!w.session()->onlineCheckRequested());
    QVERIFY(!w.firmwareUpgrade()->isSearchingBootloader());
}

QTEST_MAIN(tst_OnlineUpgrade)
#include "tst_onlineupgrade.moc"
