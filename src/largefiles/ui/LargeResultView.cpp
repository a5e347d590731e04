// SPDX-License-Identifier: GPL-3.0-or-later
#include "largefiles/ui/LargeResultView.h"

namespace corvane {

static_assert(int(LargeResultView::SizeColumn) == int(SearchResultView::InfoColumn) &&
              int(LargeResultView::ColumnCount) == int(SearchResultView::ColumnCount));

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
    showModel(m_model);
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

QString LargeResultView::statusText() const
{
    QString text = m_model->resultText();
    return text.isEmpty() ? removalText() : text;
}

void LargeResultView::selectBtnClicked(uint64_t id, bool state)
{
    if (LargeResultModel::ObjectPtr object = m_model->objectById(id))
        m_model->selectBtnClicked(object, state);
}

std::optional<std::string> LargeResultView::filePath(uint64_t id) const
{
    if (LargeResultModel::ObjectPtr object = m_model->objectById(id))
        return object->filePath;
    return std::nullopt;
}

void LargeResultView::removeFile(uint64_t id)
{
    if (LargeResultModel::ObjectPtr object = m_model->objectById(id))
        m_model->deleteFile(object);
}

} // namespace corvane
