// The SysEx data spin box: what it shows, what it accepts while typing, and
// how it repairs a field left in an unfinished state.
#include "widgets/hexspinbox.h"

#include <QLineEdit>
#include <QtTest>

namespace {

// Opens the protected conversions to the tests.
class ProbeSpinBox : public HexSpinBox
{
public:
    using HexSpinBox::textFromValue;
    using HexSpinBox::valueFromText;

    QValidator::State check(QString text) const
    {
        int pos = 0;
        return validate(text, pos);
    }
    QString repaired(QString text) const
    {
        fixup(text);
        return text;
    }
};

} // namespace

Q_DECLARE_METATYPE(QValidator::State)

class TestHexSpinBox : public QObject
{
    Q_OBJECT

private slots:
    void startsInHexWithDataRange();
    void showsTwoUpperCaseHexDigits_data();
    void showsTwoUpperCaseHexDigits();
    void validatesTypedText_data();
    void validatesTypedText();
    void readsTypedText_data();
    void readsTypedText();
    void repairsUnfinishedText_data();
    void repairsUnfinishedText();
    void switchingModeKeepsValue();
    void typedHexValueIsTaken();
};

void TestHexSpinBox::startsInHexWithDataRange()
{
    HexSpinBox box;
    QVERIFY(box.isHexMode());
    QCOMPARE(box.minimum(), 0);
    QCOMPARE(box.maximum(), 127);
    QCOMPARE(box.prefix(), QString("0x"));
    QCOMPARE(box.displayIntegerBase(), 16);
    QVERIFY(box.alignment() & Qt::AlignRight);
}

void TestHexSpinBox::showsTwoUpperCaseHexDigits_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("hex 0") << true << 0 << "0x00";
    QTest::newRow("hex 10") << true << 10 << "0x0A";
    QTest::newRow("hex 127") << true << 127 << "0x7F";
    QTest::newRow("decimal 10") << false << 10 << "10";
    QTest::newRow("decimal 127") << false << 127 << "127";
}

void TestHexSpinBox::showsTwoUpperCaseHexDigits()
{
    QFETCH(bool, hex);
    QFETCH(int, value);
    QFETCH(QString, text);
    HexSpinBox box;
    box.setHexMode(hex);
    box.setValue(value);
    QCOMPARE(box.text(), text);
}

void TestHexSpinBox::validatesTypedText_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QValidator::State>("state");
    QTest::newRow("hex with prefix") << true << "0x7F" << QValidator::Acceptable;
    QTest::newRow("hex lower case, no prefix") << true << "7f" << QValidator::Acceptable;
    QTest::newRow("hex blanks around") << true << " 0x10 " << QValidator::Acceptable;
    QTest::newRow("hex empty") << true << "" << QValidator::Acceptable;
    QTest::newRow("hex prefix only") << true << "0x" << QValidator::Acceptable;
    QTest::newRow("hex letter beyond F") << true << "0x1G" << QValidator::Invalid;
    QTest::newRow("hex three digits") << true << "0x100" << QValidator::Invalid;
    QTest::newRow("hex FF above maximum") << true << "FF" << QValidator::Intermediate;
    QTest::newRow("hex 80 above maximum") << true << "0x80" << QValidator::Intermediate;
    QTest::newRow("hex minus sign") << true << "-1" << QValidator::Invalid;
    QTest::newRow("decimal 127") << false << "127" << QValidator::Acceptable;
    QTest::newRow("decimal empty") << false << "" << QValidator::Acceptable;
    QTest::newRow("decimal 128 above maximum") << false << "128" << QValidator::Intermediate;
    QTest::newRow("decimal four digits") << false << "1000" << QValidator::Invalid;
    QTest::newRow("decimal with a letter") << false << "12a" << QValidator::Invalid;
    QTest::newRow("decimal given hex") << false << "0x10" << QValidator::Invalid;
}

void TestHexSpinBox::validatesTypedText()
{
    QFETCH(bool, hex);
    QFETCH(QString, text);
    QFETCH(QValidator::State, state);
    ProbeSpinBox box;
    box.setHexMode(hex);
    QCOMPARE(box.check(text), state);
}

void TestHexSpinBox::readsTypedText_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("hex with prefix") << true << "0x7F" << 127;
    QTest::newRow("hex without prefix") << true << "3c" << 60;
    QTest::newRow("hex above maximum is clamped") << true << "FF" << 127;
    QTest::newRow("hex unreadable gives minimum") << true << "zz" << 0;
    QTest::newRow("hex empty gives minimum") << true << "" << 0;
    QTest::newRow("decimal") << false << " 42 " << 42;
    QTest::newRow("decimal is not clamped") << false << "200" << 200;
}

void TestHexSpinBox::readsTypedText()
{
    QFETCH(bool, hex);
    QFETCH(QString, text);
    QFETCH(int, value);
    ProbeSpinBox box;
    box.setHexMode(hex);
    QCOMPARE(box.valueFromText(text), value);
}

void TestHexSpinBox::repairsUnfinishedText_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("repaired");
    QTest::newRow("hex empty becomes the maximum") << true << "" << "0x7F";
    QTest::newRow("hex prefix only becomes the maximum") << true << "0x" << "0x7F";
    QTest::newRow("hex above maximum is clamped") << true << "FF" << "0x7F";
    QTest::newRow("hex one digit is padded") << true << "0x5" << "0x05";
    QTest::newRow("decimal empty becomes the minimum") << false << "" << "0";
    QTest::newRow("decimal above maximum is clamped") << false << "300" << "127";
}

void TestHexSpinBox::repairsUnfinishedText()
{
    QFETCH(bool, hex);
    QFETCH(QString, text);
    QFETCH(QString, repaired);
    ProbeSpinBox box;
    box.setHexMode(hex);
    QCOMPARE(box.repaired(text), repaired);
}

void TestHexSpinBox::switchingModeKeepsValue()
{
    HexSpinBox box;
    box.setValue(100);
    box.setHexMode(false);
    QCOMPARE(box.value(), 100);
    QCOMPARE(box.text(), QString("100"));
    QCOMPARE(box.prefix(), QString());
    box.setHexMode(true);
    QCOMPARE(box.text(), QString("0x64"));
}

void TestHexSpinBox::typedHexValueIsTaken()
{
    HexSpinBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QLineEdit *edit = box.findChild<QLineEdit *>();
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, "3c");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(box.value(), 60);
    QCOMPARE(box.text(), QString("0x3C"));

    // A letter beyond F never reaches the field.
    edit->selectAll();
    QTest::keyClicks(edit, "1G");
    QCOMPARE(edit->text(), QString("0x1"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(box.value(), 1);
}

QTEST_MAIN(TestHexSpinBox)
#include "tst_hexspinbox.moc"
