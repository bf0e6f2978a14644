// Which volumes count as compressed: read from mount options of real mountinfo lines.
#include "scan/fs/CompressedVolume.h"
#include "scan/fs/MountTable.h"

#include <gtest/gtest.h>

using namespace scan;

TEST(CompressedVolume, MountOptionsThatCompressEveryFile) {
    struct Case {
        const char* line;
        bool compressed;
    };
    const Case cases[] = {
        {"40 1 0:35 / /data rw,relatime - btrfs /dev/sdb1 rw,compress=zstd:3,space_cache=v2,subvolid=5,subvol=/", true},
        {"41 1 0:36 / /fast rw - btrfs /dev/sdc1 rw,ssd,compress-force=lzo,subvol=/", true},
        {"42 1 0:37 / /plain rw - btrfs /dev/sdd1 rw,ssd,space_cache=v2,subvol=/", false},
        {"43 1 0:38 / /off rw - btrfs /dev/sde1 rw,compress=no,subvol=/", false},
        {"44 1 0:39 / /flash rw - f2fs /dev/sdf1 rw,compress_algorithm=lz4,compress_log_size=2", true},
        {"45 1 8:1 / / rw,relatime - ext4 /dev/vda1 rw,compress=zstd", false}, // not a compressing type
        {"46 1 0:40 / /mnt/share rw - cifs //srv/share rw,vers=3.0", false},
    };
    for (const Case& c : cases) {
        MountTable table = MountTable::Parse(c.line);
        ASSERT_EQ(table.Entries().size(), 1u) << c.line;
        EXPECT_EQ(IsCompressedMount(table.Entries()[0]), c.compressed) << c.line;
    }
}

TEST(CompressedVolume, ThisMachinesVolumesAnswerFromTheirMount) {
    EXPECT_FALSE(IsVolumeCompressed("/no/such/directory/anywhere"));
    MountTable table;
    int error = 0;
    ASSERT_TRUE(MountTable::ReadCurrent(table, error));
    const MountEntry* root = table.MountHolding("/");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(IsVolumeCompressed("/"), IsCompressedMount(*root));
}
