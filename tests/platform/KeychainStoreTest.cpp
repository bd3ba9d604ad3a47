#include "platform/KeychainStore.h"
#include "AwaitTask.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>

using namespace virel;
using namespace std::chrono_literals;
using test::awaitTask;

// The keychain never hangs the application: here the session bus accepts connections and never
// answers, as a keyring waiting for a password prompt would. No real keychain is ever reached.
class KeychainStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_bus.setSocketOptions(QLocalServer::UserAccessOption);
        QVERIFY(m_bus.listen(m_dir.filePath(u"bus"_qs)));
        connect(&m_bus, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* client = m_bus.nextPendingConnection()) {
                m_clients.append(client);
            }
        });
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_bus.fullServerName().toUtf8());
        // The desktop decides between the secret service and KWallet; neither is reached here.
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("DESKTOP_SESSION");
        qunsetenv("KDE_FULL_SESSION");
    }

    void silentKeychainCountsAsFailure()
    {
        KeychainStore store(200ms);
        QCOMPARE(awaitTask(store.save(u"토큰-token"_qs)), false);
        QCOMPARE(awaitTask(store.load()), std::nullopt);
        awaitTask(store.remove());
        QVERIFY(!m_clients.isEmpty()); // the keychain did try the bus
    }

    void cleanupTestCase()
    {
        // Hung jobs fail once the bus goes away, and delete themselves.
        for (QLocalSocket* client : std::as_const(m_clients)) {
            client->abort();
        }
        m_bus.close();
        QTest::qWait(300);
    }

private:
    QTemporaryDir m_dir;
    QLocalServer m_bus;
    QList<QLocalSocket*> m_clients;
};

QTEST_GUILESS_MAIN(KeychainStoreTest)
#include "KeychainStoreTest.moc"
