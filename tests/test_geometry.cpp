#include "panels/geometry.h"

#include <QTest>

using namespace orvalet::twips;

class GeometryTest : public QObject {
    Q_OBJECT

private slots:
    void barPlacement_data();
    void barPlacement();
    void besideTheBar();
    void pixels();
};

void GeometryTest::barPlacement_data()
{
    QTest::addColumn<float>("screen");
    QTest::addColumn<float>("left");
    QTest::addColumn<int>("pixel");

    QTest::newRow("1024 px") << 15360.0f << 9290.0f << 619;
    QTest::newRow("exactly bar and margin") << 6070.0f << 0.0f << 0;
    QTest::newRow("narrower") << 4800.0f << -1270.0f << -85;
    QTest::newRow("1920 px") << 28800.0f << 22730.0f << 1515;
}

void GeometryTest::barPlacement()
{
    QFETCH(float, screen);
    QFETCH(float, left);
    QFETCH(int, pixel);
    QCOMPARE(barLeft(screen, 4470.0f), left);
    QCOMPARE(toPixels(barLeft(screen, 4470.0f)), pixel);
}

void GeometryTest::besideTheBar()
{
    // The remote control panel's right edge meets the bar's left edge.
    const float left = besideBarLeft(15360.0f, 4470.0f, 3330.0f);
    QCOMPARE(left, 5960.0f);
    QCOMPARE(left + 3330.0f, barLeft(15360.0f, 4470.0f));
    QCOMPARE(toPixels(left), 397);
    QVERIFY(besideBarLeft(9000.0f, 4470.0f, 3330.0f) < 0.0f);
}

void GeometryTest::pixels()
{
    QCOMPARE(toPixels(Rect{4284, 19, 150, 150}), QRect(286, 1, 10, 10));
    QCOMPARE(toPixels(Rect{0, 15, 4470, 375}), QRect(0, 1, 298, 25));
    // A drawing of 200 units shows as 13 pixels, 195 twips.
    QCOMPARE(naturalSize(QSizeF(400, 200)), QSize(27, 13));
    QCOMPARE(naturalSize(QSizeF(160, 200)), QSize(11, 13));
    QCOMPARE(naturalSize(QSizeF(220, 260)), QSize(15, 17));
    QCOMPARE(fromPixels(298), 4470.0f);
}

QTEST_APPLESS_MAIN(GeometryTest)
#include "test_geometry.moc"
