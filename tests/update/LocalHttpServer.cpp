#include "LocalHttpServer.h"

#include <QHostAddress>

LocalHttpServer::LocalHttpServer(QObject* parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, &LocalHttpServer::onNewConnection);
}

bool LocalHttpServer::listen() {
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString LocalHttpServer::address(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

QByteArray LocalHttpServer::ok(const QByteArray& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

void LocalHttpServer::onNewConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        socket->setProperty("request", QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (!socket->property("closedByServer").toBool()) {
                ++m_clientsLeft;
                if (events)
                    events->append(QStringLiteral("client left"));
            }
            socket->deleteLater();
        });
    }
}

void LocalHttpServer::onReadyRead(QTcpSocket* socket) {
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("complete").toBool())
        return;
    socket->setProperty("complete", true);
    m_requests.append(request);
    if (events)
        events->append(QStringLiteral("request"));
    if (m_mode == Mode::Hold)
        return;
    socket->write(m_answer);
    ++m_answered;
    if (events)
        events->append(QStringLiteral("answered"));
    socket->setProperty("closedByServer", true);
    socket->disconnectFromHost();
}
