// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "web/engine/QSWebService.h"
#include "web/engine/UpdateRules.h"
#include "web/engine/UpdateSignature.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace corvane {

class QSDownloadWebService;

// Where an update comes from and where it goes.
struct UpdateSource
{
    QString host; // scheme and host of the update server, no trailing "/"
    QString uid;  // the machine's identifier as the server knows it
    QString installedVersion;
    std::string documentsFolder; // the archive is saved here
    std::string runtimeFolder;   // where the companion's socket lives
    QByteArray publicKey = UpdateSignature::builtInKey();
    // Starts the companion when nobody answers the hand-over; may run on a pool thread.
    std::function<bool()> startCompanion;
};

// The update window: asks the server, downloads the offered archive (resuming a partial
// one), checks its signature, and on "安装并重新启动" hands the installation to the
// companion. The window closes on the hand-over only once the companion took it.
class UpdateWindowController : public QDialog, private QSWebServiceDelegate
{
    Q_OBJECT
public:
    explicit UpdateWindowController(UpdateSource source, QWidget* parent = nullptr);
    ~UpdateWindowController() override;

    QString descriptionText() const;
    QString sizeText() const;
    QPushButton* button() const { return m_button; }
    QProgressBar* progressBar() const { return m_progress; }
    bool sizeTextVisible() const;
    bool installFlag() const { return m_installFlag; }
    std::string archivePath() const;

    void reject() override;

signals:
    // The archive was checked and kept (true) or deleted (false).
    void verificationEnded(bool passed);
    // The hand-over came back without the companion taking it.
    void handOverFailed();

private:
    void webServiceFinish(QSWebService* service, const QByteArray& body) override;
    void webServiceFail(QSWebService* service, const WebError& error) override;

    void windowDidLoad();
    void checkAnswered(const QByteArray& body);
    void showFailure(const QString& description);
    void downloadProgressed(double fraction);
    void downloadCompleted();
    void verificationDone(bool passed, bool sidecarWritten);
    void buttonClicked();
    void handOverEnded(int result, const QString& reason);
    void setSizeText(double done, double total);
    void placeButton(const QString& title);

    UpdateSource m_source;
    QLabel* m_description = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_size = nullptr;
    QPushButton* m_button = nullptr;
    bool m_installFlag = false;
    bool m_handingOver = false;
    double m_total = 0.0;
    std::optional<UpdateOffer> m_offer;
    std::unique_ptr<QSPostWebService> m_check;
    std::unique_ptr<QSDownloadWebService> m_download;
};

} // namespace corvane
