#include "notch/Sparkline.h"
#include "notch/DarkGlass.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace virel;

class SparklineTest : public QObject
{
    Q_OBJECT

private slots:
    void twoValues_runCornerToCorner()
    {
        const Sparkline line({10, 20}, 0, Qt::red);
        QCOMPARE(line.points(QSizeF(48, 14)), QPolygonF({QPointF(0, 14), QPointF(48, 0)}));
    }

    void points_spreadEvenlyAndHigherIsUp()
    {
        const Sparkline line({100, 102, 101}, 101, Qt::red);
        QCOMPARE(line.points(QSizeF(48, 14)), QPolygonF({QPointF(0, 14), QPointF(24, 0), QPointF(48, 7)}));
    }

    void nothingToDraw_data()
    {
        QTest::addColumn<QList<double>>("closes");
        QTest::newRow("empty") << QList<double>{};
        QTest::newRow("one value") << QList<double>{5};
        QTest::newRow("flat") << QList<double>{5, 5, 5};
    }
    void nothingToDraw()
    {
        QFETCH(QList<double>, closes);
        const Sparkline line(closes, 5, Qt::red);
        QVERIFY(line.points(QSizeF(48, 14)).isEmpty());
        QVERIFY(!line.baselineY(QSizeF(48, 14)));
    }

    void baseline_data()
    {
        QTest::addColumn<double>("baseline");
        QTest::addColumn<std::optional<double>>("y");
        QTest::newRow("above the highest") << 103.0 << std::optional<double>();
        QTest::newRow("below the lowest") << 99.0 << std::optional<double>();
        QTest::newRow("mid height") << 101.0 << std::optional<double>(7);
        QTest::newRow("at the lowest") << 100.0 << std::optional<double>(14);
        QTest::newRow("at the highest") << 102.0 << std::optional<double>(0);
    }
    void baseline()
    {
        QFETCH(double, baseline);
        QFETCH(std::optional<double>, y);
        QCOMPARE(Sparkline({100, 102, 101}, baseline, Qt::red).baselineY(QSizeF(48, 14)), y);
    }

    void paint_strokesInTheTint()
    {
        QImage image(48, 14, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        Sparkline({10, 20}, 0, QColor(255, 0, 0)).paint(painter, QRectF(0, 0, 48, 14));
        painter.end();
        const QColor middle = image.pixelColor(24, 7);
        QVERIFY2(middle.red() > 100 && middle.green() < 60, qPrintable(middle.name(QColor::HexArgb)));
        QCOMPARE(image.pixelColor(2, 2).alpha(), 0);
    }

    void darkGlass_roundedDarkCardWithCutCorners()
    {
        const DarkGlass glass(16);
        QImage image(320, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        glass.paint(painter, QRectF(0, 0, 320, 100), true);
        painter.end();
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        const QColor centre = image.pixelColor(160, 50);
        QCOMPARE(centre.alpha(), DarkGlass::fill(true).alpha());
        QVERIFY(centre.lightness() < 40);
        // The light edge is brighter at the top-left than at the bottom-right.
        QVERIFY(image.pixelColor(40, 0).lightness() > image.pixelColor(280, 99).lightness());

        const QRegion mask = glass.mask(QSize(320, 100));
        QVERIFY(!mask.contains(QPoint(0, 0)));
        QVERIFY(!mask.contains(QPoint(319, 99)));
        QVERIFY(mask.contains(QPoint(160, 50)));
        QVERIFY(mask.contains(QPoint(160, 0)));
        QCOMPARE(DarkGlass::fill(false).alpha(), 255);
    }
};

QTEST_MAIN(SparklineTest)
#include "SparklineTest.moc"
