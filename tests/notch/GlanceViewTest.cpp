#include "notch/GlanceView.h"
#include "StateFixture.h"
#include "notch/DarkGlass.h"
#include "notch/GlanceRow.h"

#include <QImage>

using namespace virel;
using namespace virel::test;

namespace {

Quote receivedAgo(const QDateTime& now, qint64 seconds)
{
    Quote q;
    q.receivedAt = now.addSecs(-seconds);
    return q;
}

} // namespace

class GlanceViewTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<MorningStateFixture> f;

    std::unique_ptr<GlanceView> makeGlance()
    {
        auto glance = std::make_unique<GlanceView>(*f->state, f->state->alertEngine(), f->clock);
        glance->adjustSize();
        return glance;
    }

private slots:
    void init() { f = std::make_unique<MorningStateFixture>(); }
    void cleanup() { f.reset(); }

    void withoutQuotes_titleOnlyAndDashes()
    {
        // Built before the first polling answers arrive.
        const auto glance = makeGlance();
        QCOMPARE(glance->width(), 320);
        QCOMPARE(glance->title(), QStringLiteral("Market Mode"));
        QCOMPARE(glance->rows().size(), 10);
        if (f->state->quoteService().quotes().isEmpty()) {
            QCOMPARE(glance->freshness(), QString());
        }
        QVERIFY(!glance->alertText());
    }

    void freshness_data()
    {
        QTest::addColumn<qint64>("newestAge");
        QTest::addColumn<std::optional<bool>>("live");
        QTest::newRow("119 s") << qint64(119) << std::optional(true);
        QTest::newRow("120 s") << qint64(120) << std::optional(true);
        QTest::newRow("121 s") << qint64(121) << std::optional(false);
    }
    void freshness()
    {
        QFETCH(qint64, newestAge);
        QFETCH(std::optional<bool>, live);
        const QDateTime now = usMorning();
        // Only the newest quote counts, however fresh or stale the others are.
        const QuoteMap quotes{{QStringLiteral("A"), receivedAgo(now, newestAge)},
                              {QStringLiteral("B"), receivedAgo(now, newestAge + 500)}};
        QCOMPARE(GlanceView::isLive(quotes, now), live);
        QCOMPARE(GlanceView::isLive({}, now), std::optional<bool>());
    }

    void quotes_liveThenStale()
    {
        QTRY_VERIFY(f->quoted());
        f->clock.advance(120.8);
        const auto glance = makeGlance();
        QCOMPARE(glance->freshness(), QStringLiteral("Live"));
        // No new quote arrives; the moment the newest turns stale redraws the card by itself.
        f->clock.advance(0.3);
        QTRY_COMPARE_WITH_TIMEOUT(glance->freshness(), QStringLiteral("Stale"), 2000);
    }

    void modeTitle_followsTheMode()
    {
        const auto glance = makeGlance();
        f->state->setMode(DisplayMode::watchlist);
        QCOMPARE(glance->title(), QStringLiteral("Watchlist Mode"));
        QCOMPARE(glance->rows().size(), 3);
        QCOMPARE(glance->rows()[1]->item().name, QStringLiteral("삼성전자"));
    }

    void rowClick_opensTheDetailOfThatRow()
    {
        const auto glance = makeGlance();
        glance->show();
        QList<WatchItem> opened;
        f->state->openDetail = [&opened](const WatchItem& item) { opened.append(item); };
        GlanceRow* row = glance->rows()[2];
        // Anywhere on the row, including the empty middle.
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() / 2, row->height() / 2));
        QCOMPARE(opened, QList<WatchItem>{f->state->items()[2]});
        f->state->openDetail = nullptr;
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(2, 2)); // nothing installed: nothing happens
        QCOMPARE(opened.size(), 1);
    }

    void alert_showsTheLastFiredRule()
    {
        const auto glance = makeGlance();
        const int before = glance->sizeHint().height();
        f->fireAlert(QStringLiteral("005930.KS"), QStringLiteral("삼성전자"), 70000, 70500);
        QCOMPARE(glance->alertText(), std::optional(QStringLiteral("알림 · 삼성전자 ≥ 70000.0")));
        QVERIFY(glance->sizeHint().height() > before);
    }

    void render_darkCardWithRedAndBlueChanges()
    {
        QTRY_VERIFY(f->quoted());
        const auto glance = makeGlance();
        glance->setTranslucent(false);
        const QImage image = glance->grab().toImage();
        QCOMPARE(image.width(), 320);
        QCOMPARE(image.pixelColor(160, image.height() - 4), DarkGlass::fill(false));
        int rises = 0;
        int falls = 0;
        for (const Quote& q : f->state->quoteService().quotes()) {
            rises += q.direction() == ChangeDirection::rise ? 1 : 0;
            falls += q.direction() == ChangeDirection::fall ? 1 : 0;
        }
        int red = 0;
        int blue = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 240; x < 308; ++x) { // the change column
                const QColor c = image.pixelColor(x, y);
                red += c.red() > 150 && c.green() < 120 && c.blue() < 120 ? 1 : 0;
                blue += c.blue() > 150 && c.red() < 140 ? 1 : 0;
            }
        }
        QCOMPARE(red > 0, rises > 0);
        QCOMPARE(blue > 0, falls > 0);
    }
};

QTEST_MAIN(GlanceViewTest)
#include "GlanceViewTest.moc"
