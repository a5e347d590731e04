// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/engine/QSWebService.h"

#include "common/Dispatch.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <memory>

namespace corvane {

namespace {

bool isLoopbackHost(const QString& host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

} // namespace

QSWebService::QSWebService(QObject* parent) : QObject(parent) {}

QSWebService::~QSWebService()
{
    // Not virtual dispatch here: the subclass part is already gone.
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

bool QSWebService::isAllowedUrl(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QStringLiteral("https") || (scheme == QStringLiteral("http") && isLoopbackHost(url.host()));
}

QNetworkAccessManager& QSWebService::manager()
{
    if (!m_manager)
        m_manager = new QNetworkAccessManager(this);
    return *m_manager;
}

std::optional<QNetworkRequest> QSWebService::setUpRequest(WebError& error)
{
    if (m_url.isEmpty()) {
        error = WebError::noUrl();
        return std::nullopt;
    }
    if (!isAllowedUrl(m_url)) {
        error = WebError::requestCreate();
        return std::nullopt;
    }
    QNetworkRequest request(m_url);
    request.setTransferTimeout(kTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
    return request;
}

QNetworkReply* QSWebService::send(QNetworkAccessManager& manager, const QNetworkRequest& request)
{
    return manager.get(request);
}

WebResponse QSWebService::responseOf(QNetworkReply* reply)
{
    WebResponse r;
    r.statusCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    r.expectedContentLength = length.isValid() ? length.toLongLong() : -1;
    r.contentRange = reply->rawHeader("Content-Range");
    r.etag = reply->rawHeader("ETag");
    return r;
}

void QSWebService::callBlock(const WebResponse* response, const WebError* error, const QByteArray* body)
{
    if (m_block)
        m_block(response, error, body);
}

bool QSWebService::startAsynchronous()
{
    stop();
    WebError error;
    const std::optional<QNetworkRequest> request = setUpRequest(error);
    if (!request) {
        didFailWithError(error);
        return false;
    }
    m_data.clear();
    m_responded = false;
    QNetworkReply* reply = send(manager(), *request);
    // Without a limit the network thread reads as fast as the wire allows and the whole
    // body can pile up in memory when the disk is slower; with one, reading pauses.
    reply->setReadBufferSize(kReadBufferBytes);
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        if (reply != m_reply || m_responded)
            return;
        m_responded = true;
        didReceiveResponse(responseOf(reply));
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply != m_reply)
            return;
        if (!m_responded) {
            m_responded = true;
            didReceiveResponse(responseOf(reply));
        }
        if (reply == m_reply) // the response may have stopped it
            didReceiveData(reply->readAll());
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        if (reply != m_reply)
            return;
        if (!m_responded && reply->error() == QNetworkReply::NoError) {
            m_responded = true;
            didReceiveResponse(responseOf(reply));
        }
        if (reply != m_reply)
            return;
        if (reply->bytesAvailable() > 0)
            didReceiveData(reply->readAll());
        if (reply != m_reply)
            return;
        // An HTTP error status still carries a body; the status is the caller's to judge.
        // A connection that broke off, timed out or was refused is a failure, even after
        // a status line arrived.
        const int code = int(reply->error());
        const bool transportFailed =
            code != QNetworkReply::NoError &&
            (code < 200 || !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid());
        if (transportFailed)
            didFailWithError(WebError{int(reply->error()), reply->errorString()});
        else
            didFinishLoading();
    });
    return true;
}

std::optional<QByteArray> QSWebService::startSynchronous()
{
    stop();
    WebError error;
    const std::optional<QNetworkRequest> request = setUpRequest(error);
    if (!request)
        return std::nullopt;
    QNetworkAccessManager own;
    QEventLoop loop;
    std::unique_ptr<QNetworkReply> reply(send(own, *request));
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    if (reply->error() != QNetworkReply::NoError &&
        !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return std::nullopt;
    return reply->readAll();
}

void QSWebService::startWithHandler(Block block)
{
    stop();
    m_block = std::move(block);
    WebError error;
    const std::optional<QNetworkRequest> request = setUpRequest(error);
    QPointer<QSWebService> self(this);
    // The request goes out from a worker with a manager of its own: QNetworkAccessManager
    // belongs to the thread that made it.
    const QByteArray body = bodyToSend();
    Dispatch::global([self, request, error, body] {
        auto response = std::make_shared<std::optional<WebResponse>>();
        auto data = std::make_shared<std::optional<QByteArray>>();
        auto failure = std::make_shared<std::optional<WebError>>();
        if (!request) {
            *failure = error;
        } else {
            QNetworkAccessManager own;
            QEventLoop loop;
            std::unique_ptr<QNetworkReply> reply(body.isNull() ? own.get(*request) : own.post(*request, body));
            QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
            if (reply->error() != QNetworkReply::NoError &&
                !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
                *failure = WebError{int(reply->error()), reply->errorString()};
            } else {
                *response = responseOf(reply.get());
                *data = reply->readAll();
            }
        }
        Dispatch::main([self, response, data, failure] {
            if (!self || !self->m_block)
                return;
            self->m_block(response->has_value() ? &**response : nullptr, failure->has_value() ? &**failure : nullptr,
                          data->has_value() ? &**data : nullptr);
        });
    });
}

void QSWebService::stop()
{
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    m_data.clear();
}

void QSWebService::didReceiveResponse(const WebResponse& response)
{
    callBlock(&response, nullptr, nullptr);
    if (m_delegate)
        m_delegate->webServiceBegin(this);
}

void QSWebService::didReceiveData(const QByteArray& chunk)
{
    if (!m_reply)
        return;
    // The answers this program reads are a few lines of JSON or a short page; a server
    // that keeps sending is cut off rather than allowed to fill memory.
    if (m_data.size() + chunk.size() > kBodyLimitBytes) {
        didFailWithError(WebError::tooLarge());
        return;
    }
    m_data.append(chunk);
}

void QSWebService::didFailWithError(const WebError& error)
{
    callBlock(nullptr, &error, nullptr);
    if (m_delegate)
        m_delegate->webServiceFail(this, error);
    stop();
}

void QSWebService::didFinishLoading()
{
    const QByteArray body = m_data;
    callBlock(nullptr, nullptr, &body);
    if (m_delegate)
        m_delegate->webServiceFinish(this, body);
    stop();
}

QByteArray QSPostWebService::generateFormData(const std::vector<Field>& fields)
{
    const QByteArray boundary(kBoundary);
    QByteArray body;
    for (const auto& [key, value] : fields) {
        body += "--" + boundary + "\r\n";
        const QByteArray plain = "Content-Disposition: form-data; name=\"" + key.toUtf8() + "\"\r\n\r\n";
        switch (value.typeId()) {
        case QMetaType::QString:
            body += plain + value.toString().toUtf8();
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Bool:
            body += plain + value.toString().toUtf8();
            break;
        case QMetaType::QUrl: {
            const QUrl url = value.toUrl();
            if (!url.isLocalFile())
                break;
            QFile file(url.toLocalFile());
            body += "Content-Disposition: form-data; name=\"" + key.toUtf8() + "\"; filename=\"" +
                    QFileInfo(file).fileName().toUtf8() + "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
            if (file.open(QIODevice::ReadOnly))
                body += file.readAll();
            break;
        }
        case QMetaType::QByteArray:
            body += plain + value.toByteArray();
            break;
        default:
            break; // a kind the form cannot carry: the part stays empty
        }
        body += "\r\n";
    }
    body += "--" + boundary + "--\r\n";
    return body;
}

std::optional<QNetworkRequest> QSPostWebService::setUpRequest(WebError& error)
{
    std::optional<QNetworkRequest> request = QSWebService::setUpRequest(error);
    if (!request)
        return request;
    m_body = generateFormData(m_postDic);
    request->setRawHeader("Content-Type", QByteArray("multipart/form-data; boundary=") + kBoundary);
    request->setRawHeader("Content-Length", QByteArray::number(qlonglong(m_body.size())));
    return request;
}

QNetworkReply* QSPostWebService::send(QNetworkAccessManager& manager, const QNetworkRequest& request)
{
    return manager.post(request, m_body);
}

} // namespace corvane
