#include "progress/SpeedGraph.h"

#include <QTest>

using Points = QList<QPoint>;

// The graph is 250 × 126 pixels: a column is 5 pixels wide. With a 56 Kbit/s modem the scale is
// 84 Kbit/s high (1.5 pixels a Kbit/s); with 33.6 Kbit/s it is 50 Kbit/s high.
class tst_SpeedGraph final : public QObject
{
    Q_OBJECT

private slots:
    void pixels_data()
    {
        QTest::addColumn<double>("modem");
        QTest::addColumn<bool>("showModem");
        QTest::addColumn<QList<int>>("samples");
        QTest::addColumn<QList<int>>("drawn");
        QTest::addColumn<Points>("barPixels");
        QTest::addColumn<Points>("linePixels");
        QTest::addColumn<Points>("backPixels");

        const QList<int> zeros(SpeedGraph::Columns, 0);
        QList<int> newest42 = zeros;
        newest42.last() = 42;
        QList<int> oldest10 = zeros;
        oldest10.first() = 10;
        QList<int> clipped = zeros;
        clipped.last() = 500;

        QTest::newRow("newest bar's top row")
            << 56.0 << false << newest42 << newest42 << Points{{245, 63}, {249, 125}} << Points()
            << Points{{245, 62}, {244, 125}, {245, 42}};
        QTest::newRow("modem line at 56")
            << 56.0 << true << oldest10 << oldest10 << Points{{0, 111}, {4, 125}}
            << Points{{0, 42}, {4, 42}} << Points{{0, 41}, {0, 43}, {5, 42}};
        QTest::newRow("modem line at 33.6")
            << 33.6 << true << oldest10 << oldest10 << Points{{0, 101}} << Points{{0, 41}, {4, 41}}
            << Points{{0, 40}, {0, 42}, {0, 100}};
        QTest::newRow("sample above the scale clips")
            << 56.0 << false << clipped << clipped << Points{{245, 0}} << Points()
            << Points{{244, 0}};
        QTest::newRow("columns without an instant sample stay empty")
            << 56.0 << true << QList<int>(SpeedGraph::Columns, 42) << newest42 << Points{{245, 63}}
            << Points{{245, 42}} << Points{{0, 125}, {0, 42}, {240, 63}};
    }

    // Bars and line are masked against the back colour and meet as both colours combined.
    void pixels()
    {
        QFETCH(double, modem);
        QFETCH(bool, showModem);
        QFETCH(QList<int>, samples);
        QFETCH(QList<int>, drawn);
        const SpeedGraph::Style style{QColor(0xc0, 0xff, 0xc0), QColor(0x80, 0x80, 0xff),
                                      QColor(0xff, 0x00, 0x00), modem, showModem};
        const QImage image = SpeedGraph(style).draw(samples, drawn);

        QCOMPARE(image.size(), SpeedGraph::Size);
        const auto expect = [&image](const Points &points, QRgb colour) {
            for (const QPoint &point : points)
                QCOMPARE(QColor(image.pixel(point)), QColor(colour));
        };
        QFETCH(Points, barPixels);
        expect(barPixels, qRgb(0x80, 0x80, 0xc0));
        QFETCH(Points, linePixels);
        expect(linePixels, qRgb(0xc0, 0x00, 0x00));
        QFETCH(Points, backPixels);
        expect(backPixels, qRgb(0xc0, 0xff, 0xc0));
    }
};

QTEST_APPLESS_MAIN(tst_SpeedGraph)
#include "tst_SpeedGraph.moc"
