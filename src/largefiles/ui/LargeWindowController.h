// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>

namespace corvane {

class Layout;
class LargeFilesView;

// The large-file screen in a window of its own: a fresh folder view in a modal window;
// closing the window ends the modal run.
class LargeWindowController : public QDialog
{
    Q_OBJECT
public:
    explicit LargeWindowController(const Layout& layout, QWidget* parent = nullptr);

    LargeFilesView* largeView() const { return m_view.data(); }
    // Shows the window and returns when it is closed.
    int runModal();

private:
    QPointer<LargeFilesView> m_view;
};

} // namespace corvane
