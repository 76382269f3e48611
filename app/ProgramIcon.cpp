#include "app/ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

// The drawing is laid out on a 256 × 256 grid and scaled to the size asked for.
constexpr qreal grid = 256;

void drawSheet(QPainter &painter)
{
    const QPolygonF sheet{{52, 20}, {164, 20}, {208, 64}, {208, 236}, {52, 236}};
    painter.setPen(QPen(QColor(0x3a, 0x42, 0x4e), 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::white);
    painter.drawPolygon(sheet);
    painter.setBrush(QColor(0xd5, 0xdb, 0xe3));
    painter.drawPolygon(QPolygonF{{164, 20}, {164, 64}, {208, 64}});

    painter.setPen(QPen(QColor(0x7a, 0x85, 0x94), 12, Qt::SolidLine, Qt::RoundCap));
    for (int line = 0; line < 5; ++line) {
        const qreal y = 96 + line * 30;
        painter.drawLine(QPointF(80, y), QPointF(line == 4 ? 130 : 180, y));
    }
}

void drawQuill(QPainter &painter)
{
    // A feather from its tip at the lower left up to the top right corner.
    QPainterPath feather(QPointF(112, 214));
    feather.cubicTo(QPointF(150, 120), QPointF(190, 60), QPointF(244, 12));
    feather.cubicTo(QPointF(236, 80), QPointF(190, 150), QPointF(112, 214));
    painter.setPen(QPen(QColor(0x1c, 0x3f, 0x6e), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0x3b, 0x7d, 0xd0));
    painter.drawPath(feather);
    painter.setPen(QPen(QColor(0x1c, 0x3f, 0x6e), 8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(100, 232), QPointF(126, 192));
}

} // namespace

QImage drawProgramIcon(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / grid, side / grid);
    drawSheet(painter);
    drawQuill(painter);
    return image;
}
