// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

namespace corvane {

// Turns the process's termination signals into a Qt signal on the thread that owns the
// watcher, so the program ends through its event loop instead of dying mid-work. The
// handler only writes the signal number to a pipe; everything else happens in the loop.
class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

    // Starts catching these signals. False when the pipe or a handler could not be set up.
    bool watch(std::initializer_list<int> signalNumbers);

signals:
    void received(int signalNumber);

private:
    void drain();
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace corvane
