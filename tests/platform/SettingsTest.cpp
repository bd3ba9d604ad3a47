#include "TempSettings.h"
#include "platform/Autostart.h"
#include "platform/BrowserLauncher.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace virel;

class SettingsTest : public QObject
{
    Q_OBJECT

private slots:
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
        QFETCH(int, failures);
        BrowserLauncher launcher(helper);
        QSignalSpy failed(&launcher, &BrowserLauncher::failed);
        launcher.open(QUrl(u"https://virel.app/"_qs));
        QTRY_VERIFY(launcher.findChildren<QProcess*>().isEmpty());
        QCOMPARE(failed.count(), failures);
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "SettingsTest.moc"
