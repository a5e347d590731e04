// SPDX-License-Identifier: GPL-3.0-or-later
// Both programs' halves of an update together: the main program's update window against a
// local server, handing over to the companion's service, which installs what was checked.
#include "companion/engine/CompanionService.h"
#include "companion/engine/SingleInstance.h"
#include "companion/engine/UpdateInstallation.h"
#include "companion/engine/UpdateInstaller.h"
#include "platform/Bundle.h"
#include "support/LocalHttpServer.h"
#include "support/TempDir.h"
#include "support/UpdateFixtures.h"
#include "web/engine/UpdateSignature.h"
#include "web/ui/UpdateWindowController.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

TEST(UpdateHandOver, TheWindowsDownloadIsWhatTheCompanionInstalls)
{
    TempDir t;
    const std::string documents = t / "My Documents";
    const std::string applications = t / "Applications";
    const std::string runtime = t / "run";
    makeDirs(runtime);
    writeTree(applications, bundleEntries("1.0", "#!/bin/sh\n"));
    const ReleaseKey key;
    const QByteArray zip = QByteArray::fromStdString(
        makeZip(bundleEntries("2.0", "#!/bin/sh\necho started > \"$(dirname \"$0\")/../started\"\n")));

    LocalServer server([&](const Request& r, int) -> QByteArray {
        if (r.path != "/mac/macinfo.php")
            return answer(200, zip);
        const QByteArray sig = key.sign(UpdateSignature::signedPrefix(QStringLiteral("2.0")) + zip).toBase64();
        return answer(200, "{\"msg\":{\"version\":\"2.0\",\"url\":\"" +
                               server.url(QStringLiteral("/CorvaneTidewell.app.zip")).toUtf8() + "\",\"sig\":\"" + sig +
                               "\"}}");
    });

    SingleInstance lock(runtime + "/CorvaneXPC.lock");
    ASSERT_TRUE(lock.tryAcquire());
    CompanionService service(runtime, lock);
    UpdateInstallation installation(UpdateInstaller({documents, applications}, key.publicKey()));
    service.setHandler([&](const CompanionService::Reply& reply) { installation.test(reply); });
    QSignalSpy installed(&installation, &UpdateInstallation::installed);
    ASSERT_TRUE(service.listen());

    UpdateSource source;
    source.host = server.url(QString());
    source.installedVersion = QStringLiteral("1.0");
    source.documentsFolder = documents;
    source.runtimeFolder = runtime;
    source.publicKey = key.publicKey();
    UpdateWindowController window(source);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.installFlag(); }, 20000)) << window.descriptionText().toStdString();

    QSignalSpy finished(&window, &QDialog::finished);
    window.button()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1 && installed.count() == 1; }, 30000))
        << window.descriptionText().toStdString();
    EXPECT_EQ(window.result(), int(QDialog::Accepted));
    const auto bundle = Bundle::read(applications + "/CorvaneTidewell.app");
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->shortVersion, QStringLiteral("2.0"));
    EXPECT_FALSE(exists(documents + "/CorvaneTidewell.app.zip"));
    EXPECT_FALSE(exists(documents + "/CorvaneTidewell.app.zip.sig"));
    ASSERT_TRUE(installation.installer().launch());
    EXPECT_TRUE(QTest::qWaitFor([&] { return exists(applications + "/CorvaneTidewell.app/Contents/started"); }, 10000));
}
