#include "fakemarket/FakeServer.h"
#include "fakemarket/FakeService.h"
#include "webview/WebProtocol.h"
#include "windows/WebHelperProcess.h"
#include "windows/WebViewHost.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHttpServerResponse>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace virel;

namespace {
constexpr int engineTimeout = 20'000; // the first page also starts the browser engine
}

class WebViewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#if !defined(__SANITIZE_ADDRESS__) // Qt WebEngine's own code trips the sanitizers
        if (QFileInfo(WebHelperProcess::bundledProgram()).isExecutable()) {
            m_program = WebHelperProcess::bundledProgram();
        }
#endif
        QVERIFY(m_server.listen());
        // A page that tells which cookies the browser sent, and one that follows a link by itself,
        // then comes back to that page.
        m_server.http().route(u"/echo"_qs, [this](const QHttpServerRequest& request) {
            m_echoedCookies.append(request.value("Cookie"));
            return QHttpServerResponse("text/html", QByteArray("<html><body>echo</body></html>"));
        });
        m_server.http().route(u"/link"_qs, [](const QHttpServerRequest& request) {
            const QByteArray to = request.query().queryItemValue(u"to"_qs, QUrl::FullyDecoded).toUtf8();
            return QHttpServerResponse("text/html",
                                       "<html><body><a id=a href='" + to +
                                           "'>go</a><script>document.getElementById('a').click();"
                                           "setTimeout(() => location.href = '/echo', 100);"
                                           "</script></body></html>");
        });
    }
    void cleanupTestCase()
    {
        // However many pages were shown, the engine never entered this process.
        QFile maps(u"/proc/self/maps"_qs);
        QVERIFY(maps.open(QIODevice::ReadOnly));
        QVERIFY(!maps.readAll().contains("libQt6WebEngineCore"));
    }

    void init()
    {
        if (m_program.isEmpty()) {
            QSKIP("The web helper is not built, or not for the sanitizers");
        }
    }

    void cookiesSurviveARestartOfTheHelperAndEveryRequestCarriesTheUserAgent()
    {
        QTemporaryDir storage;
        const QString symbolPage = u"/symbol/005930"_qs;
        // The second round is a restart: a new helper on the same profile.
        for (const bool restarted : {false, true}) {
            const auto helper = startHelper(storage);
            if (!restarted) {
                QSignalSpy loaded(helper.get(), &WebHelperProcess::loaded);
                helper->load(page(symbolPage)); // sets a session cookie
                QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, engineTimeout);
                QCOMPARE(QString::fromUtf8(m_service.requestsTo(symbolPage).value(0).userAgent),
                         WebViewHost::userAgent());
                helper->load(page(symbolPage)); // a redraw hands the same address again: no reload
            }
            m_echoedCookies.clear();
            helper->load(page(u"/echo"_qs));
            QTRY_COMPARE_WITH_TIMEOUT(m_echoedCookies.size(), 1, engineTimeout);
            QVERIFY2(m_echoedCookies.first().contains("virel_last_symbol=005930"), m_echoedCookies.first());
        }
        QCOMPARE(m_service.requestsTo(symbolPage).size(), 1);
        QVERIFY(WebViewHost::userAgent().endsWith(u" virel-for-mac/0.1"));
    }

    void linksOffTheServiceGoToTheBrowser_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("staysInside");
        QTest::addColumn<bool>("opened");
        QTest::newRow("service page") << page(u"/symbol/NVDA"_qs) << true << false;
        QTest::newRow("other site") << QUrl(u"https://example.com/news"_qs) << false << true;
        QTest::newRow("same host, other port") << QUrl(u"http://127.0.0.1:1/"_qs) << false << true;
        QTest::newRow("not a web address") << QUrl(u"mailto:help@virel.app"_qs) << false << false;
    }
    void linksOffTheServiceGoToTheBrowser()
    {
        QFETCH(QUrl, url);
        QFETCH(bool, staysInside);
        QFETCH(bool, opened);
        if (!m_linkHelper) {
            m_linkHelper = startHelper(m_linkStorage);
        }
        QSignalSpy open(m_linkHelper.get(), &WebHelperProcess::openRequested);
        m_service.clearRequests();
        m_echoedCookies.clear();
        QUrl link = page(u"/link"_qs);
        link.setQuery(u"to="_qs + QString::fromUtf8(QUrl::toPercentEncoding(url.toString())));
        m_linkHelper->load(link);
        if (staysInside) {
            QTRY_COMPARE_WITH_TIMEOUT(m_service.requestsTo(url.path()).size(), 1, engineTimeout);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(m_echoedCookies.size(), 1, engineTimeout); // the page stayed
        }
        QCOMPARE(open.size(), opened ? 1 : 0);
        if (opened) {
            QCOMPARE(open.first().first().toUrl(), url);
        }
    }

private:
    std::unique_ptr<WebHelperProcess> startHelper(const QTemporaryDir& storage)
    {
        auto helper = std::make_unique<WebHelperProcess>(m_program);
        const WebProtocol::Start settings{storage.filePath(u"data"_qs), storage.filePath(u"cache"_qs),
                                          WebViewHost::userAgent(), m_server.origin()};
        helper->start(settings, QSize(600, 400));
        return helper;
    }

    QUrl page(const QString& path) const
    {
        return m_server.origin().resolved(QUrl(path));
    }

    QString m_program;
    fake::FakeServer m_server;
    fake::FakeService m_service{m_server};
    QList<QByteArray> m_echoedCookies;
    QTemporaryDir m_linkStorage;
    std::unique_ptr<WebHelperProcess> m_linkHelper;
};

int main(int argc, char** argv)
{
    // The browser engine cannot use its sandbox when tests run as root in a container.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QApplication app(argc, argv);
    WebViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WebViewTest.moc"
