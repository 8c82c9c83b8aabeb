// A stand-in for the receiver's web interface, on a loopback address only. It
// answers key requests the way its mode says and writes one line per request:
//   <request line> TAB code=<code> TAB keys=<buttons> TAB auth=<-|ok|bad>
// where auth tells whether an Authorization header came and whether it matched
// --auth. The first line it writes is "listening on <address>:<port>".
// A mode name written to its standard input switches the mode for the requests
// that follow; it answers "mode <name>" once switched.

#include "receiver/keytable.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <thread>

#ifdef Q_OS_WIN
#include <winsock2.h>
using Descriptor = SOCKET;
#else
#include <sys/socket.h>
using Descriptor = int;
#endif

namespace {

using orvalet::describeCode;

constexpr qsizetype maxHeadBytes = 16 * 1024;
constexpr qint64 hugeBodyBytes = 100 * 1024 * 1024;
constexpr qint64 streamChunkBytes = 64 * 1024;

// A page with a script and a refresh, so a test can tell that nothing of it ran.
const QByteArray activePage = "<html><head><meta http-equiv=\"refresh\" content=\"0;url=/x\">"
                              "<script>window.open('/popup')</script></head>"
                              "<body>ok</body></html>";

struct Request {
    QByteArray line;
    QByteArray target;
    bool authorised = false; // the Authorization header matched --auth
};

class Simulator;
using Behaviour = void (Simulator::*)(QTcpSocket*, const Request&);

struct Mode {
    const char* name;
    const char* help;
    Behaviour answer;
};

class Simulator : public QObject {
public:
    Simulator(std::span<const Mode> modes, QFile& log)
        : m_modes(modes)
        , m_mode(&modes.front())
        , m_log(&log)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &Simulator::accept);
    }

    bool setMode(const QByteArray& name)
    {
        for (const Mode& mode : m_modes) {
            if (name == mode.name) {
                m_mode = &mode;
                return true;
            }
        }
        return false;
    }

    void setRedirectTarget(const QByteArray& hostPort) { m_redirectTo = hostPort; }
    void setCredentials(const QByteArray& userPassword)
    {
        m_expectedAuth = "Basic " + userPassword.toBase64();
    }

    bool listen(const QHostAddress& address, quint16 port)
    {
        return address.isLoopback() && m_server.listen(address, port);
    }

    QString address() const
    {
        const QHostAddress host = m_server.serverAddress();
        const QString text = host.toString();
        return (host.protocol() == QAbstractSocket::IPv6Protocol
                    ? QLatin1Char('[') + text + QLatin1Char(']')
                    : text) +
               QLatin1Char(':') + QString::number(m_server.serverPort());
    }

    void say(const QString& line)
    {
        m_log << line << '\n';
        m_log.flush();
    }

    // The behaviours, one per mode.
    void page(QTcpSocket* socket, const Request&) { reply(socket, "200 OK", activePage); }
    void hang(QTcpSocket*, const Request&) {}
    void notFound(QTcpSocket* socket, const Request&)
    {
        reply(socket, "404 Not Found", activePage);
    }
    void serverError(QTcpSocket* socket, const Request&)
    {
        reply(socket, "500 Internal Server Error", activePage);
    }

    void trickle(QTcpSocket* socket, const Request&)
    {
        auto* timer = new QTimer(socket);
        auto text = std::make_shared<QByteArray>(response("200 OK", activePage));
        connect(timer, &QTimer::timeout, socket, [socket, timer, text] {
            socket->write(text->left(1));
            text->remove(0, 1);
            if (text->isEmpty())
                timer->stop();
        });
        timer->start(1000);
    }

    void reset(QTcpSocket* socket, const Request&)
    {
        const QByteArray text = response("200 OK", activePage);
        socket->write(text.left(text.size() / 2));
        socket->flush();
        // Linger zero turns the close into a reset.
        const linger now{1, 0};
        setsockopt(static_cast<Descriptor>(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                   reinterpret_cast<const char*>(&now), sizeof now);
        socket->abort();
    }

    void garbage(QTcpSocket* socket, const Request&)
    {
        QByteArray noise;
        quint32 x = 2463534242u;
        for (int i = 0; i < 4096; ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            noise.append(static_cast<char>(x));
        }
        socket->write("<script>alert(1)</script>\r\n" + noise);
        socket->disconnectFromHost();
    }

    void huge(QTcpSocket* socket, const Request&)
    {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                      QByteArray::number(hugeBodyBytes) + "\r\n\r\n");
        // Streamed a chunk at a time as the socket takes it, never held whole.
        auto left = std::make_shared<qint64>(hugeBodyBytes);
        const QByteArray chunk(streamChunkBytes, 'x');
        auto more = [socket, left, chunk] {
            while (*left > 0 && socket->bytesToWrite() < streamChunkBytes) {
                const qint64 n = std::min(*left, streamChunkBytes);
                socket->write(chunk.constData(), n);
                *left -= n;
            }
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, more);
        more();
    }

    void redirect(QTcpSocket* socket, const Request& request)
    {
        socket->write("HTTP/1.1 302 Found\r\nLocation: http://" + m_redirectTo + request.target +
                      "\r\nContent-Length: 0\r\n\r\n");
    }

    void authenticate(QTcpSocket* socket, const Request& request)
    {
        if (request.authorised) {
            page(socket, request);
            return;
        }
        socket->write("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"receiver\"\r\n"
                      "Content-Type: text/html\r\nContent-Length: " +
                      QByteArray::number(activePage.size()) + "\r\n\r\n" + activePage);
    }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    }

    void read(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (;;) {
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0) {
                if (buffer.size() > maxHeadBytes)
                    socket->abort();
                return;
            }
            const QByteArray head = buffer.left(end);
            buffer.remove(0, end + 4);
            answer(socket, head);
            if (socket->state() != QAbstractSocket::ConnectedState)
                return;
        }
    }

    void answer(QTcpSocket* socket, const QByteArray& head)
    {
        const QList<QByteArray> lines = head.split('\n');
        Request request;
        request.line = lines.value(0).trimmed();
        request.target = request.line.split(' ').value(1);
        QByteArray auth;
        for (const QByteArray& line : lines) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == "authorization")
                auth = line.mid(colon + 1).trimmed();
        }
        request.authorised = !auth.isEmpty() && auth == m_expectedAuth;

        const QByteArray prefix = "/cgi-bin/rc?";
        QString code = QStringLiteral("-");
        QString keys;
        if (request.target.startsWith(prefix)) {
            bool number = false;
            const int value = request.target.mid(prefix.size()).toInt(&number);
            code = QString::fromLatin1(request.target.mid(prefix.size()));
            if (number)
                keys = describeCode(value);
        }
        const char* authWord = auth.isEmpty() ? "-" : request.authorised ? "ok" : "bad";
        say(QStringLiteral("%1\tcode=%2\tkeys=%3\tauth=%4")
                .arg(QString::fromLatin1(request.line), code, keys, QLatin1String(authWord)));

        (this->*m_mode->answer)(socket, request);
    }

    static QByteArray response(const QByteArray& status, const QByteArray& body)
    {
        return "HTTP/1.1 " + status +
               "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\n\r\n" + body;
    }

    static void reply(QTcpSocket* socket, const QByteArray& status, const QByteArray& body)
    {
        socket->write(response(status, body));
    }

    std::span<const Mode> m_modes;
    const Mode* m_mode;
    QTextStream m_log;
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QByteArray m_redirectTo;
    QByteArray m_expectedAuth;
};

constexpr Mode modes[] = {
    {"ok", "a small page", &Simulator::page},
    {"hang", "takes the request and never answers", &Simulator::hang},
    {"trickle", "answers one byte per second", &Simulator::trickle},
    {"reset", "resets the connection half-way through the answer", &Simulator::reset},
    {"garbage", "answers bytes that are not HTTP, then closes", &Simulator::garbage},
    {"404", "HTTP 404", &Simulator::notFound},
    {"500", "HTTP 500", &Simulator::serverError},
    {"huge", "a 100 MB body, streamed", &Simulator::huge},
    {"redirect", "302 to the same target on --redirect-to", &Simulator::redirect},
    {"auth", "401 with a Basic challenge unless the --auth credentials come",
     &Simulator::authenticate},
};

// Mode names on standard input, one a line, switch the mode. Read on a thread
// of their own, as Windows cannot watch a pipe from the event loop.
void followStandardInput(Simulator& simulator, QObject* owner)
{
    std::thread([&simulator, owner] {
        for (std::string line; std::getline(std::cin, line);) {
            const QByteArray name = QByteArray::fromStdString(line).trimmed();
            QMetaObject::invokeMethod(owner, [&simulator, name] {
                if (simulator.setMode(name))
                    simulator.say(QStringLiteral("mode ") + QString::fromLatin1(name));
            });
        }
    }).detach();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("receiver-sim"));

    QStringList modeHelp;
    for (const Mode& m : modes)
        modeHelp << QStringLiteral("%1 (%2)").arg(QLatin1String(m.name), QLatin1String(m.help));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Receiver simulator on a loopback address."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("port"), QStringLiteral("Port to listen on (0: a free one)."),
                      QStringLiteral("port"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("listen"), QStringLiteral("127.0.0.1 or ::1."),
                      QStringLiteral("address"), QStringLiteral("127.0.0.1")});
    parser.addOption({QStringLiteral("log"), QStringLiteral("Append the log to this file."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("mode"),
                      QStringLiteral("How to answer: %1.").arg(modeHelp.join(QStringLiteral(", "))),
                      QStringLiteral("mode"), QStringLiteral("ok")});
    parser.addOption({QStringLiteral("redirect-to"),
                      QStringLiteral("Where the redirect mode points."),
                      QStringLiteral("host:port"), QStringLiteral("127.0.0.1:9")});
    parser.addOption({QStringLiteral("auth"),
                      QStringLiteral("The credentials the auth mode accepts."),
                      QStringLiteral("user:password"), QStringLiteral("user:password")});
    parser.process(app);

    QFile log;
    if (parser.isSet(QStringLiteral("log"))) {
        log.setFileName(parser.value(QStringLiteral("log")));
        if (!log.open(QIODevice::Append | QIODevice::Text)) {
            std::fprintf(stderr, "receiver-sim: cannot open the log\n");
            return 2;
        }
    } else if (!log.open(stdout, QIODevice::WriteOnly)) {
        return 2;
    }

    Simulator simulator(modes, log);
    if (!simulator.setMode(parser.value(QStringLiteral("mode")).toLatin1())) {
        std::fprintf(stderr, "receiver-sim: unknown mode\n");
        return 2;
    }
    simulator.setRedirectTarget(parser.value(QStringLiteral("redirect-to")).toLatin1());
    simulator.setCredentials(parser.value(QStringLiteral("auth")).toLatin1());
    const QHostAddress address(parser.value(QStringLiteral("listen")));
    if (!simulator.listen(address,
                          static_cast<quint16>(parser.value(QStringLiteral("port")).toUInt()))) {
        std::fprintf(stderr, "receiver-sim: cannot listen there (loopback only)\n");
        return 1;
    }
    followStandardInput(simulator, &app);
    simulator.say(QStringLiteral("listening on ") + simulator.address());
    return QCoreApplication::exec();
}
