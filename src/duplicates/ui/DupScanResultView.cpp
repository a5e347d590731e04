// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/ui/DupScanResultView.h"

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
    showModel(m_model);
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

QString DupScanResultView::statusText() const
{
    if (m_model->list().empty())
        return tr("未扫描出数据");
    QString text = removalText();
    if (text.isEmpty() && m_model->verifying())
        text = tr("正在逐字节校验重复文件 %1/%2").arg(m_model->verifiedGroups()).arg(m_model->totalGroups());
    return text;
}

void DupScanResultView::selectBtnClicked(uint64_t id, bool on)
{
    m_lastKept = 0;
    m_model->selectBtnClicked(m_model->objectById(id), on);
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
