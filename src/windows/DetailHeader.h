#pragma once

#include "model/Quote.h"
#include "model/WatchItem.h"

#include <QDateTime>
#include <QList>
#include <QUrl>
#include <QWidget>
#include <optional>

class QComboBox;
class QLabel;
class QToolButton;

namespace virel {

// The top row of the detail window: the symbol picker, the button that opens the service page in the
// browser, and the price with its change, session, freshness and currency.
class DetailHeader : public QWidget
{
    Q_OBJECT

public:
    explicit DetailHeader(QWidget* parent = nullptr);

    // One choice per item, titled "name (symbol)", with `symbol` chosen.
    void setChoices(const QList<WatchItem>& items, const QString& symbol);
    // The browser button shows only with a page address.
    void setPageUrl(const std::optional<QUrl>& url);
    // The price column shows only with a quote; `now` decides between "Live" and "Stale".
    void setQuote(const std::optional<Quote>& quote, const QDateTime& now);

    QComboBox* picker() const { return m_picker; }
    QToolButton* browserButton() const { return m_browser; }

signals:
    // The user picked another symbol.
    void symbolPicked(const QString& symbol);

private:
    QComboBox* m_picker;
    QToolButton* m_browser;
    std::optional<QUrl> m_pageUrl;
    QWidget* m_priceColumn;
    QLabel* m_price;
    QLabel* m_change;
    QLabel* m_session;
    QLabel* m_freshness;
    QLabel* m_currency;
};

} // namespace virel
