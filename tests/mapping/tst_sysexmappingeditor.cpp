// The SysEx editor of one side and its "Add Data" dialog, without a modal
// loop: the dialog's answer is injected, the dialog itself is checked open
// but not run.
#include "mapping/adddatadialog.h"
#include "mapping/sysexmappingeditor.h"
#include "widgets/hexspinbox.h"
#include "tests/support/scriptedprompt.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include <memory>

using Kind = Mapping::SysExRow::Kind;

class TestSysExMappingEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshTableHoldsThreeRowsOf127();
    void addsChosenRowAfterCurrentRow();
    void refusesTwentyNinthRow();
    void refusesSecondDataRow_data();
    void refusesSecondDataRow();
    void mappedSideNeverAddsIgnore();
    void cancelledDialogChangesNothing();
    void deleteNeedsSelectedRowAndReportsDataRows();
    void showInHexTwiceRestoresTexts();
    void dataRowWidgetsCarryNamedRangeBoxes_data();
    void dataRowWidgetsCarryNamedRangeBoxes();
    void otherTypeInTypeComboSwitchesBackQuietly();
    void restoredRowsKeepFirstDataRowAndLimit();
    void dialogOffersWhatTheSideAllows_data();
    void dialogOffersWhatTheSideAllows();
    void dialogYieldsChoice();

private:
    void answer(std::optional<AddDataChoice> choice) { m_next = choice; }
    void add() { QTest::mouseClick(m_editor->findChild<QPushButton *>(m_addName), Qt::LeftButton); }
    void makeEditor(SysExMappingEditor::Side side);

    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<SysExMappingEditor> m_editor;
    std::optional<AddDataChoice> m_next;
    AddDataOptions m_lastOptions;
    QString m_addName;
};

void TestSysExMappingEditor::makeEditor(SysExMappingEditor::Side side)
{
    m_editor = std::make_unique<SysExMappingEditor>(side);
    m_editor->setPrompt(m_prompt.get());
    m_editor->setAddDataChooser([this](QWidget *, const AddDataOptions &options) {
        m_lastOptions = options;
        return m_next;
    });
    m_addName = side == SysExMappingEditor::Side::Original ? "originalAddButton" : "mappedAddButton";
    m_editor->show();
}

void TestSysExMappingEditor::init()
{
    m_prompt = std::make_unique<ScriptedPrompt>();
    m_next.reset();
    makeEditor(SysExMappingEditor::Side::Original);
}

void TestSysExMappingEditor::cleanup()
{
    m_editor.reset();
    m_prompt.reset();
}

void TestSysExMappingEditor::freshTableHoldsThreeRowsOf127()
{
    QCOMPARE(m_editor->rowTexts(), (QStringList{"127", "127", "127"}));
    QCOMPARE(m_editor->headerLabel()->text(), QString("240"));
    QCOMPARE(m_editor->tailLabel()->text(), QString("247"));
    QCOMPARE(m_editor->findChild<QLabel *>("originalSysExHeader"), m_editor->headerLabel());
    QCOMPARE(m_editor->findChild<QLabel *>("originalSysExTail"), m_editor->tailLabel());
    QCOMPARE(m_editor->tableView()->model()->headerData(0, Qt::Horizontal).toString(), QString("Value"));
    QCOMPARE(m_editor->tableView()->rowHeight(0), 30);
    QCOMPARE(int(m_editor->tableView()->editTriggers()), int(QAbstractItemView::NoEditTriggers));
    QCOMPARE(m_editor->findChild<QPushButton *>("originalDeleteButton")->text(), QString("Delete"));
    QCOMPARE(m_editor->typeCombo()->currentData().toString(), QString("System Exclusive (0xF0)"));
    QVERIFY(!m_editor->hasData1Row() && !m_editor->hasData2Row());
    const Mapping::SysExBlock block = Mapping::buildSysExBlock(m_editor->rows(), false);
    QCOMPARE(block.bytes, QByteArray::fromHex("7f7f7f"));
}

void TestSysExMappingEditor::addsChosenRowAfterCurrentRow()
{
    QSignalSpy changed(m_editor.get(), &SysExMappingEditor::rowsChanged);
    m_editor->tableView()->setCurrentIndex(m_editor->tableView()->model()->index(0, 0));
    answer(AddDataChoice{Kind::Value, 0x41});
    add();
    answer(AddDataChoice{Kind::Data1, 0});
    add();
    answer(AddDataChoice{Kind::Ignore, 0});
    add();
    QCOMPARE(m_editor->rowTexts(), (QStringList{"127", "65", "Data1", "Ignore", "127", "127"}));
    QCOMPARE(changed.size(), 3);
    QVERIFY(m_editor->hasData1Row());
    QCOMPARE(m_lastOptions.data1Taken, true);
    QCOMPARE(m_lastOptions.offerIgnore, true);
    const Mapping::SysExBlock block = Mapping::buildSysExBlock(m_editor->rows(), false);
    QCOMPARE(block.bytes, QByteArray::fromHex("7f41007fff7f7f"));
    QCOMPARE(block.data1Position, 3);
    QVERIFY(m_prompt->shown().isEmpty());
}

void TestSysExMappingEditor::refusesTwentyNinthRow()
{
    answer(AddDataChoice{Kind::Value, 1});
    for (int i = 3; i < SysExMappingEditor::MaxRows; ++i)
        add();
    QCOMPARE(m_editor->rowCount(), 28);
    QVERIFY(m_prompt->shown().isEmpty());
    add();
    QCOMPARE(m_editor->rowCount(), 28);
    QCOMPARE(m_prompt->shown().size(), 1);
    QCOMPARE(m_prompt->shown().first().title, QString("Warning"));
    QCOMPARE(m_prompt->lastText(), QString("Please do not exceed 28 bytes in the data area."));
}

void TestSysExMappingEditor::refusesSecondDataRow_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("Data1") << int(Kind::Data1) << "Data1 already exists!";
    QTest::newRow("Data2") << int(Kind::Data2) << "Data2 already exists!";
}

void TestSysExMappingEditor::refusesSecondDataRow()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    answer(AddDataChoice{Kind(kind), 0});
    add();
    add();
    QCOMPARE(m_editor->rowCount(), 4);
    QCOMPARE(m_prompt->lastText(), text);
    QCOMPARE(m_prompt->shown().first().title, QString("Warning"));
    // The dialog was told, so it offered that button disabled.
    QCOMPARE(kind == int(Kind::Data1) ? m_lastOptions.data1Taken : m_lastOptions.data2Taken, true);
}

void TestSysExMappingEditor::mappedSideNeverAddsIgnore()
{
    makeEditor(SysExMappingEditor::Side::Mapped);
    answer(AddDataChoice{Kind::Ignore, 0});
    add();
    QCOMPARE(m_lastOptions.offerIgnore, false);
    QCOMPARE(m_editor->rowTexts(), (QStringList{"127", "127", "127"}));
}

void TestSysExMappingEditor::cancelledDialogChangesNothing()
{
    QSignalSpy changed(m_editor.get(), &SysExMappingEditor::rowsChanged);
    answer(std::nullopt);
    add();
    QCOMPARE(m_editor->rowCount(), 3);
    QCOMPARE(changed.size(), 0);
    QVERIFY(m_prompt->shown().isEmpty());
}

void TestSysExMappingEditor::deleteNeedsSelectedRowAndReportsDataRows()
{
    auto *del = m_editor->findChild<QPushButton *>("originalDeleteButton");
    QTest::mouseClick(del, Qt::LeftButton);
    QCOMPARE(m_prompt->lastText(), QString("Please select a row to delete."));
    QCOMPARE(m_editor->rowCount(), 3);

    answer(AddDataChoice{Kind::Data2, 0});
    add(); // appended, and current
    QVERIFY(m_editor->hasData2Row());
    QSignalSpy removed(m_editor.get(), &SysExMappingEditor::dataRowRemoved);
    QTest::mouseClick(del, Qt::LeftButton);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.first().first().value<Kind>(), Kind::Data2);
    QVERIFY(!m_editor->hasData2Row());
    QVERIFY(!m_editor->findChild<HexSpinBox *>("originalData2MinBox"));
    // The new last row became current: the next delete takes it.
    QCOMPARE(m_editor->tableView()->currentIndex().row(), 2);
    QTest::mouseClick(del, Qt::LeftButton);
    QCOMPARE(m_editor->rowCount(), 2);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(m_prompt->shown().size(), 1);
}

void TestSysExMappingEditor::showInHexTwiceRestoresTexts()
{
    m_editor->setRows({Mapping::SysExRow::value("65"), Mapping::SysExRow::data1(10, 100),
                       Mapping::SysExRow::ignore(), Mapping::SysExRow::value("5")});
    const QStringList decimal = m_editor->rowTexts();
    auto *box = m_editor->findChild<QCheckBox *>("originalShowHexBox");
    auto *min = m_editor->findChild<HexSpinBox *>("originalData1MinBox");
    QCOMPARE(min->text(), QString("10"));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(m_editor->rowTexts(), (QStringList{"0x41", "Data1", "Ignore", "0x05"}));
    QCOMPARE(m_editor->headerLabel()->text(), QString("0xF0"));
    QCOMPARE(m_editor->tailLabel()->text(), QString("0xF7"));
    QCOMPARE(min->text(), QString("0x0A"));
    QCOMPARE(min->value(), 10);
    // Hex texts read in hex: the block is unchanged.
    QCOMPARE(Mapping::buildSysExBlock(m_editor->rows(), false).bytes, QByteArray::fromHex("410a64ff05"));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(m_editor->rowTexts(), decimal);
    QCOMPARE(m_editor->headerLabel()->text(), QString("240"));
    QCOMPARE(min->text(), QString("10"));
}

void TestSysExMappingEditor::dataRowWidgetsCarryNamedRangeBoxes_data()
{
    QTest::addColumn<bool>("mapped");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("minName");
    QTest::addColumn<QString>("maxName");
    QTest::addColumn<QString>("colour");
    QTest::newRow("original Data1") << false << int(Kind::Data1) << "originalData1MinBox" << "originalData1MaxBox" << "rgb(255, 221, 87)";
    QTest::newRow("original Data2") << false << int(Kind::Data2) << "originalData2MinBox" << "originalData2MaxBox" << "rgb(134, 214, 134)";
    QTest::newRow("mapped Data1") << true << int(Kind::Data1) << "mappedData1MinBox" << "mappedData1MaxBox" << "rgb(255, 221, 87)";
    QTest::newRow("mapped Data2") << true << int(Kind::Data2) << "mappedData2MinBox" << "mappedData2MaxBox" << "rgb(134, 214, 134)";
}

void TestSysExMappingEditor::dataRowWidgetsCarryNamedRangeBoxes()
{
    QFETCH(bool, mapped);
    QFETCH(int, kind);
    QFETCH(QString, minName);
    QFETCH(QString, maxName);
    QFETCH(QString, colour);
    if (mapped)
        makeEditor(SysExMappingEditor::Side::Mapped);
    answer(AddDataChoice{Kind(kind), 0});
    add();
    auto *min = m_editor->findChild<HexSpinBox *>(minName);
    auto *max = m_editor->findChild<HexSpinBox *>(maxName);
    QVERIFY(min && max);
    QCOMPARE(min->value(), 0);
    QCOMPARE(max->value(), 127);
    QCOMPARE(max->maximum(), 127);
    QVERIFY(!min->accessibleName().isEmpty());
    QWidget *row = kind == int(Kind::Data1) ? m_editor->data1RowWidget() : m_editor->data2RowWidget();
    QVERIFY(row->styleSheet().contains(QString("background-color: %1;").arg(colour)));
    QCOMPARE(m_editor->tableView()->indexWidget(m_editor->tableView()->model()->index(3, 0)), row);
    max->setValue(99);
    QCOMPARE(Mapping::buildSysExBlock(m_editor->rows(), false).bytes, QByteArray::fromHex("7f7f7f0063"));
}

void TestSysExMappingEditor::otherTypeInTypeComboSwitchesBackQuietly()
{
    QSignalSpy chosen(m_editor.get(), &SysExMappingEditor::typeChosen);
    QComboBox *combo = m_editor->findChild<QComboBox *>("originalSysExTypeCombo");
    QSignalSpy comboChanges(combo, QOverload<int>::of(&QComboBox::currentIndexChanged));
    combo->setCurrentIndex(combo->findText("Note On"));
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.first().first().toString(), QString("Note On"));
    QCOMPARE(combo->currentData().toString(), QString("System Exclusive (0xF0)"));
    // Only the user's change was announced, not the way back.
    QCOMPARE(comboChanges.size(), 1);
}

void TestSysExMappingEditor::restoredRowsKeepFirstDataRowAndLimit()
{
    QVector<Mapping::SysExRow> rows{Mapping::SysExRow::data1(1, 2), Mapping::SysExRow::data1(3, 4),
                                    Mapping::SysExRow::data2(200, std::nullopt)};
    for (int i = 0; i < 40; ++i)
        rows.append(Mapping::SysExRow::value("300"));
    m_editor->setRows(rows);
    QCOMPARE(m_editor->rowCount(), 28);
    QCOMPARE(m_editor->rowTexts().mid(0, 3), (QStringList{"Data1", "Data2", "255"}));
    // Out-of-range stored values fall back to the full range; a bad value is FF.
    QCOMPARE(Mapping::buildSysExBlock(m_editor->rows(), false).bytes.left(5), QByteArray::fromHex("0102007fff"));
}

void TestSysExMappingEditor::dialogOffersWhatTheSideAllows_data()
{
    QTest::addColumn<bool>("offerIgnore");
    QTest::addColumn<bool>("data1Taken");
    QTest::addColumn<bool>("hex");
    QTest::newRow("original, empty, decimal") << true << false << false;
    QTest::newRow("original, Data1 taken, hex") << true << true << true;
    QTest::newRow("mapped, Data1 taken") << false << true << false;
}

void TestSysExMappingEditor::dialogOffersWhatTheSideAllows()
{
    QFETCH(bool, offerIgnore);
    QFETCH(bool, data1Taken);
    QFETCH(bool, hex);
    AddDataOptions options;
    options.offerIgnore = offerIgnore;
    options.data1Taken = data1Taken;
    options.showHex = hex;
    AddDataDialog dialog(options);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QString("Add Data"));
    QCOMPARE(dialog.minimumWidth(), 200);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
    QCOMPARE(dialog.findChild<QRadioButton *>("data1Radio")->isEnabled(), !data1Taken);
    QVERIFY(dialog.findChild<QRadioButton *>("data2Radio")->isEnabled());
    QCOMPARE(dialog.findChild<QRadioButton *>("ignoreRadio")->isVisible(), offerIgnore);
    auto *spin = dialog.findChild<HexSpinBox *>("valueBox");
    QCOMPARE(spin->isHexMode(), hex);
    QCOMPARE(spin->text(), hex ? QString("0x00") : QString("0"));
    QVERIFY(spin->isEnabled());
    dialog.findChild<QRadioButton *>("data2Radio")->setChecked(true);
    QVERIFY(!spin->isEnabled());
}

void TestSysExMappingEditor::dialogYieldsChoice()
{
    AddDataDialog dialog(AddDataOptions{});
    dialog.show();
    auto *spin = dialog.findChild<HexSpinBox *>("valueBox");
    spin->setValue(0x41);
    QCOMPARE(dialog.choice().text(), QString("65"));
    dialog.findChild<QRadioButton *>("ignoreRadio")->setChecked(true);
    QCOMPARE(dialog.choice().text(), QString("Ignore"));
    dialog.findChild<QRadioButton *>("data1Radio")->setChecked(true);
    QCOMPARE(dialog.choice().kind, Kind::Data1);
    QCOMPARE(dialog.choice().text(), QString("Data1"));
}

QTEST_MAIN(TestSysExMappingEditor)
#include "tst_sysexmappingeditor.moc"
