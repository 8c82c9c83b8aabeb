#include "receiver.h"

#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class ReceiverServer : public QObject {
public:
    explicit ReceiverServer(TimedReceiver& owner)
        : m_owner(owner)
        , m_server(this)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &ReceiverServer::accept);
    }

    quint16 listen()
    {
        return m_server.listen(QHostAddress::LocalHost, 0) ? m_server.serverPort() : 0;
    }

private:
    struct Connection {
        QByteArray buffer;
        bool stamped = false;
    };

    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_connections.remove(socket);
                socket->deleteLater();
            });
        }
    }

    void read(QTcpSocket* socket)
    {
        Connection& c = m_connections[socket];
        c.buffer += socket->readAll();
        for (;;) {
            if (!c.stamped) {
                const qsizetype lineEnd = c.buffer.indexOf("\r\n");
                if (lineEnd < 0)
                    return;
                c.stamped = true;
                m_owner.record(c.buffer.left(lineEnd).split(' ').value(1));
            }
            const qsizetype headEnd = c.buffer.indexOf("\r\n\r\n");
            if (headEnd < 0)
                return;
            c.buffer.remove(0, headEnd + 4);
            c.stamped = false;
            socket->write(TimedReceiver::answer());
        }
    }

    TimedReceiver& m_owner;
    QTcpServer m_server;
    QHash<QTcpSocket*, Connection> m_connections;
};

TimedReceiver::TimedReceiver()
{
    m_arrivals.reserve(16384);
    auto* server = new ReceiverServer(*this);
    server->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, server, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        server, [this, server] { m_port = server->listen(); }, Qt::BlockingQueuedConnection);
    if (m_port == 0)
        qFatal("the receiver cannot listen on 127.0.0.1");
}

TimedReceiver::~TimedReceiver()
{
    m_thread.quit();
    m_thread.wait();
}

QString TimedReceiver::address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

Arrival TimedReceiver::arrival(int index) const
{
    std::lock_guard lock(m_mutex);
    return m_arrivals.at(static_cast<std::size_t>(index));
}

std::vector<Arrival> TimedReceiver::since(int index) const
{
    std::lock_guard lock(m_mutex);
    return {m_arrivals.begin() + index, m_arrivals.end()};
}

const QByteArray& TimedReceiver::answer()
{
    static const QByteArray bytes = [] {
        const QByteArray body = "<html><body>ok</body></html>";
        return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\n\r\n" + body;
    }();
    return bytes;
}

void TimedReceiver::record(QByteArray target)
{
    const qint64 at = nowNs();
    std::lock_guard lock(m_mutex);
    m_arrivals.push_back({at, std::move(target)});
    m_count.store(static_cast<int>(m_arrivals.size()));
}

RawClient::RawClient(quint16 port)
    : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    , m_request("GET %1 HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) + "\r\n\r\n")
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    if (m_fd < 0 || ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) != 0 ||
        ::connect(m_fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        std::perror("raw socket");
        std::exit(1);
    }
}

RawClient::~RawClient() { ::close(m_fd); }

void RawClient::get(const QByteArray& target)
{
    const QByteArray request = QByteArray(m_request).replace("%1", target);
    if (::write(m_fd, request.constData(), static_cast<size_t>(request.size())) != request.size())
        qFatal("raw socket: short write");
    const qsizetype want = TimedReceiver::answer().size();
    char buffer[512];
    for (qsizetype got = 0; got < want;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            qFatal("raw socket: the receiver closed");
        got += n;
    }
}
