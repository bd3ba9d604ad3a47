#include "notch/NotchStripView.h"

#include "model/NotchLayout.h"
#include "notch/MarqueeTicker.h"
#include "notch/NotchPaint.h"
#include "notch/QuoteChip.h"
#include "notch/StaleWatch.h"
#include "state/AppState.h"
#include "windows/WindowStyle.h"

#include <QEasingCurve>
#include <QLoggingCategory>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>

namespace virel {

namespace {

// Timing marks for bench/report; silent unless enabled with QT_LOGGING_RULES="virel.perf.info=true".
Q_LOGGING_CATEGORY(lcPerf, "virel.perf", QtWarningMsg)

constexpr double sidePadding = 10;
constexpr double normalSpacing = 10;
constexpr double focusSpacing = 8;

// One element of a row: its width and how it draws itself from a left edge, centred on a line.
struct Piece
{
    double width = 0;
    std::function<void(QPainter&, double x, double centreY)> paint;
};

double rowWidth(const QList<Piece>& pieces, double spacing)
{
    double width = 0;
    for (const Piece& piece : pieces) {
        width += piece.width;
    }
    return pieces.isEmpty() ? 0 : width + spacing * static_cast<double>(pieces.size() - 1);
}

void paintRow(QPainter& painter, const QList<Piece>& pieces, double spacing, double x, double centreY)
{
    for (const Piece& piece : pieces) {
        piece.paint(painter, x, centreY);
        x += piece.width + spacing;
    }
}

QFont stripFont()
{
    return NotchPaint::font(11);
}

Piece textPiece(const QString& text, const QColor& color)
{
    return {NotchPaint::textWidth(stripFont(), text), [text, color](QPainter& p, double x, double y) {
                NotchPaint::drawText(p, stripFont(), color, x, y, text);
            }};
}

Piece chipPiece(const QuoteChip& chip)
{
    return {chip.width(), [chip](QPainter& p, double x, double y) { chip.paint(p, x, y); }};
}

// "⏱ " and the countdown ("⏸ 12:34" while paused); both marks are drawn, as few desktop fonts
// carry them.
Piece countdownPiece(const QString& display)
{
    constexpr double icon = 11;
    const QString pauseMark = QStringLiteral("⏸ ");
    const bool paused = display.startsWith(pauseMark);
    const QString space = QStringLiteral(" ");
    const QString digits = paused ? display.mid(pauseMark.size()) : display;
    const double spaceWidth = NotchPaint::textWidth(stripFont(), space);
    const double pauseWidth = paused ? icon + spaceWidth : 0;
    const QColor color = NotchPaint::white(0.9);
    return {icon + spaceWidth + pauseWidth + NotchPaint::textWidth(stripFont(), digits),
            [=](QPainter& p, double x, double y) {
                NotchPaint::paintStopwatch(p, QRectF(x, y - icon / 2, icon, icon), color);
                x += icon + spaceWidth;
                if (paused) {
                    NotchPaint::paintPause(p, QRectF(x, y - icon / 2, icon, icon), color);
                    x += pauseWidth;
                }
                NotchPaint::drawText(p, stripFont(), color, x, y, digits);
            }};
}

Piece sessionDotPiece(const QString& label, const std::optional<Quote>& quote)
{
    constexpr double dot = 5;
    constexpr double spacing = 3;
    QColor fill = WindowStyle::systemGreen();
    if (!NotchStripView::sessionDotLit(quote)) {
        fill = WindowStyle::systemGray();
        fill.setAlphaF(0.5F);
    }
    return {dot + spacing + NotchPaint::textWidth(stripFont(), label),
            [label, fill](QPainter& p, double x, double y) {
                p.save();
                p.setRenderHint(QPainter::Antialiasing);
                p.setPen(Qt::NoPen);
                p.setBrush(fill);
                p.drawEllipse(QRectF(x, y - dot / 2, dot, dot));
                p.restore();
                NotchPaint::drawText(p, stripFont(), NotchPaint::white(0.6), x + dot + spacing, y, label);
            }};
}

Piece bellPiece(int count)
{
    constexpr double bell = 8;
    constexpr double spacing = 2;
    const QString text = QString::number(count);
    return {bell + spacing + NotchPaint::textWidth(stripFont(), text),
            [text](QPainter& p, double x, double y) {
                const QColor orange = WindowStyle::systemOrange();
                NotchPaint::paintBell(p, QRectF(x, y - bell / 2, bell, bell), orange);
                NotchPaint::drawText(p, stripFont(), orange, x + bell + spacing, y, text);
            }};
}

// Notes, once per process, the moment the strip first draws a price (a chip with more than its
// placeholder), as wall-clock time so the launcher can subtract its own start.
void noteFirstQuote(const QList<QuoteChip>& chips, const Clock& clock)
{
    static bool noted = false;
    const auto quoted = [](const QuoteChip& chip) { return chip.runs().size() > 1; };
    if (!noted && std::any_of(chips.cbegin(), chips.cend(), quoted)) {
        noted = true;
        qCInfo(lcPerf, "first quote drawn at %lld ms since the epoch", clock.now().toMSecsSinceEpoch());
    }
}

std::optional<Quote> quoteOf(const QuoteMap& quotes, const QString& symbol)
{
    const auto found = quotes.constFind(symbol);
    return found == quotes.cend() ? std::nullopt : std::optional(*found);
}

} // namespace

NotchStripView::NotchStripView(AppState& state, TimerEngine& timer, const Clock& clock, StripParts parts,
                               QWidget* parent)
    : QWidget(parent), m_state(state), m_timer(timer), m_clock(clock), m_parts(parts),
      m_ticker(new MarqueeTicker(clock, MarqueeTicker::defaultSpeed, MarqueeTicker::defaultGap, this)),
      m_staleWatch(new StaleWatch(clock, this)), m_shownItem(state.rotatingItem())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_ticker->setBackdrop(Qt::black);
    m_ticker->follow(state);

    const auto repaint = [this] { update(); };
    const auto requote = [this] {
        m_staleWatch->watch(m_state.quoteService().quotes());
        update();
    };
    connect(&state, &AppState::itemsChanged, this, [this] {
        m_shownItem = m_state.rotatingItem();
        update();
    });
    connect(&state, &AppState::rotationIndexChanged, this, &NotchStripView::rotationChanged);
    connect(&state, &AppState::focusModeChanged, this, &NotchStripView::placeTicker);
    connect(&state, &AppState::tickerPlacementChanged, this, &NotchStripView::placeTicker);
    connect(&state.quoteService(), &QuoteService::quotesChanged, this, requote);
    connect(m_staleWatch, &StaleWatch::turnedStale, this, requote);
    connect(&timer, &TimerEngine::phaseChanged, this, repaint);
    connect(&timer, &TimerEngine::displayChanged, this, repaint);

    m_fadeFrames.setTimerType(Qt::PreciseTimer);
    m_fadeFrames.setInterval(fadeFrameInterval);
    connect(&m_fadeFrames, &QTimer::timeout, this, [this] {
        if (m_fadeClock.elapsed() >= crossFade.count()) {
            m_fadeFrames.stop();
            m_fadingItem.reset();
        }
        update();
    });

    m_staleWatch->watch(state.quoteService().quotes());
    placeTicker();
}

void NotchStripView::setParts(StripParts parts)
{
    if (parts == m_parts) {
        return;
    }
    m_parts = parts;
    placeTicker();
    updateGeometry();
}

QSize NotchStripView::sizeHint() const
{
    return {static_cast<int>(std::ceil(m_parts.leftWidth + m_parts.notchWidth + m_parts.rightWidth)),
            static_cast<int>(rowHeight)};
}

int NotchStripView::criticalCount(const QuoteMap& quotes)
{
    int count = 0;
    for (const Quote& quote : quotes) {
        if (quote.previousClose != 0 && std::fabs(quote.changePercent()) >= 5) {
            ++count;
        }
    }
    return count;
}

bool NotchStripView::sessionDotLit(const std::optional<Quote>& quote)
{
    return quote && quote->marketState == MarketState::regular;
}

bool NotchStripView::countdownShown() const
{
    return !std::holds_alternative<TimerEngine::Idle>(m_timer.phase());
}

void NotchStripView::placeTicker()
{
    const bool flowing = m_state.tickerPlacement() == TickerPlacement::notchRight && !m_state.focusMode();
    const double x = m_parts.leftWidth + m_parts.notchWidth + sidePadding;
    m_ticker->setGeometry(
        QRectF(x, (height() - rowHeight) / 2, m_parts.rightWidth - sidePadding, rowHeight).toAlignedRect());
    m_ticker->setVisible(flowing);
    update();
}

void NotchStripView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeTicker();
}

void NotchStripView::rotationChanged()
{
    const std::optional<WatchItem> next = m_state.rotatingItem();
    const bool chipShown = !m_state.focusMode() && !m_ticker->isVisible();
    if (next == m_shownItem || !chipShown) {
        m_shownItem = next; // nothing on screen changes, so nothing is redrawn
        return;
    }
    // While the tickers step or stand, the chip changes in one frame: every frame costs the
    // compositor too, and nobody is watching the fade.
    if (!MarqueeTicker::flowing()) {
        m_fadeFrames.stop();
        m_fadingItem.reset();
        m_shownItem = next;
        update();
        return;
    }
    m_fadingItem = m_shownItem;
    m_shownItem = next;
    m_fadeClock.start();
    m_fadeFrames.start();
    update();
}

void NotchStripView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), Qt::black);
    const double centreY = height() / 2.0;
    if (m_state.focusMode()) {
        paintFocus(painter, centreY);
    } else {
        paintNormal(painter, centreY);
    }
}

void NotchStripView::paintNormal(QPainter& painter, double centreY)
{
    const QDateTime now = m_clock.now();
    const QuoteMap& quotes = m_state.quoteService().quotes();

    QList<Piece> countdown;
    QList<WatchItem> leftItems = m_state.leftItems();
    if (countdownShown()) {
        countdown.append(countdownPiece(m_timer.display()));
        leftItems = leftItems.mid(0, 1);
    }
    QList<QuoteChip> chips = QuoteChip::forItems(leftItems, quotes, false, now);
    const auto rowOf = [&countdown](const QList<QuoteChip>& chips) {
        QList<Piece> row = countdown;
        for (const QuoteChip& chip : chips) {
            row.append(chipPiece(chip));
        }
        return row;
    };
    QList<Piece> left = rowOf(chips);
    const double leftEnd = m_parts.leftWidth - sidePadding;
    // Chips that do not fit side by side cut their names, the longer name first.
    if (const double excess = rowWidth(left, normalSpacing) - leftEnd; excess > 0 && !chips.isEmpty()) {
        QList<QList<double>> forms;
        for (const QuoteChip& chip : std::as_const(chips)) {
            forms.append(chip.nameForms());
        }
        const QList<int> cuts = NotchLayout::nameCuts(forms, excess);
        for (qsizetype i = 0; i < chips.size(); ++i) {
            chips[i] = chips[i].withNameCut(cuts[i]);
        }
        left = rowOf(chips);
    }
    painter.save();
    painter.setClipRect(QRectF(0, 0, m_parts.leftWidth, height()));
    paintRow(painter, left, normalSpacing, leftEnd - rowWidth(left, normalSpacing), centreY);
    painter.restore();
    noteFirstQuote(chips, m_clock);

    if (m_ticker->isVisible()) {
        return;
    }
    const double room = m_parts.rightWidth - sidePadding;
    const auto chipOf = [&](const std::optional<WatchItem>& item) {
        return item ? QuoteChip::forItem(*item, quotes, true, now).fittedTo(room)
                    : QuoteChip(std::nullopt, QStringLiteral("…"), true, now);
    };
    const double rightStart = m_parts.leftWidth + m_parts.notchWidth;
    painter.save();
    painter.setClipRect(QRectF(rightStart, 0, m_parts.rightWidth, height()));
    const double progress =
        isCrossFading()
            ? QEasingCurve(QEasingCurve::InOutQuad)
                  .valueForProgress(std::min(1.0, double(m_fadeClock.elapsed()) / crossFade.count()))
            : 1.0;
    if (isCrossFading()) {
        painter.setOpacity(1 - progress);
        chipOf(m_fadingItem).paint(painter, rightStart + sidePadding, centreY);
    }
    painter.setOpacity(progress);
    const QuoteChip shown = chipOf(m_shownItem);
    shown.paint(painter, rightStart + sidePadding, centreY);
    painter.restore();
    noteFirstQuote({shown}, m_clock);
}

void NotchStripView::paintFocus(QPainter& painter, double centreY)
{
    const Piece left = countdownShown() ? countdownPiece(m_timer.display())
                                        : textPiece(QStringLiteral("집중모드"), NotchPaint::white(0.5));
    const double leftEnd = m_parts.leftWidth - sidePadding;
    painter.save();
    painter.setClipRect(QRectF(0, 0, m_parts.leftWidth, height()));
    paintRow(painter, {left}, focusSpacing, leftEnd - left.width, centreY);
    painter.restore();

    const QuoteMap& quotes = m_state.quoteService().quotes();
    QList<Piece> right{sessionDotPiece(QStringLiteral("KR"), quoteOf(quotes, QStringLiteral("^KS11"))),
                       sessionDotPiece(QStringLiteral("US"), quoteOf(quotes, QStringLiteral("^GSPC")))};
    if (const int critical = criticalCount(quotes); critical >= 1) {
        right.append(bellPiece(critical));
    }
    const double rightStart = m_parts.leftWidth + m_parts.notchWidth;
    painter.save();
    painter.setClipRect(QRectF(rightStart, 0, m_parts.rightWidth, height()));
    paintRow(painter, right, focusSpacing, rightStart + sidePadding, centreY);
    painter.restore();
}

} // namespace virel
