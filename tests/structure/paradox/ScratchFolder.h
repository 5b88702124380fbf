#pragma once

#include "ParadoxTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace korvex::test::paradox {

// A temporary folder holding copies of sample files, under names of the test's choosing,
// for cases of files missing, renamed or altered; the samples themselves are never touched.
struct ScratchFolder {
    QTemporaryDir dir;

    void copy(const QString& relative, const QString& as = {})
    {
        const QString target = dir.filePath(as.isEmpty() ? QFileInfo(relative).fileName() : as);
        ASSERT_TRUE(QFile::copy(samplePath(relative), target)) << relative.toStdString();
        QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    QString path(const QString& name) const { return dir.filePath(name); }
};

} // namespace korvex::test::paradox
