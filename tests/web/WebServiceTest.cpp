// SPDX-License-Identifier: GPL-3.0-or-later
// The web requests against a real HTTP server on 127.0.0.1: request errors, the multipart
// body byte for byte, and downloads that resume only when the server continues where the
// file on disk stops.
#include "support/FakeCompanion.h"
#include "support/LocalHttpServer.h"
#include "support/ReleaseKey.h"
#include "support/TempDir.h"

#include "web/engine/CompanionHandOver.h"
#include "web/engine/QSDownloadWebService.h"
#include "web/engine/UpdateRules.h"
#include "web/engine/UpdateSignature.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace corvane;
using namespace corvane::test;

namespace {

struct Outcome
{
    bool done = false;
    bool finished = false;
    std::optional<WebError> error;
};

Outcome download(QSDownloadWebService& d)
{
    Outcome o;
    d.setDownloadBlock([&o](const WebResponse*, const WebError* error, bool finished, double) {
        if (error) {
            o.error = *error;
            o.done = true;
        } else if (finished) {
            o.finished = true;
            o.done = true;
        }
    });
    if (d.startAsynchronous())
        for (int i = 0; i < 1000 && !o.done; ++i)
            QTest::qWait(10);
    return o;
}

QByteArray bytes(int n, char from = 'a')
{
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b.append(char(from + i % 26));
    return b;
}

} // namespace

TEST(WebService, RequestsThatCannotBeMadeFailAtOnceWithTheirCode)
{
    QSWebService get;
    std::vector<int> codes;
    get.setWebServiceBlock([&codes](const WebResponse*, const WebError* e, const QByteArray*) {
        if (e)
            codes.push_back(e->code);
    });
    EXPECT_FALSE(get.startAsynchronous());
    get.setUrl(QUrl(QStringLiteral("file:///etc/passwd")));
    EXPECT_FALSE(get.startAsynchronous());
    get.setUrl(QUrl(QStringLiteral("http://example.org/plain-http")));
    EXPECT_FALSE(get.startAsynchronous());
    EXPECT_EQ(codes, (std::vector<int>{100, 101, 101}));

    TempDir t;
    writeFile(t / "there.zip", "keep");
    QSDownloadWebService d;
    d.setUrl(QUrl(QStringLiteral("http://127.0.0.1:9/there.zip")));
    d.setFilePath(t.path());
    EXPECT_EQ(download(d).error->code, 102);
    EXPECT_EQ(readFile(t / "there.zip"), "keep");
    EXPECT_FALSE(exists(t / "there.zip.TempDownload"));
    QSDownloadWebService missing;
    missing.setUrl(QUrl(QStringLiteral("http://127.0.0.1:9/x.zip")));
    missing.setFilePath(t / "no/such/folder");
    EXPECT_EQ(download(missing).error->code, 103);
    // A name that is no plain file name is never used.
    for (const char* url : {"http://127.0.0.1:9/dir/", "http://127.0.0.1:9/a/%2E%2E"}) {
        QSDownloadWebService odd;
        odd.setUrl(QUrl(QString::fromLatin1(url)));
        odd.setFilePath(t.path());
        const Outcome o = download(odd);
        ASSERT_TRUE(o.error) << url;
        EXPECT_EQ(o.error->code, 101) << url;
    }
}

TEST(WebService, FormBodyByteForByteAndTheBlockAtTheAnswerAndItsEnd)
{
    const QByteArray expected = "--_insert_some_boundary_here_\r\n"
                                "Content-Disposition: form-data; name=\"uid\"\r\n\r\n"
                                "ABC\n\r\n"
                                "--_insert_some_boundary_here_--\r\n";
    EXPECT_EQ(QSPostWebService::generateFormData({{QStringLiteral("uid"), QStringLiteral("ABC\n")}}), expected);

    LocalServer server([](const Request&, int) { return answer(200, "{\"ok\":1}"); });
    QSPostWebService post;
    post.setUrl(QUrl(server.url(QStringLiteral("/mac/macinfo.php"))));
    post.setPostDic({{QStringLiteral("uid"), QStringLiteral("ABC\n")}});
    int responses = 0;
    QByteArray body;
    post.setWebServiceBlock([&](const WebResponse* r, const WebError*, const QByteArray* b) {
        responses += r ? 1 : 0;
        if (b)
            body = *b;
    });
    ASSERT_TRUE(post.startAsynchronous());
    for (int i = 0; i < 500 && body.isEmpty(); ++i)
        QTest::qWait(10);
    EXPECT_EQ(body, "{\"ok\":1}");
    EXPECT_EQ(responses, 1); // once at the answer, once (with the body) at the end
    ASSERT_EQ(server.requests().size(), 1u);
    const Request& r = server.requests().front();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.headers.value("content-type"), "multipart/form-data; boundary=_insert_some_boundary_here_");
    EXPECT_EQ(r.headers.value("content-length"), QByteArray::number(expected.size()));
    EXPECT_EQ(r.body, expected);

    // An answer that does not end is cut off instead of filling memory.
    LocalServer endless(
        [](const Request&, int) { return answer(200, QByteArray(QSWebService::kBodyLimitBytes + 1, 'x')); });
    QSWebService get;
    get.setUrl(QUrl(endless.url(QStringLiteral("/installwelcome.php?action=corvanetidewell"))));
    std::optional<WebError> failure;
    get.setWebServiceBlock([&](const WebResponse*, const WebError* e, const QByteArray*) {
        if (e)
            failure = *e;
    });
    ASSERT_TRUE(get.startAsynchronous());
    ASSERT_TRUE(QTest::qWaitFor([&] { return failure.has_value(); }, 10000));
    EXPECT_EQ(failure->code, WebError::tooLarge().code);
}

TEST(WebService, DownloadsResumeOnlyWhereTheServerContinues)
{
    TempDir t;
    const QByteArray whole = bytes(2000);
    struct Case
    {
        const char* name;
        LocalServer::Script script;
        int requests;
    };
    const Case cases[] = {
        {"continues",
         [&](const Request& r, int) {
             EXPECT_EQ(r.headers.value("range"), "bytes=1000-");
             EXPECT_EQ(r.headers.value("accept-encoding"), "identity");
             return answer(206, whole.mid(1000), "Content-Range: bytes 1000-1999/2000\r\n");
         },
         1},
        {"ignores the range", [&](const Request&, int) { return answer(200, whole); }, 1},
        {"another start",
         [&](const Request& r, int i) {
             if (i == 0)
                 return answer(206, whole.mid(500), "Content-Range: bytes 500-1999/2000\r\n");
             EXPECT_EQ(r.headers.value("range"), "bytes=0-");
             return answer(206, whole, "Content-Range: bytes 0-1999/2000\r\n");
         },
         2},
        {"416", [&](const Request&, int i) { return i == 0 ? answer(416, "") : answer(200, whole); }, 2},
        {"chunked",
         [&](const Request&, int) {
             QByteArray chunked = "HTTP/1.1 200 OK\r\nConnection: close\r\nTransfer-Encoding: chunked\r\n\r\n";
             for (int at = 0; at < whole.size(); at += 700) {
                 const QByteArray part = whole.mid(at, 700);
                 chunked += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
             }
             return chunked + "0\r\n\r\n";
         },
         1},
    };
    for (const Case& c : cases) {
        const std::string folder = t / c.name;
        makeDirs(folder);
        // The first thousand bytes from an earlier, stopped download.
        writeFile(folder + "/update.zip.TempDownload", whole.left(1000).toStdString());
        LocalServer server(c.script);
        QSDownloadWebService d;
        d.setUrl(QUrl(server.url(QStringLiteral("/files/update.zip"))));
        d.setFilePath(folder);
        const Outcome o = download(d);
        EXPECT_TRUE(o.finished) << c.name << (o.error ? o.error->domain.toStdString() : std::string());
        EXPECT_EQ(readFile(folder + "/update.zip"), whole.toStdString()) << c.name;
        EXPECT_FALSE(exists(folder + "/update.zip.TempDownload")) << c.name;
        EXPECT_EQ(int(server.requests().size()), c.requests) << c.name;
    }
}

TEST(WebService, FailedDownloadsNeverBecomeTheFile)
{
    TempDir t;
    const QByteArray whole = bytes(2000);
    struct Case
    {
        const char* name;
        LocalServer::Script script;
        int code;
        QByteArray partial; // what the temporary file holds afterwards
    };
    const Case cases[] = {
        {"not found", [](const Request&, int) { return answer(404, "<html>not here</html>"); }, 404, whole.left(1000)},
        {"short",
         [&](const Request&, int) {
             return answer(206, whole.mid(1000, 400), "Content-Range: bytes 1000-1999/2000\r\n", 1000);
         },
         105, whole.left(1400)},
    };
    for (const Case& c : cases) {
        const std::string folder = t / c.name;
        makeDirs(folder);
        writeFile(folder + "/update.zip.TempDownload", whole.left(1000).toStdString());
        LocalServer server(c.script);
        QSDownloadWebService d;
        d.setUrl(QUrl(server.url(QStringLiteral("/update.zip"))));
        d.setFilePath(folder);
        const Outcome o = download(d);
        ASSERT_TRUE(o.error) << c.name;
        if (c.code != 105) { // a connection cut short may also be reported by the network layer
            EXPECT_EQ(o.error->code, c.code) << c.name;
        }
        EXPECT_FALSE(exists(folder + "/update.zip")) << c.name;
        EXPECT_EQ(readFile(folder + "/update.zip.TempDownload"), c.partial.toStdString()) << c.name;
    }

    // The destination appears while the file is on its way: it is not replaced.
    const std::string folder = t / "appeared";
    makeDirs(folder);
    LocalServer server([&](const Request&, int) {
        writeFile(folder + "/update.zip", "someone else's");
        return answer(200, whole);
    });
    QSDownloadWebService d;
    d.setUrl(QUrl(server.url(QStringLiteral("/update.zip"))));
    d.setFilePath(folder);
    const Outcome o = download(d);
    ASSERT_TRUE(o.error);
    EXPECT_EQ(o.error->code, 102);
    EXPECT_EQ(readFile(folder + "/update.zip"), "someone else's");
    EXPECT_EQ(readFile(folder + "/update.zip.TempDownload"), whole.toStdString());
}

TEST(UpdateRules, VersionsAreSingleDecimalNumbersAndOffersMustBeSigned)
{
    EXPECT_TRUE(UpdateRules::updateExists(QStringLiteral("3"), QStringLiteral("2.9")));
    EXPECT_FALSE(UpdateRules::updateExists(QStringLiteral("2.10"), QStringLiteral("2.9")));
    EXPECT_TRUE(UpdateRules::updateExists(QStringLiteral("2.1"), QStringLiteral("2.05")));
    EXPECT_FALSE(UpdateRules::updateExists(QStringLiteral("beta"), QStringLiteral("0")));
    EXPECT_EQ(UpdateRules::versionNumber(QStringLiteral("2.9.1-rc")), 2.9);

    const auto form = VNMessage::genvUpdateAppByguid(QStringLiteral("ABC\n"), QStringLiteral("checkfile"), QString());
    ASSERT_EQ(form.size(), 3u);
    EXPECT_EQ(form[0].second.toString(), QStringLiteral("checkfile"));
    EXPECT_EQ(form[1].second.toString(), QStringLiteral("ABC\n"));
    EXPECT_EQ(form[2].second.toString(), QString());

    const QByteArray sig = QByteArray(64, 's').toBase64();
    const auto answer = [&sig](const char* version, const char* url, bool signedOffer) {
        return QByteArray("{\"msg\":{\"version\":\"") + version + "\",\"url\":\"" + url + "\"" +
               (signedOffer ? ",\"sig\":\"" + sig + "\"" : QByteArray()) + "}}";
    };
    EXPECT_TRUE(UpdateRules::acceptableOffer(answer("3.0", "https://u.example/CorvaneTidewell.app.zip", true),
                                             QStringLiteral("2.9")));
    EXPECT_FALSE(UpdateRules::acceptableOffer(answer("3.0", "https://u.example/CorvaneTidewell.app.zip", false),
                                              QStringLiteral("2.9")));
    EXPECT_FALSE(UpdateRules::acceptableOffer(answer("3.0", "http://u.example/CorvaneTidewell.app.zip", true),
                                              QStringLiteral("2.9")));
    EXPECT_FALSE(UpdateRules::acceptableOffer(answer("2.9", "https://u.example/CorvaneTidewell.app.zip", true),
                                              QStringLiteral("2.9")));
    EXPECT_FALSE(UpdateRules::acceptableOffer("{\"version\":\"9\"}", QStringLiteral("2.9")));
    EXPECT_FALSE(UpdateRules::acceptableOffer("not json", QStringLiteral("2.9")));
}

TEST(UpdateSignature, OnlyTheReleaseKeysSignatureOverThisVersionAndTheseBytesPasses)
{
    const test::ReleaseKey release;
    const test::ReleaseKey other;
    ASSERT_TRUE(release.valid() && other.valid());
    TempDir t;
    const QByteArray archive = bytes(100000);
    writeFile(t / "CorvaneTidewell.app.zip", archive.toStdString());
    const QByteArray good = release.sign(UpdateSignature::signedPrefix(QStringLiteral("3.0")) + archive);
    const QByteArray key = release.publicKey();
    const std::string path = t / "CorvaneTidewell.app.zip";

    EXPECT_TRUE(UpdateSignature::verifyFile(path, QStringLiteral("3.0"), good, key));
    EXPECT_FALSE(UpdateSignature::verifyFile(path, QStringLiteral("3.1"), good, key)); // the version is signed
    EXPECT_FALSE(UpdateSignature::verifyFile(path, QStringLiteral("3.0"), good, other.publicKey()));
    EXPECT_FALSE(UpdateSignature::verifyFile(path, QStringLiteral("3.0"), QByteArray(), key));
    EXPECT_FALSE(UpdateSignature::verifyFile(t / "missing.zip", QStringLiteral("3.0"), good, key));
    pokeByte(path, 5000, 'Z');
    EXPECT_FALSE(UpdateSignature::verifyFile(path, QStringLiteral("3.0"), good, key));
    EXPECT_TRUE(UpdateSignature::verifyBytes(archive.toStdString(), QStringLiteral("3.0"), good, key));

    // The companion's copy of the offer: the version and signature round-trip, and a
    // link or a third line is no sidecar.
    ASSERT_TRUE(UpdateSignature::writeSidecar(path, {QStringLiteral("3.0"), good}));
    const auto sidecar = UpdateSignature::readSidecar(path);
    ASSERT_TRUE(sidecar);
    EXPECT_EQ(sidecar->version, QStringLiteral("3.0"));
    EXPECT_EQ(sidecar->signature, good);
    EXPECT_FALSE(UpdateSignature::writeSidecar(path, {QStringLiteral("3.0\n4.0"), good}));
    writeFile(UpdateSignature::sidecarPath(path), "3.0\n" + good.toBase64().toStdString() + "\nmore\n");
    EXPECT_FALSE(UpdateSignature::readSidecar(path));
    ::unlink(UpdateSignature::sidecarPath(path).c_str());
    ASSERT_EQ(::symlink((t / "elsewhere").c_str(), UpdateSignature::sidecarPath(path).c_str()), 0);
    writeFile(t / "elsewhere", "3.0\n" + good.toBase64().toStdString() + "\n");
    EXPECT_FALSE(UpdateSignature::readSidecar(path));

    // Nothing signed by a test key passes the key the program trusts.
    EXPECT_FALSE(UpdateSignature::verify(UpdateSignature::signedPrefix(QStringLiteral("3.0")) + archive, good,
                                         UpdateSignature::builtInKey()));
}

TEST(CompanionHandOver, TestGoesToThisUsersCompanionAndItsAnswerComesBack)
{
    TempDir t;
    const std::string runtime = t / "run";
    makeDirs(runtime);
    EXPECT_EQ(CompanionHandOver::sendTest(runtime).result, CompanionHandOver::Result::NoCompanion);
    EXPECT_EQ(CompanionHandOver::sendTest("").result, CompanionHandOver::Result::NoRuntimeFolder);
    {
        FakeCompanion companion(runtime, "accepted\n");
        EXPECT_EQ(CompanionHandOver::sendTest(runtime).result, CompanionHandOver::Result::Accepted);
        EXPECT_EQ(companion.request(), "test\n");
    }
    ::unlink(CompanionHandOver::socketPath(runtime).c_str());
    {
        FakeCompanion companion(runtime, "refused an update is already being installed\n");
        const auto answer = CompanionHandOver::sendTest(runtime);
        EXPECT_EQ(answer.result, CompanionHandOver::Result::Refused);
        EXPECT_EQ(answer.reason, "an update is already being installed");
    }
    ::unlink(CompanionHandOver::socketPath(runtime).c_str());
    {
        // A companion that took the request and said nothing is not started again beside itself.
        FakeCompanion companion(runtime, "");
        bool startedAnother = false;
        EXPECT_EQ(CompanionHandOver::handOver(runtime,
                                              [&] {
                                                  startedAnother = true;
                                                  return true;
                                              })
                      .result,
                  CompanionHandOver::Result::NoAnswer);
        EXPECT_FALSE(startedAnother);
    }
    ::unlink(CompanionHandOver::socketPath(runtime).c_str());

    // Nobody listens: the companion is started, and asked again once it is up.
    std::unique_ptr<FakeCompanion> started;
    const auto answer = CompanionHandOver::handOver(runtime, [&] {
        started = std::make_unique<FakeCompanion>(runtime, "accepted\n");
        return true;
    });
    EXPECT_EQ(answer.result, CompanionHandOver::Result::Accepted);
    started.reset();
    ::unlink(CompanionHandOver::socketPath(runtime).c_str());
    EXPECT_EQ(CompanionHandOver::handOver(runtime, [] { return false; }).result,
              CompanionHandOver::Result::NoCompanion);
}
