// SPDX-License-Identifier: GPL-3.0-or-later
#include "junk/ui/SystemCleanView.h"

#include "junk/engine/SystemClean.h"
#include "junk/ui/SystemCleanCell.h"
#include "junk/ui/SystemCleanResult.h"
#include "junk/ui/SystemCleanSpinner.h"
#include "toolkit/ScreenLook.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace corvane {

namespace {

QLabel* totalsLabel(QWidget* parent, const char* name, bool bold)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    font.setPointSize(13);
    font.setBold(bold);
    label->setFont(font);
    // Each label is as wide as its text, so its size follows right after it.
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    return label;
}

} // namespace

SystemCleanView* SystemCleanView::demoView(const Layout& layout)
{
    return new SystemCleanView(layout);
}

SystemCleanView::SystemCleanView(const Layout& layout, QWidget* parent)
    : QWidget(parent), m_ownCatalogue(std::make_unique<SystemClean>(layout)),
      m_session(new SystemCleanSession(*m_ownCatalogue, this))
{
    wire();
}

SystemCleanView::SystemCleanView(SystemClean& catalogue, QWidget* parent)
    : QWidget(parent), m_session(new SystemCleanSession(catalogue, this))
{
    wire();
}

void SystemCleanView::wire()
{
    build();
    connect(m_session, &SystemCleanSession::rowChanged, this, [this](int row) { redrawRow(row); });
    connect(m_session, &SystemCleanSession::textsChanged, this, [this] { applyTexts(); });
    for (size_t i = 0; i < m_cells.size(); ++i)
        redrawRow(int(i));
    applyTexts();
}

SystemCleanView::~SystemCleanView()
{
    // The session waits for its threads; it must go while the cells it signals exist.
    delete m_session;
}

void SystemCleanView::build()
{
    setObjectName(QStringLiteral("SystemCleanView"));
    ScreenLook::fillBackground(this, QColor(246, 246, 246));

    m_title = ScreenLook::heading(QString(), 20, this);
    m_title->setObjectName(QStringLiteral("titleLabel"));

    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("descriptionLabel"));
    QFont descFont = m_description->font();
    descFont.setPointSize(12);
    m_description->setFont(descFont);
    m_description->setStyleSheet(QStringLiteral("color: #707070;"));

    m_foundLabel = totalsLabel(this, "foundLabel", false);
    m_foundSize = totalsLabel(this, "foundSize", true);
    m_selectedLabel = totalsLabel(this, "selectedLabel", false);
    m_selectedSize = totalsLabel(this, "selectedSize", true);
    m_foundSize->setStyleSheet(QStringLiteral("color: #e0631d;"));
    m_selectedSize->setStyleSheet(QStringLiteral("color: #2d8cf0;"));

    m_scanBtn = ScreenLook::button(
        QString(), "scanBtn", QSize(120, 40),
        QStringLiteral("QPushButton#scanBtn { background: #2d8cf0; color: white; border: none; border-radius: 20px;"
                       " font-size: 16px; padding: 6px 28px; } QPushButton#scanBtn:hover { background: #4aa0f5; }"
                       " QPushButton#scanBtn:pressed { background: #1f74cc; }"),
        this);
    m_reloadBtn = ScreenLook::button(
        QString(), "reloadBtn", QSize(80, 40),
        QStringLiteral("QPushButton#reloadBtn { background: white; color: #505050; border: 1px solid #c8c8c8;"
                       " border-radius: 20px; font-size: 14px; padding: 6px 18px; }"),
        this);
    m_loadingView = new SystemCleanSpinner(this, 22);
    m_loadingView->setObjectName(QStringLiteral("loadingView"));

    m_table = new QTableWidget(int(m_session->list().size()), 1, this);
    m_table->setObjectName(QStringLiteral("myTableView"));
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(72);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setShowGrid(false);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->setStyleSheet(QStringLiteral(
        "QTableWidget { background: white; border-radius: 6px; }"
        " QTableWidget::item { border-bottom: 1px solid #ececec; }"));
    for (int row = 0; row < m_table->rowCount(); ++row) {
        auto* cell = new SystemCleanCell(m_table);
        m_table->setCellWidget(row, 0, cell);
        m_cells.push_back(cell);
        connect(cell, &SystemCleanCell::selectBtnClicked, this, [this, row](bool on) { selectBtnClicked(row, on); });
        connect(cell, &SystemCleanCell::showResultView, this, [this, row] { showResultView(row); });
    }

    connect(m_scanBtn, &QPushButton::clicked, this, [this] { scanMethods(); });
    connect(m_reloadBtn, &QPushButton::clicked, this, [this] { reloadScan(); });

    auto* totals = new QHBoxLayout;
    totals->setSpacing(4);
    totals->addWidget(m_foundLabel);
    totals->addWidget(m_foundSize);
    totals->addSpacing(24);
    totals->addWidget(m_selectedLabel);
    totals->addWidget(m_selectedSize);
    totals->addStretch();

    auto* heading = new QVBoxLayout;
    heading->setSpacing(6);
    heading->addWidget(m_title);
    heading->addWidget(m_description);
    heading->addLayout(totals);

    auto* top = new QHBoxLayout;
    top->addLayout(heading, 1);
    top->addWidget(m_loadingView, 0, Qt::AlignVCenter);
    top->addSpacing(8);
    top->addWidget(m_reloadBtn, 0, Qt::AlignVCenter);
    top->addWidget(m_scanBtn, 0, Qt::AlignVCenter);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 24);
    layout->setSpacing(18);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
}

void SystemCleanView::applyTexts()
{
    const SystemCleanSession::Texts& t = m_session->texts();
    m_title->setText(t.title);
    m_scanBtn->setText(t.scanTitle);
    m_reloadBtn->setText(t.reloadTitle);
    m_reloadBtn->setVisible(t.reloadVisible);
    m_description->setText(t.description);
    m_foundLabel->setText(t.foundLabel);
    m_foundSize->setText(t.foundSize);
    m_selectedLabel->setText(t.selectedLabel);
    m_selectedSize->setText(t.selectedSize);
    if (t.spinning) {
        m_loadingView->show();
        m_loadingView->startAnimation();
    } else {
        m_loadingView->stopAnimation();
        m_loadingView->hide();
    }
}

void SystemCleanView::redrawRow(int row)
{
    if (row < 0 || size_t(row) >= m_cells.size())
        return;
    m_cells[size_t(row)]->setObject(*m_session->list()[size_t(row)]);
}

void SystemCleanView::scanMethods()
{
    m_session->scanMethods();
}

void SystemCleanView::reloadScan()
{
    m_session->reloadScan();
}

void SystemCleanView::selectBtnClicked(int row, bool on)
{
    m_session->selectBtnClicked(row, on);
}

void SystemCleanView::showResultView(int row)
{
    if (row < 0 || size_t(row) >= m_session->list().size())
        return;
    if (m_result)
        m_result->deleteLater();
    m_result = SystemCleanResult::demoView(this);
    m_result->setDelegate(this);
    m_result->setSystemObject(m_session->list()[size_t(row)]);
    m_result->setGeometry(rect());
    m_result->raise();
    m_result->show();
}

void SystemCleanView::showSelectTotalSizeWithCleanObject(SystemCleanObject* object)
{
    m_session->showSelectTotalSizeWithCleanObject(object);
}

void SystemCleanView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_result)
        m_result->setGeometry(rect());
}

} // namespace corvane
