// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/ui/UpdateWindowController.h"

#include "common/AppConfig.h"
#include "common/Dispatch.h"
#include "common/QSFileUtility.h"
#include "platform/FileChecks.h"
#include "web/engine/CompanionHandOver.h"
#include "web/engine/QSDownloadWebService.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 170;
constexpr int kButtonTop = 122;
constexpr int kButtonHeight = 30;

} // namespace

UpdateWindowController::UpdateWindowController(UpdateSource source, QWidget* parent)
    : QDialog(parent), m_source(std::move(source))
{
    setObjectName(QStringLiteral("UpdateWindowController"));
    setWindowTitle(QStringLiteral("Corvane Tidewell"));
    setWindowModality(Qt::ApplicationModal);
    setStyleSheet(QStringLiteral("QDialog { background: white; }"));
    setFixedSize(kWidth, kHeight);

    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setGeometry(24, 22, kWidth - 48, 40);
    m_description->setWordWrap(true);
    QFont font = m_description->font();
    font.setPointSizeF(13);
    m_description->setFont(font);

    m_progress = new QProgressBar(this);
    m_progress->setGeometry(24, 68, kWidth - 48, 16);
    m_progress->setTextVisible(false);

    m_size = new QLabel(this);
    m_size->setObjectName(QStringLiteral("size"));
    m_size->setGeometry(24, 88, kWidth - 48, 20);
    m_size->setStyleSheet(QStringLiteral("color: rgb(110,110,110);"));

    m_button = new QPushButton(this);
    m_button->setDefault(true);
    connect(m_button, &QPushButton::clicked, this, &UpdateWindowController::buttonClicked);

    windowDidLoad();
}

UpdateWindowController::~UpdateWindowController() = default;

QString UpdateWindowController::descriptionText() const
{
    return m_description->text();
}

QString UpdateWindowController::sizeText() const
{
    return m_size->text();
}

bool UpdateWindowController::sizeTextVisible() const
{
    return !m_size->isHidden();
}

std::string UpdateWindowController::archivePath() const
{
    return joinPath(m_source.documentsFolder, AppConfig::kUpdateArchive);
}

void UpdateWindowController::windowDidLoad()
{
    m_installFlag = false;
    m_size->clear();
    placeButton(tr("取消"));
    m_description->setText(tr("正在更新"));
    // Nothing is shown as progress until the server has answered.
    m_progress->hide();
    m_size->hide();
    m_check = UpdateRules::checkRequest(m_source.host, m_source.uid, m_source.installedVersion);
    m_check->setDelegate(this);
    m_check->startAsynchronous();
}

void UpdateWindowController::webServiceFinish(QSWebService* service, const QByteArray& body)
{
    if (service != m_check.get())
        return;
    // Queued: the request is still inside its own callback here.
    QMetaObject::invokeMethod(
        this, [this, body] { checkAnswered(body); }, Qt::QueuedConnection);
}

void UpdateWindowController::webServiceFail(QSWebService* service, const WebError& error)
{
    if (service != m_check.get())
        return;
    const QString description = error.domain;
    QMetaObject::invokeMethod(
        this, [this, description] { showFailure(description); }, Qt::QueuedConnection);
}

void UpdateWindowController::checkAnswered(const QByteArray& body)
{
    m_progress->setRange(0, 1000);
    m_progress->setValue(0);
    m_offer = UpdateRules::acceptableOffer(body, m_source.installedVersion);
    if (!m_offer) {
        m_description->setText(tr("已是最新版本"));
        m_progress->hide();
        m_size->hide();
        return;
    }
    m_progress->show();
    m_size->show();
    // A home without a Documents folder yet still gets its update.
    ::mkdir(m_source.documentsFolder.c_str(), 0755);
    m_download = std::make_unique<QSDownloadWebService>();
    m_download->setUrl(QUrl(m_offer->url));
    m_download->setFilePath(m_source.documentsFolder);
    // Whatever the address ends in, the companion looks for this one name.
    m_download->setFileName(AppConfig::kUpdateArchive);
    m_download->setOverwrite(true);
    m_download->setDownloadBlock([this](const WebResponse*, const WebError* error, bool finished, double progress) {
        if (error) {
            const QString description = error->domain;
            QMetaObject::invokeMethod(
                this, [this, description] { showFailure(description); }, Qt::QueuedConnection);
        } else if (finished) {
            // Read now: the service forgets its sizes once it has finished.
            m_total = double(m_download->fileSize());
            QMetaObject::invokeMethod(
                this, [this] { downloadCompleted(); }, Qt::QueuedConnection);
        } else if (progress > 0) {
            downloadProgressed(progress);
        }
    });
    m_download->startAsynchronous();
}

void UpdateWindowController::showFailure(const QString& description)
{
    m_description->setText(description);
    m_progress->hide();
    m_size->hide();
    m_installFlag = false;
    placeButton(tr("取消"));
    m_button->setEnabled(true);
}

void UpdateWindowController::setSizeText(double done, double total)
{
    m_size->setText(QStringLiteral("%1/%2").arg(QSFileUtility::fileSizeByDoubleSize(done),
                                                QSFileUtility::fileSizeByDoubleSize(total)));
}

void UpdateWindowController::downloadProgressed(double fraction)
{
    const double total = double(m_download->fileSize());
    m_total = total;
    m_progress->setValue(int(std::min(fraction, 1.0) * 1000));
    setSizeText(total * fraction, total);
}

void UpdateWindowController::downloadCompleted()
{
    if (!m_offer)
        return;
    m_progress->setValue(m_progress->maximum());
    m_button->setEnabled(false);
    // Reading and checking a large archive takes a moment: off the main thread, and the
    // window may be closed meanwhile.
    QPointer<UpdateWindowController> self(this);
    Dispatch::global([self, archive = archivePath(), offer = *m_offer, key = m_source.publicKey] {
        const bool passed = UpdateSignature::verifyFile(archive, offer.version, offer.signature, key);
        bool sidecarWritten = false;
        if (passed) {
            sidecarWritten = UpdateSignature::writeSidecar(archive, {offer.version, offer.signature});
        } else {
            // A bad archive is never kept, neither whole nor as a start for a resume.
            ::unlink(archive.c_str());
            ::unlink((archive + ".TempDownload").c_str());
            ::unlink(UpdateSignature::sidecarPath(archive).c_str());
        }
        UpdateSignature::releaseThreadState();
        Dispatch::main([self, passed, sidecarWritten] {
            if (self)
                self->verificationDone(passed, sidecarWritten);
        });
    });
}

void UpdateWindowController::verificationDone(bool passed, bool sidecarWritten)
{
    emit verificationEnded(passed);
    if (!passed) {
        showFailure(tr("下载的更新未通过签名校验，已删除"));
        return;
    }
    if (!sidecarWritten) {
        showFailure(QSDownloadWebService::writeFailed().domain);
        return;
    }
    m_progress->setValue(m_progress->maximum());
    m_description->setText(tr("更新完成"));
    setSizeText(m_total, m_total);
    placeButton(tr("安装并重新启动"));
    m_button->setEnabled(true);
    m_installFlag = true;
}

void UpdateWindowController::placeButton(const QString& title)
{
    m_button->setText(title);
    QFont font = m_button->font();
    font.setPointSizeF(13);
    const int width = std::max(QFontMetrics(font).horizontalAdvance(title) + 30, 90);
    m_button->setGeometry(kWidth - 50 - width, kButtonTop, width, kButtonHeight);
}

void UpdateWindowController::buttonClicked()
{
    if (m_handingOver)
        return;
    if (!m_installFlag) {
        reject();
        return;
    }
    m_handingOver = true;
    m_button->setEnabled(false);
    m_description->setText(tr("正在交给CorvaneXPC安装"));
    QPointer<UpdateWindowController> self(this);
    Dispatch::global([self, runtime = m_source.runtimeFolder, start = m_source.startCompanion] {
        const CompanionHandOver::Answer answer = CompanionHandOver::handOver(runtime, start);
        const QString reason = QString::fromStdString(answer.reason);
        Dispatch::main([self, result = int(answer.result), reason] {
            if (self)
                self->handOverEnded(result, reason);
        });
    });
}

void UpdateWindowController::handOverEnded(int result, const QString& reason)
{
    m_handingOver = false;
    if (result == int(CompanionHandOver::Result::Accepted)) {
        // The companion now stops this program; the window's work is done.
        accept();
        return;
    }
    m_button->setEnabled(true);
    if (result == int(CompanionHandOver::Result::Refused))
        m_description->setText(tr("CorvaneXPC未能安装更新：%1").arg(reason));
    else
        m_description->setText(tr("无法联系CorvaneXPC，更新未安装"));
    emit handOverFailed();
}

void UpdateWindowController::reject()
{
    // The partial archive stays beside its name for the next update to resume.
    if (m_check)
        m_check->stop();
    if (m_download)
        m_download->stop();
    QDialog::reject();
}

} // namespace corvane
