// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <string>
#include <vector>

namespace corvane {

class Layout;
class QSWebServiceDelegate;
class RelatedWindowController;

// What the companion does with what arrives in the Trash.
//
// An application (a ".app" bundle folder, or on Linux an AppImage known by its content)
// gets a leftover window. Windows come one at a time, raised and activated: the next
// application's opens when the one before it closed, so there is never a modal loop
// inside another. An application with nothing to offer (it went away again, or no file of
// it is found) gets no window at all.
//
// This program itself is removed at once, without asking: its first-run marker, its
// files, its login item and its launcher, after which it reports the removal and asks to
// be ended. Only when no copy of it is installed any more, though: someone who dragged a
// spare copy to the Trash still has the program, and is asked like for any application.
// What is removed is looked up under this program's own names, never under what the
// trashed copy's information says.
class TrashedApplications : public QObject
{
    Q_OBJECT

public:
    // A bundle copied in from another disk arrives folder first; its information is read
    // again once after this long.
    static constexpr int kRereadDelayMs = 2000;

    // The layout must outlive the object. `reportDelegate` hears of the uninstall report's
    // request; it is not owned.
    TrashedApplications(const Layout& layout, QSWebServiceDelegate* reportDelegate, QObject* parent = nullptr);
    ~TrashedApplications() override;

    // Paths in the Trash, in the order they are handled.
    void processItems(const std::vector<std::string>& paths);

    // Scheme and host for the uninstall report; empty (the default) asks AppConfig.
    void setReportHost(const QString& host) { m_reportHost = host; }

    // The leftover window being loaded or shown, if any, and how many wait behind it.
    RelatedWindowController* currentWindow() const;
    size_t waitingCount() const { return m_waiting.size(); }
    bool isRemovingItself() const { return m_removingItself; }

signals:
    void windowShown(corvane::RelatedWindowController* window);
    // This program's removal is done and its report answered or failed: time to leave.
    void ownRemovalFinished();

private:
    void processItem(const std::string& path, bool isReread);
    void offerLeftovers(const std::string& path);
    void showNext();
    void windowDone(RelatedWindowController* window);
    bool ourCopyIsInstalled() const;
    void removeOurselves(const std::string& trashedBundle);
    void sendUninstallReport();

    const Layout& m_layout;
    QSWebServiceDelegate* m_reportDelegate;
    QString m_reportHost;
    std::deque<std::string> m_waiting;
    QPointer<RelatedWindowController> m_current;
    bool m_removingItself = false;
};

} // namespace corvane
