// The file manager in a temporary root: labels and path limits, partition counts from
// "/proc/diskstats", directories through the shell client and directly, and the mount calls
// answered by a board simulator.
#include "main/device_mngr/u_fm_linux.h"

#include "main/mw/rwlock/rwlock.h"
#include "tests/main/am/app_harness.h"
#include "tests/support/sim_process.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FmTest : public sbtest::SandboxTest {
protected:
    static void SetUpTestSuite()
    {
        apptest::startExecEnv();
        ASSERT_EQ(uFmInit(), FMR_OK);
    }
};

class FmMountTest : public sbtest::SimTest {
protected:
    static void SetUpTestSuite()
    {
        apptest::startExecEnv();
        ASSERT_EQ(uFmInit(), FMR_OK);
    }
    void SetUp() override { ASSERT_TRUE(sim.started()); }
    // The mount calls the simulator logged since `from` calls.
    std::vector<std::string> calls(size_t from = 0)
    {
        std::vector<std::string> lines;
        std::istringstream in(sim.ctl("log mount"));
        for (std::string line; std::getline(in, line);) {
            line.erase(0, line.find(' ') + 1);  // its time
            lines.push_back(line);
        }
        return std::vector<std::string>(lines.begin() + static_cast<long>(std::min(from, lines.size())), lines.end());
    }
};

TEST_F(FmTest, LabelsJoinPathsWithinTheirLimits)
{
    handle_t mnt = 0;
    ASSERT_EQ(uFmSetDirPath(0, "/data/mnt", &mnt), FMR_OK);
    const FmDirLabel* label = nullptr;
    ASSERT_EQ(fmGetDirLabel(mnt, &label), FMR_OK);
    ASSERT_NE(label, nullptr);
    EXPECT_STREQ(label->acPath, "/data/mnt/");

    const std::string rel86(86, 'a');  // "/data/mnt/" + 86 = 96 characters: the most
    struct Case {
        const FmDirLabel* label;
        std::string rel;
        int32_t result;
        std::string path;
    };
    const Case cases[] = {
        {label, "sda1", FMR_OK, "/data/mnt/sda1"},
        {label, "", FMR_OK, "/data/mnt/"},
        {label, rel86, FMR_OK, "/data/mnt/" + rel86},
        {label, rel86 + "a", FMR_NAME_TOO_LONG, ""},
        {nullptr, "/dev/sda1", FMR_OK, "/dev/sda1"},
        {nullptr, "", FMR_INVAL, ""},
        {nullptr, "/" + std::string(95, 'b'), FMR_OK, "/" + std::string(95, 'b')},
        {nullptr, "/" + std::string(96, 'b'), FMR_NAME_TOO_LONG, ""},  // a relative path of 97
    };
    for (const Case& c : cases) {
        std::string out = "untouched";
        EXPECT_EQ(fmGetAbsolutePath(c.label, c.rel.c_str(), &out), c.result) << c.rel;
        EXPECT_EQ(out, c.result == FMR_OK ? c.path : std::string("untouched")) << c.rel;
    }

    // A label on a label; a label too long for its buffer is never made.
    handle_t sub = 0;
    ASSERT_EQ(uFmSetDirPath(mnt, "sda1", &sub), FMR_OK);
    ASSERT_EQ(fmGetDirLabel(sub, &label), FMR_OK);
    EXPECT_STREQ(label->acPath, "/data/mnt/sda1/");
    handle_t none = 0;
    EXPECT_EQ(uFmSetDirPath(mnt, (rel86 + "a").c_str(), &none), FMR_NAME_TOO_LONG);
    EXPECT_EQ(uFmSetDirPath(0, "/dev", nullptr), FMR_ARG);

    // Handles that are not labels.
    handle_t lock = 0;
    ASSERT_EQ(uRwlCreateLock(&lock), 0);
    EXPECT_EQ(fmGetDirLabel(lock, &label), FMR_INVAL);
    EXPECT_EQ(uFmClose(lock), FMR_HANDLE);
    uRwlDeleteLock(lock);
    EXPECT_EQ(fmGetDirLabel(0, &label), FMR_OK);
    EXPECT_EQ(label, nullptr);

    EXPECT_EQ(uFmClose(sub), FMR_OK);
    EXPECT_EQ(uFmClose(sub), FMR_HANDLE);
    EXPECT_EQ(fmGetDirLabel(sub, &label), FMR_HANDLE);
    EXPECT_EQ(uFmGetPartNs(sub, "sda", nullptr), FMR_HANDLE);
    EXPECT_EQ(uFmClose(mnt), FMR_OK);
}

std::string statsLine(const char* name)
{
    return std::string("   8       0 ") + name + " 0 0 0 0 0 0 0 0 0 0 0\n";
}

TEST_F(FmTest, PartitionCountsFromDiskStats)
{
    struct Case {
        std::vector<const char*> lines;
        const char* path;
        uint32_t count;
        uint32_t minimum;
    };
    const Case cases[] = {
        {{"sda", "sda1", "sda2"}, "sda", 3, 0},
        {{"sda", "sda1", "sda2"}, "/dev/sda2", 1, 0},
        {{"sda"}, "/dev/sda", 1, 0},
        {{"sda", "sda1"}, "sdb", 0, 0},
        {{"sda", "sda1", "sda10", "sda11"}, "sda1", 1, 0},  // a partition stops at itself
        {{"sdb3", "sdb2"}, "sdb", 2, 2},
        {{"mmcblk0", "mmcblk0p1", "mmcblk0p2"}, "mmcblk0", 3, 0},
        {{"loop0"}, "/dev/sr0", 1, 0},
    };
    for (const Case& c : cases) {
        std::string stats;
        for (const char* l : c.lines) {
            stats += statsLine(l);
        }
        sandbox.write("/proc/diskstats", stats);
        uint32_t count = 99;
        uint32_t minimum = 99;
        ASSERT_EQ(fmGetPartNs(c.path, &count, &minimum), FMR_OK) << c.path;
        EXPECT_EQ(count, c.count) << c.path;
        EXPECT_EQ(minimum, c.minimum) << c.path;
    }

    handle_t dev = 0;
    ASSERT_EQ(uFmSetDirPath(0, "/dev", &dev), FMR_OK);
    sandbox.write("/proc/diskstats", statsLine("sda") + statsLine("sda1") + statsLine("sda2"));
    uint32_t count = 0;
    EXPECT_EQ(uFmGetPartNs(dev, "sda", &count), FMR_OK);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(uFmGetPartNs(dev, std::string(92, 's').c_str(), &count), FMR_NAME_TOO_LONG);
    uFmClose(dev);

    ASSERT_EQ(::unlink(sandbox.path("/proc/diskstats").c_str()), 0);
    EXPECT_EQ(uFmGetPartNs(0, "sda", &count), FMR_CORE);
}

TEST_F(FmTest, DirectoriesThroughTheShellAndDirectly)
{
    handle_t mnt = 0;
    ASSERT_EQ(uFmSetDirPath(0, "/data/mnt", &mnt), FMR_OK);
    EXPECT_EQ(uFmCreateDirFdr(mnt, "sda1", 0666), FMR_OK);
    EXPECT_TRUE(sandbox.exists("/data/mnt/sda1"));
    EXPECT_EQ(uFmCreateDirFdr(mnt, "sda1", 0666), FMR_OK);  // there already: its mode only
    EXPECT_EQ(uFmCreateDirFdr(mnt, "sda1", 0700), FMR_OK);  // nothing to run
    EXPECT_EQ(uFmDeleteDirFdr(mnt, "sda1"), FMR_OK);
    EXPECT_FALSE(sandbox.exists("/data/mnt/sda1"));
    EXPECT_EQ(sandbox.quoridLog(), (std::vector<std::string>{"mkdir -p /data/mnt/sda1", "chmod 666 /data/mnt/sda1",
                                                             "chmod 666 /data/mnt/sda1", "chmod 666 /data/mnt/sda1",
                                                             "rmdir /data/mnt/sda1"}));

    // A command line that does not fit is refused, never run cut: the cut path is another one.
    const std::string longName(50, 'x');  // "rmdir /data/mnt/" + 50 characters: 66
    EXPECT_EQ(uFmCreateDirFdr(mnt, longName.c_str(), 0666), FMR_ARG);
    EXPECT_EQ(uFmDeleteDirFdr(mnt, longName.c_str()), FMR_ARG);
    EXPECT_EQ(sandbox.quoridLog().size(), 5u);

    // The daemon unable to run the command.
    sandbox.setQuoridStatus(-1, "mkdir");
    EXPECT_EQ(uFmCreateDirFdr(mnt, "sdb1", 0600), FMR_ARG);
    EXPECT_EQ(sandbox.quoridLog().back(), "mkdir -p /data/mnt/sdb1");
    sandbox.setQuoridStatus(-1, "rmdir");
    EXPECT_EQ(uFmDeleteDirFdr(mnt, "sdb1"), FMR_ARG);

    // Directly, with the write bits asked for set whatever the umask.
    EXPECT_EQ(uFmCreateDir(mnt, "sdc1", 0666), FMR_OK);
    struct stat st {};
    ASSERT_EQ(stat(sandbox.path("/data/mnt/sdc1").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
    EXPECT_EQ(uFmCreateDir(mnt, "sdc1", 0666), FMR_ARG);
    EXPECT_EQ(uFmDeleteDir(mnt, "sdc1"), FMR_OK);
    EXPECT_EQ(uFmDeleteDir(mnt, "sdc1"), FMR_ARG);
    EXPECT_EQ(uFmCreateDir(mnt, std::string(90, 'y').c_str(), 0666), FMR_NAME_TOO_LONG);
    uFmClose(mnt);
}

TEST_F(FmTest, PartitionInfoOfAnUnknownPartition)
{
    FM_PART_INFO_T info{};
    ASSERT_EQ(uFmGetPartInfo(0, "/dev/sdq1", 0, &info), FMR_OK);
    EXPECT_STREQ(info.ps_part_name, "sdq1");
    EXPECT_STREQ(info.pPartPath, "/dev/");
    EXPECT_EQ(info.bRecorded, 0);
    EXPECT_EQ(info.bMounted, 0);
    EXPECT_STREQ(info.pMntPath, "");
    EXPECT_EQ(uFmGetPartInfo(0, "/dev/sdq1", 1, &info), FMR_ARG);  // "/dev/sda1" + 1 is no path
    ASSERT_EQ(fmGetPartInfo("/dev/sdq", 2, &info), FMR_OK);
    EXPECT_STREQ(info.ps_part_name, "sdq2");
    ASSERT_EQ(fmGetPartInfo("/dev/mmcblk1", 1, &info), FMR_OK);
    EXPECT_STREQ(info.ps_part_name, "mmcblk1p1");
    EXPECT_EQ(fmGetPartInfo(("/" + std::string(40, 'd') + "/sdq1").c_str(), 0, &info), FMR_NAME_TOO_LONG);
}

TEST_F(FmMountTest, FileSystemsAreTriedInOrder)
{
    struct Case {
        const char* what;
        std::vector<std::string> refused;
        int32_t result;
        uint32_t code;
        size_t calls;
    };
    const Case cases[] = {
        {"vfat", {}, FMR_OK, DM_FS_VFAT, 1},
        {"vfat read-only",
         {"vfat uid=1000,gid=1000,fmask=0000,dmask=0000,shortname=mixed,iocharset=utf8"},
         FMR_OK,
         DM_FS_VFAT,
         2},
        {"ext4", {"vfat", "ext2", "ext3"}, FMR_OK, DM_FS_EXT, 5},
        {"exFAT", {"vfat", "ext2", "ext3", "ext4"}, FMR_OK, DM_FS_TEXFAT, 6},
        {"nothing", {"vfat", "ext2", "ext3", "ext4", "texfat"}, FMR_ARG, 0, 7},
    };
    sandbox.write("/data/mnt/sdq1/.keep", "");
    for (const Case& c : cases) {
        for (const std::string& r : c.refused) {
            sim.ctl("mount refuse " + r);
        }
        const size_t before = calls().size();
        DmMntInfo out{};
        EXPECT_EQ(uFmMount(0, "/dev/sdq1", 0, "/data/mnt/sdq1", &out), c.result) << c.what;
        const auto made = calls(before);
        EXPECT_EQ(made.size(), c.calls) << c.what;
        FM_PART_INFO_T info{};
        ASSERT_EQ(uFmGetPartInfo(0, "/dev/sdq1", 0, &info), FMR_OK);
        EXPECT_EQ(info.bRecorded, 1) << c.what;
        EXPECT_STREQ(info.pMntPath, "/data/mnt/sdq1") << c.what;
        if (c.result == FMR_OK) {
            EXPECT_EQ(out.bMnt, 1) << c.what;
            EXPECT_EQ(out.ui4FsCode, c.code) << c.what;
            EXPECT_STREQ(out.acMntPath, "/data/mnt/sdq1") << c.what;
            EXPECT_EQ(info.bMounted, 1) << c.what;
            EXPECT_EQ(uFmUmount(0, "/data/mnt/sdq1/"), FMR_OK) << c.what;
        } else {
            EXPECT_EQ(out.bMnt, 0) << c.what;
            EXPECT_EQ(info.bMounted, 0) << c.what;
            // Nothing is mounted there: the failed try's record goes, and the result says so.
            EXPECT_EQ(uFmUmount(0, "/data/mnt/sdq1"), FMR_ARG) << c.what;
        }
        ASSERT_EQ(uFmGetPartInfo(0, "/dev/sdq1", 0, &info), FMR_OK);
        EXPECT_EQ(info.bRecorded, 0) << c.what;
        for (const std::string& r : c.refused) {
            sim.ctl("mount allow " + r);
        }
    }
    const auto all = calls();
    EXPECT_EQ(all[0], "mount(\"/dev/sdq1\", \"/data/mnt/sdq1\", \"vfat\", 0, "
                      "\"uid=1000,gid=1000,fmask=0000,dmask=0000,shortname=mixed,iocharset=utf8\")");
    EXPECT_EQ(all[4], "mount(\"/dev/sdq1\", \"/data/mnt/sdq1\", \"vfat\", 0, "
                      "\"uid=1000,gid=1000,fmask=0000,dmask=0000,ro,shortname=mixed,iocharset=utf8\")");
    EXPECT_EQ(all.back(), "umount2(\"/data/mnt/sdq1\", 2)");
}

TEST_F(FmMountTest, AnUnmountThatFailsKeepsTheRecordOfAMountedPartition)
{
    sandbox.write("/data/mnt/sdr1/.keep", "");
    sandbox.write("/data/mnt/sdr2/.keep", "");
    DmMntInfo out{};
    ASSERT_EQ(uFmMount(0, "/dev/sdr1", 0, "/data/mnt/sdr1", &out), FMR_OK);
    ASSERT_EQ(uFmMount(0, "/dev/sdr2", 0, "/data/mnt/sdr2", &out), FMR_OK);
    sim.ctl("mount keep-mounted /data/mnt/sdr2");
    const size_t before = calls().size();
    EXPECT_EQ(uFmUmount(0, "/data/mnt/sdr2"), FMR_ARG);
    const auto made = calls(before);
    ASSERT_EQ(made.size(), 12u);  // the pair, then five more
    EXPECT_EQ(made[0], "umount(\"/data/mnt/sdr2\")");
    EXPECT_EQ(made[1], "umount2(\"/data/mnt/sdr2\", 2)");
    FM_PART_INFO_T info{};
    ASSERT_EQ(uFmGetPartInfo(0, "/dev/sdr2", 0, &info), FMR_OK);
    EXPECT_EQ(info.bMounted, 1);

    // The newest partition still mounted.
    DmMntInfo newest{};
    ASSERT_EQ(uFmGetNewMntPath(&newest), FMR_OK);
    EXPECT_EQ(newest.bMnt, 1);
    EXPECT_EQ(newest.ui4FsCode, 5u);
    EXPECT_STREQ(newest.acMntPath, "/data/mnt/sdr2");
    EXPECT_EQ(fmRemovePartInfo("/data/mnt/sdr2"), FMR_OK);
    ASSERT_EQ(uFmGetNewMntPath(&newest), FMR_OK);
    EXPECT_STREQ(newest.acMntPath, "/data/mnt/sdr1");
    EXPECT_EQ(uFmUmount(0, "/data/mnt/sdr1"), FMR_OK);
    EXPECT_EQ(uFmGetNewMntPath(&newest), FMR_INVAL);
    EXPECT_EQ(fmRemovePartInfo("/data/mnt/sdr1"), FMR_ARG);
}

}  // namespace
