#include "AppImages.h"

#include "ImgList.h"

#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {

const QColor navy(40, 60, 130);
const QColor green(30, 140, 50);
const QColor red(200, 40, 40);
const QColor paper(255, 255, 250);
const QColor ink(70, 70, 90);

QImage draw(const std::function<void(QPainter&)>& Paint) {
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Paint(p);
    return img;
}

void triangle(QPainter& p, bool Left, qreal X, const QColor& C) {
    QPainterPath t;
    if (Left) {
        t.moveTo(X + 6, 3);
        t.lineTo(X, 8);
        t.lineTo(X + 6, 13);
    } else {
        t.moveTo(X, 3);
        t.lineTo(X + 6, 8);
        t.lineTo(X, 13);
    }
    t.closeSubpath();
    p.fillPath(t, C);
}

void page(QPainter& p, const QRectF& R) {
    p.setPen(QPen(ink, 1));
    p.setBrush(paper);
    p.drawRect(R);
}

} // namespace

void AddActionImages(TCustomImageList* List) {
    std::vector<QImage> images(ActionImageCount, draw([](QPainter&) {}));
    images[0] = draw([](QPainter& p) {
        p.fillRect(QRectF(3, 3, 2, 10), navy);
        triangle(p, true, 6, navy);
    });
    images[1] = draw([](QPainter& p) { triangle(p, true, 5, navy); });
    images[2] = draw([](QPainter& p) { triangle(p, false, 5, navy); });
    images[3] = draw([](QPainter& p) {
        triangle(p, false, 4, navy);
        p.fillRect(QRectF(11, 3, 2, 10), navy);
    });
    images[4] = draw([](QPainter& p) {
        p.setPen(QPen(green, 2));
        p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 280 * 16);
        QPainterPath head;
        head.moveTo(9, 1);
        head.lineTo(13, 4);
        head.lineTo(9, 7);
        head.closeSubpath();
        p.fillPath(head, green);
    });
    images[5] = draw([](QPainter& p) {
        p.fillRect(QRectF(7, 2, 3, 12), green);
        p.fillRect(QRectF(2, 7, 12, 3), green);
    });
    images[6] = draw([](QPainter& p) { p.fillRect(QRectF(2, 7, 12, 3), red); });
    images[7] = draw([](QPainter& p) {
        p.translate(8, 8);
        p.rotate(45);
        p.fillRect(QRectF(-2, -7, 4, 10), QColor(230, 170, 40));
        p.fillRect(QRectF(-2, -7, 4, 2), QColor(200, 80, 80));
        QPainterPath tip;
        tip.moveTo(-2, 3);
        tip.lineTo(2, 3);
        tip.lineTo(0, 7);
        tip.closeSubpath();
        p.fillPath(tip, ink);
    });
    images[8] = draw([](QPainter& p) {
        page(p, QRectF(2.5, 1.5, 10, 13));
        p.setPen(QPen(navy, 1));
        for (int y = 4; y <= 12; y += 2)
            p.drawLine(QPointF(4.5, y + 0.5), QPointF(10.5, y + 0.5));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(green, 1.5));
        p.drawEllipse(QRectF(8, 8, 5, 5));
        p.drawLine(QPointF(12.5, 12.5), QPointF(15, 15));
    });
    images[9] = draw([](QPainter& p) {
        p.setPen(QPen(green, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(2.5, 8.5), QPointF(6.5, 12.5), QPointF(13.5, 3.5)}));
    });
    images[10] = draw([](QPainter& p) {
        p.setPen(QPen(red, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    });
    images[11] = draw([](QPainter& p) {
        p.setPen(QPen(ink, 1));
        p.setBrush(paper);
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.fillRect(QRectF(2, 3, 12, 3), navy);
        p.setPen(QPen(red, 1.5));
        p.drawLine(QPointF(5.5, 7.5), QPointF(10.5, 12));
        p.drawLine(QPointF(10.5, 7.5), QPointF(5.5, 12));
    });
    images[12] = draw([](QPainter& p) {
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(160, 110, 60));
        p.drawRect(QRectF(2.5, 1.5, 7, 13));
        p.fillRect(QRectF(7, 8, 1.5, 1.5), QColor(250, 220, 90));
        p.setPen(QPen(red, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(9.5, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(12, 5.5), QPointF(14.5, 8));
        p.drawLine(QPointF(12, 10.5), QPointF(14.5, 8));
    });
    images[27] = draw([](QPainter& p) {
        page(p, QRectF(0.5, 2.5, 15, 11));
        p.setPen(Qt::NoPen);
        p.setBrush(navy);
        p.drawEllipse(QRectF(3, 4.5, 3.5, 3.5));
        p.drawRoundedRect(QRectF(2, 8.5, 5.5, 3.5), 1.5, 1.5);
        p.setPen(QPen(ink, 1));
        for (int y = 5; y <= 11; y += 3)
            p.drawLine(QPointF(9, y + 0.5), QPointF(13.5, y + 0.5));
    });
    images[29] = draw([](QPainter& p) {
        p.setPen(QPen(ink, 1));
        p.drawLine(QPointF(8, 5), QPointF(8, 8));
        p.drawLine(QPointF(3, 8.5), QPointF(13, 8.5));
        p.drawLine(QPointF(3, 8.5), QPointF(3, 10));
        p.drawLine(QPointF(13, 8.5), QPointF(13, 10));
        p.setBrush(QColor(90, 130, 210));
        p.drawRect(QRectF(5.5, 1.5, 5, 4));
        p.setBrush(QColor(120, 190, 120));
        p.drawRect(QRectF(0.5, 10.5, 5, 4));
        p.drawRect(QRectF(10.5, 10.5, 5, 4));
    });
    List->BeginUpdate();
    for (const QImage& img : images)
        List->AddImage(img);
    List->EndUpdate();
}

QImage ProductEmblem(int Size, const QColor& Back) {
    QImage img(Size, Size,
               Back.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    img.fill(Back);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(Size / 100.0, Size / 100.0);
    // a card lying behind another, the front one with a portrait and lines of text
    p.setPen(QPen(QColor(102, 102, 154), 2));
    p.setBrush(QColor(212, 212, 235));
    p.drawRoundedRect(QRectF(16, 8, 74, 56), 6, 6);
    p.setBrush(QColor(255, 255, 252));
    p.drawRoundedRect(QRectF(6, 26, 78, 62), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(128, 128, 192));
    p.drawEllipse(QRectF(15, 36, 20, 20));
    QPainterPath body;
    body.addRoundedRect(QRectF(11, 58, 28, 20), 9, 9);
    p.drawPath(body);
    p.setPen(QPen(QColor(102, 102, 154), 3, Qt::SolidLine, Qt::RoundCap));
    for (int y : {42, 54, 66})
        p.drawLine(QPointF(46, y), QPointF(74, y));
    p.drawLine(QPointF(46, 78), QPointF(62, 78));
    return img;
}
