#include "platform/Origins.h"

#include <QTest>

using namespace virel;

class OriginsTest : public QObject
{
    Q_OBJECT

private slots:
    void accept_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("https") << u"https://query1.finance.yahoo.com"_qs << true;
        QTest::newRow("http loopback v4") << u"http://127.0.0.1:8080"_qs << true;
        QTest::newRow("http loopback range") << u"http://127.8.9.10:1"_qs << true;
        QTest::newRow("http localhost") << u"http://localhost:9000"_qs << true;
        QTest::newRow("http loopback v6") << u"http://[::1]:9000"_qs << true;
        QTest::newRow("http remote") << u"http://example.com"_qs << false;
        QTest::newRow("http private range") << u"http://192.168.1.2"_qs << false;
        QTest::newRow("http host that starts like loopback") << u"http://127.0.0.1.example.com"_qs << false;
        QTest::newRow("file") << u"file:///etc/passwd"_qs << false;
        QTest::newRow("no host") << u"https://"_qs << false;
        QTest::newRow("garbage") << u"not a url"_qs << false;
    }
    void accept()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QCOMPARE(Origins::accept(text).has_value(), accepted);
    }

    void environmentOverride_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("expectedHost");
        QTest::newRow("unset uses the built-in host") << QByteArray() << u"query1.finance.yahoo.com"_qs;
        QTest::newRow("loopback override") << QByteArray("http://127.0.0.1:4321") << u"127.0.0.1"_qs;
        QTest::newRow("refused override falls back")
            << QByteArray("http://evil.example") << u"query1.finance.yahoo.com"_qs;
    }
    void environmentOverride()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, expectedHost);
        if (value.isEmpty()) {
            qunsetenv("VIREL_YAHOO_ORIGIN");
        } else {
            qputenv("VIREL_YAHOO_ORIGIN", value);
        }
        QCOMPARE(Origins::yahoo().host(), expectedHost);
        qunsetenv("VIREL_YAHOO_ORIGIN");
    }

    void sameOrigin_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("same");
        QTest::newRow("same with path") << u"https://virel.app/api/mac/me"_qs << true;
        QTest::newRow("explicit default port") << u"https://virel.app:443/x"_qs << true;
        QTest::newRow("other host") << u"https://virel.app.evil.example/x"_qs << false;
        QTest::newRow("other scheme") << u"http://virel.app/x"_qs << false;
        QTest::newRow("other port") << u"https://virel.app:8443/x"_qs << false;
    }
    void sameOrigin()
    {
        QFETCH(QString, url);
        QFETCH(bool, same);
        QCOMPARE(Origins::sameOrigin(QUrl(url), QUrl(u"https://virel.app"_qs)), same);
    }

    void isWebUrl_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("web");
        QTest::newRow("https") << u"https://news.example/a"_qs << true;
        QTest::newRow("http") << u"http://news.example/a"_qs << true;
        QTest::newRow("javascript") << u"javascript:alert(1)"_qs << false;
        QTest::newRow("file") << u"file:///tmp/x"_qs << false;
        QTest::newRow("custom scheme") << u"virel://open"_qs << false;
    }
    void isWebUrl()
    {
        QFETCH(QString, url);
        QFETCH(bool, web);
        QCOMPARE(Origins::isWebUrl(QUrl(url)), web);
    }
};

QTEST_GUILESS_MAIN(OriginsTest)
#include "OriginsTest.moc"
