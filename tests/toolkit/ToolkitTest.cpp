// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit/Artwork.h"
#include "toolkit/FileIcon.h"
#include "toolkit/FileReveal.h"
#include "toolkit/GlowAnimation.h"
#include "toolkit/Localization.h"
#include "toolkit/RWProgressHUD.h"
#include "toolkit/TitleBarWindow.h"
#include "toolkit/TriStateCheck.h"
#include "toolkit/TriStateCheckBox.h"
#include "toolkit/WindowButton.h"

#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace corvane;

TEST(TriState, ClickedMixedBecomesOnAndParentsFollowChildren)
{
    EXPECT_EQ(TriStateCheck::clicked(TriStateCheck::Mixed), TriStateCheck::On);
    EXPECT_EQ(TriStateCheck::clicked(TriStateCheck::Off), TriStateCheck::On);
    EXPECT_EQ(TriStateCheck::clicked(TriStateCheck::On), TriStateCheck::Off);
    EXPECT_EQ(TriStateCheck::clicked(7), TriStateCheck::On); // an odd value reads as off

    EXPECT_EQ(TriStateCheck::derive({1, 1, 1}), 1);
    EXPECT_EQ(TriStateCheck::derive({0, 0}), 0);
    EXPECT_EQ(TriStateCheck::derive({1, 0}), -1);
    EXPECT_EQ(TriStateCheck::derive({1, -1, 1}), -1);
    EXPECT_EQ(TriStateCheck::derive({}), 0);
    for (int s : {1, 0, -1})
        EXPECT_EQ(TriStateCheck::fromQt(TriStateCheck::toQt(s)), s);
}

TEST(TriState, CheckBoxNeverBecomesMixedByAClick)
{
    TriStateCheckBox box(QStringLiteral("x"));
    QSignalSpy spy(&box, &TriStateCheckBox::stateClicked);
    box.setState(-1);
    EXPECT_EQ(box.state(), -1);
    EXPECT_EQ(spy.count(), 0);
    box.click();
    EXPECT_EQ(box.state(), 1);
    box.click();
    EXPECT_EQ(box.state(), 0);
    box.click();
    EXPECT_EQ(box.state(), 1);
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
    EXPECT_EQ(spy.at(1).at(0).toInt(), 0);
}

TEST(Glow, FadesToHalfAndBackInTenthSteps)
{
    QLabel picture;
    GlowAnimation glow(&picture);
    std::vector<double> seen;
    for (int i = 0; i < 12; ++i) {
        glow.alphaAnimation();
        seen.push_back(glow.opacity());
    }
    const std::vector<double> expected{0.9, 0.8, 0.7, 0.6, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 0.9, 0.8};
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < seen.size(); ++i)
        EXPECT_DOUBLE_EQ(seen[i], expected[i]) << i;
    EXPECT_EQ(GlowAnimation::kIntervalMs, 150);
    glow.start();
    glow.start(); // restarting keeps one timer
    EXPECT_TRUE(glow.isRunning());
    glow.stop();
    EXPECT_FALSE(glow.isRunning());
}

TEST(Glow, RunsFromItsTimer)
{
    QLabel picture;
    GlowAnimation glow(&picture);
    glow.start();
    QElapsedTimer timer;
    timer.start();
    while (glow.opacity() >= 1.0 && timer.elapsed() < 10000) // a loaded machine may be late
        QTest::qWait(50);
    glow.stop();
    EXPECT_LT(glow.opacity(), 1.0);
    EXPECT_GE(glow.opacity(), 0.5);
}

TEST(ProgressHUD, ShowsTextOverAViewFollowsItAndGoes)
{
    QWidget view;
    view.resize(300, 200);
    view.show();
    RWProgressHUD* hud = RWProgressHUD::showStatus(QStringLiteral("正在加载..."), &view);
    ASSERT_TRUE(hud);
    EXPECT_EQ(hud->status(), QStringLiteral("正在加载..."));
    EXPECT_EQ(hud->geometry(), view.rect());
    EXPECT_TRUE(hud->isVisible());
    // Showing again over the same view reuses the overlay.
    EXPECT_EQ(RWProgressHUD::showStatus(QStringLiteral("b"), &view), hud);
    EXPECT_EQ(hud->status(), QStringLiteral("b"));
    view.resize(500, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(hud->geometry(), view.rect());
    // The overlay paints without trouble.
    EXPECT_FALSE(view.grab().isNull());

    QWidget other;
    RWProgressHUD::showStatus(QStringLiteral("c"), &other);
    RWProgressHUD::dismissFromView(&view);
    EXPECT_EQ(RWProgressHUD::hudForView(&view), nullptr);
    EXPECT_NE(RWProgressHUD::hudForView(&other), nullptr);
    RWProgressHUD::dismiss();
    EXPECT_EQ(RWProgressHUD::hudForView(&other), nullptr);
    EXPECT_EQ(RWProgressHUD::showStatus(QStringLiteral("x"), nullptr), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(TitleBar, HostsAViewAtItsHeightWithButtonsNotCentred)
{
    TitleBarWindow window;
    window.resize(600, 400);
    auto* bar = new QWidget;
    bar->setFixedHeight(60);
    window.setTitleBarView(bar);
    window.setContentView(new QWidget);
    window.show();
    EXPECT_EQ(window.titleBarHeight(), 60);
    EXPECT_EQ(bar->geometry(), QRect(0, 0, 600, 60));

    window.setTrafficLightsCentred(true);
    EXPECT_EQ(window.trafficLightsOrigin().y(), (60 - WindowButton::kDiameter) / 2);
    window.setTrafficLightsCentred(false);
    const int top = window.trafficLightsOrigin().y();
    EXPECT_LT(top, (60 - WindowButton::kDiameter) / 2);
    // However tall the bar gets, the buttons stay where they are.
    window.setTitleBarHeight(90);
    EXPECT_EQ(window.trafficLightsOrigin().y(), top);
    // Three buttons in a row, close first.
    EXPECT_LT(window.closeButton()->x(), window.minimizeButton()->x());
    EXPECT_LT(window.minimizeButton()->x(), window.zoomButton()->x());
    EXPECT_EQ(window.closeButton()->y(), window.zoomButton()->y());

    window.closeButton()->click();
    EXPECT_FALSE(window.isVisible());
}

TEST(Artwork, EveryNamedImageIsThere)
{
    for (const char* name : {"一键清理1.png", "启动项1.png", "内存加速1.png", "系统性能1.png", "软件卸载1.png",
                             "插件1.png", "配置文件1.png", "重复文件1.png", "大文件1.png", "系统信息.png", "up.png",
                             "down.png", "活跃.png", "tab-listbjp.png", "qq.png", "AppIcon.png"}) {
        const QPixmap image = Artwork::image(QString::fromUtf8(name));
        EXPECT_FALSE(image.isNull()) << name;
    }
    EXPECT_TRUE(Artwork::image(QStringLiteral("missing.png")).isNull());
    EXPECT_TRUE(Artwork::image(QString()).isNull());
}

TEST(FileIcon, EachKindOfFileHasItsOwnIcon)
{
    test::TempDir t;
    const std::string folder = t / "folder";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    QSet<qint64> seen;
    for (const std::string& path : {t / "movie.mkv", t / "song.mp3", t / "notes.txt", t / "photo.jpg", folder}) {
        const QIcon icon = FileIcon::iconForPath(path);
        ASSERT_FALSE(icon.isNull()) << path;
        EXPECT_FALSE(icon.pixmap(24, 24).isNull()) << path;
        const QImage image = icon.pixmap(24, 24).toImage();
        seen.insert(qint64(qHash(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()))));
    }
    EXPECT_EQ(seen.size(), 5);
}

TEST(Localization, EnglishForOthersAndKeysShowWhenUntranslated)
{
    EXPECT_EQ(Localization::languageFor({QStringLiteral("zh-Hans-CN")}), QStringLiteral("zh"));
    EXPECT_EQ(Localization::languageFor({QStringLiteral("de-DE"), QStringLiteral("zh-CN")}), QStringLiteral("en"));
    EXPECT_EQ(Localization::languageFor({}), QStringLiteral("en"));
    qputenv("CORVANE_LANG", "zh");
    EXPECT_EQ(Localization::chosenLanguage({QStringLiteral("en-US")}), QStringLiteral("zh"));
    qputenv("CORVANE_LANG", "klingon");
    EXPECT_EQ(Localization::chosenLanguage({QStringLiteral("en-US")}), QStringLiteral("en"));
    qunsetenv("CORVANE_LANG");

    // Qt's own dialogs get Qt's table for the same language.
    EXPECT_EQ(Localization::qtLocaleFor(QStringLiteral("zh"), {QStringLiteral("zh-Hant-TW")}), QStringLiteral("zh_TW"));
    EXPECT_EQ(Localization::qtLocaleFor(QStringLiteral("zh"), {QStringLiteral("en")}), QStringLiteral("zh_CN"));
    QTranslator qt;
    ASSERT_TRUE(Localization::loadQtTranslations(qt, QStringLiteral("zh_CN")));
    EXPECT_EQ(qt.translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));

    Localization table;
    ASSERT_TRUE(table.loadEnglish());
    // Any class finds the shared entry by its Chinese key.
    EXPECT_EQ(table.translate("corvane::SomeScreen", "垃圾清理"), QStringLiteral("Junk Clean"));
    EXPECT_EQ(table.translate("corvane::AppDelegate", "本程序必须放在/Applications文件夹中执行"),
              QStringLiteral("This program must be run from an Applications folder."));
    EXPECT_TRUE(table.translate("corvane::X", "没有这个键").isEmpty());

    QCoreApplication::installTranslator(&table);
    EXPECT_EQ(QCoreApplication::translate("corvane::X", "检查更新"), QStringLiteral("Check for Updates"));
    EXPECT_EQ(QCoreApplication::translate("corvane::X", "没有这个键"), QStringLiteral("没有这个键"));
    QCoreApplication::removeTranslator(&table);
    EXPECT_EQ(QCoreApplication::translate("corvane::X", "检查更新"), QStringLiteral("检查更新"));

    // In Chinese only the keys that are English need a table; the Chinese ones stay.
    Localization chinese;
    ASSERT_TRUE(chinese.loadChinese());
    EXPECT_EQ(chinese.translate("corvane::HardWare", "Hard disk"), QStringLiteral("硬盘"));
    EXPECT_EQ(chinese.translate("Corvane", "Model Name"), QStringLiteral("型号名称"));
    EXPECT_TRUE(chinese.translate("corvane::X", "检查更新").isEmpty());
}

TEST(FileReveal, UrlCarriesThePathsBytesWhateverTheyAre)
{
    // Not UTF-8, a space, URL and shell characters, a leading dash, a newline.
    const std::string path = std::string("/tmp/d\xff\xfe r/-a #?%&;$(x)\n\xe6\x96\x87.txt");
    const QString url = FileReveal::fileUrl(path);
    ASSERT_TRUE(url.startsWith(QStringLiteral("file:///")));
    for (QChar c : url)
        EXPECT_LT(c.unicode(), 0x80) << "the URL is plain ASCII";
    EXPECT_FALSE(url.contains(QLatin1Char(' ')) || url.contains(QLatin1Char('#')) || url.contains(QLatin1Char('?')));
    const QByteArray back = QByteArray::fromPercentEncoding(url.mid(7).toLatin1());
    EXPECT_EQ(back.toStdString(), path);
}
