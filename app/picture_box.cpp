#include "app/picture_box.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace palshift {

namespace {

// Light and lighter grey squares, as image editors show what has no colour.
QBrush checkerboard()
{
    constexpr int square = 8;
    QPixmap tile(2 * square, 2 * square);
    tile.fill(QColor(255, 255, 255));
    QPainter painter(&tile);
    painter.fillRect(0, 0, square, square, QColor(204, 204, 204));
    painter.fillRect(square, square, square, square, QColor(204, 204, 204));
    return QBrush(tile);
}

// The picture pixels that cover area of a box magnified zoom times.
QRect picturePixels(const QRect& area, int zoom)
{
    return QRect(QPoint(area.left() / zoom, area.top() / zoom), QPoint(area.right() / zoom, area.bottom() / zoom));
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void PictureBox::setPicture(const QImage& picture)
{
    surface_.setPicture(picture);
    fitToPicture();
}

void PictureBox::setSurface(const ImageSurface& surface)
{
    surface_ = surface;
    fitToPicture();
}

void PictureBox::setPictureSize(QSize size)
{
    surface_.resize(size.width(), size.height());
    fitToPicture();
}

void PictureBox::cls()
{
    surface_.cls();
    update();
}

void PictureBox::setZoom(int zoom)
{
    if (zoom == zoom_)
        return;
    zoom_ = zoom;
    fitToPicture();
}

void PictureBox::setMarks(const QImage& marks)
{
    marks_ = marks;
    update();
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QImage& image = surface_.image();
    if (image.isNull() || image.hasAlphaChannel())
        painter.fillRect(event->rect(), checkerboard());
    // Whole picture pixels only, and only those asked for: the scaling is nearest neighbour, with
    // each pixel's square starting on a multiple of the zoom.
    const QRect pixels = picturePixels(event->rect(), zoom_) & QRect(QPoint(0, 0), pictureSize());
    const QRect target(pixels.topLeft() * zoom_, pixels.size() * zoom_);
    if (!image.isNull() && !pixels.isEmpty())
        painter.drawImage(target, image, pixels);
    if (!marks_.isNull() && !pixels.isEmpty())
        painter.drawImage(target, marks_, pixels);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    // QPoint's own division rounds; a pixel's square is its whole zoom x zoom.
    const QPoint position = event->position().toPoint();
    if (rect().contains(position))
        emit hovered(QPoint(position.x() / zoom_, position.y() / zoom_));
    QWidget::mouseMoveEvent(event);
}

void PictureBox::leaveEvent(QEvent* event)
{
    emit left();
    QWidget::leaveEvent(event);
}

void PictureBox::fitToPicture()
{
    setFixedSize(pictureSize() * zoom_);
    update();
}

void PictureBox::Surface::setVisible(bool visible)
{
    ImageSurface::setVisible(visible);
    box_.setVisible(visible);
    if (visible)
        box_.update();
}

}  // namespace palshift
