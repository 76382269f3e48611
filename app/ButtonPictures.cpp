#include "app/ButtonPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int side = 32;

QPixmap transparentCanvas()
{
    QPixmap canvas(side, side);
    canvas.fill(Qt::transparent);
    return canvas;
}

// A sheet of paper with a folded top-right corner.
void drawPage(QPainter &painter, const QRectF &page)
{
    const qreal fold = 6;
    QPainterPath outline;
    outline.moveTo(page.topLeft());
    outline.lineTo(page.right() - fold, page.top());
    outline.lineTo(page.right(), page.top() + fold);
    outline.lineTo(page.bottomRight());
    outline.lineTo(page.bottomLeft());
    outline.closeSubpath();
    painter.setPen(QPen(QColor(70, 70, 70), 1));
    painter.setBrush(Qt::white);
    painter.drawPath(outline);

    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    painter.setBrush(QColor(220, 220, 220));
    painter.drawPath(corner);
}

// A blue globe with a green land mass and grid lines.
void drawGlobe(QPainter &painter, const QRectF &bounds)
{
    painter.setPen(QPen(QColor(20, 60, 140), 1));
    painter.setBrush(QColor(80, 150, 230));
    painter.drawEllipse(bounds);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(60, 160, 70));
    const QPointF c = bounds.center();
    const qreal r = bounds.width() / 2;
    QPainterPath land;
    land.moveTo(c.x() - r * 0.6, c.y() - r * 0.3);
    land.cubicTo(c.x() - r * 0.1, c.y() - r * 0.9, c.x() + r * 0.2, c.y() - r * 0.1,
                 c.x() - r * 0.1, c.y() + r * 0.2);
    land.cubicTo(c.x() - r * 0.3, c.y() + r * 0.6, c.x() - r * 0.7, c.y() + r * 0.2,
                 c.x() - r * 0.6, c.y() - r * 0.3);
    painter.drawPath(land);

    painter.setPen(QPen(QColor(230, 240, 255, 160), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(c, r * 0.45, r);
    painter.drawLine(QPointF(bounds.left(), c.y()), QPointF(bounds.right(), c.y()));
}

void drawPlus(QPainter &painter, const QPointF &centre)
{
    painter.setPen(QPen(QColor(120, 0, 0), 1));
    painter.setBrush(QColor(220, 30, 30));
    const qreal arm = 6, half = 2;
    painter.drawRect(QRectF(centre.x() - arm, centre.y() - half, 2 * arm, 2 * half));
    painter.drawRect(QRectF(centre.x() - half, centre.y() - arm, 2 * half, 2 * arm));
}

void drawOpenFolder(QPainter &painter)
{
    painter.setPen(QPen(QColor(130, 95, 20), 1));
    painter.setBrush(QColor(225, 180, 70));
    QPainterPath back;
    back.moveTo(2, 8);
    back.lineTo(11, 8);
    back.lineTo(13, 11);
    back.lineTo(26, 11);
    back.lineTo(26, 26);
    back.lineTo(2, 26);
    back.closeSubpath();
    painter.drawPath(back);

    painter.setBrush(QColor(250, 215, 110));
    QPainterPath front;
    front.moveTo(7, 15);
    front.lineTo(31, 15);
    front.lineTo(26, 26);
    front.lineTo(2, 26);
    front.closeSubpath();
    painter.drawPath(front);
}

// A large serif-less "T" drawn as two bars, so it looks the same whatever fonts are installed.
void drawLetterT(QPainter &painter, const QRectF &area)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 30, 30));
    const qreal bar = 3;
    painter.drawRect(QRectF(area.left(), area.top(), area.width(), bar));
    painter.drawRect(QRectF(area.center().x() - bar / 2, area.top(), bar, area.height()));
}

// A 32 by 32 picture on a transparent ground, drawn by draw.
template <typename Draw>
QIcon picture(Draw draw)
{
    QPixmap canvas = transparentCanvas();
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QIcon(canvas);
}

} // namespace

namespace ButtonPictures {

QIcon addFiles()
{
    return picture([](QPainter &painter) {
        drawPage(painter, QRectF(4.5, 1.5, 20, 27));
        drawGlobe(painter, QRectF(7.5, 8.5, 13, 13));
        drawPlus(painter, QPointF(24, 24));
    });
}

QIcon addFolder()
{
    return picture(drawOpenFolder);
}

QIcon saveAsText()
{
    return picture([](QPainter &painter) {
        drawPage(painter, QRectF(3.5, 1.5, 22, 29));
        drawLetterT(painter, QRectF(7, 6, 13, 15));
        drawGlobe(painter, QRectF(17.5, 18.5, 12, 12));
    });
}

} // namespace ButtonPictures
