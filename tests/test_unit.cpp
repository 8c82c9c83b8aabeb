// The address file as the program reads it, and the drawings' lettering as compiled in.
#include "receiver/addressfile.h"
#include "support/workdir.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QPainter>
#include <QSvgRenderer>
#include <QTest>

#include <sys/stat.h>

using namespace orvalet;

namespace {

QByteArray contents(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Pixels of two drawings, rendered large so that a letter slightly off shows,
// whose colours differ by more than antialiasing explains.
qint64 differing(const QByteArray& a, const QByteArray& b)
{
    QImage images[2];
    for (int i : {0, 1}) {
        QSvgRenderer drawing(i ? b : a);
        const QSizeF frame = drawing.viewBoxF().size();
        images[i] =
            QImage(qRound(1200 * frame.width() / frame.height()), 1200, QImage::Format_ARGB32);
        images[i].fill(Qt::transparent);
        QPainter painter(&images[i]);
        painter.setRenderHint(QPainter::Antialiasing);
        drawing.render(&painter);
    }
    qint64 count = 0;
    for (int y = 0; y < images[0].height(); ++y) {
        for (int x = 0; x < images[0].width(); ++x) {
            const QRgb p = images[0].pixel(x, y), q = images[1].pixel(x, y);
            count += std::max({qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)),
                               qAbs(qBlue(p) - qBlue(q)), qAbs(qAlpha(p) - qAlpha(q))}) > 96;
        }
    }
    return count;
}

} // namespace

class UnitTest : public QObject {
    Q_OBJECT

private slots:
    void addressFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<char>("kind"); // config.txt as a file, sparse, link, folder, pipe or none
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("error");
        const auto row = [&](const char* name, const QByteArray& bytes, const QString& address,
                             const char* error = "", char kind = 'f') {
            QTest::newRow(name) << bytes << kind << address << QString::fromLatin1(error);
        };
        row("ipv4 and line end", "192.168.1.20\r\n", "192.168.1.20");
        row("no line end", "10.0.0.7", "10.0.0.7");
        row("port, comma, text", "192.168.1.20:8080,living room box\n", "192.168.1.20:8080");
        row("quoted", "\"192.168.1.20\"\n", "192.168.1.20");
        row("quoted keeps comma", "\"box,1:80\",x\n", "box,1:80");
        row("leading blank lines and spaces", "\r\n\n   \r\n  \t box.lan\n", "box.lan");
        row("further lines ignored", "first.lan\nsecond.lan\n", "first.lan");
        row("trailing blanks dropped", "host.lan  \t\n", "host.lan");
        row("byte order mark",
            "\xEF\xBB\xBF"
            "10.1.1.1\n",
            "10.1.1.1");
        row("credentials verbatim", "user:pa ss@10.1.1.1:81\n", "user:pa ss@10.1.1.1:81");
        row("open quote ends with its line", "\"10.1.1.1\nmore\n", "10.1.1.1");
        row("longest field", QByteArray(maxAddressLength, 'a'), QString(maxAddressLength, u'a'));
        row("empty", "", {}, "Input past end of file");
        row("only blanks", " \r\n\t\n ", {}, "Input past end of file");
        row("only a mark", "\xEF\xBB\xBF", {}, "Input past end of file");
        row("empty field", ",10.1.1.1\n", {}, "No receiver address in the file");
        row("mark after a line end", "\r\n\xEF\xBB\xBF\t", {}, "No receiver address in the file");
        row("empty quotes", "\"\"\n", {}, "No receiver address in the file");
        row("endless blank lines", QByteArray(1 << 20, '\n'), {},
            "No receiver address in the file");
        row("over-long field", QByteArray(maxAddressLength + 1, 'a'), {},
            "Receiver address too long");
        row("zeros", QByteArray(1 << 20, '\0'), {}, "Receiver address too long");
        // Four gigabytes of holes take no disk, but would take memory and time if read whole.
        row("address, then holes", "10.0.0.3\n", "10.0.0.3", "", 's');
        row("nothing but holes", "", {}, "Receiver address too long", 's');
        row("missing", "", {}, "File not found", 'n');
        row("dangling link", "/nonexistent/config.txt", {}, "File not found", 'l');
        // A pipe with no writer would block a plain open for ever; a device may never end.
        row("folder", "", {}, "Path/File access error", 'd');
        row("pipe", "", {}, "Path/File access error", 'p');
        row("device", "/dev/zero", {}, "Path/File access error", 'l');
    }

    void addressFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(char, kind);
        QFETCH(QString, address);
        QFETCH(QString, error);
        WorkDir work;
        const QString name = QString::fromLatin1(addressFileName);
        if (kind == 'f' || kind == 's')
            work.writeConfig(contents);
        QVERIFY(kind != 's' || QFile::resize(name, qint64(4) << 30));
        QVERIFY(kind != 'l' || QFile::link(QString::fromLatin1(contents), name));
        QVERIFY(kind != 'd' || QDir().mkdir(name));
        QVERIFY(kind != 'p' || mkfifo(addressFileName, 0600) == 0);
        QElapsedTimer clock;
        clock.start();
        const AddressResult result = readAddressFile();
        QVERIFY2(clock.elapsed() < 2000, "the reader went on past the first field");
        QCOMPARE(errorText(result.error), error);
        QCOMPARE(result.address, address);
        QCOMPARE(baseUrlFor(result.address), QStringLiteral("http://") + address);
    }

    void letteringIsOutlinedInPlace_data()
    {
        QTest::addColumn<QString>("name");
        QDirIterator it(ORVALET_ASSETS_DIR, {"*.svg"}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            if (contents(it.next()).contains("<text"))
                QTest::newRow(qPrintable(it.fileName()))
                    << it.filePath().mid(sizeof ORVALET_ASSETS_DIR);
    }
    void letteringIsOutlinedInPlace()
    {
        QFETCH(QString, name);
        const QByteArray source = contents(ORVALET_ASSETS_DIR "/" + name);
        const QByteArray compiled = contents(":/" + name);
        QVERIFY(!compiled.isEmpty() && !compiled.contains("<text"));
        // The font lays a word out with rounded advances, which moves it by a
        // pixel or so; a wrong weight, size or anchor moves far more of it.
        const qint64 lettering =
            differing(source, QByteArray(source).replace("<text ", "<text display=\"none\" "));
        const qint64 off = differing(source, compiled);
        QVERIFY2(off * 4 <= lettering,
                 qPrintable(QStringLiteral("%1 of %2 differ").arg(off).arg(lettering)));
    }
};

QTEST_MAIN(UnitTest)
#include "test_unit.moc"
