#pragma once

#include <QString>

namespace palshift {

// What the window keeps between runs, in the user's settings for "palshift". Read once, when
// made; each change is stored at once.
class Settings {
public:
    Settings();

    // The folder of the last picture opened or the last file saved; empty at first.
    const QString& lastFolder() const { return lastFolder_; }
    void setLastFolder(const QString& folder);

private:
    QString lastFolder_;
};

}  // namespace palshift
