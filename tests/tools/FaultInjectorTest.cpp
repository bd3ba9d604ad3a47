#include "fakemarket/FaultInjector.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;
using virel::fake::Fault;
using virel::fake::FaultInjector;
using virel::fake::FaultSpec;

Q_DECLARE_METATYPE(virel::fake::Fault)

class FaultInjectorTest : public QObject
{
    Q_OBJECT

private slots:
    void parsesSpecs_data()
    {
        QTest::addColumn<QString>("faultText");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<int>("status"); // 0: none
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("wrongTypePath");
        QTest::addColumn<bool>("hang");
        QTest::addColumn<int>("count"); // 0: every answer
        const int none = int(Fault::Damage::none);
        QTest::newRow("status, count")
            << u"/v8/finance/chart/NVDA=status:500,count:3"_s << u"/v8/finance/chart/NVDA"_s << 500
            << QByteArray() << 0 << none << QString() << false << 3;
        QTest::newRow("delay") << u"/v1/finance/search=delay:3000"_s << u"/v1/finance/search"_s << 0
                               << QByteArray() << 3000 << none << QString() << false << 0;
        QTest::newRow("'=' in the path, body with commas")
            << u"/v8/finance/chart/KRW=X=status:429,body:Too Many Requests, slow down"_s
            << u"/v8/finance/chart/KRW=X"_s << 429 << QByteArray("Too Many Requests, slow down") << 0 << none
            << QString() << false << 0;
        QTest::newRow("wrong type with path")
            << u"/v1/finance/search=wrongtype:quotes,count:1"_s << u"/v1/finance/search"_s << 0
            << QByteArray() << 0 << int(Fault::Damage::wrongType) << u"quotes"_s << false << 1;
        QTest::newRow("truncate after a delay")
            << u"/api/mac/watchlist=delay:200,truncate"_s << u"/api/mac/watchlist"_s << 0 << QByteArray()
            << 200 << int(Fault::Damage::truncate) << QString() << false << 0;
        QTest::newRow("huge") << u"/x=huge"_s << u"/x"_s << 0 << QByteArray() << 0 << int(Fault::Damage::huge)
                              << QString() << false << 0;
        QTest::newRow("hang") << u"/x=hang,count:2"_s << u"/x"_s << 0 << QByteArray() << 0 << none
                              << QString() << true << 2;
    }

    void parsesSpecs()
    {
        QFETCH(QString, faultText);
        QFETCH(QString, prefix);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, delayMs);
        QFETCH(int, damage);
        QFETCH(QString, wrongTypePath);
        QFETCH(bool, hang);
        QFETCH(int, count);
        QString error;
        const auto parsed = FaultSpec::parse(faultText, &error);
        QVERIFY2(parsed, qPrintable(error));
        QCOMPARE(parsed->pathPrefix, prefix);
        QCOMPARE(parsed->fault.status.value_or(0), status);
        QCOMPARE(parsed->fault.body, body);
        QCOMPARE(parsed->fault.delay.count(), delayMs);
        QCOMPARE(int(parsed->fault.damage), damage);
        QCOMPARE(parsed->fault.wrongTypePath, wrongTypePath);
        QCOMPARE(parsed->fault.hang, hang);
        QCOMPARE(parsed->fault.count.value_or(0), count);
    }

    void rejectsBadSpecs_data()
    {
        QTest::addColumn<QString>("faultText");
        QTest::newRow("no path") << u"status:500"_s;
        QTest::newRow("no kind") << u"/v8/finance/chart"_s;
        QTest::newRow("unknown kind") << u"/x=explode"_s;
        QTest::newRow("status not a number") << u"/x=status:abc"_s;
        QTest::newRow("status out of range") << u"/x=status:99"_s;
        QTest::newRow("zero count") << u"/x=status:500,count:0"_s;
        QTest::newRow("negative delay") << u"/x=delay:-5"_s;
        QTest::newRow("value on a flag") << u"/x=truncate:5"_s;
        QTest::newRow("body without status") << u"/x=body:oops"_s;
    }

    void rejectsBadSpecs()
    {
        QFETCH(QString, faultText);
        QString error;
        QVERIFY(!FaultSpec::parse(faultText, &error));
        QVERIFY(error.contains(faultText));
    }

    void longestPrefixWinsAndCountsRunOut()
    {
        FaultInjector faults;
        faults.add(u"/v8/finance/chart"_s, Fault::withStatus(503));
        faults.add(u"/v8/finance/chart/^KS11"_s, Fault::withStatus(429).times(2));
        const QUrl index(u"http://127.0.0.1/v8/finance/chart/%5EKS11?range=1d"_s);
        const QUrl share(u"http://127.0.0.1/v8/finance/chart/NVDA"_s);
        QCOMPARE(faults.take(index)->status, 429);
        QCOMPARE(faults.take(share)->status, 503);
        QCOMPARE(faults.take(index)->status, 429);
        QCOMPARE(faults.take(index)->status, 503); // the narrower fault is used up
        faults.clear(u"/v8/finance/chart"_s);
        QVERIFY(!faults.take(share));
        QVERIFY(faults.isEmpty());
    }

    void prefixesMatchEncodedAndDecodedPaths()
    {
        const QUrl url(u"http://127.0.0.1/v8/finance/chart/%5EKS11"_s);
        QVERIFY(FaultInjector::pathMatches(url, u"/v8/finance/chart/^KS11"_s));
        QVERIFY(FaultInjector::pathMatches(url, u"/v8/finance/chart/%5EKS11"_s));
        QVERIFY(!FaultInjector::pathMatches(url, u"/v1/finance/search"_s));
    }

    void damagesBodies_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray chart =
            R"({"chart":{"result":[{"meta":{"currency":"KRW","regularMarketPrice":72000.5}}]}})";
        QTest::newRow("truncate") << Fault::truncated() << QByteArray("0123456789") << QByteArray("01234");
        QTest::newRow("number becomes text")
            << Fault::wrongType() << chart
            << QByteArray(
                   R"({"chart":{"result":[{"meta":{"currency":"KRW","regularMarketPrice":"72000.5"}}]}})");
        QTest::newRow("text becomes number")
            << Fault::wrongType(u"chart.result.0.meta.currency"_s) << chart
            << QByteArray(R"({"chart":{"result":[{"meta":{"currency":1,"regularMarketPrice":72000.5}}]}})");
        QTest::newRow("array becomes object")
            << Fault::wrongType(u"quotes"_s) << QByteArray(R"({"quotes":[7]})")
            << QByteArray(R"({"quotes":{"0":7}})");
        QTest::newRow("object becomes array")
            << Fault::wrongType(u"a"_s) << QByteArray(R"({"a":{"b":true}})") << QByteArray(R"({"a":[true]})");
        QTest::newRow("missing path: first member")
            << Fault::wrongType(u"nope.0"_s) << QByteArray(R"({"a":null,"b":2})")
            << QByteArray(R"({"a":"null","b":2})");
        QTest::newRow("not JSON stays") << Fault::wrongType() << QByteArray("<html>") << QByteArray("<html>");
    }

    void damagesBodies()
    {
        QFETCH(Fault, fault);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, expected);
        QCOMPARE(fault.applyTo(body, u"chart.result.0.meta.regularMarketPrice"_s), expected);
    }

    void hugeBodyIsStillTheSameJson()
    {
        const QByteArray body = R"({"quotes":[]})";
        const QByteArray huge = Fault::huge().applyTo(body, {});
        QCOMPARE(huge.size(), 10 * 1024 * 1024);
        QCOMPARE(QJsonDocument::fromJson(huge).object(), QJsonDocument::fromJson(body).object());
    }
};

QTEST_GUILESS_MAIN(FaultInjectorTest)
#include "FaultInjectorTest.moc"
