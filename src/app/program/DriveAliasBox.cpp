#include "DriveAliasBox.h"

#include "Pictures.h"

#include <QSignalBlocker>

namespace korvex {

namespace {

constexpr int MountPathRole = Qt::UserRole;

} // namespace

DriveAliasBox::DriveAliasBox(VolumeSource volumes, QWidget* parent) : QComboBox(parent), source_(std::move(volumes))
{
    setObjectName(QStringLiteral("DriveComboBox1"));
    setEditable(false);
    setIconSize(QSize(16, 16));
    setMaxVisibleItems(16);
    connect(this, &QComboBox::currentIndexChanged, this, &DriveAliasBox::entrySelected);
    volumes_ = source_();
    fillVolumes();
}

void DriveAliasBox::setAliases(const QStringList& names)
{
    const QSignalBlocker quiet(this);
    for (; aliasCount_ > 0; --aliasCount_)
        removeItem(0);
    const QIcon picture(aliasPicture());
    for (const QString& name : names)
        insertItem(aliasCount_++, picture, u'>' + name);
}

bool DriveAliasBox::setCurrentDrive(const QString& mountPath)
{
    const int entry = volumeEntry(mountPath);
    if (entry < 0)
        return false;
    currentDrive_ = mountPath;
    setCurrentIndex(entry);
    return true;
}

int DriveAliasBox::volumeEntry(const QString& mountPath) const
{
    for (int i = aliasCount_; i < count(); ++i)
        if (itemData(i, MountPathRole).toString() == mountPath)
            return i;
    return -1;
}

void DriveAliasBox::refreshVolumes()
{
    const QString selected = currentIndex() >= aliasCount_ ? itemData(currentIndex(), MountPathRole).toString()
                                                           : QString();
    {
        const QSignalBlocker quiet(this);
        volumes_ = source_();
        while (count() > aliasCount_)
            removeItem(count() - 1);
        fillVolumes();
        // A volume that went away gives way to the nearest volume that holds its mount
        // point (and so the directories shown from it), never to some other entry.
        const auto holder = [this](const QString& mountPath) {
            const Volume* volume = mountPath.isEmpty() ? nullptr : volumes_.volumeOf(mountPath);
            return volume ? volume->mountPath : QString();
        };
        if (!selected.isEmpty()) {
            const QString kept = holder(selected);
            const int entry = kept.isEmpty() ? -1 : volumeEntry(kept);
            setCurrentIndex(entry);
            if (entry >= 0)
                currentDrive_ = kept;
        } else if (volumeEntry(currentDrive_) < 0) {
            currentDrive_ = holder(currentDrive_);
        }
    }
}

void DriveAliasBox::showPopup()
{
    // A stick plugged in or a share mounted since the last look shows up.
    refreshVolumes();
    QComboBox::showPopup();
}

void DriveAliasBox::fillVolumes()
{
    for (const Volume& volume : volumes_.volumes())
        addItem(volumePicture(volume.kind), volume.displayText(), volume.mountPath);
}

void DriveAliasBox::entrySelected(int index)
{
    if (index >= aliasCount_)
        currentDrive_ = itemData(index, MountPathRole).toString();
}

} // namespace korvex
