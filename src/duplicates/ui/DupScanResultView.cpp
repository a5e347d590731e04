#include "duplicates/ui/DupScanResultView.h"

#include "toolkit/Artwork.h"
#include "toolkit/FileIcon.h"
#include "toolkit/FileReveal.h"
#include "toolkit/GlowAnimation.h"

#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace corvane {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;
const QColor kDiffers(200, 60, 40);
const QColor kLink(45, 140, 240);

QPushButton* blueButton(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setCursor(Qt::PointingHandCursor);
    b->setMinimumSize(90, 34);
    b->setStyleSheet(QStringLiteral("QPushButton { background: #2d8cf0; color: white; border: none;"
                                    " border-radius: 17px; font-size: 14px; padding: 4px 18px; }"
                                    " QPushButton:hover { background: #4aa0f5; }"));
    return b;
}

} // namespace

DupScanResultView* DupScanResultView::demoView(QWidget* parent)
{
    return new DupScanResultView(parent);
}

DupScanResultView::DupScanResultView(QWidget* parent) : QWidget(parent), m_model(new DupScanResultModel(this))
{
    setObjectName(QStringLiteral("DupScanResultView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(232, 232, 232));
    setPalette(pal);

    m_image = new QLabel(this);
    m_image->setPixmap(Artwork::image(QStringLiteral("重复文件1.png")).scaled(48, 48, Qt::KeepAspectRatio,
                                                                          Qt::SmoothTransformation));
    m_glow = new GlowAnimation(m_image, this);
    m_title = new QLabel(tr("重复文件查找"), this);
    QFont tf = m_title->font();
    tf.setPointSize(16);
    tf.setBold(true);
    m_title->setFont(tf);
    m_resultText = new QLabel(this);
    m_resultText->setObjectName(QStringLiteral("result_text"));
    m_resultText->setStyleSheet(QStringLiteral("color: #606060;"));

    m_sortBox = new QComboBox(this);
    m_sortBox->setObjectName(QStringLiteral("sortBox"));
    m_sortBox->addItems({tr("按文件大小排序"), tr("按文件数量排序"), tr("按文件类别排序")});
    m_sortBox->setPlaceholderText(tr("按文件大小排序"));
    m_sortBox->setCurrentIndex(0);
    m_backBtn = blueButton(tr("返回"), "backButton", this);
    m_deleteBtn = blueButton(tr("删除"), "deleteButton", this);

    m_outline = new QTreeWidget(this);
    m_outline->setObjectName(QStringLiteral("outline"));
    m_outline->setColumnCount(ColumnCount);
    m_outline->setHeaderHidden(true);
    m_outline->setRootIsDecorated(true);
    m_outline->setUniformRowHeights(true);
    m_outline->setSelectionMode(QAbstractItemView::NoSelection);
    m_outline->setFocusPolicy(Qt::NoFocus);
    m_outline->setIconSize(QSize(24, 24));
    m_outline->header()->setStretchLastSection(false);
    m_outline->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_outline->header()->setSectionResizeMode(PathColumn, QHeaderView::Interactive);
    m_outline->setColumnWidth(PathColumn, 250);
    m_outline->setColumnWidth(InfoColumn, 150);
    m_outline->setColumnWidth(NoteColumn, 150);
    m_outline->setColumnWidth(OpenColumn, 44);
    m_outline->setColumnWidth(DeleteColumn, 44);
    m_outline->setStyleSheet(QStringLiteral("QTreeWidget { background: white; border: none; border-radius: 6px; }"
                                            " QTreeWidget::item { height: 32px; }"));

    connect(m_sortBox, &QComboBox::activated, this, [this](int index) { m_model->setSortKind(index); });
    connect(m_backBtn, &QPushButton::clicked, this, [this] { backView(); });
    connect(m_deleteBtn, &QPushButton::clicked, this, [this] { deleteAllFile(); });
    connect(m_outline, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_filling || column != NameColumn || !item->parent())
            return;
        selectBtnClicked(item->data(NameColumn, kIdRole).toULongLong(),
                         item->checkState(NameColumn) == Qt::Checked ? 1 : 0);
    });
    connect(m_outline, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int column) {
        if (!item->parent())
            return;
        const uint64_t id = item->data(NameColumn, kIdRole).toULongLong();
        if (column == OpenColumn)
            openFile(id);
        else if (column == DeleteColumn)
            deleteFile(id);
    });
    connect(m_model, &DupScanResultModel::listChanged, this, [this] { reloadOutline(); });
    connect(m_model, &DupScanResultModel::objectChanged, this, [this](quint64 id) { updateMember(id); });
    connect(m_model, &DupScanResultModel::verificationProgress, this, [this] { updateStatus(); });
    connect(m_model, &DupScanResultModel::removalFinished, this, [this](int, int kept) {
        m_lastKept = kept;
        updateStatus();
    });

    auto* top = new QHBoxLayout;
    top->addWidget(m_image);
    auto* heading = new QVBoxLayout;
    heading->addWidget(m_title);
    heading->addWidget(m_resultText);
    top->addLayout(heading, 1);
    top->addWidget(m_sortBox);
    top->addSpacing(8);
    top->addWidget(m_backBtn);
    top->addWidget(m_deleteBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(14);
    layout->addLayout(top);
    layout->addWidget(m_outline, 1);

    m_glow->start();
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
    QFont f = item->font(NameColumn);
    f.setBold(true);
    item->setFont(NameColumn, f);
}

void DupScanResultView::fillMemberRow(QTreeWidgetItem* item, const DupScanReultObject& object)
{
    using Check = DupScanReultObject::Check;
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (object.removable())
        flags |= Qt::ItemIsUserCheckable;
    item->setFlags(flags);
    item->setData(NameColumn, kIdRole, QVariant::fromValue<qulonglong>(object.id));
    item->setCheckState(NameColumn, object.state == 1 ? Qt::Checked : Qt::Unchecked);
    item->setIcon(NameColumn, FileIcon::iconForPath(object.filePath));
    item->setText(NameColumn, object.fileName());
    item->setText(PathColumn, object.shownPath());
    item->setToolTip(PathColumn, QFile::decodeName(QByteArray::fromStdString(object.filePath)));
    item->setText(InfoColumn, object.creationDate);
    QString note = object.note;
    if (note.isEmpty() && object.check == Check::Pending)
        note = tr("正在校验…");
    if (note.isEmpty() && object.check == Check::Identical)
        note = tr("内容相同");
    item->setText(NoteColumn, note);
    item->setToolTip(NoteColumn, note);
    item->setForeground(NoteColumn, object.check == Check::Differs || (!object.removing && object.note.startsWith(tr("删除失败")))
                                        ? QBrush(kDiffers)
                                        : QBrush(QColor(110, 110, 110)));
    item->setText(OpenColumn, tr("打开"));
    item->setForeground(OpenColumn, QBrush(kLink));
    item->setText(DeleteColumn, object.removable() ? tr("删除") : QString());
    item->setForeground(DeleteColumn, QBrush(kDiffers));
}

void DupScanResultView::reloadOutline()
{
    m_filling = true;
    m_outline->setUpdatesEnabled(false);
    m_outline->clear();
    m_items.clear();
    for (const DupScanResultModel::Group& group : m_model->list()) {
        auto* groupItem = new QTreeWidgetItem(m_outline);
        groupItem->setFlags(Qt::ItemIsEnabled);
        fillGroupRow(groupItem, group);
        for (const auto& object : group.members) {
            auto* item = new QTreeWidgetItem(groupItem);
            fillMemberRow(item, *object);
            m_items.insert(object->id, item);
        }
    }
    m_outline->expandAll();
    m_outline->setUpdatesEnabled(true);
    m_filling = false;
    updateStatus();
}

void DupScanResultView::updateMember(uint64_t id)
{
    QTreeWidgetItem* item = m_items.value(id, nullptr);
    DupScanResultModel::ObjectPtr object = m_model->objectById(id);
    if (!item || !object)
        return;
    // Group rows change only with the groups themselves (listChanged rebuilds them).
    m_filling = true;
    fillMemberRow(item, *object);
    m_filling = false;
}

void DupScanResultView::updateStatus()
{
    QString text;
    if (m_model->list().empty())
        text = tr("未扫描出数据");
    else if (m_model->removalsPending() > 0)
        text = tr("正在删除…");
    else if (m_lastKept > 0)
        text = tr("有 %1 个文件未能删除，原因见各行说明").arg(m_lastKept);
    else if (m_model->verifying())
        text = tr("正在逐字节校验重复文件 %1/%2").arg(m_model->verifiedGroups()).arg(m_model->totalGroups());
    m_resultText->setText(text);
}

void DupScanResultView::selectBtnClicked(uint64_t id, int state)
{
    m_lastKept = 0;
    m_model->selectBtnClicked(m_model->objectById(id), state);
}

void DupScanResultView::openFile(uint64_t id)
{
    if (auto object = m_model->objectById(id))
        FileReveal::reveal(object->filePath);
}

void DupScanResultView::deleteFile(uint64_t id)
{
    m_lastKept = 0;
    m_model->deleteFile(m_model->objectById(id));
    updateStatus();
}

void DupScanResultView::deleteAllFile()
{
    m_lastKept = 0;
    if (!m_model->deleteAllFile()) {
        showAlert();
        return;
    }
    updateStatus();
}

void DupScanResultView::showAlert()
{
    if (m_alert)
        m_alert->deleteLater();
    m_alert = new QMessageBox(QMessageBox::Warning, QString(), tr("路径未添加"), QMessageBox::Ok, this);
    m_alert->setInformativeText(tr("请点击添加文件夹按钮添加文件路径"));
    m_alert->setWindowModality(Qt::WindowModal);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    m_alert->open();
}

void DupScanResultView::backView()
{
    hide();
    emit back();
}

} // namespace corvane
