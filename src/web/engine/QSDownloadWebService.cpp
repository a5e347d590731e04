// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/engine/QSDownloadWebService.h"

#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/UniqueFd.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

bool isPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

// "bytes START-END/TOTAL": the start, and the total when stated.
bool parseContentRange(const QByteArray& header, uint64_t& start, std::optional<uint64_t>& total)
{
    const QByteArray text = header.trimmed();
    if (!text.startsWith("bytes "))
        return false;
    const int dash = text.indexOf('-');
    const int slash = text.indexOf('/');
    if (dash < 0 || slash < dash)
        return false;
    bool ok = false;
    start = text.mid(6, dash - 6).trimmed().toULongLong(&ok);
    if (!ok)
        return false;
    const QByteArray totalText = text.mid(slash + 1).trimmed();
    if (totalText != "*") {
        const uint64_t value = totalText.toULongLong(&ok);
        if (!ok)
            return false;
        total = value;
    }
    return true;
}

} // namespace

QSDownloadWebService::QSDownloadWebService(QObject* parent) : QSWebService(parent)
{
    m_timer.setInterval(kSampleMs);
    connect(&m_timer, &QTimer::timeout, this, &QSDownloadWebService::sample);
}

QSDownloadWebService::~QSDownloadWebService()
{
    closeFile();
}

void QSDownloadWebService::closeFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::optional<QNetworkRequest> QSDownloadWebService::setUpRequest(WebError& error)
{
    std::optional<QNetworkRequest> request = QSWebService::setUpRequest(error);
    if (!request)
        return request;
    if (m_fileName.empty())
        m_fileName = QFile::encodeName(m_url.fileName()).toStdString();
    if (m_filePath.empty())
        m_filePath = Layout::current().path(Layout::Role::Documents).value_or(Layout::current().home());
    // A name from a URL could climb out of the folder or name it: only a plain name goes.
    if (!isPlainName(m_fileName)) {
        error = WebError::requestCreate();
        return std::nullopt;
    }
    m_destinationPath = joinPath(m_filePath, m_fileName);
    m_temporaryPath = m_destinationPath + ".TempDownload";

    struct stat st;
    if (::lstat(m_destinationPath.c_str(), &st) == 0) {
        // Replacing takes a file or a link, never a folder.
        if (!m_overwrite || S_ISDIR(st.st_mode) || ::unlink(m_destinationPath.c_str()) != 0) {
            error = WebError::fileExists();
            return std::nullopt;
        }
    }
    closeFile();
    m_fd = ::open(m_temporaryPath.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        closeFile();
        error = WebError::createFile();
        return std::nullopt;
    }
    // What is there already was downloaded before: it is asked to be continued.
    const off_t end = ::lseek(m_fd, 0, SEEK_END);
    m_offset = end > 0 ? uint64_t(end) : 0;
    request->setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request->setRawHeader("Range", "bytes=" + QByteArray::number(qulonglong(m_offset)) + "-");
    // Offsets count the bytes as stored: a compressed transfer would move them.
    request->setRawHeader("Accept-Encoding", "identity");
    if (m_offset > 0 && !m_etag.isEmpty())
        request->setRawHeader("If-Range", m_etag);
    return request;
}

bool QSDownloadWebService::startAsynchronous()
{
    if (!QSWebService::startAsynchronous())
        return false;
    m_accepting = false;
    m_startDate.start();
    m_timer.start();
    sample(); // the first tick at once
    return true;
}

void QSDownloadWebService::startWithDownloadHandler(DownloadBlock block)
{
    m_downloadBlock = std::move(block);
    m_restarts = 0;
    startAsynchronous();
}

void QSDownloadWebService::didReceiveResponse(const WebResponse& response)
{
    const int status = response.statusCode;
    uint64_t start = 0;
    std::optional<uint64_t> total;
    if (status == 206 && parseContentRange(response.contentRange, start, total) && start == m_offset &&
        (!total || response.expectedContentLength < 0 ||
         *total == m_offset + uint64_t(response.expectedContentLength))) {
        m_fileSize =
            total ? *total
                  : (response.expectedContentLength >= 0 ? uint64_t(response.expectedContentLength) + m_offset : 0);
    } else if (status == 200) {
        // The whole file, whatever was asked: what is on disk goes, this is the file.
        if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0) {
            fail(writeFailed());
            return;
        }
        m_offset = 0;
        m_fileSize = response.expectedContentLength >= 0 ? uint64_t(response.expectedContentLength) : 0;
    } else if (status == 206 || status == 416) {
        // Another part than the one that follows, or nothing the server can give from
        // there: the bytes on disk cannot be continued.
        restartFromTheBeginning();
        return;
    } else {
        fail(httpStatus(status));
        return;
    }
    m_etag = response.etag;
    m_accepting = true;
    if (m_downloadBlock)
        m_downloadBlock(&response, nullptr, false, 0.0);
    QSWebService::didReceiveResponse(response);
}

void QSDownloadWebService::restartFromTheBeginning()
{
    if (m_restarts++ > 0 || ::ftruncate(m_fd, 0) != 0) {
        fail(incomplete());
        return;
    }
    m_etag.clear();
    m_accepting = false;
    const int restarts = m_restarts;
    // Not from inside the answer's own signal: the reply goes first.
    QMetaObject::invokeMethod(
        this,
        [this, restarts] {
            startAsynchronous();
            m_restarts = restarts;
        },
        Qt::QueuedConnection);
    QSWebService::stop();
}

void QSDownloadWebService::didReceiveData(const QByteArray& chunk)
{
    if (!m_accepting || m_fd < 0)
        return;
    if (!writeAll(m_fd, chunk.constData(), size_t(chunk.size()))) {
        fail(writeFailed());
        return;
    }
    m_totalDownSize += uint64_t(chunk.size());
    m_onceDownSize += uint64_t(chunk.size());
}

void QSDownloadWebService::sample()
{
    if (m_fd >= 0) {
        const off_t at = ::lseek(m_fd, 0, SEEK_CUR);
        if (at >= 0)
            m_offset = uint64_t(at);
    }
    const double seconds = m_startDate.isValid() ? double(m_startDate.elapsed()) / 1000.0 : 0.0;
    // At the very start nothing has been timed yet: no speed, not a division by zero.
    m_averageSpeed = seconds > 0 ? double(m_totalDownSize) / seconds : 0.0;
    m_peakSpeed = double(m_onceDownSize) / (kSampleMs / 1000.0);
    m_onceDownSize = 0;
    if (m_fileSize > 0) {
        const double progress = double(m_offset) / double(m_fileSize);
        if (delegate())
            delegate()->downloadProgressChange(this, progress);
        if (m_downloadBlock)
            m_downloadBlock(nullptr, nullptr, false, progress);
    }
}

void QSDownloadWebService::fail(const WebError& error)
{
    m_accepting = false;
    didFailWithError(error);
}

void QSDownloadWebService::didFailWithError(const WebError& error)
{
    if (m_downloadBlock)
        m_downloadBlock(nullptr, &error, false, 0.0);
    QSWebService::didFailWithError(error); // the delegate, then stop; the partial file stays
}

void QSDownloadWebService::didFinishLoading()
{
    if (!m_accepting) {
        fail(incomplete());
        return;
    }
    const off_t end = m_fd >= 0 ? ::lseek(m_fd, 0, SEEK_CUR) : -1;
    if (end >= 0)
        m_offset = uint64_t(end);
    if (m_fd < 0 || ::fsync(m_fd) != 0) {
        fail(writeFailed());
        return;
    }
    // Fewer bytes than announced: the file is not whole, and stays for a resume.
    if (m_fileSize > 0 && m_offset < m_fileSize) {
        fail(incomplete());
        return;
    }
    // A destination that appeared during the transfer is replaced only when asked to.
    struct stat st;
    if (::lstat(m_destinationPath.c_str(), &st) == 0 && (!m_overwrite || S_ISDIR(st.st_mode))) {
        fail(WebError::fileExists());
        return;
    }
    if (::rename(m_temporaryPath.c_str(), m_destinationPath.c_str()) != 0) {
        fail(writeFailed());
        return;
    }
    closeFile();
    if (m_downloadBlock)
        m_downloadBlock(nullptr, nullptr, true, 0.0);
    m_data.clear();
    QSWebService::didFinishLoading(); // an empty body; the delegate can still read fileSize
}

void QSDownloadWebService::stop()
{
    QSWebService::stop();
    closeFile();
    m_timer.stop();
    m_startDate.invalidate();
    m_totalDownSize = 0;
    m_onceDownSize = 0;
    m_peakSpeed = 0.0;
    m_averageSpeed = 0.0;
    m_fileSize = 0;
    m_accepting = false;
}

} // namespace corvane
