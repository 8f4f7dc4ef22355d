#pragma once

#include "pictures/image_surface.h"

#include <QWidget>

namespace palshift {

// A borderless picture box: paints its surface's picture magnified zoom times, in square pixels,
// and is exactly that size. Only the part asked for is painted, so a large magnified picture in a
// scroll area costs what its visible part does. Transparent pixels, and a box with nothing
// painted yet, show a checkerboard; marks (a picture of the same size, mostly transparent) are
// painted over it. It takes no keyboard focus. The conversion reads and paints it through
// surface(), at the picture's own size.
class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    PictureSurface& surface() { return surface_; }
    const ImageSurface& imageSurface() const { return surface_; }
    const QImage& image() const { return surface_.image(); }
    // The picture's size in its own pixels, whatever the zoom.
    QSize pictureSize() const { return {static_cast<int>(surface_.width()), static_cast<int>(surface_.height())}; }

    // Shows picture and takes its size.
    void setPicture(const QImage& picture);
    // Takes over what surface shows and its size.
    void setSurface(const ImageSurface& surface);
    // Takes a new size; a box whose size changes starts blank.
    void setPictureSize(QSize size);
    // Erases everything painted.
    void cls();

    int zoom() const { return zoom_; }
    // Each picture pixel becomes zoom x zoom screen pixels; the box takes the magnified size.
    void setZoom(int zoom);
    // Painted over the picture, pixel for pixel; a null picture marks nothing.
    void setMarks(const QImage& marks);
    const QImage& marks() const { return marks_; }

signals:
    // The picture pixel under the mouse, and the mouse leaving the box.
    void hovered(QPoint pixel);
    void left();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // Hiding the surface hides the box; painting shows once the box is shown again.
    class Surface : public ImageSurface {
    public:
        explicit Surface(PictureBox& box) : box_(box) {}
        using ImageSurface::operator=;
        void setVisible(bool visible) override;

    private:
        PictureBox& box_;
    };

    void fitToPicture();

    Surface surface_{*this};
    int zoom_ = 1;
    QImage marks_;
};

}  // namespace palshift
