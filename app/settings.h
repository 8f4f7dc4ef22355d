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

private:
    QString lastFolder_;
    std::optional<PaletteChoice> paletteChoice_;
};

}  // namespace palshift
