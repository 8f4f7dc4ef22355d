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
    // A name without an ending of the program's takes the chosen type's (savedName). Neither save
    // dialog asks before replacing a file: the window does.
    virtual std::optional<QString> showSave(const QString& folder) = 0;
    // The file name to write the mapping table to, starting in folder; nothing when cancelled. A name
    // ending in neither ".csv" nor ".dat", in any case, takes the chosen type's.
    virtual std::optional<QString> showExportMapping(const QString& folder) = 0;
};

// The open dialog's filters: "Bitmaps(*.bmp)", "All Images", and last the one that lists every
// format the picture loading decodes, which the dialog selects.
QStringList openFilters();
// The save dialog's filters: the formats that saving writes, "Bitmap (*.bmp)" first.
QStringList saveFilters();
// The mapping table's filters: CSV and the 256-byte .dat form.
QStringList mappingFilters();

// Over QFileDialog.
class QtFileDialog final : public FileDialog {
public:
    explicit QtFileDialog(QWidget* parent) : parent_(parent) {}

    std::optional<QString> showOpen(const QString& preset, const QString& folder) override;
    std::optional<QString> showSave(const QString& folder) override;
    std::optional<QString> showExportMapping(const QString& folder) override;

private:
    QWidget* parent_;
};

}  // namespace palshift
