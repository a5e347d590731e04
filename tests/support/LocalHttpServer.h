// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>
#include <vector>

namespace corvane::test {

struct Request
{
    QByteArray method;
    QByteArray path;
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

// An HTTP server on 127.0.0.1 for the web tests: one scripted answer per request, the
// raw bytes to send.
class LocalServer
{
public:
    using Script = std::function<QByteArray(const Request&, int index)>;

    explicit LocalServer(Script script) : m_script(std::move(script))
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    const std::vector<Request>& requests() const { return m_requests; }
    // Answers stay open after their bytes, as a transfer that is still going.
    void setHoldOpen(bool hold) { m_holdOpen = hold; }

private:
    void serve(QTcpSocket* socket)
    {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const int end = buffer->indexOf("\r\n\r\n");
            if (end < 0)
                return;
            Request r;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            r.method = first.value(0);
            r.path = first.value(1);
            for (int i = 1; i < lines.size(); ++i) {
                const int colon = lines[i].indexOf(':');
                if (colon > 0)
                    r.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
            }
            const int length = r.headers.value("content-length", "0").toInt();
            if (buffer->size() < end + 4 + length)
                return;
            r.body = buffer->mid(end + 4, length);
            buffer->remove(0, end + 4 + length);
            m_requests.push_back(r);
            socket->write(m_script(r, int(m_requests.size()) - 1));
            socket->flush();
            if (m_holdOpen)
                m_held.push_back(socket);
            else
                socket->disconnectFromHost();
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    QTcpServer m_server;
    Script m_script;
    std::vector<Request> m_requests;
    bool m_holdOpen = false;
    std::vector<QPointer<QTcpSocket>> m_held;
};

inline QByteArray answer(int status, const QByteArray& body, const QByteArray& extra = {}, int announced = -1)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nConnection: close\r\nContent-Length: " +
           QByteArray::number(announced >= 0 ? announced : body.size()) + "\r\n" + extra + "\r\n" + body;
}

} // namespace corvane::test
