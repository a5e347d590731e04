// SPDX-License-Identifier: GPL-3.0-or-later
// The update windows against a real HTTP server on 127.0.0.1 and a companion socket in a
// scratch runtime folder.
#include "shell/NetworkWebServices.h"
#include "support/FakeCompanion.h"
#include "support/LocalHttpServer.h"
#include "support/ReleaseKey.h"
#include "support/TempDir.h"
#include "toolkit/Localization.h"
#include "web/engine/UpdateSignature.h"
#include "web/ui/IsUpdateWindowController.h"
#include "web/ui/UpdateWindowController.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

// The update server: the check's answer offers `version` at /CorvaneTidewell.app.zip,
// signed over `signedArchive`; the download serves `served` (whole, or from a Range).
struct UpdateServer
{
    UpdateServer(const ReleaseKey& key, const QByteArray& signedArchive, QString version = QStringLiteral("3.0"))
        : served(signedArchive), server([this, &key, signedArchive, version](const Request& r, int) -> QByteArray {
              if (r.path == "/mac/macinfo.php") {
                  const QByteArray sig = key.sign(UpdateSignature::signedPrefix(version) + signedArchive).toBase64();
                  return answer(200, "{\"msg\":{\"version\":\"" + version.toUtf8() + "\",\"url\":\"" +
                                         server.url(QStringLiteral("/CorvaneTidewell.app.zip")).toUtf8() +
                                         "\",\"intro\":\"\",\"size\":\"1\",\"sig\":\"" + sig + "\"}}");
              }
              const QByteArray range = r.headers.value("range");
              const int from = range.startsWith("bytes=") ? range.mid(6, range.indexOf('-') - 6).toInt() : 0;
              if (from > 0)
                  return answer(206, served.mid(from),
                                "Content-Range: bytes " + QByteArray::number(from) + "-" +
                                    QByteArray::number(served.size() - 1) + "/" + QByteArray::number(served.size()) +
                                    "\r\n");
              if (firstHalfOnly)
                  return answer(200, served.left(served.size() / 2), {}, int(served.size()));
              return answer(200, served);
          })
    {}

    UpdateSource source(const TempDir& t, const ReleaseKey& key) const
    {
        UpdateSource s;
        s.host = server.url(QString());
        s.uid = QStringLiteral("0A1B2C3D-0000-4000-8000-00000000000E\n");
        s.installedVersion = QStringLiteral("2.9");
        s.documentsFolder = t / "My Documents";
        s.runtimeFolder = t / "run";
        s.publicKey = key.publicKey();
        return s;
    }

    QByteArray served;
    bool firstHalfOnly = false;
    LocalServer server;
};

QByteArray archiveBytes(int size)
{
    return QByteArray::fromStdString(patternBytes(size_t(size), 7));
}

} // namespace

TEST(UpdateWindow, OffersDownloadsChecksAndHandsOverToTheCompanion)
{
    TempDir t; // no Documents folder yet
    makeDirs(t / "run");
    const ReleaseKey key;
    const QByteArray archive = archiveBytes(300000);
    UpdateServer update(key, archive);
    UpdateWindowController window(update.source(t, key));
    EXPECT_EQ(window.descriptionText(), QStringLiteral("正在更新"));
    EXPECT_EQ(window.button()->text(), QStringLiteral("取消"));

    ASSERT_TRUE(QTest::qWaitFor([&] { return window.installFlag(); }, 10000)) << window.descriptionText().toStdString();
    const Request& check = update.server.requests().at(0);
    EXPECT_EQ(check.method, "POST");
    EXPECT_TRUE(check.body.contains("name=\"action\"\r\n\r\ncheckfile\r\n"));
    EXPECT_TRUE(check.body.contains("name=\"uid\"\r\n\r\n0A1B2C3D-0000-4000-8000-00000000000E\n\r\n"));
    EXPECT_TRUE(check.body.contains("name=\"ver\"\r\n\r\n2.9\r\n"));

    EXPECT_EQ(window.descriptionText(), QStringLiteral("更新完成"));
    EXPECT_EQ(readFile(window.archivePath()), archive.toStdString());
    const auto sidecar = UpdateSignature::readSidecar(window.archivePath());
    ASSERT_TRUE(sidecar);
    EXPECT_EQ(sidecar->version, QStringLiteral("3.0"));
    const QStringList halves = window.sizeText().split(QLatin1Char('/'));
    ASSERT_EQ(halves.size(), 2);
    EXPECT_EQ(halves[0], halves[1]);
    EXPECT_EQ(window.progressBar()->value(), window.progressBar()->maximum());
    QPushButton* button = window.button();
    EXPECT_EQ(button->text(), QStringLiteral("安装并重新启动"));
    EXPECT_EQ(button->geometry().right() + 1, window.width() - 50);

    // The window stays until the companion has taken the installation.
    FakeCompanion companion(t / "run", "accepted\n");
    QSignalSpy finished(&window, &QDialog::finished);
    button->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 10000));
    EXPECT_EQ(window.result(), int(QDialog::Accepted));
    EXPECT_EQ(companion.request(), "test\n");
}

TEST(UpdateWindow, AnArchiveThatFailsItsSignatureIsDeletedAndNothingIsOffered)
{
    TempDir t;
    makeDirs(t / "My Documents");
    const ReleaseKey key;
    const QByteArray archive = archiveBytes(200000);
    UpdateServer update(key, archive);
    update.served[100000] = char(update.served[100000] ^ 1);
    UpdateWindowController window(update.source(t, key));
    QSignalSpy verified(&window, &UpdateWindowController::verificationEnded);
    ASSERT_TRUE(QTest::qWaitFor([&] { return verified.count() == 1; }, 10000))
        << window.descriptionText().toStdString();
    EXPECT_FALSE(verified.at(0).at(0).toBool());
    EXPECT_FALSE(window.installFlag());
    EXPECT_FALSE(exists(window.archivePath()));
    EXPECT_FALSE(exists(window.archivePath() + ".TempDownload"));
    EXPECT_FALSE(exists(UpdateSignature::sidecarPath(window.archivePath())));
    EXPECT_EQ(window.button()->text(), QStringLiteral("取消"));
    EXPECT_FALSE(window.sizeTextVisible());
    EXPECT_NE(window.descriptionText(), QStringLiteral("更新完成"));
}

TEST(UpdateWindow, ADownloadCancelledHalfwayResumesInTheNextWindow)
{
    TempDir t;
    makeDirs(t / "My Documents");
    const ReleaseKey key;
    const QByteArray archive = archiveBytes(400000);
    UpdateServer update(key, archive);
    update.firstHalfOnly = true;
    update.server.setHoldOpen(true);
    const std::string partial = t / "My Documents/CorvaneTidewell.app.zip.TempDownload";
    {
        UpdateWindowController window(update.source(t, key));
        ASSERT_TRUE(QTest::qWaitFor([&] { return exists(partial) && readFile(partial).size() == 200000; }, 10000));
        window.reject(); // "取消"
    }
    EXPECT_EQ(readFile(partial).size(), 200000u);
    update.firstHalfOnly = false;
    update.server.setHoldOpen(false);
    UpdateWindowController again(update.source(t, key));
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.installFlag(); }, 10000)) << again.descriptionText().toStdString();
    EXPECT_EQ(update.server.requests().back().headers.value("range"), "bytes=200000-");
    EXPECT_EQ(readFile(again.archivePath()), archive.toStdString());
}

TEST(UpdateWindow, NoNewerVersionOrNoServerEndsWithoutADownload)
{
    TempDir t;
    const ReleaseKey key;
    {
        UpdateServer update(key, archiveBytes(1000), QStringLiteral("2.10")); // 2.10 < 2.9
        UpdateWindowController window(update.source(t, key));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.descriptionText() == QStringLiteral("已是最新版本"); }, 10000));
        EXPECT_TRUE(window.progressBar()->isHidden());
        EXPECT_EQ(update.server.requests().size(), 1u);
    }
    UpdateSource nowhere;
    nowhere.host = QStringLiteral("ftp://127.0.0.1");
    nowhere.installedVersion = QStringLiteral("2.9");
    UpdateWindowController window(nowhere);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.descriptionText() != QStringLiteral("正在更新"); }, 10000));
    EXPECT_EQ(window.descriptionText(), WebError::requestCreate().domain);
    EXPECT_EQ(window.button()->text(), QStringLiteral("取消"));
}

namespace {

struct RecordingDelegate : WebServiceDelegate
{
    void webServiceFinish(RequestTag sender, const QByteArray& data) override { finished.emplace_back(sender, data); }
    void webServiceFail(RequestTag sender, const QString&) override { failed.push_back(sender); }
    std::vector<std::pair<RequestTag, QByteArray>> finished;
    std::vector<RequestTag> failed;
};

} // namespace

TEST(NetworkWebServices, WelcomeAndUpdateCheckReachTheirEndpointsAndComeBackQueued)
{
    TempDir t;
    const ReleaseKey key;
    UpdateServer update(key, archiveBytes(1000));
    NetworkWebServices web(update.source(t, key));
    RecordingDelegate delegate;

    const WebServices::RequestStart start = web.welcomeRequest()();
    std::shared_ptr<void> welcome = start(delegate);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !delegate.finished.empty(); }, 10000));
    EXPECT_EQ(update.server.requests().at(0).path, "/installwelcome.php?action=corvanetidewell");

    std::shared_ptr<void> check = web.startUpdateCheck(QStringLiteral("2.9"), delegate);
    ASSERT_TRUE(QTest::qWaitFor([&] { return delegate.finished.size() == 2; }, 10000));
    EXPECT_EQ(delegate.finished[1].first, WebServiceDelegate::RequestTag::UpdateCheck);
    EXPECT_TRUE(web.updateExists(delegate.finished[1].second));
    web.startUpdateCheck(QStringLiteral("3.0"), delegate);
    EXPECT_FALSE(web.updateExists(delegate.finished[1].second));

    // A handle dropped before its answer arrives: the delegate hears nothing more.
    std::shared_ptr<void> dropped = web.startUpdateCheck(QStringLiteral("2.9"), delegate);
    dropped.reset();
    QTest::qWait(300);
    EXPECT_EQ(delegate.finished.size(), 2u);
    EXPECT_TRUE(delegate.failed.empty());
}

namespace {

// Every text the window shows; a screenshot of it when CORVANE_SCREENSHOTS names a folder.
QStringList shownTexts(QWidget& window, const QString& language, const QString& stage)
{
    QApplication::processEvents();
    QStringList texts;
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (label->isVisibleTo(&window))
            texts << label->text();
    for (const QPushButton* button : window.findChildren<QPushButton*>())
        if (button->isVisibleTo(&window))
            texts << button->text();
    if (const char* dir = std::getenv("CORVANE_SCREENSHOTS"))
        window.grab().save(QStringLiteral("%1/%2-%3.png").arg(QString::fromLocal8Bit(dir), language, stage));
    return texts;
}

bool hasChinese(const QStringList& texts)
{
    for (const QString& t : texts)
        for (const QChar c : t)
            if (c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff)
                return true;
    return false;
}

} // namespace

TEST(UpdateWindow, EveryStageReadsInTheChosenLanguage)
{
    const ReleaseKey key;
    for (const QString& language : {QStringLiteral("en"), QStringLiteral("zh")}) {
        Localization table;
        if (language == QStringLiteral("en"))
            table.loadEnglish();
        else
            table.loadChinese();
        QCoreApplication::installTranslator(&table);
        std::vector<QStringList> stages;

        IsUpdateWindowController question;
        question.show();
        stages.push_back(shownTexts(question, language, QStringLiteral("update-question")));

        TempDir t;
        makeDirs(t / "My Documents");
        const QByteArray archive = archiveBytes(600000);
        {
            UpdateServer update(key, archive);
            update.firstHalfOnly = true;
            update.server.setHoldOpen(true);
            UpdateWindowController window(update.source(t, key));
            window.show();
            ASSERT_TRUE(QTest::qWaitFor([&] { return window.progressBar()->value() > 0; }, 10000));
            stages.push_back(shownTexts(window, language, QStringLiteral("update-downloading")));
        }
        {
            UpdateServer update(key, archive);
            UpdateWindowController window(update.source(t, key));
            window.show();
            ASSERT_TRUE(QTest::qWaitFor([&] { return window.installFlag(); }, 10000));
            stages.push_back(shownTexts(window, language, QStringLiteral("update-complete")));
            // Nobody takes the installation: the window stays and says so.
            QSignalSpy failed(&window, &UpdateWindowController::handOverFailed);
            window.button()->click();
            ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() == 1; }, 10000));
            EXPECT_TRUE(window.isVisible());
            stages.push_back(shownTexts(window, language, QStringLiteral("update-no-companion")));
        }
        {
            UpdateServer update(key, archive);
            update.served[10] = char(update.served[10] ^ 1);
            UpdateWindowController window(update.source(t, key));
            window.show();
            QSignalSpy verified(&window, &UpdateWindowController::verificationEnded);
            ASSERT_TRUE(QTest::qWaitFor([&] { return verified.count() == 1; }, 10000));
            stages.push_back(shownTexts(window, language, QStringLiteral("update-bad-signature")));
        }
        {
            UpdateServer update(key, archive, QStringLiteral("2.9"));
            UpdateWindowController window(update.source(t, key));
            window.show();
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return !window.progressBar()->isVisible() && update.server.requests().size() == 1; }, 10000));
            QTest::qWait(50);
            stages.push_back(shownTexts(window, language, QStringLiteral("update-latest")));
        }
        QCoreApplication::removeTranslator(&table);
        for (const QStringList& texts : stages)
            EXPECT_EQ(hasChinese(texts), language == QStringLiteral("zh"))
                << texts.join(QLatin1Char('|')).toStdString();
    }
}
