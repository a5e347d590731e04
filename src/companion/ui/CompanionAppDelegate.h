// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace corvane::companion {

// The companion's application delegate: it runs for the whole session without a window
// of its own. The Trash watcher, the update installation and the leftover window hang
// off applicationDidFinishLaunching as they arrive.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit AppDelegate(QObject* parent = nullptr);

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    bool isRunning() const { return m_running; }

private:
    bool m_running = false;
};

} // namespace corvane::companion
