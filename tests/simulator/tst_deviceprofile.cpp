#include "device/devicemodels.h"
#include "device/sysexframecutter.h"
#include "simulator/devicereplies.h"
#include "simulator/deviceprofile.h"

#include <QRegularExpression>
#include <QSet>
#include <QtTest>

Q_DECLARE_METATYPE(DeviceProfile)

class TestDeviceProfile : public QObject
{
    Q_OBJECT

private slots:
    void identifiesAsTheHostExpects_data();
    void identifiesAsTheHostExpects();
    void bootloaderIsFoundOnlyByTheUpgradeSearch_data();
    void bootloaderIsFoundOnlyByTheUpgradeSearch();
    void usbNamesClassifyAsNames_data();
    void usbNamesClassifyAsNames();
    void productIdsAreDistinct();
    void findsByDescriptionModelOrAlias_data();
    void findsByDescriptionModelOrAlias();
};

namespace {

void addProfileRows()
{
    QTest::addColumn<DeviceProfile>("p");
    for (const DeviceProfile &p : DeviceProfiles::all())
        QTest::newRow(qPrintable(p.usbDescription)) << p;
}

} // namespace

void TestDeviceProfile::identifiesAsTheHostExpects_data()
{
    addProfileRows();
}

void TestDeviceProfile::identifiesAsTheHostExpects()
{
    QFETCH(DeviceProfile, p);
    static const QRegularExpression modelPattern(QStringLiteral("([A-Za-z0-9]+-\\d+)"));
    static const QRegularExpression versionPattern(QStringLiteral("V\\d+(\\.\\d+)+"));
    QCOMPARE(modelPattern.match(p.modelText).captured(1), p.modelText);
    QCOMPARE(versionPattern.match(p.versionText).captured(0), p.versionText);
    // The host tests the model pattern first: a version that matched it
    // would be taken for a model.
    QVERIFY(!modelPattern.match(p.versionText).hasMatch());
    QVERIFY(p.usbDescription.startsWith(QLatin1String("Kestrova")));
    QVERIFY(DeviceModels::isAccepted(p.usbDescription));
    QCOMPARE(p.usbDeviceNames.size(), p.usbSlotCount());
    QCOMPARE(p.vendorId, DeviceProfiles::MakerVendorId);
    QVERIFY(!p.bootloader);
}

void TestDeviceProfile::bootloaderIsFoundOnlyByTheUpgradeSearch_data()
{
    addProfileRows();
}

void TestDeviceProfile::bootloaderIsFoundOnlyByTheUpgradeSearch()
{
    QFETCH(DeviceProfile, p);
    const DeviceProfile boot = DeviceProfiles::bootloaderOf(p);
    QVERIFY(boot.bootloader);
    QVERIFY(boot.usbDescription.contains(p.modelText + QLatin1String(" Bootload"), Qt::CaseInsensitive));
    QVERIFY(boot.usbDescription.contains(QLatin1String("BootLoad"), Qt::CaseSensitive));
    QVERIFY(!boot.usbDescription.startsWith(QLatin1String("Kestrova"), Qt::CaseInsensitive));
    QCOMPARE(boot.modelText, p.modelText);
    QCOMPARE(DeviceProfiles::bootloaderOf(boot).usbDescription, boot.usbDescription);
}

void TestDeviceProfile::usbNamesClassifyAsNames_data()
{
    addProfileRows();
}

// A name whose frame has a length the host classifies by (12, 13, 36 bytes)
// would also be taken for a route, the filter counts or a filter state.
void TestDeviceProfile::usbNamesClassifyAsNames()
{
    QFETCH(DeviceProfile, p);
    for (int slot = 0; slot < p.usbSlotCount(); ++slot) {
        const QByteArray frame = DeviceReplies::usbName(0, static_cast<std::uint8_t>(slot + 1),
                                                        p.usbDeviceNames.at(slot));
        QVector<FrameKind> kinds = SysExFrameCutter::classify(frame);
        kinds.removeAll(FrameKind::UnexpectedLength);
        QCOMPARE(kinds, QVector<FrameKind>{FrameKind::UsbPortName});
    }
}

void TestDeviceProfile::productIdsAreDistinct()
{
    QSet<quint16> ids;
    for (const DeviceProfile &p : DeviceProfiles::all()) {
        ids.insert(p.productId);
        ids.insert(DeviceProfiles::bootloaderOf(p).productId);
    }
    QCOMPARE(ids.size(), 2 * DeviceProfiles::all().size());
}

void TestDeviceProfile::findsByDescriptionModelOrAlias_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description"); // empty: not found

    QTest::newRow("description") << "Kestrova Alder-4" << "Kestrova Alder-4";
    QTest::newRow("model") << "Cedar-6" << "Kestrova Cedar-6";
    QTest::newRow("spelling with a blank") << "Kestrova Spruce-7 Pro" << "Kestrova-Spruce-7 Pro";
    QTest::newRow("Rowan-W by its name") << "Rowan-W" << "Kestrova Rowan-W";
    QTest::newRow("Rowan-W by its model text") << "RowanW-1" << "Kestrova Rowan-W";
    QTest::newRow("bootloader") << "Maple-5 BootLoader" << "Maple-5 BootLoader";
    QTest::newRow("lower case") << "kestrova alder-4" << "";
    QTest::newRow("part of a name") << "Alder" << "";
    QTest::newRow("empty") << "" << "";
}

void TestDeviceProfile::findsByDescriptionModelOrAlias()
{
    QFETCH(QString, name);
    QFETCH(QString, description);
    const auto found = DeviceProfiles::find(name);
    QCOMPARE(found ? found->usbDescription : QString(), description);
}

QTEST_GUILESS_MAIN(TestDeviceProfile)
#include "tst_deviceprofile.moc"
