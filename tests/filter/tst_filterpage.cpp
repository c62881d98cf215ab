// The filter page on its own: section boxes and counters, the click walk that
// shows a stored filter, the port chooser fed by the dispatcher, controller
// labels, and what "Set" does without a device.
#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "device/sysex.h"
#include "filter/filterbits.h"
#include "filter/filtermodel.h"
#include "filter/filterpage.h"
#include "filter/filtersection.h"
#include "filter/portfilteringsituation.h"
#include "tests/support/scriptedprompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using Section = FilterPage::Section;

Q_DECLARE_METATYPE(Filter::Bytes)
Q_DECLARE_METATYPE(Qt::CheckState)

namespace {

QByteArray portCountsFrame(const QVector<int> &counts)
{
    QByteArray data;
    for (int c : counts)
        data.append(static_cast<char>(c));
    return SysEx::frame(1, 4, data);
}

QByteArray situationFrame(int type, int number, const Filter::Bytes &bytes)
{
    QByteArray data;
    data.append(static_cast<char>(type));
    data.append(static_cast<char>(number));
    for (qint32 b : bytes)
        data.append(static_cast<char>(b));
    data.append(QByteArray(2, '\0'));
    return SysEx::frame(2, 3, data);
}

Filter::Bytes withByte(int index, qint32 value)
{
    Filter::Bytes bytes{};
    bytes[index] = value;
    return bytes;
}

QStringList range(const QString &pattern, int first, int last)
{
    QStringList names;
    for (int i = first; i <= last; ++i)
        names.append(pattern.arg(i));
    return names;
}

} // namespace

class TestFilterPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void shouldBuildEveryControlWithItsText();
    void shouldFollowItemClicksInSectionState_data();
    void shouldFollowItemClicksInSectionState();
    void shouldCheckOrClearWholeSectionFromSectionBox_data();
    void shouldCheckOrClearWholeSectionFromSectionBox();
    void shouldEncodeWhatThePageShows();
    void shouldShowStoredFilterThroughClickWalk_data();
    void shouldShowStoredFilterThroughClickWalk();
    void shouldLeavePageClearForPortWithoutRecord();
    void shouldFillChooserOnceTypeByType();
    void shouldShowChosenPortOnceReportsCoverChooser();
    void shouldKeepDuplicateReportsAndShowFirst();
    void shouldIgnoreMalformedStateReport();
    void shouldKeepReportedPortsOfOtherModels();
    void shouldRefuseSetWhenNotConnected();
    void shouldLabelControllersByShowCCName();
    void shouldKeepPortChoosersOffWithAppliesToAll();
    void shouldClearRecordsAndPageOnFactoryReset();
    void shouldEmptyChooserRecordsAndPageOnDisconnect();
    void shouldRecountSectionsAfterDirectChanges();

private:
    void feed(FrameKind type, const QByteArray &frame);
    void expectClearPage();
    QCheckBox *box(const QString &name) const;

    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<FilterPage> m_page;
};

void TestFilterPage::init()
{
    m_prompt = std::make_unique<ScriptedPrompt>();
    m_session = std::make_unique<DeviceSession>(m_prompt.get());
    m_page = std::make_unique<FilterPage>();
    m_page->attach(m_session.get(), m_prompt.get());
}

void TestFilterPage::cleanup()
{
    m_page.reset();
    m_session.reset();
    m_prompt.reset();
}

void TestFilterPage::feed(FrameKind type, const QByteArray &frame)
{
    m_session->dispatcher()->dispatch(type, frame);
}

QCheckBox *TestFilterPage::box(const QString &name) const
{
    return m_page->findChild<QCheckBox *>(name);
}

void TestFilterPage::expectClearPage()
{
    for (const QString &name : Filter::boxNames())
        QVERIFY2(!box(name)->isChecked(), qPrintable(name));
    for (int s = 0; s < FilterPage::SectionCount; ++s) {
        QCOMPARE(m_page->counter(static_cast<Section>(s)), 0);
        QCOMPARE(m_page->section(static_cast<Section>(s))->sectionBox()->checkState(), Qt::Unchecked);
    }
}

void TestFilterPage::shouldBuildEveryControlWithItsText()
{
    for (const QString &name : Filter::boxNames()) {
        QCheckBox *item = box(name);
        QVERIFY2(item, qPrintable(name));
        QCOMPARE(item->accessibleName(), item->text());
    }
    QCOMPARE(box("channel16Box")->text(), QString("16"));
    QCOMPARE(box("songPositionPointerBox")->text(), QString("Song Pos Pointer"));
    QCOMPARE(box("systemResetBox")->text(), QString("System Reset"));
    QCOMPARE(box("controller127Box")->text(), QString("CC#127"));
    QCOMPARE(box("appliesToAllBox")->text(), QString("Applies to All MIDI Ports"));
    QCOMPARE(m_page->findChild<QLabel *>("portLabel")->text(), QString("MIDI Ports"));
    QCOMPARE(m_page->findChild<QLabel *>("channelsHint")->text(),
             QString("Select the MIDI channel you want to filter. After selection, messages from the MIDI "
                     "channel will be filtered entirely."));
    QCOMPARE(m_page->findChild<QLabel *>("controlChangeHint")->text(),
             QString("Select the specific MIDI CC controller you want to filter."));
    QCOMPARE(m_page->findChild<QLabel *>("systemRealtimeHint")->text(),
             m_page->findChild<QLabel *>("systemCommonHint")->text());
    QVERIFY(m_page->findChild<QComboBox *>("secondPortCombo")->isHidden());

    const QStringList sections = {"channelsBox", "messagesBox", "controlChangeBox",
                                  "systemCommonBox", "systemRealtimeBox"};
    const QStringList titles = {"Channels", "Messages", "Control Change", "System Common", "System Realtime"};
    const QVector<int> sizes = {16, 6, 128, 5, 7};
    for (int s = 0; s < sections.size(); ++s) {
        FilterSection *section = m_page->section(static_cast<Section>(s));
        QCOMPARE(section->sectionBox(), box(sections.at(s)));
        QCOMPARE(section->sectionBox()->text(), titles.at(s));
        QVERIFY(section->sectionBox()->isTristate());
        QCOMPARE(section->itemCount(), sizes.at(s));
        QVERIFY(section->allButton()->isHidden());
        QVERIFY(section->noneButton()->isHidden());
    }
    // The 128 controllers scroll inside their section.
    auto *scroll = m_page->section(Section::ControlChange)->scrollArea();
    QVERIFY(scroll);
    QVERIFY(scroll->widget()->isAncestorOf(box("controller0Box")));
    QVERIFY(scroll->widget()->isAncestorOf(box("controller127Box")));
    for (const char *name : {"channelsAllButton", "channelsNoneButton", "messagesAllButton", "messagesNoneButton",
                             "controlChangeAllButton", "controlChangeNoneButton", "systemCommonAllButton",
                             "systemCommonNoneButton", "systemRealtimeAllButton", "systemRealtimeNoneButton"})
        QVERIFY2(m_page->findChild<QPushButton *>(name), name);
}

void TestFilterPage::shouldFollowItemClicksInSectionState_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("count");
    QTest::addColumn<Qt::CheckState>("state");
    const QStringList channels = range("channel%1Box", 1, 16);
    QTest::newRow("one channel") << int(Section::Channels) << QStringList{"channel10Box"} << 1 << Qt::PartiallyChecked;
    QTest::newRow("all channels") << int(Section::Channels) << channels << 16 << Qt::Checked;
    QTest::newRow("all channels, one taken back")
        << int(Section::Channels) << channels + QStringList{"channel4Box"} << 15 << Qt::PartiallyChecked;
    QTest::newRow("one channel on and off")
        << int(Section::Channels) << QStringList{"channel1Box", "channel1Box"} << 0 << Qt::Unchecked;
    QTest::newRow("all messages")
        << int(Section::Messages)
        << QStringList{"noteOnBox", "noteOffBox", "keyAftertouchBox", "programChangeBox",
                       "channelPressureBox", "pitchBendBox"}
        << 6 << Qt::Checked;
    QTest::newRow("System Exclusive counts as system common")
        << int(Section::SystemCommon) << QStringList{"systemExclusiveBox"} << 1 << Qt::PartiallyChecked;
    QTest::newRow("all realtime")
        << int(Section::SystemRealtime)
        << QStringList{"timingClockBox", "tickBox", "startBox", "continueBox",
                       "stopBox", "activeSensingBox", "systemResetBox"}
        << 7 << Qt::Checked;
    QTest::newRow("127 of 128 controllers")
        << int(Section::ControlChange) << range("controller%1Box", 0, 126) << 127 << Qt::PartiallyChecked;
    QTest::newRow("all controllers")
        << int(Section::ControlChange) << range("controller%1Box", 0, 127) << 128 << Qt::Checked;
}

void TestFilterPage::shouldFollowItemClicksInSectionState()
{
    QFETCH(int, section);
    QFETCH(QStringList, clicks);
    QFETCH(int, count);
    QFETCH(Qt::CheckState, state);
    for (const QString &name : clicks)
        box(name)->click();
    const auto s = static_cast<Section>(section);
    QCOMPARE(m_page->counter(s), count);
    QCOMPARE(m_page->section(s)->checkedCount(), count);
    QCOMPARE(m_page->section(s)->sectionBox()->checkState(), state);
    // The other sections are untouched.
    for (int other = 0; other < FilterPage::SectionCount; ++other) {
        if (other != section)
            QCOMPARE(m_page->counter(static_cast<Section>(other)), 0);
    }
}

void TestFilterPage::shouldCheckOrClearWholeSectionFromSectionBox_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<bool>("allChecked");
    QTest::newRow("empty channels: all") << int(Section::Channels) << QStringList{} << true;
    QTest::newRow("partial channels: all") << int(Section::Channels) << QStringList{"channel3Box"} << true;
    QTest::newRow("full channels: none") << int(Section::Channels) << range("channel%1Box", 1, 16) << false;
    QTest::newRow("full controllers: none") << int(Section::ControlChange) << range("controller%1Box", 0, 127) << false;
    QTest::newRow("partial controllers: all") << int(Section::ControlChange) << QStringList{"controller64Box"} << true;
    QTest::newRow("empty messages: all") << int(Section::Messages) << QStringList{} << true;
    QTest::newRow("partial system common: all")
        << int(Section::SystemCommon) << QStringList{"tuneRequestBox"} << true;
    QTest::newRow("partial realtime: all") << int(Section::SystemRealtime) << QStringList{"stopBox"} << true;
}

void TestFilterPage::shouldCheckOrClearWholeSectionFromSectionBox()
{
    QFETCH(int, section);
    QFETCH(QStringList, before);
    QFETCH(bool, allChecked);
    for (const QString &name : before)
        box(name)->click();
    const auto s = static_cast<Section>(section);
    FilterSection *view = m_page->section(s);
    view->sectionBox()->click();
    const int expected = allChecked ? view->itemCount() : 0;
    QCOMPARE(m_page->counter(s), expected);
    QCOMPARE(view->checkedCount(), expected);
    QCOMPARE(view->sectionBox()->checkState(), allChecked ? Qt::Checked : Qt::Unchecked);

    // The invariant survives an item click after the section click.
    view->items().first()->click();
    QCOMPARE(m_page->counter(s), view->checkedCount());
    QCOMPARE(view->sectionBox()->checkState(), Qt::PartiallyChecked);
}

void TestFilterPage::shouldEncodeWhatThePageShows()
{
    box("channel10Box")->click();
    box("systemExclusiveBox")->click();
    box("controller0Box")->click();
    box("controller127Box")->click();
    const Filter::Bytes bytes = m_page->pageBytes();
    Filter::Bytes expected{};
    expected[1] = 0x04;  // channel 10
    expected[3] = 0x40;  // System Exclusive lives with the channel messages
    expected[4] = 0x02;  // CC 127
    expected[22] = 0x01; // CC 0
    QCOMPARE(bytes, expected);
    // Section boxes add nothing of their own.
    m_page->section(Section::Channels)->sectionBox()->setCheckState(Qt::Checked);
    QCOMPARE(m_page->pageBytes(), expected);
}

void TestFilterPage::shouldShowStoredFilterThroughClickWalk_data()
{
    QTest::addColumn<Filter::Bytes>("stored");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QVector<int>>("counts");
    QTest::addColumn<QVector<int>>("states"); // Qt::CheckState per section
    QTest::newRow("jj 0x41: Note On and System Exclusive")
        << withByte(3, 0x41) << QStringList{"noteOnBox", "systemExclusiveBox"}
        << QVector<int>{0, 1, 0, 1, 0} << QVector<int>{0, 1, 0, 1, 0};
    QTest::newRow("iibot 64: channel 7 alone") << withByte(2, 64) << QStringList{"channel7Box"}
                                              << QVector<int>{1, 0, 0, 0, 0} << QVector<int>{1, 0, 0, 0, 0};
    QTest::newRow("iibot 133: bit 6, then 133 mod 64 = 5")
        << withByte(2, 133) << QStringList{"channel7Box", "channel3Box", "channel1Box"}
        << QVector<int>{3, 0, 0, 0, 0} << QVector<int>{1, 0, 0, 0, 0};
    QTest::newRow("iitop 0x7F: only channels 15 and 16 exist there")
        << withByte(0, 0x7F) << QStringList{"channel15Box", "channel16Box"} << QVector<int>{2, 0, 0, 0, 0}
        << QVector<int>{1, 0, 0, 0, 0};
    QTest::newRow("kk19 1: controller 0")
        << withByte(22, 1) << QStringList{"controller0Box"} << QVector<int>{0, 0, 1, 0, 0} << QVector<int>{0, 0, 1, 0, 0};
    QTest::newRow("ll 0x0F: all system common but System Exclusive")
        << withByte(23, 0x0F)
        << QStringList{"midiTimeCodeBox", "songPositionPointerBox", "songSelectBox",
                       "tuneRequestBox"}
        << QVector<int>{0, 0, 0, 4, 0} << QVector<int>{0, 0, 0, 1, 0};
    Filter::Bytes all{};
    all.fill(0x7F);
    QTest::newRow("everything") << all << Filter::boxNames() << QVector<int>{16, 6, 128, 5, 7}
                                << QVector<int>{2, 2, 2, 2, 2};
}

void TestFilterPage::shouldShowStoredFilterThroughClickWalk()
{
    QFETCH(Filter::Bytes, stored);
    QFETCH(QStringList, checked);
    QFETCH(QVector<int>, counts);
    QFETCH(QVector<int>, states);
    // Something left over from the previous port must not survive.
    box("channel9Box")->click();
    box("controller5Box")->click();
    m_page->model()->append(QStringLiteral("MIDI IN1"), stored);
    m_page->showPortFilter(QStringLiteral("MIDI IN1"));
    for (const QString &name : Filter::boxNames())
        QVERIFY2(box(name)->isChecked() == checked.contains(name), qPrintable(name));
    for (int s = 0; s < FilterPage::SectionCount; ++s) {
        QCOMPARE(m_page->counter(static_cast<Section>(s)), counts.at(s));
        QCOMPARE(int(m_page->section(static_cast<Section>(s))->sectionBox()->checkState()), states.at(s));
    }
}

void TestFilterPage::shouldLeavePageClearForPortWithoutRecord()
{
    m_page->model()->append(QStringLiteral("MIDI IN1"), withByte(1, 0x7F));
    m_page->showPortFilter(QStringLiteral("MIDI IN1"));
    QCOMPARE(m_page->counter(Section::Channels), 7);
    m_page->showPortFilter(QStringLiteral("MIDI IN2"));
    expectClearPage();
    // A record from a report of an unknown port type has no name; no
    // empty chooser text may pick it up.
    m_page->model()->append(QString(), withByte(1, 0x7F));
    m_page->showPortFilter(QString());
    expectClearPage();
}

void TestFilterPage::shouldFillChooserOnceTypeByType()
{
    QSignalSpy writes(m_session->dispatcher(), &FeedbackDispatcher::writeRequested);
    feed(FrameKind::FilterPortCounts, portCountsFrame({2, 1, 0, 1, 0, 2}));
    QComboBox *combo = m_page->portCombo();
    const QStringList expected = {"MIDI IN1", "MIDI IN2", "MIDI OUT1", "USB HOST OUT1", "USB DEVICE OUT1",
                                  "USB DEVICE OUT2"};
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items.append(combo->itemText(i));
    QCOMPARE(items, expected);
    QCOMPARE(m_page->model()->filterPortCounts(), (Filter::PortCounts{2, 1, 0, 1, 0, 2}));
    QCOMPARE(writes.size(), 1); // query 5
    QVERIFY(combo->isEnabled());

    // A second report while the chooser is filled changes nothing and asks nothing.
    feed(FrameKind::FilterPortCounts, portCountsFrame({6, 6, 0, 0, 1, 1}));
    QCOMPARE(combo->count(), expected.size());
    QCOMPARE(m_page->model()->filterPortCounts(), (Filter::PortCounts{2, 1, 0, 1, 0, 2}));
    QCOMPARE(writes.size(), 1);
    m_page->fillPorts({1, 1, 1, 1, 1, 1});
    QCOMPARE(combo->count(), expected.size());
}

void TestFilterPage::shouldShowChosenPortOnceReportsCoverChooser()
{
    feed(FrameKind::FilterPortCounts, portCountsFrame({2, 1, 0, 0, 0, 0}));
    feed(FrameKind::FilterReport, situationFrame(0, 1, withByte(2, 0x01)));
    feed(FrameKind::FilterReport, situationFrame(0, 2, withByte(2, 0x02)));
    // Two records for three ports: not yet.
    expectClearPage();
    feed(FrameKind::FilterReport, situationFrame(1, 1, withByte(2, 0x04)));
    QCOMPARE(m_page->model()->count(), 3);
    QCOMPARE(m_page->model()->filterSituations().at(2)->name(), QString("MIDI OUT1"));
    QVERIFY(box("channel1Box")->isChecked());
    QCOMPARE(m_page->counter(Section::Channels), 1);

    m_page->portCombo()->setCurrentIndex(2);
    QVERIFY(box("channel3Box")->isChecked());
    QVERIFY(!box("channel1Box")->isChecked());
    // A further report shows the chosen port again, not another port's filter
    // under this port's name.
    feed(FrameKind::FilterReport, situationFrame(5, 1, withByte(2, 0x40)));
    QVERIFY(box("channel3Box")->isChecked());
    QVERIFY(!box("channel7Box")->isChecked());
    QCOMPARE(m_page->counter(Section::Channels), 1);
}

void TestFilterPage::shouldKeepDuplicateReportsAndShowFirst()
{
    feed(FrameKind::FilterPortCounts, portCountsFrame({1, 0, 0, 0, 0, 0}));
    feed(FrameKind::FilterReport, situationFrame(0, 1, withByte(3, 0x01)));
    feed(FrameKind::FilterReport, situationFrame(0, 1, withByte(3, 0x20)));
    QCOMPARE(m_page->model()->count(), 2);
    QCOMPARE(m_page->model()->filterSituations().at(1)->data(), withByte(3, 0x20));
    QVERIFY(box("noteOnBox")->isChecked());
    QVERIFY(!box("pitchBendBox")->isChecked());
    QCOMPARE(m_page->counter(Section::Messages), 1);
}

void TestFilterPage::shouldIgnoreMalformedStateReport()
{
    feed(FrameKind::FilterPortCounts, portCountsFrame({1, 0, 0, 0, 0, 0}));
    QByteArray shortFrame = situationFrame(0, 1, withByte(3, 0x01));
    shortFrame.remove(10, 1);
    feed(FrameKind::FilterReport, shortFrame);
    QCOMPARE(m_page->model()->count(), 0);
    expectClearPage();
}

void TestFilterPage::shouldKeepReportedPortsOfOtherModels()
{
    // No Linden model is connected: the routing page's USB HOST pairs must
    // not replace the ports the device reported.
    feed(FrameKind::FilterPortCounts, portCountsFrame({6, 6, 0, 0, 1, 1}));
    QComboBox *combo = m_page->portCombo();
    combo->setCurrentIndex(combo->findText("MIDI IN5"));
    m_page->rebuildLindenPorts(1);
    QCOMPARE(combo->count(), 14);
    QCOMPARE(combo->currentText(), QString("MIDI IN5"));
}

void TestFilterPage::shouldRefuseSetWhenNotConnected()
{
    feed(FrameKind::FilterPortCounts, portCountsFrame({1, 0, 0, 0, 0, 0}));
    m_page->model()->append(QStringLiteral("MIDI IN1"), Filter::Bytes{});
    box("channel10Box")->click();
    for (bool appliesToAll : {false, true}) {
        m_page->appliesToAll()->setChecked(appliesToAll);
        m_prompt->clear();
        m_page->onSetClicked();
        QCOMPARE(m_prompt->shown().size(), 1);
        QCOMPARE(m_prompt->shown().first().text, QString("Please connect the device and try again"));
        QCOMPARE(m_prompt->shown().first().okText, QString("OK"));
        QVERIFY(m_prompt->shown().first().cancelText.isEmpty());
        QCOMPARE(m_page->model()->filterSituations().first()->data(), Filter::Bytes{});
    }
}

void TestFilterPage::shouldLabelControllersByShowCCName()
{
    m_page->applyNaming(4, true);
    QCOMPARE(box("controller0Box")->text(), QString("0) Bank MSB"));
    QCOMPARE(box("controller7Box")->text(), QString("7) Volume"));
    QCOMPARE(box("controller3Box")->text(), QString("3) ***"));
    QCOMPARE(box("controller127Box")->text(), QString("127) Poly On"));
    QCOMPARE(box("controller7Box")->accessibleName(), QString("7) Volume"));
    m_page->applyNaming(3, false);
    QCOMPARE(box("controller0Box")->text(), QString("CC#0"));
    QCOMPARE(box("controller7Box")->text(), QString("CC#7"));
    QCOMPARE(box("controller7Box")->accessibleName(), QString("CC#7"));
    // Relabelling never touches what is checked.
    box("controller7Box")->click();
    m_page->applyNaming(5, true);
    QVERIFY(box("controller7Box")->isChecked());
    QCOMPARE(m_page->counter(Section::ControlChange), 1);
}

void TestFilterPage::shouldKeepPortChoosersOffWithAppliesToAll()
{
    feed(FrameKind::FilterPortCounts, portCountsFrame({1, 1, 0, 0, 0, 0}));
    QCheckBox *all = m_page->appliesToAll();
    all->click();
    QVERIFY(!m_page->portCombo()->isEnabled());
    QVERIFY(!m_page->secondPortCombo()->isEnabled());
    m_page->tabChanged(false);
    m_page->tabChanged(true);
    QVERIFY(!m_page->portCombo()->isEnabled());
    all->click();
    QVERIFY(m_page->portCombo()->isEnabled());
    QVERIFY(m_page->secondPortCombo()->isEnabled());
}

void TestFilterPage::shouldClearRecordsAndPageOnFactoryReset()
{
    feed(FrameKind::FilterPortCounts, portCountsFrame({1, 1, 0, 0, 0, 0}));
    feed(FrameKind::FilterReport, situationFrame(0, 1, withByte(24, 0x7F)));
    feed(FrameKind::FilterReport, situationFrame(1, 1, withByte(24, 0x7F)));
    QCOMPARE(m_page->counter(Section::SystemRealtime), 7);
    feed(FrameKind::FactoryReset, SysEx::frame(3, 1, QByteArray::fromHex("0101")));
    QCOMPARE(m_page->model()->count(), 0);
    expectClearPage();
    QCOMPARE(m_page->portCombo()->count(), 2);
}

void TestFilterPage::shouldEmptyChooserRecordsAndPageOnDisconnect()
{
    feed(FrameKind::FilterPortCounts, portCountsFrame({1, 0, 0, 0, 0, 0}));
    feed(FrameKind::FilterReport, situationFrame(0, 1, withByte(1, 0x7F)));
    QCOMPARE(m_page->counter(Section::Channels), 7);
    m_page->resetForDisconnect();
    QCOMPARE(m_page->portCombo()->count(), 0);
    QCOMPARE(m_page->model()->count(), 0);
    expectClearPage();
    // The next connection fills the chooser again.
    feed(FrameKind::FilterPortCounts, portCountsFrame({1, 0, 0, 0, 0, 0}));
    QCOMPARE(m_page->portCombo()->count(), 1);
}

void TestFilterPage::shouldRecountSectionsAfterDirectChanges()
{
    box("channel2Box")->setChecked(true);
    for (int n = 0; n < 128; ++n)
        box(QStringLiteral("controller%1Box").arg(n))->setChecked(true);
    QCOMPARE(m_page->counter(Section::Channels), 0);
    m_page->recountSections();
    QCOMPARE(m_page->counter(Section::Channels), 1);
    QCOMPARE(m_page->section(Section::Channels)->sectionBox()->checkState(), Qt::PartiallyChecked);
    QCOMPARE(m_page->counter(Section::ControlChange), 128);
    QCOMPARE(m_page->section(Section::ControlChange)->sectionBox()->checkState(), Qt::Checked);
    QCOMPARE(m_page->section(Section::Messages)->sectionBox()->checkState(), Qt::Unchecked);
}

QTEST_MAIN(TestFilterPage)
#include "tst_filterpage.moc"
