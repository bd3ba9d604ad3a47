#include "fakemarket/FakeService.h"
#include "FakeServiceHost.h"
#include "fakemarket/FakeServer.h"

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QtTest>
#include <qcoro/qcoronetworkreply.h>

using namespace virel;

// The fake service's pages work in a browser: a code is approved by its form, and a web-session URL
// signs the browser in.
class FakeServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_host = std::make_unique<test::FakeServiceHost>();
        QVERIFY(m_host->isListening());
        m_browser = std::make_unique<QNetworkAccessManager>();
        m_browser->setCookieJar(new QNetworkCookieJar(m_browser.get()));
    }

    void cleanup()
    {
        m_browser.reset();
        m_host.reset();
    }

    void approvalByTheLinkPageForm()
    {
        const auto start = post(QStringLiteral("/api/mac/device/start"), "application/json", {});
        const QJsonObject codes = QJsonDocument::fromJson(start.second).object();
        const QString userCode = codes.value(QStringLiteral("user_code")).toString();
        QCOMPARE(codes.value(QStringLiteral("verification_url")).toString(),
                 m_host->origin().toString() + QStringLiteral("/link/mac"));

        const auto page = get(QStringLiteral("/link/mac"));
        QCOMPARE(page.first, 200);
        const QString html = QString::fromUtf8(page.second);
        QVERIFY(html.contains(QStringLiteral("action=\"/link/mac/approve\"")));
        QVERIFY(html.contains(QStringLiteral("name=\"user_code\" value=\"") + userCode + u'"'));
        QVERIFY(html.contains(QStringLiteral(">승인</button>")));

        const auto approved = post(QStringLiteral("/link/mac/approve"), "application/x-www-form-urlencoded",
                                   "user_code=" + userCode.toUtf8());
        QCOMPARE(approved.first, 200);
        QVERIFY(m_host->service.pendingUserCodes().isEmpty());

        const QByteArray poll = "{\"device_code\":\"" +
                                codes.value(QStringLiteral("device_code")).toString().toUtf8() +
                                "\",\"device_name\":\"desk\"}";
        const QJsonObject signedIn =
            QJsonDocument::fromJson(
                post(QStringLiteral("/api/mac/device/poll"), "application/json", poll).second)
                .object();
        QCOMPARE(signedIn.value(QStringLiteral("status")).toString(), QStringLiteral("approved"));
        QVERIFY(m_host->service.isTokenValid(signedIn.value(QStringLiteral("token")).toString()));
        QCOMPARE(post(QStringLiteral("/api/mac/device/poll"), "application/json", poll).first,
                 404); // used once
    }

    void webSessionSignsTheBrowserIn()
    {
        const QString token = m_host->service.issueToken(QStringLiteral("kim@example.com"));
        QNetworkRequest request(m_host->origin().resolved(QUrl(QStringLiteral("/api/mac/web-session"))));
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        const auto issued = send(request, "POST", "{\"redirect\":\"/symbol/NVDA\"}");
        const QUrl url(
            QJsonDocument::fromJson(issued.second).object().value(QStringLiteral("url")).toString());
        QVERIFY(url.path().startsWith(QStringLiteral("/session/")));

        const auto landing = send(QNetworkRequest(url), "GET");
        QCOMPARE(landing.first, 200); // after the redirect
        const QString html = QString::fromUtf8(landing.second);
        QVERIFY(html.contains(QStringLiteral("NVIDIA Corporation")));
        QVERIFY(html.contains(QStringLiteral("kim@example.com")));
        QCOMPARE(send(QNetworkRequest(url), "GET").first, 404); // a ticket is used once
    }

    void keptAccounts_areKnownToTheNextServer()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("demo/accounts.json"));
        m_host->service.keepAccountsIn(file);
        const QString token = m_host->service.issueToken(QStringLiteral("kim@example.com"));
        QNetworkRequest request(m_host->origin().resolved(QUrl(QStringLiteral("/api/mac/watchlist"))));
        request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        QCOMPARE(send(request, "POST", R"({"action":"add","ticker":"NVDA"})").first, 200);

        fake::FakeServer server;
        fake::FakeService next(server);
        next.keepAccountsIn(file);
        QVERIFY(next.isTokenValid(token));
        QCOMPARE(next.watchlist(token), m_host->service.watchlist(token));
    }

private:
    using Answer = std::pair<int, QByteArray>;

    Answer send(QNetworkRequest request, const QByteArray& method, const QByteArray& body = {})
    {
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        QNetworkReply* reply = m_browser->sendCustomRequest(request, method, body);
        QCoro::waitFor(qCoro(reply).waitForFinished());
        reply->deleteLater();
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
    }
    Answer get(const QString& path)
    {
        return send(QNetworkRequest(m_host->origin().resolved(QUrl(path))), "GET");
    }
    Answer post(const QString& path, const QByteArray& type, const QByteArray& body)
    {
        QNetworkRequest request(m_host->origin().resolved(QUrl(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, type);
        return send(request, "POST", body);
    }

    std::unique_ptr<test::FakeServiceHost> m_host;
    std::unique_ptr<QNetworkAccessManager> m_browser;
};

QTEST_GUILESS_MAIN(FakeServiceTest)
#include "FakeServiceTest.moc"
