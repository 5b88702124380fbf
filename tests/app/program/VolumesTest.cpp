#include "Volumes.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace korvex;
using korvex::test::writeFile;

namespace {

// A desktop's mount table as the kernel writes it, with the system's own mounts, a
// container's, a package image, a path mounted twice and a line of no meaning.
const QByteArray RecordedMountInfo =
    "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
    "23 22 0:21 / /proc rw,nosuid,nodev,noexec shared:12 - proc proc rw\n"
    "24 22 0:22 / /sys rw,nosuid shared:2 - sysfs sysfs rw\n"
    "25 24 0:23 / /sys/fs/cgroup rw shared:3 - cgroup2 cgroup2 rw\n"
    "26 22 0:5 / /dev rw,nosuid - devtmpfs udev rw,mode=755\n"
    "27 26 0:24 / /dev/pts rw - devpts devpts rw,mode=620\n"
    "28 22 0:25 / /run rw,nosuid - tmpfs tmpfs rw,mode=755\n"
    "29 28 0:26 / /run/user/1000 rw shared:40 - tmpfs tmpfs rw,uid=1000\n"
    "30 29 0:27 / /run/user/1000/gvfs rw shared:41 - fuse.gvfsd-fuse gvfsd-fuse rw\n"
    "31 22 8:3 / /home rw,relatime shared:30 - ext4 /dev/sda3 rw\n"
    "32 22 0:28 / /tmp rw shared:31 - tmpfs tmpfs rw\n"
    "33 22 8:17 / /media/anna/USB\\040STICK rw shared:50 - vfat /dev/sdb1 rw\n"
    "34 22 11:0 / /media/anna/DVD ro shared:51 - iso9660 /dev/sr0 ro\n"
    "35 22 0:29 / /mnt/Share\\040Point rw shared:52 - cifs //FileServer/Public\\040Docs rw\n"
    "36 22 0:30 / /mnt/nfs rw shared:53 - nfs4 NAS:/export/Tables rw\n"
    "37 22 7:0 / /snap/core/123 ro shared:54 - squashfs /dev/loop0 ro\n"
    "38 22 0:31 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n"
    "39 31 0:32 / /home rw shared:60 - ext4 /dev/sda3 rw\n"
    "40 22 8:2 /var/lib/docker/containers/x/hosts /etc/hosts rw - ext4 /dev/sda2 rw\n"
    "41 28 8:33 / /run/media/anna/BACKUP rw shared:70 - ext4 /dev/sdc1 rw\n"
    "not a mount line\n";

// /sys/block with two fixed disks, a removable stick and an optical drive, and udev's
// label links; sdc1 has no label.
VolumeSources fakeMachine(const QTemporaryDir& root)
{
    VolumeSources sources;
    sources.sysBlock = root.filePath("sys/block");
    sources.labels = root.filePath("dev/disk/by-label");
    const QDir sys(sources.sysBlock);
    for (const char* folder : {"sda/sda2", "sda/sda3", "sdb/sdb1", "sr0", "sdc/sdc1"})
        sys.mkpath(folder);
    for (const auto& [disk, flag] : {std::pair{"sda", "0\n"}, {"sdb", "1\n"}, {"sr0", "1\n"}, {"sdc", "0\n"}})
        EXPECT_TRUE(writeFile(sys.filePath(QString(disk) + "/removable"), flag));
    QDir().mkpath(sources.labels);
    for (const auto& [label, device] :
         {std::pair{"ROOT", "sda2"}, {"Home\\x20Data", "sda3"}, {"STICK", "sdb1"}, {"My_DVD", "sr0"}})
        QFile::link(QStringLiteral("../../") + device, sources.labels + '/' + label);
    return sources;
}

} // namespace

TEST(Volumes, ListsRealMountsWithTheirTextsAndLeavesOutTheSystemsOwn)
{
    QTemporaryDir root;
    const auto volumes = VolumeList::fromMountInfo(RecordedMountInfo, fakeMachine(root));
    QStringList texts;
    for (const auto& v : volumes.volumes())
        texts << v.displayText();
    EXPECT_EQ(texts, QStringList({"/ [root]", "/home [home data]", "/media/anna/DVD [my_dvd]", "/media/anna/USB STICK",
                                  "/mnt/Share Point //fileserver/public docs", "/mnt/nfs nas:/export/tables",
                                  "/run/media/anna/BACKUP", "/tmp"}));
    using Kind = Volume::Kind;
    std::vector<Kind> kinds;
    for (const auto& v : volumes.volumes())
        kinds.push_back(v.kind);
    EXPECT_EQ(kinds, (std::vector{Kind::Fixed, Kind::Fixed, Kind::Optical, Kind::Removable, Kind::Network,
                                  Kind::Network, Kind::Fixed, Kind::Ram}));
    EXPECT_EQ(volumes.volumes()[3].label, "STICK"); // known, though a removable volume does not show it
}

TEST(Volumes, TheVolumeOfADirectoryHasTheLongestMountPathHoldingIt)
{
    QTemporaryDir root;
    const auto volumes = VolumeList::fromMountInfo(RecordedMountInfo, fakeMachine(root));
    const auto mountOf = [&](const QString& directory) {
        const Volume* v = volumes.volumeOf(directory);
        return v == nullptr ? QStringLiteral("none") : v->mountPath;
    };
    EXPECT_EQ(mountOf("/home/anna-nowhere/tables"), "/home");
    EXPECT_EQ(mountOf("/homework-nowhere"), "/");
    EXPECT_EQ(mountOf("/media/anna/USB STICK/data/../orders"), "/media/anna/USB STICK");
    EXPECT_EQ(mountOf("/mnt/nfs"), "/mnt/nfs");
    EXPECT_EQ(mountOf("/proc/self"), "/");
    EXPECT_EQ(mountOf("relative/tables"), "none");
}

TEST(Volumes, MountPathsLoseTheirEscapesAndAMissingRootIsAdded)
{
    EXPECT_EQ(unescapeMountPath("/a\\040b\\011c\\134d\\012e"), QString("/a b\tc\\d\ne"));
    EXPECT_EQ(unescapeMountPath("/short\\04"), QString("/short\\04"));
    EXPECT_EQ(unescapeMountPath("/caf\\303\\251"), QString::fromUtf8("/caf\xC3\xA9"));

    const auto volumes = VolumeList::fromMountInfo("36 1 0:30 / /mnt/nfs rw - nfs4 nas:/x rw\n", {"", "", ""});
    ASSERT_EQ(volumes.volumes().size(), 2u);
    EXPECT_EQ(volumes.volumes()[0].mountPath, "/");

    // This machine's own table: the root first, and the current directory on some volume.
    const auto here = VolumeList::read();
    ASSERT_FALSE(here.volumes().empty());
    EXPECT_EQ(here.volumes().front().mountPath, "/");
    EXPECT_NE(here.volumeOf(QDir::currentPath()), nullptr);
}
