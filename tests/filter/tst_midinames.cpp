#include "widgets/midinames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QWidget>
#include <QtTest>

using namespace MidiNames;

class TestMidiNames : public QObject
{
    Q_OBJECT

private slots:
    void shouldNameNotesAtEachMiddleCOctave_data();
    void shouldNameNotesAtEachMiddleCOctave();
    void shouldRefuseUnknownOctaveOrNote();
    void shouldNameControllersWithPlaceholders_data();
    void shouldNameControllersWithPlaceholders();
    void shouldKeepExactlyTheNamedControllers();
    void shouldFillNoteComboWithNumberAndName();
    void shouldLeaveNoteComboEmptyForUnknownOctave();
    void shouldFillControllerComboNamedOrPlain();
    void shouldLabelControllerBoxesAndSkipMissingOnes();
};

void TestMidiNames::shouldNameNotesAtEachMiddleCOctave_data()
{
    QTest::addColumn<int>("octave");
    QTest::addColumn<int>("note");
    QTest::addColumn<QString>("name");
    QTest::newRow("C3: note 0") << 3 << 0 << "C-2";
    QTest::newRow("C3: note 60") << 3 << 60 << "C3";
    QTest::newRow("C3: note 127") << 3 << 127 << "G8";
    QTest::newRow("C4: note 0") << 4 << 0 << "C-1";
    QTest::newRow("C4: note 1") << 4 << 1 << "C#-1";
    QTest::newRow("C4: note 11") << 4 << 11 << "B-1";
    QTest::newRow("C4: note 12") << 4 << 12 << "C0";
    QTest::newRow("C4: note 60") << 4 << 60 << "C4";
    QTest::newRow("C4: note 70") << 4 << 70 << "A#4";
    QTest::newRow("C4: note 127") << 4 << 127 << "G9";
    QTest::newRow("C5: note 0") << 5 << 0 << "C0";
    QTest::newRow("C5: note 60") << 5 << 60 << "C5";
    QTest::newRow("C5: note 127") << 5 << 127 << "G10";
}

void TestMidiNames::shouldNameNotesAtEachMiddleCOctave()
{
    QFETCH(int, octave);
    QFETCH(int, note);
    QFETCH(QString, name);
    QCOMPARE(noteName(note, octave), name);
    QCOMPARE(noteNames(octave).at(note), name);
    QCOMPARE(noteItems(octave).at(note), QStringLiteral("%1 / %2").arg(note).arg(name));
}

void TestMidiNames::shouldRefuseUnknownOctaveOrNote()
{
    QVERIFY(noteName(60, 2).isEmpty());
    QVERIFY(noteName(60, 6).isEmpty());
    QVERIFY(noteName(-1, 4).isEmpty());
    QVERIFY(noteName(128, 4).isEmpty());
    QVERIFY(noteNames(0).isEmpty());
    QCOMPARE(noteNames(4).size(), ValueCount);
    QVERIFY(controllerName(128).isEmpty());
    QVERIFY(controllerLabel(-1).isEmpty());
    QVERIFY(controllerBoxText(128, true).isEmpty());
}

void TestMidiNames::shouldNameControllersWithPlaceholders_data()
{
    QTest::addColumn<int>("controller");
    QTest::addColumn<QString>("label");
    QTest::newRow("first") << 0 << "0) Bank MSB";
    QTest::newRow("3 has no name") << 3 << "3) ***";
    QTest::newRow("volume") << 7 << "7) Volume";
    QTest::newRow("pan") << 10 << "10) PAN";
    QTest::newRow("sustain") << 64 << "64) Pedal (Sustain)";
    QTest::newRow("68 has no name") << 68 << "68) ***";
    QTest::newRow("119 has no name") << 119 << "119) ***";
    QTest::newRow("120") << 120 << "120) All Sound Off";
    QTest::newRow("last") << 127 << "127) Poly On";
}

void TestMidiNames::shouldNameControllersWithPlaceholders()
{
    QFETCH(int, controller);
    QFETCH(QString, label);
    QCOMPARE(controllerLabel(controller), label);
    QCOMPARE(controllerLabels().at(controller), label);
    QCOMPARE(controllerBoxText(controller, true), label);
    QCOMPARE(controllerBoxText(controller, false), QStringLiteral("CC#%1").arg(controller));
}

void TestMidiNames::shouldKeepExactlyTheNamedControllers()
{
    const QList<int> named = {0,  1,  2,  4,  5,  6,  7,  8,  10,  11,  32,  38,  64,  65,
                              66, 67, 69, 71, 72, 73, 74, 84, 91,  92,  93,  94,  95,  96,
                              97, 98, 99, 100, 101, 120, 121, 122, 123, 124, 125, 126, 127};
    QCOMPARE(controllerLabels().size(), ValueCount);
    for (int n = 0; n < ValueCount; ++n) {
        const bool placeholder = controllerName(n) == QLatin1String("***");
        QVERIFY2(placeholder != named.contains(n), qPrintable(QString::number(n)));
    }
}

void TestMidiNames::shouldFillNoteComboWithNumberAndName()
{
    QComboBox combo;
    combo.addItem(QStringLiteral("stale"));
    fillNoteCombo(&combo, 3);
    QCOMPARE(combo.count(), ValueCount);
    QCOMPARE(combo.itemText(0), QStringLiteral("0 / C-2"));
    QCOMPARE(combo.itemText(127), QStringLiteral("127 / G8"));
    QVERIFY(!combo.itemData(60).isValid());
    fillNoteCombo(&combo, 5);
    QCOMPARE(combo.count(), ValueCount);
    QCOMPARE(combo.itemText(60), QStringLiteral("60 / C5"));
}

void TestMidiNames::shouldLeaveNoteComboEmptyForUnknownOctave()
{
    QComboBox combo;
    fillNoteCombo(&combo, 4);
    fillNoteCombo(&combo, 7);
    QCOMPARE(combo.count(), 0);
}

void TestMidiNames::shouldFillControllerComboNamedOrPlain()
{
    QComboBox combo;
    fillControllerCombo(&combo, true);
    QCOMPARE(combo.count(), ValueCount);
    QCOMPARE(combo.itemText(0), QStringLiteral("0) Bank MSB"));
    QCOMPARE(combo.itemText(68), QStringLiteral("68) ***"));
    QCOMPARE(combo.itemText(127), QStringLiteral("127) Poly On"));
    fillControllerCombo(&combo, false);
    QCOMPARE(combo.count(), ValueCount);
    QCOMPARE(combo.itemText(68), QStringLiteral("68"));
    QVERIFY(!combo.itemData(68).isValid());
}

void TestMidiNames::shouldLabelControllerBoxesAndSkipMissingOnes()
{
    QWidget page;
    for (int n : {0, 7, 127}) {
        auto *box = new QCheckBox(&page);
        box->setObjectName(controllerBoxName(n));
    }
    labelControllerBoxes<QCheckBox>(&page, false);
    QCOMPARE(page.findChild<QCheckBox *>(QStringLiteral("controller0Box"))->text(), QStringLiteral("CC#0"));
    labelControllerBoxes<QCheckBox>(&page, true);
    QCOMPARE(page.findChild<QCheckBox *>(QStringLiteral("controller0Box"))->text(), QStringLiteral("0) Bank MSB"));
    QCOMPARE(page.findChild<QCheckBox *>(QStringLiteral("controller7Box"))->text(), QStringLiteral("7) Volume"));
    QCOMPARE(page.findChild<QCheckBox *>(QStringLiteral("controller127Box"))->text(), QStringLiteral("127) Poly On"));
    QCOMPARE(page.findChildren<QCheckBox *>().size(), 3);
}

QTEST_MAIN(TestMidiNames)
#include "tst_midinames.moc"
