#pragma once

#include "app/file_dialog.h"
#include "app/form1.h"
#include "app/message_boxes.h"

#include <QImage>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <ostream>

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace palshift::test {

// The scripted answer of a dialog that the user cancels.
inline const QString cancelled;

template <typename Answer>
Answer nextAnswer(std::deque<Answer>& script, const char* what)
{
    if (script.empty()) {
        ADD_FAILURE() << "unexpected " << what;
        return Answer{};
    }
    const Answer answer = script.front();
    script.pop_front();
    return answer;
}

// Answers from a script and keeps the presets shown. An unscripted dialog fails the test.
struct ScriptedFileDialog : FileDialog {
    std::optional<QString> showOpen(const QString& preset) override;
    std::optional<QString> showSave() override;

    std::deque<QString> openAnswers, saveAnswers;
    QStringList openPresets;
    int saveShown = 0;
};

struct RecordingMessageBoxes : MessageBoxes {
    void showFailure(const QString& message) override { failures << message; }
    bool confirmReplace(const QString& file) override { replaceAsked << file; return nextAnswer(replaceAnswers, "question"); }

    QStringList failures, replaceAsked;
    std::deque<bool> replaceAnswers;
};

// Diablo 1: 0 black, 1 red, 2 green, 3 blue, the rest (i, 100, 50).
Palette sourcePalette();
// Diablo 2: grey (128, 128, 128) but 4 near black, 7 near red, 9 near green, 11 near blue.
Palette targetPalette();
void writePalette(const QString& file, const Palette& palette);
// 3 x 2: red, green, blue over black, (1, 2, 3) (in no palette), red.
QImage testPicture();
// Row by row, top row first.
QList<int> values(const IndexMap& map);
// What the widget shows on screen, row by row.
QList<QRgb> shownColours(QWidget* widget);

// A shown window over a program folder holding sourcePalette() and targetPalette(), with scripted
// dialogs; statusTexts receives every status text set after start-up.
class WindowTest : public testing::Test {
protected:
    WindowTest();

    QString path(const QString& name) const { return folder.filePath(name); }
    QString writePicture(const QString& name, const QImage& picture) const;
    void open(const QString& answer);  // "&Open", the dialog answered
    void save(const QString& answer);  // "&Save", the dialog answered
    static void click(QPushButton* button);

    QTemporaryDir folder;
    ScriptedFileDialog* dialog = nullptr;
    RecordingMessageBoxes* messages = nullptr;
    std::unique_ptr<Form1> window;
    QStringList statusTexts;
};

}  // namespace palshift::test
