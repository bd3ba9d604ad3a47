#include "app/Appcast.h"

#include <QTest>

using namespace virel;

namespace {
const QByteArray kFeed =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"\n"
    "     xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
    "  <channel>\n"
    "    <title>Virel</title>\n"
    "    <item>\n"
    "      <title>Virel 1.2</title>\n"
    "      <sparkle:version>1.2.0</sparkle:version>\n"
    "      <sparkle:shortVersionString>1.2</sparkle:shortVersionString>\n"
    "      <sparkle:releaseNotesLink>https://virel.app/releases/1.2</sparkle:releaseNotesLink>\n"
    "      <description><![CDATA[<p>새 기능</p>]]></description>\n"
    "      <enclosure url=\"https://virel.app/dl/virel-1.2.0.tar.gz\" length=\"10\" "
    "type=\"application/octet-stream\"/>\n"
    "    </item>\n"
    "    <item>\n"
    "      <title>Virel 1.10</title>\n"
    "      <dc:creator>someone</dc:creator>\n"
    "      <enclosure url=\"https://virel.app/dl/virel-1.10.0.tar.gz\" sparkle:version=\"1.10.0\"\n"
    "                 sparkle:shortVersionString=\"1.10\"/>\n"
    "    </item>\n"
    "    <item>\n"
    "      <title>No version: skipped</title>\n"
    "      <enclosure url=\"https://virel.app/dl/unknown.tar.gz\"/>\n"
    "    </item>\n"
    "  </channel>\n"
    "</rss>\n";
} // namespace

class AppcastTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_readsElementAndAttributeForms()
    {
        const auto items = Appcast::parse(kFeed);
        QVERIFY(items);
        QCOMPARE(items->size(), 2);
        const AppcastItem& first = items->at(0);
        QCOMPARE(first.title, u"Virel 1.2"_qs);
        QCOMPARE(first.version, u"1.2.0"_qs);
        QCOMPARE(first.displayVersion(), u"1.2"_qs);
        QCOMPARE(first.releaseNotes, QUrl(u"https://virel.app/releases/1.2"_qs));
        QCOMPARE(first.description, u"<p>새 기능</p>"_qs);
        QCOMPARE(first.download, QUrl(u"https://virel.app/dl/virel-1.2.0.tar.gz"_qs));
        const AppcastItem& second = items->at(1);
        QCOMPARE(second.version, u"1.10.0"_qs);
        QCOMPARE(second.shortVersion, u"1.10"_qs);
        QVERIFY(second.description.isEmpty());
        QVERIFY(second.releaseNotes.isEmpty());
    }

    void newest_comparesNumerically()
    {
        const auto items = Appcast::parse(kFeed);
        QCOMPARE(Appcast::newest(*items)->version, u"1.10.0"_qs);
        QVERIFY(!Appcast::newest({}));
    }

    void parse_malformedXml_givesNothing()
    {
        QVERIFY(!Appcast::parse("<rss><channel><item><title>x</item></rss>"));
        QVERIFY(!Appcast::parse("{\"not\": \"xml\"}"));
    }

    void parse_emptyChannel_givesNoItems()
    {
        const auto items =
            Appcast::parse("<rss version=\"2.0\"><channel><title>Virel</title></channel></rss>");
        QVERIFY(items);
        QVERIFY(items->isEmpty());
    }

    void parse_versionWithoutSparkleNamespace_isNotRead()
    {
        // A bare <version> is some other vocabulary, not the release's version.
        const auto items =
            Appcast::parse("<rss><channel><item><version>2.0</version></item></channel></rss>");
        QVERIFY(items && items->isEmpty());
    }

    void compareVersions_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << u"1.2.3"_qs << u"1.2.3"_qs << 0;
        QTest::newRow("numeric, not textual") << u"1.10"_qs << u"1.9"_qs << 1;
        QTest::newRow("missing component is zero") << u"1.2"_qs << u"1.2.0"_qs << 0;
        QTest::newRow("extra component") << u"1.2.1"_qs << u"1.2"_qs << 1;
        QTest::newRow("major wins") << u"2.0"_qs << u"1.99.99"_qs << 1;
        QTest::newRow("leading zeros") << u"1.02"_qs << u"1.2"_qs << 0;
        QTest::newRow("long digit runs")
            << u"1.100000000000000000000"_qs << u"1.99999999999999999999"_qs << 1;
        QTest::newRow("suffix after digits") << u"1.2b"_qs << u"1.2a"_qs << 1;
        QTest::newRow("build number") << u"0.1.0"_qs << u"1.0.0"_qs << -1;
    }
    void compareVersions()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(int, order);
        const auto forward = Appcast::compareVersions(left, right);
        const auto backward = Appcast::compareVersions(right, left);
        QCOMPARE(forward < 0 ? -1 : forward > 0 ? 1 : 0, order);
        QCOMPARE(backward < 0 ? -1 : backward > 0 ? 1 : 0, -order);
    }
};

QTEST_GUILESS_MAIN(AppcastTest)
#include "AppcastTest.moc"
