#pragma once

#include "pictures/save_name.h"
#include "convert/conversion_state.h"
#include "convert/step_progress.h"
#include "convert/status_line.h"

#include <cstdint>
#include <optional>

namespace palshift {

// "Save Picture" to a PNG, PCX or DC6 (one frame, entry 0 transparent; std::runtime_error when
// opaque pixels are entry 0 under another transparent index): writes TargetIndexMap's first width x height elements, top row
// first, in TargetPal to SaveFileName through an atomic save; a PNG marks transparentIndex
// transparent. std::overflow_error for an element that is no palette entry, std::out_of_range when
// the map does not cover the picture, FileError "Cannot write <file>: <reason>"; nothing is then
// written.
void saveIndexedPicture(const ConversionState& state, SaveFormat format, std::int32_t width, std::int32_t height,
                        std::optional<std::uint8_t> transparentIndex, StatusLine& status,
                        const StepProgress& progress = {});

}  // namespace palshift
