#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace palshift {

// The window's open and save dialog, as a seam that tests script.
class FileDialog {
public:
    virtual ~FileDialog() = default;

    // The picture file the user chose, starting from preset; nothing when cancelled.
    virtual std::optional<QString> showOpen(const QString& preset) = 0;
    // The file name the user chose to save to, starting with no name; nothing when cancelled.
    virtual std::optional<QString> showSave() = 0;
};

// "Bitmaps(*.bmp)", "All Images" and one entry with every format the picture loading decodes.
QString fileDialogFilter();

// Over QFileDialog.
class QtFileDialog final : public FileDialog {
public:
    explicit QtFileDialog(QWidget* parent) : parent_(parent) {}

    std::optional<QString> showOpen(const QString& preset) override;
    std::optional<QString> showSave() override;

private:
    QWidget* parent_;
};

}  // namespace palshift
