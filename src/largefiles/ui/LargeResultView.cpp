#include "largefiles/ui/LargeResultView.h"

#include "common/QSFileUtility.h"
#include "toolkit/Artwork.h"
#include "toolkit/FileIcon.h"
#include "toolkit/FileReveal.h"
#include "toolkit/GlowAnimation.h"

#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace corvane {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;
const QColor kWarn(200, 60, 40);
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

LargeResultView* LargeResultView::demoView(QWidget* parent)
{
    return new LargeResultView(parent);
}

LargeResultView::LargeResultView(QWidget* parent) : QWidget(parent), m_model(new LargeResultModel(this))
{
    setObjectName(QStringLiteral("LargeResultView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(232, 232, 232));
    setPalette(pal);

    m_image = new QLabel(this);
    m_image->setPixmap(Artwork::image(QStringLiteral("大文件1.png")).scaled(48, 48, Qt::KeepAspectRatio,
                                                                        Qt::SmoothTransformation));
    m_glow = new GlowAnimation(m_image, this);
    m_title = new QLabel(tr("大文件清理"), this);
    QFont tf = m_title->font();
    tf.setPointSize(16);
    tf.setBold(true);
    m_title->setFont(tf);
    m_resultText = new QLabel(this);
    m_resultText->setObjectName(QStringLiteral("result_text"));
    m_resultText->setStyleSheet(QStringLiteral("color: #606060;"));

    m_sortBox = new QComboBox(this);
    m_sortBox->setObjectName(QStringLiteral("sortBox"));
    m_sortBox->addItems({tr("按文件大小排序"), tr("按文件类别排序")});
    m_sortBox->setPlaceholderText(tr("按文件大小排序"));
    m_sortBox->setCurrentIndex(0);
    m_backBtn = blueButton(tr("返回"), "backButton", this);
    m_deleteBtn = blueButton(tr("删除"), "deleteButton", this);

    m_outline = new QTreeWidget(this);
    m_outline->setObjectName(QStringLiteral("outline"));
    m_outline->setColumnCount(ColumnCount);
    m_outline->setHeaderHidden(true);
    m_outline->setUniformRowHeights(true);
    m_outline->setSelectionMode(QAbstractItemView::NoSelection);
    m_outline->setFocusPolicy(Qt::NoFocus);
    m_outline->setIconSize(QSize(24, 24));
    m_outline->header()->setStretchLastSection(false);
    m_outline->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_outline->setColumnWidth(PathColumn, 250);
    m_outline->setColumnWidth(SizeColumn, 90);
    m_outline->setColumnWidth(NoteColumn, 140);
    m_outline->setColumnWidth(OpenColumn, 44);
    m_outline->setColumnWidth(DeleteColumn, 44);
    m_outline->setStyleSheet(QStringLiteral("QTreeWidget { background: white; border: none; border-radius: 6px; }"
                                            " QTreeWidget::item { height: 32px; }"));

    connect(m_sortBox, &QComboBox::activated, this, [this](int index) { m_model->selectSortChoice(index); });
    connect(m_backBtn, &QPushButton::clicked, this, [this] { backView(); });
    connect(m_deleteBtn, &QPushButton::clicked, this, [this] { deleteAllFile(); });
    connect(m_outline, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_filling || column != NameColumn || !item->parent())
            return;
        selectBtnClicked(item->data(NameColumn, kIdRole).toULongLong(), item->checkState(NameColumn) == Qt::Checked);
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
    connect(m_model, &LargeResultModel::listChanged, this, [this] { reloadOutline(); });
    connect(m_model, &LargeResultModel::objectChanged, this, [this](quint64 id) { updateFile(id); });
    connect(m_model, &LargeResultModel::removalFinished, this, [this](int, int kept) {
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

void LargeResultView::set_reustlist(std::vector<LargeHit> hits)
{
    m_model->set_reustlist(std::move(hits));
}

void LargeResultView::reloadList()
{
    m_model->reloadList();
}

void LargeResultView::fillFileRow(QTreeWidgetItem* item, const LargeFileObject& object)
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (!object.removing)
        flags |= Qt::ItemIsUserCheckable;
    item->setFlags(flags);
    item->setData(NameColumn, kIdRole, QVariant::fromValue<qulonglong>(object.id));
    item->setCheckState(NameColumn, object.state ? Qt::Checked : Qt::Unchecked);
    item->setIcon(NameColumn, FileIcon::iconForPath(object.filePath));
    item->setText(NameColumn, object.fileName());
    item->setText(PathColumn, object.shownPath());
    item->setToolTip(PathColumn, QFile::decodeName(QByteArray::fromStdString(object.filePath)));
    item->setText(SizeColumn, QSFileUtility::fileSizeByDoubleSize(object.fileSize));
    item->setText(NoteColumn, object.note);
    item->setToolTip(NoteColumn, object.note);
    item->setForeground(NoteColumn, object.removing ? QBrush(QColor(110, 110, 110)) : QBrush(kWarn));
    item->setText(OpenColumn, tr("打开"));
    item->setForeground(OpenColumn, QBrush(kLink));
    item->setText(DeleteColumn, object.removing ? QString() : tr("删除"));
    item->setForeground(DeleteColumn, QBrush(kWarn));
}

void LargeResultView::reloadOutline()
{
    m_filling = true;
    m_outline->setUpdatesEnabled(false);
    m_outline->clear();
    m_items.clear();
    for (const auto& group : m_model->list()) {
        // "LargeCell": the range of the group's last file.
        auto* groupItem = new QTreeWidgetItem(m_outline);
        groupItem->setFlags(Qt::ItemIsEnabled);
        groupItem->setText(NameColumn, group.back()->fileRange);
        QFont f = groupItem->font(NameColumn);
        f.setBold(true);
        groupItem->setFont(NameColumn, f);
        for (const auto& object : group) {
            auto* item = new QTreeWidgetItem(groupItem);
            fillFileRow(item, *object);
            m_items.insert(object->id, item);
        }
    }
    m_outline->expandAll();
    m_outline->setUpdatesEnabled(true);
    m_filling = false;
    updateStatus();
}

void LargeResultView::updateFile(uint64_t id)
{
    QTreeWidgetItem* item = m_items.value(id, nullptr);
    if (!item)
        return;
    for (const auto& group : m_model->list())
        for (const auto& object : group)
            if (object->id == id) {
                m_filling = true;
                fillFileRow(item, *object);
                m_filling = false;
                return;
            }
}

void LargeResultView::updateStatus()
{
    QString text = m_model->resultText();
    if (text.isEmpty()) {
        if (m_model->removalsPending() > 0)
            text = tr("正在删除…");
        else if (m_lastKept > 0)
            text = tr("有 %1 个文件未能删除，原因见各行说明").arg(m_lastKept);
    }
    m_resultText->setText(text);
}

void LargeResultView::selectBtnClicked(uint64_t id, bool state)
{
    for (const auto& group : m_model->list())
        for (const auto& object : group)
            if (object->id == id) {
                m_model->selectBtnClicked(object, state);
                return;
            }
}

void LargeResultView::openFile(uint64_t id)
{
    for (const auto& group : m_model->list())
        for (const auto& object : group)
            if (object->id == id) {
                FileReveal::reveal(object->filePath);
                return;
            }
}

void LargeResultView::deleteFile(uint64_t id)
{
    m_lastKept = 0;
    for (const auto& group : m_model->list())
        for (const auto& object : group)
            if (object->id == id) {
                m_model->deleteFile(object);
                updateStatus();
                return;
            }
}

void LargeResultView::deleteAllFile()
{
    m_lastKept = 0;
    if (m_model->deleteAllFile()) {
        updateStatus();
        return;
    }
    if (m_alert)
        m_alert->deleteLater();
    m_alert = new QMessageBox(QMessageBox::Warning, QString(), tr("路径未添加"), QMessageBox::Ok, this);
    m_alert->setInformativeText(tr("请点击添加文件夹按钮添加文件路径"));
    m_alert->setWindowModality(Qt::WindowModal);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    m_alert->open();
}

void LargeResultView::backView()
{
    hide();
    emit back();
}

} // namespace corvane
