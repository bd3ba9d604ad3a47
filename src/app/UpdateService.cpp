#include "app/UpdateService.h"

#include "platform/Clock.h"
#include "platform/Detached.h"
#include "platform/HttpClient.h"
#include "platform/Origins.h"
#include "platform/Settings.h"

#include <QPointer>

namespace virel {

namespace {
const auto kLastCheckKey = QStringLiteral("update.lastCheck");
const auto kSkippedKey = QStringLiteral("update.skippedVersion");
const auto kAnnouncedKey = QStringLiteral("update.announcedVersion");
} // namespace

UpdateService::UpdateService(Settings& settings, const Clock& clock, Options options, QObject* parent)
    : QObject(parent), m_settings(settings), m_clock(clock), m_options(std::move(options)),
      m_http(new HttpClient({.userAgent = QByteArrayLiteral("Virel/") + m_options.currentVersion.toUtf8(),
                             .idleTimeout = std::chrono::seconds(15),
                             .totalTimeout = std::chrono::seconds(60),
                             .maxBodyBytes = 1024 * 1024},
                            this))
{
    m_dueTimer.setSingleShot(true);
    connect(&m_dueTimer, &QTimer::timeout, this, &UpdateService::checkIfDue);
}

UpdateService::~UpdateService() = default;

UpdateService::Options UpdateService::defaultOptions()
{
    Options options;
    options.feed = Origins::appcast();
    options.currentVersion = QStringLiteral(VIREL_VERSION);
    return options;
}

void UpdateService::start()
{
    m_dueTimer.start(m_options.firstCheckDelay);
}

void UpdateService::checkForUpdates()
{
    m_userAsked = true;
    if (!m_checking) {
        runDetached(runCheck(), this);
    }
}

void UpdateService::skipVersion(const QString& version)
{
    m_settings.setValue(kSkippedKey, version);
}

QString UpdateService::skippedVersion() const
{
    return m_settings.value(kSkippedKey).toString();
}

std::optional<QDateTime> UpdateService::lastCheck() const
{
    if (!m_settings.contains(kLastCheckKey)) {
        return std::nullopt;
    }
    const QDateTime at = QDateTime::fromString(m_settings.value(kLastCheckKey).toString(), Qt::ISODate);
    if (!at.isValid()) {
        m_settings.markUnreadable(kLastCheckKey);
        return std::nullopt;
    }
    return at;
}

void UpdateService::checkIfDue()
{
    m_dueTimer.start(m_options.duePollPeriod);
    const auto last = lastCheck();
    const auto interval = std::chrono::duration_cast<std::chrono::milliseconds>(m_options.checkInterval);
    // A last check in the future (the clock was set back) counts as due, so checks never stop.
    const bool due = !last || *last > m_clock.now() || last->msecsTo(m_clock.now()) >= interval.count();
    if (due && !m_checking) {
        runDetached(runCheck(), this);
    }
}

QCoro::Task<> UpdateService::runCheck()
{
    m_checking = true;
    QPointer<UpdateService> self(this);
    const HttpResponse response = co_await m_http->get(m_options.feed);
    if (!self) {
        co_return;
    }
    m_checking = false;
    m_settings.setValue(kLastCheckKey, m_clock.now().toUTC().toString(Qt::ISODateWithMs));
    UpdateCheck check = evaluate(response.isOk() ? Appcast::parse(response.body) : std::nullopt);
    check.userInitiated = std::exchange(m_userAsked, false);
    const bool announced =
        m_options.announceOnce && m_settings.value(kAnnouncedKey).toString() == check.item.version;
    const bool offered =
        check.outcome == UpdateCheck::Outcome::newer && check.item.version != skippedVersion() && !announced;
    if (offered && m_options.announceOnce) {
        m_settings.setValue(kAnnouncedKey, check.item.version);
    }
    if (check.userInitiated || offered) {
        emit checked(check);
    }
}

UpdateCheck UpdateService::evaluate(const std::optional<QList<AppcastItem>>& items) const
{
    UpdateCheck check;
    if (!items) {
        return check;
    }
    const auto newest = Appcast::newest(*items);
    if (newest && Appcast::compareVersions(newest->version, m_options.currentVersion) > 0) {
        check.outcome = UpdateCheck::Outcome::newer;
        check.item = *newest;
    } else {
        check.outcome = UpdateCheck::Outcome::upToDate;
    }
    return check;
}

} // namespace virel
