#pragma once

#include <QString>

class QWidget;

namespace palshift {

// What the window tells or asks the user, as a seam that tests record.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    virtual void showFailure(const QString& message) = 0;
    // True when the user agrees to replace the existing file.
    virtual bool confirmReplace(const QString& file) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent) : parent_(parent) {}

    void showFailure(const QString& message) override;
    bool confirmReplace(const QString& file) override;

private:
    QWidget* parent_;
};

}  // namespace palshift
