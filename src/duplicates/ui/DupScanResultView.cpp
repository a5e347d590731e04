// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/ui/DupScanResultView.h"

#include "toolkit/FileIcon.h"

#include <QTreeWidget>

namespace corvane {

static_assert(int(DupScanResultView::InfoColumn) == int(SearchResultView::InfoColumn) &&
              int(DupScanResultView::ColumnCount) == int(SearchResultView::ColumnCount));

DupScanResultView* DupScanResultView::demoView(const Layout& layout, QWidget* parent)
{
    return new DupScanResultView(layout, parent);
}

DupScanResultView::DupScanResultView(const Layout& layout, QWidget* parent)
    : SearchResultView({QStringLiteral("DupScanResultView"),
                        QStringLiteral("重复文件1.png"),
                        tr("重复文件查找"),
                        {tr("按文件大小排序"), tr("按文件数量排序"), tr("按文件类别排序")},
                        150,
                        150},
                       parent),
      m_model(new DupScanResultModel(layout, this))
{
    connect(m_model, &DupScanResultModel::listChanged, this, [this] { reloadOutline(); });
    connect(m_model, &DupScanResultModel::objectChanged, this, [this](quint64 id) { updateRow(id); });
    connect(m_model, &DupScanResultModel::verificationProgress, this, [this] { updateStatus(); });
    connect(m_model, &DupScanResultModel::removalFinished, this, [this](int, int kept) { removalFinished(kept); });
}

DupScanResultView::~DupScanResultView()
{
    // The model goes while the rows it reports to, and this view's own part, still exist.
    delete m_model;
}

void DupScanResultView::setResultList(std::vector<DuplicateGroupRecord> records)
{
    m_model->setResultList(std::move(records));
    updateStatus();
}

void DupScanResultView::fillGroupRow(QTreeWidgetItem* item, const DupScanResultModel::Group& group)
{
    const DupScanReultObject& last = *group.members.back();
    item->setIcon(NameColumn, FileIcon::iconForPath(last.filePath));
    item->setText(NameColumn, last.title());
    item->setText(PathColumn, DupScanResultModel::typeText(group));
    item->setText(InfoColumn, DupScanResultModel::sizeText(last.filesize));
    item->setText(NoteColumn, DupScanResultModel::countText(last.count));
}

SearchResultView::FileRow DupScanResultView::memberRow(const DupScanReultObject& object) const
{
    using Check = DupScanReultObject::Check;
    QString note = object.note;
    if (note.isEmpty() && object.check == Check::Pending)
        note = tr("正在校验…");
    if (note.isEmpty() && object.check == Check::Identical)
        note = tr("内容相同");
    const bool warns = object.check == Check::Differs || object.check == Check::SameFile ||
                       (!object.removing && object.note.startsWith(tr("删除失败")));
    return {object.id,
            object.removable(),
            object.deletable(),
            object.state == 1,
            object.filePath,
            object.fileName(),
            object.shownPath(),
            object.creationDate,
            note,
            warns};
}

void DupScanResultView::fillOutline()
{
    for (const DupScanResultModel::Group& group : m_model->list()) {
        QTreeWidgetItem* groupItem = addGroupRow();
        fillGroupRow(groupItem, group);
        for (const auto& object : group.members)
            addFileRow(groupItem, memberRow(*object));
    }
}

void DupScanResultView::refillRow(QTreeWidgetItem* item, uint64_t id)
{
    // Group rows change only with the groups themselves (listChanged rebuilds them).
    if (DupScanResultModel::ObjectPtr object = m_model->objectById(id))
        fillFileRow(item, memberRow(*object));
}

QString DupScanResultView::statusText() const
{
    if (m_model->list().empty())
        return tr("未扫描出数据");
    QString text = removalText();
    if (text.isEmpty() && m_model->verifying())
        text = tr("正在逐字节校验重复文件 %1/%2").arg(m_model->verifiedGroups()).arg(m_model->totalGroups());
    return text;
}

void DupScanResultView::selectBtnClicked(uint64_t id, int state)
{
    m_lastKept = 0;
    m_model->selectBtnClicked(m_model->objectById(id), state);
}

QString DupScanResultView::removalQuestion(uint64_t id) const
{
    const DupScanResultModel::ObjectPtr object = m_model->objectById(id);
    if (!object || !object->deletable() || !object->confirmationNeeded())
        return QString();
    if (object->check == DupScanReultObject::Check::Differs)
        return tr("此文件的内容与保留的文件不同。仍要删除吗？");
    return tr("无法完整比较此文件与保留的文件。仍要删除吗？");
}

std::optional<std::string> DupScanResultView::filePath(uint64_t id) const
{
    if (auto object = m_model->objectById(id))
        return object->filePath;
    return std::nullopt;
}

} // namespace corvane
