#pragma once

#include "pictures/save_name.h"
#include "convert/conversion_state.h"
#include "palettes/palette.h"
#include "convert/step_progress.h"
#include "convert/status_line.h"
#include "platform/byte_sink.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace palshift {

// Row y's width target entries, rows counted from the top.
using EntryRows = std::function<std::span<const std::uint8_t>(std::int32_t y)>;

// Writes a width x height picture of target entries as format into sink, palette as its colours;
// rowOf is asked for each row once, in the order the file stores them. A PNG marks
// transparentIndex transparent; a DC6 is one frame whose entry 0 is transparent.
// std::runtime_error for a picture without pixels; throws what rowOf, the writer and the sink throw.
void writeIndexedPicture(OutputFormat format, std::int32_t width, std::int32_t height, const Palette& palette,
                         std::optional<std::uint8_t> transparentIndex, const EntryRows& rowOf, ByteSink& sink);

// "Save Picture" to a PNG, PCX or DC6 (one frame, entry 0 transparent; std::runtime_error when
// opaque pixels are entry 0 under another transparent index): writes TargetIndexMap's first width x height elements, top row
// first, in TargetPal to SaveFileName through an atomic save; a PNG marks transparentIndex
// transparent. std::overflow_error for an element that is no palette entry, std::out_of_range when
// the map does not cover the picture, FileError "Cannot write <file>: <reason>"; nothing is then
// written.
void saveIndexedPicture(const ConversionState& state, OutputFormat format, std::int32_t width, std::int32_t height,
                        std::optional<std::uint8_t> transparentIndex, StatusLine& status,
                        const StepProgress& progress = {});

}  // namespace palshift
