// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "uninstall/engine/RelatedAppFilesScanner.h"

#include <QAbstractListModel>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvane {

class Layout;
class SerialQueue;

// The list behind both leftover windows: an application, the files it left, their
// sizes, which are ticked, and removing the ticked ones. Finding and measuring the files
// and removing them run on a queue of the model's own; only the main thread touches the
// rows, and a load that was overtaken by a newer one is dropped when it arrives.
//
// The summary (how many files, how much space) is worked out once per load, counting a
// file once even when two rows name it or a listed folder holds it; ticking rows does not
// change it.
class LeftoverListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        PathRole = Qt::UserRole + 1, // QByteArray, the path's bytes
        FolderLineRole,              // the containing folder, as shown
        SizeRole,                    // quint64 bytes of the entry itself (a link: the link)
        SizeTextRole,
        NoteRole,   // why a row stayed after a removal, as shown; empty otherwise
        ReasonRole, // the same for scripts: "", "not-removed" or "still-running"
    };

    // The companion removes what is ticked and nothing else; the main program's sheet
    // first ends the application's processes and afterwards takes it off the favourites.
    enum class Mode { Companion, Sheet };

    LeftoverListModel(const Layout& layout, Mode mode, QObject* parent = nullptr);
    ~LeftoverListModel() override;

    // Starts finding the application's files. Rows already shown go at once.
    void load(const std::string& applicationPath);
    bool isLoading() const { return m_loading; }
    bool isRemoving() const { return m_removing; }
    const std::string& applicationPath() const { return m_applicationPath; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const Item& item(int row) const { return m_rows[size_t(row)].item; }
    void setChecked(int row, bool checked);
    // 1 all ticked, 0 none (or no rows), -1 some.
    int selectAllState() const;
    // The select-all box was clicked and now shows `boxState`: a mixed box becomes on, and
    // every row takes the box's state. Returns the state the box shows.
    int selectAllClicked(int boxState);

    // "存在 N 个相关文件,强力卸载可节省 SIZE 空间", from the last load.
    QString summaryText() const;
    int summaryCount() const { return m_summaryCount; }
    uint64_t summaryBytes() const { return m_summaryBytes; }

    // Removes the ticked rows, in list order, off the main thread; false when nothing is
    // ticked or a removal or load is under way. Rows that went leave the list; the others
    // stay, unticked, with the reason as their note.
    bool removeTicked();

    // Where the sheet looks for the application's processes; the kernel's own /proc is
    // still what ending one goes through.
    void setProcRoot(std::string procRoot) { m_procRoot = std::move(procRoot); }
    // How long the application gets to end before nothing is removed.
    void setStopWait(int milliseconds) { m_stopWaitMs = milliseconds; }

    // Blocks until the queue is idle and its results were applied; for tests and benches.
    void waitForIdle();

signals:
    void loaded();
    void selectAllStateChanged(int state);
    // `returnCode` is 1 when the application itself is gone, else 0; `kept` the rows that
    // stayed.
    void removalFinished(int returnCode, int kept);

private:
    struct Row
    {
        Item item;
        uint64_t size = 0;
        QString note;
        QString reason;
    };
    struct Loaded;
    struct Removed;

    void applyLoad(uint64_t generation, std::shared_ptr<Loaded> result);
    void applyRemoved(uint64_t generation, const std::vector<Removed>& batch);
    void finishRemoval(uint64_t generation, int returnCode);
    int rowOf(size_t serial) const;

    const Layout& m_layout;
    Mode m_mode;
    std::string m_applicationPath;
    std::vector<Row> m_rows;
    std::vector<size_t> m_serials; // parallel to m_rows: the row's place in the load
    int m_summaryCount = 0;
    uint64_t m_summaryBytes = 0;
    uint64_t m_generation = 0;
    bool m_loading = false;
    bool m_removing = false;
    int m_kept = 0;
    std::string m_procRoot = "/proc";
    int m_stopWaitMs = 5000;
    std::shared_ptr<std::atomic<uint64_t>> m_current; // the generation workers should serve
    std::unique_ptr<SerialQueue> m_queue;
};

} // namespace corvane
