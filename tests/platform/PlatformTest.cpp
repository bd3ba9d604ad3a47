#include "AwaitTask.h"
#include "TempSettings.h"
#include "fakemarket/FakeServer.h"
#include "platform/Autostart.h"
#include "platform/BrowserLauncher.h"
#include "platform/HttpClient.h"
#include "platform/Origins.h"

#include <QFile>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

using namespace virel;
using fake::Fault;

namespace {

HttpClient::Options options(int idleMs = 300, int totalMs = 0)
{
    HttpClient::Options options;
    options.idleTimeout = std::chrono::milliseconds(idleMs);
    options.totalTimeout = std::chrono::milliseconds(totalMs);
    options.maxBodyBytes = 1024 * 1024;
    return options;
}

} // namespace

class PlatformTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_server.listen()); }
    void init() { m_server.faults().clearAll(); }

    void autostart_data()
    {
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QByteArray>("exec");
        QTest::newRow("plain path") << u"/usr/bin/virel"_qs << QByteArray("Exec=/usr/bin/virel");
        QTest::newRow("space quoted")
            << u"/opt/my apps/virel"_qs << QByteArray("Exec=\"/opt/my apps/virel\"");
        QTest::newRow("quote, dollar, percent escaped")
            << u"/x/a\"$b%/virel"_qs << QByteArray("Exec=\"/x/a\\\\\"\\\\$b%%/virel\"");
    }
    void autostart()
    {
        QFETCH(QString, executable);
        QFETCH(QByteArray, exec);
        QTemporaryDir dir;
        const Autostart autostart(dir.filePath(u"autostart"_qs), executable);
        QVERIFY(!autostart.enabled());
        QVERIFY(autostart.setEnabled(true));
        QFile file(autostart.entryPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray entry = file.readAll();
        QVERIFY2(entry.startsWith("[Desktop Entry]\n") && entry.split('\n').contains(exec),
                 entry.constData());
        QVERIFY(!entry.contains("--demo"));
        // Where its folder would go there is a file: the entry cannot be written.
        QVERIFY(!Autostart(autostart.entryPath(), executable).setEnabled(true));
        QVERIFY(QFile::remove(autostart.entryPath())); // removed by hand: off
        QVERIFY(!autostart.enabled());
        QVERIFY(autostart.setEnabled(true) && autostart.setEnabled(false) && !autostart.enabled());
    }

    // A second reader of the file sees every write without any explicit save.
    void writesAreOnDiskAtOnceAndUnreadableValuesKeptAside()
    {
        test::TempSettings settings;
        settings->setValue(u"displayMode"_qs, u"watchlist"_qs);
        settings->setValue(u"displayMode"_qs, u"market"_qs);
        settings->setValue(u"sync.pendingOps"_qs, QByteArray("{"));
        settings->markUnreadable(u"sync.pendingOps"_qs);
        settings->remove(u"sync.pendingOps"_qs);
        const auto reopened = settings.reopen();
        QCOMPARE(reopened->value(u"displayMode"_qs).toString(), u"market"_qs);
        QVERIFY(!reopened->contains(u"displayMode.unreadable"_qs)); // a readable value leaves no copy
        QVERIFY(!reopened->contains(u"sync.pendingOps"_qs));
        QCOMPARE(reopened->value(u"sync.pendingOps.unreadable"_qs).toByteArray(), QByteArray("{"));
    }

    void batch_writesReachTheDiskTogetherWhenTheOutermostEnds()
    {
        test::TempSettings settings;
        {
            const Settings::Batch outer(*settings);
            settings->setValue(u"items.watchlist"_qs, QByteArray("[1]"));
            {
                const Settings::Batch inner(*settings);
                settings->setValue(u"sync.pendingOps"_qs, QByteArray("[2]"));
            }
            // Read the file itself: stores of one file in one process share what is not yet saved.
            QFile file(settings->fileName());
            QVERIFY(!file.open(QIODevice::ReadOnly) || !file.readAll().contains("items.watchlist"));
            QCOMPARE(settings->value(u"sync.pendingOps"_qs).toByteArray(), QByteArray("[2]"));
        }
        const auto reopened = settings.reopen();
        QCOMPARE(reopened->value(u"items.watchlist"_qs).toByteArray(), QByteArray("[1]"));
        QCOMPARE(reopened->value(u"sync.pendingOps"_qs).toByteArray(), QByteArray("[2]"));
    }

    void browserHelperFailureIsReported_data()
    {
        QTest::addColumn<QString>("helper");
        QTest::addColumn<int>("failures");
        QTest::newRow("helper opens") << u"true"_qs << 0;
        QTest::newRow("helper refuses") << u"false"_qs << 1;
        QTest::newRow("helper missing") << u"/nonexistent/xdg-open"_qs << 1;
    }
    void browserHelperFailureIsReported()
    {
        QFETCH(QString, helper);
        BrowserLauncher launcher(helper);
        QSignalSpy failed(&launcher, &BrowserLauncher::failed);
        launcher.open(QUrl(u"https://virel.app/"_qs));
        QTRY_VERIFY(launcher.findChildren<QProcess*>().isEmpty());
        QTEST(int(failed.count()), "failures");
    }

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
        QTEST(Origins::accept(text).has_value(), "accepted");
    }

    void environmentOverrideOnlyToAnAcceptedOrigin()
    {
        qunsetenv("VIREL_YAHOO_ORIGIN");
        const QUrl builtIn = Origins::yahoo();
        qputenv("VIREL_YAHOO_ORIGIN", "http://evil.example");
        QCOMPARE(Origins::yahoo(), builtIn);
        qputenv("VIREL_YAHOO_ORIGIN", "http://127.0.0.1:4321");
        QCOMPARE(Origins::yahoo(), QUrl(u"http://127.0.0.1:4321"_qs));
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
        QTEST(Origins::sameOrigin(QUrl(url), QUrl(u"https://virel.app"_qs)), "same");
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
        QTEST(Origins::isWebUrl(QUrl(url)), "web");
    }

    void httpFailures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("totalMs"); // 0: no total limit
        QTest::addColumn<int>("failure");
        QTest::addColumn<int>("status");
        const int none = int(HttpResponse::Failure::none);
        const int timeout = int(HttpResponse::Failure::timeout);
        QTest::newRow("answer") << u"/v8/finance/chart/NVDA"_qs << 0 << none << 200;
        QTest::newRow("http error keeps its status") << u"/v8/finance/chart/NOPE"_qs << 0 << none << 404;
        QTest::newRow("never answers") << u"/hang"_qs << 0 << timeout << 0;
        QTest::newRow("total limit ends a slow answer") << u"/hang"_qs << 150 << timeout << 0;
        QTest::newRow("body over the cap")
            << u"/v1/finance/search?q=NVDA"_qs << 0 << int(HttpResponse::Failure::tooLarge) << 200;
    }
    void httpFailures()
    {
        QFETCH(QString, path);
        QFETCH(int, totalMs);
        QFETCH(int, failure);
        m_server.faults().add(u"/hang"_qs, Fault::hanging());
        m_server.faults().add(u"/v1/finance/search"_qs, Fault::huge());
        HttpClient client(options(totalMs > 0 ? 5000 : 300, totalMs));
        const HttpResponse response = test::awaitTask(client.get(m_server.origin().resolved(QUrl(path))));
        QCOMPARE(int(response.failure), failure);
        QTEST(response.status, "status");
        QTRY_VERIFY(client.findChildren<QNetworkReply*>().isEmpty()); // every answer is freed
        m_server.releaseHeld();
    }

    void destroyedHttpClient_finishesEveryWaitingRequest()
    {
        m_server.faults().add(u"/hang"_qs, Fault::hanging());
        auto client = std::make_unique<HttpClient>(options());
        std::optional<HttpResponse> first;
        std::optional<HttpResponse> second;
        auto a =
            test::detail::storeResult(client->get(m_server.origin().resolved(QUrl(u"/hang"_qs))), &first);
        auto b =
            test::detail::storeResult(client->get(m_server.origin().resolved(QUrl(u"/hang"_qs))), &second);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.heldCount(), 2, 2000);
        client.reset();
        QVERIFY(first && second);
        QCOMPARE(first->failure, HttpResponse::Failure::cancelled);
        QCOMPARE(second->failure, HttpResponse::Failure::cancelled);
        m_server.releaseHeld();
    }

private:
    fake::FakeServer m_server;
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "PlatformTest.moc"
