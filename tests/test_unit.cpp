// The address file as the program reads it, whatever lies in the working directory.
#include "receiver/addressfile.h"
#include "support.h"

#include <QElapsedTimer>
#include <QTest>

#include <sys/stat.h>

using namespace orvalet;

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
        row("byte order mark", QByteArray("\xEF\xBB\xBF") + "10.1.1.1\n", "10.1.1.1");
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
};

QTEST_MAIN(UnitTest)
#include "test_unit.moc"
