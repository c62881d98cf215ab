#include "mapping/mappingfeedback.h"

#include <QtTest>

using namespace Mapping;

Q_DECLARE_METATYPE(Mapping::DeleteResult::Outcome)
Q_DECLARE_METATYPE(Mapping::StoreReply::Action)

class TestMappingFeedback : public QObject
{
    Q_OBJECT

private slots:
    void deleteResult_data();
    void deleteResult();
    void storeReply_data();
    void storeReply();
};

void TestMappingFeedback::deleteResult_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<DeleteResult::Outcome>("outcome");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    using O = DeleteResult::Outcome;
    const auto frame = [](const char *statusAndCode) {
        return QByteArray::fromHex(QByteArray("f0002f710205") + statusAndCode + "f7");
    };
    QTest::newRow("deleted") << frame("0000") << O::Deleted << "Success" << "Delete Successful";
    QTest::newRow("refused, no error") << frame("0100") << O::Refused << "Error" << "No Error";
    QTest::newRow("refused, no configuration")
        << frame("0101") << O::Refused << "Error"
        << "No configuration: This port has no configuration mapping";
    QTest::newRow("refused, no port type")
        << frame("0102") << O::Refused << "Error" << "No port type: There is no such port type";
    QTest::newRow("refused, no port number")
        << frame("0103") << O::Refused << "Error" << "No port number: There is no such port number";
    QTest::newRow("refused, unknown code") << frame("0104") << O::Ignored << "" << "";
    QTest::newRow("done with a code") << frame("0001") << O::Ignored << "" << "";
    QTest::newRow("unknown status") << frame("0200") << O::Ignored << "" << "";
    QTest::newRow("too short for byte 7") << QByteArray::fromHex("f0002f71020500")
                                          << O::Ignored << "" << "";
    QTest::newRow("empty") << QByteArray() << O::Ignored << "" << "";
}

void TestMappingFeedback::deleteResult()
{
    QFETCH(QByteArray, frame);
    QFETCH(DeleteResult::Outcome, outcome);
    QFETCH(QString, title);
    QFETCH(QString, text);
    const DeleteResult result = interpretDeleteResult(frame);
    QCOMPARE(result.outcome, outcome);
    QCOMPARE(result.title, title);
    QCOMPARE(result.text, text);
}

void TestMappingFeedback::storeReply_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<StoreReply::Action>("action");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("reply");

    using A = StoreReply::Action;
    QTest::newRow("data error") << QByteArray::fromHex("f0002f7102040003f7") << A::ShowDataError
                                << "Data error. Please reconfigure and resend.)" << QByteArray();
    QTest::newRow("other code is acknowledged")
        << QByteArray::fromHex("f0002f7102040001f7") << A::Acknowledge << ""
        << QByteArray::fromHex("f0002f71020201f7");
    QTest::newRow("code 0 is acknowledged")
        << QByteArray::fromHex("f0002f7102040000f7") << A::Acknowledge << ""
        << QByteArray::fromHex("f0002f71020201f7");
    QTest::newRow("too short for byte 7") << QByteArray::fromHex("f0002f710204") << A::Ignore << ""
                                          << QByteArray();
}

void TestMappingFeedback::storeReply()
{
    QFETCH(QByteArray, frame);
    QFETCH(StoreReply::Action, action);
    QFETCH(QString, text);
    QFETCH(QByteArray, reply);
    const StoreReply result = interpretStoreReply(frame);
    QCOMPARE(result.action, action);
    QCOMPARE(result.text, text);
    QCOMPARE(result.reply.toHex(' '), reply.toHex(' '));
}

QTEST_GUILESS_MAIN(TestMappingFeedback)
#include "tst_mappingfeedback.moc"
