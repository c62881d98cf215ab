// The udev rule that lets the logged-in user open Kestrova serial ports: its
// syntax, and which USB product strings it grants access to. Every model the
// device list accepts must be reachable, in its running firmware and in its
// bootloader; no other serial device may be.
#include "device/devicemodels.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <fnmatch.h>

namespace {

struct Assignment
{
    QString key;
    QString attribute;
    QString op;
    QString value;
};
using Rule = QVector<Assignment>;

const QSet<QString> MatchKeys{"ACTION", "SUBSYSTEM", "SUBSYSTEMS", "KERNEL", "KERNELS",
                              "ATTR", "ATTRS", "ENV", "DRIVERS"};
const QSet<QString> AssignKeys{"TAG", "GOTO", "LABEL", "MODE", "GROUP", "SYMLINK", "ENV"};

// Parses the rules the way udev reads them: one rule a line of comma-separated
// KEY[{attribute}] OPERATOR "value" items. Returns the first fault found.
QString parseRules(const QByteArray &text, QVector<Rule> *rules)
{
    static const QRegularExpression item(
        QStringLiteral(R"re(^\s*([A-Z]+)(?:\{([^{}"]+)\})?\s*(==|!=|\+=|-=|:=|=)\s*"([^"]*)"\s*(,?))re"));
    QSet<QString> gotos, labels;
    const QList<QByteArray> lines = text.split('\n');
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = QString::fromUtf8(lines.at(n)).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString where = QStringLiteral("line %1: ").arg(n + 1);
        Rule rule;
        int pos = 0;
        while (pos < line.size()) {
            const auto m = item.match(line.mid(pos));
            if (!m.hasMatch())
                return where + QStringLiteral("cannot parse \"%1\"").arg(line.mid(pos));
            const Assignment a{m.captured(1), m.captured(2), m.captured(3), m.captured(4)};
            const bool matching = a.op == QLatin1String("==") || a.op == QLatin1String("!=");
            if (!(matching ? MatchKeys : AssignKeys).contains(a.key))
                return where + QStringLiteral("%1 %2 is not a udev %3").arg(a.key, a.op, matching ? "match" : "assignment");
            if ((a.key == QLatin1String("ATTR") || a.key == QLatin1String("ATTRS") || a.key == QLatin1String("ENV"))
                != !a.attribute.isEmpty())
                return where + a.key + QStringLiteral(" needs {attribute} exactly where udev takes one");
            if (a.key == QLatin1String("GOTO"))
                gotos.insert(a.value);
            if (a.key == QLatin1String("LABEL"))
                labels.insert(a.value);
            rule.append(a);
            pos += m.capturedLength(0);
            if (m.captured(5).isEmpty() && pos < line.size())
                return where + QStringLiteral("missing comma");
        }
        rules->append(rule);
    }
    for (const QString &target : qAsConst(gotos)) {
        if (!labels.contains(target))
            return QStringLiteral("GOTO \"%1\" has no LABEL").arg(target);
    }
    return QString();
}

bool globMatches(const QString &patterns, const QString &text)
{
    const QByteArray subject = text.toUtf8();
    for (const QString &pattern : patterns.split(QLatin1Char('|'))) {
        if (::fnmatch(pattern.toUtf8().constData(), subject.constData(), 0) == 0)
            return true;
    }
    return false;
}

// Whether a tty whose USB device has this product string gets the uaccess tag.
bool grantsAccess(const QVector<Rule> &rules, const QString &product)
{
    for (const Rule &rule : rules) {
        bool matches = true, tags = false;
        for (const Assignment &a : rule) {
            if (a.key == QLatin1String("ATTRS") && a.attribute == QLatin1String("product"))
                matches = matches && (globMatches(a.value, product) == (a.op == QLatin1String("==")));
            if (a.key == QLatin1String("TAG") && a.op == QLatin1String("+=") && a.value == QLatin1String("uaccess"))
                tags = true;
        }
        if (matches && tags)
            return true;
    }
    return false;
}

QVector<Rule> installedRules(QString *fault)
{
    QFile file(QStringLiteral(VELMORA_UDEV_RULE));
    QVector<Rule> rules;
    if (!file.open(QIODevice::ReadOnly))
        *fault = file.errorString();
    else
        *fault = parseRules(file.readAll(), &rules);
    return rules;
}

} // namespace

class TestUdevRule : public QObject
{
    Q_OBJECT

private slots:
    void parsesAndTagsOnlyProductMatches();
    void findsFaults_data();
    void findsFaults();
    void grantsOnlyKestrovaDevices_data();
    void grantsOnlyKestrovaDevices();
};

void TestUdevRule::parsesAndTagsOnlyProductMatches()
{
    QString fault;
    const QVector<Rule> rules = installedRules(&fault);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    int tagging = 0;
    for (const Rule &rule : rules) {
        bool tags = false, byProduct = false;
        for (const Assignment &a : rule) {
            tags = tags || (a.key == QLatin1String("TAG") && a.value == QLatin1String("uaccess"));
            byProduct = byProduct || (a.key == QLatin1String("ATTRS") && a.attribute == QLatin1String("product")
                                      && a.op == QLatin1String("==") && !a.value.startsWith(QLatin1Char('*'))
                                             == a.value.startsWith(QLatin1String("Kestrova")));
        }
        if (tags) {
            ++tagging;
            QVERIFY2(byProduct, "a rule tags uaccess without matching a product string");
        }
    }
    QVERIFY(tagging > 0);
}

void TestUdevRule::findsFaults_data()
{
    QTest::addColumn<QByteArray>("rules");
    QTest::addColumn<QString>("fault");
    QTest::newRow("unquoted value") << QByteArray("SUBSYSTEM==tty, TAG+=\"uaccess\"") << "line 1: cannot parse";
    QTest::newRow("match key assigned") << QByteArray("# c\nSUBSYSTEMS=\"usb\"") << "line 2: SUBSYSTEMS = is not";
    QTest::newRow("ATTRS without attribute") << QByteArray("ATTRS==\"x\", TAG+=\"uaccess\"") << "line 1: ATTRS needs";
    QTest::newRow("missing comma") << QByteArray("KERNEL==\"a\" TAG+=\"uaccess\"") << "line 1: missing comma";
    QTest::newRow("dangling GOTO") << QByteArray("ACTION==\"remove\", GOTO=\"end\"") << "GOTO \"end\" has no LABEL";
}

void TestUdevRule::findsFaults()
{
    QFETCH(QByteArray, rules);
    QFETCH(QString, fault);
    QVector<Rule> parsed;
    const QString found = parseRules(rules, &parsed);
    QVERIFY2(found.startsWith(fault), qPrintable(found));
}

void TestUdevRule::grantsOnlyKestrovaDevices_data()
{
    QTest::addColumn<QString>("product");
    QTest::addColumn<bool>("granted");
    QStringList models;
    for (const DeviceModels::DeviceModel &m : DeviceModels::all()) {
        if (m.acceptedName.isEmpty())
            continue;
        const QString &accepted = m.acceptedName;
        const QString running = accepted.startsWith(QLatin1String("Kestrova")) ? accepted : "Kestrova " + accepted;
        QTest::newRow(qPrintable(running)) << running << true;
        // The bootloader shows the model's name.
        models.append(m.model);
    }
    // The Rowan-W identifies itself as "RowanW-1".
    models.append(QStringLiteral("RowanW-1"));
    for (const QString &model : qAsConst(models)) {
        for (const char *suffix : {" BootLoader", " Bootloader", " BOOTLOADER"})
            QTest::newRow(qPrintable(model + suffix)) << model + suffix << true;
    }
    for (const char *other : {"USB Serial", "FT232R USB UART", "CP2102N USB to UART Bridge Controller",
                              "STM32 BOOTLOADER", "Bootloader", "RP2 Boot", "kestrova cedar-6", "Cedar-6",
                              "Arduino Uno", "Pine-1 BootLoader", ""})
        QTest::newRow(other) << QString::fromLatin1(other) << false;
}

void TestUdevRule::grantsOnlyKestrovaDevices()
{
    QFETCH(QString, product);
    QFETCH(bool, granted);
    QString fault;
    const QVector<Rule> rules = installedRules(&fault);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QCOMPARE(grantsAccess(rules, product), granted);
}

QTEST_GUILESS_MAIN(TestUdevRule)
#include "tst_udevrule.moc"
