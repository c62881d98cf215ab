// The combo box with a grey hint: the hint is drawn only while nothing is
// chosen and a hint text is set.
#include "widgets/placeholdercombobox.h"

#include <QImage>
#include <QtTest>

class TestPlaceholderComboBox : public QObject
{
    Q_OBJECT

private slots:
    void hintIsAPropertyEmptyByDefault();
    void showsHintOnlyWithoutCurrentItem_data();
    void showsHintOnlyWithoutCurrentItem();
    void paintsHintWhenNothingIsChosen();
    void neverPaintsHintOverAnItem();
};

namespace {

QImage render(PlaceholderComboBox &combo)
{
    return combo.grab().toImage();
}

} // namespace

void TestPlaceholderComboBox::hintIsAPropertyEmptyByDefault()
{
    PlaceholderComboBox combo;
    QCOMPARE(combo.placeholderText(), QString());
    QVERIFY(combo.setProperty("placeholderText", QStringLiteral("Select")));
    QCOMPARE(combo.placeholderText(), QString("Select"));
    QCOMPARE(combo.property("placeholderText").toString(), QString("Select"));
}

void TestPlaceholderComboBox::showsHintOnlyWithoutCurrentItem_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("shown");
    QTest::newRow("item chosen") << QStringList{"1", "2"} << 0 << "Select" << false;
    QTest::newRow("index set to -1") << QStringList{"1", "2"} << -1 << "Select" << true;
    QTest::newRow("no items at all") << QStringList{} << -1 << "Select" << true;
    QTest::newRow("nothing chosen, no hint") << QStringList{"1"} << -1 << "" << false;
}

void TestPlaceholderComboBox::showsHintOnlyWithoutCurrentItem()
{
    QFETCH(QStringList, items);
    QFETCH(int, current);
    QFETCH(QString, hint);
    QFETCH(bool, shown);
    PlaceholderComboBox combo;
    combo.addItems(items);
    combo.setPlaceholderText(hint);
    combo.setCurrentIndex(current);
    QCOMPARE(combo.isShowingPlaceholder(), shown);
}

void TestPlaceholderComboBox::paintsHintWhenNothingIsChosen()
{
    PlaceholderComboBox combo;
    combo.resize(160, 30);
    combo.addItems({"Note On", "Note Off"});
    combo.setCurrentIndex(-1);
    const QImage blank = render(combo);
    combo.setPlaceholderText(QStringLiteral("Select"));
    const QImage hinted = render(combo);
    QVERIFY(blank != hinted);

    // The hint is grey: some pixel of the drawn text is darker than the
    // field and not black.
    bool grey = false;
    for (int y = 0; y < hinted.height() && !grey; ++y) {
        for (int x = 0; x < hinted.width() && !grey; ++x) {
            if (hinted.pixel(x, y) != blank.pixel(x, y)) {
                const QColor c(hinted.pixel(x, y));
                grey = c.red() > 60 && c.red() < 230 && qAbs(c.red() - c.blue()) < 16;
            }
        }
    }
    QVERIFY(grey);
}

void TestPlaceholderComboBox::neverPaintsHintOverAnItem()
{
    PlaceholderComboBox combo;
    combo.resize(160, 30);
    combo.addItems({"Note On", "Note Off"});
    const QImage plain = render(combo);
    combo.setPlaceholderText(QStringLiteral("Select"));
    QCOMPARE(render(combo), plain);
    combo.setCurrentIndex(-1);
    QVERIFY(render(combo) != plain);
    combo.setCurrentIndex(1);
    combo.setCurrentIndex(0);
    QCOMPARE(render(combo), plain);
}

QTEST_MAIN(TestPlaceholderComboBox)
#include "tst_placeholdercombobox.moc"
