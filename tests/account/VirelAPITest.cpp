#include "account/VirelAPI.h"
#include "AwaitTask.h"
#include "FakeServiceHost.h"
#include "account/PendingOp.h"
#include "account/ServiceJson.h"
#include "account/ServiceReplies.h"

#include <QTcpServer>
#include <QtTest>
#include <memory>

using namespace virel;
using namespace std::chrono_literals;
using fake::Fault;

Q_DECLARE_METATYPE(virel::ApiError)

namespace {

const auto kMe = u"/api/mac/me"_qs;
const auto kRevoke = u"/api/mac/token/revoke"_qs;
const auto kWatchlist = u"/api/mac/watchlist"_qs;

using test::awaitTask;
} // namespace

class VirelAPITest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_host = std::make_unique<test::FakeServiceHost>();
        QVERIFY(m_host->isListening());
        m_api = std::make_unique<VirelAPI>(m_host->origin(), ServiceTimeouts{200ms, 2s});
    }

    void cleanup()
    {
        m_api.reset();
        m_host.reset();
    }

    // Authorization is pinned where each call is made; here the headers every request carries.
    void requestShape()
    {
        const QString token = m_host->service.issueToken(u"kim@example.com"_qs);
        const JsonBody json{{u"ticker"_qs, u"005930"_qs}, {u"action"_qs, u"add"_qs}};
        QVERIFY(awaitTask(m_api->request<OK>("POST", kWatchlist, token, json)).ok());
        QVERIFY(awaitTask(m_api->request<OK>("GET", kMe, token)).ok());
        const auto post = m_host->service.requestsTo(kWatchlist).value(0);
        QCOMPARE(post.userAgent, QByteArrayLiteral("virel-for-mac/0.1"));
        QCOMPARE(post.contentType, QByteArrayLiteral("application/json"));
        QCOMPARE(post.body, QByteArray(R"({"action":"add","ticker":"005930"})"));
        QCOMPARE(m_host->service.requestsTo(kMe).value(0).contentType, QByteArray()); // no body, no type
    }

    void answers_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<ApiError>("error");

        const ApiError none = DecodingError{};
        QTest::newRow("empty object is OK") << Fault::withStatus(200, "{}") << true << none;
        QTest::newRow("201 counts as success") << Fault::withStatus(201, "{\"ok\":false}") << true << none;
        QTest::newRow("array body") << Fault::withStatus(200, "[]") << false << none;
        QTest::newRow("ok of the wrong type") << Fault::withStatus(200, "{\"ok\":\"yes\"}") << false << none;
        QTest::newRow("unknown ticker") << Fault::withStatus(404, "{\"error\":\"unknown_ticker\"}") << false
                                        << ApiError(HTTPError{404, u"unknown_ticker"_qs});
        QTest::newRow("snake and camel error keys")
            << Fault::withStatus(409, "{\"Error\":\"x\",\"error\":\"conflict\"}") << false
            << ApiError(HTTPError{409, u"conflict"_qs});
        QTest::newRow("HTML 500") << Fault::withStatus(500, "<html><body>oops</body></html>") << false
                                  << ApiError(HTTPError{500, std::nullopt});
        QTest::newRow("error of the wrong type")
            << Fault::withStatus(401, "{\"error\":5}") << false << ApiError(HTTPError{401, std::nullopt});
        QTest::newRow("redirect elsewhere")
            << Fault::withStatus(302) << false << ApiError(HTTPError{302, std::nullopt});
    }

    void answers()
    {
        QFETCH(Fault, fault);
        QFETCH(bool, ok);
        QFETCH(ApiError, error);
        const QString token = m_host->service.issueToken(u"kim@example.com"_qs);
        m_host->server.faults().add(kRevoke, fault);
        const auto result = awaitTask(m_api->request<OK>("POST", kRevoke, token));
        QCOMPARE(result.ok(), ok);
        if (!ok) {
            QCOMPARE(result.error(), error);
        }
    }

    void offline()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 port = closed.serverPort();
        closed.close();
        VirelAPI api(QUrl(u"http://127.0.0.1:%1"_qs.arg(port)));
        const auto result = awaitTask(api.request<OK>("POST", kRevoke));
        QCOMPARE(result.error(), ApiError(TransportError{TransportError::Kind::offline}));
        QVERIFY(!result.httpError());
    }

    void tokenStaysOnTheServiceOrigin_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("network-path reference") << u"//example.com/api/mac/me"_qs;
        QTest::newRow("absolute URL") << u"https://example.com/api/mac/me"_qs;
        QTest::newRow("other port") << u"http://127.0.0.1:1/api/mac/me"_qs;
    }

    void tokenStaysOnTheServiceOrigin()
    {
        QFETCH(QString, path);
        const auto result = awaitTask(m_api->request<MeResponse>("GET", path, u"secret"_qs));
        QCOMPARE(result.error(), ApiError(TransportError{TransportError::Kind::badURL}));
        QCOMPARE(m_host->server.requestCount(), 0);
    }

    void clientGoneMeansCancelled()
    {
        m_host->server.faults().add(kMe, Fault::hanging());
        auto task = m_api->request<MeResponse>("GET", kMe, u"t"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(m_host->server.heldCount(), 1, 2000);
        m_api.reset();
        const auto result = awaitTask(std::move(task));
        QCOMPARE(result.error(), ApiError(Cancelled{}));
        m_host->server.releaseHeld();
    }

    void camelCaseKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("snake case") << u"verification_url"_qs << u"verificationUrl"_qs;
        QTest::newRow("camelCase unchanged") << u"userCode"_qs << u"userCode"_qs;
        QTest::newRow("upper snake") << u"USER_CODE"_qs << u"userCode"_qs;
        QTest::newRow("outer underscores kept") << u"_user__code_"_qs << u"_userCode_"_qs;
        QTest::newRow("only underscores") << u"__"_qs << u"__"_qs;
    }

    void camelCaseKeys()
    {
        QFETCH(QString, key);
        QTEST(ServiceJson::camelCaseKey(key), "expected");
    }

    void decoding_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("decodes");
        const QString start =
            uR"("device_code":"d","verification_url":"https://x/link","expires_in":599.5)"_qs;
        QTest::newRow("start snake_case") << u"start"_qs << uR"({"user_code":"U",)"_qs + start + u'}' << true;
        QTest::newRow("start, camelCase")
            << u"start"_qs
            << R"({"deviceCode":"d","userCode":"U","verificationUrl":"v","expiresIn":600,"extra":[1]})"
            << true;
        QTest::newRow("start without user code") << u"start"_qs << u'{' + start + u'}' << false;
        QTest::newRow("null user code") << u"start"_qs << uR"({"user_code":null,)"_qs + start + u'}' << false;
        QTest::newRow("start with text lifetime")
            << u"start"_qs
            << R"({"device_code":"d","user_code":"U","verification_url":"v","expires_in":"600"})" << false;
        QTest::newRow("empty body") << u"start"_qs << QString() << false;
        QTest::newRow("poll approved with user")
            << u"poll"_qs << R"({"status":"approved","token":"t","user":{"email":"a@b"}})" << true;
        QTest::newRow("poll with nulls")
            << u"poll"_qs << R"({"status":"pending","token":null,"user":null})" << true;
        QTest::newRow("poll, text user") << u"poll"_qs << R"({"status":"approved","user":"a@b"})" << false;
        QTest::newRow("poll without status") << u"poll"_qs << R"({"token":"t"})" << false;
        QTest::newRow("watchlist")
            << u"watchlist"_qs
            << R"({"items":[{"ticker":"005930","name_ko":"삼성전자","exchange":"KOSPI"},{"ticker":"NVDA","name":null}]})"
            << true;
        QTest::newRow("item without ticker") << u"watchlist"_qs << R"({"items":[{"name":"x"}]})" << false;
        QTest::newRow("watchlist without items") << u"watchlist"_qs << "{}" << false;
        // The queue of edits as stored on this machine; a well-formed one is written back as read.
        QTest::newRow("queued edits")
            << u"ops"_qs
            << R"([{"action":"add","symbol":"005930.KS","ticker":"005930"},{"action":"remove","symbol":"BRK-B","ticker":"BRK.B"}])"
            << true;
        QTest::newRow("queued edits, none") << u"ops"_qs << "[]" << true;
        QTest::newRow("queued edits, not a list") << u"ops"_qs << "{}" << false;
        QTest::newRow("queued edit with a numeric ticker")
            << u"ops"_qs << R"([{"action":"add","ticker":1,"symbol":"A"}])" << false;
        QTest::newRow("queued edit of an unknown action")
            << u"ops"_qs << R"([{"action":"move","ticker":"A","symbol":"A"}])" << false;
        QTest::newRow("queued edit not an object") << u"ops"_qs << "[[]]" << false;
    }

    void decoding()
    {
        QFETCH(QString, reply);
        QFETCH(QString, text);
        QFETCH(bool, decodes);
        const QByteArray body = text.toUtf8();
        const auto decoded = [&](auto fromJson) {
            return StrictJson::attempt([&] { return fromJson(ServiceJson::parseReply(body)); }).has_value();
        };
        if (reply == u"ops") {
            const auto ops = PendingOp::decodeList(body);
            QCOMPARE(ops.has_value(), decodes);
            if (ops) {
                QCOMPARE(PendingOp::encodeList(*ops), body);
            }
        } else if (reply == u"start") {
            QCOMPARE(decoded(StartResponse::fromJson), decodes);
        } else if (reply == u"poll") {
            QCOMPARE(decoded(PollResponse::fromJson), decodes);
        } else {
            QCOMPARE(decoded(WatchlistResponse::fromJson), decodes);
        }
    }

private:
    std::unique_ptr<test::FakeServiceHost> m_host;
    std::unique_ptr<VirelAPI> m_api;
};

QTEST_GUILESS_MAIN(VirelAPITest)
#include "VirelAPITest.moc"
