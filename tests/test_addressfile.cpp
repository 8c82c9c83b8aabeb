#include "receiver/addressfile.h"
#include "support/meters.h"
#include "support/workdir.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace orvalet;

Q_DECLARE_METATYPE(orvalet::AddressError)

class AddressFileTest : public QObject {
    Q_OBJECT

private slots:
    void firstField_data();
    void firstField();
    void readsOnlyAsFarAsTheField();
    void fileInWorkingDirectory();
    void unusableFiles();
    void unreadableFile();
    void hugeSparseFile_data();
    void hugeSparseFile();
};

void AddressFileTest::firstField_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("address");
    QTest::addColumn<AddressError>("error");

    const auto ok = AddressError::None;
    QTest::newRow("ipv4 and line end") << QByteArray("192.168.1.20\r\n") << "192.168.1.20" << ok;
    QTest::newRow("no line end") << QByteArray("10.0.0.7") << "10.0.0.7" << ok;
    QTest::newRow("port, comma, text")
        << QByteArray("192.168.1.20:8080,living room box\n") << "192.168.1.20:8080" << ok;
    QTest::newRow("quoted") << QByteArray("\"192.168.1.20\"\n") << "192.168.1.20" << ok;
    QTest::newRow("quoted keeps comma") << QByteArray("\"box,1:80\",x\n") << "box,1:80" << ok;
    QTest::newRow("leading blank lines and spaces")
        << QByteArray("\r\n\n   \r\n  \t dreambox.lan\n") << "dreambox.lan" << ok;
    QTest::newRow("further lines ignored")
        << QByteArray("first.lan\nsecond.lan\n") << "first.lan" << ok;
    QTest::newRow("trailing blanks dropped") << QByteArray("host.lan  \t\n") << "host.lan" << ok;
    QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                   "10.1.1.1\n")
                                     << "10.1.1.1" << ok;
    QTest::newRow("credentials kept verbatim")
        << QByteArray("user:pa ss@10.1.1.1:81\n") << "user:pa ss@10.1.1.1:81" << ok;
    QTest::newRow("unterminated quote ends with its line")
        << QByteArray("\"10.1.1.1\nmore\n") << "10.1.1.1" << ok;

    QTest::newRow("empty") << QByteArray() << QString() << AddressError::InputPastEnd;
    QTest::newRow("only blanks") << QByteArray(" \r\n\t\n ") << QString()
                                 << AddressError::InputPastEnd;
    QTest::newRow("only a mark") << QByteArray("\xEF\xBB\xBF") << QString()
                                 << AddressError::InputPastEnd;
    QTest::newRow("empty field") << QByteArray(",10.1.1.1\n") << QString()
                                 << AddressError::NoAddress;
    QTest::newRow("only a mark, after a line end")
        << QByteArray("\r\n\xEF\xBB\xBF\t") << QString() << AddressError::NoAddress;
    QTest::newRow("empty quotes") << QByteArray("\"\"\n") << QString() << AddressError::NoAddress;
    QTest::newRow("over-long field")
        << QByteArray(maxAddressLength + 1, 'a') << QString() << AddressError::AddressTooLong;
    QTest::newRow("longest field")
        << QByteArray(maxAddressLength, 'a') << QString(maxAddressLength, QLatin1Char('a')) << ok;
    QTest::newRow("zeros") << QByteArray(1 << 20, '\0') << QString()
                           << AddressError::AddressTooLong;
    QTest::newRow("endless blank lines")
        << QByteArray(1 << 20, '\n') << QString() << AddressError::NoAddress;
}

void AddressFileTest::firstField()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, address);
    QFETCH(AddressError, error);

    QBuffer buffer(&contents);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const AddressResult result = readFirstField(buffer);
    QCOMPARE(result.error, error);
    QCOMPARE(result.address, address);
    QCOMPARE(result.ok(), error == AddressError::None);
    if (!result.ok())
        QVERIFY(!errorText(result.error).isEmpty());
}

void AddressFileTest::readsOnlyAsFarAsTheField()
{
    QByteArray contents = "10.0.0.2,rest\n" + QByteArray(1 << 20, 'x');
    QBuffer buffer(&contents);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QCOMPARE(readFirstField(buffer).address, QStringLiteral("10.0.0.2"));
    QVERIFY2(buffer.pos() < 64 * 1024, "the reader went on past the first field");
}

void AddressFileTest::fileInWorkingDirectory()
{
    WorkDir work;
    work.writeConfig("192.168.0.99\r\n");
    const AddressResult result = readAddressFile();
    QVERIFY(result.ok());
    QCOMPARE(baseUrlFor(result.address), QStringLiteral("http://192.168.0.99"));

    // A config.txt elsewhere, say beside the executable, is not looked at.
    WorkDir other;
    QCOMPARE(readAddressFile().error, AddressError::FileNotFound);
}

void AddressFileTest::unusableFiles()
{
    WorkDir work;
    QCOMPARE(readAddressFile().error, AddressError::FileNotFound);

    QVERIFY(QDir(work.path()).mkdir(QStringLiteral("config.txt")));
    QCOMPARE(readAddressFile().error, AddressError::PathFileAccess);
    QVERIFY(QDir(work.path()).rmdir(QStringLiteral("config.txt")));

    // A named pipe with no writer would block a plain open for ever.
    QVERIFY(mkfifo("config.txt", 0600) == 0);
    QCOMPARE(readAddressFile().error, AddressError::PathFileAccess);
    QVERIFY(QFile::remove(QStringLiteral("config.txt")));

    QVERIFY(QFile::link(QStringLiteral("/nonexistent/config.txt"), QStringLiteral("config.txt")));
    QCOMPARE(readAddressFile().error, AddressError::FileNotFound);
    QVERIFY(QFile::remove(QStringLiteral("config.txt")));

    // A device that never ends, reached through a link.
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), QStringLiteral("config.txt")));
    QCOMPARE(readAddressFile().error, AddressError::PathFileAccess);
}

void AddressFileTest::unreadableFile()
{
    if (geteuid() == 0)
        QSKIP("root reads files whatever their permissions");
    WorkDir work;
    work.writeConfig("10.0.0.1\n");
    QVERIFY(QFile::setPermissions(QStringLiteral("config.txt"), QFileDevice::WriteOwner));
    QCOMPARE(readAddressFile().error, AddressError::PermissionDenied);
}

void AddressFileTest::hugeSparseFile_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QString>("address");
    QTest::addColumn<AddressError>("error");
    QTest::newRow("address, then holes")
        << QByteArray("10.0.0.3\n") << "10.0.0.3" << AddressError::None;
    QTest::newRow("nothing but holes") << QByteArray() << QString() << AddressError::AddressTooLong;
}

void AddressFileTest::hugeSparseFile()
{
    QFETCH(QByteArray, head);
    QFETCH(QString, address);
    QFETCH(AddressError, error);
    // Four gigabytes of holes take no disk space, but would take memory if read whole.
    WorkDir work;
    work.writeConfig(head);
    QVERIFY(QFile::resize(QStringLiteral("config.txt"), qint64(4) << 30));
    const qint64 before = residentKiB();
    QElapsedTimer clock;
    clock.start();
    const AddressResult result = readAddressFile();
    const qint64 took = clock.elapsed();
    QCOMPARE(result.error, error);
    QCOMPARE(result.address, address);
    QVERIFY2(took < 2000, "the reader went through the file");
    QVERIFY2(!memoryIsMeasurable || residentKiB() - before < 1024,
             "the reader held the file in memory");
}

QTEST_GUILESS_MAIN(AddressFileTest)
#include "test_addressfile.moc"
