#pragma once

#include "app/Appcast.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <qcoro/qcorotask.h>

namespace virel {

class Clock;
class HttpClient;
class Settings;

// What one update check found, handed to whoever shows it.
struct UpdateCheck
{
    enum class Outcome { newer, upToDate, failed };

    Outcome outcome = Outcome::failed;
    AppcastItem item; // the newer release (newer only)
    bool userInitiated = false;
};

// Our own update client: reads the appcast, compares versions and reports a newer release. It checks
// by itself once a day (the first time a minute after launch; the time of the last check is kept in
// the settings, so restarts do not check more often) and whenever the user asks. Automatic checks
// report only a newer release the user has not chosen to skip; a check the user asked for always
// reports its outcome. An automatic report is shown without taking the keyboard focus.
class UpdateService : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QUrl feed;
        QString currentVersion;
        std::chrono::milliseconds firstCheckDelay{60'000};
        std::chrono::milliseconds checkInterval{24 * 60 * 60 * 1000};
        // How often it looks whether a daily check is due (survives sleep and clock changes).
        std::chrono::milliseconds duePollPeriod{60 * 60 * 1000};
        // The demo's feed always has a newer release: automatic checks announce each version only
        // once per data directory.
        bool announceOnce = false;
    };

    UpdateService(Settings& settings, const Clock& clock, Options options, QObject* parent = nullptr);
    ~UpdateService() override;

    // The options the application runs with: the configured feed and the built version.
    static Options defaultOptions();

    // Starts the automatic checks.
    void start();
    // A check the user asked for; its outcome is always reported.
    void checkForUpdates();

    // Remembers that the user does not want to be offered this version again.
    void skipVersion(const QString& version);
    QString skippedVersion() const;
    std::optional<QDateTime> lastCheck() const;
    const QString& currentVersion() const { return m_options.currentVersion; }

signals:
    void checked(const virel::UpdateCheck& check);

private:
    void checkIfDue();
    QCoro::Task<> runCheck();
    UpdateCheck evaluate(const std::optional<QList<AppcastItem>>& items) const;

    Settings& m_settings;
    const Clock& m_clock;
    Options m_options;
    HttpClient* m_http;
    QTimer m_dueTimer;
    bool m_checking = false;
    bool m_userAsked = false;
};

} // namespace virel

Q_DECLARE_METATYPE(virel::UpdateCheck)
