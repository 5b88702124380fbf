#pragma once

#include "Volumes.h"

#include <QComboBox>
#include <QString>
#include <QStringList>

#include <functional>

namespace korvex {

// The drive/alias box: one entry ">" + name per database alias, with the alias picture,
// in front of one entry per mounted volume (Volume::displayText, with a picture by kind).
//
// The box holds a current drive, the mount path of a volume: picking a volume's entry
// makes it the current drive, and setting the current drive selects that volume's entry.
// Picking an alias entry leaves the current drive as it was.
class DriveAliasBox : public QComboBox {
    Q_OBJECT
public:
    using VolumeSource = std::function<VolumeList()>;

    explicit DriveAliasBox(VolumeSource volumes, QWidget* parent = nullptr);

    // Puts one entry per alias in front of the volume entries, in the given order.
    void setAliases(const QStringList& names);
    int aliasCount() const { return aliasCount_; }

    // The volumes as read when the box was made or its list last opened.
    const VolumeList& volumes() const { return volumes_; }
    // The volume that holds directory; null when none does.
    const Volume* volumeOf(const QString& directory) const { return volumes_.volumeOf(directory); }

    const QString& currentDrive() const { return currentDrive_; }
    // Makes the volume mounted at mountPath the current drive and selects its entry; false,
    // with nothing changed, when the box has no entry for it.
    bool setCurrentDrive(const QString& mountPath);
    // The entry of a volume, -1 when there is none.
    int volumeEntry(const QString& mountPath) const;

    // Reads the volumes anew, keeping the selected entry where it still exists; a selected
    // volume that is gone gives way to the nearest volume that holds its mount point.
    void refreshVolumes();

    void showPopup() override;

private:
    void fillVolumes();
    void entrySelected(int index);

    VolumeSource source_;
    VolumeList volumes_;
    int aliasCount_ = 0;
    QString currentDrive_;
};

} // namespace korvex
