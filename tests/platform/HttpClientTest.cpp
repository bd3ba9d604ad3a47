#include "platform/HttpClient.h"
#include "AwaitTask.h"
#include "fakemarket/FakeServer.h"

#include <QNetworkReply>
#include <QTest>
#include <memory>
#include <optional>

using namespace virel;
using fake::Fault;

namespace {

HttpClient::Options options(int idleMs = 300, int totalMs = 0)
{
    HttpClient::Options options;
    options.userAgent = "test-agent/1";
    options.idleTimeout = std::chrono::milliseconds(idleMs);
    options.totalTimeout = std::chrono::milliseconds(totalMs);
    options.maxBodyBytes = 1024 * 1024;
    return options;
}

} // namespace

class HttpClientTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_server.listen()); }
    void init() { m_server.faults().clearAll(); }

    void failures_data()
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
    void failures()
    {
        QFETCH(QString, path);
        QFETCH(int, totalMs);
        QFETCH(int, failure);
        QFETCH(int, status);
        m_server.faults().add(u"/hang"_qs, Fault::hanging());
        m_server.faults().add(u"/v1/finance/search"_qs, Fault::huge());
        HttpClient client(options(totalMs > 0 ? 5000 : 300, totalMs));
        const HttpResponse response = test::awaitTask(client.get(m_server.origin().resolved(QUrl(path))));
        QCOMPARE(int(response.failure), failure);
        QCOMPARE(response.status, status);
        QTRY_VERIFY(client.findChildren<QNetworkReply*>().isEmpty()); // every answer is freed
        m_server.releaseHeld();
    }

    void destroyedClient_finishesEveryWaitingRequest()
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

QTEST_GUILESS_MAIN(HttpClientTest)
#include "HttpClientTest.moc"
