#include "app/status_bar.h"

#include <QLabel>
#include <QProgressBar>

namespace palshift {

StatusBar::StatusBar(QWidget* parent)
    : QStatusBar(parent), panel_(new QLabel(this)), notePanel_(new QLabel(this)), progress_(new QProgressBar(this))
{
    setSizeGripEnabled(false);
    for (QLabel* panel : {panel_, notePanel_}) {
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        addWidget(panel, 1);
    }
    // The step's text fits; the note gives way (a minimum of 0 would mean none of its own, and
    // the layout would take the text's width instead).
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
