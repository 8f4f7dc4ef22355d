#pragma once

#include <string_view>

namespace palshift {

// The one line of text that says which step runs.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void setText(std::string_view text) = 0;
};

// For front ends that show no progress.
class SilentStatusLine final : public StatusLine {
public:
    void setText(std::string_view) override {}
};

}  // namespace palshift
