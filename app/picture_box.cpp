#include "app/picture_box.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

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

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
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

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QImage& image = surface_.image();
    if (image.isNull() || image.hasAlphaChannel())
        painter.fillRect(event->rect(), checkerboard());
    if (!image.isNull())
        painter.drawImage(QPoint(0, 0), image);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = palette().color(QPalette::Window);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void PictureBox::fitToPicture()
{
    setFixedSize(static_cast<int>(surface_.width()), static_cast<int>(surface_.height()));
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
