// SPDX-License-Identifier: GPL-3.0-or-later
// The update's two heavy steps: a 512 MiB download over loopback (speed, and how much the
// process grows while the body streams to disk) and the signature check of a 100 MB
// archive. `update_bench [MiB] [verify-MB]`
#include "RunTimes.h"
#include "web/engine/QSDownloadWebService.h"
#include "web/engine/UpdateSignature.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <openssl/evp.h>

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace corvane;

namespace {

long statusKiB(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + key.size(), nullptr, 10);
    return -1;
}

// Serves one GET with `bytes` of a repeating pattern from its own thread, so the
// program's event loop does only the client's work.
class PlainServer
{
public:
    explicit PlainServer(uint64_t bytes) : m_bytes(bytes)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        ::listen(m_fd, 1);
        m_thread = std::thread([this] { serve(); });
    }
    ~PlainServer()
    {
        ::shutdown(m_fd, SHUT_RDWR);
        m_thread.join();
        ::close(m_fd);
    }
    int port() const { return m_port; }

private:
    void serve()
    {
        const int client = ::accept(m_fd, nullptr, nullptr);
        if (client < 0)
            return;
        char request[4096];
        std::string seen;
        while (seen.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = ::recv(client, request, sizeof request, 0);
            if (n <= 0)
                break;
            seen.append(request, size_t(n));
        }
        const std::string header = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(m_bytes) +
                                   "\r\nConnection: close\r\n\r\n";
        ::send(client, header.data(), header.size(), MSG_NOSIGNAL);
        std::string chunk(1 << 20, '\0');
        for (size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = char('a' + i % 23);
        uint64_t left = m_bytes;
        while (left > 0) {
            const size_t n = size_t(std::min<uint64_t>(left, chunk.size()));
            const ssize_t sent = ::send(client, chunk.data(), n, MSG_NOSIGNAL);
            if (sent <= 0)
                break;
            left -= uint64_t(sent);
        }
        ::close(client);
    }

    uint64_t m_bytes;
    int m_fd = -1;
    int m_port = 0;
    std::thread m_thread;
};

void benchDownload(uint64_t mib, const std::string& folder)
{
    const uint64_t bytes = mib << 20;
    PlainServer server(bytes);
    QSDownloadWebService download;
    download.setUrl(QUrl(QStringLiteral("http://127.0.0.1:%1/CorvaneTidewell.app.zip").arg(server.port())));
    download.setFilePath(folder);
    download.setOverwrite(true);
    bool done = false;
    bool finished = false;
    download.setDownloadBlock([&](const WebResponse*, const WebError* error, bool end, double) {
        if (error) {
            std::fprintf(stderr, "download failed: %s\n", qPrintable(error->domain));
            done = true;
        } else if (end) {
            finished = done = true;
        }
    });
    // Peak resident size from here on: the kernel resets the high-water mark on request.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusKiB("VmRSS");
    QElapsedTimer timer;
    timer.start();
    download.startAsynchronous();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const long peak = statusKiB("VmHWM");
    std::printf("download %llu MiB over loopback: %s in %.2f s = %.0f MB/s; RSS %ld KiB before, peak %ld KiB "
                "(growth %.1f MiB)\n",
                static_cast<unsigned long long>(mib), finished ? "complete" : "FAILED", seconds,
                double(bytes) / 1e6 / seconds, before, peak, double(peak - before) / 1024.0);
    ::unlink(download.destinationPath().c_str());
}

void benchVerify(size_t megabytes, const std::string& folder)
{
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"),
                                                            &EVP_PKEY_free);
    QByteArray archive(qsizetype(megabytes * 1000000), '\0');
    for (qsizetype i = 0; i < archive.size(); ++i)
        archive[i] = char(i * 131 % 251);
    const std::string path = folder + "/CorvaneTidewell.app.zip";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(archive.constData(), archive.size());
    }
    const QByteArray message = UpdateSignature::signedPrefix(QStringLiteral("3.0")) + archive;
    QByteArray signature(64, '\0');
    size_t length = 64;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestSignInit(context, nullptr, nullptr, nullptr, key.get());
    EVP_DigestSign(context, reinterpret_cast<unsigned char*>(signature.data()), &length,
                   reinterpret_cast<const unsigned char*>(message.constData()), size_t(message.size()));
    EVP_MD_CTX_free(context);
    QByteArray publicKey(32, '\0');
    length = 32;
    EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(publicKey.data()), &length);
    archive.clear();

    bool passed = false;
    const bench::RunTimes t = bench::timeRuns(
        5, [&] { passed = UpdateSignature::verifyFile(path, QStringLiteral("3.0"), signature, publicKey); });
    std::printf("verify %zu MB archive from disk: %s, median %.0f ms (fastest %.0f, slowest %.0f)\n", megabytes,
                passed ? "passed" : "FAILED", t.median, t.fastest, t.slowest);
    ::unlink(path.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 512;
    const size_t verifyMb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100;
    char folder[] = "/tmp/update-bench-XXXXXX";
    if (!::mkdtemp(folder))
        return 1;
    benchDownload(mib, folder);
    benchVerify(verifyMb, folder);
    ::rmdir(folder);
    return 0;
}
