// Records the drawings as Qt pictures at build time: the program replays their
// painting at any size and scale without parsing a drawing or linking a
// renderer for one.
//
//   record-drawing SOURCE_DIR OUTPUT_DIR DRAWING...
//
// Each DRAWING is a path relative to SOURCE_DIR; its picture goes to the same
// path under OUTPUT_DIR with the suffix .pic. The picture's bounding rectangle
// is the drawing's view box, the frame it is scaled by.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPicture>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: record-drawing SOURCE_DIR OUTPUT_DIR DRAWING...\n", stderr);
        return 2;
    }
    // A painter needs the application's screen: the offscreen one, at 96 dpi
    // whatever display the build machine has.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QDir source(QString::fromLocal8Bit(argv[1]));
    const QDir output(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        QSvgRenderer drawing(source.filePath(name));
        const QRectF frame = drawing.viewBoxF();
        if (!drawing.isValid() || frame.isEmpty() || frame.toRect() != frame) {
            std::fprintf(stderr, "record-drawing: %s is no drawing with a whole view box\n",
                         argv[i]);
            return 1;
        }
        QPicture picture;
        QPainter painter(&picture);
        drawing.render(&painter, QRectF(QPointF(), frame.size()));
        // Set while painting: the painter writes it into the picture as it ends.
        picture.setBoundingRect(QRect(QPoint(), frame.size().toSize()));
        painter.end();
        const QString path = output.filePath(name.chopped(QFileInfo(name).suffix().size()) + "pic");
        if (!output.mkpath(QFileInfo(path).path()) || !picture.save(path)) {
            std::fprintf(stderr, "record-drawing: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
