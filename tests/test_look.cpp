#include "panels/expandpanel.h"
#include "panels/forms.h"
#include "panels/mainpanel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class LookTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    // Both bars as a 96 dpi screen shows them, the extension bar beneath the main one.
    QImage m_bars{298, 50, QImage::Format_RGB32};

private slots:
    void initTestCase()
    {
        QFile config(m_dir.filePath(QStringLiteral("config.txt")));
        QVERIFY(config.open(QFile::WriteOnly) && config.write("127.0.0.1:9\n") && config.flush());
        QVERIFY(QDir::setCurrent(m_dir.path()));
        orvalet::Forms forms;
        forms.main->render(&m_bars);
        forms.expand->render(&m_bars, QPoint(0, 25));
    }

    void pixels_data()
    {
        QTest::addColumn<QPolygon>("points");
        QTest::addColumn<QColor>("colour");
        auto row = [](const char* name, QPolygon at, QColor c) { QTest::newRow(name) << at << c; };
        row("white outline", {{31, 12}, {163, 12}, {140, 4}, {140, 20}}, Qt::white);
        row("blue inside it", {{32, 12}, {162, 12}, {140, 5}, {140, 19}}, Qt::blue);
        row("grey outline", {{31, 37}, {163, 37}, {140, 29}, {140, 45}}, QColor(102, 102, 102));
        row("beige inside it", {{32, 37}, {162, 37}, {140, 30}, {140, 44}}, QColor(236, 233, 216));
        row("white strokes of Exit_p, Expand, Mute, D, L, K",
            {{286, 5}, {290, 5}, {295, 15}, {198, 12}, {40, 37}, {86, 40}, {106, 37}}, Qt::white);
        row("red ground of Exit_p, Mute's cross", {{287, 5}, {202, 12}}, Qt::red);
        row("RC bar, switch outline", {{274, 29}, {274, 30}, {283, 37}, {287, 43}}, Qt::black);
    }

    void pixels()
    {
        QFETCH(QPolygon, points);
        QFETCH(QColor, colour);
        for (const QPoint at : points)
            QCOMPARE(std::pair(at, m_bars.pixelColor(at)), std::pair(at, colour));
    }
};

QTEST_MAIN(LookTest)
#include "test_look.moc"
