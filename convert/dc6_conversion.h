#pragma once

#include "convert/conversion_job.h"
#include "convert/target_lookup.h"
#include "convert/dc6_layout.h"
#include "convert/target_picture.h"
#include "pictures/dc6_frame.h"
#include "pictures/dc6_writer.h"
#include "pictures/row_source.h"

#include <QStringList>

#include <stdexcept>

#include <vector>

namespace palshift {

// Cuts picture (rows of 32-bit pixels, as QtRows gives them with alpha kept) into layout.columns x
// layout.rows frames, row by row, each converted through lookup (made with transparent entry 0) and
// handed to writer. Pixels of alpha below 128 or of the transparent colour are skipped. Gives the count of unmatched pixels. Throws FileError naming
// name when the picture does not divide into the frames or, under UnmatchedRule::Fail, matches
// nothing; what the writer throws.
std::int64_t writeDc6Frames(RowSource& picture, const QString& name, const TargetLookup& lookup,
                            const ConversionRules& rules, const Dc6Layout& layout, Dc6Writer& writer);

// A count of directions that does not divide the frames: a mistake in the options, not in a picture.
class Dc6DirectionsError : public std::invalid_argument {
public:
    Dc6DirectionsError(std::uint32_t directions, std::uint64_t frames);
    std::uint32_t directions;
    std::uint64_t frames;
};

// What converting pictures into one DC6 tells its caller.
struct Dc6Report {
    std::vector<JobReport> pictures;  // one for each picture, in order
    std::uint32_t frames = 0;
    std::uint32_t directions = 0;
};

// Converts inputs, in order, into the frames of one DC6 written to sink: each frame of an animated
// picture, each cut as job.dc6 says; entry 0 is kept for transparency. A DC6 input gives its own
// frames as they are. Throws FileError naming the
// picture, Dc6DirectionsError for directions that do not divide the frames, what the sink throws.
Dc6Report convertToDc6(const QStringList& inputs, const ConversionJob& job, ByteSink& sink);

// The frames of sprite as one picture of entries: a row of frames for each direction, each frame
// at the top left of its cell, the rest entry 0. Throws FileError naming file when too large.
TargetPicture dc6Sheet(const Dc6Sprite& sprite, const QString& file);

// Reads the DC6 file file (not standard input). Throws FileError naming it.
Dc6Sprite readDc6File(const QString& file);

// Whether file is a DC6: named so (in any case) or starting like one. False for standard input.
bool isDc6File(const QString& file);

}  // namespace palshift
