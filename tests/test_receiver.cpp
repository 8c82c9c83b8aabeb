// The address file, whatever lies in the working directory, and the request
// sender against a receiver that misbehaves, and under a flood of presses.
#include "receiver/addressfile.h"
#include "receiver/browser.h"
#include "support.h"

#include <QDeadlineTimer>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>

#ifdef Q_OS_WIN
#include <psapi.h> // after windows.h, which support.h brings
#else
#include <sys/stat.h>
#endif

using namespace orvalet;

class ReceiverTest : public QObject {
    Q_OBJECT

    QUrl key(const QString& host, int code) { return QUrl("http://" + host + rcTarget(code)); }

    QList<int> codes(Simulator& sim)
    {
        QList<int> result;
        for (const QString& target : sim.targets())
            result << target.section('?', 1).toInt();
        return result;
    }

    bool idle(const Browser& b) { return !b.isLoading() && b.pendingCount() == 0; }

    // The peak resident size since the last call (on Windows, since the start), in KiB.
    qint64 peakKiB()
    {
#ifdef Q_OS_WIN
        PROCESS_MEMORY_COUNTERS m{};
        GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
        return m.PeakWorkingSetSize >> 10;
#else
        QFile status("/proc/self/status"), reset("/proc/self/clear_refs");
        const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
        reset.open(QIODevice::WriteOnly) && reset.write("5");
        return text.mid(text.indexOf("VmHWM:") + 6).split('k').first().trimmed().toLongLong();
#endif
    }

private slots:
    void addressFile_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<char>("kind"); // config.txt as a file, sparse, link, folder, pipe or none
        QTest::addColumn<QString>("read"); // the address, or the error
        const QString none = "No receiver address in the file", past = "Input past end of file",
                      tooLong = "Receiver address too long", notPlain = "Path/File access error",
                      noRequest = "No key request can be made to the receiver address \"%1\"";
        const QByteArray longest = "box/" + QByteArray(maxAddressLength - 4, 'a');
        const auto row = [&](const char* name, const QByteArray& bytes, const QString& read,
                             char kind = 'f') { QTest::newRow(name) << bytes << kind << read; };
        row("ipv4 and line end", "192.168.1.20\r\n", "192.168.1.20");
        row("no line end", "10.0.0.7", "10.0.0.7");
        row("port, comma, text", "192.168.1.20:8080,living room box\n", "192.168.1.20:8080");
        row("quoted", "\"192.168.1.20\"\n", "192.168.1.20");
        row("quoted keeps comma", "\"box:80/a,b\",x\n", "box:80/a,b");
        row("leading blank lines and spaces", "\r\n\n   \r\n  \t box.lan\n", "box.lan");
        row("further lines ignored", "first.lan\nsecond.lan\n", "first.lan");
        row("trailing blanks dropped", "host.lan  \t\n", "host.lan");
        row("byte order mark", "\xEF\xBB\xBFreceiver.lan\n", "receiver.lan");
        row("credentials verbatim", "user:pa ss@10.1.1.1:81\n", "user:pa ss@10.1.1.1:81");
        row("IPv6, path, query, fragment", "[fe80::1]:81/a?b#c\n", "[fe80::1]:81/a?b#c");
        row("open quote ends with its line", "\"10.1.1.1\nmore\n", "10.1.1.1");
        row("longest field", longest, longest);
        row("empty", "", past);
        row("only blanks", " \r\n\t\n ", past);
        row("only a mark", "\xEF\xBB\xBF", past);
        row("a mark after a blank line", "\r\n\xEF\xBB\xBF\r\n", none);
        row("a space", "192.168.1.20 living room\n", noRequest.arg("192.168.1.20 living room"));
        row("a tab before a note", "192.168.1.20\tTV,x\n", noRequest.arg("192.168.1.20\tTV"));
        row("no host", ":8080\n", noRequest.arg(":8080"));
        row("port past the last", "1.2.3.4:99999\n", noRequest.arg("1.2.3.4:99999"));
        row("port not a number", "1.2.3.4:80a\n", noRequest.arg("1.2.3.4:80a"));
        row("empty field", ",10.1.1.1\n", none);
        row("empty quotes", "\"\"\n", none);
        row("endless blank lines", QByteArray(1 << 20, '\n'), none);
        row("over-long field", QByteArray(maxAddressLength + 1, 'a'), tooLong);
        // Four gigabytes of holes take no disk, but would take memory and time if read whole.
        row("address, then holes", "10.0.0.3\n", "10.0.0.3", 's');
        row("nothing but holes", "", tooLong, 's');
        row("missing", "", "File not found", 'n');
        row("dangling link", "/nonexistent/config.txt", "File not found", 'l');
        row("folder", "", notPlain, 'd');
        row("pipe", "", notPlain, 'p'); // a plain open would block
        row("device", "/dev/zero", notPlain, 'l');
    }

    void addressFile()
    {
        QFETCH(QByteArray, contents);
        QFETCH(char, kind);
        QFETCH(QString, read);
        WorkDir work;
#ifdef Q_OS_WIN
        if (kind == 'l' || kind == 'p')
            QSKIP("Windows has no symbolic links for all, no named pipes in folders");
#else
        QVERIFY(kind != 'p' || mkfifo(addressFileName, 0600) == 0);
#endif
        const QString name = QString::fromLatin1(addressFileName);
        if (kind == 'f' || kind == 's')
            work.writeConfig(contents);
        QVERIFY(kind != 's' || QFile::resize(name, qint64(4) << 30));
        QVERIFY(kind != 'l' || QFile::link(QString::fromLatin1(contents), name));
        QVERIFY(kind != 'd' || QDir().mkdir(name));
        const QDeadlineTimer limit(2000);
        const AddressResult result = readAddressFile();
        QVERIFY2(!limit.hasExpired(), "the reader went on past the first field");
        QCOMPARE(result.ok() ? result.address : errorText(result), read);
    }

    void receiver_data()
    {
        // The receiver's mode, its address, and its verdicts on the credentials sent.
        QTest::addColumn<QStringList>("row");
        for (const char* mode : {"refused", "hang", "trickle", "reset", "garbage", "404", "500",
                                 "huge", "redirect", "auth"})
            QTest::newRow(mode) << QStringList{mode, "127.0.0.1:PORT", ""};
        QTest::newRow("host name") << QStringList{"ok", "localhost:PORT", "- -"};
        QTest::newRow("IPv6 literal") << QStringList{"ok", "[::1]:PORT", "- -"};
        // Credentials go once the receiver asks for them, then with every press.
        QTest::newRow("password") << QStringList{"auth", "u:p@127.0.0.1:PORT", "- ok ok"};
        QTest::newRow("wrong password") << QStringList{"auth", "u:x@127.0.0.1:PORT", "- bad - bad"};
    }
    void receiver()
    {
        QFETCH(QStringList, row);
        const QString mode = row[0], verdicts = row[2];
        Simulator elsewhere;
        QTcpServer closed; // a loopback port on which nothing listens
        const quint16 port = closed.listen(QHostAddress::LocalHost) ? closed.serverPort() : 0;
        closed.close();
        const QString address = row[1].replace("PORT", QString::number(port));
        const QStringList options{"--redirect-to", elsewhere.address(),
                                  "--auth",        "u:p",
                                  "--listen",      address.contains("::1") ? "::1" : "127.0.0.1"};
        auto sim = mode == "refused" ? nullptr : std::make_unique<Simulator>(mode, port, options);
        Browser browser;
        peakKiB(); // starts the reading afresh
        const qint64 before = peakKiB();
        browser.navigate(key(address, 113));
        browser.navigate(key(address, 2));
        // With the request out, the handler stays away: only the cap stops the reading.
        QSignalSpy sent(qApp->findChildren<QNetworkReply*>().last(), &QNetworkReply::requestSent);
        QTest::qSleep(sim && sent.wait(2000) ? 500 : 0);
        QTRY_VERIFY_WITH_TIMEOUT(idle(browser), 2 * Browser::requestDeadlineMs + 3000);

        QCOMPARE_LT(peakKiB() - before, 16384); // KiB; read in unbounded, the answer takes 100 MiB
        QCOMPARE(browser.givenUp(), 0u);
        QCOMPARE(elsewhere.targets(), QStringList());
        if (sim) {
            // An answer that is not HTTP makes the stack send the GET again, a few times.
            const auto got = sim->lines().replaceInStrings(QRegularExpression(".*auth="), {});
            QVERIFY(verdicts.isEmpty() ? got.size() <= 8 : got.join(' ') == verdicts);
            const QList<int> arrived = codes(*sim);
            QCOMPARE(QSet<int>(arrived.begin(), arrived.end()), QSet<int>({113, 2}));
        }
        // The receiver mends: the next press goes through at once.
        sim ? sim->setMode("ok") : void(sim = std::make_unique<Simulator>("ok", port));
        browser.navigate(key(address, 116));
        QTRY_VERIFY_WITH_TIMEOUT(sim->targets().contains(rcTarget(116)), 2000);
    }

    void queues()
    {
        Simulator flooded(QStringLiteral("hang")), slow(QStringLiteral("hang"));
        Browser flood, backlog;
        constexpr int presses = 50000;
        for (int n = 0; n < presses; ++n)
            flood.navigate(key(flooded.address(), n));
        for (int n = 0; n < 10; ++n)
            backlog.navigate(key(slow.address(), n));
        QCOMPARE(flood.pendingCount(), Browser::maxPending);
        const quint64 overLimit = presses - 1 - Browser::maxPending;
        QCOMPARE(flood.givenUp(), overLimit); // past the limit, the oldest waiting
        // A panel closed with a request in flight leaves nothing behind.
        const auto inFlight = [] { return qApp->findChildren<QNetworkReply*>().size(); };
        Simulator silent(QStringLiteral("hang"));
        auto closed = std::make_unique<Browser>();
        closed->navigate(key(silent.address(), 0));
        QTRY_COMPARE(inFlight(), 3);
        closed.reset();
        QTRY_COMPARE(inFlight(), 2);
        // After the deadlines, the flood's newest go out in order, the backlog's are stale.
        QTRY_VERIFY(!flooded.targets().isEmpty());
        flooded.setMode(QStringLiteral("ok"));
        QTRY_VERIFY_WITH_TIMEOUT(idle(flood) && idle(backlog), 4 * Browser::requestDeadlineMs);
        const QList<int> sent = codes(flooded), tried = codes(slow);
        QCOMPARE(quint64(sent.size()) + flood.givenUp(), quint64(presses));
        QVERIFY(sent.size() > 1 && sent.at(1) == int(overLimit) + 1);
        QVERIFY(std::ranges::is_sorted(sent));
        QCOMPARE(quint64(tried.size()) + backlog.givenUp(), quint64(10));
        QCOMPARE(tried, QList<int>({0, 1, 2}).mid(0, std::max<qsizetype>(tried.size(), 2)));
        slow.setMode(QStringLiteral("ok")); // answering again, it takes the next presses at once
        backlog.navigate(key(slow.address(), 10));
        backlog.navigate(key(slow.address(), 11));
        QTRY_COMPARE_WITH_TIMEOUT(codes(slow).mid(tried.size()), QList<int>({10, 11}), 2000);
    }

    void desktopProxyIsNotUsed()
    {
        // With only loopback here, a name that resolves nowhere fails at once.
        if (QNetworkInterface::allInterfaces().size() != 1)
            QSKIP("needs a network namespace with loopback only");
        Simulator proxy;
        qputenv("http_proxy", "http://" + proxy.address().toLatin1());
        Browser browser;
        QSignalSpy ended(&browser, &Browser::requestEnded);
        browser.navigate(key(QStringLiteral("receiver.invalid"), 113));
        QVERIFY(ended.wait(Browser::requestDeadlineMs + 1000));
        QCOMPARE(proxy.lines(), QStringList());
    }
};

QTEST_GUILESS_MAIN(ReceiverTest)
#include "test_receiver.moc"
