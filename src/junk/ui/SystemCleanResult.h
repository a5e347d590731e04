// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "junk/engine/SystemCleanObject.h"
#include "junk/engine/SystemCleanResultModel.h"
#include "toolkit/ReadableOutline.h"

#include <QWidget>

class QLabel;
class QModelIndex;
class QPushButton;

namespace corvane {

class SystemCleanResultVCDelegate;

// The details overlay of one junk category: its result tree (SystemCleanResultModel) in
// an outline with tri-state checkboxes, sizes and a "显示" link per item that reveals it.
// Laid over the clean screen; "返回" takes it away. Every tick is told to the delegate.
class SystemCleanResult : public QWidget
{
    Q_OBJECT

public:
    // Column identifiers of the outline.
    static constexpr int kNameColumn = SystemCleanResultModel::NameColumn;
    static constexpr int kSizeColumn = SystemCleanResultModel::SizeColumn;
    static constexpr int kOpenColumn = SystemCleanResultModel::OpenColumn;

    static SystemCleanResult* demoView(QWidget* parent = nullptr);
    explicit SystemCleanResult(QWidget* parent = nullptr);

    void setDelegate(SystemCleanResultVCDelegate* delegate) { m_delegate = delegate; }
    // Loads the outline from the category and expands its top-level groups.
    void setSystemObject(SystemCleanObject::Ptr object);
    const SystemCleanObject::Ptr& systemObject() const { return m_model->systemObject(); }

    ReadableOutline* outline() const { return m_outline; }
    SystemCleanResultModel* model() const { return m_model; }
    QPushButton* backButton() const { return m_back; }
    // The node an outline row shows; null for an index of another model.
    static UserCachesSubObject* nodeOf(const QModelIndex& index);

    // A click on a row's checkbox; `on` is the box's new value.
    void selectBtnClicked(const QModelIndex& index, bool on);
    // Reveals an item in the file manager, in its folder.
    void openFile(const UserCachesSubObject& node);

signals:
    void closed();

private:
    SystemCleanResultVCDelegate* m_delegate = nullptr;
    SystemCleanResultModel* m_model;
    QLabel* m_title;
    ReadableOutline* m_outline;
    QPushButton* m_back;
};

} // namespace corvane
