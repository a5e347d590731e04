// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <QVariant>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QNetworkAccessManager;

namespace corvane {

class QSWebService;
class QSDownloadWebService;

// An error of a web request: the message is the error's domain, the number its code.
struct WebError
{
    int code = 0;
    QString domain;

    static WebError noUrl() { return {100, QStringLiteral("URL Can not be nil!")}; }
    static WebError requestCreate() { return {101, QStringLiteral("URL Request Create Error!")}; }
    static WebError fileExists() { return {102, QStringLiteral("File Exist!")}; }
    static WebError createFile() { return {103, QStringLiteral("Create File Fail!")}; }
    static WebError tooLarge() { return {106, QStringLiteral("Answer Too Large!")}; }
};

// What the answer's header said.
struct WebResponse
{
    int statusCode = 0;
    qint64 expectedContentLength = -1; // -1: not stated
    QByteArray contentRange;
    QByteArray etag;
};

// Every callback is optional: the default does nothing. All arrive on the main thread.
class QSWebServiceDelegate
{
public:
    virtual ~QSWebServiceDelegate() = default;
    virtual void webServiceBegin(QSWebService*) {}
    virtual void webServiceFinish(QSWebService*, const QByteArray& /*body*/) {}
    virtual void webServiceFail(QSWebService*, const WebError&) {}
    virtual void downloadProgressChange(QSDownloadWebService*, double /*fraction*/) {}
};

// One GET request with a delegate and a block. Only https is spoken, and plain http to
// this machine's loopback (tests, a local server); any other URL is refused (101).
class QSWebService : public QObject
{
    Q_OBJECT

public:
    // (response, error, body): one of the three is set per call.
    using Block = std::function<void(const WebResponse*, const WebError*, const QByteArray*)>;

    static constexpr int kTimeoutMs = 15000;
    static constexpr qint64 kReadBufferBytes = 1 << 20;
    // The most an answer kept in memory may hold (a download goes to disk instead).
    static constexpr qint64 kBodyLimitBytes = 8 << 20;

    explicit QSWebService(QObject* parent = nullptr);
    ~QSWebService() override;

    void setUrl(const QUrl& url) { m_url = url; }
    const QUrl& url() const { return m_url; }
    void setDelegate(QSWebServiceDelegate* delegate) { m_delegate = delegate; }
    void setWebServiceBlock(Block block) { m_block = std::move(block); }

    // On the main thread's event loop: the block at the answer's header and at its end,
    // then the delegate. False, after the failure path ran, when no request could be made.
    virtual bool startAsynchronous();
    // On the calling thread, with its own network manager and event loop; no callback.
    std::optional<QByteArray> startSynchronous();
    // Performed on a worker; the block is called once, on the main thread, with the
    // response, the error or the body.
    void startWithHandler(Block block);
    virtual void stop();

    bool isRunning() const { return m_reply != nullptr; }

    // Whether a URL may be asked at all: https, or http to the loopback.
    static bool isAllowedUrl(const QUrl& url);

protected:
    // The request, or nothing with `error` set.
    virtual std::optional<QNetworkRequest> setUpRequest(WebError& error);
    virtual QNetworkReply* send(QNetworkAccessManager& manager, const QNetworkRequest& request);
    // The body of a request that has one (a null array for a GET), once set up.
    virtual QByteArray bodyToSend() const { return QByteArray(); }

    virtual void didReceiveResponse(const WebResponse& response);
    virtual void didReceiveData(const QByteArray& chunk);
    virtual void didFailWithError(const WebError& error);
    virtual void didFinishLoading();

    void callBlock(const WebResponse* response, const WebError* error, const QByteArray* body);
    QSWebServiceDelegate* delegate() const { return m_delegate; }
    static WebResponse responseOf(QNetworkReply* reply);

    QUrl m_url;
    QByteArray m_data;

private:
    QNetworkAccessManager& manager();

    QSWebServiceDelegate* m_delegate = nullptr;
    Block m_block;
    QNetworkAccessManager* m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    bool m_responded = false;
};

// A multipart form POST. The body is written by hand, byte for byte: Qt's own multipart
// class would quote the boundary.
class QSPostWebService : public QSWebService
{
    Q_OBJECT

public:
    static constexpr const char* kBoundary = "_insert_some_boundary_here_";

    using Field = std::pair<QString, QVariant>;
    using QSWebService::QSWebService;

    // In the order given: texts, numbers, local file URLs (sent as files) and raw bytes.
    void setPostDic(std::vector<Field> fields) { m_postDic = std::move(fields); }
    static QByteArray generateFormData(const std::vector<Field>& fields);

protected:
    std::optional<QNetworkRequest> setUpRequest(WebError& error) override;
    QNetworkReply* send(QNetworkAccessManager& manager, const QNetworkRequest& request) override;
    QByteArray bodyToSend() const override { return m_body; }

private:
    std::vector<Field> m_postDic;
    QByteArray m_body;
};

} // namespace corvane
