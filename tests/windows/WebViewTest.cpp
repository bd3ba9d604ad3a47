#include "fakemarket/FakeServer.h"
#include "fakemarket/FakeService.h"
#include "windows/WebViewHost.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QHttpServerResponse>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace virel;

namespace {
constexpr int engineTimeout = 20'000; // the first page also starts the browser engine
}

// Receives the addresses the application hands to the default browser.
class BrowserStub : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class WebViewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#if defined(__SANITIZE_ADDRESS__)
        // Qt WebEngine's own code trips the sanitizers (a new/delete size mismatch and leaks inside
        // QtWebEngineCore); the browser tests run in the plain build.
        QSKIP("The browser engine is not built for the sanitizers");
#endif
        // Nothing of the browser engine or the shared GL context is in the process until a page is shown.
        QVERIFY(!engineLoaded());
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));
        if (!WebViewHost::factory()) {
            QSKIP("The browser plugin is not built");
        }
        QVERIFY(engineLoaded());
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_ShareOpenGLContexts));
        QVERIFY(m_server.listen());
        qputenv("VIREL_SERVICE_ORIGIN", m_server.origin().toString().toUtf8());
        // A page that tells which cookies the browser sent.
        m_server.http().route(u"/echo"_qs, [this](const QHttpServerRequest& request) {
            m_echoedCookies.append(request.value("Cookie"));
            return QHttpServerResponse("text/html", QByteArray("<html><body>echo</body></html>"));
        });
        for (const char* scheme : {"http", "https", "mailto"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_browser, "open");
        }
    }
    void cleanupTestCase()
    {
        for (const char* scheme : {"http", "https", "mailto"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }

    void everyRequestCarriesTheUserAgentAndTheSameAddressDoesNotReload()
    {
        WebViewHost host;
        host.show();
        host.setUrl(page(u"/symbol/AAPL"_qs));
        QTRY_COMPARE_WITH_TIMEOUT(m_service.requestsTo(u"/symbol/AAPL"_qs).size(), 1, engineTimeout);
        QCOMPARE(QString::fromUtf8(m_service.requestsTo(u"/symbol/AAPL"_qs).first().userAgent),
                 WebViewHost::userAgent());
        QVERIFY(WebViewHost::userAgent().endsWith(u" virel-for-mac/0.1"));
        // A redraw hands the same address again; only a new address loads.
        host.repaint();
        host.setUrl(page(u"/symbol/AAPL"_qs));
        host.setUrl(page(u"/symbol/MSFT"_qs));
        QTRY_COMPARE_WITH_TIMEOUT(m_service.requestsTo(u"/symbol/MSFT"_qs).size(), 1, engineTimeout);
        QCOMPARE(m_service.requestsTo(u"/symbol/AAPL"_qs).size(), 1);
    }

    void cookiesSurviveIntoANewProfileOnTheSameStorage()
    {
        QTemporaryDir storage;
        WebProfileSettings settings = WebViewHost::profileSettings();
        settings.storagePath = storage.filePath(u"data"_qs);
        settings.cachePath = storage.filePath(u"cache"_qs);
        WebViewFactory& factory = *WebViewHost::factory();

        // The second round is as after a restart: once the closed profile has written its cookies,
        // a new profile instance over the same folder.
        for (const bool restarted : {false, true}) {
            std::unique_ptr<WebProfile> profile(factory.createProfile(settings, nullptr));
            std::unique_ptr<WebView> view(factory.createView(*profile, nullptr));
            if (!restarted) {
                view->setUrl(page(u"/symbol/005930"_qs)); // sets a session cookie
                QTRY_COMPARE_WITH_TIMEOUT(m_service.requestsTo(u"/symbol/005930"_qs).size(), 1,
                                          engineTimeout);
            }
            m_echoedCookies.clear();
            view->setUrl(page(u"/echo"_qs));
            QTRY_COMPARE_WITH_TIMEOUT(m_echoedCookies.size(), 1, engineTimeout);
            QVERIFY2(m_echoedCookies.first().contains("virel_last_symbol=005930"), m_echoedCookies.first());
            view.reset();
            profile.reset();
            QTRY_VERIFY_WITH_TIMEOUT(
                readFile(settings.storagePath + u"/Cookies"_qs).contains("virel_last_symbol"), engineTimeout);
        }
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
        QFETCH(bool, opened);
        m_browser.opened.clear();
        QTEST(WebViewHost::profileSettings().acceptLink(url), "staysInside");
        QCOMPARE(m_browser.opened, opened ? QList<QUrl>{url} : QList<QUrl>{});
    }

private:
    static bool engineLoaded()
    {
        return readFile(u"/proc/self/maps"_qs).contains("libQt6WebEngineCore");
    }

    static QByteArray readFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QUrl page(const QString& path) const
    {
        QUrl url = m_server.origin();
        url.setPath(path);
        return url;
    }

    fake::FakeServer m_server;
    fake::FakeService m_service{m_server};
    BrowserStub m_browser;
    QList<QByteArray> m_echoedCookies;
};

int main(int argc, char** argv)
{
    // The browser engine cannot use its sandbox when tests run as root in a container.
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    // Browser data of the tests goes to a throw-away folder, never the user's.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    WebViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WebViewTest.moc"
