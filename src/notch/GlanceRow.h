#pragma once

#include "model/Quote.h"
#include "model/WatchItem.h"

#include <QWidget>
#include <optional>

namespace virel {

// One symbol of the glance panel: name and session on the left; the intraday line, the price and
// the change on the right. The whole row, empty space included, is one click target.
class GlanceRow : public QWidget
{
    Q_OBJECT
public:
    static constexpr double sparklineWidth = 48;
    static constexpr double sparklineHeight = 14;
    static constexpr double changeWidth = 70;

    explicit GlanceRow(WatchItem item, QWidget* parent = nullptr);

    const WatchItem& item() const { return m_item; }
    void setQuote(const std::optional<Quote>& quote);

    QSize sizeHint() const override;

signals:
    void clicked(const virel::WatchItem& item);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    WatchItem m_item;
    std::optional<Quote> m_quote;
    bool m_pressed = false;
};

} // namespace virel
