// The yardstick for velmora-bench --case app: a bare Qt Widgets window of the
// main window's size, started and measured the way Velmora's --self-test is.
// It shows a label and a button, so that it loads and shapes fonts as any
// real window does; without text it would leave that cost out.
//
// Usage: velmora-bench-bare [WIDTHxHEIGHT]. The bench passes the size the
// main window took in the same run (the screen bounds it); the backing store
// of a larger window alone would cost a megabyte more.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSize>
#include <QStringList>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <functional>
#include <utility>

namespace {

qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Velmora's peak memory is read once its window has been drawn (and its
// device identified); this window's likewise after its first paint, so that
// both figures hold the window's backing store.
class BareWindow : public QWidget
{
public:
    std::function<void()> onFirstPaint;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QWidget::paintEvent(event);
        if (onFirstPaint)
            QTimer::singleShot(0, this, std::exchange(onFirstPaint, nullptr));
    }
};

// "800x575"; the main window's default look otherwise.
QSize sizeFromArgument(const QStringList &arguments)
{
    const QStringList parts = arguments.value(1).split(QLatin1Char('x'));
    const QSize size(parts.value(0).toInt(), parts.value(1).toInt());
    return parts.size() == 2 && !size.isEmpty() ? size : QSize(1000, 775);
}

} // namespace

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
#endif
    QApplication app(argc, argv);
    BareWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("No device connected"), &window));
    layout->addWidget(new QPushButton(QStringLiteral("Connect"), &window));
    layout->addStretch(1);
    window.resize(sizeFromArgument(QApplication::arguments()));
    window.show();
    QTimer::singleShot(0, &window, [&] {
        QTextStream out(stdout);
        out << "startup_ms: " << sinceStart.elapsed() << Qt::endl;
    });
    const auto finish = [&] {
        QTextStream out(stdout);
        out << "peak_rss_mb: " << peakResidentKiB() / 1024.0 << Qt::endl;
        QApplication::exit(window.isVisible() ? 0 : 1);
    };
    window.onFirstPaint = finish;
    // A platform that never paints still ends the run.
    QTimer::singleShot(5000, &window, finish);
    return app.exec();
}
