#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace palshift {

// The window's open and save dialog, as a seam that tests script.
class FileDialog {
public:
    virtual ~FileDialog() = default;

    // The picture file the user chose, starting from preset, or in folder when preset is empty;
    // nothing when cancelled.
    virtual std::optional<QString> showOpen(const QString& preset, const QString& folder) = 0;
    // The file name the user chose to save to, starting in folder with no name; nothing when cancelled.
    virtual std::optional<QString> showSave(const QString& folder) = 0;
};

// The open dialog's filters: "Bitmaps(*.bmp)", "All Images", and last the one that lists every
// format the picture loading decodes, which the dialog selects.
QStringList openFilters();
// The save dialog's filters: the formats that saving writes.
QStringList saveFilters();

// Over QFileDialog.
class QtFileDialog final : public FileDialog {
public:
    explicit QtFileDialog(QWidget* parent) : parent_(parent) {}

    std::optional<QString> showOpen(const QString& preset, const QString& folder) override;
    std::optional<QString> showSave(const QString& folder) override;

private:
    QWidget* parent_;
};

}  // namespace palshift
