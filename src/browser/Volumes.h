#pragma once

#include <QByteArrayView>
#include <QString>

#include <vector>

namespace korvex {

// One mounted file system, as the table browser offers it in place of a drive letter.
struct Volume {
    enum class Kind { Fixed, Removable, Optical, Ram, Network };

    QString mountPath;  // where it is mounted: "/", "/home", "/media/anna/STICK"
    QString source;     // what is mounted: "/dev/sda2", "//server/share", "host:/export"
    QString fileSystem; // "ext4", "vfat", "cifs", "tmpfs" ...
    QString label;      // the file system's label; empty when it has none or it is unknown
    Kind kind = Kind::Fixed;

    // The entry's text: the mount path; a fixed, optical or RAM volume adds " [label]", a
    // network volume " source", both in lower case; a removable volume shows the path alone.
    QString displayText() const;
};

// Where the mounted volumes are read from. Tests hand in a recorded mount table and
// folders that stand in for /sys/block and /dev/disk/by-label.
struct VolumeSources {
    QString mountInfo = QStringLiteral("/proc/self/mountinfo");
    QString sysBlock = QStringLiteral("/sys/block");
    QString labels = QStringLiteral("/dev/disk/by-label");
};

// The volumes of the machine: the root file system and every other mounted file system
// that holds files of a user, each once.
//
// Which mounts count:
// - The root file system always counts, whatever its type (an overlay in a container too).
// - Mounts at or below /proc, /sys, /dev and /etc (files a container runtime binds in) are
//   the system's own, and so are those below /run, except below /run/media, where desktops
//   mount removable media.
// - Kernel and service file systems never count (proc, sysfs, cgroup, devpts, tmpfs's kin
//   devtmpfs, mqueue, overlay, squashfs package images, autofs triggers, the desktop's
//   FUSE helpers and the like: PseudoFileSystem in Volumes.cpp lists them).
// - Of several mounts at one path the last hides the others, so only it counts.
//
// The kind: a network file system (NFS, SMB, sshfs ...) is Network; tmpfs, ramfs and a
// block device zram* or ram* are Ram; iso9660, udf or a block device sr* are Optical; a
// block device whose disk has /sys/block/<disk>/removable = 1 is Removable; anything else
// is Fixed. The label comes from /dev/disk/by-label, whose links name the labelled devices.
class VolumeList {
public:
    VolumeList() = default;
    explicit VolumeList(std::vector<Volume> volumes) : volumes_(std::move(volumes)) {}

    // The volumes mounted now; an unreadable mount table gives the root alone.
    static VolumeList read(const VolumeSources& sources = {});
    // The volumes of a mount table's text (the format of /proc/<pid>/mountinfo); devices
    // are classified and labelled from sources' folders.
    static VolumeList fromMountInfo(QByteArrayView mountInfo, const VolumeSources& sources = {});

    // The root first, the others by mount path.
    const std::vector<Volume>& volumes() const { return volumes_; }

    // The volume that holds directory: the one with the longest mount path that is the
    // directory or one of its parents. A directory that exists counts by its real path,
    // its links resolved. Null when no volume holds it (a relative path, an empty list).
    const Volume* volumeOf(const QString& directory) const;

private:
    std::vector<Volume> volumes_;
};

// A path of the mount table with its octal escapes ("\040" for a blank) resolved.
QString unescapeMountPath(QByteArrayView text);

} // namespace korvex
