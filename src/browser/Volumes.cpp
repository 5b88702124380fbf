#include "Volumes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <map>

namespace korvex {

namespace {

const QSet<QString>& pseudoFileSystems()
{
    static const QSet<QString> Types{
        QStringLiteral("proc"),
        QStringLiteral("sysfs"),
        QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),
        QStringLiteral("devpts"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("mqueue"),
        QStringLiteral("securityfs"),
        QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),
        QStringLiteral("pstore"),
        QStringLiteral("bpf"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("configfs"),
        QStringLiteral("fusectl"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("autofs"),
        QStringLiteral("efivarfs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("nsfs"),
        QStringLiteral("selinuxfs"),
        QStringLiteral("nfsd"),
        QStringLiteral("overlay"),
        QStringLiteral("squashfs"),
        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"),
        QStringLiteral("fuse.lxcfs"),
        QStringLiteral("fuse.snapfuse"),
    };
    return Types;
}

const QSet<QString>& networkFileSystems()
{
    static const QSet<QString> Types{
        QStringLiteral("nfs"),
        QStringLiteral("nfs4"),
        QStringLiteral("cifs"),
        QStringLiteral("smb3"),
        QStringLiteral("smbfs"),
        QStringLiteral("ncpfs"),
        QStringLiteral("afs"),
        QStringLiteral("ceph"),
        QStringLiteral("glusterfs"),
        QStringLiteral("fuse.glusterfs"),
        QStringLiteral("lustre"),
        QStringLiteral("9p"),
        QStringLiteral("davfs"),
        QStringLiteral("fuse.sshfs"),
        QStringLiteral("fuse.rclone"),
        QStringLiteral("fuse.s3fs"),
        QStringLiteral("fuse.curlftpfs"),
    };
    return Types;
}

bool isAtOrBelow(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder + '/');
}

// The folders whose mounts are the system's own.
bool isSystemPath(const QString& path)
{
    for (const char* folder : {"/proc", "/sys", "/dev", "/etc"})
        if (isAtOrBelow(path, QLatin1String(folder)))
            return true;
    return isAtOrBelow(path, QStringLiteral("/run")) && !path.startsWith(QStringLiteral("/run/media/"));
}

// udev writes a label's blanks and slashes as "\x20" and "\x2f".
QString unescapeLabel(const QString& name)
{
    QByteArray bytes;
    const QByteArray raw = QFile::encodeName(name);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        bool ok = false;
        if (raw[i] == '\\' && i + 3 < raw.size() && raw[i + 1] == 'x') {
            const int value = raw.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                bytes += char(value);
                i += 3;
                continue;
            }
        }
        bytes += raw[i];
    }
    return QFile::decodeName(bytes);
}

// The block devices of the machine as the kernel and udev describe them.
class BlockDevices {
public:
    explicit BlockDevices(const VolumeSources& sources) : sysBlock_(sources.sysBlock)
    {
        disks_ = QDir(sources.sysBlock).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
        const QDir labels(sources.labels);
        for (const auto& entry : labels.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            const QString target = entry.symLinkTarget();
            if (!target.isEmpty())
                labels_.insert(QFileInfo(target).fileName(), unescapeLabel(entry.fileName()));
        }
    }

    // The kernel's name of a mounted device: "sda2" for "/dev/sda2", "dm-0" for a
    // /dev/mapper link that leads to /dev/dm-0.
    static QString deviceName(const QString& source)
    {
        const QFileInfo info(source);
        return info.exists() ? QFileInfo(info.canonicalFilePath()).fileName() : info.fileName();
    }

    QString label(const QString& device) const { return labels_.value(device); }

    bool removable(const QString& device) const
    {
        QFile flag(sysBlock_ + '/' + diskOf(device) + QStringLiteral("/removable"));
        return flag.open(QIODevice::ReadOnly) && flag.readAll().trimmed() == "1";
    }

private:
    // The disk a partition belongs to: its folder in /sys/block holds one for the partition.
    QString diskOf(const QString& device) const
    {
        if (disks_.contains(device))
            return device;
        for (const auto& disk : disks_)
            if (QFileInfo(sysBlock_ + '/' + disk + '/' + device).isDir())
                return disk;
        return device;
    }

    QString sysBlock_;
    QStringList disks_;
    QHash<QString, QString> labels_;
};

Volume::Kind kindOf(const Volume& volume, const QString& device, const BlockDevices& devices)
{
    const QString& type = volume.fileSystem;
    if (networkFileSystems().contains(type))
        return Volume::Kind::Network;
    if (type == QLatin1String("tmpfs") || type == QLatin1String("ramfs") || device.startsWith(QLatin1String("zram")) ||
        device.startsWith(QLatin1String("ram")))
        return Volume::Kind::Ram;
    if (type == QLatin1String("iso9660") || type == QLatin1String("udf") || device.startsWith(QLatin1String("sr")))
        return Volume::Kind::Optical;
    if (!device.isEmpty() && devices.removable(device))
        return Volume::Kind::Removable;
    return Volume::Kind::Fixed;
}

} // namespace

QString Volume::displayText() const
{
    switch (kind) {
    case Kind::Removable: return mountPath;
    case Kind::Network: return source.isEmpty() ? mountPath : mountPath + ' ' + source.toLower();
    case Kind::Fixed:
    case Kind::Optical:
    case Kind::Ram: break;
    }
    return label.isEmpty() ? mountPath : mountPath + QStringLiteral(" [") + label.toLower() + ']';
}

QString unescapeMountPath(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto octal = [&](qsizetype at) { return at < text.size() && text[at] >= '0' && text[at] <= '7'; };
        if (text[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            bytes += char((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
        } else {
            bytes += text[i];
        }
    }
    return QFile::decodeName(bytes);
}

VolumeList VolumeList::read(const VolumeSources& sources)
{
    QFile table(sources.mountInfo);
    if (!table.open(QIODevice::ReadOnly))
        return fromMountInfo({}, sources);
    return fromMountInfo(table.readAll(), sources);
}

VolumeList VolumeList::fromMountInfo(QByteArrayView mountInfo, const VolumeSources& sources)
{
    // A line: id parent major:minor root mount-path options [optional fields] - type source
    // super-options. A later mount at a path hides the earlier ones.
    std::map<QString, Volume> visible;
    const QByteArray text = mountInfo.toByteArray();
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const auto separator = std::find(fields.begin(), fields.end(), QByteArrayLiteral("-"));
        if (fields.size() < 6 || separator - fields.begin() < 6 || fields.end() - separator < 3)
            continue; // not a mount line
        Volume volume;
        volume.mountPath = unescapeMountPath(fields[4]);
        volume.fileSystem = unescapeMountPath(*(separator + 1));
        volume.source = unescapeMountPath(*(separator + 2));
        visible[volume.mountPath] = volume;
    }

    const BlockDevices devices(sources);
    std::vector<Volume> volumes;
    for (auto& [path, volume] : visible) {
        if (path != QLatin1String("/") &&
            (!path.startsWith('/') || isSystemPath(path) || pseudoFileSystems().contains(volume.fileSystem)))
            continue;
        const QString device = volume.source.startsWith(QLatin1String("/dev/"))
                                   ? BlockDevices::deviceName(volume.source)
                                   : QString();
        volume.kind = kindOf(volume, device, devices);
        if (!device.isEmpty())
            volume.label = devices.label(device);
        volumes.push_back(volume);
    }
    // std::map has sorted them by path, and "/" sorts before every other absolute path.
    if (volumes.empty() || volumes.front().mountPath != QLatin1String("/"))
        volumes.insert(volumes.begin(), Volume{QStringLiteral("/"), {}, {}, {}, Volume::Kind::Fixed});
    return VolumeList(std::move(volumes));
}

const Volume* VolumeList::volumeOf(const QString& directory) const
{
    const QFileInfo info(directory);
    const QString path = info.exists() ? info.canonicalFilePath() : QDir::cleanPath(directory);
    if (!path.startsWith('/'))
        return nullptr;
    const Volume* best = nullptr;
    for (const auto& volume : volumes_) {
        const QString& mount = volume.mountPath;
        const bool holds = mount == QLatin1String("/") || isAtOrBelow(path, mount);
        if (holds && (best == nullptr || mount.size() > best->mountPath.size()))
            best = &volume;
    }
    return best;
}

} // namespace korvex
