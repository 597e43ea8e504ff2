#include "LoopbackFeedServer.h"

#include <QTcpSocket>

LoopbackFeedServer::LoopbackFeedServer()
{
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_requests.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

void LoopbackFeedServer::setResponse(int status, const QByteArray& body)
{
    m_status = status;
    m_body = body;
}

QUrl LoopbackFeedServer::url() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/tolvar/feed.json").arg(m_server.serverPort()));
}

void LoopbackFeedServer::read(QTcpSocket* socket)
{
    QByteArray& request = m_requests[socket];
    request += socket->readAll();
    // A GET has no body: the request is complete with its head.
    if (!request.contains("\r\n\r\n"))
        return;
    ++m_requestCount;
    socket->write("HTTP/1.1 " + QByteArray::number(m_status) + " Feed\r\n"
        + "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(m_body.size())
        + "\r\nConnection: close\r\n\r\n" + m_body);
    socket->disconnectFromHost();
}
