#include "app/mainwindow.h"
#include "httpstestserver.h"
#include "network/updateserver.h"
#include "update/appupdater.h"
#include "widgets/aboutdialog.h"
#include "tests/support/scriptedprompt.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Response = HttpsTestServer::Response;

namespace {
// The update text of the platform the test runs on.
const QString TextPath = QStringLiteral("/download/Product/Velmora/Update/Velmora_Update_%1.txt")
                             .arg(UpdateInfo::currentPlatform() == UpdateInfo::Platform::Windows ? "Win" : "Linux");
const QString UpToDate = QStringLiteral("Your software is already up to date. Current version: V2.0.1 No update is "
                                        "required.");

Response text(const QByteArray &body)
{
    Response response;
    response.body = body;
    response.contentType = "text/plain; charset=utf-8";
    return response;
}
} // namespace

class TestAppUpdate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void menuCheck_data();
    void menuCheck();
    void download_data();
    void download();
    void cancelDuringDownloadLeavesNothing();
    void startupCheckIsSilentUnlessNewer();
    void aboutDragsOnlyByItsBarAndOpensTheSite();

private:
    UpdateCheckDialog *runMenuCheck(UpdateCheckDialog::Outcome expected);

    HttpsTestServer m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<AppUpdater> m_updater;
    QStringList m_opened;
    bool m_installerStarts = true;
};

void TestAppUpdate::initTestCase()
{
    qRegisterMetaType<UpdateCheckDialog::Outcome>();
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestAppUpdate::init()
{
    qputenv(UpdateServer::ServerVariable, m_server.baseUrl().toString().toUtf8());
    qputenv(UpdateServer::CaFileVariable, m_server.caFile().toUtf8());
    m_dir = std::make_unique<QTemporaryDir>();
    m_window = std::make_unique<QWidget>();
    m_prompt = std::make_unique<ScriptedPrompt>();
    m_updater = std::make_unique<AppUpdater>(m_prompt.get(), m_dir->filePath(QStringLiteral("config.ini")),
                                             QStringLiteral("V2.0.1"), m_window.get());
    m_updater->setDownloadDirectory(m_dir->filePath(QStringLiteral("downloads")));
    m_opened.clear();
    m_installerStarts = true;
    // The "installer" is a shell script that leaves a marker beside itself.
    m_updater->setInstallerOpener([this](const QString &path) {
        m_opened << path;
        return m_installerStarts && QProcess::startDetached(QStringLiteral("/bin/sh"), {path});
    });
}

void TestAppUpdate::cleanup()
{
    m_updater.reset();
    m_window.reset();
}

UpdateCheckDialog *TestAppUpdate::runMenuCheck(UpdateCheckDialog::Outcome expected)
{
    UpdateCheckDialog *dialog = m_updater->check(UpdateCheckDialog::Menu);
    QSignalSpy finished(dialog, &UpdateCheckDialog::checkFinished);
    if (!finished.wait(10000) || finished.first().first().value<UpdateCheckDialog::Outcome>() != expected)
        return nullptr;
    return m_updater->dialog();
}

void TestAppUpdate::menuCheck_data()
{
    QTest::addColumn<Response>("response");
    QTest::addColumn<QString>("serverSetting"); // replaces the environment's when set
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("status");  // the dialog's text, which stays open; empty: dialog gone
    QTest::addColumn<QString>("box");     // the "Version Check" box, if any

    QTest::newRow("equal") << text("Velmora_V2.0.1\nUpdate content: none") << QString()
                           << int(UpdateCheckDialog::UpToDate) << QString() << UpToDate;
    QTest::newRow("newer") << text("Velmora_V2.0.10\nUpdate content:\n- Faster routing") << QString()
                           << int(UpdateCheckDialog::UpdateAvailable)
                           << "The current version is: V2.0.1\nA new version is available: Velmora_V2.0.10\n\n"
                              "Update Content:\n- Faster routing"
                           << QString();
    QTest::newRow("no version") << text("\nVelmora_V9.0\n") << QString() << int(UpdateCheckDialog::NoVersionInfo)
                                << "Update check finished, but no version info found." << QString();
    Response missing;
    missing.status = 404;
    QTest::newRow("404") << missing << QString() << int(UpdateCheckDialog::CheckFailed)
                         << "Update file download failed: The server answered 404 Not Found for " << QString();
    QTest::newRow("plain http refused") << text("Velmora_V9.0") << "http://127.0.0.1:1"
                                        << int(UpdateCheckDialog::CheckFailed)
                                        << "Update file download failed: The update server address "
                                           "\"http://127.0.0.1:1\" is refused: only https://"
                                        << QString();
}

void TestAppUpdate::menuCheck()
{
    QFETCH(Response, response);
    QFETCH(QString, serverSetting);
    QFETCH(int, outcome);
    QFETCH(QString, status);
    QFETCH(QString, box);

    m_server.setResponse(TextPath, response);
    if (!serverSetting.isEmpty())
        qputenv(UpdateServer::ServerVariable, serverSetting.toUtf8());
    const int requestsBefore = m_server.requestedPaths().size();
    QPointer<UpdateCheckDialog> dialog = m_updater->check(UpdateCheckDialog::Menu);
    QVERIFY(dialog->isVisible()); // the user who asked sees the check running
    QCOMPARE(dialog->statusText(), QStringLiteral("Checking update information..."));
    QSignalSpy finished(dialog.data(), &UpdateCheckDialog::checkFinished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().first().value<UpdateCheckDialog::Outcome>(), UpdateCheckDialog::Outcome(outcome));
    QCOMPARE(m_server.requestedPaths().size() - requestsBefore, serverSetting.isEmpty() ? 1 : 0);

    QCOMPARE(m_prompt->shown().size(), box.isEmpty() ? 0 : 1);
    if (!box.isEmpty()) {
        QCOMPARE(m_prompt->shown().first().title, QStringLiteral("Version Check"));
        QCOMPARE(m_prompt->lastText(), box);
    }
    if (status.isEmpty()) {
        QTRY_VERIFY(!dialog);
        return;
    }
    QVERIFY(dialog && dialog->isVisible());
    QVERIFY2(dialog->statusText().startsWith(status), qPrintable(dialog->statusText()));
    auto *download = dialog->findChild<QPushButton *>(QStringLiteral("downloadButton"));
    QCOMPARE(download->isEnabled(), outcome == UpdateCheckDialog::UpdateAvailable);
    QCOMPARE(dialog->windowTitle(), outcome == UpdateCheckDialog::UpdateAvailable ? QStringLiteral("Update Available")
                                                                                  : QStringLiteral("Checking Update..."));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
    QTRY_VERIFY(!dialog);
}

void TestAppUpdate::download_data()
{
    QTest::addColumn<QByteArray>("shaLine");
    QTest::addColumn<qint64>("cutAfter");
    QTest::addColumn<bool>("started");
    QTest::addColumn<QString>("reason");

    QTest::newRow("complete") << QByteArray() << qint64(-1) << true << QString();
    QTest::newRow("complete, matching sha") << QByteArray("match") << qint64(-1) << true << QString();
    QTest::newRow("cut mid-body") << QByteArray() << qint64(30) << false
                                  << "Update download failed: The download of ";
    QTest::newRow("wrong sha") << QByteArray(64, 'b') << qint64(-1) << false
                               << "The downloaded installer does not match the SHA-256 checksum";
    QTest::newRow("unreadable sha line") << QByteArray("1234") << qint64(-1) << false
                                         << "The update information carries a SHA256 line that is not 64";
    // The whole, verified file stays where the message says.
    QTest::newRow("installer does not start") << QByteArray() << qint64(-1) << false
                                              << "The installer was downloaded to ";
}

// From "Update Available" through "Download" to the installer: only a whole,
// verified file is ever handed on; a failure says why and leaves no file.
void TestAppUpdate::download()
{
    QFETCH(QByteArray, shaLine);
    QFETCH(qint64, cutAfter);
    QFETCH(bool, started);
    QFETCH(QString, reason);

    const QString marker = m_dir->filePath(QStringLiteral("installed"));
    const bool refuseToStart = QByteArray(QTest::currentDataTag()) == "installer does not start";
    m_installerStarts = !refuseToStart;
    Response installer;
    installer.body = "#!/bin/sh\necho installed > '" + marker.toUtf8() + "'\n" + QByteArray(2000, '#') + '\n';
    installer.cutAfter = cutAfter;
    if (shaLine == "match")
        shaLine = QCryptographicHash::hash(installer.body, QCryptographicHash::Sha256).toHex();
    const QString installerPath = UpdateInfo::installerPath(UpdateInfo::currentPlatform(), QStringLiteral("2.1.0"));
    m_server.setResponse(installerPath, installer);
    m_server.setResponse(TextPath, text("Velmora_V2.1.0\n" + (shaLine.isEmpty() ? QByteArray() : "SHA256: " + shaLine + '\n')
                                        + "Update content:\nNew things"));

    QPointer<UpdateCheckDialog> dialog = runMenuCheck(UpdateCheckDialog::UpdateAvailable);
    QVERIFY(dialog);
    QVERIFY(!dialog->statusText().contains(QLatin1String("SHA256")));
    QSignalSpy startedSpy(dialog.data(), &UpdateCheckDialog::installerStarted);
    QSignalSpy failedSpy(dialog.data(), &UpdateCheckDialog::downloadFailed);
    auto *downloadButton = dialog->findChild<QPushButton *>(QStringLiteral("downloadButton"));
    QTest::mouseClick(downloadButton, Qt::LeftButton);

    const QDir downloads(m_dir->filePath(QStringLiteral("downloads")));
    if (started) {
        QTRY_COMPARE(startedSpy.count(), 1);
        QTRY_VERIFY(QFile::exists(marker));
        QCOMPARE(m_opened, QStringList{downloads.filePath(QStringLiteral("2.1.0") + QFileInfo(installerPath).suffix().prepend(QLatin1Char('.')))});
        QTRY_VERIFY(!dialog); // accepted
        return;
    }
    QTRY_COMPARE(failedSpy.count(), 1);
    QVERIFY(dialog->isVisible());
    QVERIFY2(dialog->statusText().startsWith(reason), qPrintable(dialog->statusText()));
    QVERIFY(!dialog->findChild<QProgressBar *>()->isVisible());
    QCOMPARE(downloads.entryList(QDir::Files | QDir::Hidden).size(), refuseToStart ? 1 : 0);
    QCOMPARE(m_opened.size(), refuseToStart ? 1 : 0);
    QVERIFY(startedSpy.isEmpty());
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
    QTRY_VERIFY(!dialog);
    QVERIFY(!QFile::exists(marker));
}

void TestAppUpdate::cancelDuringDownloadLeavesNothing()
{
    Response installer;
    installer.body = QByteArray(100000, 'x');
    installer.stallAfter = 50000;
    m_server.setResponse(UpdateInfo::installerPath(UpdateInfo::currentPlatform(), QStringLiteral("3.0")), installer);
    m_server.setResponse(TextPath, text("Velmora_V3.0\nUpdate content: big"));

    QPointer<UpdateCheckDialog> dialog = runMenuCheck(UpdateCheckDialog::UpdateAvailable);
    QVERIFY(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("downloadButton")), Qt::LeftButton);
    QCOMPARE(dialog->statusText(), QStringLiteral("Downloading update, please wait..."));
    auto *bar = dialog->findChild<QProgressBar *>();
    QVERIFY(bar->isVisible());
    QTRY_COMPARE(bar->value(), 50);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cancelButton")), Qt::LeftButton);
    QTRY_VERIFY(!dialog);
    QVERIFY(QDir(m_dir->filePath(QStringLiteral("downloads"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
    QVERIFY(m_opened.isEmpty());
}

// The window's own start-up check: nothing at all when up to date, the
// offer when newer, and never a box.
void TestAppUpdate::startupCheckIsSilentUnlessNewer()
{
    for (const bool newer : {false, true}) {
        m_server.setResponse(TextPath, text(newer ? "Velmora_V2.1\nUpdate content: n" : "Velmora_V2.0.1\n"));
        const int requestsBefore = m_server.requestedPaths().count(TextPath);
        ScriptedPrompt prompt;
        MainWindow window(nullptr, &prompt, m_dir->filePath(QStringLiteral("config.ini")));
        QSignalSpy started(window.updater(), &AppUpdater::checkStarted);
        QVERIFY(started.wait(10000));
        QPointer<UpdateCheckDialog> dialog = window.updater()->dialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->mode(), UpdateCheckDialog::Silent);
        QVERIFY(!dialog->isVisible());
        QSignalSpy finished(dialog.data(), &UpdateCheckDialog::checkFinished);
        QVERIFY(finished.wait(10000));
        QCOMPARE(m_server.requestedPaths().count(TextPath), requestsBefore + 1);
        QVERIFY(prompt.shown().isEmpty());
        if (newer) {
            QVERIFY(dialog && dialog->isVisible());
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Update Available"));
        } else {
            QTRY_VERIFY(!dialog);
        }
    }
    // A failing server is just as quiet.
    Response failing;
    failing.status = 500;
    m_server.setResponse(TextPath, failing);
    ScriptedPrompt prompt;
    MainWindow window(nullptr, &prompt, m_dir->filePath(QStringLiteral("config.ini")));
    QSignalSpy started(window.updater(), &AppUpdater::checkStarted);
    QVERIFY(started.wait(10000));
    QPointer<UpdateCheckDialog> dialog = window.updater()->dialog();
    QSignalSpy finished(dialog.data(), &UpdateCheckDialog::checkFinished);
    QVERIFY(finished.wait(10000));
    QTRY_VERIFY(!dialog);
    QVERIFY(prompt.shown().isEmpty());

    // The Help menu's entries reach the same check, shown, and the About box.
    window.findChild<QAction *>(QStringLiteral("actionCheckForUpdate"))->trigger();
    QCOMPARE(window.updater()->dialog()->mode(), UpdateCheckDialog::Menu);
    QVERIFY(window.updater()->dialog()->isVisible());
    window.findChild<QAction *>(QStringLiteral("actionAbout"))->trigger();
    auto *about = window.findChild<AboutDialog *>();
    QVERIFY(about && about->isVisible() && about->isModal());
}

void TestAppUpdate::aboutDragsOnlyByItsBarAndOpensTheSite()
{
    AboutDialog about(nullptr, QStringLiteral("V2.0.1"));
    QList<QUrl> opened;
    about.setUrlOpener([&opened](const QUrl &url) { opened << url; return true; });
    about.move(200, 200);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(about.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(about.findChild<QLabel *>(QStringLiteral("versionLabel"))->text(), QStringLiteral("Version: V2.0.1"));

    const auto drag = [&about](QPoint from, QPoint by) {
        QMouseEvent press(QEvent::MouseButtonPress, from, about.mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&about, &press);
        const QPoint to = from + by;
        QMouseEvent move(QEvent::MouseMove, to, about.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&about, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, to, about.mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(&about, &release);
    };
    const QPoint start = about.pos();
    drag(QPoint(50, 10), QPoint(30, 15)); // in the bar
    QCOMPARE(about.pos(), start + QPoint(30, 15));
    // From the content up into the bar: the window must not jump.
    drag(QPoint(50, 100), QPoint(0, -85));
    QCOMPARE(about.pos(), start + QPoint(30, 15));
    // A drag that leaves the bar stops following.
    drag(QPoint(50, 10), QPoint(0, 40));
    QCOMPARE(about.pos(), start + QPoint(30, 15));

    QLabel *link = about.linkLabel();
    QVERIFY(link->text().contains(AboutDialog::MakerSite.toString()));
    emit link->linkActivated(AboutDialog::MakerSite.toString());
    QCOMPARE(opened, QList<QUrl>{AboutDialog::MakerSite});

    QSignalSpy accepted(&about, &QDialog::accepted);
    QTest::mouseClick(about.findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);
}

QTEST_MAIN(TestAppUpdate)
#include "tst_appupdate.moc"
