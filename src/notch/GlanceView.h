#pragma once

#include "model/Quote.h"
#include "platform/Clock.h"

#include <QList>
#include <QMargins>
#include <QWidget>
#include <optional>

class QLabel;
class QVBoxLayout;

namespace virel {

class AlertEngine;
class AppState;
class GlanceAlertLine;
class GlanceRow;
class StaleWatch;

// The card under the strip: the last fired alert, the list's title with its freshness, one row per
// entry of the active list, and the notice. A click on a row opens that symbol's detail window.
class GlanceView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int cardWidth = 320;
    static constexpr int padding = 12;
    static constexpr int spacing = 6;
    static constexpr double cornerRadius = 16;

    GlanceView(AppState& state, AlertEngine& alerts, const Clock& clock, QWidget* parent = nullptr);

    // Without a compositor the card is drawn solid.
    void setTranslucent(bool translucent);
    // Clear edges around the card that still take the pointer.
    void setInputMargins(const QMargins& margins);
    QMargins inputMargins() const { return m_inputMargins; }
    const QList<GlanceRow*>& rows() const { return m_rows; }
    QString title() const;
    // "Live" or "Stale", or empty without quotes.
    QString freshness() const;
    // Whether the alert line shows, and its text.
    std::optional<QString> alertText() const;

    // Live while the newest quote is fresh; nothing without quotes.
    static std::optional<bool> isLive(const QuoteMap& quotes, const QDateTime& now);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildRows();
    void refreshQuotes();
    void refreshAlert();

    AppState& m_state;
    AlertEngine& m_alerts;
    const Clock& m_clock;
    StaleWatch* m_staleWatch;
    bool m_translucent = true;
    QMargins m_inputMargins;
    GlanceAlertLine* m_alertLine;
    QLabel* m_title;
    QLabel* m_freshness;
    QVBoxLayout* m_rowLayout;
    QList<GlanceRow*> m_rows;
};

} // namespace virel
