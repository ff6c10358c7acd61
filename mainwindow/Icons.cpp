#include "mainwindow/Icons.h"

#include <QBitmap>
#include <QPainter>
#include <QPolygon>
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
