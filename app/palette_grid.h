#pragma once

#include "palettes/palette.h"

#include <QWidget>

#include <array>
#include <cstdint>

namespace palshift {

// A palette shown as 16 x 16 square swatches, entry 0 top-left, row by row. Entries can carry marks,
// both at once: used (a dot in the middle), flagged (a red corner); one entry can be highlighted.
// Swatches grow with the widget and stay square.
class PaletteGrid : public QWidget {
    Q_OBJECT

public:
    // Bits of an entry's marks.
    enum Mark : std::uint8_t { None = 0, Used = 1, Flagged = 2 };
    using Marks = std::array<std::uint8_t, 256>;

    static constexpr int noEntry = -1;

    explicit PaletteGrid(QWidget* parent = nullptr);

    // Named apart from QWidget::setPalette, which is the widget's style colours.
    void setColours(const Palette& colours);
    const Palette& colours() const { return colours_; }

    // Throw std::out_of_range for an entry outside 0..255.
    void setMark(int entry, std::uint8_t marks);
    std::uint8_t mark(int entry) const;
    void setMarks(const Marks& marks);
    void clearMarks();

    // noEntry highlights nothing; anything else outside 0..255 throws std::out_of_range.
    void setHighlighted(int entry);
    int highlighted() const { return highlighted_; }

    // The entry whose swatch holds point (widget coordinates), or noEntry between and outside them.
    int entryAt(QPoint point) const;
    // Where entry's swatch is painted; throws std::out_of_range outside 0..255.
    QRect swatchRect(int entry) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The entry under the pointer changed; noEntry once it leaves the swatches.
    void entryHovered(int entry);
    void entryClicked(int entry);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int cellSide() const;
    void hover(int entry);

    Palette colours_{};
    Marks marks_{};
    int highlighted_ = noEntry;
    int hovered_ = noEntry;
};

}  // namespace palshift
