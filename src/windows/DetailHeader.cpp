#include "windows/DetailHeader.h"

#include "model/Formatters.h"
#include "model/MarketState.h"
#include "windows/WindowStyle.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace virel {

namespace {

QLabel* styledLabel(int pixelSize, WindowStyle::Tone tone, QFont::Weight weight, QWidget* parent)
{
    auto* label = new QLabel(parent);
    WindowStyle::styleLabel(label, pixelSize, tone, weight);
    return label;
}

// The browser glyph: a compass needle in a circle.
QIcon browserIcon(const QColor& color)
{
    constexpr int size = 32; // drawn at twice the shown size for sharp high-density screens
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 2.4));
    painter.drawEllipse(QRectF(3, 3, size - 6, size - 6));
    const QPointF centre(size / 2.0, size / 2.0);
    const QPolygonF needle({centre + QPointF(7, -7), centre + QPointF(2.5, 2.5), centre + QPointF(-7, 7),
                            centre + QPointF(-2.5, -2.5)});
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(needle);
    pixmap.setDevicePixelRatio(2);
    return QIcon(pixmap);
}

} // namespace

DetailHeader::DetailHeader(QWidget* parent)
    : QWidget(parent), m_picker(new QComboBox(this)), m_browser(new QToolButton(this)),
      m_priceColumn(new QWidget(this)),
      m_price(styledLabel(22, WindowStyle::Tone::primary, QFont::DemiBold, m_priceColumn)),
      m_change(styledLabel(14, WindowStyle::Tone::primary, QFont::DemiBold, m_priceColumn)),
      m_session(styledLabel(10, WindowStyle::Tone::secondary, QFont::Normal, m_priceColumn)),
      m_freshness(styledLabel(10, WindowStyle::Tone::primary, QFont::Normal, m_priceColumn)),
      m_currency(styledLabel(10, WindowStyle::Tone::secondary, QFont::Normal, m_priceColumn))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(12);

    m_picker->setFixedWidth(200);
    connect(m_picker, &QComboBox::activated, this,
            [this](int index) { emit symbolPicked(m_picker->itemData(index).toString()); });
    row->addWidget(m_picker);

    m_browser->setAutoRaise(true);
    m_browser->setIcon(browserIcon(WindowStyle::toneColor(palette(), WindowStyle::Tone::primary)));
    m_browser->setIconSize(QSize(16, 16));
    m_browser->setToolTip(tr("브라우저에서 열기"));
    m_browser->setCursor(Qt::PointingHandCursor);
    m_browser->hide();
    connect(m_browser, &QToolButton::clicked, this, [this] {
        if (m_pageUrl) {
            WindowStyle::openWebUrl(*m_pageUrl);
        }
    });
    row->addWidget(m_browser);
    row->addStretch();

    auto* column = new QVBoxLayout(m_priceColumn);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    auto* priceRow = new QHBoxLayout;
    priceRow->setSpacing(8);
    priceRow->addStretch();
    priceRow->addWidget(m_price, 0, Qt::AlignBaseline);
    priceRow->addWidget(m_change, 0, Qt::AlignBaseline);
    auto* factsRow = new QHBoxLayout;
    factsRow->setSpacing(6);
    factsRow->addStretch();
    factsRow->addWidget(m_session);
    factsRow->addWidget(m_freshness);
    factsRow->addWidget(m_currency);
    column->addLayout(priceRow);
    column->addLayout(factsRow);
    m_priceColumn->hide();
    row->addWidget(m_priceColumn);
}

void DetailHeader::setChoices(const QList<WatchItem>& items, const QString& symbol)
{
    const QSignalBlocker blocker(m_picker);
    m_picker->clear();
    for (const WatchItem& item : items) {
        m_picker->addItem(item.name + u" (" + item.symbol + u')', item.symbol);
    }
    m_picker->setCurrentIndex(m_picker->findData(symbol));
}

void DetailHeader::setPageUrl(const std::optional<QUrl>& url)
{
    m_pageUrl = url;
    m_browser->setVisible(url.has_value());
}

void DetailHeader::setQuote(const std::optional<Quote>& quote, const QDateTime& now)
{
    m_priceColumn->setVisible(quote.has_value());
    if (!quote) {
        return;
    }
    m_price->setText(formatPrice(*quote));
    m_change->setText(formatChange(*quote));
    WindowStyle::setTextColor(m_change, WindowStyle::changeColor(quote->direction()));
    const QString session = MarketStates::sessionLabel(quote->marketState);
    m_session->setText(session);
    m_session->setVisible(!session.isEmpty());
    const bool fresh = quote->isFresh(now);
    m_freshness->setText(fresh ? QStringLiteral("Live") : QStringLiteral("Stale"));
    WindowStyle::setTextColor(m_freshness, fresh ? WindowStyle::systemGreen() : WindowStyle::systemOrange());
    m_currency->setText(quote->currency);
    m_currency->setVisible(!quote->currency.isEmpty());
}

} // namespace virel
