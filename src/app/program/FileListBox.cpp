#include "FileListBox.h"

namespace korvex {

FileListBox::FileListBox(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("FileListBox1"));
}

void FileListBox::setDirectory(const QString& directory)
{
    directory_ = directory;
    read();
}

void FileListBox::setMask(const QString& mask)
{
    mask_ = mask;
    read();
}

void FileListBox::read()
{
    entries_ = listFiles(directory_, mask_);
    emit changed();
}

void FileListBox::assign(const QString& directory, const QString& mask, const QStringList& names)
{
    directory_ = directory;
    mask_ = mask;
    entries_ = names;
}

QStringList FileListBox::listFiles(const QString& directory, const QString& mask)
{
    return listMatchingFiles(directory, mask);
}

} // namespace korvex
