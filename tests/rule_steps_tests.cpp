#include "convert/rule_steps.h"

#include "test_support.h"

#include <QTemporaryDir>

namespace palshift {

namespace {

using Texts = std::vector<std::string>;

// Red, (1, 2, 3) fully transparent, (200, 200, 200) / black, green, blue; a pixel of an indexed
// picture has its table entry's alpha.
QImage rulesPicture()
{
    QImage image(3, 2, QImage::Format_Indexed8);
    image.setColorTable({qRgb(255, 0, 0), qRgba(1, 2, 3, 0), qRgb(200, 200, 200), qRgb(0, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)});
    for (int i = 0; i < 6; ++i)
        image.setPixel(i % 3, i / 3, uint(i));
    return image;
}

std::vector<int> entries(const IndexMap& map)
{
    std::vector<int> all;
    for (std::int32_t y = 0; y < map.height(); ++y)
        all.insert(all.end(), map.row(y).begin(), map.row(y).end());
    return all;
}

}  // namespace

// "Load Pals" counts the pixels of no Diablo 1 colour, a transparent one never; "New Pal" gives each
// pixel its entry under the rules, alpha included; both with their status texts and progress.
TEST(RuleSteps, LoadPalsAndNewPalFollowTheRules)
{
    const test::PaletteFolder palettes(test::primaryPalettes());
    const ImageSurface picture(rulesPicture());
    struct Case { ConversionRules rules; std::vector<int> entries; std::int64_t unmatched; };
    for (const Case& rule : {Case{{UnmatchedRule::Zero, 4}, {7, 4, 7, 7, 9, 11}, 1}, Case{{UnmatchedRule::Nearest, 4}, {7, 4, 0, 7, 9, 11}, 1},
                             Case{{UnmatchedRule::Nearest, {}}, {7, 4, 0, 4, 9, 11}, 2}}) {
        SCOPED_TRACE(testing::PrintToString(rule.entries));
        ConversionState state;
        dimensionIndexMaps(state, picture);
        test::RecordingStatusLine status;
        std::vector<std::int64_t> told;
        const StepProgress progress = [&](std::int64_t done, std::int64_t total) { told.push_back(total == 2 ? done : -total); };
        loadPalsUnderRules(state, picture, status, palettes.files, rule.rules, progress);
        EXPECT_EQ(state.unmatchedPixels, rule.unmatched);
        state.unmatchedPixels = -1;
        newPalUnderRules(state, picture, status, rule.rules, progress);
        EXPECT_EQ(entries(state.TargetIndexMap), rule.entries);
        EXPECT_EQ(state.unmatchedPixels, rule.unmatched);
        EXPECT_EQ(status.texts, (Texts{"Loading Diablo 1 Pal", "Loading Diablo 2 Pal", "Intializing Picture Pal", "Ready...",
                                       "Creating Pal...", "Ready..."}));
        EXPECT_EQ(told, (std::vector<std::int64_t>{1, 2, 1, 2}));
    }
}

// Under "fail", and on a map that does not cover the picture, both steps refuse before the map changes.
TEST(RuleSteps, ARefusedPictureLeavesTheMapAsItWas)
{
    const test::PaletteFolder palettes(test::primaryPalettes());
    const ImageSurface picture(rulesPicture());
    const ConversionRules fail{UnmatchedRule::Fail, {}};
    ConversionState state;
    dimensionIndexMaps(state, picture);
    test::RecordingStatusLine status;
    EXPECT_THROW(loadPalsUnderRules(state, picture, status, palettes.files, fail), UnmatchedColoursError);
    EXPECT_EQ(status.texts.back(), "Intializing Picture Pal");
    EXPECT_THROW(newPalUnderRules(state, picture, status, fail), UnmatchedColoursError);
    EXPECT_EQ(entries(state.TargetIndexMap), std::vector<int>(6, 0));
    state.TargetIndexMap.redim(1, 1);
    EXPECT_THROW(newPalUnderRules(state, picture, status, {UnmatchedRule::Nearest, {}}), std::out_of_range);
    EXPECT_EQ(entries(state.TargetIndexMap), std::vector<int>(4, 0));
}

}  // namespace palshift
