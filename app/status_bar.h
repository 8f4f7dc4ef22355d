#pragma once

#include "platform/status_line.h"

#include <QStatusBar>

class QLabel;

namespace palshift {

// A status bar with one text panel, repainted at once so that a long step shows its text.
class StatusBar : public QStatusBar, public StatusLine {
    Q_OBJECT

public:
    explicit StatusBar(QWidget* parent = nullptr);

    void setText(std::string_view text) override;
    QString text() const;

signals:
    void textChanged(const QString& text);

private:
    QLabel* panel_;
};

}  // namespace palshift
