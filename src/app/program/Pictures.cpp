#include "Pictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace korvex {

namespace {

const QColor Outline(60, 60, 60);

QPixmap draw(int width, int height, const std::function<void(QPainter&)>& paint)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    return pixmap;
}

// A drum of stored records: the body, its bottom rim and the lid.
void drum(QPainter& p, const QRectF& r, const QColor& face)
{
    const qreal lid = r.height() * 0.35;
    p.setPen(QPen(Outline, 1));
    p.setBrush(face);
    QPainterPath body;
    body.moveTo(r.left(), r.top() + lid / 2);
    body.lineTo(r.left(), r.bottom() - lid / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - lid, r.width(), lid), 180, 180);
    body.lineTo(r.right(), r.top() + lid / 2);
    p.drawPath(body);
    p.setBrush(face.lighter(130));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), lid));
}

QPixmap tablePicture()
{
    return draw(16, 16, [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(1, 2, 14, 12, Qt::white);
        p.fillRect(1, 2, 14, 3, QColor(40, 90, 170));
        p.setPen(QColor(120, 140, 170));
        for (int y = 8; y < 14; y += 3)
            p.drawLine(2, y, 14, y);
        p.drawLine(6, 5, 6, 13);
        p.setPen(Outline);
        p.drawRect(1, 2, 13, 11);
    });
}

QPixmap filePicture()
{
    return draw(16, 16, [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        const QPolygon page{{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}};
        p.setPen(Outline);
        p.setBrush(Qt::white);
        p.drawPolygon(page);
        p.drawLine(10, 1, 10, 4);
        p.drawLine(10, 4, 13, 4);
        p.setPen(QColor(150, 150, 150));
        for (int y = 6; y <= 12; y += 2)
            p.drawLine(5, y, 11, y);
    });
}

QPixmap drawVolumePicture(Volume::Kind kind)
{
    return draw(16, 16, [kind](QPainter& p) {
        p.setPen(QPen(Outline, 1));
        switch (kind) {
        case Volume::Kind::Optical:
            p.setBrush(QColor(200, 205, 215));
            p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
            p.setBrush(Qt::white);
            p.drawEllipse(QRectF(6, 6, 4, 4));
            return;
        case Volume::Kind::Removable:
            p.setBrush(QColor(70, 110, 180));
            p.drawRoundedRect(QRectF(4.5, 5.5, 7, 10), 1.5, 1.5);
            p.setBrush(QColor(210, 210, 210));
            p.drawRect(QRectF(5.5, 1.5, 5, 4));
            return;
        case Volume::Kind::Ram:
            p.setBrush(QColor(40, 120, 70));
            p.drawRect(QRectF(1.5, 4.5, 13, 7));
            p.setPen(QPen(QColor(200, 170, 60), 1));
            for (int x = 3; x <= 13; x += 2)
                p.drawLine(QLineF(x, 12, x, 14.5));
            p.fillRect(QRectF(4, 6, 3, 4), QColor(20, 20, 20));
            p.fillRect(QRectF(9, 6, 3, 4), QColor(20, 20, 20));
            return;
        case Volume::Kind::Network:
        case Volume::Kind::Fixed: break;
        }
        const bool network = kind == Volume::Kind::Network;
        p.setBrush(QColor(190, 190, 195));
        p.drawRoundedRect(QRectF(1.5, network ? 2.5 : 5.5, 13, 6), 1.5, 1.5);
        p.fillRect(QRectF(11, network ? 5 : 8, 2, 1.5), QColor(60, 200, 60));
        if (network) {
            p.setPen(QPen(QColor(40, 90, 170), 1.5));
            p.drawLine(QLineF(8, 8.5, 8, 12.5));
            p.drawLine(QLineF(2, 13.5, 14, 13.5));
        }
    });
}

QPixmap buttonPicture(ButtonPicture picture)
{
    return draw(32, 32, [picture](QPainter& p) {
        p.setPen(QPen(Outline, 1.2));
        switch (picture) {
        case ButtonPicture::Print:
            p.setBrush(Qt::white);
            p.drawRect(QRectF(9.5, 3.5, 13, 10));
            p.setBrush(QColor(170, 175, 185));
            p.drawRoundedRect(QRectF(3.5, 12.5, 25, 11), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(8.5, 19.5, 15, 9));
            p.setPen(QPen(QColor(40, 90, 170), 1));
            for (qreal y = 22.5; y < 28; y += 2.5)
                p.drawLine(QLineF(11, y, 21, y));
            p.fillRect(QRectF(23, 15, 3, 2), QColor(60, 200, 60));
            return;
        case ButtonPicture::Configure:
            for (int row = 0; row < 3; ++row) {
                const qreal y = 8 + row * 8;
                const qreal knob = row == 1 ? 20 : (row == 0 ? 10 : 14);
                p.setPen(QPen(QColor(90, 90, 90), 2.5, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QLineF(4, y, 28, y));
                p.setPen(QPen(Outline, 1.2));
                p.setBrush(QColor(40, 90, 170));
                p.drawEllipse(QPointF(knob, y), 3.5, 3.5);
            }
            return;
        case ButtonPicture::About: {
            p.setBrush(QColor(40, 90, 170));
            p.drawEllipse(QRectF(3.5, 3.5, 25, 25));
            QFont font;
            font.setFamilies({QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
            font.setPixelSize(19);
            font.setBold(true);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QRectF(3.5, 4, 25, 25), Qt::AlignCenter, QStringLiteral("i"));
            return;
        }
        case ButtonPicture::Exit:
            p.setBrush(QColor(150, 100, 60));
            p.drawRect(QRectF(5.5, 3.5, 14, 25));
            p.setBrush(QColor(230, 200, 90));
            p.drawEllipse(QPointF(16, 16), 1.5, 1.5);
            p.setPen(QPen(QColor(190, 40, 40), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QLineF(17, 16, 28, 16));
            p.drawLine(QLineF(24, 11.5, 28.5, 16));
            p.drawLine(QLineF(24, 20.5, 28.5, 16));
            return;
        }
    });
}

// The program's icon on a 64 x 64 grid: a structure report (a sheet with a title and a
// field table) over a drum of stored records.
void applicationPicture(QPainter& p)
{
    const QColor blue(40, 90, 170);
    const QColor grid(120, 144, 170);
    const QPen outline(Outline, 2, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    p.setPen(outline);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{{12, 4}, {42, 4}, {54, 16}, {54, 60}, {12, 60}});
    p.setBrush(QColor(210, 214, 222));
    p.drawPolygon(QPolygonF{{42, 4}, {42, 16}, {54, 16}});
    p.fillRect(QRectF(17, 9, 20, 4), blue);
    p.setPen(QPen(grid, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(17, 20, 32, 34));
    p.fillRect(QRectF(17, 20, 32, 6), blue);
    for (const qreal y : {33.0, 40.0, 47.0})
        p.drawLine(QLineF(17, y, 49, y));
    p.drawLine(QLineF(29, 26, 29, 54));
    // The drum: its body with a hoop, then the lid.
    p.setPen(outline);
    p.setBrush(QColor(220, 170, 40));
    QPainterPath body;
    body.moveTo(4, 41);
    body.lineTo(4, 57);
    body.arcTo(QRectF(4, 53, 22, 8), 180, 180);
    body.lineTo(26, 41);
    p.drawPath(body);
    p.setPen(QPen(Outline, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(4, 45, 22, 8), 180 * 16, 180 * 16);
    p.setPen(outline);
    p.setBrush(QColor(240, 204, 102));
    p.drawEllipse(QRectF(4, 37, 22, 8));
}

} // namespace

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(draw(size, size, [size](QPainter& p) {
            p.scale(size / 64.0, size / 64.0);
            applicationPicture(p);
        }));
    return icon;
}

QPixmap aliasPicture()
{
    return draw(16, 11, [](QPainter& p) { drum(p, QRectF(3.5, 0.5, 9, 10), QColor(220, 170, 40)); });
}

QIcon tableImage(int index)
{
    return QIcon(index == 0 ? tablePicture() : filePicture());
}

QIcon volumePicture(Volume::Kind kind)
{
    return QIcon(drawVolumePicture(kind));
}

QIcon buttonIcon(ButtonPicture picture)
{
    return QIcon(buttonPicture(picture));
}

} // namespace korvex
