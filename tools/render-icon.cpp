// Renders the logo drawing into the program's bitmap icons at build time, so
// the icons are never drawn a second time by hand.
//
//   render-icon DRAWING.svg OUT.png SIZE          one square PNG
//   render-icon DRAWING.svg OUT.ico SIZE...       an icon file with one PNG entry per size

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

constexpr int maxIconSize = 256;

QImage render(QSvgRenderer& drawing, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // Keeps the drawing's proportions and centres it in the square.
    const QSizeF frame = drawing.viewBoxF().size();
    const qreal scale = size / qMax(frame.width(), frame.height());
    const QSizeF drawn = frame * scale;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawing.render(&painter,
                   QRectF(QPointF((size - drawn.width()) / 2, (size - drawn.height()) / 2), drawn));
    painter.end();
    return image;
}

QByteArray png(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void putLe16(QByteArray& out, int value)
{
    out.append(static_cast<char>(value & 0xff));
    out.append(static_cast<char>((value >> 8) & 0xff));
}

void putLe32(QByteArray& out, qint64 value)
{
    putLe16(out, static_cast<int>(value & 0xffff));
    putLe16(out, static_cast<int>((value >> 16) & 0xffff));
}

// The icon container: a directory of entries, each holding a whole PNG file.
QByteArray icoFile(const QList<QByteArray>& pngs, const QList<int>& sizes)
{
    constexpr int headerSize = 6;
    constexpr int entrySize = 16;
    QByteArray out;
    putLe16(out, 0); // reserved
    putLe16(out, 1); // type: icon
    putLe16(out, static_cast<int>(pngs.size()));
    qint64 offset = headerSize + entrySize * pngs.size();
    for (qsizetype i = 0; i < pngs.size(); ++i) {
        const int side = sizes.at(i) == maxIconSize ? 0 : sizes.at(i); // 0 means 256
        out.append(static_cast<char>(side));
        out.append(static_cast<char>(side));
        out.append('\0'); // no palette
        out.append('\0'); // reserved
        putLe16(out, 1);  // colour planes
        putLe16(out, 32); // bits per pixel
        putLe32(out, pngs.at(i).size());
        putLe32(out, offset);
        offset += pngs.at(i).size();
    }
    for (const QByteArray& entry : pngs)
        out.append(entry);
    return out;
}

int usage()
{
    std::fputs("usage: render-icon DRAWING.svg OUT.png SIZE\n"
               "       render-icon DRAWING.svg OUT.ico SIZE...\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return usage();
    const QString drawingPath = QString::fromLocal8Bit(argv[1]);
    const QString outPath = QString::fromLocal8Bit(argv[2]);
    const bool ico = outPath.endsWith(QLatin1String(".ico"), Qt::CaseInsensitive);
    if (!ico && argc != 4)
        return usage();

    QList<int> sizes;
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QByteArray(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > maxIconSize) {
            std::fprintf(stderr, "render-icon: size %s is not between 1 and %d\n", argv[i],
                         maxIconSize);
            return 2;
        }
        sizes << size;
    }

    QSvgRenderer drawing(drawingPath);
    if (!drawing.isValid()) {
        std::fprintf(stderr, "render-icon: cannot read the drawing %s\n", argv[1]);
        return 1;
    }

    QList<QByteArray> pngs;
    for (int size : sizes)
        pngs << png(render(drawing, size));

    QFile out(outPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(ico ? icoFile(pngs, sizes) : pngs.first()) < 0 || !out.flush()) {
        std::fprintf(stderr, "render-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
