#include "notch/GlanceView.h"

#include "notch/DarkGlass.h"
#include "notch/GlanceRow.h"
#include "notch/NotchPaint.h"
#include "notch/StaleWatch.h"
#include "state/AppState.h"
#include "windows/WindowStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace virel {

namespace {

// A hairline across the card.
class Divider final : public QWidget
{
public:
    explicit Divider(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), NotchPaint::white(0.15)); }
};

QLabel* label(QWidget* parent, const QFont& font, const QColor& color, const QString& text = {})
{
    auto* result = new QLabel(text, parent);
    result->setFont(font);
    WindowStyle::setTextColor(result, color);
    return result;
}

} // namespace

// The bell and "알림 · " with the fired rule, in orange.
class GlanceAlertLine final : public QWidget
{
public:
    explicit GlanceAlertLine(QWidget* parent) : QWidget(parent) {}

    QString text() const { return m_text; }
    void setText(const QString& text)
    {
        m_text = text;
        updateGeometry();
        update();
    }
    QSize sizeHint() const override
    {
        return {static_cast<int>(std::ceil(bell + 4 + NotchPaint::textWidth(face(), m_text))),
                QFontMetrics(face()).height()};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const double centreY = height() / 2.0;
        const QColor orange = WindowStyle::systemOrange();
        NotchPaint::paintBell(painter, QRectF(0, centreY - bell / 2, bell, bell), orange);
        NotchPaint::drawText(painter, face(), orange, bell + 4, centreY, m_text);
    }

private:
    static constexpr double bell = 9;
    static QFont face() { return NotchPaint::font(10, QFont::DemiBold); }
    QString m_text;
};

GlanceView::GlanceView(AppState& state, AlertEngine& alerts, const Clock& clock, QWidget* parent)
    : QWidget(parent), m_state(state), m_alerts(alerts), m_clock(clock),
      m_staleWatch(new StaleWatch(clock, this)), m_alertLine(new GlanceAlertLine(this)),
      m_title(label(this, NotchPaint::font(10, QFont::DemiBold), NotchPaint::white(0.5))),
      m_freshness(label(this, NotchPaint::font(9, QFont::Bold), NotchPaint::white(0.5))),
      m_rowLayout(new QVBoxLayout)
{
    setFixedWidth(cardWidth);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(padding, padding, padding, padding);
    stack->setSpacing(spacing);
    stack->setSizeConstraint(QLayout::SetMinimumSize);
    stack->addWidget(m_alertLine);
    auto* header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->addWidget(m_title);
    header->addStretch();
    header->addWidget(m_freshness);
    stack->addLayout(header);
    stack->addWidget(new Divider(this));
    m_rowLayout->setContentsMargins(0, 0, 0, 0);
    m_rowLayout->setSpacing(spacing);
    stack->addLayout(m_rowLayout);
    stack->addWidget(new Divider(this));
    stack->addWidget(label(this, NotchPaint::font(9, QFont::Normal), NotchPaint::white(0.35),
                           QStringLiteral("시세는 지연될 수 있습니다 · 투자 추천이 아닙니다")));

    const auto retitle = [this] {
        m_title->setText(m_state.mode() == DisplayMode::watchlist ? QStringLiteral("Watchlist Mode")
                                                                  : QStringLiteral("Market Mode"));
    };
    connect(&state, &AppState::modeChanged, this, retitle);
    connect(&state, &AppState::itemsChanged, this, &GlanceView::rebuildRows);
    connect(&state.quoteService(), &QuoteService::quotesChanged, this, &GlanceView::refreshQuotes);
    connect(m_staleWatch, &StaleWatch::turnedStale, this, &GlanceView::refreshQuotes);
    connect(&alerts, &AlertEngine::lastFiredChanged, this, &GlanceView::refreshAlert);
    retitle();
    rebuildRows();
    refreshAlert();
}

void GlanceView::setTranslucent(bool translucent)
{
    m_translucent = translucent;
    update();
}

void GlanceView::setInputMargins(const QMargins& margins)
{
    if (margins == m_inputMargins) {
        return;
    }
    m_inputMargins = margins;
    setFixedWidth(cardWidth + margins.left() + margins.right());
    layout()->setContentsMargins(QMargins(padding, padding, padding, padding) + margins);
    update();
}

QString GlanceView::title() const
{
    return m_title->text();
}

QString GlanceView::freshness() const
{
    return m_freshness->isHidden() ? QString() : m_freshness->text();
}

std::optional<QString> GlanceView::alertText() const
{
    if (m_alertLine->isHidden()) {
        return std::nullopt;
    }
    return m_alertLine->text();
}

std::optional<bool> GlanceView::isLive(const QuoteMap& quotes, const QDateTime& now)
{
    if (quotes.isEmpty()) {
        return std::nullopt;
    }
    const auto newest = std::max_element(quotes.cbegin(), quotes.cend(), [](const Quote& a, const Quote& b) {
        return a.receivedAt < b.receivedAt;
    });
    return newest->isFresh(now);
}

void GlanceView::rebuildRows()
{
    qDeleteAll(m_rows);
    m_rows.clear();
    for (const WatchItem& item : m_state.items()) {
        auto* row = new GlanceRow(item, this);
        connect(row, &GlanceRow::clicked, this, [this](const WatchItem& clicked) {
            if (m_state.openDetail) {
                m_state.openDetail(clicked);
            }
        });
        m_rowLayout->addWidget(row);
        m_rows.append(row);
    }
    refreshQuotes();
}

void GlanceView::refreshQuotes()
{
    const QuoteMap& quotes = m_state.quoteService().quotes();
    for (GlanceRow* row : std::as_const(m_rows)) {
        const auto found = quotes.constFind(row->item().symbol);
        row->setQuote(found == quotes.cend() ? std::nullopt : std::optional(*found));
    }
    const auto live = isLive(quotes, m_clock.now());
    m_freshness->setVisible(live.has_value());
    if (live) {
        m_freshness->setText(*live ? QStringLiteral("Live") : QStringLiteral("Stale"));
        WindowStyle::setTextColor(m_freshness,
                                  *live ? WindowStyle::systemGreen() : WindowStyle::systemOrange());
    }
    m_staleWatch->watch(quotes);
}

void GlanceView::refreshAlert()
{
    const auto& fired = m_alerts.lastFired();
    m_alertLine->setVisible(fired.has_value());
    if (fired) {
        m_alertLine->setText(QStringLiteral("알림 · ") + fired->label());
    }
}

void GlanceView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DarkGlass(cornerRadius).paint(painter, rect().marginsRemoved(m_inputMargins), m_translucent);
}

} // namespace virel
