#pragma once

#include "app/palette_usage.h"

#include <QWidget>

#include <optional>

class QLabel;
class QSpinBox;

namespace palshift {

class PaletteGrid;

// Both palettes side by side, as 16 x 16 grids: the entries the picture uses are marked, Diablo 1
// entries whose best Diablo 2 match is farther than the distance set below the grids are flagged
// (the flag takes the place of the used mark). Hovering a Diablo 1 entry highlights the Diablo 2
// entry it maps to and tells both entries, their colours and the distance; clicking an entry
// selects it (a second click lets go), for the window to show its pixels.
class PalettePanel : public QWidget {
    Q_OBJECT

public:
    explicit PalettePanel(int farMatch, QWidget* parent = nullptr);

    // The palettes as last loaded; until loaded is true, the panel says they are not.
    void setPalettes(const Palette& source, const Palette& target, bool loaded);
    void setUsage(const PaletteUsage& usage);

    // The entry selected, in at most one of the palettes.
    std::optional<int> selectedSource() const { return selectedSource_; }
    std::optional<int> selectedTarget() const { return selectedTarget_; }
    // Lets go of the entry selected, if any (Esc in the panel does too).
    void letGo();

    int farMatch() const;
    PaletteGrid* sourceGrid() const { return sourceGrid_; }
    PaletteGrid* targetGrid() const { return targetGrid_; }
    QString info() const;

signals:
    void selectionChanged();
    void farMatchChanged(int distance);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void hoverSource(int entry);
    void hoverTarget(int entry);
    void select(std::optional<int>& selected, int entry);
    void showMarks();
    void showHighlights();
    void sayNothingHovered();

    PaletteGrid* const sourceGrid_;
    PaletteGrid* const targetGrid_;
    QLabel* const info_;
    QSpinBox* const farMatch_;
    Palette source_{}, target_{};
    MappingTable matches_{};
    PaletteUsage usage_;
    bool loaded_ = false;
    std::optional<int> selectedSource_, selectedTarget_, hoveredSource_;
};

}  // namespace palshift
