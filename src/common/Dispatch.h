// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace corvane {

// Where work runs. Long work goes to the global pool; everything that touches a widget
// is queued back to the main thread.
namespace Dispatch {

// Runs fn on the global thread pool (QThreadPool::globalInstance()).
void global(std::function<void()> fn);
// Queues fn to the main thread's event loop; runs it at once when there is no
// application object (command-line use without an event loop).
void main(std::function<void()> fn);
// True on the thread that owns the application object.
bool isMainThread();

} // namespace Dispatch

} // namespace corvane
