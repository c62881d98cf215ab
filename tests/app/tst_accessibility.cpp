// The window as assistive technology and a keyboard user meet it, connected
// to a simulated device: every showing control says what it is, hidden ones
// do not claim to show, and the pages switch from the keyboard.
#include "app/mainwindow.h"
#include "device/devicesession.h"
#include "filter/filterpage.h"
#include "mapping/mappingpage.h"
#include "routing/routingpage.h"
#include "routing/routelist.h"
#include "routing/routingcanvas.h"
#include "simulator/devicesimulator.h"
#include "tests/support/windowfixture.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

namespace {

bool isInteractive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::SpinBox:
    case QAccessible::EditableText:
    case QAccessible::PageTab:
    case QAccessible::Slider:
    case QAccessible::Table:
    case QAccessible::List:
        return true;
    default:
        return false;
    }
}

QString describe(QAccessibleInterface *iface)
{
    QObject *o = iface->object();
    return QStringLiteral("%1 role %2 (%3)")
        .arg(o ? o->objectName() : QStringLiteral("?"))
        .arg(iface->role())
        .arg(o ? QString::fromLatin1(o->metaObject()->className()) : QString());
}

// Walks the tree below iface: showing interactive nodes without a name, and
// nodes that claim to show below a hidden one or for a hidden widget.
void walk(QAccessibleInterface *iface, bool parentShowing, QStringList *unnamed, QStringList *falselyShowing,
          QStringList *names, QStringList *tablesShowing, int depth = 0)
{
    if (!iface || depth > 40)
        return;
    // A combo box's pop-up list is Qt's own, opened on demand; the combo box
    // itself carries the name.
    if (iface->parent() && iface->parent()->role() == QAccessible::ComboBox && iface->role() == QAccessible::List)
        return;
    const bool showing = !iface->state().invisible;
    auto *widget = qobject_cast<QWidget *>(iface->object());
    if (showing && (!parentShowing || (widget && !widget->isVisible()))) {
        const auto isItemView = [](QAccessibleInterface *i) {
            return i && qobject_cast<QAbstractItemView *>(i->object());
        };
        if (isItemView(iface) || isItemView(iface->parent()) || iface->role() == QAccessible::Cell)
            tablesShowing->append(describe(iface));
        else
            falselyShowing->append(describe(iface));
    }
    if (showing && parentShowing && isInteractive(iface->role())) {
        const QString name = iface->text(QAccessible::Name);
        if (name.trimmed().isEmpty())
            unnamed->append(describe(iface));
        names->append(name);
    }
    for (int i = 0; i < iface->childCount(); ++i)
        walk(iface->child(i), showing && parentShowing, unnamed, falselyShowing, names, tablesShowing, depth + 1);
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { m_fixture.reset(); }
    void cleanup() { m_fixture.release(); }

    void namesEveryShowingControl_data();
    void namesEveryShowingControl();
    void switchesPagesFromTheKeyboard();
    void showsDisconnectedStateWhole();
    void makesAndRemovesARouteFromTheKeyboard();
    void storesAMappingRuleFromTheKeyboard();
    void saysOnceWhenTheDeviceIsSilent_data();
    void saysOnceWhenTheDeviceIsSilent();

private:
    struct Connected
    {
        std::unique_ptr<SimulatedDevicePort> device;
        std::unique_ptr<MainWindow> window; // goes first
    };
    // A window connected to a simulated model, once the family decision and
    // the reports that follow are in; the active window when keys must reach it.
    [[nodiscard]] bool connectWindow(const QString &model, bool active, Connected *out);

    TestSupport::WindowFixture m_fixture;
};

bool TestAccessibility::connectWindow(const QString &model, bool active, Connected *out)
{
    out->device = TestSupport::startDevice(model);
    if (!out->device)
        return false;
    out->window = m_fixture.makeWindow();
    MainWindow &w = *out->window;
    if (active) {
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            return false;
    }
    if (!TestSupport::WindowFixture::connectTo(w, model)
        || !QTest::qWaitFor([&] { return !w.routingPage()->inputButtons().isEmpty(); }, 5000))
        return false;
    QTest::qWait(1200);
    return true;
}

void TestAccessibility::initTestCase()
{
    QAccessible::setActive(true);
}

void TestAccessibility::namesEveryShowingControl_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("header");
    QTest::addColumn<QStringList>("mustList");
    for (const char *model : {"Kestrova Alder-4", "Kestrova Cedar-6"}) {
        QTest::addRow("%s filter", model) << model << 0 << QStringList{"MIDI Messages Filter", "MIDI Ports", "Set"};
        QTest::addRow("%s routing", model)
            << model << 1 << QStringList{"MIDI Port Routing", "MIDI IN 1", "MIDI OUT 1", "Disconnect All"};
    }
    QTest::addRow("mapping") << "Kestrova Alder-4" << 2
                             << QStringList{"MIDI Mapping", "Mapping Number"};
}

void TestAccessibility::namesEveryShowingControl()
{
    QFETCH(QString, model);
    QFETCH(int, header);
    QFETCH(QStringList, mustList);
    Connected connected;
    QVERIFY(connectWindow(model, false, &connected));
    const auto &w = connected.window;

    const QList<QWidget *> pages{w->filterPage(), w->routingPage(), w->mappingPage()};
    if (w->tabWidget()->indexOf(pages.at(header)) < 0)
        QSKIP("this model offers no such page");
    // Walked first on the page the window opens with, so that the views of
    // the other pages are met hidden before they are shown.
    QStringList unnamed, falselyShowing, names, tablesShowing;
    walk(QAccessible::queryAccessibleInterface(w.get()), true, &unnamed, &falselyShowing, &names, &tablesShowing);
    unnamed.clear(), falselyShowing.clear(), names.clear(), tablesShowing.clear();
    w->tabWidget()->setCurrentWidget(pages.at(header));
    QTest::qWait(200);

    walk(QAccessible::queryAccessibleInterface(w.get()), true, &unnamed, &falselyShowing, &names, &tablesShowing);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QLatin1String("; "))));
    QVERIFY2(falselyShowing.isEmpty(), qPrintable(falselyShowing.join(QLatin1String("; "))));
    QVERIFY2(tablesShowing.isEmpty(), qPrintable(tablesShowing.join(QLatin1String("; "))));
    // The route list is heard as a list of rows once its page is shown.
    QAccessibleInterface *routeList =
        QAccessible::queryAccessibleInterface(w->routingPage()->findChild<RouteList *>());
    QCOMPARE(bool(routeList->state().invisible), header != 1);
    QCOMPARE(routeList->tableInterface() != nullptr, header == 1);
    for (const QString &name : mustList)
        QVERIFY2(names.contains(name), qPrintable(name));

    // Tab order: every stop says what it is; the routing page goes down the
    // inputs, then down the outputs, then to the route list.
    QStringList stops, unnamedStops;
    for (QWidget *cur = w->nextInFocusChain(); cur != w.get(); cur = cur->nextInFocusChain()) {
        if (!cur->isVisible() || !cur->isEnabled() || !(cur->focusPolicy() & Qt::TabFocus))
            continue;
        stops << cur->accessibleName();
        if (cur->accessibleName().isEmpty())
            unnamedStops << cur->objectName() + QLatin1Char(':') + QLatin1String(cur->metaObject()->className());
    }
    QVERIFY2(unnamedStops.isEmpty(), qPrintable(unnamedStops.join(QLatin1String("; "))));
    if (header == 1) {
        QStringList ports, portStops;
        for (const auto *list : {&w->routingPage()->inputButtons(), &w->routingPage()->outputButtons()})
            for (QPushButton *button : *list)
                if (button->isVisible())
                    ports << button->accessibleName();
        for (const QString &stop : stops)
            if (ports.contains(stop))
                portStops << stop;
        QCOMPARE(portStops, ports);
        QVERIFY(stops.indexOf(QStringLiteral("Routes")) > stops.indexOf(ports.last()));
        // Assistive technology lists every port button by its port.
        for (const QString &port : ports)
            QVERIFY2(names.contains(port), qPrintable(port));
    }
}

void TestAccessibility::switchesPagesFromTheKeyboard()
{
    Connected connected;
    QVERIFY(connectWindow("Kestrova Alder-4", true, &connected));
    const auto &w = connected.window;
    QTRY_VERIFY(w->isMappingPageShown());
    QTabWidget *tabs = w->tabWidget();
    auto *routingHeader = w->findChild<QLabel *>("routingHeader");
    auto *mappingHeader = w->findChild<QLabel *>("mappingHeader");
    QTRY_VERIFY(mappingHeader->isVisible());

    // A header takes focus and shows its page with Space or Enter; it is heard as a page tab.
    QAccessibleInterface *tab = QAccessible::queryAccessibleInterface(routingHeader);
    QCOMPARE(tab->role(), QAccessible::PageTab);
    QVERIFY(tab->state().focusable);
    routingHeader->setFocus();
    QTest::keyClick(routingHeader, Qt::Key_Space);
    QCOMPARE(tabs->currentWidget(), w->routingPage());
    QVERIFY(tab->state().selected);
    mappingHeader->setFocus();
    QTest::keyClick(mappingHeader, Qt::Key_Return);
    QCOMPARE(tabs->currentWidget(), w->mappingPage());

    // Ctrl+Tab wraps forward, Ctrl+Shift+Tab back, Alt+digit jumps.
    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QWidget *page;
    } steps[] = {
        {Qt::Key_Tab, Qt::ControlModifier, w->filterPage()},
        {Qt::Key_Tab, Qt::ControlModifier, w->routingPage()},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, w->filterPage()},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, w->mappingPage()},
        {Qt::Key_2, Qt::AltModifier, w->routingPage()},
        {Qt::Key_3, Qt::AltModifier, w->mappingPage()},
        {Qt::Key_1, Qt::AltModifier, w->filterPage()},
    };
    for (const auto &step : steps) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : w.get(), step.key,
                        step.modifiers);
        QCOMPARE(tabs->currentWidget(), step.page);
    }

    // Without a device the mapping page and its header are gone: Alt+3 does nothing.
    QTest::mouseClick(TestSupport::WindowFixture::connectButton(*w), Qt::LeftButton);
    QVERIFY(!w->session()->isOpen());
    QVERIFY(!mappingHeader->isVisible());
    QTest::keyClick(w.get(), Qt::Key_3, Qt::AltModifier);
    QCOMPARE(tabs->currentWidget(), w->filterPage());
}

void TestAccessibility::showsDisconnectedStateWhole()
{
    Connected connected;
    QVERIFY(connectWindow("Kestrova Alder-4", false, &connected));
    const auto &w = connected.window;
    QTest::mouseClick(TestSupport::WindowFixture::connectButton(*w), Qt::LeftButton);
    w->tabWidget()->setCurrentWidget(w->routingPage());
    QTest::qWait(100);
    QVERIFY(!w->findChild<QLabel *>("mappingHeader")->isVisible());
    for (const char *name : {"inputHeaderLabel", "outputHeaderLabel"}) {
        auto *caption = w->routingPage()->findChild<QLabel *>(name);
        QVERIFY(caption);
        QCOMPARE(caption->text(), QString("No device connected"));
        QVERIFY2(caption->width() >= caption->fontMetrics().horizontalAdvance(caption->text()), name);
    }
}

void TestAccessibility::makesAndRemovesARouteFromTheKeyboard()
{
    Connected connected;
    QVERIFY(connectWindow("Kestrova Alder-4", true, &connected));
    const auto &device = connected.device;
    const auto &w = connected.window;
    const int before = device->simulator()->routes().size();
    QTest::keyClick(w.get(), Qt::Key_2, Qt::AltModifier);
    QCOMPARE(w->tabWidget()->currentWidget(), w->routingPage());

    // Space on an input, then Space on an output.
    QPushButton *input = w->routingPage()->inputButtons().at(1);
    QPushButton *output = w->routingPage()->outputButtons().at(0);
    QCOMPARE(input->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    input->setFocus();
    QTest::keyClick(input, Qt::Key_Space);
    output->setFocus();
    QTest::keyClick(output, Qt::Key_Space);
    QTRY_COMPARE(device->simulator()->routes().size(), before + 1);
    const DeviceSimulator::Route made = device->simulator()->routes().last();
    QCOMPARE(int(made.inNumber), 2);
    QCOMPARE(int(made.outNumber), 1);

    // The route list names it; Delete on it removes it on the device.
    auto *routes = w->routingPage()->findChild<RouteList *>();
    QVERIFY(routes);
    const QList<QListWidgetItem *> found = routes->findItems("MIDI IN 2 to MIDI OUT 1", Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    routes->setFocus();
    routes->setCurrentItem(found.first());
    QTest::keyClick(routes, Qt::Key_Delete);
    QTRY_COMPARE(device->simulator()->routes().size(), before);
    QTRY_VERIFY(routes->findItems("MIDI IN 2 to MIDI OUT 1", Qt::MatchExactly).isEmpty());
    QVERIFY(m_fixture.prompt()->shown().isEmpty());
}

void TestAccessibility::storesAMappingRuleFromTheKeyboard()
{
    Connected connected;
    QVERIFY(connectWindow("Kestrova Alder-4", true, &connected));
    const auto &device = connected.device;
    const auto &w = connected.window;
    QTest::keyClick(w.get(), Qt::Key_3, Qt::AltModifier);
    MappingPage *page = w->mappingPage();
    QCOMPARE(w->tabWidget()->currentWidget(), page);

    const auto keys = [](QWidget *target, const QString &text) {
        target->setFocus();
        QTest::keyClicks(target, text);
    };
    page->inputBoxes().at(0)->setFocus();
    QTest::keyClick(page->inputBoxes().at(0), Qt::Key_Space);
    QVERIFY(page->inputBoxes().at(0)->isChecked());
    // Type-ahead; a space would open the list.
    keys(page->findChild<QComboBox *>("originalPlaceholderCombo"), "Note");
    keys(page->findChild<QComboBox *>("mappedPlaceholderCombo"), "Program");
    // The Program Change number from the Note On's velocity: a line from
    // Original Data2 to the mapped Data1, drawn with Space twice.
    for (const char *end : {"originalData2Field", "mappedData1Field"}) {
        auto *field = page->findChild<QWidget *>(end);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Space);
    }
    QCOMPARE(page->data1MappingFrom(), 2);
    auto *set = w->findChild<QPushButton *>("setButton");
    set->setFocus();
    QTest::keyClick(set, Qt::Key_Space);
    QTRY_VERIFY(device->simulator()->mappings().contains(1));
    const QByteArray stored = device->simulator()->mappings().value(1);
    // Rule 1 on MIDI IN1: Note On, any channel, to Program Change from Data2.
    QCOMPARE(stored.toHex(), QByteArray("010000000041090101030590007f007f0c010201000003c0007f"));
    QTRY_COMPARE(m_fixture.prompt()->texts(), QStringList{"Configuration successful"});
}

void TestAccessibility::saysOnceWhenTheDeviceIsSilent_data()
{
    QTest::addColumn<int>("header");
    QTest::addColumn<bool>("pressSet");
    QTest::newRow("filter Set") << 0 << true;
    QTest::newRow("routing Set") << 1 << true;
    QTest::newRow("route") << 1 << false;
}

void TestAccessibility::saysOnceWhenTheDeviceIsSilent()
{
    QFETCH(int, header);
    QFETCH(bool, pressSet);
    Connected connected;
    QVERIFY(connectWindow("Kestrova Alder-4", false, &connected));
    const auto &device = connected.device;
    const auto &w = connected.window;
    QVERIFY(m_fixture.prompt()->shown().isEmpty());
    const QList<QWidget *> pages{w->filterPage(), w->routingPage(), w->mappingPage()};
    w->tabWidget()->setCurrentWidget(pages.at(header));

    DeviceSimulator::Faults silent;
    silent.noAnswer = true;
    device->simulator()->setFaults(silent);
    const int received = device->simulator()->receivedFrames().size();
    QElapsedTimer sinceSent;
    sinceSent.start();
    if (pressSet)
        QTest::mouseClick(w->findChild<QPushButton *>("setButton"), Qt::LeftButton);
    else
        QVERIFY(w->routingPage()->canvas()->requestRoute({0, 1}, {0, 2}));
    QTRY_COMPARE(device->simulator()->receivedFrames().size(), received + 1);
    if (sinceSent.elapsed() < DeviceSession::AnswerTimeoutMs - 100) // not before its time
        QVERIFY(m_fixture.prompt()->shown().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_fixture.prompt()->texts(), QStringList{DeviceSession::NoAnswerText},
                              2 * DeviceSession::AnswerTimeoutMs);
    QTest::qWait(DeviceSession::AnswerTimeoutMs + 200);
    QCOMPARE(m_fixture.prompt()->texts().size(), 1);
    QVERIFY(w->session()->isOpen());
    QCOMPARE(w->tabWidget()->currentWidget(), pages.at(header));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
