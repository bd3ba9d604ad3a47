#include "market/QuoteService.h"

#include "market/ChartDecoder.h"
#include "platform/Detached.h"

#include <QHostAddress>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace virel {

namespace {
constexpr int kTooManyRequests = 429;
}

QuoteService::QuoteService(YahooClient& yahoo, const Clock& clock, QObject* parent)
    : QObject(parent), m_yahoo(yahoo), m_clock(clock)
{}

const QuoteMap& QuoteService::quotes() const
{
    return m_quotes;
}

const QList<WatchItem>& QuoteService::items() const
{
    return m_items;
}

void QuoteService::start(const QList<WatchItem>& items, std::chrono::milliseconds interval)
{
    m_items = items;
    if (!m_timer) {
        m_timer = new QTimer(this);
        connect(m_timer, &QTimer::timeout, this, [this] { passIf(PollTrigger::Event::tick); });
    }
    m_timer->start(interval);
    passIf(PollTrigger::Event::tick);
}

void QuoteService::watch(const MachineEvents& events)
{
    m_machine = &events;
    connect(&events, &MachineEvents::resumed, this, [this] { passIf(PollTrigger::Event::resumed); });
    connect(&events, &MachineEvents::reachabilityChanged, this,
            [this](Reachability before) { passIf(PollTrigger::Event::reachabilityChanged, before); });
}

void QuoteService::passIf(PollTrigger::Event event, Reachability before)
{
    const Reachability now = m_machine ? m_machine->reachability() : Reachability::unknown;
    const QString host = m_yahoo.origin().host();
    const bool localHost = host == u"localhost" || QHostAddress(host).isLoopback();
    if (PollTrigger::startsPass(event, before, now, localHost)) {
        runDetached(refreshAll(), this);
    }
}

QCoro::Task<> QuoteService::refreshAll()
{
    if (rateLimited()) {
        co_return;
    }
    QPointer<QuoteService> self(this);
    const QList<WatchItem> items = m_items;
    std::vector<QCoro::Task<bool>> requests;
    requests.reserve(items.size());
    for (const WatchItem& item : items) {
        requests.push_back(refreshOne(item));
    }
    // Every request runs already and stores its own quote; this only waits for the last of them.
    bool got429 = false;
    for (auto& request : requests) {
        got429 = co_await request || got429;
    }
    if (self) {
        finishPass(got429);
    }
}

QCoro::Task<bool> QuoteService::refreshOne(WatchItem item)
{
    QPointer<QuoteService> self(this);
    const QUrl url = m_yahoo.chartUrl(item.symbol, QStringLiteral("1d"), QStringLiteral("5m"), false);
    const HttpResponse response = co_await m_yahoo.get(url, YahooClient::chartTimeout);
    if (!self) {
        co_return false;
    }
    if (response.isOk()) {
        if (const auto quote = ChartDecoder::decodeQuote(response.body, item, m_clock.now())) {
            store(*quote);
        }
    }
    co_return response.isHttp() && response.status == kTooManyRequests;
}

void QuoteService::store(const Quote& quote)
{
    const auto existing = m_quotes.constFind(quote.symbol);
    if (existing != m_quotes.cend() && *existing == quote) {
        return;
    }
    m_quotes.insert(quote.symbol, quote);
    emit quotesChanged();
}

bool QuoteService::rateLimited() const
{
    return m_resumeAt.isValid() && m_clock.now() < m_resumeAt;
}

void QuoteService::finishPass(bool got429)
{
    if (!got429) {
        m_backoff = std::chrono::milliseconds{0};
        m_resumeAt = {};
        return;
    }
    m_backoff = m_backoff.count() == 0 ? firstBackoff : std::min(m_backoff * 2, maxBackoff);
    m_resumeAt = m_clock.now().addMSecs(m_backoff.count());
}

} // namespace virel
