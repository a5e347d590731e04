// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "web/engine/QSWebService.h"

#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <string>

namespace corvane {

// A resumable download into "<folder>/<name>.TempDownload", renamed to "<folder>/<name>"
// once every byte is there; the body is written as it arrives, never held in memory.
//
// A resumed transfer appends only what the server says follows the bytes on disk (a 206
// whose Content-Range starts there); a whole answer (200) starts the file over, and so do
// a 416 and a 206 from elsewhere (asked again from the start, once). Any other status is
// a failure, so an error page never becomes the file. A short body, a write error or a
// failed rename is a failure too; the partial file stays for the next start.
class QSDownloadWebService : public QSWebService
{
    Q_OBJECT

public:
    // (response, error, finished, progress).
    using DownloadBlock = std::function<void(const WebResponse*, const WebError*, bool, double)>;

    static constexpr int kSampleMs = 2000;
    // Beyond the table of request errors: the transfer's own.
    static WebError writeFailed() { return {104, QStringLiteral("Write File Fail!")}; }
    static WebError incomplete() { return {105, QStringLiteral("Download Incomplete!")}; }
    static WebError httpStatus(int status) { return {status, QStringLiteral("HTTP %1").arg(status)}; }

    explicit QSDownloadWebService(QObject* parent = nullptr);
    ~QSDownloadWebService() override;

    void setOverwrite(bool overwrite) { m_overwrite = overwrite; }
    bool overwrite() const { return m_overwrite; }
    // A plain name: not empty, ".", ".." nor holding "/". Default: the URL's last component.
    void setFileName(const std::string& name) { m_fileName = name; }
    const std::string& fileName() const { return m_fileName; }
    // Default: the user's Documents folder.
    void setFilePath(const std::string& folder) { m_filePath = folder; }
    const std::string& filePath() const { return m_filePath; }
    void setDownloadBlock(DownloadBlock block) { m_downloadBlock = std::move(block); }

    uint64_t fileSize() const { return m_fileSize; }
    double peakSpeed() const { return m_peakSpeed; }
    double averageSpeed() const { return m_averageSpeed; }
    uint64_t offset() const { return m_offset; }
    const std::string& destinationPath() const { return m_destinationPath; }
    const std::string& temporaryPath() const { return m_temporaryPath; }

    // Starts (or resumes) the download, with the sampling timer: its first tick at once.
    bool startAsynchronous() override;
    void startWithDownloadHandler(DownloadBlock block);
    void stop() override;

    // One sample of progress and speed (the timer's tick).
    void sample();

protected:
    std::optional<QNetworkRequest> setUpRequest(WebError& error) override;
    void didReceiveResponse(const WebResponse& response) override;
    void didReceiveData(const QByteArray& chunk) override;
    void didFailWithError(const WebError& error) override;
    void didFinishLoading() override;

private:
    void restartFromTheBeginning();
    void fail(const WebError& error);
    void closeFile();

    bool m_overwrite = false;
    std::string m_fileName;
    std::string m_filePath;
    std::string m_destinationPath;
    std::string m_temporaryPath;
    DownloadBlock m_downloadBlock;
    int m_fd = -1;
    uint64_t m_offset = 0;
    uint64_t m_fileSize = 0;
    uint64_t m_totalDownSize = 0;
    uint64_t m_onceDownSize = 0;
    double m_peakSpeed = 0.0;
    double m_averageSpeed = 0.0;
    QTimer m_timer;
    QElapsedTimer m_startDate;
    QByteArray m_etag;
    bool m_accepting = false;
    int m_restarts = 0;
};

} // namespace corvane
