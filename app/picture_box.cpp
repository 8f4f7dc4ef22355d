#include "app/picture_box.h"

#include <QPainter>

namespace palshift {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureBox::setPicture(const QImage& picture)
{
    surface_.setPicture(picture);
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

void PictureBox::paintEvent(QPaintEvent*)
{
    if (surface_.image().isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), surface_.image());
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
