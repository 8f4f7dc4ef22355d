#pragma once

#include "app/file_dialog.h"
#include "app/message_boxes.h"
#include "app/picture_box.h"
#include "app/status_bar.h"
#include "convert/conversion_state.h"
#include "convert/palette_file.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QPushButton;
class QScrollArea;

namespace palshift {

// The window: the source picture and its conversion side by side, the four steps as buttons,
// "&File" and "&Convert" on the menu bar. It owns the conversion state for its whole life.
// Commands that fail show a message naming the file and the reason; the window goes on.
class Form1 : public QMainWindow {
    QWidget* const canvas_;  // holds the pictures and buttons; first, as they are made on it

public:
    // "Load Pals" looks the palettes up from programFolder each time (lookUpPaletteFiles).
    // Without a dialog or message boxes, Qt's are used.
    explicit Form1(const QString& programFolder, std::unique_ptr<FileDialog> dialog = nullptr,
                   std::unique_ptr<MessageBoxes> messages = nullptr);

    // "&Open" of file without the dialog, as the command line and a drop do. False when it failed.
    bool loadFile(const QString& file);

    // Places Picture2 beside Picture1 at its size, the buttons below, and sizes the window to fit.
    void MoveCommands();

    // The commands. A button's handler returns whether its step ran to its end.
    bool Command1_Click();  // "Load Pals"
    bool Command2_Click();  // "New Pal"
    bool Command3_Click();  // "Draw Pic"
    bool Command4_Click();  // "Save Picture"
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mbuFileExit_Click();
    void mbuConvert_Click();

    const ConversionState& conversion() const { return conversion_; }
    const QString& openFileName() const { return OpenFileName; }

    PictureBox* const Picture1;
    PictureBox* const Picture2;
    QPushButton* const Command1;
    QPushButton* const Command2;
    QPushButton* const Command3;
    QPushButton* const Command4;
    StatusBar* const SB1;
    QAction* const mnuFileOpen;
    QAction* const mnuFileSave;
    QAction* const mbuFileExit;
    QAction* const mbuConvert;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void Form_Load();
    void Form_Resize();
    bool chooseSaveFileName();
    // Runs a step; a failure is shown to the user. True when the step ran to its end.
    bool attempt(const std::function<void()>& step);

    ConversionState conversion_;
    QString OpenFileName;
    const QString programFolder_;
    std::unique_ptr<FileDialog> CD1;
    std::unique_ptr<MessageBoxes> messages_;
    QScrollArea* const scrollArea_;
};

}  // namespace palshift
