#pragma once

#include "app/background_pass.h"
#include "app/conversion_view.h"
#include "app/file_dialog.h"
#include "app/message_boxes.h"
#include "app/picture_box.h"
#include "app/settings.h"
#include "app/status_bar.h"
#include "app/work_runner.h"
#include "convert/conversion_state.h"
#include "convert/palette_file.h"

#include <QMainWindow>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;

namespace palshift {

class PalettePanel;

// The second status panel's note: how many of the pixels match no Diablo 1 colour, in the user's
// locale ("230,000 of 81,000,000 pixels ..." in English).
QString unmatchedNote(qint64 unmatched, qint64 pixels);

// The window: the source picture and its conversion side by side, the four steps as buttons,
// "&File" and "&Convert" on the menu bar. It owns the conversion state for its whole life.
// Long steps run off the interface thread (Esc cancels them, and a cancelled step changes
// nothing); commands that fail show a message naming the file and the reason; the window goes on.
class Form1 : public QMainWindow {
    QWidget* const central_;      // the pictures' scroll area with the buttons below it
    QScrollArea* const scrollArea_;  // only the pictures scroll
    QWidget* const pictures_;     // Picture1; Picture2 is in a scroll area of its own

public:
    // "Load Pals" looks the palettes up from programFolder each time (lookUpPaletteFiles).
    // Without a dialog or message boxes, Qt's are used.
    explicit Form1(const QString& programFolder, std::unique_ptr<FileDialog> dialog = nullptr,
                   std::unique_ptr<MessageBoxes> messages = nullptr);

    // "&Open" of file without the dialog, as the command line and a drop do. False when it failed
    // or was cancelled.
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
    void mnuFilePalettes_Click();
    void mnuFileExportMapping_Click();

    const ConversionState& conversion() const { return conversion_; }
    const QString& openFileName() const { return OpenFileName; }
    WorkRunner& runner() { return runner_; }
    const Settings& settings() const { return settings_; }

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
    QAction* const mnuFilePalettes;
    QAction* const mnuFileExportMapping;

    // Viewing the conversion (view_commands.cpp): zoom, the pixel inspector, the palette panel and
    // the marks over both pictures.
    int zoom() const { return zoom_; }
    // zoom is one of zoomLevels; the choice is remembered for the next run.
    void setZoom(int zoom);
    ConversionView view() const;
    PalettePanel* palettePanel() const { return palettePanel_; }
    // The marks and the palette usage are worked out off the interface thread: pending until shown.
    BackgroundPass& viewPass() { return viewPass_; }
    QMenu* mnuView = nullptr;
    QAction* mnuViewZoomIn = nullptr;
    QAction* mnuViewZoomOut = nullptr;
    QAction* mnuViewActualSize = nullptr;
    QList<QAction*> mnuViewZoom;  // one per zoom level
    QAction* mnuViewPalettes = nullptr;
    QAction* mnuViewUnmatched = nullptr;
    QLabel* pixelInspector = nullptr;  // a status panel

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Step = std::function<void(ConversionState& working, const StepProgress& progress, StatusLine& status)>;

    void Form_Load();
    void Form_Resize();
    // Runs step through the runner on a copy of the conversion state, which it then takes unless
    // the step was cancelled. True when the step ran to its end.
    bool runStep(const Step& step);
    // Runs a save through the runner on conversion_ itself, uncopied: a save only reads the state
    // but for its scratch (the pixel buffer, PalCounter, the file header), which nothing else
    // reads meanwhile. A failing or cancelled save leaves the file as it was. True when it ran to its end.
    bool runSave(const Step& step);
    // Where a drawing over every pixel of Picture2 is painted aside: the painting shown before the
    // one shown now, when it has the size (so no new memory is needed), else a copy of Picture2's.
    ImageSurface paintingAside();
    // Shows painting in Picture2; the one shown before is kept for the next painting aside.
    void showPainting(const ImageSurface& painting);
    bool chooseSaveFileName();
    // False, after saying so, unless the target index map was converted from the picture shown.
    bool checkConverted();
    // True, after saying so, when name is a folder.
    bool refuseFolder(const QString& name);
    // True when name is free, or the user agrees to replace the file there. The save dialogs leave
    // this question to the window, so that it is asked once, of the name written.
    bool confirmReplace(const QString& name);
    // Runs a step; a failure is shown to the user. True when the step ran to its end.
    bool attempt(const std::function<void()>& step);
    void setBusy(bool busy);
    void placeButtons(int top);
    qint64 pixels() const;
    // The second status panel: how many pixels of the last identification matched nothing.
    void showUnmatchedNote();
    // After New Pal or Draw Pic: the note says when Load Pals has not run on the picture shown.
    void noteWithoutLoadPals();
    // The palettes and rules chosen in File > Palettes..., or diablo.pal and diablo2.pal looked up
    // from the program's folder, as 768-byte files, under the default rules.
    PaletteFiles paletteFiles() const;
    std::optional<PaletteFormats> paletteFormats() const;
    ConversionRules rules() const;
    void setUpView();
    // After a step or an open: the palette panel and the marks follow what is known now.
    void showConversion();
    // Starts the pass for the marks asked for (and the palette usage, when it is wanted); what
    // showed before goes at once.
    void showMarks();
    // Esc: the view's pass stops, and what it was to show is no longer asked for.
    void stopViewPass();
    int statusWidth() const;

    ConversionState conversion_;
    // The maps of the state before the last step's, reused by the next step's copy.
    IndexMap spareSourceMap_, spareTargetMap_;
    ImageSurface sparePainting_;
    QString OpenFileName;
    const QString programFolder_;
    std::unique_ptr<FileDialog> CD1;
    std::unique_ptr<MessageBoxes> messages_;
    Settings settings_;
    WorkRunner runner_;
    bool closeWhenIdle_ = false;
    QPointer<QWidget> focusBeforeBusy_;  // given back when the step ends

    // Which picture the results belong to: each open makes a new one.
    std::uint64_t shownPicture_ = 1;
    std::uint64_t identifiedPicture_ = 0;  // of the source index map
    std::uint64_t convertedPicture_ = 0;   // of the target index map
    std::uint64_t namedPicture_ = 0;       // for which SaveFileName was chosen
    // The transparent entry of the target index map, as the rules were when it was converted.
    std::optional<std::uint8_t> convertedTransparentIndex_;

    QMargins frameMargins_;  // the window system's frame, as the last layout knew it
    int zoom_ = 1;
    int wheelTurn_ = 0;  // eighths of a degree towards the next zoom step
    PalettePanel* palettePanel_ = nullptr;
    BackgroundPass viewPass_;  // reads conversion_: stopped before that changes
    std::jthread releaser_;  // frees what the last picture held, off the interface thread
    bool usageWanted_ = false;  // the panel waits for this picture's palette usage
    QScrollArea* scrollArea2_ = nullptr;  // Picture2's, scrolled with scrollArea_
    QWidget* pictures2_ = nullptr;
};

}  // namespace palshift
