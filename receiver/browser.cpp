#include "receiver/browser.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace orvalet {
namespace {

// One manager for every panel: each manager runs a network thread of its own.
// The panels' queues stay apart; only the connections are shared.
QNetworkAccessManager& network()
{
    static QPointer<QNetworkAccessManager> shared;
    if (!shared) {
        shared = new QNetworkAccessManager(QCoreApplication::instance());
        // The receiver sits on the local network: a desktop proxy must not stand in between.
        shared->setProxy(QNetworkProxy::NoProxy);
        shared->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    }
    return *shared;
}

} // namespace

Browser::Browser(QObject* parent)
    : QObject(parent)
    , m_network(network())
{
    setObjectName(QStringLiteral("Browser"));
    m_clock.start();
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(requestDeadlineMs);
    connect(&m_deadline, &QTimer::timeout, this, &Browser::endCurrent);
}

Browser::~Browser()
{
    // The manager outlives the panel; so would the request in flight.
    if (m_current) {
        m_current->disconnect(this);
        m_current->abort();
        m_current->deleteLater();
    }
}

void Browser::navigate(const QUrl& url)
{
    if (m_pending.size() == maxPending) {
        m_pending.pop_front();
        ++m_givenUp;
    }
    m_pending.push_back({url, m_clock.elapsed()});
    if (!m_current)
        startNext();
}

void Browser::startNext()
{
    const qint64 staleBefore = m_clock.elapsed() - staleAfterMs;
    while (!m_pending.empty() && m_pending.front().at < staleBefore) {
        m_pending.pop_front();
        ++m_givenUp;
    }
    if (m_pending.empty())
        return;
    QNetworkRequest request(m_pending.front().url);
    m_pending.pop_front();

    m_answerBytes = 0;
    m_current = m_network.get(request);
    // Left unbounded, the network thread reads a long answer in faster than it is thrown away.
    m_current->setReadBufferSize(maxAnswerBytes);
    connect(m_current, &QNetworkReply::readyRead, this, &Browser::discardAnswer);
    connect(m_current, &QNetworkReply::finished, this, &Browser::endCurrent);
    m_deadline.start();
}

void Browser::discardAnswer()
{
    m_answerBytes += m_current->skip(m_current->bytesAvailable());
    if (m_answerBytes > maxAnswerBytes)
        endCurrent();
}

void Browser::endCurrent()
{
    m_deadline.stop();
    QNetworkReply* reply = std::exchange(m_current, nullptr);
    if (!reply)
        return;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
    emit requestEnded();
    startNext();
}

} // namespace orvalet
