#pragma once

#include "app/form1.h"
#include "app/pixel_marks.h"
#include "tests/test_support.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

// Failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace palshift::test {

// Answers as scripted, a null text for a cancel.
struct ScriptedFileDialog : FileDialog {
    std::optional<QString> showOpen(const QString& preset, const QString& folder) override { openPreset = preset, openFolder = folder; return chosen(openAnswer); }
    std::optional<QString> showSave(const QString&) override { ++saveShown; return chosen(saveAnswer); }
    std::optional<QString> showExportMapping(const QString&) override { return chosen(mappingAnswer); }
    static std::optional<QString> chosen(const QString& answer) { return answer.isNull() ? std::nullopt : std::optional(answer); }

    QString openAnswer, saveAnswer, openPreset, openFolder, mappingAnswer;
    int saveShown = 0;
};

// Records each message with the status text shown meanwhile.
struct RecordingMessageBoxes : MessageBoxes {
    void showFailure(const QString& message) override { failures << message, statusMeanwhile << (status ? status->text() : QString()); }
    bool confirmReplace(const QString& file) override { replaceAsked << file; return replaceAnswer; }

    QStringList failures, statusMeanwhile, replaceAsked;
    bool replaceAnswer = false;
    const StatusBar* status = nullptr;
};

// A picture width pixels wide of the given colours, row by row.
inline QImage picture(int width, const std::vector<QRgb>& colours)
{
    const auto* const bytes = reinterpret_cast<const uchar*>(colours.data());
    return QImage(bytes, width, static_cast<int>(colours.size()) / width, width * 4, QImage::Format_RGB32).copy();
}

// Red, green, blue over black, (1, 2, 3) (in no palette), red.
inline QImage testPicture() { return picture(3, {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0, 0, 0), qRgb(1, 2, 3), qRgb(255, 0, 0)}); }

inline QImage shown(QWidget* widget) { return widget->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Row by row, top row first.
inline QList<int> values(const IndexMap& map)
{
    QList<int> all;
    for (std::int32_t y = 0; y < map.height(); ++y)
        all += QList<int>(map.row(y).begin(), map.row(y).end());
    return all;
}

// A shown window over a program folder holding the primary palettes (primaryPalettes()), with
// scripted dialogs; statusTexts receives every status text set after start-up. Every step runs on
// the worker thread, however small its picture.
class WindowTest : public testing::Test {
protected:
    WindowTest()
    {
        const auto [source, target] = test::primaryPalettes();
        writeFile("diablo.pal", paletteBytes(source));
        writeFile("diablo2.pal", paletteBytes(target));
        window->runner().setBackgroundPixels(0);
        messages->status = window->SB1;
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QObject::connect(window->SB1, &StatusBar::textChanged, window.get(), [this](const QString& text) { statusTexts << text; });
    }

    QString path(const QString& name) const { return folder.filePath(name); }
    QString writeFile(const QString& name, const QByteArray& bytes) const
    {
        writeBytes(path(name), bytes);
        return path(name);
    }
    QString writePicture(const QString& name, const QImage& picture) const
    {
        EXPECT_TRUE(picture.save(path(name))) << name.toStdString();
        return path(name);
    }
    // Until the marks and palette usage worked out off the interface thread are shown; the bound is
    // reached only by a hang.
    void settle() const
    {
        QDeadlineTimer hang(60'000);
        while (window->viewPass().isPending() && !hang.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        EXPECT_FALSE(window->viewPass().isPending()) << "the view's pass hangs";
    }
    // The marks over both pictures, which must agree, per pixel of a 3 x 2 picture row by row: 0 none,
    // 1 unmatched, 2 an entry's.
    QList<int> marks() const
    {
        settle();
        const QImage& marks = window->Picture1->marks();
        EXPECT_EQ(marks, window->Picture2->marks());
        QList<int> kinds;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                kinds << (marks.isNull() || marks.pixel(x, y) == 0 ? 0 : marks.pixel(x, y) == unmatchedMark ? 1 : marks.pixel(x, y) == entryMark ? 2 : -1);
        return kinds;
    }
    void open(const QString& answer) { dialog->openAnswer = answer, window->mnuFileOpen->trigger(); }
    void save(const QString& answer) { dialog->saveAnswer = answer, window->mnuFileSave->trigger(); }
    // Whatever an open or a resize could change.
    QList<QVariant> snapshot() const
    {
        return {window->Picture1->image(), shown(window->Picture2), window->Picture2->geometry(), window->Command4->geometry(),
                window->size(), window->openFileName(), window->SB1->text(), QVariant::fromValue(values(window->conversion().SourceIndexMap)),
                QVariant::fromValue(values(window->conversion().TargetIndexMap))};
    }

    QTemporaryDir folder;
    ScriptedFileDialog* const dialog = new ScriptedFileDialog;  // both owned by the window
    RecordingMessageBoxes* const messages = new RecordingMessageBoxes;
    const std::unique_ptr<Form1> window = std::make_unique<Form1>(
        folder.path(), std::unique_ptr<FileDialog>(dialog), std::unique_ptr<MessageBoxes>(messages));
    QStringList statusTexts;
};

}  // namespace palshift::test
