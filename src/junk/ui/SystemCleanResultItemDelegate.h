// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QIcon>
#include <QStyledItemDelegate>

namespace corvane {

// Draws the details overlay's rows (SystemCleanResultModel) with what only the widgets
// side has: an item's file-type icon beside its name, group names in bold, and "显示" in
// the link colour. Checkboxes, texts and clicks on the boxes are the base delegate's.
class SystemCleanResultItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit SystemCleanResultItemDelegate(QObject* parent = nullptr);

    // Forgets which icon each path had: a new tree may hold other entries by those names.
    void forgetPaths() { m_pathIcons.clear(); }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    // The icon of the entry's type: a folder, or the type its name suggests.
    QIcon iconFor(const QByteArray& path, const QWidget* widget) const;

    // By MIME type, shared by every entry of that type.
    mutable QHash<QString, QIcon> m_icons;
    // By path, so that repainting a row never looks at the disk again.
    mutable QHash<QByteArray, QIcon> m_pathIcons;
};

} // namespace corvane
