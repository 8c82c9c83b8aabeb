// The compiled-in drawings against their sources: the outlined lettering must
// land where the font would have drawn it, at the same size and weight.

#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

#include <algorithm>

namespace {

// Several times the panels' size, so a letter slightly off shows.
constexpr int renderedHeight = 1200;

QImage render(const QByteArray& svg)
{
    QSvgRenderer drawing(svg);
    const QSizeF frame = drawing.viewBoxF().size();
    const QSize size(qRound(renderedHeight * frame.width() / frame.height()), renderedHeight);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawing.render(&painter);
    painter.end();
    return image;
}

QByteArray contents(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Pixels whose colour differs by more than antialiasing explains.
qint64 differing(const QImage& a, const QImage& b)
{
    qint64 count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int gap =
                std::max({qAbs(qRed(pa[x]) - qRed(pb[x])), qAbs(qGreen(pa[x]) - qGreen(pb[x])),
                          qAbs(qBlue(pa[x]) - qBlue(pb[x])), qAbs(qAlpha(pa[x]) - qAlpha(pb[x]))});
            count += gap > 96;
        }
    }
    return count;
}

} // namespace

class DrawingsTest : public QObject {
    Q_OBJECT

private slots:
    void letteringIsOutlinedInPlace_data();
    void letteringIsOutlinedInPlace();
};

void DrawingsTest::letteringIsOutlinedInPlace_data()
{
    QTest::addColumn<QString>("name");
    const QString sources = QStringLiteral(ORVALET_ASSETS_DIR);
    QDirIterator it(sources, {QStringLiteral("*.svg")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = QDir(sources).relativeFilePath(it.next());
        QTest::newRow(qPrintable(name)) << name;
    }
}

void DrawingsTest::letteringIsOutlinedInPlace()
{
    QFETCH(QString, name);
    const QByteArray source = contents(QStringLiteral(ORVALET_ASSETS_DIR "/") + name);
    const QByteArray compiled = contents(QStringLiteral(":/") + name);
    QVERIFY2(!compiled.isEmpty(), "the drawing is not compiled in");
    QVERIFY(!compiled.contains("<text"));
    QCOMPARE(QSvgRenderer(compiled).viewBoxF(), QSvgRenderer(source).viewBoxF());

    // Rendering the source lays a word out with rounded advances, which moves a
    // large word by a pixel or so; a wrong weight, size or anchor moves far more
    // of the lettering than that.
    QByteArray unlettered = source;
    unlettered.replace("<text ", "<text display=\"none\" ");
    const QImage expected = render(source);
    const qint64 lettering = differing(expected, render(unlettered));
    const qint64 off = differing(expected, render(compiled));
    qInfo("%s: %lld pixels of lettering, %lld differ", qPrintable(name), lettering, off);
    if (lettering == 0)
        QCOMPARE(off, 0);
    else
        QVERIFY2(off * 4 < lettering, "the outlined lettering is not where the font draws it");
}

QTEST_MAIN(DrawingsTest)
#include "test_drawings.moc"
