#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace korvex {

// How a file that does not exist yet is made; an existing file keeps its permissions.
enum class NewFileAccess {
    Shared,    // readable by others as the umask allows (documents, books)
    OwnerOnly, // its owner's alone (the settings file with its passwords)
};

// Writes bytes as the whole new contents of the file at path, or leaves the file as it
// was: the bytes go into a new file beside it, every write, the sync to the disk and the
// close are checked, and only then is the new file renamed over the old one. A symbolic
// link at path is refused, never written through nor replaced, and so is anything there
// that is not a plain file. The folder must exist. Answers an empty text, or why the file
// was not written (the system's reason, "No space left on device"), without its name.
QString writeFileAtomically(const QString& path, const QByteArray& bytes, NewFileAccess access = NewFileAccess::Shared);

// One file of a set: its name within the set's folder (a plain file name) and contents.
struct NamedFile {
    QString name;
    QByteArray contents;
};

// Writes a set of files into folder so that afterwards either all of them hold their new
// contents or all are as they were: every file is first written completely into a private
// folder inside folder, then the new files take the old ones' places one by one, and a
// failure on the way puts the old ones back. Files of folder outside the set stay as they
// are. folder is made when missing (and removed again when nothing could be written).
// Names must be plain file names; symbolic links and other non-files among the set's
// places are refused, as by writeFileAtomically. Answers an empty text, or why not
// (naming the file).
QString writeFileSetAtomically(const QString& folder, const std::vector<NamedFile>& files);

// Why folder cannot take new files, or an empty text when it can: it exists, is a folder,
// and a file can be made in it (made and removed again at once). For checking an output
// folder before a long run rather than after.
QString folderWritableProblem(const QString& folder);

} // namespace korvex
