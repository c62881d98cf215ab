// The mapping-number page without a device: rules built from its controls,
// the device's answers fed through the feedback dispatcher, and what the
// page refuses. Bytes on the wire are checked end to end against the
// simulator (tst_mappingendtoend).
#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "mapping/mappingfeedback.h"
#include "device/framekind.h"
#include "device/sysex.h"
#include "mapping/mappingpage.h"
#include "mapping/standardmappingeditor.h"
#include "routing/routingpage.h"
#include "routing/usbnameslots.h"
#include "widgets/placeholdercombobox.h"
#include "tests/support/scriptedprompt.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(MappingRecord)

namespace {

QByteArray hex(const char *text) { return QByteArray::fromHex(text); }

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// The rule of the documented store example, for any number and ranges.
MappingRecord noteOnToProgramChange(int number, int data1Min = 0, int data1Max = 127, int data2Min = 0, int data2Max = 127)
{
    MappingRecord r;
    r.portMaskLow = 0x01;
    r.numberByte = static_cast<std::uint8_t>(0x40 | number);
    r.originalType = 0x09;
    r.originalChannel = 17;
    r.originalData1Position = 1;
    r.originalData2Position = 3;
    r.payloadLength = 5;
    r.payload = QByteArray::fromHex("90") + bytes({data1Min, data1Max, data2Min, data2Max});
    r.mappedType = 0x0C;
    r.mappedChannel = 2;
    r.mappedData1Source = 2;
    r.mappedData1Position = 1;
    r.mappedData2Position = 0;
    r.extraDataLength = 3;
    r.extraData = hex("c10506");
    return r;
}

QByteArray portCountsFrame() { return hex("f0002f710102020208 01f7"); }
QByteArray filterCountsFrame(const QByteArray &counts) { return hex("f0002f710104") + counts + hex("f7"); }
QByteArray nameFrame(int index, const QByteArray &name)
{
    return hex("f0002f71020600") + bytes({index, name.size()}) + name + hex("f7");
}

} // namespace

class TestMappingPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startsWithBothSidesOnPlaceholder();
    void offersTypesChannelsAndNumbers();
    void buildsDocumentedStoreCommand();
    void presetsStraightSourcesForMappedType_data();
    void presetsStraightSourcesForMappedType();
    void refusesToSendWhileSideShowsPlaceholder_data();
    void refusesToSendWhileSideShowsPlaceholder();
    void setRefusesRuleAlreadyStored();
    void confirmedStoreFilesRuleUnderItsNumber();
    void showsReadBackWhenNumberSelected();
    void showsShortBlockRangesOfStoredRule();
    void refreshesOncePerBurstOfReadBacks();
    void badReadBacksKeepStoredRules_data();
    void badReadBacksKeepStoredRules();
    void deleteAnswersUpdateSelectedNumber_data();
    void deleteAnswersUpdateSelectedNumber();
    void restoreAsksFirst_data();
    void restoreAsksFirst();
    void factoryResetEmptiesRules();
    void labelsPortBoxesFromDevicePorts();
    void portMaskFollowsBoxOrder_data();
    void portMaskFollowsBoxOrder();
    void columnBoxesCheckVisiblePortsOnly();
    void valueListsFollowNamingSettings();

private:
    void feed(FrameKind type, const QByteArray &frame) { m_session->dispatcher()->dispatch(type, frame); }
    void choose(bool mappedSide, const QString &type);
    void storeRule(const MappingRecord &record);
    [[nodiscard]] StandardMappingEditor *editor(bool mappedSide) const;

    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<MappingPage> m_page;
    // Keeps the USB names that the page shows, as in the window.
    std::unique_ptr<RoutingPage> m_routing;
};

void TestMappingPage::init()
{
    m_prompt = std::make_unique<ScriptedPrompt>();
    m_session = std::make_unique<DeviceSession>(m_prompt.get());
    m_page = std::make_unique<MappingPage>();
    m_page->attach(m_session.get(), m_prompt.get());
    // As if the page were the current tab.
    m_page->findChild<MappingFeedback *>()->setPageShown(true);
    m_routing = std::make_unique<RoutingPage>();
    m_routing->attach(m_session.get(), m_prompt.get());
    m_page->setUsbNames(m_routing->usbNames());
    m_page->applyNaming(4, true);
    m_page->setPortBoxesVisible(true);
}

void TestMappingPage::cleanup()
{
    m_page.reset();
    m_routing.reset();
    m_session.reset();
    m_prompt.reset();
}

StandardMappingEditor *TestMappingPage::editor(bool mappedSide) const
{
    return mappedSide ? m_page->mappedEditor() : m_page->originalEditor();
}

void TestMappingPage::choose(bool mappedSide, const QString &type)
{
    auto *noSelect = m_page->findChild<PlaceholderComboBox *>(mappedSide ? "mappedPlaceholderCombo" : "originalPlaceholderCombo");
    QStackedWidget *stack = mappedSide ? m_page->mappedStack() : m_page->originalStack();
    if (stack->currentIndex() == MappingPage::PlaceholderPage)
        noSelect->setCurrentIndex(noSelect->findText(type));
    else
        editor(mappedSide)->statusCombo()->setCurrentIndex(editor(mappedSide)->statusCombo()->findText(type));
}

void TestMappingPage::storeRule(const MappingRecord &record)
{
    feed(FrameKind::MappingReport, record.toStoreCommand());
    QTRY_VERIFY(!m_page->refreshTimer()->isActive());
}

void TestMappingPage::startsWithBothSidesOnPlaceholder()
{
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::PlaceholderPage);
    QCOMPARE(m_page->mappedStack()->currentIndex(), MappingPage::PlaceholderPage);
    for (const char *name : {"originalPlaceholderCombo", "mappedPlaceholderCombo"}) {
        auto *noSelect = m_page->findChild<PlaceholderComboBox *>(name);
        QVERIFY(noSelect);
        QCOMPARE(noSelect->currentIndex(), -1);
        QCOMPARE(noSelect->placeholderText(), QString("Select"));
        QVERIFY(noSelect->isShowingPlaceholder());
    }
    QCOMPARE(m_page->data1MappingFrom(), -1);
    QCOMPARE(m_page->data2MappingFrom(), -1);
    QCOMPARE(m_page->feedbackMappings().size(), 17);
}

void TestMappingPage::offersTypesChannelsAndNumbers()
{
    const QStringList types{"Control Change(CC)", "Note On", "Note Off", "Key Aftertouch", "Pitch Bend",
                            "Channel Pressure", "Program Change(PC)", "Start", "Stop", "Continue",
                            "Song Position Pointer", "Song Select", "Tune Request", "Active Sense",
                            "MIDI Clock", "Tick", "MIDI Time Code", "System Exclusive"};
    QStringList channels{"All"};
    for (int c = 1; c <= 16; ++c)
        channels.append(QString::number(c));
    QStringList numbers;
    for (int n = 1; n <= 16; ++n)
        numbers.append(QString::number(n));
    const auto items = [](const QComboBox *combo) {
        QStringList out;
        for (int i = 0; i < combo->count(); ++i)
            out.append(combo->itemText(i));
        return out;
    };
    for (const bool mapped : {false, true}) {
        QCOMPARE(items(editor(mapped)->statusCombo()), types);
        QCOMPARE(items(editor(mapped)->channelCombo()), channels);
        QCOMPARE(editor(mapped)->channelCombo()->currentText(), QString("1"));
        QCOMPARE(editor(mapped)->data2MaxCombo()->count(), 128);
        QCOMPARE(items(m_page->findChild<QComboBox *>(mapped ? "mappedPlaceholderCombo" : "originalPlaceholderCombo")), types);
    }
    QCOMPARE(items(m_page->mappingNumberCombo()), numbers);
    for (const char *name : {"originalStatusCombo", "mappedData2MaxCombo", "sendButton",
                             "readButton", "deleteButton", "restoreButton", "allInputsBox", "allOutputsBox",
                             "mappingNumberCombo", "originalData1Field", "originalData2Field", "mappedData1Field", "mappedData2Field"})
        QVERIFY2(m_page->findChild<QWidget *>(name), name);
    QCOMPARE(m_page->findChild<QPushButton *>("restoreButton")->text(), QString("Restore"));
}

void TestMappingPage::buildsDocumentedStoreCommand()
{
    feed(FrameKind::FilterPortCounts, filterCountsFrame(hex("020208080101")));
    m_page->inputBoxes().at(0)->setChecked(true);
    choose(false, "Note On");
    editor(false)->channelCombo()->setCurrentText("All");
    choose(true, "Program Change(PC)");
    editor(true)->channelCombo()->setCurrentText("2");
    m_page->setData1MappingFrom(2);
    QCOMPARE(m_page->data2MappingFrom(), -1);

    QCOMPARE(m_page->buildRecord().toStoreCommand(),
             hex("f0002f710204 0100000000410911010305 90007f007f 0c020201000003 c1007f f7"));
}

void TestMappingPage::presetsStraightSourcesForMappedType_data()
{
    QTest::addColumn<QString>("original");
    QTest::addColumn<QString>("mapped");
    QTest::addColumn<int>("data1From");
    QTest::addColumn<int>("data2From");
    QTest::newRow("Note On to Note Off") << "Note On" << "Note Off" << 1 << 2;
    QTest::newRow("Note On to Program Change") << "Note On" << "Program Change(PC)" << 1 << -1;
    QTest::newRow("Start to Control Change") << "Start" << "Control Change(CC)" << -1 << -1;
    QTest::newRow("Note On to SysEx") << "Note On" << "System Exclusive" << -1 << -1;
}

void TestMappingPage::presetsStraightSourcesForMappedType()
{
    QFETCH(QString, original);
    QFETCH(QString, mapped);
    QFETCH(int, data1From);
    QFETCH(int, data2From);
    choose(false, original);
    choose(true, mapped);
    QCOMPARE(m_page->data1MappingFrom(), data1From);
    QCOMPARE(m_page->data2MappingFrom(), data2From);
    QCOMPARE(m_page->mappedStack()->currentIndex(),
             mapped.contains("System") ? MappingPage::SysExPage : MappingPage::StandardPage);
}

void TestMappingPage::refusesToSendWhileSideShowsPlaceholder_data()
{
    QTest::addColumn<bool>("chooseOriginal");
    QTest::addColumn<bool>("viaSet");
    QTest::newRow("nothing chosen, send") << false << false;
    QTest::newRow("nothing chosen, Set") << false << true;
    QTest::newRow("only the original chosen, send") << true << false;
}

void TestMappingPage::refusesToSendWhileSideShowsPlaceholder()
{
    QFETCH(bool, chooseOriginal);
    QFETCH(bool, viaSet);
    if (chooseOriginal)
        choose(false, "Note On");
    QSignalSpy sent(m_page.get(), &MappingPage::recordSent);
    if (viaSet)
        m_page->onSetClicked();
    else
        QTest::mouseClick(m_page->findChild<QPushButton *>("sendButton"), Qt::LeftButton);
    QCOMPARE(sent.size(), 0);
    QVERIFY(m_page->pendingMapping().isEmpty());
    QCOMPARE(m_prompt->shown().size(), 1);
    QVERIFY(m_prompt->lastText().contains("Original MIDI"));

    // Choosing the mapped type first puts the original on its first type.
    if (!chooseOriginal) {
        choose(true, "Note Off");
        QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::StandardPage);
        QCOMPARE(editor(false)->typeName(), QString("Control Change(CC)"));
        m_page->onSetClicked();
        QCOMPARE(sent.size(), 1);
    }
}

void TestMappingPage::setRefusesRuleAlreadyStored()
{
    choose(false, "Note On");
    choose(true, "Note Off");
    storeRule(m_page->buildRecord());
    QVERIFY(m_page->feedbackMappings().at(1).enable);
    QSignalSpy sent(m_page.get(), &MappingPage::recordSent);

    m_page->onSetClicked();
    QCOMPARE(sent.size(), 0);
    QCOMPARE(m_prompt->shown().size(), 1);
    QCOMPARE(m_prompt->shown().first().title, QString("Error"));
    QCOMPARE(m_prompt->shown().first().text, QString("The Same Mapping data already exists."));

    // "send" does not compare; a changed rule goes out through "Set" too.
    QTest::mouseClick(m_page->findChild<QPushButton *>("sendButton"), Qt::LeftButton);
    QCOMPARE(sent.size(), 1);
    editor(true)->channelCombo()->setCurrentText("9");
    m_page->onSetClicked();
    QCOMPARE(sent.size(), 2);
    QCOMPARE(m_page->pendingMapping().mappedChannel, 9);
    QCOMPARE(m_prompt->shown().size(), 1);
}

void TestMappingPage::confirmedStoreFilesRuleUnderItsNumber()
{
    m_page->mappingNumberCombo()->setCurrentIndex(3);
    choose(false, "Note On");
    choose(true, "Note Off");
    QTest::mouseClick(m_page->findChild<QPushButton *>("sendButton"), Qt::LeftButton);
    const MappingRecord sent = m_page->pendingMapping();
    QCOMPARE(sent.mappingNumber(), 4);
    // Sending alone stores nothing.
    QVERIFY(!m_page->feedbackMappings().at(4).enable);

    // The selection moved on before the answer came: the rule still is number 4's.
    m_page->mappingNumberCombo()->setCurrentIndex(6);
    feed(FrameKind::SaveAnswer, hex("f0002f7102020000f7"));
    QVERIFY(m_page->feedbackMappings().at(4).enable);
    QCOMPARE(m_page->feedbackMappings().at(4), sent);
    QVERIFY(!m_page->feedbackMappings().at(7).enable);
    QCOMPARE(m_prompt->lastText(), QString("Configuration successful"));
}

void TestMappingPage::showsReadBackWhenNumberSelected()
{
    feed(FrameKind::FilterPortCounts, filterCountsFrame(hex("020208080101")));
    storeRule(noteOnToProgramChange(5, 10, 20, 30, 40));
    QVERIFY(m_page->feedbackMappings().at(5).enable);
    // Number 1 is selected and empty: the page stays reset.
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::PlaceholderPage);

    m_page->mappingNumberCombo()->setCurrentIndex(4);
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::StandardPage);
    QCOMPARE(m_page->mappedStack()->currentIndex(), MappingPage::StandardPage);
    QCOMPARE(editor(false)->typeName(), QString("Note On"));
    QCOMPARE(editor(false)->channelText(), QString("All"));
    QCOMPARE(editor(false)->data1MinCombo()->currentIndex(), 10);
    QCOMPARE(editor(false)->data1MaxCombo()->currentIndex(), 20);
    QCOMPARE(editor(false)->data2MinCombo()->currentIndex(), 30);
    QCOMPARE(editor(false)->data2MaxCombo()->currentIndex(), 40);
    QCOMPARE(editor(true)->typeName(), QString("Program Change(PC)"));
    QCOMPARE(editor(true)->channelText(), QString("2"));
    QCOMPARE(m_page->data1MappingFrom(), 2);
    QCOMPARE(m_page->data2MappingFrom(), -1);
    QVERIFY(m_page->inputBoxes().at(0)->isChecked());
    QVERIFY(!m_page->inputBoxes().at(1)->isChecked());
    // What is shown is what would be sent again.
    QCOMPARE(m_page->buildRecord(), m_page->feedbackMappings().at(5));

    m_page->mappingNumberCombo()->setCurrentIndex(0);
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::PlaceholderPage);
    QCOMPARE(m_page->mappedStack()->currentIndex(), MappingPage::PlaceholderPage);
    QVERIFY(!m_page->inputBoxes().at(0)->isChecked());
}

void TestMappingPage::showsShortBlockRangesOfStoredRule()
{
    // A Program Change original keeps its Data1 range when shown, so that
    // "Set" on the shown rule does not widen it to 0..127.
    feed(FrameKind::FilterPortCounts, filterCountsFrame(hex("020208080101")));
    MappingRecord r = noteOnToProgramChange(2);
    r.originalType = 0x0C;
    r.originalData1Position = 1;
    r.originalData2Position = 0;
    r.payloadLength = 3;
    r.payload = hex("c00820");
    r.mappedData1Source = 1;
    storeRule(r);
    m_page->mappingNumberCombo()->setCurrentIndex(1);
    QCOMPARE(editor(false)->typeName(), QString("Program Change(PC)"));
    QCOMPARE(editor(false)->data1MinCombo()->currentIndex(), 8);
    QCOMPARE(editor(false)->data1MaxCombo()->currentIndex(), 32);
    QCOMPARE(editor(true)->data1MinCombo()->currentIndex(), 5);
    QCOMPARE(editor(true)->data1MaxCombo()->currentIndex(), 6);
    QCOMPARE(m_page->buildRecord(), r);
}

void TestMappingPage::refreshesOncePerBurstOfReadBacks()
{
    QSignalSpy refreshes(m_page->refreshTimer(), &QTimer::timeout);
    for (int n : {1, 2, 3})
        feed(FrameKind::MappingReport, noteOnToProgramChange(n).toStoreCommand());
    // The device's "no rules" answer restarts the timer like a rule does.
    feed(FrameKind::MappingReport, hex("f0002f7101060000f7"));
    QTRY_COMPARE(refreshes.size(), 1);
    QTest::qWait(4 * MappingPage::RefreshDelayMs);
    QCOMPARE(refreshes.size(), 1);
    // The refresh showed the selected number, 1.
    QCOMPARE(editor(false)->typeName(), QString("Note On"));
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::StandardPage);
    QVERIFY(m_prompt->shown().isEmpty());
}

void TestMappingPage::badReadBacksKeepStoredRules_data()
{
    QTest::addColumn<QByteArray>("frame");
    const QByteArray good = noteOnToProgramChange(3, 1, 2, 3, 4).toStoreCommand();
    QByteArray number17 = good;
    number17[11] = char(0x51);
    QByteArray number0 = good;
    number0[11] = char(0x40);
    QByteArray noTail = good;
    noTail.chop(1);
    QTest::newRow("number 17 (0x51) is dropped") << number17;
    QTest::newRow("number 0 is dropped") << number0;
    QTest::newRow("no F7") << noTail;
    QTest::newRow("shorter than 20 bytes") << good.left(19);
}

void TestMappingPage::badReadBacksKeepStoredRules()
{
    QFETCH(QByteArray, frame);
    storeRule(noteOnToProgramChange(3, 1, 2, 3, 4));
    const QVector<MappingRecord> before = m_page->feedbackMappings();
    feed(FrameKind::MappingReport, frame);
    QTRY_VERIFY(!m_page->refreshTimer()->isActive());
    QCOMPARE(m_page->feedbackMappings(), before);
    for (int n = 0; n <= 16; ++n)
        QCOMPARE(m_page->feedbackMappings().at(n).enable, n == 3);
}

void TestMappingPage::deleteAnswersUpdateSelectedNumber_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("stillStored");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("deleted") << hex("f0002f7102050000f7") << false << "Success" << "Delete Successful";
    QTest::newRow("refused: no configuration") << hex("f0002f7102050101f7") << true << "Error"
                                              << "No configuration: This port has no configuration mapping";
    QTest::newRow("unknown code: ignored") << hex("f0002f7102050109f7") << true << "" << "";
}

void TestMappingPage::deleteAnswersUpdateSelectedNumber()
{
    QFETCH(QByteArray, answer);
    QFETCH(bool, stillStored);
    QFETCH(QString, title);
    QFETCH(QString, text);
    storeRule(noteOnToProgramChange(3));
    m_page->mappingNumberCombo()->setCurrentIndex(2);
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::StandardPage);

    feed(FrameKind::MappingDeleteAnswer, answer);
    QCOMPARE(m_page->feedbackMappings().at(3).enable, stillStored);
    QCOMPARE(m_page->originalStack()->currentIndex(),
             stillStored ? MappingPage::StandardPage : MappingPage::PlaceholderPage);
    QCOMPARE(m_page->mappedStack()->currentIndex(),
             stillStored ? MappingPage::StandardPage : MappingPage::PlaceholderPage);
    if (title.isEmpty()) {
        QVERIFY(m_prompt->shown().isEmpty());
    } else {
        QCOMPARE(m_prompt->shown().size(), 1);
        QCOMPARE(m_prompt->shown().first().title, title);
        QCOMPARE(m_prompt->shown().first().text, text);
    }
}

void TestMappingPage::restoreAsksFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("NO keeps everything") << int(Prompt::Cancel) << false;
    QTest::newRow("Yes empties every number") << int(Prompt::Ok) << true;
}

void TestMappingPage::restoreAsksFirst()
{
    QFETCH(int, answer);
    QFETCH(bool, cleared);
    storeRule(noteOnToProgramChange(1));
    storeRule(noteOnToProgramChange(16));
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::StandardPage);
    const QVector<MappingRecord> before = m_page->feedbackMappings();

    m_prompt->answerNext(answer);
    QTest::mouseClick(m_page->findChild<QPushButton *>("restoreButton"), Qt::LeftButton);
    QCOMPARE(m_prompt->shown().size(), 1);
    QCOMPARE(m_prompt->shown().first().text, QString("Delete all mapping numbers?"));
    QCOMPARE(m_prompt->shown().first().okText, QString("Yes"));
    QCOMPARE(m_prompt->shown().first().cancelText, QString("NO"));
    if (cleared) {
        QCOMPARE(m_page->feedbackMappings(), QVector<MappingRecord>(17));
        for (const MappingRecord &r : m_page->feedbackMappings())
            QVERIFY(!r.enable && r.isEmpty());
        QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::PlaceholderPage);
    } else {
        QCOMPARE(m_page->feedbackMappings(), before);
        QVERIFY(m_page->feedbackMappings().at(16).enable);
        QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::StandardPage);
    }
}

void TestMappingPage::factoryResetEmptiesRules()
{
    storeRule(noteOnToProgramChange(1));
    feed(FrameKind::FactoryReset, hex("f0002f7103010101f7"));
    QVERIFY(!m_page->feedbackMappings().at(1).enable);
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::PlaceholderPage);
}

void TestMappingPage::labelsPortBoxesFromDevicePorts()
{
    feed(FrameKind::PortCounts, portCountsFrame());
    feed(FrameKind::FilterPortCounts, filterCountsFrame(hex("020208080101")));
    const QList<QCheckBox *> &in = m_page->inputBoxes();
    const QList<QCheckBox *> &out = m_page->outputBoxes();
    QCOMPARE(in.at(0)->text(), QString("MIDI IN1"));
    QCOMPARE(in.at(2)->text(), QString("USB HOST IN1"));
    QCOMPARE(out.at(9)->text(), QString("USB HOST OUT8"));
    QCOMPARE(in.at(2)->accessibleName(), QString("USB HOST IN1"));
    QVERIFY(!in.at(9)->isHidden());
    QCOMPARE(m_page->inputBoxLabel(0)->text(), QString());
    QCOMPARE(m_page->inputBoxLabel(2)->text(), QString("(No device connected)"));

    const auto colour = [](const QLabel *label) { return label->palette().color(QPalette::WindowText); };
    QCOMPARE(colour(m_page->inputBoxLabel(2)), QColor(Qt::gray));
    feed(FrameKind::UsbPortName, nameFrame(1, "Keystation 49"));
    QCOMPARE(m_page->inputBoxLabel(2)->text(), QString("(Keystation 49)"));
    QCOMPARE(m_page->outputBoxLabel(2)->text(), QString("(Keystation 49)"));
    QCOMPARE(m_page->inputBoxLabel(3)->text(), QString("(No device connected)"));
    // As on the routing canvas: black where something is plugged in.
    QCOMPARE(colour(m_page->inputBoxLabel(2)), QColor(Qt::black));
    QCOMPARE(colour(m_page->outputBoxLabel(2)), QColor(Qt::black));
    QCOMPARE(colour(m_page->inputBoxLabel(3)), QColor(Qt::gray));
    feed(FrameKind::UsbPortName, nameFrame(1, "1"));
    QCOMPARE(m_page->inputBoxLabel(2)->text(), QString("(No device connected)"));
    QCOMPARE(colour(m_page->inputBoxLabel(2)), QColor(Qt::gray));
    feed(FrameKind::UsbPortName, nameFrame(3, "nanoKONTROL2"));
    QCOMPARE(m_page->outputBoxLabel(4)->text(), QString("(nanoKONTROL2)"));
    // Port counts that come after the names keep them.
    m_page->setPortCounts({2, 2, 8, 8, 1, 1});
    QCOMPARE(m_page->outputBoxLabel(4)->text(), QString("(nanoKONTROL2)"));
    // The "nothing attached anywhere" form frees every USB label.
    feed(FrameKind::UsbPortName, hex("f0002f710206000000fff7"));
    QCOMPARE(m_page->outputBoxLabel(4)->text(), QString("(No device connected)"));
    QCOMPARE(m_page->outputBoxLabel(0)->text(), QString());

    // A device with fewer ports hides the boxes it does not have.
    m_page->setPortCounts({1, 1, 0, 0, 0, 0});
    QVERIFY(!in.at(0)->isHidden());
    QVERIFY(in.at(1)->isHidden());
    QCOMPARE(in.at(1)->text(), QString());
    m_page->resetForDisconnect();
    QVERIFY(in.at(0)->isHidden());
}

void TestMappingPage::portMaskFollowsBoxOrder_data()
{
    QTest::addColumn<QVector<int>>("counts");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QByteArray>("mask");
    const QVector<int> alder{2, 2, 8, 8, 1, 1};
    QTest::newRow("first MIDI input") << alder << QStringList{"inputPort0Box"} << hex("010000");
    QTest::newRow("MIDI outputs follow MIDI inputs") << alder << QStringList{"outputPort0Box"} << hex("040000");
    QTest::newRow("USB inputs follow MIDI outputs") << alder << QStringList{"inputPort2Box"} << hex("100000");
    QTest::newRow("USB outputs come last") << alder << QStringList{"outputPort9Box"} << hex("000020");
    QTest::newRow("twenty boxes all checked")
        << QVector<int>{10, 10, 0, 0, 0, 0} << QStringList{"allInputsBox", "allOutputsBox"} << hex("7f7f3f");
}

void TestMappingPage::portMaskFollowsBoxOrder()
{
    QFETCH(QVector<int>, counts);
    QFETCH(QStringList, checked);
    QFETCH(QByteArray, mask);
    m_page->setPortCounts(counts);
    for (const QString &name : checked)
        QTest::mouseClick(m_page->findChild<QCheckBox *>(name), Qt::LeftButton, {}, QPoint(4, 4));
    choose(false, "Start");
    choose(true, "Stop");
    const MappingRecord r = m_page->buildRecord();
    QCOMPARE(bytes({r.portMaskLow, r.portMaskMiddle, r.portMaskHigh}), mask);
}

void TestMappingPage::columnBoxesCheckVisiblePortsOnly()
{
    m_page->setPortCounts({2, 1, 1, 1, 0, 0});
    auto *inputs = m_page->findChild<QCheckBox *>("allInputsBox");
    QTest::mouseClick(inputs, Qt::LeftButton, {}, QPoint(4, 4));
    QVERIFY(m_page->inputBoxes().at(0)->isChecked());
    QVERIFY(m_page->inputBoxes().at(2)->isChecked());
    QVERIFY(!m_page->inputBoxes().at(3)->isChecked());
    QVERIFY(!m_page->outputBoxes().at(0)->isChecked());
    QCOMPARE(m_page->portMaskEntries(), (QVector<bool>{true, true, false, true, false}));
    // Clearing one port clears the column box; checking it again restores it.
    m_page->inputBoxes().at(1)->setChecked(false);
    QVERIFY(!inputs->isChecked());
    m_page->inputBoxes().at(1)->setChecked(true);
    QVERIFY(inputs->isChecked());
    QTest::mouseClick(inputs, Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(m_page->portMaskEntries(), QVector<bool>(5, false));
}

void TestMappingPage::valueListsFollowNamingSettings()
{
    choose(false, "Control Change(CC)");
    QComboBox *min = editor(false)->data1MinCombo();
    QCOMPARE(min->itemText(7), QString("7) Volume"));
    QCOMPARE(editor(false)->data2MinCombo()->itemText(7), QString("7"));
    min->setCurrentIndex(7);
    m_page->applyNaming(3, false);
    QCOMPARE(min->itemText(7), QString("7"));
    // Renaming keeps the chosen values.
    QCOMPARE(min->currentIndex(), 7);

    choose(false, "Note On");
    QCOMPARE(min->itemText(60), QString("60 / C3"));
    QCOMPARE(min->currentIndex(), 0);
    QCOMPARE(editor(false)->data1MaxCombo()->currentIndex(), 127);
    m_page->applyNaming(5, false);
    QCOMPARE(min->itemText(0), QString("0 / C0"));
    choose(false, "Pitch Bend");
    QCOMPARE(min->itemText(60), QString("60"));

    // The mapped side follows its own type.
    choose(true, "Note Off");
    QCOMPARE(editor(true)->data1MaxCombo()->itemText(127), QString("127 / G10"));
}

QTEST_MAIN(TestMappingPage)
#include "tst_mappingpage.moc"
