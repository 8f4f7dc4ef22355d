#pragma once

#include "pictures/picture_surface.h"

#include <QImage>


namespace palshift {

// A picture surface over a QImage: the decoded picture of Picture1, or the painting of Picture2.
// A colour is the red, green and blue the image stores (from its colour table when indexed);
// alpha is ignored.
class ImageSurface : public PictureSurface {
public:
    ImageSurface() = default;
    explicit ImageSurface(const QImage& picture) { setPicture(picture); }

    // Shows picture and takes its size. Throws std::bad_alloc when its 32-bit copy cannot be made.
    void setPicture(const QImage& picture);
    // Takes a new size; a surface whose size changes starts blank.
    void resize(int width, int height);
    // Erases everything painted.
    void cls();

    // What the surface shows: null while nothing is painted on a blank surface.
    const QImage& image() const { return image_; }
    bool isVisible() const { return visible_; }

    double width() const override { return width_; }
    double height() const override { return height_; }
    void readRow(std::int32_t y, std::span<ColourValue> row) const override;
    const IndexedColours* indexedColours() const override;
    std::span<const std::uint8_t> indexRow(std::int32_t y) const override;
    void paintRow(std::int32_t y, std::span<const ColourValue> row) override;
    // Row y of the painting as 32-bit ARGB pixels, for painting directly; blank pixels are
    // transparent, as paintRow leaves them. Null outside the surface.
    QRgb* paintScanLine(std::int32_t y);
    void setVisible(bool visible) override { visible_ = visible; }

private:
    QImage image_;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    IndexedColours indexedColours_{};  // -1 past the image's colour table
};

}  // namespace palshift
