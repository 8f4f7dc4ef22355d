#pragma once

#include "app/palette_choice.h"

#include <QString>

#include <optional>

namespace palshift {

// What the window keeps between runs, in the user's settings for "palshift". Read once, when
// made; each change is stored at once.
class Settings {
public:
    Settings();

    // The folder of the last picture opened or the last file saved; empty at first.
    const QString& lastFolder() const { return lastFolder_; }
    void setLastFolder(const QString& folder);

    // The palettes and rules chosen last; nothing until a choice is made.
    const std::optional<PaletteChoice>& paletteChoice() const { return paletteChoice_; }
    void setPaletteChoice(const PaletteChoice& choice);

    // The pictures' magnification, one of zoomLevels; 1 at first.
    int zoom() const { return zoom_; }
    void setZoom(int zoom);

    // How far a Diablo 1 entry's nearest Diablo 2 entry may be before the palette panel flags it.
    int farMatch() const { return farMatch_; }
    void setFarMatch(int distance);

private:
    QString lastFolder_;
    std::optional<PaletteChoice> paletteChoice_;
    int zoom_;
    int farMatch_;
};

}  // namespace palshift
