#pragma once

#include "convert/conversion_rules.h"
#include "convert/target_picture.h"

#include <QImage>

namespace palshift {

// Converts every pixel of picture, alpha included, under the rules (lookupUnderRules). Throws
// UnmatchedColoursError under UnmatchedRule::Fail.
TargetPicture convertWithRules(const QImage& picture, const Palette& source, const Palette& target,
                               const ConversionRules& rules);

}  // namespace palshift
