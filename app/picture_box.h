#pragma once

#include "platform/image_surface.h"

#include <QWidget>

namespace palshift {

// A borderless picture box: paints its surface's picture at 1:1 and is exactly its size.
// Transparent pixels, and a box with nothing painted yet, show a checkerboard; a box with the
// keyboard focus shows a focus frame. The conversion reads and paints it through surface().
class PictureBox : public QWidget {
public:
    explicit PictureBox(QWidget* parent = nullptr);

    PictureSurface& surface() { return surface_; }
    const ImageSurface& imageSurface() const { return surface_; }
    const QImage& image() const { return surface_.image(); }

    // Shows picture and takes its size.
    void setPicture(const QImage& picture);
    // Takes over what surface shows and its size.
    void setSurface(const ImageSurface& surface);
    // Takes a new size; a box whose size changes starts blank.
    void setPictureSize(QSize size);
    // Erases everything painted.
    void cls();

protected:
    void paintEvent(QPaintEvent* event) override;

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
};

}  // namespace palshift
