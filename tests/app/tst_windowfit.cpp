// The window on small screens and with a larger font, on a simulated device;
// the device bar's states; what the executable answers without a display.
#include "app/mainwindow.h"
#include "mapping/mappingpage.h"
#include "mapping/mappingsidepanel.h"
#include "mapping/standardmappingeditor.h"
#include "mapping/sysexmappingeditor.h"
#include "filter/filterpage.h"
#include "routing/routingpage.h"
#include "simulator/devicesimulator.h"
#include "device/vocabulary.h"
#include "tests/support/windowfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QTabWidget>
#include <QtTest>

namespace {

// A page as the test shows it: its tab, and a SysEx rule on the mapping page.
enum ShownPage { FilterShown, RoutingShown, MappingShown, MappingSysExShown };

const QStringList WindowButtons{"connectButton", "setButton", "removeButton"};
const QStringList MappingButtons{"sendButton", "readButton", "deleteButton", "restoreButton"};

void showPage(MainWindow &w, ShownPage page)
{
    const QList<QWidget *> pages{w.filterPage(), w.routingPage(), w.mappingPage(), w.mappingPage()};
    w.tabWidget()->setCurrentWidget(pages.at(page));
    if (page == MappingSysExShown) {
        // The longest SysEx table there is, on both sides.
        for (MappingSidePanel *side : {w.mappingPage()->originalSide(), w.mappingPage()->mappedSide()}) {
            side->editor()->selectType(QStringLiteral("System Exclusive"));
            emit side->typeChosen(QStringLiteral("System Exclusive"));
            QVector<Mapping::SysExRow> rows(SysExMappingEditor::MaxRows - 2, Mapping::SysExRow::value(QStringLiteral("1")));
            rows.insert(1, Mapping::SysExRow::data1(0, 127));
            rows.insert(3, Mapping::SysExRow::data2(0, 127));
            side->sysEx()->setRows(rows);
        }
    }
    QCoreApplication::processEvents();
}

QStringList textsThatDoNotFit(const QWidget *window)
{
    QStringList clipped;
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        if (!widget->isVisible() || !(qobject_cast<const QLabel *>(widget) || qobject_cast<const QAbstractButton *>(widget)))
            continue;
        const auto *label = qobject_cast<const QLabel *>(widget);
        const bool fits = label && label->wordWrap()
            ? label->heightForWidth(label->width()) <= label->height()
            : widget->sizeHint().width() <= widget->width() && widget->sizeHint().height() <= widget->height();
        if (!fits)
            clipped.append(label ? label->text() : static_cast<const QAbstractButton *>(widget)->text());
    }
    return clipped;
}

} // namespace

class TestWindowFit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandButtonsStayInTheWindow_data();
    void commandButtonsStayInTheWindow();
    void textFitsAtLargerFont();
    void deviceBarSaysWhatIsTrue();
    void answersWithoutDisplay_data();
    void answersWithoutDisplay();

private:
    // The window connected to a simulated Alder-4, which has every page.
    std::unique_ptr<MainWindow> connectedWindow();

    TestSupport::WindowFixture m_fixture;
    std::unique_ptr<SimulatedDevicePort> m_device;
};

void TestWindowFit::init()
{
    m_fixture.reset();
    m_device = TestSupport::startDevice(QStringLiteral("Kestrova Alder-4"));
    QVERIFY(m_device);
}

void TestWindowFit::cleanup()
{
    m_device.reset();
    m_fixture.release();
}

std::unique_ptr<MainWindow> TestWindowFit::connectedWindow()
{
    auto w = m_fixture.makeWindow();
    if (!TestSupport::WindowFixture::connectTo(*w, QStringLiteral("Kestrova Alder-4")))
        return nullptr;
    // The routing canvas is built from the device's port counts.
    if (!QTest::qWaitFor([&] { return !w->routingPage()->inputButtons().isEmpty(); }, 3000))
        return nullptr;
    return w;
}

void TestWindowFit::commandButtonsStayInTheWindow_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("page");
    const char *names[] = {"filter", "routing", "mapping", "mapping, SysEx rule"};
    for (const QSize size : {QSize(1024, 600), QSize(1280, 720)}) {
        for (const ShownPage page : {FilterShown, RoutingShown, MappingShown, MappingSysExShown})
            QTest::addRow("%s %dx%d", names[page], size.width(), size.height()) << size << int(page);
    }
}

void TestWindowFit::commandButtonsStayInTheWindow()
{
    QFETCH(QSize, size);
    QFETCH(int, page);
    auto w = connectedWindow();
    QVERIFY(w);
    w->resize(size);
    QCoreApplication::processEvents();
    QCOMPARE(w->size(), size);
    showPage(*w, ShownPage(page));
    // The SysEx tables grow inside the page, never the window.
    QCOMPARE(w->size(), size);

    for (const QString &name : page >= MappingShown ? WindowButtons + MappingButtons : WindowButtons) {
        auto *button = w->findChild<QAbstractButton *>(name);
        QVERIFY2(button && button->isVisible(), qPrintable(name));
        const QRect inWindow(button->mapTo(w.get(), QPoint(0, 0)), button->size());
        QVERIFY2(w->rect().contains(inWindow), qPrintable(name));
    }
}

void TestWindowFit::textFitsAtLargerFont()
{
    const QFont defaultFont = QApplication::font();
    QFont larger = defaultFont;
    larger.setPointSizeF(defaultFont.pointSizeF() * 1.25);
    QApplication::setFont(larger);
    auto w = connectedWindow();
    QVERIFY(w);
    w->resize(1280, 720);
    for (const ShownPage page : {FilterShown, RoutingShown, MappingShown, MappingSysExShown}) {
        showPage(*w, page);
        if (page == MappingShown)
            for (MappingSidePanel *side : {w->mappingPage()->originalSide(), w->mappingPage()->mappedSide()}) {
                side->editor()->selectType(QStringLiteral("Key Aftertouch"));
                emit side->typeChosen(QStringLiteral("Key Aftertouch"));
            }
        QTest::qWait(100); // the layouts settle over a few passes
        const QStringList clipped = textsThatDoNotFit(w.get());
        QVERIFY2(clipped.isEmpty(), qPrintable(QString::number(page) + ": " + clipped.join(QStringLiteral(", "))));
    }
    w.reset();
    QApplication::setFont(defaultFont);
}

// "Connecting…" until the device answers identification, the advice once it
// is 2 s late, "Connected" when a late answer comes; the port stays open.
void TestWindowFit::deviceBarSaysWhatIsTrue()
{
    DeviceSimulator *sim = m_device->simulator();
    DeviceSimulator::Faults silent;
    silent.noAnswer = true;
    sim->setFaults(silent);
    auto w = m_fixture.makeWindow();
    QVERIFY(TestSupport::WindowFixture::connectTo(*w, QStringLiteral("Kestrova Alder-4")));
    auto *bar = w->findChild<QLabel *>(QStringLiteral("connectionLabel"));
    QCOMPARE(bar->text(), MainWindow::ConnectingText);
    QTest::qWait(DeviceSession::IdentificationTimeoutMs - 500);
    QCOMPARE(bar->text(), MainWindow::ConnectingText);
    QTRY_COMPARE(bar->text(), MainWindow::NoAnswerText);
    QVERIFY(w->session()->isOpen());

    sim->setFaults({});
    sim->receive(Vocabulary::identificationQuery());
    QTRY_COMPARE(bar->text(), QStringLiteral("Connected: Kestrova Alder-4"));
    w->disconnectDevice();
    QCOMPARE(bar->text(), QStringLiteral("No device connected"));
}

void TestWindowFit::answersWithoutDisplay_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("expected");
    QTest::newRow("--help") << "--help" << "Usage: velmora [options] [MODEL]";
    QTest::newRow("--version") << "--version" << "Velmora V2.0.1";
    QTest::newRow("-v") << "-v" << "Velmora V2.0.1";
}

void TestWindowFit::answersWithoutDisplay()
{
    QFETCH(QString, argument);
    QFETCH(QString, expected);
    QProcess velmora;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    velmora.setProcessEnvironment(environment);
    velmora.start(QStringLiteral(VELMORA_EXECUTABLE), {argument});
    QVERIFY(velmora.waitForFinished(10000));
    const QString output = QString::fromUtf8(velmora.readAllStandardOutput());
    QCOMPARE(velmora.exitStatus(), QProcess::NormalExit);
    QCOMPARE(velmora.exitCode(), 0);
    QVERIFY2(output.contains(expected), qPrintable(output));
    QVERIFY2(!output.contains(QStringLiteral(VELMORA_EXECUTABLE)), qPrintable(output));
}

QTEST_MAIN(TestWindowFit)
#include "tst_windowfit.moc"
