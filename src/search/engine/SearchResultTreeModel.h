// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractItemModel>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

namespace corvane {

// The outline both search result screens show: groups at the top, one row per file
// below, in six columns (name with its tick, path, a detail, a note, "打开", "删除").
// Subclasses own the groups and files and describe them row by row; this class turns that
// into a two-level Qt model and gives them the structural changes a view can follow row
// by row (a file or a group removed, the groups reordered) instead of a rebuild.
//
// A file's index carries the stable key of its group, not the group's position, so the
// indexes a view keeps of files stay right when groups above them go or move.
class SearchResultTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, PathColumn, InfoColumn, NoteColumn, OpenColumn, DeleteColumn, ColumnCount };
    enum Role {
        FileIdRole = Qt::UserRole + 1, // quint64 of a file row
        FilePathRole,                  // the path's bytes (QByteArray), for the icon
        DeletableRole,                 // the file row offers its own "删除"
        ToneRole,                      // the Tone the text is drawn in
        GroupRowRole,                  // true on group rows
    };
    // How a cell's text reads; the view picks the colours.
    enum class Tone { Plain, Quiet, Warn, Link };
    Q_ENUM(Tone)

    // One file row, as the subclass describes it.
    struct FileRow
    {
        uint64_t id = 0;
        bool checkable = false; // the tick box is offered
        bool deletable = false; // the row's "删除" is offered
        bool checked = false;
        std::string filePath;
        QString name;
        QString shownPath;
        QString info;
        QString note;
        bool noteWarns = false; // the note in the warning colour
    };
    // One group row.
    struct GroupRow
    {
        QString name;
        std::string iconPath; // the file whose icon the group shows; empty for none
        QString path;
        QString info;
        QString note;
    };

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The row of a file, in `column`; invalid once the file has left the list.
    QModelIndex indexOfFile(uint64_t id, int column = NameColumn) const;

protected:
    explicit SearchResultTreeModel(QObject* parent);

    virtual int groupCount() const = 0;
    virtual int fileCount(int group) const = 0;
    // Stays with the group while it lives, whatever its position; never 0.
    virtual uint64_t groupKey(int group) const = 0;
    virtual GroupRow groupRow(int group) const = 0;
    virtual FileRow fileRow(int group, int file) const = 0;
    // The file's group key and its position in that group.
    virtual std::optional<std::pair<uint64_t, int>> locateFile(uint64_t id) const = 0;
    // The tick box of a file row was set by the person.
    virtual void fileChecked(uint64_t id, bool on) = 0;

    // Structural changes, each doing its change inside the matching begin/end pair.
    void resetGroups(const std::function<void()>& rebuild);
    void reorderGroups(const std::function<void()>& reorder);
    void removeFileRow(int group, int file, const std::function<void()>& erase);
    void removeGroupRow(int group, const std::function<void()>& erase);
    void fileRowChanged(uint64_t id);
    void groupRowChanged(int group);
    // The group's current position, or -1.
    int groupPosition(uint64_t key) const;

private:
    void indexGroups();
    // A view asks for a dozen roles of one cell in a row: the row is described once.
    const FileRow& describedRow(uint64_t groupKey, int group, int file) const;
    void forgetDescribedRow() const { m_described.reset(); }

    std::unordered_map<uint64_t, int> m_groupPositions;
    struct Described
    {
        uint64_t groupKey;
        int file;
        FileRow row;
    };
    mutable std::optional<Described> m_described;
};

} // namespace corvane
