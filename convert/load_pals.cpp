#include "convert/load_pals.h"

#include "convert/source_index_map.h"

namespace palshift {

namespace {

void readOne(const QString& file, std::optional<PaletteFormat> format, Palette& palette, std::int16_t& PalCounter)
{
    if (!format) {
        readPaletteFile(file, palette, PalCounter);
        return;
    }
    palette = readPalette(file, *format).colours;
    PalCounter = 256;  // where reading entry by entry leaves it
}

}  // namespace

void readPals(ConversionState& state, StatusLine& status, const PaletteFiles& files,
              const std::optional<PaletteFormats>& formats)
{
    status.setText("Loading Diablo 1 Pal");
    readOne(files.source, formats ? std::optional(formats->source) : std::nullopt, state.SourcePal, state.PalCounter);
    status.setText("Loading Diablo 2 Pal");
    readOne(files.target, formats ? std::optional(formats->target) : std::nullopt, state.TargetPal, state.PalCounter);
}

void loadPals(ConversionState& state, const PictureSurface& picture1, StatusLine& status,
              const PaletteFiles& files, const StepProgress& progress, const std::optional<PaletteFormats>& formats)
{
    readPals(state, status, files, formats);
    status.setText("Intializing Picture Pal");
    InitPicturePal(state, picture1, progress);
    status.setText("Ready...");
}

}  // namespace palshift
