#include "convert/mapping_table.h"
#include "test_support.h"

#include <QTemporaryDir>

namespace palshift {

// Each source entry maps to its nearest target entry by the sum of the channel differences, the
// lowest on a tie, never the transparent one; the CSV names both colours and the distance, and a
// name ending in .dat, in any case, gets the 256 target entries.
TEST(MappingTable, NearestTargetsAsCsvAndBytes)
{
    Palette target{};
    target.fill({255, 0, 255});
    target[1] = {10, 10, 10}, target[2] = {10, 10, 12}, target[4] = {0, 0, 0};
    const MappingTable table = mappingTable(test::greyPalette(), target);
    EXPECT_EQ(std::tuple(table[0].target, table[10].target, table[11].target, table[11].distance), std::tuple(4, 1, 1, 3));
    EXPECT_EQ(std::tuple(table[5].target, table[5].distance), std::tuple(1, 15));  // a tie, every channel of 1 above
    const MappingTable transparent = mappingTable(test::greyPalette(), target, 1);
    EXPECT_EQ(std::tuple(transparent[10].target, transparent[10].distance, transparent[11].target), std::tuple(2, 2, 2));

    QTemporaryDir dir;
    writeMappingTable(dir.filePath("map.dat.csv"), test::greyPalette(), target, {});
    const QList<QByteArray> lines = test::readBytes(dir.filePath("map.dat.csv")).split('\n');
    ASSERT_EQ(lines.size(), 258);
    EXPECT_EQ(lines[0], "source,source_rgb,target,target_rgb,distance");
    EXPECT_EQ(lines[1 + 255], "255,#FFFFFF,0,#FF00FF,255");
    EXPECT_EQ(lines[257], "");
    writeMappingTable(dir.filePath("map.DAT"), test::greyPalette(), target, 1);
    const QByteArray bytes = test::readBytes(dir.filePath("map.DAT"));
    ASSERT_EQ(bytes.size(), 256);
    EXPECT_EQ(std::tuple(bytes[0], bytes[10], bytes[255]), std::tuple('\4', '\2', '\0'));
}

}  // namespace palshift
