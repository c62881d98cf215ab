// Where the settings file lives, and how the "config.ini" that earlier
// versions kept in the working directory is taken over.
#include "app/appsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray NoFile = "<none>";
const QByteArray Folder = "<folder>";

void put(const QString &path, const QByteArray &content)
{
    if (content == NoFile)
        return;
    if (content == Folder) {
        QVERIFY(QDir().mkpath(path));
        return;
    }
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : NoFile;
}

} // namespace

Q_DECLARE_METATYPE(AppSettings::TakeOver)

class TestAppSettings : public QObject
{
    Q_OBJECT

private slots:
    void livesInPerUserFolder();
    void takesOverLegacyFileOnce_data();
    void takesOverLegacyFileOnce();
};

void TestAppSettings::livesInPerUserFolder()
{
    QTemporaryDir home, xdg, work;
    QVERIFY(home.isValid() && xdg.isValid() && work.isValid());
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg.path()));
    QCOMPARE(AppSettings::defaultPath(), xdg.filePath("Velmora/config.ini"));
    qunsetenv("XDG_CONFIG_HOME");
    const QString userFile = home.filePath(".config/Velmora/config.ini");
    QCOMPARE(AppSettings::defaultPath(), userFile);

    // A first start from any folder: the settings go to the fresh home's
    // configuration folder, nothing to the working directory.
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    QCOMPARE(AppSettings::legacyPath(), work.filePath("config.ini"));
    {
        AppSettings settings;
        settings.load();
        QVERIFY(settings.setSelectedMidiName(QStringLiteral("C3")));
    }
    QVERIFY(QDir::setCurrent(before));
    QVERIFY(!QFile::exists(work.filePath("config.ini")));
    QSettings written(userFile, QSettings::IniFormat);
    QCOMPARE(written.value("selectedMIDIName").toString(), QString("C3"));
    QCOMPARE(written.value("showCCNameEnabled").toBool(), true);
}

void TestAppSettings::takesOverLegacyFileOnce_data()
{
    QTest::addColumn<QByteArray>("legacy");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<AppSettings::TakeOver>("result");
    QTest::addColumn<int>("octave");
    QTest::addColumn<bool>("showCC");

    const QByteArray legacyC5 = "[General]\nselectedMIDIName=C5\nshowCCNameEnabled=false\n";
    QTest::newRow("legacy settings kept") << legacyC5 << NoFile << AppSettings::TakeOver::TakenOver << 5 << false;
    QTest::newRow("per-user file wins") << legacyC5 << QByteArray("[General]\nselectedMIDIName=C3\n")
                                        << AppSettings::TakeOver::NotNeeded << 3 << true;
    QTest::newRow("fresh start") << NoFile << NoFile << AppSettings::TakeOver::NoLegacyFile << 4 << true;
    QTest::newRow("legacy path is a folder") << Folder << NoFile << AppSettings::TakeOver::NoLegacyFile << 4 << true;
    QTest::newRow("empty legacy file") << QByteArray() << NoFile << AppSettings::TakeOver::NoLegacyFile << 4 << true;
    // Taken over as it was; the usual repair then makes it "C4".
    QTest::newRow("bad note name") << QByteArray("selectedMIDIName=C9\nshowCCNameEnabled=false\n") << NoFile
                                   << AppSettings::TakeOver::TakenOver << 4 << false;
    QTest::newRow("not an INI file") << QByteArray("\xff\xfe\x00[[=\x01\n\x00garbage", 16) << NoFile
                                     << AppSettings::TakeOver::Failed << 4 << true;
    QTest::newRow("per-user folder cannot be made") << legacyC5 << QByteArray("<blocked>")
                                                    << AppSettings::TakeOver::Failed << 4 << true;
}

void TestAppSettings::takesOverLegacyFileOnce()
{
    QFETCH(QByteArray, legacy);
    QFETCH(QByteArray, user);
    QFETCH(AppSettings::TakeOver, result);
    QFETCH(int, octave);
    QFETCH(bool, showCC);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString legacyPath = dir.filePath("work/config.ini");
    QString userPath = dir.filePath("config/Velmora/config.ini");
    QVERIFY(QDir().mkpath(dir.filePath("work")));
    put(legacyPath, legacy);
    if (user == "<blocked>") {
        put(dir.filePath("blocker"), "a file where the folder should be");
        userPath = dir.filePath("blocker/Velmora/config.ini");
    } else {
        put(userPath, user);
    }

    QString error;
    QCOMPARE(AppSettings::takeOverLegacyFile(legacyPath, userPath, &error), result);
    QCOMPARE(error.isEmpty(), result != AppSettings::TakeOver::Failed);
    if (result == AppSettings::TakeOver::TakenOver) {
        // Once only: later changes to the legacy file are not read again.
        put(legacyPath, "[General]\nselectedMIDIName=C3\nshowCCNameEnabled=true\n");
        QCOMPARE(AppSettings::takeOverLegacyFile(legacyPath, userPath), AppSettings::TakeOver::NotNeeded);
    } else {
        QCOMPARE(contentOf(legacyPath), legacy == Folder ? NoFile : legacy);
    }

    AppSettings settings(userPath);
    settings.load();
    QCOMPARE(settings.middleCOctave(), octave);
    QCOMPARE(settings.showCCName(), showCC);
}

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
