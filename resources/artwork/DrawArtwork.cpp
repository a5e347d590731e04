// SPDX-License-Identifier: GPL-3.0-or-later
// Draws every picture the program shows, in one style: line drawings in the program's
// blue on transparent ground, 2 px strokes at the size shown (pictures are made at twice
// that size), round caps and joins. Run by scripts/artwork; the results are kept in
// resources/images so a build does not depend on fonts or a display.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

const QColor kBlue(0, 136, 216);
const QColor kGrey(150, 150, 150);

QPen stroke(const QColor& c, double width = 4.0)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

bool save(const QString& folder, const QString& name, int w, int h, const std::function<void(QPainter&)>& draw)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    }
    const bool ok = image.save(folder + QLatin1Char('/') + name, "PNG");
    std::fprintf(ok ? stdout : stderr, "%s %s\n", ok ? "drew" : "could not write", name.toUtf8().constData());
    return ok;
}

// A 48 x 48 icon, drawn on a 24-unit grid scaled by two.
bool icon(const QString& folder, const QString& name, const std::function<void(QPainter&)>& draw)
{
    return save(folder, name, 48, 48, [&](QPainter& p) {
        p.scale(2, 2);
        p.setPen(stroke(kBlue, 2.0));
        p.setBrush(Qt::NoBrush);
        draw(p);
    });
}

void letter(QPainter& p, const QString& text)
{
    p.drawEllipse(QRectF(3, 3, 18, 18));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setBold(true);
    f.setPixelSize(12);
    p.setFont(f);
    p.drawText(QRectF(3, 3, 18, 18), Qt::AlignCenter, text);
}

} // namespace

// A file-type icon (48 x 48 shown): a page with a folded corner, tinted by the kind of
// file, and the kind's sign on it. Shown when the icon theme has no icon for a type.
bool typeIcon(const QString& folder, const QString& kind, const QColor& tint,
              const std::function<void(QPainter&)>& sign)
{
    return save(folder, QStringLiteral("type-") + kind + QStringLiteral(".png"), 48, 48, [&](QPainter& p) {
        p.scale(2, 2);
        QPainterPath page;
        page.moveTo(5, 2);
        page.lineTo(14.5, 2);
        page.lineTo(19, 6.5);
        page.lineTo(19, 22);
        page.lineTo(5, 22);
        page.closeSubpath();
        p.setPen(QPen(tint.darker(130), 1.0));
        p.setBrush(QColor(252, 252, 252));
        p.drawPath(page);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(14.5, 2), QPointF(14.5, 6.5), QPointF(19, 6.5)}));
        p.setPen(QPen(tint, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        sign(p);
    });
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    bool ok = true;

    // Junk clean: a bin with a sparkle above it.
    ok &= icon(out, QStringLiteral("一键清理1.png"), [](QPainter& p) {
        p.drawLine(QPointF(5, 8), QPointF(17, 8));
        p.drawLine(QPointF(9, 8), QPointF(9.5, 5.5));
        p.drawLine(QPointF(9.5, 5.5), QPointF(12.5, 5.5));
        p.drawLine(QPointF(12.5, 5.5), QPointF(13, 8));
        QPainterPath bin;
        bin.moveTo(6.5, 8);
        bin.lineTo(7.5, 20);
        bin.lineTo(14.5, 20);
        bin.lineTo(15.5, 8);
        p.drawPath(bin);
        p.drawLine(QPointF(11, 11), QPointF(11, 17));
        p.drawLine(QPointF(20, 3), QPointF(20, 7));
        p.drawLine(QPointF(18, 5), QPointF(22, 5));
    });
    // Startup items: the power sign.
    ok &= icon(out, QStringLiteral("启动项1.png"), [](QPainter& p) {
        p.drawArc(QRectF(4, 5, 16, 16), 120 * 16, 300 * 16);
        p.drawLine(QPointF(12, 3), QPointF(12, 12));
    });
    // Memory: a memory module with its contacts.
    ok &= icon(out, QStringLiteral("内存加速1.png"), [](QPainter& p) {
        p.drawRoundedRect(QRectF(3, 7, 18, 9), 1.5, 1.5);
        for (double x : {7.0, 11.0, 15.0})
            p.drawRect(QRectF(x - 1, 9.5, 2, 4));
        for (double x : {6.0, 9.0, 12.0, 15.0, 18.0})
            p.drawLine(QPointF(x, 16), QPointF(x, 19));
    });
    // Processes: a speed gauge.
    ok &= icon(out, QStringLiteral("系统性能1.png"), [](QPainter& p) {
        p.drawArc(QRectF(3, 5, 18, 18), 0, 180 * 16);
        p.drawLine(QPointF(3, 14), QPointF(21, 14));
        p.drawLine(QPointF(12, 14), QPointF(16.5, 8.5));
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(12, 14), 1.2, 1.2);
    });
    // Application uninstall: an application tile with a minus badge.
    ok &= icon(out, QStringLiteral("软件卸载1.png"), [](QPainter& p) {
        p.drawRoundedRect(QRectF(3, 3, 13, 13), 3, 3);
        p.drawLine(QPointF(7, 9.5), QPointF(12, 9.5));
        p.drawEllipse(QRectF(13, 13, 8, 8));
        p.drawLine(QPointF(15.2, 17), QPointF(18.8, 17));
    });
    // Plug-ins: a plug.
    ok &= icon(out, QStringLiteral("插件1.png"), [](QPainter& p) {
        p.drawLine(QPointF(9, 3), QPointF(9, 8));
        p.drawLine(QPointF(15, 3), QPointF(15, 8));
        QPainterPath body;
        body.moveTo(6, 8);
        body.lineTo(18, 8);
        body.lineTo(18, 12);
        body.cubicTo(18, 15.5, 15.5, 17, 12, 17);
        body.cubicTo(8.5, 17, 6, 15.5, 6, 12);
        body.closeSubpath();
        p.drawPath(body);
        p.drawLine(QPointF(12, 17), QPointF(12, 21));
    });
    // Configuration files: a page with settings lines.
    ok &= icon(out, QStringLiteral("配置文件1.png"), [](QPainter& p) {
        QPainterPath page;
        page.moveTo(5, 3);
        page.lineTo(14, 3);
        page.lineTo(19, 8);
        page.lineTo(19, 21);
        page.lineTo(5, 21);
        page.closeSubpath();
        p.drawPath(page);
        p.drawLine(QPointF(14, 3), QPointF(14, 8));
        p.drawLine(QPointF(14, 8), QPointF(19, 8));
        p.drawLine(QPointF(8, 12), QPointF(16, 12));
        p.drawLine(QPointF(8, 16), QPointF(16, 16));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(11, 12), 1.4, 1.4);
        p.drawEllipse(QPointF(14, 16), 1.4, 1.4);
    });
    // Duplicates: two pages, one behind the other.
    ok &= icon(out, QStringLiteral("重复文件1.png"), [](QPainter& p) {
        p.drawRoundedRect(QRectF(8, 3, 12, 15), 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(4, 7, 12, 15), 1.5, 1.5);
        p.drawLine(QPointF(7, 12), QPointF(13, 12));
        p.drawLine(QPointF(7, 16), QPointF(13, 16));
    });
    // Large files: a page with a weight-like bar chart.
    ok &= icon(out, QStringLiteral("大文件1.png"), [](QPainter& p) {
        p.drawRoundedRect(QRectF(4, 3, 16, 18), 1.5, 1.5);
        p.drawLine(QPointF(8, 17), QPointF(8, 14));
        p.drawLine(QPointF(12, 17), QPointF(12, 10));
        p.drawLine(QPointF(16, 17), QPointF(16, 7));
    });
    // System information: the information sign.
    ok &= icon(out, QStringLiteral("系统信息.png"), [](QPainter& p) {
        p.drawEllipse(QRectF(3, 3, 18, 18));
        p.drawLine(QPointF(12, 11), QPointF(12, 17));
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(12, 7.5), 0.8, 0.8);
    });
    // Header buttons in the same hand.
    ok &= icon(out, QStringLiteral("home.png"), [](QPainter& p) {
        QPainterPath house;
        house.moveTo(3, 11);
        house.lineTo(12, 3.5);
        house.lineTo(21, 11);
        p.drawPath(house);
        QPainterPath walls;
        walls.moveTo(5.5, 9.5);
        walls.lineTo(5.5, 20);
        walls.lineTo(18.5, 20);
        walls.lineTo(18.5, 9.5);
        p.drawPath(walls);
        p.drawRect(QRectF(10, 14, 4, 6));
    });
    ok &= icon(out, QStringLiteral("facebook.png"), [](QPainter& p) { letter(p, QStringLiteral("f")); });
    ok &= icon(out, QStringLiteral("twitter.png"), [](QPainter& p) { letter(p, QStringLiteral("t")); });
    // Chat group: two speech bubbles.
    ok &= icon(out, QStringLiteral("qq.png"), [](QPainter& p) {
        QPainterPath big;
        big.addRoundedRect(QRectF(2.5, 4, 14, 10), 4, 4);
        big.moveTo(6, 14);
        big.lineTo(5, 18);
        big.lineTo(9.5, 14);
        p.drawPath(big);
        p.drawLine(QPointF(18.5, 8.5), QPointF(18.5, 8.5));
        QPainterPath small;
        small.moveTo(18.5, 8);
        small.cubicTo(20.5, 8.5, 21.5, 10, 21.5, 12);
        small.cubicTo(21.5, 14.5, 20, 16, 17.5, 16.5);
        small.lineTo(19, 20);
        small.lineTo(14, 16.5);
        p.drawPath(small);
        p.setBrush(kBlue);
        for (double x : {6.5, 9.5, 12.5})
            p.drawEllipse(QPointF(x, 9), 0.6, 0.6);
    });
    ok &= icon(out, QStringLiteral("menu.png"), [](QPainter& p) {
        for (double y : {7.0, 12.0, 17.0})
            p.drawLine(QPointF(5, y), QPointF(19, y));
    });

    // Group rows: the indicator and the fold button (10 x 10 shown).
    ok &= save(out, QStringLiteral("活跃.png"), 20, 20, [](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(6, 2, 8, 16), 4, 4);
    });
    ok &= save(out, QStringLiteral("down.png"), 20, 20, [](QPainter& p) {
        p.setPen(stroke(kGrey, 2.5));
        p.drawPolyline(QPolygonF({QPointF(4, 7), QPointF(10, 13), QPointF(16, 7)}));
    });
    ok &= save(out, QStringLiteral("up.png"), 20, 20, [](QPainter& p) {
        p.setPen(stroke(kGrey, 2.5));
        p.drawPolyline(QPolygonF({QPointF(4, 13), QPointF(10, 7), QPointF(16, 13)}));
    });
    // The selected sidebar row: a pale band with the blue mark at its left edge.
    ok &= save(out, QStringLiteral("tab-listbjp.png"), 400, 80, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 400, 80), QColor(229, 243, 252));
        p.fillRect(QRectF(0, 0, 8, 80), kBlue);
    });

    // The application's icon: a tide over a well, white on the program's blue.
    ok &= save(out, QStringLiteral("AppIcon.png"), 512, 512, [](QPainter& p) {
        QPainterPath tile;
        tile.addRoundedRect(QRectF(32, 32, 448, 448), 100, 100);
        QLinearGradient g(0, 32, 0, 480);
        g.setColorAt(0, QColor(40, 170, 240));
        g.setColorAt(1, kBlue.darker(115));
        p.fillPath(tile, g);
        p.setPen(QPen(Qt::white, 30, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (int i = 0; i < 3; ++i) {
            const double y = 190 + i * 80;
            QPainterPath wave;
            wave.moveTo(110, y);
            wave.cubicTo(160, y - 50, 210, y - 50, 256, y);
            wave.cubicTo(302, y + 50, 352, y + 50, 402, y);
            p.setOpacity(1.0 - i * 0.25);
            p.drawPath(wave);
        }
        p.setOpacity(1.0);
        p.setBrush(Qt::white);
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(360, 130), 26, 26);
    });

    // File types, for lists when the icon theme has none.
    ok &= typeIcon(out, QStringLiteral("file"), kGrey, [](QPainter&) {});
    ok &= typeIcon(out, QStringLiteral("text"), QColor(90, 100, 110), [](QPainter& p) {
        for (double y : {10.0, 13.0, 16.0, 19.0})
            p.drawLine(QPointF(8, y), QPointF(y == 19.0 ? 13 : 16, y));
    });
    ok &= typeIcon(out, QStringLiteral("document"), QColor(40, 110, 200), [](QPainter& p) {
        p.drawRect(QRectF(8, 9, 8, 5));
        p.drawLine(QPointF(8, 17), QPointF(16, 17));
        p.drawLine(QPointF(8, 19.5), QPointF(13, 19.5));
    });
    ok &= typeIcon(out, QStringLiteral("image"), QColor(60, 160, 80), [](QPainter& p) {
        p.drawPolyline(
            QPolygonF({QPointF(7.5, 19), QPointF(11, 14), QPointF(13.5, 17), QPointF(15, 15.5), QPointF(17, 19)}));
        p.drawEllipse(QPointF(14.5, 11), 1.3, 1.3);
    });
    ok &= typeIcon(out, QStringLiteral("video"), QColor(200, 70, 60), [](QPainter& p) {
        p.setBrush(p.pen().color());
        p.drawPolygon(QPolygonF({QPointF(10, 10.5), QPointF(16, 14), QPointF(10, 17.5)}));
    });
    ok &= typeIcon(out, QStringLiteral("audio"), QColor(150, 80, 190), [](QPainter& p) {
        p.drawLine(QPointF(13.5, 9.5), QPointF(13.5, 17));
        p.drawLine(QPointF(13.5, 9.5), QPointF(16.5, 10.5));
        p.drawEllipse(QPointF(11.8, 17.5), 1.8, 1.4);
    });
    ok &= typeIcon(out, QStringLiteral("archive"), QColor(190, 140, 40), [](QPainter& p) {
        for (double y : {4.0, 7.0, 10.0})
            p.drawLine(QPointF(11.5, y), QPointF(12.5, y));
        p.drawRect(QRectF(10.5, 13, 3, 4));
    });
    ok &= typeIcon(out, QStringLiteral("program"), QColor(70, 80, 90), [](QPainter& p) {
        p.drawPolyline(QPolygonF({QPointF(8, 11), QPointF(11, 14), QPointF(8, 17)}));
        p.drawLine(QPointF(12.5, 18), QPointF(16, 18));
    });
    ok &= save(out, QStringLiteral("type-folder.png"), 48, 48, [](QPainter& p) {
        p.scale(2, 2);
        QPainterPath folder;
        folder.moveTo(2.5, 5);
        folder.lineTo(9, 5);
        folder.lineTo(11, 7);
        folder.lineTo(21.5, 7);
        folder.lineTo(21.5, 19.5);
        folder.lineTo(2.5, 19.5);
        folder.closeSubpath();
        p.setPen(QPen(kBlue.darker(120), 1.0));
        p.setBrush(kBlue.lighter(150));
        p.drawPath(folder);
        p.setBrush(kBlue.lighter(125));
        p.drawRect(QRectF(2.5, 9, 19, 10.5));
    });

    return ok ? 0 : 1;
}
