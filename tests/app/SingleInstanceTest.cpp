#include "app/SingleInstance.h"

#include <QFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace virel;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<QStringList>)

class SingleInstanceTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    std::unique_ptr<SingleInstance> make() const
    {
        return std::make_unique<SingleInstance>(u"virel-test"_qs, m_dir.path(), 5ms);
    }

private slots:
    void claim_secondLaunch_handsItsSwitchesOver()
    {
        auto running = make();
        QVERIFY(running->claim());
        QList<QStringList> received;
        running->setHandler([&](const QStringList& arguments) { received.append(arguments); });

        auto later = make();
        QVERIFY(!later->claim());
        QSignalSpy handedOver(later.get(), &SingleInstance::handedOver);
        later->sendToRunning({u"--detail"_qs, u"nvda"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 2000);
        QCOMPARE(received.at(0), (QStringList{u"--detail"_qs, u"nvda"_qs}));
        QTRY_COMPARE_WITH_TIMEOUT(handedOver.size(), 1, 2000);
    }

    void setHandler_deliversWhatArrivedBefore()
    {
        auto running = make();
        QVERIFY(running->claim());
        auto first = make();
        auto second = make();
        QSignalSpy firstDone(first.get(), &SingleInstance::handedOver);
        QSignalSpy secondDone(second.get(), &SingleInstance::handedOver);
        first->sendToRunning({u"--edit"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(firstDone.size(), 1, 2000);
        second->sendToRunning({u"--glance"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(secondDone.size(), 1, 2000);
        QTest::qWait(20);

        QList<QStringList> received;
        running->setHandler([&](const QStringList& arguments) { received.append(arguments); });
        QCOMPARE(received, (QList<QStringList>{{u"--edit"_qs}, {u"--glance"_qs}}));
    }

    void sendToRunning_nobodyListening_fails()
    {
        auto lonely = make();
        QSignalSpy failed(lonely.get(), &SingleInstance::handOverFailed);
        lonely->sendToRunning({u"--edit"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 2000);
    }

    void claim_afterTheRunningOneQuit_succeeds()
    {
        {
            auto running = make();
            QVERIFY(running->claim());
        }
        auto next = make();
        QVERIFY(next->claim());
    }

    void claim_leftoversOfACrash_areCleanedUp()
    {
        QTemporaryDir dir;
        // A lock of a process that no longer exists, and its socket file.
        QFile lock(dir.filePath(u"virel.lock"_qs));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("2147483646\nvirel\n" + QSysInfo::machineHostName().toUtf8() + '\n');
        lock.close();
        QFile socket(dir.filePath(u"virel.sock"_qs));
        QVERIFY(socket.open(QIODevice::WriteOnly));
        socket.close();

        SingleInstance instance(u"virel"_qs, dir.path(), 5ms);
        QVERIFY(instance.claim());
        QList<QStringList> received;
        instance.setHandler([&](const QStringList& arguments) { received.append(arguments); });
        SingleInstance later(u"virel"_qs, dir.path(), 5ms);
        later.sendToRunning({u"--glance"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 2000);
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<std::optional<QStringList>>("expected");
        QTest::newRow("switches") << SingleInstance::encode({u"--detail"_qs, u"삼성"_qs})
                                  << std::optional(QStringList{u"--detail"_qs, u"삼성"_qs});
        QTest::newRow("none") << SingleInstance::encode({}) << std::optional(QStringList());
        QTest::newRow("not an array") << QByteArray("{\"a\":1}\n") << std::optional<QStringList>();
        QTest::newRow("not strings") << QByteArray("[\"--edit\", 3]\n") << std::optional<QStringList>();
        QTest::newRow("garbage") << QByteArray("--edit\n") << std::optional<QStringList>();
    }
    void decode()
    {
        QFETCH(QByteArray, message);
        QFETCH(std::optional<QStringList>, expected);
        QCOMPARE(SingleInstance::decode(message), expected);
    }

    void encode_isOneLine()
    {
        const QByteArray message = SingleInstance::encode({u"a\nb"_qs, u"c"_qs});
        QCOMPARE(message.count('\n'), 1);
        QVERIFY(message.endsWith('\n'));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "SingleInstanceTest.moc"
