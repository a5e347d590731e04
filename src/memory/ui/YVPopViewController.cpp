// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/ui/YVPopViewController.h"

#include "common/Dispatch.h"
#include "memory/ui/GRTMemoryTypeView.h"
#include "toolkit/GlowAnimation.h"
#include "toolkit/ScreenLook.h"

#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPieSeries>
#include <QPieSlice>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

constexpr int kChartSide = 300;
constexpr qreal kPieRadius = 128;
constexpr qreal kHoleRadius = 62;

const QString kGo = QStringLiteral("#2d8cf0");
const QString kStop = QStringLiteral("#e0662a");

// The overlay over the pie: a white hole that makes it a ring, with the share in use
// written in it.
class ChartCentre : public QWidget
{
public:
    explicit ChartCentre(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        share = new QLabel(this);
        share->setObjectName(QStringLiteral("usedShareLabel"));
        share->setAlignment(Qt::AlignCenter);
        QFont big = share->font();
        big.setPointSize(22);
        big.setBold(true);
        share->setFont(big);
        share->setStyleSheet(QStringLiteral("color: #333333; background: transparent;"));
        caption = new QLabel(this);
        caption->setObjectName(QStringLiteral("usedShareCaption"));
        caption->setAlignment(Qt::AlignCenter);
        caption->setStyleSheet(QStringLiteral("color: #8a8a8a; background: transparent;"));
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        column->addStretch(1);
        column->addWidget(share);
        column->addWidget(caption);
        column->addStretch(1);
    }

    QLabel* share = nullptr;
    QLabel* caption = nullptr;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF centre = QRectF(rect()).center();
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, kPieRadius, kPieRadius);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(centre, kHoleRadius, kHoleRadius);
    }
};

// A line of the heading is there only while it says something.
void showLine(QLabel* line, const QString& text)
{
    line->setText(text);
    line->setVisible(!text.isEmpty());
}

QLabel* textLabel(const QString& name, int pointSize, const QString& colour, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setPointSize(pointSize);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(colour));
    return label;
}

} // namespace

YVPopViewController* YVPopViewController::demoView()
{
    return new YVPopViewController(MemoryStatistics::current());
}

YVPopViewController::YVPopViewController(MemoryStatistics statistics, std::shared_ptr<ChunkAllocator> allocator,
                                         QWidget* parent)
    : QWidget(parent), m_statistics(statistics),
      m_release(std::make_shared<MemoryRelease>(std::move(statistics), std::move(allocator)))
{
    setObjectName(QStringLiteral("YVPopViewController"));
    ScreenLook::fillBackground(this, QColor(246, 246, 246));

    // The heading: picture, title, description and what a release is doing.
    QLabel* picture = ScreenLook::picture(QStringLiteral("内存加速1.png"), 48, this);
    m_glow = new GlowAnimation(picture, this);
    m_titleBtn = ScreenLook::heading(tr("内存优化"), 20, this);
    m_titleBtn->setObjectName(QStringLiteral("titleBtn"));
    m_desTextField = ScreenLook::description(QString(), this);
    m_desTextField->setObjectName(QStringLiteral("desTextField"));
    m_accelTextField = textLabel(QStringLiteral("accelTextField"), 12, kStop, this);
    for (QLabel* line : {m_desTextField, m_accelTextField})
        line->setMinimumHeight(line->fontMetrics().height() + 4);
    m_actionButton = ScreenLook::button(QString(), "pushButton", QSize(120, 40), QString(), this);
    connect(m_actionButton, &QPushButton::clicked, this, &YVPopViewController::pushButton);

    // The chart: a hosting view of 300 × 300 holding a graph without axes, legend or
    // animation, holding one pie of radius 128.
    auto* card = new QWidget(this);
    card->setObjectName(QStringLiteral("memoryCard"));
    card->setAttribute(Qt::WA_StyledBackground);
    card->setStyleSheet(QStringLiteral("QWidget#memoryCard { background: white; border-radius: 10px; }"));
    auto* viewForPieChart = new QWidget(card);
    viewForPieChart->setObjectName(QStringLiteral("viewForPieChart"));
    viewForPieChart->setFixedSize(kChartSide, kChartSide);
    auto* chart = new QChart;
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->hide();
    chart->setBackgroundVisible(false);
    chart->setMargins(QMargins());
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    m_series = new QPieSeries(chart);
    m_series->setPieSize(2 * kPieRadius / kChartSide);
    for (int code = 0; code < 5; ++code) {
        auto* slice = new QPieSlice(QString(), 0, m_series);
        slice->setBrush(GRTMemoryTypeView::memoryTypeColorWithType(code));
        slice->setPen(QPen(Qt::white, 1));
        m_series->append(slice);
    }
    chart->addSeries(m_series);
    auto* chartView = new QChartView(chart, viewForPieChart);
    chartView->setObjectName(QStringLiteral("pieChartView"));
    chartView->setRenderHint(QPainter::Antialiasing);
    chartView->setFrameShape(QFrame::NoFrame);
    chartView->setStyleSheet(QStringLiteral("background: transparent;"));
    chartView->setGeometry(0, 0, kChartSide, kChartSide);
    chart->setPlotArea(QRectF(0, 0, kChartSide, kChartSide));
    auto* centre = new ChartCentre(viewForPieChart);
    centre->setGeometry(0, 0, kChartSide, kChartSide);
    m_pieView = centre;
    m_pieView->setObjectName(QStringLiteral("pieView"));
    m_usedCaption = centre->caption;
    m_usedCaption->setText(tr("已使用"));

    // The legend: swatch, kind and figure for each code, then used and total side by side.
    const QString names[5] = {tr("应用程序内存"), tr("文件缓存"), tr("联动"), tr("压缩"), tr("空闲")};
    static const char* const figureNames[7] = {"textFieldForActive",     "textFieldForInactive", "textFieldForWire",
                                               "textFieldForCompressed", "textFieldForFree",     "textFieldForUsed",
                                               "textFieldForTotal"};
    static const char* const swatchNames[5] = {"viewForActive", "viewForInactive", "viewForWire", "viewForCompress",
                                               "viewForFree"};
    auto* legend = new QVBoxLayout;
    legend->setSpacing(14);
    for (int code = 0; code < 5; ++code) {
        m_swatches[size_t(code)] = new GRTMemoryTypeView(card);
        m_swatches[size_t(code)]->setObjectName(QString::fromLatin1(swatchNames[code]));
        m_swatches[size_t(code)]->setBackgroundColor(GRTMemoryTypeView::memoryTypeColorWithType(code));
        m_labels[size_t(code)] =
            textLabel(QStringLiteral("labelForType%1").arg(code), 13, QStringLiteral("#555555"), card);
        m_labels[size_t(code)]->setText(names[code]);
        m_figures[size_t(code)] =
            textLabel(QString::fromLatin1(figureNames[code]), 13, QStringLiteral("#333333"), card);
        // Bottoms aligned, not baselines: a Chinese name is drawn in a fallback font with
        // a taller ascent than the label reports, which would set it lower than its figure.
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        row->addWidget(m_swatches[size_t(code)], 0, Qt::AlignVCenter);
        row->addWidget(m_labels[size_t(code)], 0, Qt::AlignBottom);
        row->addStretch(1);
        row->addWidget(m_figures[size_t(code)], 0, Qt::AlignBottom);
        legend->addLayout(row);
    }
    auto* rule = new QFrame(card);
    rule->setFrameShape(QFrame::HLine);
    rule->setStyleSheet(QStringLiteral("color: #e4e4e4;"));
    auto* usedLabel = textLabel(QStringLiteral("labelForUsed"), 13, QStringLiteral("#555555"), card);
    usedLabel->setText(tr("已使用"));
    m_figures[5] = textLabel(QString::fromLatin1(figureNames[5]), 16, QStringLiteral("#333333"), card);
    QFont usedFont = m_figures[5]->font();
    usedFont.setBold(true);
    m_figures[5]->setFont(usedFont);
    m_figures[6] = textLabel(QString::fromLatin1(figureNames[6]), 13, QStringLiteral("#8a8a8a"), card);
    auto* usedRow = new QHBoxLayout;
    usedRow->setSpacing(0);
    usedRow->addWidget(usedLabel, 0, Qt::AlignBottom);
    usedRow->addStretch(1);
    usedRow->addWidget(m_figures[5], 0, Qt::AlignBaseline);
    usedRow->addWidget(m_figures[6], 0, Qt::AlignBaseline);
    auto* legendColumn = new QVBoxLayout;
    legendColumn->setSpacing(14);
    legendColumn->addStretch(1);
    legendColumn->addLayout(legend);
    legendColumn->addWidget(rule);
    legendColumn->addLayout(usedRow);
    legendColumn->addStretch(1);
    auto* cardRow = new QHBoxLayout(card);
    cardRow->setContentsMargins(16, 16, 28, 16);
    cardRow->setSpacing(28);
    cardRow->addWidget(viewForPieChart, 0, Qt::AlignVCenter);
    cardRow->addLayout(legendColumn, 1);

    // The progress of a release.
    m_appleProgress = new QProgressBar(this);
    m_appleProgress->setObjectName(QStringLiteral("appleProgress"));
    m_appleProgress->setTextVisible(false);
    m_appleProgress->setFixedHeight(10);
    m_appleProgress->setStyleSheet(
        QStringLiteral("QProgressBar { background: #e4e4e4; border: none; border-radius: 5px; }"
                       " QProgressBar::chunk { background: %1; border-radius: 5px; }")
            .arg(kGo));
    m_percentLabel = textLabel(QStringLiteral("percentLabel"), 13, QStringLiteral("#333333"), this);
    m_percentLabel->setMinimumWidth(m_percentLabel->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 4);
    m_percentLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QWidget* progress : {static_cast<QWidget*>(m_appleProgress), static_cast<QWidget*>(m_percentLabel)}) {
        QSizePolicy keep = progress->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        progress->setSizePolicy(keep);
    }

    // Room for the title and two lines in every state, so nothing below moves when a
    // line comes or goes.
    auto* headingBox = new QWidget(this);
    auto* heading = new QVBoxLayout(headingBox);
    heading->setContentsMargins(0, 0, 0, 0);
    heading->setSpacing(4);
    heading->addWidget(m_titleBtn);
    heading->addWidget(m_desTextField);
    heading->addWidget(m_accelTextField);
    heading->addStretch(1);
    headingBox->setMinimumHeight(m_titleBtn->sizeHint().height() + 2 * m_desTextField->minimumHeight() + 8);
    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(picture, 0, Qt::AlignVCenter);
    top->addWidget(headingBox, 1);
    top->addWidget(m_actionButton, 0, Qt::AlignVCenter);
    auto* progressRow = new QHBoxLayout;
    progressRow->setSpacing(12);
    progressRow->addWidget(m_appleProgress, 1, Qt::AlignVCenter);
    progressRow->addWidget(m_percentLabel, 0, Qt::AlignVCenter);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(18);
    column->addLayout(top);
    column->addWidget(card, 1);
    column->addLayout(progressRow);

    // Idle: no progress, "加速", the description, the figures, the refresh running.
    m_appleProgress->hide();
    m_percentLabel->hide();
    showLine(m_accelTextField, QString());
    showLine(m_desTextField, tr("通过压缩内存来释放内存"));
    setButtonTitle(tr("加速"), kGo);
    updatePieChartData();
    reloadData();
    m_pieView->raise();

    connect(&m_timer, &QTimer::timeout, this, &YVPopViewController::timerMethod);
    connect(&m_progressTimer, &QTimer::timeout, this, &YVPopViewController::showProgress);
    m_timer.start(kRefreshMs);
    m_glow->start();
}

YVPopViewController::~YVPopViewController()
{
    // A release on its way ends at its next block and frees what it holds; the engine
    // lives until then in the task's hands.
    m_release->requestStop();
}

bool YVPopViewController::setMemorySource(MemoryStatistics statistics, std::shared_ptr<ChunkAllocator> allocator)
{
    if (m_release->busy())
        return false;
    m_statistics = statistics;
    m_release = std::make_shared<MemoryRelease>(std::move(statistics), std::move(allocator));
    if (!m_freeFlag)
        timerMethod();
    return true;
}

void YVPopViewController::setButtonTitle(const QString& title, const QString& colour)
{
    m_actionButton->setText(title);
    m_actionButton->setStyleSheet(
        QStringLiteral(
            "QPushButton#pushButton { background: %1; color: white; border: none; border-radius: 20px;"
            " font-size: 16px; padding: 6px 28px; } QPushButton#pushButton:disabled { background: #b8b8b8; }")
            .arg(colour));
}

QString YVPopViewController::fileSizeByDoubleSize(double size)
{
    if (size >= 1073741824.0)
        return QString::asprintf("%.2fGB", size / 1073741824.0);
    if (size >= 1048576.0)
        return QString::asprintf("%.2fMB", size / 1048576.0);
    if (size >= 1024.0)
        return QString::asprintf("%.2fKB", size / 1024.0);
    return QString::asprintf("%.fB", size);
}

void YVPopViewController::updatePieChartData()
{
    m_reading = m_statistics.read();
    const MemoryFigures f = GRTUtility::figures(m_reading);
    m_pieChartData = {f.application, f.fileCache, f.wired, f.compressed, f.free};
    for (int code = 0; code < 5; ++code)
        m_figures[size_t(code)]->setText(fileSizeByDoubleSize(double(m_pieChartData[size_t(code)])));
    m_figures[5]->setText(fileSizeByDoubleSize(double(f.used)));
    m_figures[6]->setText(QStringLiteral("/%1").arg(fileSizeByDoubleSize(double(f.total))));
    const uint64_t share = f.total ? std::min<uint64_t>(100, (f.used * 100 + f.total / 2) / f.total) : 0;
    static_cast<ChartCentre*>(m_pieView)->share->setText(QStringLiteral("%1%").arg(share));
}

void YVPopViewController::reloadData()
{
    const QList<QPieSlice*> slices = m_series->slices();
    for (int code = 0; code < 5 && code < slices.size(); ++code) {
        const qreal value = qreal(m_pieChartData[size_t(code)]);
        if (slices[code]->value() != value)
            slices[code]->setValue(value);
    }
}

void YVPopViewController::timerMethod()
{
    // Frozen while a release runs; freeMemory2 starts the refresh again.
    if (m_freeFlag) {
        m_timer.stop();
        return;
    }
    updatePieChartData();
    reloadData();
    m_pieView->raise();
}

void YVPopViewController::pushButton()
{
    if (!m_freeFlag) {
        // The previous run may still be giving its blocks back: two loops must never
        // share one table.
        if (m_release->busy())
            return;
        m_freeFlag = true;
        m_appleProgress->show();
        m_percentLabel->show();
        setButtonTitle(tr("停止"), kStop);
        showLine(m_accelTextField, tr("正在加速..."));
        showLine(m_desTextField, QString());
        freeMemory();
        return;
    }
    m_freeFlag = false;
    m_release->requestStop();
    m_appleProgress->hide();
    m_percentLabel->hide();
    showLine(m_desTextField, tr("通过压缩内存来释放内存"));
    setButtonTitle(tr("加速"), kGo);
    showLine(m_accelTextField, QString());
    // Pressable again once the stopped run has freed its blocks.
    m_actionButton->setEnabled(false);
    freeMemory2();
}

void YVPopViewController::freeMemory()
{
    if (!m_release->tryBegin())
        return;
    const MemoryRelease::Plan plan = m_release->plan(m_releaseLimit);
    m_count = plan.count;
    m_appleProgress->setRange(0, std::max(plan.count, 1));
    m_appleProgress->setValue(0);
    m_percentLabel->setText(QString::fromStdString(MemoryRelease::percentText(0, plan.count)));
    m_timer.stop();
    m_progressTimer.start(kProgressMs);
    QPointer<YVPopViewController> self(this);
    Dispatch::global([self, release = m_release, plan] {
        const MemoryRelease::Result result = release->run(plan);
        Dispatch::main([self, result] {
            if (self)
                self->releaseFinished(result);
        });
    });
}

void YVPopViewController::showProgress()
{
    const int i = m_release->lastChunk();
    if (i < 0)
        return;
    m_appleProgress->setValue(i);
    m_percentLabel->setText(QString::fromStdString(MemoryRelease::percentText(i, m_count)));
}

void YVPopViewController::releaseFinished(MemoryRelease::Result result)
{
    m_progressTimer.stop();
    m_appleProgress->hide();
    m_percentLabel->hide();
    freeMemory2();
    m_actionButton->setEnabled(true);
    // Said in the place of the status, so a release cut short does not look finished.
    if (result.stoppedBy == MemoryRelease::Outcome::Floor)
        showLine(m_accelTextField, tr("已停止：可用内存已降到安全下限"));
    else if (result.stoppedBy == MemoryRelease::Outcome::Alloc)
        showLine(m_accelTextField, tr("已停止：无法再分配内存"));
    else
        showLine(m_accelTextField, QString());
    showLine(m_desTextField, tr("通过压缩内存来释放内存"));
    emit releaseEnded(result);
}

void YVPopViewController::freeMemory2()
{
    setButtonTitle(tr("加速"), kGo);
    m_freeFlag = false;
    m_timer.stop();
    m_timer.start(kRefreshMs);
}

} // namespace corvane
