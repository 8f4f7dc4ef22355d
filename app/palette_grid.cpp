#include "app/palette_grid.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace palshift {

namespace {

constexpr int columns = 16;
constexpr int gap = 1;  // between swatches, so that equal neighbours still read as two entries

int checkedEntry(int entry)
{
    if (entry < 0 || entry > 255)
        throw std::out_of_range("Palette entry " + std::to_string(entry) + " is outside 0 to 255");
    return entry;
}

QColor qColour(const Rgb& colour)
{
    return QColor(colour.red, colour.green, colour.blue);
}

// Black on light swatches and white on dark ones, so that marks show on every colour.
QColor contrasting(const Rgb& colour)
{
    const int luma = 299 * colour.red + 587 * colour.green + 114 * colour.blue;
    return luma >= 128 * 1000 ? Qt::black : Qt::white;
}

}  // namespace

PaletteGrid::PaletteGrid(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void PaletteGrid::setColours(const Palette& colours)
{
    colours_ = colours;
    update();
}

void PaletteGrid::setMark(int entry, std::uint8_t marks)
{
    marks_[checkedEntry(entry)] = marks;
    update();
}

std::uint8_t PaletteGrid::mark(int entry) const
{
    return marks_[checkedEntry(entry)];
}

void PaletteGrid::setMarks(const Marks& marks)
{
    marks_ = marks;
    update();
}

void PaletteGrid::clearMarks()
{
    marks_.fill(None);
    update();
}

void PaletteGrid::setHighlighted(int entry)
{
    highlighted_ = entry == noEntry ? noEntry : checkedEntry(entry);
    update();
}

int PaletteGrid::cellSide() const
{
    return std::max(1, std::min(width(), height()) / columns);
}

QRect PaletteGrid::swatchRect(int entry) const
{
    checkedEntry(entry);
    const int cell = cellSide();
    const int side = std::max(1, cell - gap);
    return QRect((entry % columns) * cell, (entry / columns) * cell, side, side);
}

int PaletteGrid::entryAt(QPoint point) const
{
    const int cell = cellSide();
    if (point.x() < 0 || point.y() < 0)
        return noEntry;
    const int column = point.x() / cell;
    const int row = point.y() / cell;
    if (column >= columns || row >= columns)
        return noEntry;
    const int entry = row * columns + column;
    return swatchRect(entry).contains(point) ? entry : noEntry;
}

QSize PaletteGrid::sizeHint() const
{
    return QSize(columns * 14, columns * 14);
}

QSize PaletteGrid::minimumSizeHint() const
{
    return QSize(columns * 6, columns * 6);
}

void PaletteGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int entry = 0; entry < 256; ++entry) {
        const QRect swatch = swatchRect(entry);
        const Rgb& colour = colours_[entry];
        painter.fillRect(swatch, qColour(colour));
        const QColor ink = contrasting(colour);
        const int dot = std::max(1, swatch.width() / 4);
        if (marks_[entry] & Used)
            painter.fillRect(QRect(swatch.center() - QPoint(dot / 2, dot / 2), QSize(dot, dot)), ink);
        if (marks_[entry] & Flagged) {
            // A red triangle in the top-right corner, edged in ink so that it shows on a red swatch too.
            const int side = std::max(4, swatch.width() / 2);
            const QPoint corner = swatch.topRight();
            const QPolygon triangle({corner, corner - QPoint(side - 1, 0), corner + QPoint(0, side - 1)});
            painter.setPen(QPen(ink, 1));
            painter.setBrush(QColor(255, 0, 0));
            painter.drawPolygon(triangle);
            painter.setBrush(Qt::NoBrush);
        }
    }
    if (highlighted_ != noEntry) {
        const QRect swatch = swatchRect(highlighted_);
        // Two frames, one dark and one light, so that it shows on the swatch and on its neighbours.
        const QColor ink = contrasting(colours_[highlighted_]);
        painter.setPen(QPen(ink, 1));
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
        painter.setPen(QPen(ink == Qt::black ? Qt::white : Qt::black, 1));
        painter.drawRect(swatch.adjusted(1, 1, -2, -2));
    }
}

void PaletteGrid::hover(int entry)
{
    if (entry == hovered_)
        return;
    hovered_ = entry;
    emit entryHovered(entry);
}

void PaletteGrid::mouseMoveEvent(QMouseEvent* event)
{
    hover(entryAt(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void PaletteGrid::mousePressEvent(QMouseEvent* event)
{
    const int entry = entryAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && entry != noEntry)
        emit entryClicked(entry);
    QWidget::mousePressEvent(event);
}

void PaletteGrid::leaveEvent(QEvent* event)
{
    hover(noEntry);
    QWidget::leaveEvent(event);
}

}  // namespace palshift
