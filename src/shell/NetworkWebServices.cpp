// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/NetworkWebServices.h"

#include "common/AppConfig.h"
#include "platform/Bundle.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/MachineIdentifier.h"
#include "platform/RuntimeFolder.h"
#include "shell/ShellEnvironment.h"
#include "web/ui/IsUpdateWindowController.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTimer>

namespace corvane {

namespace {

// Carries one request's end to the program's delegate. The delegate drops the handle
// when it hears the end, so the end is passed on from a queued call rather than from
// inside the request's own callback, and not at all once the handle was dropped.
class RequestRelay : public QObject, private QSWebServiceDelegate
{
public:
    RequestRelay(std::unique_ptr<QSWebService> service, WebServiceDelegate& delegate,
                 WebServiceDelegate::RequestTag tag)
        : m_service(std::move(service)), m_delegate(delegate), m_tag(tag)
    {
        m_service->setDelegate(this);
    }

    void start() { m_service->startAsynchronous(); }

    static std::shared_ptr<void> keep(RequestRelay* relay)
    {
        return std::shared_ptr<RequestRelay>(relay, [](RequestRelay* r) {
            r->m_released = true;
            r->m_service->stop();
            r->deleteLater();
        });
    }

private:
    void webServiceFinish(QSWebService*, const QByteArray& body) override
    {
        QMetaObject::invokeMethod(
            this,
            [this, body] {
                if (!m_released)
                    m_delegate.webServiceFinish(m_tag, body);
            },
            Qt::QueuedConnection);
    }

    void webServiceFail(QSWebService*, const WebError& error) override
    {
        QMetaObject::invokeMethod(
            this,
            [this, description = error.domain] {
                if (!m_released)
                    m_delegate.webServiceFail(m_tag, description);
            },
            Qt::QueuedConnection);
    }

    std::unique_ptr<QSWebService> m_service;
    WebServiceDelegate& m_delegate;
    WebServiceDelegate::RequestTag m_tag;
    bool m_released = false;
};

} // namespace

NetworkWebServices::NetworkWebServices(UpdateSource source) : m_source(std::move(source)) {}

UpdateSource NetworkWebServices::systemSource(const ShellEnvironment& environment, const QString& installedVersion)
{
    const Layout& layout = Layout::current();
    UpdateSource source;
    source.host = AppConfig::webServiceHost();
    // The server has always been sent the identifier with the line break its first
    // reader left on it; it stays, so a machine keeps the uid it is known by.
    const std::string uid = MachineIdentifier::read();
    source.uid = uid.empty() ? QString() : QString::fromStdString(uid) + QLatin1Char('\n');
    source.installedVersion = installedVersion;
    source.documentsFolder = layout.path(Layout::Role::Documents).value_or(joinPath(environment.home, "Documents"));
    // The companion publishes its socket in the same checked private folder.
    source.runtimeFolder = RuntimeFolder::privateFolder(layout).value_or(std::string());
    source.startCompanion = [bundle = environment.bundlePath, start = environment.startDetached] {
        const auto companion = Bundle::read(joinPath(bundle, AppConfig::kCompanionBundle));
        const std::string program = companion ? Bundle::executablePath(*companion) : std::string();
        if (program.empty() || !start)
            return false;
        return start(QFile::decodeName(QByteArray(program.data(), qsizetype(program.size()))), {});
    };
    return source;
}

WebServices::RequestPreparation NetworkWebServices::welcomeRequest()
{
    const QString host = m_source.host;
    return [host]() -> RequestStart {
        const QUrl url(host + QStringLiteral("/installwelcome.php?action=corvanetidewell"));
        return [url](WebServiceDelegate& delegate) -> std::shared_ptr<void> {
            auto service = std::make_unique<QSWebService>();
            service->setUrl(url);
            auto* relay = new RequestRelay(std::move(service), delegate, WebServiceDelegate::RequestTag::Welcome);
            std::shared_ptr<void> handle = RequestRelay::keep(relay);
            relay->start();
            return handle;
        };
    };
}

std::shared_ptr<void> NetworkWebServices::startUpdateCheck(const QString& installedVersion,
                                                           WebServiceDelegate& delegate)
{
    m_source.installedVersion = installedVersion;
    auto* relay = new RequestRelay(UpdateRules::checkRequest(m_source.host, m_source.uid, installedVersion), delegate,
                                   WebServiceDelegate::RequestTag::UpdateCheck);
    std::shared_ptr<void> handle = RequestRelay::keep(relay);
    relay->start();
    return handle;
}

bool NetworkWebServices::updateExists(const QByteArray& reply)
{
    return UpdateRules::acceptableOffer(reply, m_source.installedVersion).has_value();
}

void NetworkWebServices::runIsUpdateWindow(QWidget* parent)
{
    IsUpdateWindowController question(parent);
    if (question.exec() != QDialog::Accepted)
        return;
    // The question's modal run has ended; the update window follows a moment later.
    QPointer<QWidget> owner(parent);
    QTimer::singleShot(100, qApp, [this, owner] { runUpdateWindow(owner.data()); });
}

void NetworkWebServices::runUpdateWindow(QWidget* parent)
{
    UpdateWindowController window(m_source, parent);
    window.exec();
}

} // namespace corvane
