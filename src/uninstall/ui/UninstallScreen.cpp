// SPDX-License-Identifier: GPL-3.0-or-later
#include "uninstall/ui/UninstallScreen.h"

#include "common/Dispatch.h"
#include "search/engine/SearchResultSupport.h"
#include "toolkit/Artwork.h"
#include "toolkit/FileIcon.h"
#include "toolkit/FileReveal.h"
#include "toolkit/RWProgressHUD.h"
#include "toolkit/ReadableOutline.h"
#include "toolkit/ScreenLook.h"
#include "uninstall/engine/Uninstall.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

using Model = UninstallListModel;

const QColor kWarn(200, 60, 40);

QIcon revealIcon()
{
    QIcon icon = FileIcon::iconForName(QStringLiteral("folder-open"));
    return icon.isNull() ? FileIcon::iconForPath("/") : icon;
}

} // namespace

UninstallScreen::UninstallScreen(const Layout& layout, const Look& look, QWidget* parent)
    : QWidget(parent), m_layout(layout), m_model(new UninstallListModel(look.kind, this)), m_revealable(look.revealable)
{
    setObjectName(look.objectName);
    ScreenLook::fillBackground(this, QColor(246, 246, 246));

    QLabel* picture = ScreenLook::picture(look.image, 48, this);
    m_title = ScreenLook::heading(look.title, 20, this);
    m_title->setObjectName(QStringLiteral("titleLabel"));
    m_description = ScreenLook::description(look.description, this);

    m_table = new ReadableOutline(this);
    m_table->setObjectName(look.tableName);
    m_table->setNameColumn(Model::NameColumn, 0.35);
    m_table->setColumnRule(Model::DateColumn, {Qt::ElideRight, 150, 0});
    m_table->setColumnRule(Model::VersionColumn, {Qt::ElideRight, 130, 0});
    m_table->setColumnRule(Model::SizeColumn, {Qt::ElideRight, 130, 0});
    m_table->setColumnRule(Model::NoteColumn, {Qt::ElideRight, 0, 0.2});
    m_table->styleAsList(44, 6);
    m_table->setIconProvider([this](const QModelIndex& index) {
        if (index.column() != Model::NameColumn)
            return QIcon();
        return m_icons.value(index.data(Model::FilePathRole).toByteArray());
    });
    m_table->setColourProvider([](const QModelIndex& index) -> std::optional<QColor> {
        if (index.column() == Model::NoteColumn)
            return kWarn;
        return std::nullopt;
    });
    m_table->setModel(m_model);
    for (int column = 0; column < Model::ColumnCount; ++column)
        m_table->setColumnHidden(column, !m_model->showsColumn(column));
    connect(m_model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { addRowControls(first, last); });

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("plainMessage"));
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    QFont messageFont = m_message->font();
    messageFont.setPointSize(14);
    m_message->setFont(messageFont);
    m_message->setStyleSheet(QStringLiteral("color: #707070;"));
    m_message->hide();

    QHBoxLayout* top = ScreenLook::headingRow(picture, m_title, m_description);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(18);
    column->addLayout(top);
    column->addWidget(m_table, 1);
    column->addWidget(m_message, 1);
}

UninstallScreen::~UninstallScreen()
{
    // A load still running stops at its next row; its rows have nowhere to go.
    ++*m_generation;
    RWProgressHUD::dismissFromView(this);
    // The list asks this screen for icons while it is laid out, which closing the window
    // still does: it goes while what it asks for is there.
    delete m_table;
}

void UninstallScreen::loadArray()
{
    const uint64_t generation = ++*m_generation;
    m_loading = true;
    RWProgressHUD::showStatus(tr("正在加载..."), this);
    QPointer<UninstallScreen> self(this);
    Dispatch::global([self, generation, current = m_generation, layout = Layout(m_layout), load = loader()] {
        load(layout, [&](UninstallRecord record) {
            if (current->load() != generation)
                return false;
            Dispatch::main([self, generation, record = std::move(record)]() mutable {
                if (self)
                    self->rowLoaded(generation, std::move(record));
            });
            return true;
        });
        Dispatch::main([self, generation] {
            if (self)
                self->loadEnded(generation);
        });
    });
}

void UninstallScreen::reloadDataView()
{
    m_model->clear();
    m_icons.clear();
    loadArray();
}

void UninstallScreen::rowLoaded(uint64_t generation, UninstallRecord record)
{
    if (generation != m_generation->load())
        return;
    m_icons.insert(QByteArray::fromStdString(record.filePath), iconFor(record));
    m_model->append(std::move(record));
    RWProgressHUD::dismissFromView(this);
}

void UninstallScreen::loadEnded(uint64_t generation)
{
    if (generation != m_generation->load())
        return;
    m_loading = false;
    RWProgressHUD::dismissFromView(this);
}

QIcon UninstallScreen::iconFor(const UninstallRecord& record) const
{
    QIcon icon;
    if (!record.iconData.empty()) {
        QPixmap picture;
        if (picture.loadFromData(QByteArray::fromStdString(record.iconData)))
            icon = QIcon(picture);
    }
    if (!icon.isNull() || record.iconName.empty())
        return icon.isNull() ? FileIcon::iconForPath(record.filePath) : icon;
    // A theme name, never a path: the name comes from files anyone may have written.
    if (record.iconName.find('/') == std::string::npos)
        icon = FileIcon::iconForName(QString::fromStdString(record.iconName));
    if (icon.isNull())
        icon = FileIcon::iconForName(QStringLiteral("application-x-executable"));
    // An application is no plain folder to its user, whatever it is on the disk.
    if (icon.isNull())
        icon = QIcon(Artwork::image(QStringLiteral("type-program.png")));
    return icon;
}

void UninstallScreen::addRowControls(int first, int last)
{
    for (int row = first; row <= last; ++row) {
        const std::string path = m_model->rows()[size_t(row)].filePath;
        auto* cell = new QWidget;
        auto* line = new QHBoxLayout(cell);
        line->setContentsMargins(6, 5, 10, 5);
        line->setSpacing(8);
        if (m_revealable) {
            auto* reveal = new QToolButton(cell);
            reveal->setObjectName(QStringLiteral("revealButton"));
            reveal->setIcon(revealIcon());
            reveal->setAutoRaise(true);
            reveal->setCursor(Qt::PointingHandCursor);
            reveal->setToolTip(tr("在文件管理器中显示"));
            connect(reveal, &QToolButton::clicked, this, [this, path] { openFile(path); });
            line->addWidget(reveal);
        }
        QPushButton* remove = ScreenLook::button(
            tr("强制卸载"), "uninstallButton", QSize(84, 30),
            QStringLiteral("QPushButton { background: #e0631d; color: white; border: none; border-radius: 15px;"
                           " font-size: 13px; padding: 4px 14px; } QPushButton:hover { background: #ef7a36; }"
                           " QPushButton:disabled { background: #f0b38f; }"),
            cell);
        remove->setEnabled(!isRemoving(path));
        connect(remove, &QPushButton::clicked, this, [this, path] { uninstallApp(path); });
        line->addWidget(remove);
        m_table->setIndexWidget(m_model->index(row, Model::ActionColumn), cell);
    }
}

QPushButton* UninstallScreen::uninstallButton(int row) const
{
    QWidget* cell = m_table->indexWidget(m_model->index(row, Model::ActionColumn));
    return cell ? cell->findChild<QPushButton*>(QStringLiteral("uninstallButton")) : nullptr;
}

QToolButton* UninstallScreen::revealButton(int row) const
{
    QWidget* cell = m_table->indexWidget(m_model->index(row, Model::ActionColumn));
    return cell ? cell->findChild<QToolButton*>(QStringLiteral("revealButton")) : nullptr;
}

void UninstallScreen::openFile(const std::string& path)
{
    FileReveal::reveal(path);
}

void UninstallScreen::confirmRemoval(const std::string& path, const QString& message)
{
    const int row = m_model->rowOf(path);
    if (row < 0 || isRemoving(path))
        return;
    if (m_alert)
        m_alert->deleteLater();
    m_alert = new QMessageBox(QMessageBox::Warning, QString(), message, QMessageBox::NoButton, this);
    m_alert->setObjectName(QStringLiteral("uninstallAlert"));
    m_alert->setInformativeText(tr("请确定是否卸载 %1").arg(m_model->rows()[size_t(row)].bundleName));
    QPushButton* confirm = m_alert->addButton(tr("确定"), QMessageBox::AcceptRole);
    confirm->setObjectName(QStringLiteral("confirmButton"));
    QPushButton* keep = m_alert->addButton(tr("取消"), QMessageBox::RejectRole);
    keep->setObjectName(QStringLiteral("cancelButton"));
    // A deletion cannot be undone: only a deliberate press on "确定" starts one.
    m_alert->setDefaultButton(keep);
    m_alert->setEscapeButton(keep);
    m_alert->setWindowModality(Qt::WindowModal);
    m_alert->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_alert, &QMessageBox::buttonClicked, this, [this, path, confirm](QAbstractButton* clicked) {
        if (clicked == confirm)
            removeAPP(path);
    });
    m_alert->open();
}

void UninstallScreen::removeAPP(const std::string& path)
{
    // The row is looked up again: a reload may have come while the question was open.
    if (m_model->rowOf(path) < 0 || isRemoving(path))
        return;
    m_removing.insert(path);
    m_model->setNote(path, QString());
    setRowBusy(path, true);
    QPointer<UninstallScreen> self(this);
    Dispatch::global([self, path, layout = Layout(m_layout)] {
        const Uninstall::Outcome outcome = Uninstall(layout).unInstall(path);
        const bool gone = removalConfirmed(path, outcome == Uninstall::Outcome::SentToHelper);
        Dispatch::main([self, path, gone] {
            if (self)
                self->removalEnded(path, gone);
        });
    });
}

void UninstallScreen::removalEnded(const std::string& path, bool gone)
{
    m_removing.erase(path);
    if (gone) {
        m_model->removePath(path);
    } else {
        // Never reported as done: the item is still on the disk, and its row says so.
        m_model->setNote(path, tr("删除失败，文件仍在原处"));
        setRowBusy(path, false);
    }
    emit removalFinished(path, gone);
}

void UninstallScreen::setRowBusy(const std::string& path, bool busy)
{
    if (QPushButton* button = uninstallButton(m_model->rowOf(path)))
        button->setEnabled(!busy);
}

void UninstallScreen::showPlainMessage(const QString& text)
{
    m_message->setText(text);
    m_message->show();
    m_table->hide();
}

} // namespace corvane
