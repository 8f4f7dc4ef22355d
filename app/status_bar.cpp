#include "app/status_bar.h"

#include <QLabel>
#include <QProgressBar>

#include <utility>

namespace palshift {

StatusBar::StatusBar(QWidget* parent)
    : QStatusBar(parent), panel_(new QLabel(this)), notePanel_(new QLabel(this)), progress_(new QProgressBar(this))
{
    setSizeGripEnabled(false);
    // The step's text takes what it needs and the note the rest, so that a note shows whole
    // wherever the window has room for it (shared evenly, the room would cut it short); a minimum
    // of 1 lets it give way first on a narrow screen (0 would mean none, and the text's width).
    for (const auto& [panel, stretch] : {std::pair{panel_, 0}, std::pair{notePanel_, 1}}) {
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        addWidget(panel, stretch);
    }
    notePanel_->setObjectName(QStringLiteral("note"));
    notePanel_->setMinimumWidth(1);
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(120);
    progress_->setMaximumHeight(panel_->sizeHint().height());  // showing it leaves the window's height alone
    addPermanentWidget(progress_);
    progress_->hide();
}

void StatusBar::setText(std::string_view text)
{
    clearMessage();
    panel_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    panel_->repaint();
    emit textChanged(panel_->text());
}

void StatusBar::showSaved(const QString& file)
{
    showMessage(QStringLiteral("Saved %1").arg(file), 5000);
}

QString StatusBar::text() const
{
    return panel_->text();
}

void StatusBar::setNote(const QString& note)
{
    notePanel_->setText(note);
    notePanel_->setToolTip(note);  // whole, where a narrow window cuts the panel short
}

QString StatusBar::note() const
{
    return notePanel_->text();
}

void StatusBar::showProgress(int percent)
{
    progress_->setValue(percent);
    progress_->show();
}

void StatusBar::hideProgress()
{
    progress_->hide();
    progress_->reset();
}

bool StatusBar::progressShown() const
{
    return progress_->isVisible();
}

}  // namespace palshift
