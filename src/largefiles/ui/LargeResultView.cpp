// SPDX-License-Identifier: GPL-3.0-or-later
#include "largefiles/ui/LargeResultView.h"

#include "common/QSFileUtility.h"

#include <QTreeWidget>

namespace corvane {

static_assert(int(LargeResultView::SizeColumn) == int(SearchResultView::InfoColumn) &&
              int(LargeResultView::ColumnCount) == int(SearchResultView::ColumnCount));

namespace {

SearchResultView::FileRow fileRow(const LargeFileObject& object)
{
    return {object.id,
            !object.removing,
            !object.removing,
            object.state,
            object.filePath,
            object.fileName(),
            object.shownPath(),
            QSFileUtility::fileSizeByDoubleSize(object.fileSize),
            object.note,
            !object.removing};
}

} // namespace

LargeResultView* LargeResultView::demoView(const Layout& layout, QWidget* parent)
{
    return new LargeResultView(layout, parent);
}

LargeResultView::LargeResultView(const Layout& layout, QWidget* parent)
    : SearchResultView({QStringLiteral("LargeResultView"),
                        QStringLiteral("大文件1.png"),
                        tr("大文件清理"),
                        {tr("按文件大小排序"), tr("按文件类别排序")},
                        90,
                        140},
                       parent),
      m_model(new LargeResultModel(layout, this))
{
    connect(m_model, &LargeResultModel::listChanged, this, [this] { reloadOutline(); });
    connect(m_model, &LargeResultModel::objectChanged, this, [this](quint64 id) { updateRow(id); });
    connect(m_model, &LargeResultModel::removalFinished, this, [this](int, int kept) { removalFinished(kept); });
}

LargeResultView::~LargeResultView()
{
    // The model goes while the rows it reports to, and this view's own part, still exist.
    delete m_model;
}

void LargeResultView::set_reustlist(std::vector<LargeHit> hits)
{
    m_model->set_reustlist(std::move(hits));
}

void LargeResultView::reloadList()
{
    m_model->reloadList();
}

LargeResultModel::ObjectPtr LargeResultView::objectById(uint64_t id) const
{
    for (const auto& group : m_model->list())
        for (const auto& object : group)
            if (object->id == id)
                return object;
    return nullptr;
}

void LargeResultView::fillOutline()
{
    for (const auto& group : m_model->list()) {
        // "LargeCell": the range of the group's last file.
        QTreeWidgetItem* groupItem = addGroupRow();
        groupItem->setText(NameColumn, group.back()->fileRange);
        for (const auto& object : group)
            addFileRow(groupItem, fileRow(*object));
    }
}

void LargeResultView::refillRow(QTreeWidgetItem* item, uint64_t id)
{
    if (LargeResultModel::ObjectPtr object = objectById(id))
        fillFileRow(item, fileRow(*object));
}

QString LargeResultView::statusText() const
{
    QString text = m_model->resultText();
    return text.isEmpty() ? removalText() : text;
}

void LargeResultView::selectBtnClicked(uint64_t id, bool state)
{
    if (LargeResultModel::ObjectPtr object = objectById(id))
        m_model->selectBtnClicked(object, state);
}

std::optional<std::string> LargeResultView::filePath(uint64_t id) const
{
    if (LargeResultModel::ObjectPtr object = objectById(id))
        return object->filePath;
    return std::nullopt;
}

void LargeResultView::removeFile(uint64_t id)
{
    if (LargeResultModel::ObjectPtr object = objectById(id))
        m_model->deleteFile(object);
}

} // namespace corvane
