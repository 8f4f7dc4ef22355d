#include "app/status_bar.h"

#include <QLabel>

namespace palshift {

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent), panel_(new QLabel(this))
{
    setSizeGripEnabled(false);
    panel_->setFrameShape(QFrame::Panel);
    panel_->setFrameShadow(QFrame::Sunken);
    addWidget(panel_, 1);
}

void StatusBar::setText(std::string_view text)
{
    panel_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    panel_->repaint();
    emit textChanged(panel_->text());
}

QString StatusBar::text() const
{
    return panel_->text();
}

}  // namespace palshift
