#pragma once

#include "app/palette_choice.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace palshift {

class PaletteGrid;

// File > Palettes...: both palette files and their formats, each shown as a grid as it loads
// (or the reason it does not), the transparent index and the rule for off-palette colours.
// OK takes the choice only while both palettes load.
class PalettesDialog : public QDialog {
    Q_OBJECT

public:
    PalettesDialog(const PaletteChoice& initial, QWidget* parent = nullptr);

    PaletteChoice choice() const;

    // One palette's controls.
    struct Side {
        QLineEdit* file;
        QComboBox* format;
        PaletteGrid* grid;
        QLabel* problem;  // why the palette does not load; empty while it does
    };
    const Side& source() const { return source_; }
    const Side& target() const { return target_; }
    QSpinBox* transparentIndex() const { return transparentIndex_; }  // -1 for none
    QComboBox* unmatched() const { return unmatched_; }
    QDialogButtonBox* buttons() const { return buttons_; }

private:
    Side makeSide(const QString& file, PaletteFormat format);
    void showPalette(const Side& side);
    void updateOk();

    Side source_;
    Side target_;
    QSpinBox* transparentIndex_;
    QComboBox* unmatched_;
    QDialogButtonBox* buttons_;
};

}  // namespace palshift
