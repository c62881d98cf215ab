// The configuration file on its own: the writer against golden files written
// from the format rules, the reader's checks, and saving that never loses the
// old file.
#include "configfile/configreader.h"
#include "configfile/configsaver.h"
#include "configfile/configtranslation.h"
#include "configfile/configwriter.h"
#include "configfile/savename.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cstdio>

using namespace ConfigFile;
using Routing::Port;
using Routing::Route;

Q_DECLARE_METATYPE(ConfigFile::Document)
Q_DECLARE_METATYPE(ConfigFile::Saver::Error)

namespace {

constexpr Port In(int n) { return {Routing::FivePin, n}; }
constexpr Port Out(int n) { return {Routing::FivePin, n}; }
constexpr Port Host(int n) { return {Routing::UsbHost, n}; }
constexpr Port Dev(int n) { return {Routing::UsbDevice, n}; }

QByteArray golden(const char *name)
{
    QFile file(QStringLiteral(VELMORA_GOLDEN_DIR "/%1").arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

Document emptyDocument()
{
    Document doc;
    doc.feedbackMappings.resize(MappingRecordCount);
    return doc;
}

MappingRecord record(std::initializer_list<int> head, const QByteArray &payload, std::initializer_list<int> mapped,
                     const QByteArray &extra, bool enable)
{
    MappingRecord r;
    std::uint8_t *h[] = {&r.portMaskLow, &r.portMaskMiddle, &r.portMaskHigh, &r.reservedA, &r.reservedB, &r.numberByte, &r.originalType, &r.originalChannel, &r.originalData1Position, &r.originalData2Position, &r.payloadLength};
    std::uint8_t *m[] = {&r.mappedType, &r.mappedChannel, &r.mappedData1Source, &r.mappedData1Position, &r.mappedData2Source, &r.mappedData2Position, &r.extraDataLength};
    int i = 0;
    for (int v : head)
        *h[i++] = std::uint8_t(v);
    i = 0;
    for (int v : mapped)
        *m[i++] = std::uint8_t(v);
    r.payload = payload;
    r.extraData = extra;
    r.enable = enable;
    return r;
}

ReadResult readJson(const char *json)
{
    return read(QByteArray(json));
}

// Run as a child by killedWriterKeepsOldFile: starts saving a large file,
// says so after the first chunk, and waits to be killed mid-write.
int writeAndStall(const QString &path)
{
    Saver saver;
    const bool saved = saver.save(path, QByteArray(4 * 1024 * 1024, 'x'), [](qint64 written, qint64) {
        if (written == Saver::ChunkSize) {
            std::fputs("writing\n", stdout);
            std::fflush(stdout);
            QThread::sleep(60);
        }
    });
    return saved ? 0 : 1;
}

} // namespace

class TestConfigFile : public QObject
{
    Q_OBJECT

private slots:
    void goldenFiles_data();
    void goldenFiles();
    void routesFromNames_data();
    void routesFromNames();
    void recordsCorrectedAndPadded();
    void absentMembersLeaveThingsAlone();
    void badFilesAreRefusedWhole_data();
    void badFilesAreRefusedWhole();
    void unreadableFiles_data();
    void unreadableFiles();
    void saveReplacesWhole();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void killedWriterKeepsOldFile();
    void hubCountShowsEveryUsbPortTheFileUses_data();
    void hubCountShowsEveryUsbPortTheFileUses();
    void suggestsNameInFolderThatExists_data();
    void suggestsNameInFolderThatExists();
};

void TestConfigFile::goldenFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Document>("document");

    QTest::newRow("empty") << "empty.ref" << emptyDocument();

    Document two = emptyDocument();
    two.model = "Alder-4";
    // The most recently added destination is listed first.
    two.routeMap.insert(In(1), Dev(1));
    two.routeMap.insert(In(1), Out(2));
    Filter::Bytes in1{};
    in1[0] = 1;    // channel 15
    in1[3] = 65;   // Note On, System Exclusive
    in1[22] = 1;   // CC 0
    in1[24] = 127; // every realtime message
    two.listFiltering = {{"MIDI IN1", in1}, {"USB HOST OUT2", {}}};
    two.boxStates = {{"channel15Box", true}, {"noteOnBox", true}, {"systemExclusiveBox", true},
                     {"controller0Box", true}, {"channel16Box", false}, {"not a box", true}};
    QTest::newRow("two routes from MIDI IN 1") << "two-routes-from-midi-in-1.ref" << two;

    Document names = emptyDocument();
    names.routeMap.insert(In(2), Host(3));
    names.routeMap.insert(In(10), Out(1));
    names.routeMap.insert(Host(1), Dev(1));
    names.routeMap.insert(Dev(1), Out(4));
    names.routeMap.insert(Port{7, 1}, Out(1)); // a kind without a name is not written
    QTest::newRow("MIDI IN 10 before MIDI IN 2") << "midi-in-10-and-2.ref" << names;

    Document sysex = emptyDocument();
    sysex.model = "Cedar-6";
    sysex.feedbackMappings[1] = record({1, 0, 0, 0, 0, 0x41, 0x0F, 17, 1, 1, 3}, QByteArray::fromHex("f07ff7"),
                                       {0x09, 1, 0, 1, 0, 3, 5}, QByteArray::fromHex("90007f007f"), true);
    QTest::newRow("SysEx payload") << "sysex-payload.ref" << sysex;

    Document all = emptyDocument();
    all.model = "Alder-4";
    for (int i = 0; i < MappingRecordCount; ++i) {
        all.feedbackMappings[i] = record({i, (i * 3) & 0x7F, i % 4, 0, 0, 0x40 | i, 0x09, i % 16 + 1, 1, 3, 5},
                                         bytes({0x90 | (i % 16), 0, 127, i, 127}), {0x0B, 17, 1, 1, 2, 3, 5},
                                         bytes({0xB0, i, 100, 0, 127}), i != 0);
    }
    QTest::newRow("all 17 records") << "all-mappings.ref" << all;
}

void TestConfigFile::goldenFiles()
{
    QFETCH(QString, file);
    QFETCH(Document, document);
    const QByteArray expected = golden(qPrintable(file));
    QVERIFY(!expected.isEmpty());
    const QByteArray written = write(document);
    if (written != expected) {
        const QList<QByteArray> a = written.split('\n'), b = expected.split('\n');
        for (int i = 0; i < qMin(a.size(), b.size()); ++i)
            QVERIFY2(a.at(i) == b.at(i), qPrintable(QStringLiteral("line %1: %2 | %3").arg(i + 1).arg(
                                             QString::fromUtf8(a.at(i)), QString::fromUtf8(b.at(i)))));
        QCOMPARE(a.size(), b.size());
    }

    // Reading the file back and saving what was read gives the same bytes.
    const ReadResult result = read(expected);
    QVERIFY2(result.ok(), qPrintable(result.errorString()));
    QCOMPARE(result.import.feedbackMappings.size(), MappingRecordCount);
    QCOMPARE(write(toDocument(result.import)), expected);
}

void TestConfigFile::routesFromNames_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QVector<Route>>("routes");

    QTest::newRow("kinds on both sides")
        << QByteArray(R"({"USB HOST 2": ["USB HOST 3", "USB Device 1", "MIDI OUT 4"], "USB Device 1": ["USB HOST 1"]})")
        << QVector<Route>{{Dev(1), Host(1)}, {Host(2), Host(3)}, {Host(2), Dev(1)}, {Host(2), Out(4)}};
    QTest::newRow("members by name, listed once")
        << QByteArray(R"({"MIDI IN 2": ["MIDI OUT 1", "MIDI OUT 1"], "MIDI IN 10": ["MIDI OUT 2"]})")
        << QVector<Route>{{In(10), Out(2)}, {In(2), Out(1)}};
    QTest::newRow("numbers that name no port")
        << QByteArray(R"({"MIDI IN 0": ["MIDI OUT 1"], "MIDI IN x": ["MIDI OUT 1"], "MIDI IN 128": ["MIDI OUT 1"],
                          "MIDI IN ": ["MIDI OUT 1"], "MIDI IN -1": ["MIDI OUT 1"], "MIDI IN 1": ["MIDI OUT 0",
                          "MIDI OUT 2a", "", "MIDI IN 2", "MIDI OUT 127"]})")
        << QVector<Route>{{In(1), Out(127)}};
    QTest::newRow("the kind's text anywhere in the name")
        << QByteArray(R"({"my MIDI IN 3": ["MIDI OUT 3"], "MIDI IN 4": ["xMIDI OUT 1"]})")
        << QVector<Route>{};
    QTest::newRow("arrays that are not routes") << QByteArray(R"({"foo": [1, {}], "tableData": [1, "x"]})")
                                                << QVector<Route>{};
}

void TestConfigFile::routesFromNames()
{
    QFETCH(QByteArray, json);
    QFETCH(QVector<Route>, routes);
    const ReadResult result = read(json);
    QVERIFY2(result.ok(), qPrintable(result.errorString()));
    QCOMPARE(result.import.routes, routes);
}

void TestConfigFile::recordsCorrectedAndPadded()
{
    const ReadResult result = readJson(R"({"feedbackMappings": [
        {"mm": 5, "payload": [240, 127, 247], "tt": 2, "extraData": [1, 2, 3, 4]},
        {"mm": 0, "payload": [1, 2], "tt": 255, "extraData": [1], "hh6": 65, "enable": true},
        {}]})");
    QVERIFY2(result.ok(), qPrintable(result.errorString()));
    const QVector<MappingRecord> &records = result.import.feedbackMappings;
    QCOMPARE(records.size(), MappingRecordCount);
    QCOMPARE(int(records[0].payloadLength), 3);
    QCOMPARE(int(records[0].extraDataLength), 4);
    QCOMPARE(int(records[1].payloadLength), 0);
    QCOMPARE(int(records[1].extraDataLength), 255);
    QCOMPARE(int(records[1].numberByte), 65);
    QVERIFY(records[1].enable);
    for (int i = 2; i < MappingRecordCount; ++i)
        QVERIFY(records[i].isEmpty());
}

void TestConfigFile::absentMembersLeaveThingsAlone()
{
    // A byte-order mark in front is not held against the file.
    ReadResult result = read("\xEF\xBB\xBF" R"({"c3": true, "noteoff": false, "unknown": 5})");
    QVERIFY2(result.ok(), qPrintable(result.errorString()));
    QVERIFY(!result.import.listFiltering);
    QCOMPARE(result.import.boxStates, (QHash<QString, bool>{{"controller3Box", true}, {"noteOffBox", false}}));
    QCOMPARE(result.import.feedbackMappings.size(), MappingRecordCount);

    result = readJson(R"({"listFiltering": [{"portName": "", "situations": {"jj": 1}}, {"situations": {}},
                         {"portName": "MIDI OUT3", "situations": {"kk19": 3, "mm": -2, "x": "y"}},
                         {"portName": "MIDI IN1"}]})");
    QVERIFY2(result.ok(), qPrintable(result.errorString()));
    Filter::Bytes out3{};
    out3[22] = 3;
    out3[24] = -2;
    QCOMPARE(*result.import.listFiltering, (QVector<FilterEntry>{{"MIDI OUT3", out3}, {"MIDI IN1", {}}}));

    // Any port name survives writing and reading, escapes and all.
    Document doc = emptyDocument();
    doc.listFiltering = {{QString::fromUtf8("A\"\\/\n\t\x01\x7f \xc3\xbc\xe2\x82\xac\xf0\x9f\x98\x80"), out3}};
    result = read(write(doc));
    QVERIFY2(result.ok(), qPrintable(result.errorString()));
    QCOMPARE(*result.import.listFiltering, doc.listFiltering);
    QCOMPARE(read(R"({"listFiltering": [{"portName": "MIDI \u0049N1 \ud83d\ude00"}]})").import.listFiltering->first().portName,
             QString::fromUtf8("MIDI IN1 \xf0\x9f\x98\x80"));
}

void TestConfigFile::badFilesAreRefusedWhole_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("message");

    const QString notJson = QStringLiteral("File import failed, JSON format error!");
    QTest::newRow("array root") << QByteArray("[{\"c0\": true}]") << notJson;
    QTest::newRow("broken JSON") << QByteArray("{\"c0\": true,") << notJson;
    QTest::newRow("empty") << QByteArray() << notJson;
    QTest::newRow("member named twice") << QByteArray(R"({"c0": true, "c0": false})") << notJson;
    QTest::newRow("not UTF-8") << QByteArray("{\"listFiltering\": [{\"portName\": \"\xC0\xAF\"}]}") << notJson;
    QTest::newRow("lone surrogate") << QByteArray(R"({"x": "\ud800"})") << notJson;
    QTest::newRow("text after the object") << QByteArray("{} {}") << notJson;
    QTest::newRow("deep nesting") << "{\"a\": " + QByteArray(5000, '[') + QByteArray(5000, ']') + "}" << notJson;
    QTest::newRow("over 1 MB") << "{\"a\": \"" + QByteArray(MaxFileSize, 'a') + "\"}"
                               << "File import failed, the file is larger than 1 MB!";
    // Later members must not have been taken either: "c0" sorts first.
    QTest::newRow("box not a truth value")
        << QByteArray(R"({"c0": true, "c5": 1})") << R"(File import failed, "c5" must be true or false!)";
    QTest::newRow("listFiltering an object")
        << QByteArray(R"({"listFiltering": {}})") << R"(File import failed, "listFiltering" must be a list!)";
    QTest::newRow("listFiltering entry a number") << QByteArray(R"({"listFiltering": [3]})")
                                                  << R"(File import failed, "listFiltering" entry 0 must be an object!)";
    QTest::newRow("model a number") << QByteArray(R"({"model": 4})") << R"(File import failed, "model" must be a text!)";
    QTest::newRow("port name a number") << QByteArray(R"({"listFiltering": [{"portName": 1}]})")
                                        << R"(File import failed, "listFiltering" entry 0: "portName" must be a text!)";
    QTest::newRow("filter byte a fraction")
        << QByteArray(R"({"listFiltering": [{"portName": "A", "situations": {}}, {"portName": "B", "situations": {"jj": 1.5}}]})")
        << R"(File import failed, "listFiltering" entry 1: "jj" must be a whole number!)";
    QTest::newRow("filter byte above 32 bits")
        << QByteArray(R"({"listFiltering": [{"portName": "A", "situations": {"mm": 4294967296}}]})")
        << R"(File import failed, "listFiltering" entry 0: "mm" must be a whole number!)";
    QTest::newRow("record byte 256") << QByteArray(R"({"feedbackMappings": [{}, {"hh1": 256}]})")
                                     << R"(File import failed, "feedbackMappings" entry 1: "hh1" must be a whole number from 0 to 255!)";
    QTest::newRow("record byte negative") << QByteArray(R"({"feedbackMappings": [{"tt": -1}]})")
                                          << R"(File import failed, "feedbackMappings" entry 0: "tt" must be a whole number from 0 to 255!)";
    QTest::newRow("record byte a text") << QByteArray(R"({"feedbackMappings": [{"ii": "9"}]})")
                                        << R"(File import failed, "feedbackMappings" entry 0: "ii" must be a whole number from 0 to 255!)";
    QTest::newRow("payload byte 300") << QByteArray(R"({"feedbackMappings": [{"payload": [1, 300]}]})")
                                      << R"(File import failed, "feedbackMappings" entry 0: "payload" must be a list of at most 255 numbers from 0 to 255!)";
    QTest::newRow("extraData 256 long") << "{\"feedbackMappings\": [{\"extraData\": [" + QByteArray("0,").repeated(255) + "0]}]}"
                                        << R"(File import failed, "feedbackMappings" entry 0: "extraData" must be a list of at most 255 numbers from 0 to 255!)";
    QTest::newRow("enable a text") << QByteArray(R"({"feedbackMappings": [{"enable": "yes"}]})")
                                   << R"(File import failed, "feedbackMappings" entry 0: "enable" must be true or false!)";
    QTest::newRow("record a list") << QByteArray(R"({"feedbackMappings": [[]]})")
                                   << R"(File import failed, "feedbackMappings" entry 0 must be an object!)";
    QTest::newRow("18 records") << "{\"feedbackMappings\": [" + QByteArray("{},").repeated(17) + "{}]}"
                                << R"(File import failed, "feedbackMappings" holds more than 17 records!)";
    QTest::newRow("route a text") << QByteArray(R"({"MIDI IN 1": "MIDI OUT 2"})")
                                  << R"(File import failed, "MIDI IN 1" must be a list of port names!)";
    QTest::newRow("route to a number") << QByteArray(R"({"MIDI IN 1": ["MIDI OUT 2", 3]})")
                                       << R"(File import failed, "MIDI IN 1" must be a list of port names!)";
}

void TestConfigFile::badFilesAreRefusedWhole()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, message);
    const ReadResult result = read(json);
    QVERIFY(!result.ok());
    QCOMPARE(result.errorString(), message);
    // Nothing of the file is handed on.
    QVERIFY(result.import.routes.isEmpty() && result.import.boxStates.isEmpty() && !result.import.listFiltering
            && result.import.feedbackMappings.isEmpty());
}

void TestConfigFile::unreadableFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "missing" << "Unable to open file!";
    QTest::newRow("a folder") << "folder" << "Unable to open file!";
    QTest::newRow("50 MB") << "large" << "File import failed, the file is larger than 1 MB!";
}

void TestConfigFile::unreadableFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath("config.ini");
    if (kind == "folder") {
        QVERIFY(QDir(dir.path()).mkdir("config.ini"));
    } else if (kind == "large") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("{\"a\": \"") == 7);
        QVERIFY(file.resize(50 * 1024 * 1024));
    }
    QCOMPARE(readFile(path).errorString(), message);
}

void TestConfigFile::saveReplacesWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.ini");
    Saver saver;
    QVERIFY(saver.save(path, QByteArray(100000, 'a')));
    QVERIFY(saver.save(path, "short"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("short"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"config.ini"});
}

void TestConfigFile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Saver::Error>("error");
    QTest::newRow("read-only folder") << "readonly" << Saver::Error::CannotCreate;
    QTest::newRow("path is a folder") << "folder" << Saver::Error::CannotReplace;
    QTest::newRow("folder missing") << "missing" << Saver::Error::CannotCreate;
}

void TestConfigFile::failedSaveKeepsOldFile()
{
    QFETCH(QString, kind);
    QFETCH(Saver::Error, error);
    QTemporaryDir dir;
    const QString folder = dir.filePath("configs");
    QVERIFY(QDir(dir.path()).mkdir("configs"));
    QString path = folder + "/config.ini";
    const QByteArray old = golden("empty.ref");
    QVERIFY(Saver().save(path, old));
    if (kind == "readonly") {
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(folder + "/probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("this user writes into read-only folders (root)");
        }
    } else if (kind == "folder") {
        path = folder;
    } else {
        path = dir.filePath("none/config.ini");
    }
    Saver saver;
    QVERIFY(!saver.save(path, golden("all-mappings.ref")));
    QCOMPARE(saver.error(), error);
    QVERIFY(!saver.errorString().isEmpty());
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile file(folder + "/config.ini");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
}

void TestConfigFile::killedWriterKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("config.ini");
    const QByteArray old = golden("two-routes-from-midi-in-1.ref");
    QVERIFY(Saver().save(path, old));

    QProcess writer;
    writer.start(QCoreApplication::applicationFilePath(), {"--write-and-stall", path});
    QVERIFY(writer.waitForStarted());
    QVERIFY(writer.waitForReadyRead(10000));
    QCOMPARE(writer.readLine(), QByteArray("writing\n"));
    writer.kill();
    QVERIFY(writer.waitForFinished());
    QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), old);
}

void TestConfigFile::hubCountShowsEveryUsbPortTheFileUses_data()
{
    // On an Alder-4: hub count 0 shows USB HOST 1, 1 up to 5, 2 up to 7 and
    // the USB Device port, 3 all eight; the filter page lists 1, 4, 7 or 8
    // USB HOST pairs.
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("hubCount");
    QTest::newRow("5-pin only") << QByteArray(R"({"MIDI IN 1": ["MIDI OUT 2"]})") << 0;
    QTest::newRow("first host") << QByteArray(R"({"USB HOST 1": ["MIDI OUT 1"]})") << 0;
    QTest::newRow("third host") << QByteArray(R"({"MIDI IN 1": ["USB HOST 3"]})") << 1;
    QTest::newRow("device port") << QByteArray(R"({"USB Device 1": ["MIDI OUT 1"]})") << 2;
    QTest::newRow("eighth host") << QByteArray(R"({"MIDI IN 2": ["USB HOST 8"]})") << 3;
    QTest::newRow("fifth host filter")
        << QByteArray(R"({"listFiltering": [{"portName": "USB HOST OUT5", "situations": {"jj": 1}}]})") << 2;
    QTest::newRow("filter of nothing")
        << QByteArray(R"({"listFiltering": [{"portName": "USB HOST IN8", "situations": {}}]})") << 0;
}

void TestConfigFile::hubCountShowsEveryUsbPortTheFileUses()
{
    QFETCH(QByteArray, json);
    QFETCH(int, hubCount);
    const ReadResult result = read(json);
    QVERIFY(result.ok());
    QCOMPARE(impliedHubCount(result.import, {2, 2, 8, 1}), hubCount);
}

void TestConfigFile::suggestsNameInFolderThatExists_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("documentsExist");
    QTest::addColumn<QString>("typed"); // what the user typed over the suggestion
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("saved");
    QTest::newRow("model") << "Cedar-6" << true << "mine" << "Documents/Cedar-6-2026-03-05.ini" << "Documents/mine.ini";
    QTest::newRow("no device") << "" << true << "a.json" << "Documents/velmora-2026-03-05.ini" << "Documents/a.json";
    // Without the folder the dialog took "Documents" for the file's name.
    QTest::newRow("no documents") << "Alder-4" << false << "b" << "Alder-4-2026-03-05.ini" << "b.ini";
    QTest::newRow("model that is a path") << "../x" << true << "a.b/c" << "Documents/velmora-2026-03-05.ini"
                                          << "Documents/a.b/c.ini";
}

void TestConfigFile::suggestsNameInFolderThatExists()
{
    QFETCH(QString, model);
    QFETCH(bool, documentsExist);
    QFETCH(QString, typed);
    QFETCH(QString, suggested);
    QFETCH(QString, saved);
    QTemporaryDir home;
    const QDir dir(home.path());
    if (documentsExist)
        QVERIFY(dir.mkdir("Documents"));
    const QString documents = dir.filePath("Documents");
    QCOMPARE(ConfigFile::suggestedSavePath(model, QDate(2026, 3, 5), documents, home.path()), dir.filePath(suggested));
    const QString typedPath = (documentsExist ? documents : home.path()) + '/' + typed;
    QCOMPARE(ConfigFile::withIniSuffix(typedPath), dir.filePath(saved));
}

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--write-and-stall") == 0) {
        QCoreApplication app(argc, argv);
        return writeAndStall(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestConfigFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_configfile.moc"
