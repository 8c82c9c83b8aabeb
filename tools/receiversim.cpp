// A stand-in for the receiver's web interface, on 127.0.0.1 only. It answers
// key requests with a small page and writes one line per request it receives:
//   <request line> TAB code=<code> TAB keys=<buttons that send the code>
// The first line it writes is "listening on 127.0.0.1:<port>".

#include "receiver/keytable.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>

#include <cstdio>

namespace {

using orvalet::describeCode;

enum class Mode {
    Ok,   // a small page for every request
    Hang, // takes the request and never answers
};

struct ModeName {
    const char* name;
    Mode mode;
};

constexpr ModeName modeNames[] = {
    {"ok", Mode::Ok},
    {"hang", Mode::Hang},
};

constexpr qsizetype maxHeadBytes = 16 * 1024;

class Simulator : public QObject {
public:
    Simulator(Mode mode, QFile& log)
        : m_mode(mode)
        , m_log(&log)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &Simulator::accept);
    }

    bool listen(quint16 port) { return m_server.listen(QHostAddress::LocalHost, port); }
    quint16 port() const { return m_server.serverPort(); }

    void say(const QString& line)
    {
        m_log << line << '\n';
        m_log.flush();
    }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
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
        }
    }

    void answer(QTcpSocket* socket, const QByteArray& head)
    {
        const QByteArray requestLine = head.left(head.indexOf("\r\n"));
        const QList<QByteArray> parts = requestLine.split(' ');
        const QByteArray target = parts.value(1);
        const QByteArray prefix = "/cgi-bin/rc?";
        QString code = QStringLiteral("-");
        QString keys;
        if (target.startsWith(prefix)) {
            bool number = false;
            const int value = target.mid(prefix.size()).toInt(&number);
            code = QString::fromLatin1(target.mid(prefix.size()));
            if (number)
                keys = describeCode(value);
        }
        say(QStringLiteral("%1\tcode=%2\tkeys=%3")
                .arg(QString::fromLatin1(requestLine), code, keys));

        switch (m_mode) {
        case Mode::Ok:
            reply(socket, "200 OK", "<html><body>ok</body></html>");
            break;
        case Mode::Hang:
            break;
        }
    }

    static void reply(QTcpSocket* socket, const QByteArray& status, const QByteArray& body)
    {
        socket->write("HTTP/1.1 " + status + "\r\nContent-Type: text/html\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }

    Mode m_mode;
    QTextStream m_log;
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("receiver-sim"));

    QStringList modes;
    for (const ModeName& m : modeNames)
        modes << QLatin1String(m.name);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Receiver simulator on 127.0.0.1."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("port"), QStringLiteral("Port to listen on (0: a free one)."),
                      QStringLiteral("port"), QStringLiteral("0")});
    parser.addOption({QStringLiteral("log"), QStringLiteral("Append the log to this file."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("mode"),
                      QStringLiteral("How to answer: %1.").arg(modes.join(QStringLiteral(", "))),
                      QStringLiteral("mode"), QStringLiteral("ok")});
    parser.process(app);

    const int modeIndex = static_cast<int>(modes.indexOf(parser.value(QStringLiteral("mode"))));
    if (modeIndex < 0) {
        std::fprintf(stderr, "receiver-sim: unknown mode\n");
        return 2;
    }

    QFile log;
    const bool toFile = parser.isSet(QStringLiteral("log"));
    if (toFile) {
        log.setFileName(parser.value(QStringLiteral("log")));
        if (!log.open(QIODevice::Append | QIODevice::Text)) {
            std::fprintf(stderr, "receiver-sim: cannot open the log\n");
            return 2;
        }
    } else if (!log.open(stdout, QIODevice::WriteOnly)) {
        return 2;
    }

    Simulator simulator(modeNames[modeIndex].mode, log);
    if (!simulator.listen(static_cast<quint16>(parser.value(QStringLiteral("port")).toUInt()))) {
        std::fprintf(stderr, "receiver-sim: cannot listen on that port\n");
        return 1;
    }
    simulator.say(QStringLiteral("listening on 127.0.0.1:%1").arg(simulator.port()));
    return QCoreApplication::exec();
}
