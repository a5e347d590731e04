// SPDX-License-Identifier: GPL-3.0-or-later
// The guard every screen passes: the whole window in English, driven through its screens
// and their states (idle, scanning, results, details, alerts, menus), may not show one
// Chinese character. A text the code forgot to mark, or marked without its English,
// shows up here as the text and the widget that shows it.
#include "SidebarSupport.h"
#include "duplicates/ui/DupScanResultView.h"
#include "duplicates/ui/DuplicatedFileView.h"
#include "junk/ui/SystemCleanResult.h"
#include "junk/ui/SystemCleanView.h"
#include "largefiles/ui/LargeFilesView.h"
#include "largefiles/ui/LargeResultView.h"
#include "memory/MemoryFixtures.h"
#include "memory/ui/YVPopViewController.h"
#include "platform/Layout.h"
#include "shell/AppDelegate.h"
#include "shell/NoWebServices.h"
#include "shell/SelectView.h"
#include "support/TempDir.h"
#include "toolkit/Localization.h"
#include "toolkit/TitleBarWindow.h"
#include "uninstall/ui/ConfigFilesView.h"
#include "processes/ui/SystemPerformanceAcceleration.h"
#include "startup/ui/LoginItemViewController.h"
#include "support/MachineFixtures.h"
#include "sysinfo/ui/HardWare.h"
#include "toolkit/ReadableOutline.h"
#include "uninstall/engine/LeftoverListModel.h"
#include "uninstall/ui/LMZSheet.h"
#include "uninstall/ui/PlugView.h"
#include "uninstall/ui/UninstallView.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace corvane;
using corvane::test::TempDir;

namespace {

bool isChinese(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x3000 && u <= 0x303F) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) ||
           (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF00 && u <= 0xFFEF);
}

bool hasChinese(const QString& text)
{
    return std::any_of(text.begin(), text.end(), isChinese);
}

// "class 'name': text" for every text a visible widget shows that holds Chinese.
class ChineseFinder
{
public:
    QStringList found;

    void look(const QString& stage)
    {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible())
                lookAt(stage, top);
    }

private:
    void note(const QString& stage, const QObject* where, const QString& text)
    {
        if (hasChinese(text))
            found << QStringLiteral("%1 / %2 '%3': %4")
                         .arg(stage, QString::fromLatin1(where->metaObject()->className()), where->objectName(), text);
    }

    void lookAtMenu(const QString& stage, const QWidget* owner, const QList<QAction*>& actions)
    {
        for (const QAction* action : actions) {
            note(stage, owner, action->text());
            note(stage, owner, action->toolTip());
            if (action->menu())
                lookAtMenu(stage, owner, action->menu()->actions());
        }
    }

    void lookAtRows(const QString& stage, const QAbstractItemView* view, const QModelIndex& parent, int& budget)
    {
        const QAbstractItemModel* model = view->model();
        for (int row = 0; row < model->rowCount(parent) && budget > 0; ++row, --budget)
            for (int column = 0; column < model->columnCount(parent); ++column) {
                const QModelIndex index = model->index(row, column, parent);
                note(stage, view, index.data(Qt::DisplayRole).toString());
                note(stage, view, index.data(Qt::ToolTipRole).toString());
                if (column == 0)
                    lookAtRows(stage, view, index, budget);
            }
    }

    void lookAt(const QString& stage, QWidget* top)
    {
        QList<QWidget*> widgets = top->findChildren<QWidget*>();
        widgets.prepend(top);
        for (QWidget* w : widgets) {
            if (!w->isVisible())
                continue;
            if (w->isWindow())
                note(stage, w, w->windowTitle());
            note(stage, w, w->toolTip());
            if (auto* label = qobject_cast<QLabel*>(w))
                note(stage, w, label->text());
            if (auto* button = qobject_cast<QAbstractButton*>(w))
                note(stage, w, button->text());
            if (auto* tool = qobject_cast<QToolButton*>(w); tool && tool->menu())
                lookAtMenu(stage, w, tool->menu()->actions());
            if (auto* box = qobject_cast<QComboBox*>(w))
                for (int i = 0; i < box->count(); ++i)
                    note(stage, w, box->itemText(i));
            if (auto* line = qobject_cast<QLineEdit*>(w)) {
                note(stage, w, line->text());
                note(stage, w, line->placeholderText());
            }
            if (auto* bar = qobject_cast<QMenuBar*>(w))
                lookAtMenu(stage, w, bar->actions());
            if (auto* view = qobject_cast<QAbstractItemView*>(w); view && view->model()) {
                int budget = 400;
                lookAtRows(stage, view, QModelIndex(), budget);
            }
        }
    }
};

bool waitFor(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QTest::qWait(10);
    return done();
}

void press(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
}

void sparse(const std::string& path, off_t size)
{
    test::writeFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
}

template <typename Screen> Screen* showScreen(AppDelegate& app, int pindex)
{
    QTreeWidget* outline = app.myOutlineView();
    QTreeWidgetItem* item = test::sidebarItem(outline, pindex);
    if (!item)
        return nullptr;
    test::clickRow(outline, item);
    QApplication::processEvents();
    return qobject_cast<Screen*>(app.screenForPindex(pindex));
}

// A user with junk, duplicates, a large file, an application, a plug-in and a shell
// extension, on a machine without a model name, in English or in Chinese.
struct EnglishMachine
{
    TempDir dir;
    std::string home = dir / "home";
    std::string bundle = dir / "home/Applications/CorvaneTidewell.app";
    NoWebServices noWeb;
    Localization english;

    bool inEnglish;
    pid_t notesApp = -1;

    explicit EnglishMachine(bool withEnglish = true) : inEnglish(withEnglish)
    {
        test::makeDirs(home);
        setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        setenv("CORVANE_HELPER_SOCKET", (dir / "no-helper.socket").c_str(), 1);
        test::writeFile(bundle + "/Contents/Info.plist",
                        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier</key>"
                        "<string>com.corvane.CorvaneTidewell</string><key>CFBundleShortVersionString</key>"
                        "<string>2.9</string></dict></plist>");
        test::writeFile(home + "/.cache/viewer/index.db", std::string(4096, 'c'));
        test::writeFile(home + "/.cache/player/index.db", std::string(8192, 'c'));
        test::writeFile(home + "/.local/share/Trash/files/old.txt", "old");
        const std::string photo(200000, 'p');
        test::writeFile(home + "/Downloads/holiday.jpg", photo);
        test::writeFile(home + "/Downloads/copy of holiday.jpg", photo);
        // Names a shell or a terminal would trip on travel the whole tour too.
        test::writeFile(home + "/Downloads/-rf $(touch pwned)\n;`x`.jpg", photo);
        test::writeFile(home + "/Downloads/caf\xe9 \xe2\x80\xaegpj.exe", photo);
        sparse(home + "/Downloads/film.mkv", 20000000);
        test::writeFile(home + "/.config/user-dirs.dirs", "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n");
        test::writeFile(home + "/Applications/Editor.app/Contents/Info.plist",
                        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier</key>"
                        "<string>org.example.editor</string><key>CFBundleName</key><string>Editor</string>"
                        "<key>CFBundleShortVersionString</key><string>3.4</string></dict></plist>");
        test::writeFile(home + "/.config/Editor/settings.ini", "[editor]\nfont=mono\n");
        test::writeFile(home + "/.var/app/org.example.editor/cache/thumbnails.db", std::string(30000, 't'));
        test::writeFile(home + "/.mozilla/plugins/libviewer.so", std::string(3000, 'v'));
        test::writeFile(home + "/notes.txt", "notes");
        test::writeFile(home + "/.config/autostart/org.example.notes.desktop",
                        "[Desktop Entry]\nType=Application\nName=Notes\nExec=xdg-open \"" + home + "/notes.txt\"\n");
        test::writeFile(home + "/.local/share/gnome-shell/extensions/dock@example.org/metadata.json",
                        "{\"name\": \"Dock\", \"version\": 12}");
        // Memory as in the figures' example, with MemAvailable 40 MiB above the floor, so
        // the tour's release ends there.
        test::Meminfo memory;
        memory.available = MemoryRelease::floorFor(memory.total) + 40 * test::kMiB + test::kMiB / 2;
        memory.writeTo(dir / "memory/proc");
        // System folders (/var/cache, /var/log) under a scratch root: the tour cleans junk.
        test::writeFile(dir / "root/var/cache/tool/cache.bin", std::string(2048, 's'));
        Layout::setCurrent(Layout(Layout::Kind::Linux, dir / "root", home, "tester"));
        // A running application, started the way a desktop's launcher starts one.
        const std::string notes = Layout::current().xdgDataHome() + "/applications/org.example.Notes.desktop";
        test::writeFile(notes, "[Desktop Entry]\nType=Application\nName=Notes\nName[zh_CN]=笔记\nExec=notes\n"
                               "Icon=accessories-text-editor\n");
        // The shell learns its own pid ($$) and hands it on through exec.
        const std::string script = "GIO_LAUNCHED_DESKTOP_FILE='" + notes +
                                   "' GIO_LAUNCHED_DESKTOP_FILE_PID=$$ exec /bin/sleep 120";
        const char* argv[] = {"sh", "-c", script.c_str(), nullptr};
        if (::posix_spawn(&notesApp, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            notesApp = -1;
        // The laptop the hardware screen describes, the same on every machine the tour runs on.
        test::writeIntelLaptop(dir / "machine");
        if (inEnglish)
            english.loadEnglish();
        else
            english.loadChinese();
        QCoreApplication::installTranslator(&english);
    }
    ~EnglishMachine()
    {
        if (notesApp > 0) {
            ::kill(notesApp, SIGKILL);
            ::waitpid(notesApp, nullptr, 0);
        }
        QCoreApplication::removeTranslator(&english);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("CORVANE_HELPER_SOCKET");
        Layout::setCurrent(Layout::linuxLayout());
    }

    AppDelegate::Environment environment()
    {
        AppDelegate::Environment env;
        env.bundlePath = bundle;
        env.home = home;
        env.sysRoot = dir.path();
        env.languages = {inEnglish ? QStringLiteral("en-GB") : QStringLiteral("zh-CN")};
        env.runCommand = [](const std::string&) {};
        env.alert = [](const QString&) {};
        env.openUrl = [](const QUrl&) { return true; };
        env.startDetached = [](const QString&, const QStringList&) { return true; };
        env.userJobs = [] { return std::vector<QVariantMap>(); };
        env.terminate = [] {};
        return env;
    }
};

// Closes the window-modal question or alert a screen opened, once it is up.
void closeAlert(const QPointer<QMessageBox>& box)
{
    if (box)
        box->close();
    QApplication::processEvents();
}

// Opens the window and walks every screen through its states, calling `at` at each.
void tourScreens(EnglishMachine& machine, const std::function<void(AppDelegate&, const QString&)>& at)
{
    AppDelegate app(machine.environment(), machine.noWeb);
    ASSERT_TRUE(app.applicationDidFinishLaunching());
    auto look = [&](const QString& stage) { at(app, stage); };
    look(QStringLiteral("launch"));

    // Every screen as it opens. The hardware screen reads the fixture laptop; only it, as
    // the process list reads the real /proc for the running application.
    for (int pindex = 1; pindex <= 10; ++pindex) {
        if (pindex == 10) {
            setenv("CORVANE_SYS", (machine.dir / "machine/sys").c_str(), 1);
            setenv("CORVANE_PROC", (machine.dir / "machine/proc").c_str(), 1);
        }
        showScreen<QWidget>(app, pindex);
        unsetenv("CORVANE_SYS");
        unsetenv("CORVANE_PROC");
        look(QStringLiteral("screen %1").arg(pindex));
    }

    // Junk: scanning, the results, a category's details, cleaning and its end.
    auto* junk = showScreen<SystemCleanView>(app, 1);
    ASSERT_TRUE(junk);
    press(junk->scanBtn());
    look(QStringLiteral("junk scanning"));
    ASSERT_TRUE(waitFor([&] { return junk->isStart() == SystemCleanSession::RunState::Scanned; }));
    look(QStringLiteral("junk results"));
    junk->showResultView(0);
    ASSERT_TRUE(junk->resultView());
    look(QStringLiteral("junk details"));
    press(junk->resultView()->backButton());
    ASSERT_TRUE(waitFor([&] { return !junk->resultView(); }));
    press(junk->scanBtn());
    ASSERT_TRUE(waitFor([&] { return junk->isStart() == SystemCleanSession::RunState::Idle; }));
    look(QStringLiteral("junk cleaned"));

    // Duplicates: scanning, the results with their notes, the alert of an empty "删除".
    auto* dups = showScreen<DuplicatedFileView>(app, 8);
    ASSERT_TRUE(dups);
    ASSERT_FALSE(dups->session().list().empty());
    press(dups->scanButton());
    look(QStringLiteral("duplicates scanning"));
    ASSERT_TRUE(waitFor([&] { return dups->resultView() && !dups->resultView()->model().verifying(); }));
    QApplication::processEvents();
    look(QStringLiteral("duplicate results"));
    const auto ticked = dups->resultView()->model().deleteList(); // unticking changes the list
    for (const auto& object : ticked)
        dups->resultView()->selectBtnClicked(object->id, false);
    press(dups->resultView()->deleteButton());
    ASSERT_TRUE(waitFor([&] { return dups->resultView()->alertBox() && dups->resultView()->alertBox()->isVisible(); }));
    look(QStringLiteral("duplicates alert"));
    closeAlert(dups->resultView()->alertBox());
    press(dups->resultView()->backButton());

    // Large files: the results and the alert.
    auto* large = showScreen<LargeFilesView>(app, 9);
    ASSERT_TRUE(large);
    press(large->scanButton());
    ASSERT_TRUE(waitFor([&] { return large->resultView() != nullptr; }));
    QApplication::processEvents();
    look(QStringLiteral("large-file results"));
    press(large->resultView()->deleteButton());
    ASSERT_TRUE(
        waitFor([&] { return large->resultView()->alertBox() && large->resultView()->alertBox()->isVisible(); }));
    look(QStringLiteral("large-file alert"));
    closeAlert(large->resultView()->alertBox());

    // Startup items: the list, and the alert when nothing is ticked.
    auto* startup = showScreen<LoginItemViewController>(app, 2);
    ASSERT_TRUE(startup);
    ASSERT_TRUE(waitFor([&] { return !startup->isLoading() && startup->model()->rowCount() > 0; }));
    QApplication::processEvents();
    look(QStringLiteral("startup items"));
    press(startup->disableButton());
    ASSERT_TRUE(waitFor([&] { return startup->alertBox() && startup->alertBox()->isVisible(); }));
    look(QStringLiteral("startup alert"));
    closeAlert(startup->alertBox());

    // Memory: the chart, a release held up after 16 of its 40 blocks, and its end at the
    // floor. The blocks are one buffer handed out again and again: the tour eats nothing.
    auto* memory = showScreen<YVPopViewController>(app, 3);
    ASSERT_TRUE(memory);
    auto chunks = std::make_shared<test::FakeChunks>();
    ASSERT_TRUE(memory->setMemorySource(
        MemoryStatistics(machine.dir / "memory/proc", machine.dir / "memory/sys"), chunks));
    look(QStringLiteral("memory"));
    QSemaphore held;
    struct LetGo
    {
        QSemaphore& held;
        ~LetGo() { held.release(); } // a failed step must not leave the release waiting
    } letGo{held};
    chunks->beforeAllocation = [&held](int n) {
        if (n == 17)
            held.acquire();
    };
    press(memory->actionButton());
    ASSERT_TRUE(waitFor([&] { return memory->appleProgress()->value() == 15; }));
    QApplication::processEvents();
    look(QStringLiteral("memory releasing"));
    held.release();
    ASSERT_TRUE(waitFor([&] { return !memory->release().busy() && memory->actionButton()->isEnabled(); }));
    QApplication::processEvents();
    look(QStringLiteral("memory at the floor"));
    // Processes: a launched application in the list, and the alert when nothing is ticked.
    auto* processes = showScreen<SystemPerformanceAcceleration>(app, 4);
    ASSERT_TRUE(processes);
    ASSERT_TRUE(waitFor([&] {
        const auto& rows = processes->model()->listArray();
        return std::any_of(rows.begin(), rows.end(),
                           [](const SystemPerObject& r) { return r.desktopId == "org.example.Notes.desktop"; });
    }));
    QApplication::processEvents();
    look(QStringLiteral("processes"));
    press(processes->optimiseButton());
    ASSERT_TRUE(waitFor([&] { return processes->alertBox() && processes->alertBox()->isVisible(); }));
    look(QStringLiteral("processes alert"));
    closeAlert(processes->alertBox());

    // Hardware: the laptop's five sections, open.
    auto* hardware = showScreen<HardWare>(app, 10);
    ASSERT_TRUE(hardware);
    ASSERT_TRUE(waitFor([&] { return !hardware->isLoading() && hardware->model()->rowCount() == 5; }));
    QApplication::processEvents();
    look(QStringLiteral("hardware"));
    hardware->outline()->scrollToBottom();
    QApplication::processEvents();
    look(QStringLiteral("hardware disk and sensors"));

    // Applications: the list once loaded.
    auto* apps = showScreen<UninstallView>(app, 5);
    ASSERT_TRUE(apps);
    ASSERT_TRUE(waitFor([&] { return !apps->isLoading() && !apps->ret().empty(); }));
    QApplication::processEvents();
    look(QStringLiteral("applications"));

    // The leftover sheet of the application, one row unticked: the select-all box mixed.
    apps->uninstallApp(apps->ret().front().filePath);
    ASSERT_TRUE(waitFor([&] { return apps->sheet() && apps->sheet()->isVisible() && !apps->sheet()->model()->isLoading(); }));
    QApplication::processEvents();
    ASSERT_GE(apps->sheet()->model()->rowCount(), 3);
    apps->sheet()->model()->setChecked(1, false);
    QApplication::processEvents();
    look(QStringLiteral("leftover sheet"));
    apps->sheet()->cancel();
    QApplication::processEvents();

    // Plug-ins: the list, and the question asked before one is deleted.
    auto* plugins = showScreen<PlugView>(app, 6);
    ASSERT_TRUE(plugins);
    ASSERT_TRUE(waitFor([&] { return !plugins->isLoading() && !plugins->ret().empty(); }));
    QApplication::processEvents();
    look(QStringLiteral("plug-ins"));
    plugins->uninstallApp(plugins->ret().front().filePath);
    ASSERT_TRUE(waitFor([&] { return plugins->alertBox() && plugins->alertBox()->isVisible(); }));
    look(QStringLiteral("plug-in question"));
    closeAlert(plugins->alertBox());

    // Preference panes: a Linux system has none, and says so.
    auto* panes = showScreen<ConfigFilesView>(app, 7);
    ASSERT_TRUE(panes);
    ASSERT_TRUE(waitFor([&] { return !panes->isLoading(); }));
    QApplication::processEvents();
    look(QStringLiteral("no preference panes"));
}

// Saves the window at a stage when CORVANE_SCREENSHOTS names a folder.
void shoot(AppDelegate& app, const QString& language, const QString& stage)
{
    const char* dir = std::getenv("CORVANE_SCREENSHOTS");
    if (!dir)
        return;
    // Sheets and questions are windows of their own: drawn over the window as they show.
    QPixmap shot = app.window()->grab();
    QPainter painter(&shot);
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != app.window() && top->isVisible() && top->parentWidget()) {
            const QPixmap over = top->grab();
            painter.drawPixmap((shot.width() - over.width()) / 2, 60, over);
        }
    painter.end();
    shot.save(QStringLiteral("%1/%2-%3.png")
                                      .arg(QString::fromLocal8Bit(dir), language,
                                           QString(stage).replace(QLatin1Char(' '), QLatin1Char('-'))));
}

} // namespace

TEST(EnglishScreens, NoScreenShowsChineseInEnglish)
{
    EnglishMachine machine;
    ChineseFinder finder;
    tourScreens(machine, [&](AppDelegate& app, const QString& stage) {
        finder.look(stage);
        shoot(app, QStringLiteral("en"), stage);
    });
    EXPECT_TRUE(finder.found.isEmpty()) << finder.found.join(QLatin1Char('\n')).toStdString();
}

TEST(EnglishScreens, ChineseIsShownWhenChineseIsChosen)
{
    EnglishMachine machine(false);
    QStringList quiet;
    tourScreens(machine, [&](AppDelegate& app, const QString& stage) {
        ChineseFinder finder;
        finder.look(stage);
        if (finder.found.isEmpty())
            quiet << stage;
        shoot(app, QStringLiteral("zh"), stage);
    });
    EXPECT_TRUE(quiet.isEmpty()) << quiet.join(QLatin1Char(',')).toStdString();
}
