#include "mainwindow/Icons.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <stdexcept>

namespace {

const QColor MaskColour(192, 192, 192);
const QColor FolderOutline(128, 96, 0);
const QColor FolderBack(232, 184, 40);
const QColor FolderFront(255, 220, 96);

using Painter = void (*)(QPainter&);

void PaintClosedFolder(QPainter& p) {
    p.setPen(FolderOutline);
    p.setBrush(FolderBack);
    p.drawPolygon(QPolygon({{1, 3}, {6, 3}, {7, 4}, {14, 4}, {14, 13}, {1, 13}}));
    p.setBrush(FolderFront);
    p.drawRect(1, 6, 13, 7);
    p.setPen(QColor(255, 244, 190));
    p.drawLine(2, 7, 13, 7);
}

void PaintOpenFolder(QPainter& p) {
    p.setPen(FolderOutline);
    p.setBrush(FolderBack);
    p.drawPolygon(QPolygon({{1, 3}, {6, 3}, {7, 4}, {13, 4}, {13, 7}, {1, 13}}));
    p.setPen(QColor(255, 255, 255));
    p.drawLine(3, 6, 11, 6);
    p.setPen(FolderOutline);
    p.setBrush(FolderFront);
    p.drawPolygon(QPolygon({{4, 7}, {15, 7}, {12, 13}, {1, 13}}));
}

void PaintDocument(QPainter& p, const QColor& paper, const QColor& outline, const QColor& lines) {
    p.setPen(outline);
    p.setBrush(paper);
    p.drawPolygon(QPolygon({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}}));
    p.drawPolyline(QPolygon({{10, 1}, {10, 4}, {13, 4}}));
    p.setPen(lines);
    for (int y = 6; y <= 12; y += 2) p.drawLine(5, y, 11, y);
}

void PaintGreyBlueDocument(QPainter& p) {
    PaintDocument(p, QColor(214, 222, 236), QColor(64, 80, 112), QColor(112, 128, 160));
}

void PaintRedDocument(QPainter& p) {
    PaintDocument(p, QColor(236, 96, 96), QColor(128, 0, 0), QColor(255, 208, 208));
}

QPixmap Draw(Painter paint) {
    QPixmap pixmap(16, 16);
    pixmap.fill(MaskColour);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing, false);
        paint(painter);
    }
    pixmap.setMask(pixmap.createMaskFromColor(MaskColour, Qt::MaskInColor));
    return pixmap;
}

}  // namespace

ImageList::ImageList() {
    const std::array<Painter, Count> painters{PaintClosedFolder, PaintOpenFolder,
                                              PaintGreyBlueDocument, PaintRedDocument};
    for (int i = 0; i < Count; ++i) {
        pixmaps_[i] = Draw(painters[i]);
        icons_[i] = QIcon(pixmaps_[i]);
    }
}

const QIcon& ImageList::Icon(int index) const {
    if (index < 1 || index > Count) throw std::out_of_range("image index out of range");
    return icons_[index - 1];
}

const QPixmap& ImageList::Pixmap(int index) const {
    if (index < 1 || index > Count) throw std::out_of_range("image index out of range");
    return pixmaps_[index - 1];
}

QImage DrawProgramIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    // Drawn on a 256 x 256 grid; outlines are at least one pixel wide at every size.
    p.scale(size / 256.0, size / 256.0);
    const qreal line = std::max(6.0, 256.0 / size);

    // The tile.
    QLinearGradient sky(0, 12, 0, 244);
    sky.setColorAt(0, QColor(70, 120, 196));
    sky.setColorAt(1, QColor(26, 50, 104));
    p.setPen(QPen(QColor(16, 32, 72), line));
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(12, 12, 232, 232), 44, 44);

    // Below 32 pixels the papers would only blur the "V": the box alone fills the tile.
    if (size < 32) {
        p.setPen(QPen(FolderOutline, line));
        p.setBrush(FolderFront);
        p.drawPolygon(QPolygonF({{20, 48}, {236, 48}, {226, 84}, {30, 84}}));
        p.setBrush(FolderBack);
        p.drawRect(QRectF(30, 84, 196, 148));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(26, 50, 104));
        p.drawPolygon(QPolygonF(
            {{64, 100}, {110, 100}, {128, 164}, {146, 100}, {192, 100}, {150, 222}, {106, 222}}));
        return image;
    }

    // Two papers standing in the box.
    p.setPen(QPen(QColor(64, 80, 112), line));
    p.setBrush(QColor(248, 250, 255));
    p.drawPolygon(QPolygonF({{62, 104}, {74, 34}, {150, 46}, {140, 110}}));
    p.setBrush(QColor(214, 222, 236));
    p.drawPolygon(QPolygonF({{118, 108}, {136, 50}, {200, 68}, {186, 112}}));
    p.setPen(QPen(QColor(112, 128, 160), line * 0.8));
    for (int i = 0; i < 3; ++i) p.drawLine(QPointF(86, 60 + 16 * i), QPointF(134, 68 + 16 * i));

    // The box: its rim, then its front with the "V".
    p.setPen(QPen(FolderOutline, line));
    p.setBrush(FolderFront);
    p.drawPolygon(QPolygonF({{36, 96}, {220, 96}, {210, 122}, {46, 122}}));
    p.setBrush(FolderBack);
    p.drawRect(QRectF(46, 122, 164, 98));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(26, 50, 104));
    p.drawPolygon(QPolygonF(
        {{88, 136}, {114, 136}, {128, 180}, {142, 136}, {168, 136}, {140, 208}, {116, 208}}));
    return image;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
    return icon;
}
