// SPDX-License-Identifier: GPL-3.0-or-later
#include "companion/ui/TrashedApplications.h"

#include "common/AppConfig.h"
#include "common/Dispatch.h"
#include "common/ThreadHandOff.h"
#include "companion/ui/RelatedWindowController.h"
#include "platform/AutostartEntry.h"
#include "platform/Bundle.h"
#include "platform/DesktopApps.h"
#include "platform/FileChecks.h"
#include "platform/Layout.h"
#include "platform/LogCategories.h"
#include "platform/UniqueFd.h"
#include "uninstall/engine/LeftoverListModel.h"
#include "uninstall/engine/RelatedAppFilesScanner.h"
#include "uninstall/engine/Uninstall.h"
#include "web/engine/QSWebService.h"

#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

// The marker makes the next installation a first run again. Removed as the entry it is:
// a link of that name goes, what it points to stays; a folder of that name is not ours.
void removeFirstRunMarker(const std::string& home)
{
    UniqueFd folder(::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        return;
    struct stat st;
    if (::fstatat(folder.get(), AppConfig::kFirstRunMarker, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISDIR(st.st_mode))
        return;
    if (::unlinkat(folder.get(), AppConfig::kFirstRunMarker, 0) != 0)
        qCDebug(lcCompanion) << "marker kept:" << logLine(joinPath(home, AppConfig::kFirstRunMarker), errno);
}

// Runs off the main thread: the search for files can take a while, and the companion
// answers other requests meanwhile.
void removeOwnFiles(const Layout& layout, const std::string& trashedBundle)
{
    if (const auto home = layout.path(Layout::Role::Home))
        removeFirstRunMarker(*home);

    RelatedAppFilesScanner::Names names;
    names.kind = RelatedAppFilesScanner::Kind::Bundle;
    names.name = AppConfig::kMainProgramName;
    names.identifier = AppConfig::kMainIdentifier;
    const Uninstall uninstall(layout);
    for (const Item& item : RelatedAppFilesScanner::relatedFilesToApplicationAtPath(trashedBundle, names, layout)) {
        const Uninstall::Outcome outcome = uninstall.unInstall(item.path());
        if (outcome != Uninstall::Outcome::Removed && outcome != Uninstall::Outcome::Absent)
            qCDebug(lcCompanion) << "not removed by us:" << logLine(item.path(), 0) << int(outcome);
    }

    // The login item starts the companion from the bundle that is gone now, and the
    // launcher the program: both would point at nothing.
    if (const auto autostart = layout.path(Layout::Role::UserAutostart))
        AutostartEntry::remove(*autostart, AppConfig::kCompanionIdentifier);
    if (!layout.isMac())
        AutostartEntry::remove(joinPath(layout.xdgDataHome(), "applications"), AppConfig::kMainIdentifier);
}

// Removing without asking is kept to a bundle folder that really lies in the Trash. A
// Trash reached through a link (to the home folder, say) lists whatever is there, and a
// link of a bundle's name may point anywhere: those only ever get the window.
bool reallyInTheTrash(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    const std::string folder = parentPath(path);
    char* resolved = ::realpath(folder.c_str(), nullptr);
    const bool direct = resolved && folder == resolved;
    std::free(resolved);
    return direct;
}

} // namespace

TrashedApplications::TrashedApplications(const Layout& layout, QSWebServiceDelegate* reportDelegate, QObject* parent)
    : QObject(parent), m_layout(layout), m_reportDelegate(reportDelegate)
{}

TrashedApplications::~TrashedApplications()
{
    delete m_current;
}

RelatedWindowController* TrashedApplications::currentWindow() const
{
    return m_current;
}

void TrashedApplications::processItems(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        processItem(path, false);
}

void TrashedApplications::processItem(const std::string& path, bool isReread)
{
    // Once the program is being removed, the companion is on its way out.
    if (m_removingItself || !FileChecks::existsNoFollow(path))
        return;

    if (pathExtension(path) != "app") {
        if (!m_layout.isMac() && DesktopApps::looksLikeAppImage(path))
            offerLeftovers(path);
        return;
    }

    const std::optional<BundleInfo> info = Bundle::read(path);
    if (!info && !isReread && FileChecks::isDirectory(path)) {
        QTimer::singleShot(kRereadDelayMs, this, [this, path] { processItem(path, true); });
        return;
    }
    if (info && info->identifier == QLatin1String(AppConfig::kMainIdentifier) && !ourCopyIsInstalled() &&
        reallyInTheTrash(path)) {
        removeOurselves(path);
        return;
    }
    offerLeftovers(path);
}

bool TrashedApplications::ourCopyIsInstalled() const
{
    const auto installed = m_layout.path(Layout::Role::MainBundle);
    return installed && FileChecks::existsNoFollow(*installed);
}

void TrashedApplications::offerLeftovers(const std::string& path)
{
    const bool known = (m_current && m_current->filePath() == path) ||
                       std::find(m_waiting.begin(), m_waiting.end(), path) != m_waiting.end();
    if (known)
        return;
    m_waiting.push_back(path);
    showNext();
}

void TrashedApplications::showNext()
{
    while (!m_current && !m_waiting.empty()) {
        const std::string path = m_waiting.front();
        m_waiting.pop_front();
        if (!FileChecks::existsNoFollow(path))
            continue; // put back or deleted while it waited

        auto* window = new RelatedWindowController(m_layout);
        m_current = window;
        // Shown only once its list is known: a list without a single file is no offer.
        connect(window->model(), &LeftoverListModel::loaded, window, [this, window] {
            if (window->isVisible())
                return;
            if (window->model()->rowCount() == 0) {
                windowDone(window);
                return;
            }
            window->show();
            window->raise();
            window->activateWindow();
            emit windowShown(window);
        });
        connect(window, &QDialog::finished, this, [this, window] { windowDone(window); });
        window->setApplicationPath(path);
    }
}

void TrashedApplications::windowDone(RelatedWindowController* window)
{
    window->hide();
    window->deleteLater();
    if (m_current == window)
        m_current = nullptr;
    // From the event loop, not from inside the closing window's own signal.
    QTimer::singleShot(0, this, [this] { showNext(); });
}

void TrashedApplications::removeOurselves(const std::string& trashedBundle)
{
    m_removingItself = true;
    m_waiting.clear();
    QPointer<TrashedApplications> self(this);
    const Layout* layout = &m_layout;
    Dispatch::global(ThreadHandOff::handedOver([self, layout, trashedBundle] {
        removeOwnFiles(*layout, trashedBundle);
        Dispatch::main(ThreadHandOff::handedOver([self] {
            if (self)
                self->sendUninstallReport();
        }));
    }));
}

void TrashedApplications::sendUninstallReport()
{
    const QString host = m_reportHost.isEmpty() ? AppConfig::webServiceHost() : m_reportHost;
    auto* service = new QSWebService(this);
    service->setDelegate(m_reportDelegate);
    service->setUrl(QUrl(host + QStringLiteral("/uninstallreport.php?action=corvanetidewell")));
    // The answer is not read; its end, or the failure, is only the signal to leave. The
    // delegate hears of it first.
    service->setWebServiceBlock([this, service](const WebResponse*, const WebError* error, const QByteArray* body) {
        if (!error && !body)
            return;
        service->deleteLater();
        QTimer::singleShot(0, this, [this] { emit ownRemovalFinished(); });
    });
    service->startAsynchronous();
}

} // namespace corvane
