#pragma once

#include "convert/status_line.h"

#include <QStatusBar>

class QLabel;
class QProgressBar;

namespace palshift {

// A status bar with the step's text, a second panel for a note on the result and, while a long
// step runs, a progress bar. The text repaints at once, so that a step run in place shows it.
class StatusBar : public QStatusBar, public StatusLine {
    Q_OBJECT

public:
    explicit StatusBar(QWidget* parent = nullptr);

    void setText(std::string_view text) override;
    QString text() const;

    // Says for a few seconds where a save wrote file, over the step's text and the note; the next
    // step's text ends it.
    void showSaved(const QString& file);

    // An empty note leaves the second panel empty. The note takes the room that the step's text
    // leaves, and gives way first where there is too little.
    void setNote(const QString& note);
    QString note() const;

    // Shows the progress bar at percent (0 to 100); hideProgress() takes it away.
    void showProgress(int percent);
    void hideProgress();
    bool progressShown() const;

signals:
    void textChanged(const QString& text);

private:
    QLabel* panel_;
    QLabel* notePanel_;
    QProgressBar* progress_;
};

}  // namespace palshift
