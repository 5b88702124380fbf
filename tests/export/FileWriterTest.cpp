// The one writer of files: links are neither written through nor replaced, an existing
// file keeps its permissions, and a set with a name that leaves its folder writes nothing.

#include "FileWriter.h"
#include "FileNames.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <unistd.h>

using namespace korvex;

namespace {

// Owner, group and others; Qt's "user" bits repeat the owner's for the running user.
QFile::Permissions permissionsOf(const QString& path)
{
    return QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}

} // namespace

TEST(FileWriter, ASymbolicLinkIsNeitherWrittenThroughNorReplaced)
{
    QTemporaryDir dir;
    const QString victim = dir.filePath("victim");
    ASSERT_EQ(writeFileAtomically(victim, "victim"), QString());
    for (const QString& target : {victim, dir.filePath("dangling")}) {
        const QString link = dir.filePath("link");
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(target, link));
        EXPECT_TRUE(writeFileAtomically(link, "new").contains("symbolic link"));
        EXPECT_TRUE(writeFileSetAtomically(dir.path(), {{"fine", "new"}, {"link", "new"}}).contains("symbolic link"));
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("fine")));
    }
    EXPECT_EQ(test::readWholeFile(victim), "victim");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("dangling")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              (QStringList{"link", "victim"}));
}

TEST(FileWriter, AnExistingFileKeepsItsPermissionsAndANewSettingsFileIsTheOwnersAlone)
{
    QTemporaryDir dir;
    const QString shared = dir.filePath("shared");
    ASSERT_EQ(writeFileAtomically(shared, "1"), QString());
    ASSERT_TRUE(QFile::setPermissions(shared, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_EQ(writeFileAtomically(shared, "2"), QString());
    EXPECT_EQ(permissionsOf(shared), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QString secret = dir.filePath("secret");
    ASSERT_EQ(writeFileAtomically(secret, "pw", NewFileAccess::OwnerOnly), QString());
    EXPECT_EQ(permissionsOf(secret), QFile::ReadOwner | QFile::WriteOwner);
}

TEST(FileWriter, ASetWithANameOutsideItsFolderWritesNothing)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("made");
    for (const char* name : {"../escaped", "sub/x", "..", ""})
        EXPECT_FALSE(writeFileSetAtomically(folder, {{"a", "1"}, {name, "2"}}).isEmpty()) << name;
    EXPECT_FALSE(QFileInfo::exists(folder)) << "the folder made for nothing is gone again";
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("escaped")));
    ASSERT_EQ(writeFileSetAtomically(folder, {{"a", "1"}, {"b", "2"}}), QString());
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), (QStringList{"a", "b"}));
}

// A table named in a DOS code page ("CAF\xC9.DB") gave its document the name "CAF\uFFFD.DB.md":
// the writer lost the bytes that are not UTF-8.
TEST(FileWriter, ANameThatIsNotUtf8KeepsItsBytes)
{
    QTemporaryDir dir;
    const QString name = decodeFileName("CAF\xC9.DB.md");
    ASSERT_EQ(writeFileSetAtomically(dir.path(), {{name, "set"}}), QString());
    ASSERT_EQ(writeFileAtomically(dir.filePath(decodeFileName("ONE\xC9")), "one"), QString());
    for (const QByteArray& entry : {QByteArray("CAF\xC9.DB.md"), QByteArray("ONE\xC9")}) {
        const QByteArray path = QFile::encodeName(dir.path()) + '/' + entry;
        EXPECT_EQ(::access(path.constData(), R_OK), 0) << entry.toStdString();
    }
}
