#include "fakemarket/FakeServer.h"
#include "market/YahooClient.h"
#include "state/AppState.h"
#include "notch/NotchWindowController.h"
#include "notch/QtScreenFacts.h"
#include "platform/Clock.h"
#include "platform/Notifier.h"
#include "platform/Settings.h"
#include "platform/StatusItemScan.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cmath>

using namespace virel;

namespace {

class SilentNotifier final : public Notifier
{
public:
    bool available() const override { return false; }
    void post(const QString&, const QString&, const QString&) override {}
    void beep() override {}
};

// The wall clock moved to another moment, so market sessions can be chosen while time still runs.
class ShiftedClock final : public Clock
{
public:
    explicit ShiftedClock(qint64 offsetMs) : m_offsetMs(offsetMs) {}
    QDateTime now() const override { return QDateTime::currentDateTimeUtc().addMSecs(m_offsetMs); }

private:
    qint64 m_offsetMs;
};

// Fires one sample alert on the first symbol of the list once its quote is in.
void fireSampleAlert(AppState& state)
{
    const auto& quotes = state.quoteService().quotes();
    if (state.items().isEmpty() || !quotes.contains(state.items()[0].symbol)) {
        return;
    }
    const Quote& quote = quotes[state.items()[0].symbol];
    AlertRule rule;
    rule.symbol = quote.symbol;
    rule.name = state.items()[0].name;
    rule.threshold = std::floor(quote.price * 0.99);
    state.alertEngine().add(rule);
    state.alertEngine().evaluate(quotes);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("notch-preview"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows the notch strip, the ticker bar and the glance card "
                       "with quotes from a local fake market."));
    parser.addHelpOption();
    const QCommandLineOption placement(QStringLiteral("placement"),
                                       QStringLiteral("belowMenuBar (default), notchRight or rotate."),
                                       QStringLiteral("name"), QStringLiteral("belowMenuBar"));
    const QCommandLineOption watchlist(QStringLiteral("watchlist"), QStringLiteral("Show the watchlist."));
    const QCommandLineOption focus(QStringLiteral("focus"), QStringLiteral("Turn focus mode on."));
    const QCommandLineOption timer(QStringLiteral("timer"), QStringLiteral("Start a countdown of N minutes."),
                                   QStringLiteral("N"));
    const QCommandLineOption glance(QStringLiteral("glance"), QStringLiteral("Open the glance card for N s."),
                                    QStringLiteral("N"));
    const QCommandLineOption alert(QStringLiteral("alert"), QStringLiteral("Fire a sample price alert."));
    const QCommandLineOption at(QStringLiteral("at"),
                                QStringLiteral("Market time (ISO 8601, UTC); default: now, moving."),
                                QStringLiteral("time"));
    const QCommandLineOption market(QStringLiteral("market"),
                                    QStringLiteral("Use the market host at this origin instead of the "
                                                   "built-in fake one (which --at then does not move)."),
                                    QStringLiteral("origin"));
    parser.addOptions({placement, watchlist, focus, timer, glance, alert, at, market});
    parser.process(app);

    const auto chosenPlacement = TickerPlacements::fromRawText(parser.value(placement));
    if (!chosenPlacement) {
        QTextStream(stderr) << "notch-preview: unknown placement " << parser.value(placement) << '\n';
        return 2;
    }

    qint64 offsetMs = 0;
    if (parser.isSet(at)) {
        const QDateTime start = QDateTime::fromString(parser.value(at), Qt::ISODate);
        if (!start.isValid()) {
            QTextStream(stderr) << "notch-preview: unreadable time " << parser.value(at) << '\n';
            return 2;
        }
        offsetMs = QDateTime::currentDateTimeUtc().msecsTo(start);
    }
    const ShiftedClock clock(offsetMs);
    fake::FakeServer server;
    server.setTimeSource([&clock] { return clock.now(); });
    if (!parser.isSet(market) && !server.listen()) {
        QTextStream(stderr) << "notch-preview: the fake market cannot listen\n";
        return 1;
    }
    const QUrl origin = parser.isSet(market) ? QUrl(parser.value(market)) : server.origin();
    QTemporaryDir storeDir;
    Settings settings(storeDir.filePath(QStringLiteral("preview.conf")));
    SilentNotifier notifier;
    YahooClient yahoo(origin);
    AppState state(settings, yahoo, notifier, clock);
    state.setTickerPlacement(*chosenPlacement);
    state.setFocusMode(parser.isSet(focus));
    if (parser.isSet(watchlist)) {
        state.setMode(DisplayMode::watchlist);
    }
    if (parser.isSet(timer)) {
        state.timerEngine().start(parser.value(timer).toDouble());
    }

    QtScreenFacts screens;
    NoStatusItemScan scan;
    NotchWindowController notch(state, screens, scan, clock);
    if (parser.isSet(alert)) {
        QObject::connect(&state.quoteService(), &QuoteService::quotesChanged, &notch, [&state] {
            if (!state.alertEngine().lastFired()) {
                fireSampleAlert(state);
            }
        });
    }
    if (parser.isSet(glance)) {
        notch.flashGlance(parser.value(glance).toDouble());
    }
    return QApplication::exec();
}
