// The mapping page in the real window against a simulated Alder-4 on a
// pseudo-terminal: a rule built on the page is stored, read back after a
// reconnect, shown, and deleted; the device's refusals reach the user; and
// reading rules back leaves the device's routes alone.
#include "app/mainwindow.h"
#include "device/devicesession.h"
#include "device/serialport.h"
#include "mapping/mappingoverlay.h"
#include "mapping/mappingpage.h"
#include "mapping/standardmappingeditor.h"
#include "mapping/sysexmappingeditor.h"
#include "routing/portcolumns.h"
#include "routing/routeprotocol.h"
#include "routing/routingpage.h"
#include "simulator/devicesimulator.h"
#include "simulator/simulateddeviceport.h"
#include "widgets/placeholdercombobox.h"
#include "tests/support/scriptedprompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

const QByteArray ReadQuery = hex("f0002f71010303f7");
const QByteArray RemoveAllRoutes = hex("f0002f710201000000007ff7");

int countReceived(const DeviceSimulator *sim, const QByteArray &frame)
{
    int n = 0;
    for (const auto &received : sim->receivedFrames())
        n += received.bytes == frame ? 1 : 0;
    return n;
}

} // namespace

class TestMappingEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storesRuleAndReadsItBackAfterReconnect();
    void storesSysExRuleAndShowsItIdenticallyAfterReconnect();
    void delAndRestoreClearRulesOnDevice();
    void malformedRecordDrawsDataError();
    void readBackBurstLeavesRoutesAlone();
    void portLabelsGreyFreeUsbPortsAsTheCanvasDoes();

private:
    [[nodiscard]] bool connectWindow();
    void buildDocumentedRule();
    QPushButton *button(const char *name) const { return m_window->mappingPage()->findChild<QPushButton *>(name); }
    StandardMappingEditor *editor(bool mapped) const
    {
        return mapped ? m_window->mappingPage()->mappedEditor() : m_window->mappingPage()->originalEditor();
    }

    std::unique_ptr<QTemporaryDir> m_workDir;
    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<SimulatedDevicePort> m_device;
    std::unique_ptr<MainWindow> m_window;
};

void TestMappingEndToEnd::init()
{
    m_workDir = std::make_unique<QTemporaryDir>();
    m_prompt = std::make_unique<ScriptedPrompt>();
    const auto profile = DeviceProfiles::find("Kestrova Alder-4");
    QVERIFY(profile);
    m_device = std::make_unique<SimulatedDevicePort>(*profile);
    QVERIFY(m_device->start());
    m_window = std::make_unique<MainWindow>(nullptr, m_prompt.get(), m_workDir->filePath("config.ini"));
    m_window->show();
    QVERIFY(connectWindow());
}

void TestMappingEndToEnd::cleanup()
{
    m_window.reset();
    m_device.reset();
    m_prompt.reset();
    m_workDir.reset();
}

bool TestMappingEndToEnd::connectWindow()
{
    QComboBox *devices = m_window->deviceCombo();
    if (!QTest::qWaitFor([&] { return devices->findText("Kestrova Alder-4") >= 0; }, 3000))
        return false;
    devices->setCurrentIndex(devices->findText("Kestrova Alder-4"));
    QTest::mouseClick(m_window->findChild<QPushButton *>("connectButton"), Qt::LeftButton);
    if (!m_window->session()->isOpen())
        return false;
    MappingPage *page = m_window->mappingPage();
    m_window->tabWidget()->setCurrentWidget(page);
    // The connection replies have settled once the ports are labelled and
    // the USB names are in.
    return QTest::qWaitFor([page] { return page->inputBoxLabel(2)->text() == "(Keystation 49)"; }, 5000)
        && QTest::qWaitFor([page] { return !page->refreshTimer()->isActive(); }, 1000);
}

void TestMappingEndToEnd::buildDocumentedRule()
{
    MappingPage *page = m_window->mappingPage();
    QCOMPARE(page->inputBoxes().at(0)->text(), QString("MIDI IN1"));
    QTest::mouseClick(page->inputBoxes().at(0), Qt::LeftButton, {}, QPoint(4, 4));
    auto *original = page->findChild<QComboBox *>("originalPlaceholderCombo");
    original->setCurrentIndex(original->findText("Note On"));
    editor(false)->channelCombo()->setCurrentText("All");
    auto *mapped = page->findChild<QComboBox *>("mappedPlaceholderCombo");
    mapped->setCurrentIndex(mapped->findText("Program Change(PC)"));
    editor(true)->channelCombo()->setCurrentText("2");
    page->setData1MappingFrom(2);
}

void TestMappingEndToEnd::storesRuleAndReadsItBackAfterReconnect()
{
    MappingPage *page = m_window->mappingPage();
    DeviceSimulator *sim = m_device->simulator();
    buildDocumentedRule();
    QTest::mouseClick(button("sendButton"), Qt::LeftButton);

    QTRY_VERIFY(sim->mappings().contains(1));
    QCOMPARE(sim->mappings().value(1), hex("0100000000410911010305 90007f007f 0c020201000003 c1007f"));
    QTRY_COMPARE(m_prompt->texts(), QStringList{"Configuration successful"});
    QVERIFY(page->feedbackMappings().at(1).enable);
    const MappingRecord stored = page->feedbackMappings().at(1);

    // "Set" on the same rule is refused and sends nothing.
    const int framesBefore = sim->receivedFrames().size();
    m_window->findChild<QPushButton *>("setButton")->click();
    QCOMPARE(m_prompt->lastText(), QString("The Same Mapping data already exists."));
    QTest::qWait(100);
    QCOMPARE(sim->receivedFrames().size(), framesBefore);

    // Disconnect empties the page; connecting again reads the rule back.
    QTest::mouseClick(m_window->findChild<QPushButton *>("connectButton"), Qt::LeftButton);
    QVERIFY(!m_window->session()->isOpen());
    QCOMPARE(page->originalStack()->currentIndex(), MappingPage::PlaceholderPage);
    page->store().clearAll();
    QVERIFY(connectWindow());
    QTRY_VERIFY(page->feedbackMappings().at(1).enable);
    QCOMPARE(page->feedbackMappings().at(1), stored);

    // Shown when its number is selected (the refresh already shows number 1).
    page->mappingNumberCombo()->setCurrentIndex(1);
    QCOMPARE(page->originalStack()->currentIndex(), MappingPage::PlaceholderPage);
    page->mappingNumberCombo()->setCurrentIndex(0);
    QCOMPARE(editor(false)->typeName(), QString("Note On"));
    QCOMPARE(editor(false)->channelText(), QString("All"));
    QCOMPARE(editor(true)->typeName(), QString("Program Change(PC)"));
    QCOMPARE(editor(true)->channelText(), QString("2"));
    QCOMPARE(page->data1MappingFrom(), 2);
    QVERIFY(page->inputBoxes().at(0)->isChecked());
}

void TestMappingEndToEnd::storesSysExRuleAndShowsItIdenticallyAfterReconnect()
{
    using Kind = Mapping::SysExRow::Kind;
    MappingPage *page = m_window->mappingPage();
    DeviceSimulator *sim = m_device->simulator();
    QTest::mouseClick(page->inputBoxes().at(0), Qt::LeftButton, {}, QPoint(4, 4));
    auto *original = page->findChild<QComboBox *>("originalPlaceholderCombo");
    original->setCurrentIndex(original->findText("System Exclusive"));
    SysExMappingEditor *sysEx = page->originalSysExEditor();
    auto *del = page->findChild<QPushButton *>("originalDeleteButton");
    while (sysEx->rowCount() > 0) {
        sysEx->tableView()->setCurrentIndex(sysEx->tableView()->model()->index(0, 0));
        QTest::mouseClick(del, Qt::LeftButton);
    }
    QList<AddDataChoice> answers{{Kind::Value, 0x41}, {Kind::Data1, 0}, {Kind::Ignore, 0}};
    sysEx->setAddDataChooser([&answers](QWidget *, const AddDataOptions &) {
        return std::optional<AddDataChoice>(answers.takeFirst());
    });
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(page->findChild<QPushButton *>("originalAddButton"), Qt::LeftButton);
    QCOMPARE(sysEx->rowTexts(), (QStringList{"65", "Data1", "Ignore"}));
    auto *mapped = page->findChild<QComboBox *>("mappedPlaceholderCombo");
    mapped->setCurrentIndex(mapped->findText("Control Change(CC)"));
    // Data1 was paired with the mapped Data1; carry it into Data2 instead.
    QCOMPARE(page->data1MappingFrom(), 1);
    page->setData1MappingFrom(-1);
    page->setData2MappingFrom(1);
    QVERIFY(m_prompt->shown().isEmpty());
    QTest::mouseClick(button("sendButton"), Qt::LeftButton);

    QTRY_VERIFY(sim->mappings().contains(1));
    QCOMPARE(sim->mappings().value(1),
             hex("010000000041 0f01020104 41007fff 0b0100010103 05 b0007f007f"));
    QTRY_COMPARE(m_prompt->texts(), QStringList{"Configuration successful"});
    const MappingRecord stored = page->feedbackMappings().at(1);

    QTest::mouseClick(m_window->findChild<QPushButton *>("connectButton"), Qt::LeftButton);
    QCOMPARE(sysEx->rowTexts(), (QStringList{"127", "127", "127"}));
    page->store().clearAll();
    QVERIFY(connectWindow());
    QTRY_VERIFY(page->feedbackMappings().at(1).enable);
    QCOMPARE(page->feedbackMappings().at(1), stored);
    page->mappingNumberCombo()->setCurrentIndex(1);
    page->mappingNumberCombo()->setCurrentIndex(0);
    QCOMPARE(page->originalStack()->currentIndex(), MappingPage::SysExPage);
    QCOMPARE(sysEx->rowTexts(), (QStringList{"65", "Data1", "Ignore"}));
    QCOMPARE(page->findChild<QWidget *>("originalData1MaxBox")->property("value").toInt(), 127);
    QCOMPARE(editor(true)->typeName(), QString("Control Change(CC)"));
    QCOMPARE(page->data1MappingFrom(), -1);
    QCOMPARE(page->data2MappingFrom(), 1);
    QVERIFY(page->inputBoxes().at(0)->isChecked());
    // What is shown goes out again byte for byte, even reconciled once more.
    page->overlay()->reconcileSources();
    QCOMPARE(page->buildRecord(), stored);
}

void TestMappingEndToEnd::delAndRestoreClearRulesOnDevice()
{
    MappingPage *page = m_window->mappingPage();
    DeviceSimulator *sim = m_device->simulator();
    buildDocumentedRule();
    QTest::mouseClick(button("sendButton"), Qt::LeftButton);
    QTRY_VERIFY(page->feedbackMappings().at(1).enable);
    page->mappingNumberCombo()->setCurrentIndex(15);
    buildDocumentedRule();
    QTest::mouseClick(button("sendButton"), Qt::LeftButton);
    QTRY_VERIFY(page->feedbackMappings().at(16).enable);
    QCOMPARE(sim->mappings().keys(), (QList<int>{1, 16}));
    m_prompt->clear();

    // "Del" on 16.
    QTest::mouseClick(button("deleteButton"), Qt::LeftButton);
    QTRY_VERIFY(!sim->mappings().contains(16));
    QCOMPARE(countReceived(sim, hex("f0002f710205067f015000f7")), 1);
    QTRY_COMPARE(m_prompt->texts(), QStringList{"Delete Successful"});
    QVERIFY(!page->feedbackMappings().at(16).enable);
    QVERIFY(page->feedbackMappings().at(1).enable);

    // "Restore", answered NO: nothing is sent.
    m_prompt->answerNext(Prompt::Cancel);
    QTest::mouseClick(button("restoreButton"), Qt::LeftButton);
    QTest::qWait(100);
    QCOMPARE(sim->mappings().keys(), QList<int>{1});
    // Answered Yes: every rule goes.
    m_prompt->answerNext(Prompt::Ok);
    QTest::mouseClick(button("restoreButton"), Qt::LeftButton);
    QTRY_VERIFY(sim->mappings().isEmpty());
    QCOMPARE(countReceived(sim, hex("f0002f710205067f020000f7")), 1);
    QVERIFY(!page->feedbackMappings().at(1).enable);
    QCOMPARE(m_prompt->shown().at(1).text, QString("Delete all mapping numbers?"));
}

void TestMappingEndToEnd::malformedRecordDrawsDataError()
{
    MappingPage *page = m_window->mappingPage();
    // A channel byte of 0x20 is no channel: the device refuses the record.
    MappingRecord bad;
    bad.numberByte = 0x41;
    bad.originalType = 0x09;
    bad.originalChannel = 0x20;
    bad.payloadLength = 1;
    bad.payload = hex("90");
    bad.mappedType = 0x08;
    bad.mappedChannel = 1;
    bad.extraDataLength = 1;
    bad.extraData = hex("80");
    QVERIFY(m_window->session()->write(bad.toStoreCommand()));
    QTRY_COMPARE(m_prompt->texts(), QStringList{"Data error. Please reconfigure and resend.)"});
    QVERIFY(m_device->simulator()->mappings().isEmpty());
    QVERIFY(!page->feedbackMappings().at(1).enable);
}

void TestMappingEndToEnd::readBackBurstLeavesRoutesAlone()
{
    MappingPage *page = m_window->mappingPage();
    DeviceSimulator *sim = m_device->simulator();
    QVERIFY(m_window->session()->write(Routing::connectCommand(Routing::Route{{0, 1}, {0, 2}})));
    QTRY_COMPARE(sim->routes().size(), 1);
    for (int index : {0, 4, 9}) {
        page->mappingNumberCombo()->setCurrentIndex(index);
        buildDocumentedRule();
        QTest::mouseClick(button("sendButton"), Qt::LeftButton);
        QTRY_COMPARE(page->pendingMapping().mappingNumber(), index + 1);
    }
    QTRY_COMPARE(sim->mappings().size(), 3);
    page->store().clearAll();
    const int queriesBefore = countReceived(sim, ReadQuery);

    QTest::mouseClick(button("readButton"), Qt::LeftButton);
    QTRY_VERIFY(page->feedbackMappings().at(1).enable && page->feedbackMappings().at(5).enable
                && page->feedbackMappings().at(10).enable);
    QTRY_VERIFY(!page->refreshTimer()->isActive());
    // Long enough for the refresh and any follow-up it might send.
    QTest::qWait(300);
    QCOMPARE(countReceived(sim, ReadQuery), queriesBefore + 1);
    QCOMPARE(countReceived(sim, RemoveAllRoutes), 0);
    QCOMPARE(sim->routes().size(), 1);
    QCOMPARE(editor(false)->typeName(), QString("Note On")); // number 10 is selected and shown
}

void TestMappingEndToEnd::portLabelsGreyFreeUsbPortsAsTheCanvasDoes()
{
    // One record of the USB names feeds both pages: the Keystation on USB
    // HOST 1 reads black on the canvas and here, the free ports gray, also
    // after the hub count has been applied.
    MappingPage *page = m_window->mappingPage();
    const RoutingPage *routing = m_window->routingPage();
    const auto colour = [](const QWidget *w) { return w->palette().color(QPalette::WindowText); };
    // The hub count came right after the names: its hint is on the canvas.
    QTRY_VERIFY(routing->columns()->hintLabel());
    for (int pass = 0; pass < 2; ++pass) {
        QCOMPARE(routing->inputNameLabels().at(0)->text(), QString("Keystation 49"));
        QCOMPARE(colour(page->inputBoxLabel(2)), QColor(Qt::black));
        QCOMPARE(colour(page->outputBoxLabel(2)), QColor(Qt::black));
        QCOMPARE(page->inputBoxLabel(3)->text(), QString("(No device connected)"));
        QCOMPARE(colour(page->inputBoxLabel(3)), QColor(Qt::gray));
        QCOMPARE(colour(routing->inputNameLabels().at(1)), QColor(Qt::gray));
        // Something else painted the label: the next hub layout repaints it.
        QPalette red = page->inputBoxLabel(3)->palette();
        red.setColor(QPalette::WindowText, Qt::red);
        page->inputBoxLabel(3)->setPalette(red);
        emit m_window->routingPage()->hubPortsChanged(8);
    }
}

QTEST_MAIN(TestMappingEndToEnd)
#include "tst_mappingendtoend.moc"
