// The lines of the mapping page driven with the mouse, the standard
// editor's fields as the types set them, and the sources the page derives
// when a side is a SysEx message or a stored SysEx rule is shown.
#include "device/devicesession.h"
#include "device/feedbackdispatcher.h"
#include "mapping/mappingfeedback.h"
#include "device/framekind.h"
#include "mapping/mappingoverlay.h"
#include "mapping/mappingpage.h"
#include "mapping/standardmappingeditor.h"
#include "mapping/sysexmappingeditor.h"
#include "widgets/placeholdercombobox.h"
#include "tests/support/scriptedprompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QtTest>

#include <memory>

using Kind = Mapping::SysExRow::Kind;

namespace {

const QString Grey = QStringLiteral("rgb(230, 230, 230)");
const QString Yellow = QStringLiteral("rgb(255, 221, 87)");
const QString Green = QStringLiteral("rgb(134, 214, 134)");

QPoint rightQuarter(const QWidget *w) { return QPoint(w->width() - 4, w->height() / 2); }
QPoint leftPart(const QWidget *w) { return QPoint(w->width() / 2, w->height() / 2); }

} // namespace

class TestMappingOverlay : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fieldTitlesAndColoursFollowType_data();
    void fieldTitlesAndColoursFollowType();
    void startTypeOffersNoLineStart();
    void dragFromRightQuarterFixesOnMappedField_data();
    void dragFromRightQuarterFixesOnMappedField();
    void releaseOverPlaceholderDrawsNothing();
    void mappedProgramChangeRemovesData2Line();
    void clearingDrawKeepsStraightLines();
    void rightClickNearLineAsksBeforeRemoving_data();
    void rightClickNearLineAsksBeforeRemoving();
    void linesStartAndEndOnTheirFieldsAtEverySize_data();
    void linesStartAndEndOnTheirFieldsAtEverySize();
    void sysExTypeComboSwitchesBackToStandardPage();
    void mixedSidesPairDataRowsWithUsableFields();
    void mixedSidesLineFromDataRowChoosesMappedField();
    void deletingMappedData2RowClearsItsSource();
    void storedSysExRuleIsShownAndSentUnchanged();

private:
    void choose(bool mappedSide, const QString &type);
    void drag(QWidget *from, const QPoint &fromPoint, QWidget *to);
    [[nodiscard]] StandardMappingEditor *editor(bool mapped) const
    {
        return mapped ? m_page->mappedEditor() : m_page->originalEditor();
    }
    [[nodiscard]] QWidget *field(const char *name) const { return m_page->findChild<QWidget *>(name); }
    void addRow(SysExMappingEditor *sysEx, Kind kind, int value = 0);

    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<MappingPage> m_page;
};

void TestMappingOverlay::init()
{
    m_prompt = std::make_unique<ScriptedPrompt>();
    m_session = std::make_unique<DeviceSession>(m_prompt.get());
    m_page = std::make_unique<MappingPage>();
    m_page->attach(m_session.get(), m_prompt.get());
    // As if the page were the current tab.
    m_page->findChild<MappingFeedback *>()->setPageShown(true);
    m_page->resize(1000, 720);
    m_page->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
}

void TestMappingOverlay::cleanup()
{
    m_page.reset();
    m_session.reset();
    m_prompt.reset();
}

void TestMappingOverlay::choose(bool mappedSide, const QString &type)
{
    auto *noSelect = m_page->findChild<PlaceholderComboBox *>(mappedSide ? "mappedPlaceholderCombo" : "originalPlaceholderCombo");
    QStackedWidget *stack = mappedSide ? m_page->mappedStack() : m_page->originalStack();
    if (stack->currentIndex() == MappingPage::PlaceholderPage)
        noSelect->setCurrentIndex(noSelect->findText(type));
    else
        editor(mappedSide)->statusCombo()->setCurrentIndex(editor(mappedSide)->statusCombo()->findText(type));
}

void TestMappingOverlay::drag(QWidget *from, const QPoint &fromPoint, QWidget *to)
{
    QTest::mousePress(from, Qt::LeftButton, {}, fromPoint);
    QTest::mouseRelease(to, Qt::LeftButton, {}, QPoint(10, to->height() / 2));
}

void TestMappingOverlay::addRow(SysExMappingEditor *sysEx, Kind kind, int value)
{
    sysEx->setAddDataChooser([kind, value](QWidget *, const AddDataOptions &) {
        return std::optional<AddDataChoice>(AddDataChoice{kind, value});
    });
    sysEx->tableView()->setCurrentIndex(sysEx->tableView()->model()->index(sysEx->rowCount() - 1, 0));
    sysEx->onAddClicked();
}

void TestMappingOverlay::fieldTitlesAndColoursFollowType_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data1Title");
    QTest::addColumn<QString>("data2Title");
    QTest::addColumn<QString>("data1Colour");
    QTest::addColumn<QString>("data2Colour");
    QTest::newRow("Control Change") << "Control Change(CC)" << "Controller#" << "Value      " << Yellow << Green;
    QTest::newRow("Channel Pressure") << "Channel Pressure" << "Value      " << "Not Used" << Yellow << Grey;
    QTest::newRow("Note Off") << "Note Off" << "Note#      " << "Velocity   " << Yellow << Green;
    QTest::newRow("Program Change") << "Program Change(PC)" << "Patch      " << "Not Used" << Yellow << Grey;
    QTest::newRow("Pitch Bend") << "Pitch Bend" << "Bend LSB   " << "Bend MSB   " << Yellow << Green;
    QTest::newRow("Key Aftertouch") << "Key Aftertouch" << "Note#      " << "Pressure   " << Yellow << Green;
    QTest::newRow("Song Position Pointer") << "Song Position Pointer" << "data1      " << "data2      " << Yellow
                                           << Green;
    QTest::newRow("MIDI Time Code") << "MIDI Time Code" << "data1      " << "Not Used" << Yellow << Grey;
    QTest::newRow("Start") << "Start" << "Not Used" << "Not Used" << Grey << Grey;
}

void TestMappingOverlay::fieldTitlesAndColoursFollowType()
{
    QFETCH(QString, type);
    QFETCH(QString, data1Title);
    QFETCH(QString, data2Title);
    QFETCH(QString, data1Colour);
    QFETCH(QString, data2Colour);
    choose(false, type);
    StandardMappingEditor *original = editor(false);
    QCOMPARE(original->data1Title()->text(), data1Title);
    QCOMPARE(original->data2Title()->text(), data2Title);
    if (data1Title != "Not Used")
        QCOMPARE(data1Title.size(), 11);
    QCOMPARE(original->fieldColour(original->data1Field()), data1Colour);
    QCOMPARE(original->fieldColour(original->data2Field()), data2Colour);
    // An unused field is hidden but keeps its place.
    QCOMPARE(original->data2Field()->isHidden(), data2Colour == Grey);
    QVERIFY(original->data2Field()->sizePolicy().retainSizeWhenHidden());
    // A type change starts the ranges afresh.
    QCOMPARE(original->data1MinCombo()->currentIndex(), 0);
    QCOMPARE(original->data2MaxCombo()->currentIndex(), 127);
}

void TestMappingOverlay::startTypeOffersNoLineStart()
{
    choose(false, "Note On");
    choose(true, "Note On");
    QWidget *editors = m_page->overlay()->parentWidget();
    const QPoint where = field("originalData1Field")->mapTo(editors, rightQuarter(field("originalData1Field")));
    choose(false, "Start");
    QCOMPARE(m_page->data1MappingFrom(), -1);
    QCOMPARE(m_page->data2MappingFrom(), -1);
    QTest::mousePress(editors, Qt::LeftButton, {}, where);
    QVERIFY(!m_page->overlay()->model().isDragging());
    QTest::mouseRelease(field("mappedData1Field"), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(m_page->data1MappingFrom(), -1);
    QVERIFY(m_page->overlay()->lines().isEmpty());
}

void TestMappingOverlay::dragFromRightQuarterFixesOnMappedField_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("inRightQuarter");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("data1From");
    QTest::addColumn<int>("data2From");
    QTest::addColumn<QString>("mappedData1Colour");
    QTest::addColumn<int>("key"); // 0: the mouse; else the key that ends a keyboard line
    // Note On to Note On starts with the straight lines 1 and 2.
    QTest::newRow("left three quarters start nothing") << "originalData1Field" << false << "mappedData2Field" << 1 << 2 << Yellow << 0;
    QTest::newRow("Data2 to mapped Data1 replaces the Data1 line") << "originalData2Field" << true << "mappedData1Field" << 2 << 2
                                                                   << Green << 0;
    QTest::newRow("Data1 to mapped Data2") << "originalData1Field" << true << "mappedData2Field" << 1 << 1 << Yellow << 0;
    // Space on a source, Tab to a mapped field, Space: the same line.
    QTest::newRow("keys: Data2 to mapped Data1") << "originalData2Field" << true << "mappedData1Field" << 2 << 2 << Green
                                                 << int(Qt::Key_Space);
    QTest::newRow("keys: Data1 to mapped Data2") << "originalData1Field" << true << "mappedData2Field" << 1 << 1 << Yellow
                                                 << int(Qt::Key_Return);
    QTest::newRow("keys: Escape lets the line go") << "originalData2Field" << true << "mappedData1Field" << 1 << 2 << Yellow
                                                   << int(Qt::Key_Escape);
}

void TestMappingOverlay::dragFromRightQuarterFixesOnMappedField()
{
    QFETCH(QString, from);
    QFETCH(bool, inRightQuarter);
    QFETCH(QString, to);
    QFETCH(int, data1From);
    QFETCH(int, data2From);
    QFETCH(QString, mappedData1Colour);
    QFETCH(int, key);
    choose(false, "Note On");
    choose(true, "Note On");
    QCOMPARE(m_page->data1MappingFrom(), 1);
    QCOMPARE(m_page->data2MappingFrom(), 2);
    QWidget *source = field(qPrintable(from));
    QWidget *target = field(qPrintable(to));
    if (key == 0) {
        drag(source, inRightQuarter ? rightQuarter(source) : leftPart(source), target);
    } else {
        QCOMPARE(source->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
        QCOMPARE(source->accessibleName(), from == "originalData1Field" ? QString("Original Data1") : QString("Original Data2"));
        m_page->activateWindow();
        source->setFocus();
        QTest::keyClick(source, Qt::Key_Space);
        QVERIFY(m_page->overlay()->model().isDragging());
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key));
        QVERIFY(!m_page->overlay()->model().isDragging());
    }
    QCOMPARE(m_page->data1MappingFrom(), data1From);
    QCOMPARE(m_page->data2MappingFrom(), data2From);
    QCOMPARE(editor(true)->fieldColour(field("mappedData1Field")), mappedData1Colour);
    QCOMPARE(m_page->buildRecord().mappedData1Source, data1From);
    QCOMPARE(m_page->buildRecord().mappedData2Source, data2From);
}

void TestMappingOverlay::releaseOverPlaceholderDrawsNothing()
{
    choose(false, "Note On");
    QCOMPARE(m_page->mappedStack()->currentIndex(), MappingPage::PlaceholderPage);
    // Where the mapped Data1 field would be, the placeholder page is.
    QWidget *placeholder = m_page->mappedStack()->currentWidget();
    QTest::mousePress(field("originalData1Field"), Qt::LeftButton, {}, rightQuarter(field("originalData1Field")));
    QVERIFY(m_page->overlay()->model().isDragging());
    QTest::mouseRelease(placeholder, Qt::LeftButton, {}, QPoint(20, 60));
    QVERIFY(!m_page->overlay()->model().isDragging());
    QCOMPARE(m_page->data1MappingFrom(), -1);
    QCOMPARE(m_page->data2MappingFrom(), -1);
    QVERIFY(m_page->overlay()->lines().isEmpty());
}

void TestMappingOverlay::mappedProgramChangeRemovesData2Line()
{
    choose(false, "Note On");
    choose(true, "Note On");
    drag(field("originalData1Field"), rightQuarter(field("originalData1Field")), field("mappedData2Field"));
    QCOMPARE(m_page->data2MappingFrom(), 1);
    choose(true, "Program Change(PC)");
    QCOMPARE(m_page->data1MappingFrom(), 1);
    QCOMPARE(m_page->data2MappingFrom(), -1);
    QCOMPARE(editor(true)->fieldColour(field("mappedData2Field")), Grey);
    QCOMPARE(editor(true)->data2Title()->text(), QString("Not Used"));
    QCOMPARE(m_page->overlay()->lines().size(), 1);
    QCOMPARE(m_page->buildRecord().mappedData2Source, 0);
}

void TestMappingOverlay::clearingDrawKeepsStraightLines()
{
    choose(false, "Control Change(CC)");
    choose(true, "Note On");
    drag(field("originalData2Field"), rightQuarter(field("originalData2Field")), field("mappedData1Field"));
    QCOMPARE(m_page->data1MappingFrom(), 2);
    QCOMPARE(m_page->data2MappingFrom(), 2);
    auto *draw = m_page->findChild<QCheckBox *>("drawBox");
    QCOMPARE(draw->text(), QString("  draw"));
    QTest::mouseClick(draw, Qt::LeftButton, {}, QPoint(4, 4));
    QVERIFY(!draw->isChecked());
    QCOMPARE(m_page->data1MappingFrom(), -1);
    QCOMPARE(m_page->data2MappingFrom(), 2);
    QCOMPARE(editor(true)->fieldColour(field("mappedData1Field")), Grey);
    // No new line while drawing is off.
    drag(field("originalData1Field"), rightQuarter(field("originalData1Field")), field("mappedData1Field"));
    QCOMPARE(m_page->data1MappingFrom(), -1);
}

void TestMappingOverlay::rightClickNearLineAsksBeforeRemoving_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("data1From");
    QTest::newRow("on the line, Yes") << 0 << int(Prompt::Yes) << true << -1;
    QTest::newRow("18 pixels away, No") << 18 << int(Prompt::No) << true << 1;
    QTest::newRow("19 pixels away") << 19 << int(Prompt::Yes) << false << 1;
    QTest::newRow("Delete on the mapped field, Yes") << -1 << int(Prompt::Yes) << true << -1;
}

void TestMappingOverlay::rightClickNearLineAsksBeforeRemoving()
{
    QFETCH(int, offset);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(int, data1From);
    choose(false, "Note On");
    choose(true, "Program Change(PC)");
    const QVector<MappingLineModel::Line> lines = m_page->overlay()->lines();
    QCOMPARE(lines.size(), 1);
    // The straight line is horizontal: go straight up from its middle.
    const QPointF middle = lines.first().segment.center();
    QCOMPARE(lines.first().segment.dy(), 0.0);
    const QPoint at = QPointF(middle.x(), middle.y() - offset).toPoint();
    m_prompt->answerNext(answer);
    if (offset < 0) {
        m_page->activateWindow();
        field("mappedData1Field")->setFocus();
        QTest::keyClick(field("mappedData1Field"), Qt::Key_Delete);
    } else {
        QTest::mousePress(m_page->overlay()->parentWidget(), Qt::RightButton, {}, m_page->overlay()->mapToParent(at));
    }
    QCOMPARE(m_prompt->shown().size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(m_prompt->shown().first().title, QString("Remove Connection"));
        QCOMPARE(m_prompt->shown().first().text, QString("Do you want to remove this connection?"));
        QCOMPARE(m_prompt->shown().first().buttons, int(Prompt::Yes | Prompt::No));
    }
    QCOMPARE(m_page->data1MappingFrom(), data1From);
    QCOMPARE(editor(true)->fieldColour(field("mappedData1Field")), data1From == 1 ? Yellow : Grey);
}

void TestMappingOverlay::linesStartAndEndOnTheirFieldsAtEverySize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("small") << QSize(760, 600);
    QTest::newRow("wide") << QSize(1400, 700);
    QTest::newRow("tall") << QSize(900, 1000);
}

void TestMappingOverlay::linesStartAndEndOnTheirFieldsAtEverySize()
{
    QFETCH(QSize, size);
    choose(false, "Note On");
    choose(true, "Note Off");
    m_page->resize(size);
    // The overlay covers the scrolled editors it draws on.
    QWidget *editors = m_page->overlay()->parentWidget();
    QTRY_COMPARE(m_page->overlay()->size(), editors->size());
    for (const MappingLineModel::Line &line : m_page->overlay()->lines()) {
        QWidget *from = field(line.source == 1 ? "originalData1Field" : "originalData2Field");
        QWidget *to = field(line.target == MappingLineModel::Field::MappedData1 ? "mappedData1Field" : "mappedData2Field");
        const QPoint start = from->mapTo(editors, QPoint(from->width(), from->height() / 2));
        const QPoint end = to->mapTo(editors, QPoint(0, to->height() / 2));
        QVERIFY(qAbs(line.segment.p1().x() - start.x()) <= 1 && qAbs(line.segment.p1().y() - start.y()) <= 1);
        QVERIFY(qAbs(line.segment.p2().x() - end.x()) <= 1 && qAbs(line.segment.p2().y() - end.y()) <= 1);
    }
    QCOMPARE(m_page->overlay()->lines().size(), 2);
}

void TestMappingOverlay::sysExTypeComboSwitchesBackToStandardPage()
{
    choose(false, "System Exclusive");
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::SysExPage);
    auto *combo = m_page->findChild<QComboBox *>("originalSysExTypeCombo");
    combo->setCurrentIndex(combo->findText("Pitch Bend"));
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::StandardPage);
    QCOMPARE(editor(false)->typeName(), QString("Pitch Bend"));
    QCOMPARE(combo->currentData().toString(), QString("System Exclusive (0xF0)"));
    // The mapped type first puts the original on its first type.
    m_page->reset();
    choose(true, "System Exclusive");
    QCOMPARE(m_page->mappedStack()->currentIndex(), MappingPage::SysExPage);
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::StandardPage);
    auto *mappedTypeCombo = m_page->findChild<QComboBox *>("mappedSysExTypeCombo");
    mappedTypeCombo->setCurrentIndex(mappedTypeCombo->findText("Note Off"));
    QCOMPARE(m_page->mappedStack()->currentIndex(), MappingPage::StandardPage);
    QCOMPARE(editor(true)->typeName(), QString("Note Off"));
    QCOMPARE(m_page->data1MappingFrom(), 1);
}

void TestMappingOverlay::mixedSidesPairDataRowsWithUsableFields()
{
    choose(false, "System Exclusive");
    choose(true, "Program Change(PC)");
    SysExMappingEditor *sysEx = m_page->originalSysExEditor();
    QCOMPARE(m_page->data1MappingFrom(), -1);
    addRow(sysEx, Kind::Data2);
    // Only Data2 exists: it takes the only usable field, in green.
    QCOMPARE(m_page->data1MappingFrom(), 2);
    QCOMPARE(editor(true)->fieldColour(field("mappedData1Field")), Green);
    QCOMPARE(m_page->overlay()->lines().size(), 1);
    m_page->setData1MappingFrom(-1);
    addRow(sysEx, Kind::Data1);
    // Data1 goes first once the ends change and nothing is connected.
    QCOMPARE(m_page->data1MappingFrom(), 1);
    choose(true, "Note On");
    QCOMPARE(m_page->data1MappingFrom(), 1);
    QCOMPARE(m_page->data2MappingFrom(), -1);
    const MappingRecord r = m_page->buildRecord();
    QCOMPARE(r.originalType, 0x0F);
    QCOMPARE(r.payload, QByteArray::fromHex("7f7f7f007f007f"));
    QCOMPARE(r.originalData1Position, 6);
    QCOMPARE(r.originalData2Position, 1);
}

void TestMappingOverlay::mixedSidesLineFromDataRowChoosesMappedField()
{
    choose(false, "System Exclusive");
    choose(true, "Control Change(CC)");
    SysExMappingEditor *sysEx = m_page->originalSysExEditor();
    addRow(sysEx, Kind::Data1);
    QCOMPARE(m_page->data1MappingFrom(), 1);
    QWidget *row = sysEx->data1RowWidget();
    drag(row, rightQuarter(row), field("mappedData2Field"));
    QCOMPARE(m_page->data2MappingFrom(), 1);
    // Remove the paired line: the rule carries Original Data1 to Data2 only.
    const QPointF middle = m_page->overlay()->lines().first().segment.center();
    m_prompt->answerNext(Prompt::Yes);
    QTest::mousePress(m_page->overlay()->parentWidget(), Qt::RightButton, {}, m_page->overlay()->mapToParent(middle.toPoint()));
    QCOMPARE(m_page->data1MappingFrom(), -1);
    QCOMPARE(m_page->data2MappingFrom(), 1);
    // Reconciling again keeps it so.
    m_page->overlay()->reconcileSources();
    QCOMPARE(m_page->data1MappingFrom(), -1);
    QCOMPARE(m_page->data2MappingFrom(), 1);
}

void TestMappingOverlay::deletingMappedData2RowClearsItsSource()
{
    choose(false, "Note On");
    choose(true, "System Exclusive");
    SysExMappingEditor *sysEx = m_page->mappedSysExEditor();
    addRow(sysEx, Kind::Data1);
    addRow(sysEx, Kind::Data2);
    m_page->setData2MappingFrom(2);
    QCOMPARE(m_page->data1MappingFrom(), 1);
    QCOMPARE(m_page->overlay()->lines().size(), 2);
    QCOMPARE(m_page->buildRecord().mappedData2Position, 6);
    sysEx->tableView()->setCurrentIndex(sysEx->tableView()->model()->index(4, 0));
    QTest::mouseClick(m_page->findChild<QPushButton *>("mappedDeleteButton"), Qt::LeftButton);
    QCOMPARE(m_page->data2MappingFrom(), -1);
    QCOMPARE(m_page->data1MappingFrom(), 1);
    QCOMPARE(m_page->overlay()->lines().size(), 1);
    QCOMPARE(m_page->buildRecord().mappedData2Source, 0);
}

void TestMappingOverlay::storedSysExRuleIsShownAndSentUnchanged()
{
    // Value 0x41, Data1 0..127, Ignore, to Control Change with Data2 from
    // Original Data1: "ll" is 1 and must not turn 0x41 into a Data2 row.
    MappingRecord r;
    r.numberByte = 0x42;
    r.originalType = 0x0F;
    r.originalChannel = 1;
    r.originalData1Position = 2;
    r.originalData2Position = 1;
    r.payloadLength = 4;
    r.payload = QByteArray::fromHex("41007fff");
    r.mappedType = 0x0B;
    r.mappedChannel = 1;
    r.mappedData1Source = 0;
    r.mappedData1Position = 1;
    r.mappedData2Source = 1;
    r.mappedData2Position = 3;
    r.extraDataLength = 5;
    r.extraData = QByteArray::fromHex("b000 7f007f");
    m_page->setPortBoxesVisible(true);
    m_session->dispatcher()->dispatch(FrameKind::MappingReport, r.toStoreCommand());
    QTRY_VERIFY(m_page->feedbackMappings().at(2).enable);
    m_page->findChild<QCheckBox *>("originalShowHexBox")->click();
    m_page->mappingNumberCombo()->setCurrentIndex(1);
    QCOMPARE(m_page->originalStack()->currentIndex(), MappingPage::SysExPage);
    QCOMPARE(m_page->originalSysExEditor()->rowTexts(), (QStringList{"0x41", "Data1", "Ignore"}));
    QCOMPARE(m_page->findChild<QLabel *>("originalSysExHeader")->text(), QString("0xF0"));
    QCOMPARE(m_page->data1MappingFrom(), -1);
    QCOMPARE(m_page->data2MappingFrom(), 1);
    QCOMPARE(m_page->overlay()->lines().size(), 1);
    m_page->overlay()->reconcileSources();
    QCOMPARE(m_page->buildRecord(), m_page->feedbackMappings().at(2));
}

QTEST_MAIN(TestMappingOverlay)
#include "tst_mappingoverlay.moc"
