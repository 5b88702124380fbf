#include "SettingsFile.h"

#include "ConfigurationFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvex;
using korvex::test::readWholeFile;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    QString pathOf(const QString& name) const { return dir_.filePath(name); }
    QString iniPath() const { return pathOf(QStringLiteral("KORVEX20.INI")); }

    // The file holding exactly these bytes.
    SettingsFile withFile(const QByteArray& bytes) const
    {
        EXPECT_TRUE(korvex::test::writeFile(iniPath(), bytes));
        return SettingsFile(iniPath());
    }

    QTemporaryDir dir_;
};

ino_t inodeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

} // namespace

// --- The integer rule -------------------------------------------------------------------

struct NumberCase {
    const char* name;
    const char* text;
    std::optional<int> number;
};

class SettingsNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(SettingsNumber, FollowsTheIntegerRule)
{
    EXPECT_EQ(parseSettingsNumber(QString::fromUtf8(GetParam().text)), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsNumber,
    ::testing::Values(
        NumberCase{"decimal", "42", 42}, NumberCase{"plus", "+5", 5}, NumberCase{"minus", "-5", -5},
        NumberCase{"leadingZeros", "007", 7}, NumberCase{"blanksAround", " 12 ", 12},
        NumberCase{"dollarHex", "$1F", 31}, NumberCase{"dollarHexLower", "$1f", 31}, NumberCase{"zeroXHex", "0x1F", 31},
        NumberCase{"zeroUpperXHex", "0X1f", 31}, NumberCase{"zeroXOneDigit", "0x0", 0},
        NumberCase{"negativeHex", "-$10", -16}, NumberCase{"negativeZeroXHex", "-0x10", -16},
        NumberCase{"zeroXAlone", "0x", std::nullopt}, NumberCase{"dollarAlone", "$", std::nullopt},
        NumberCase{"signAlone", "-", std::nullopt}, NumberCase{"empty", "", std::nullopt},
        NumberCase{"blank", "   ", std::nullopt}, NumberCase{"letters", "abc", std::nullopt},
        NumberCase{"trailingLetters", "12a", std::nullopt}, NumberCase{"decimalPoint", "1.5", std::nullopt},
        NumberCase{"blankAfterSign", "- 5", std::nullopt}, NumberCase{"twoSigns", "+-5", std::nullopt},
        NumberCase{"signAfterDollar", "$-5", std::nullopt}, NumberCase{"hexDigitInDecimal", "1F", std::nullopt},
        NumberCase{"badHexDigit", "0x1G", std::nullopt}, NumberCase{"arabicIndicDigit", "\xD9\xA3", std::nullopt},
        NumberCase{"intMax", "2147483647", INT_MAX}, NumberCase{"intMaxPlusOne", "2147483648", std::nullopt},
        NumberCase{"intMin", "-2147483648", INT_MIN}, NumberCase{"intMinMinusOne", "-2147483649", std::nullopt},
        NumberCase{"hexIntMax", "$7FFFFFFF", INT_MAX}, NumberCase{"hexBeyondIntMax", "$80000000", std::nullopt},
        NumberCase{"hexAllOnes", "0xFFFFFFFF", std::nullopt}, NumberCase{"hexIntMin", "-$80000000", INT_MIN},
        NumberCase{"hugeDecimal", "99999999999999999999999", std::nullopt}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// --- Location -----------------------------------------------------------------------------

TEST(SettingsFileLocation, BareNameLivesInTheKorvexFolderOfTheConfigLocation)
{
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    SettingsFile settings;
    const QString folder = config.path() + QStringLiteral("/korvex");
    EXPECT_EQ(SettingsFile::settingsDirectory(), folder);
    EXPECT_EQ(settings.path(), folder + QStringLiteral("/KORVEX20.INI"));
    EXPECT_FALSE(QFileInfo::exists(folder)) << "reading must not create the folder";
    EXPECT_EQ(settings.ReadNumber(SettingsSection::System, QStringLiteral("View_Mode"), 1), 1);
    EXPECT_FALSE(QFileInfo::exists(folder));

    settings.WriteNumber(SettingsSection::System, QStringLiteral("View_Mode"), 2);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(readWholeFile(settings.path()), "[System]\nView_Mode=2\n");

    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}

TEST(SettingsFileLocation, RelativePathAndBareNameAreFixedAgainstTheCurrentDirectoryOfTheStart)
{
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    SettingsFile settings(QStringLiteral("./mine.ini"));
    SettingsFile bareName(QStringLiteral("KORVEX20.INI"));
    ASSERT_TRUE(QDir::setCurrent(before));
    EXPECT_EQ(settings.path(), QDir(dir.path()).canonicalPath() + QStringLiteral("/mine.ini"));
    EXPECT_EQ(bareName.path(), QDir(dir.path()).canonicalPath() + QStringLiteral("/KORVEX20.INI"))
        << "only the program's own file lives in the settings folder";
}

// --- Reading ------------------------------------------------------------------------------

TEST_F(SettingsFileTest, MissingFileReadsDefaultsAndIsNotCreated)
{
    SettingsFile settings(iniPath());
    EXPECT_EQ(settings.ReadText(SettingsSection::Options, QStringLiteral("Main_Header_Text"), QStringLiteral("d")),
              "d");
    EXPECT_EQ(settings.ReadNumber(SettingsSection::Options, QStringLiteral("Margin_Left"), 20), 20);
    EXPECT_TRUE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("PrintGrid"), true));
    EXPECT_FALSE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("PrintCopyright"), false));
    EXPECT_TRUE(settings.ReadSectionLines(SettingsSection::Passwords).isEmpty());
    settings.ClearSection(SettingsSection::Passwords);
    EXPECT_FALSE(QFileInfo::exists(iniPath()));
}

TEST_F(SettingsFileTest, NamesAreCaseBlindAndTheValueIsEverythingAfterTheFirstEquals)
{
    const auto settings = withFile("[options]\n"
                                   "MAIN_HEADER_TEXT=a=b = c \n"
                                   "  Margin_Left  =  7\n"
                                   "[ Language_1 ]\n"
                                   "Page:=Seite:\n"
                                   "Name of table=\n");
    EXPECT_EQ(settings.ReadText(QStringLiteral("OPTIONS"), QStringLiteral("main_header_text"), {}), "a=b = c");
    EXPECT_EQ(settings.ReadNumber(SettingsSection::Options, QStringLiteral("Margin_Left"), 0), 7);
    EXPECT_EQ(settings.ReadText(SettingsSection::Language1, QStringLiteral("page:"), {}), "Seite:");
    EXPECT_EQ(settings.ReadText(SettingsSection::Language1, QStringLiteral("Name of table"), QStringLiteral("x")), "")
        << "an empty value is a value, not the default";
}

TEST_F(SettingsFileTest, BlanksAroundTheEqualsSignAreIgnored)
{
    const QByteArray options = "[Options]\nIndexChar= #\n\tMain_Header_Text =\t Sales  report \n";
    auto settings = withFile("[Passwords]\nPassword_0 = 123\n" + options);
    EXPECT_EQ(settings.ReadSectionLines(SettingsSection::Passwords), QStringList{"Password_0=123"});
    EXPECT_EQ(settings.ReadText(SettingsSection::Options, QStringLiteral("IndexChar"), {}), "#");
    EXPECT_EQ(settings.ReadText(SettingsSection::Options, QStringLiteral("Main_Header_Text"), {}), "Sales  report");

    // A write finds the line whatever blanks it holds; the same value leaves it alone.
    settings.WriteText(SettingsSection::Options, QStringLiteral("IndexChar"), QStringLiteral("#"));
    settings.WriteText(SettingsSection::Passwords, QStringLiteral("Password_0"), QStringLiteral("456"));
    EXPECT_EQ(readWholeFile(iniPath()), "[Passwords]\nPassword_0=456\n" + options);
}

TEST_F(SettingsFileTest, CommentsStrayLinesAndKeysBeforeAnySectionMeanNothing)
{
    const auto settings = withFile("Orphan=1\n"
                                   "[Options]\n"
                                   ";PrintGrid=0\n"
                                   "  ; Portrait=0\n"
                                   "just some words\n"
                                   "=no key\n"
                                   "PrintDate=0\n");
    EXPECT_EQ(settings.ReadText(SettingsSection::Options, QStringLiteral("Orphan"), QStringLiteral("none")), "none");
    EXPECT_TRUE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("PrintGrid"), true));
    EXPECT_TRUE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("Portrait"), true));
    EXPECT_FALSE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("PrintDate"), true));
    EXPECT_EQ(settings.ReadSectionLines(SettingsSection::Options), QStringList{"PrintDate=0"});
}

TEST_F(SettingsFileTest, FirstOfDuplicateKeysWinsAndRepeatedSectionsJoin)
{
    const auto settings = withFile("[Passwords]\n"
                                   "Password_0=first\n"
                                   "PASSWORD_0=second\n"
                                   "[Options]\n"
                                   "PrintGrid=0\n"
                                   "[passwords]\n"
                                   "Password_1=third\n");
    EXPECT_EQ(settings.ReadText(SettingsSection::Passwords, QStringLiteral("password_0"), {}), "first");
    EXPECT_EQ(settings.ReadText(SettingsSection::Passwords, QStringLiteral("Password_1"), {}), "third");
    EXPECT_EQ(settings.ReadSectionLines(SettingsSection::Passwords),
              (QStringList{"Password_0=first", "Password_1=third"}));
}

TEST_F(SettingsFileTest, FlagsAreAnyNonZeroNumber)
{
    const auto settings = withFile("[Options]\nShowHints=2\nPortrait=abc\nPrintGrid=0\nPrintDate=-1\n"
                                   "PrintHeader=0x0\nRefIntegrity=\n");
    EXPECT_TRUE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("ShowHints"), true));
    EXPECT_TRUE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("Portrait"), true));
    EXPECT_FALSE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("Portrait"), false));
    EXPECT_FALSE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("PrintGrid"), true));
    EXPECT_TRUE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("PrintDate"), false));
    EXPECT_FALSE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("PrintHeader"), true));
    EXPECT_TRUE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("RefIntegrity"), true));
}

TEST_F(SettingsFileTest, ReadsReturnAtMost1023Characters)
{
    const QByteArray longValue(2000, 'x');
    const auto settings = withFile("[Options]\nMain_Header_Text=" + longValue +
                                   "\n[Passwords]\nPassword_0=" + longValue + "\n");
    EXPECT_EQ(settings.ReadText(SettingsSection::Options, QStringLiteral("Main_Header_Text"), {}).size(), 1023);
    EXPECT_EQ(settings.ReadSectionLines(SettingsSection::Passwords),
              QStringList{"Password_0=" + QString(1023, QLatin1Char('x'))});

    // A character outside the basic plane straddling the limit is left out whole.
    const QString straddling = QString(1022, QLatin1Char('y')) + QString::fromUtf8("\xF0\x9F\x98\x80");
    const auto other = withFile("[Options]\nMain_Header_Text=" + straddling.toUtf8() + "\n");
    EXPECT_EQ(other.ReadText(SettingsSection::Options, QStringLiteral("Main_Header_Text"), {}),
              QString(1022, QLatin1Char('y')));
}

TEST_F(SettingsFileTest, CrlfLinesReadLikeLfLines)
{
    const auto settings = withFile(
        "[Options]\r\nMain_Header_Text=Title\r\nMargin_Left=$1F\r\n\r\n[Passwords]\r\nPassword_0=pw\r\n");
    EXPECT_EQ(settings.ReadText(SettingsSection::Options, QStringLiteral("Main_Header_Text"), {}), "Title");
    EXPECT_EQ(settings.ReadNumber(SettingsSection::Options, QStringLiteral("Margin_Left"), 0), 31);
    EXPECT_EQ(settings.ReadSectionLines(SettingsSection::Passwords), QStringList{"Password_0=pw"});
}

TEST_F(SettingsFileTest, ByteOrderMarkIsSkippedAndKept)
{
    auto settings = withFile("\xEF\xBB\xBF[Language_1]\nPage:=Seite\n");
    EXPECT_EQ(settings.ReadText(SettingsSection::Language1, QStringLiteral("Page:"), {}), "Seite");
    settings.WriteText(SettingsSection::Language1, QStringLiteral("Date:"), QStringLiteral("Datum:"));
    EXPECT_EQ(readWholeFile(iniPath()), "\xEF\xBB\xBF[Language_1]\nPage:=Seite\nDate:=Datum:\n");
}

TEST_F(SettingsFileTest, WindowsFileKeepsItsTranslatedLabels)
{
    // "Übersicht – Größe" and a euro sign in Windows-1252.
    auto settings = withFile("[Language_1]\r\nName of table=\xDC"
                             "bersicht \x96 Gr\xF6\xDF"
                             "e\r\nBytes=\x80\r\n");
    const QString label = QString::fromUtf8("Übersicht – Größe");
    EXPECT_EQ(settings.ReadText(SettingsSection::Language1, QStringLiteral("Name of table"), {}), label);
    EXPECT_EQ(settings.ReadText(SettingsSection::Language1, QStringLiteral("Bytes"), {}), QString::fromUtf8("€"));

    // A write leaves the Windows lines as they were and adds its own in UTF-8; nothing
    // changes meaning.
    settings.WriteText(SettingsSection::Language1, QStringLiteral("Page:"), QString::fromUtf8("Séite"));
    EXPECT_EQ(readWholeFile(iniPath()), QByteArray("[Language_1]\r\nName of table=\xDC"
                                                   "bersicht \x96 Gr\xF6\xDF"
                                                   "e\r\nBytes=\x80\r\n") +
                                            QString::fromUtf8("Page:=Séite\r\n").toUtf8());
    EXPECT_EQ(settings.ReadText(SettingsSection::Language1, QStringLiteral("Name of table"), {}), label);
    EXPECT_EQ(settings.ReadText(SettingsSection::Language1, QStringLiteral("Page:"), {}), QString::fromUtf8("Séite"));
}

TEST_F(SettingsFileTest, OneStrayWindowsByteNoLongerCorruptsTheUtf8ValuesOnSave)
{
    // A UTF-8 password, and one label typed on Windows ("é" as the single byte E9).
    const QByteArray utf8Lines = QString::fromUtf8("[Passwords]\nPassword_0=grün-geheim\n").toUtf8();
    auto settings = withFile(utf8Lines + "[Language_1]\nDate:=Dat\xE9\n");
    EXPECT_EQ(settings.ReadText(SettingsSection::Passwords, QStringLiteral("Password_0"), {}),
              QString::fromUtf8("grün-geheim"));
    EXPECT_EQ(settings.ReadText(SettingsSection::Language1, QStringLiteral("Date:"), {}), QString::fromUtf8("Daté"));

    settings.WriteNumber(SettingsSection::Options, QStringLiteral("OffsetFirstField"), 0);
    EXPECT_EQ(readWholeFile(iniPath()), utf8Lines + "[Language_1]\nDate:=Dat\xE9\n\n[Options]\nOffsetFirstField=0\n");
    EXPECT_EQ(settings.ReadText(SettingsSection::Passwords, QStringLiteral("Password_0"), {}),
              QString::fromUtf8("grün-geheim"));

    // A changed line is written in UTF-8; the stray byte of the other line stays as it was.
    settings.WriteText(SettingsSection::Language1, QStringLiteral("Date:"), QString::fromUtf8("Datum é"));
    EXPECT_EQ(readWholeFile(iniPath()), utf8Lines + QString::fromUtf8("[Language_1]\nDate:=Datum é\n").toUtf8() +
                                            "\n[Options]\nOffsetFirstField=0\n");
}

// --- ReadSectionLines ---------------------------------------------------------------------

TEST_F(SettingsFileTest, SectionLinesLeaveOutEmptyValuesAndKeepEqualsSigns)
{
    const auto settings = withFile("[Passwords]\nPassword_0=a=b\nPassword_1=\nOther=c\n[System]\nLastDirectory=/x\n");
    EXPECT_EQ(settings.ReadSectionLines(QStringLiteral("PASSWORDS")), (QStringList{"Password_0=a=b", "Other=c"}));
    EXPECT_TRUE(settings.ReadSectionLines(QStringLiteral("Nowhere")).isEmpty());
}

TEST_F(SettingsFileTest, SectionLinesStopAtTheKeyWhoseNameNoLongerFitsThe8192ByteBuffer)
{
    // 8 names of 1023 bytes take 8 * 1024 = 8192 bytes with their terminators: all fit.
    // A ninth name of one character does not, and neither does any later name.
    QByteArray ini = "[Passwords]\n";
    QStringList expected;
    for (int i = 0; i < 8; ++i) {
        const QByteArray name = QByteArray(1022, 'k') + char('0' + i);
        ini += name + "=v" + QByteArray::number(i) + "\n";
        expected << QString::fromLatin1(name) + QStringLiteral("=v") + QString::number(i);
    }
    ini += "z=last\n";
    auto settings = withFile(ini);
    EXPECT_EQ(settings.ReadSectionLines(SettingsSection::Passwords), expected);

    // A key with an empty value still takes its room: one short key in front pushes the
    // eighth long name out.
    ini.replace("[Passwords]\n", "[Passwords]\nk=\n");
    settings = withFile(ini);
    expected.removeLast();
    EXPECT_EQ(settings.ReadSectionLines(SettingsSection::Passwords), expected);
}

TEST_F(SettingsFileTest, SectionLinesCountNamesInUtf8Bytes)
{
    // 4096 two-byte characters plus a terminator overflow the buffer; 4095 fit.
    const QString fits = QString(4095, QChar(0x00E4));
    const QString overflows = QString(4096, QChar(0x00E4));
    auto settings = withFile(("[Language_1]\n" + fits + "=1\n").toUtf8());
    EXPECT_EQ(settings.ReadSectionLines(SettingsSection::Language1).size(), 1);
    settings = withFile(("[Language_1]\n" + overflows + "=1\n").toUtf8());
    EXPECT_TRUE(settings.ReadSectionLines(SettingsSection::Language1).isEmpty());
}

// --- Writing ------------------------------------------------------------------------------

TEST_F(SettingsFileTest, FirstWriteCreatesAFileOnlyItsOwnerCanRead)
{
    SettingsFile settings(pathOf(QStringLiteral("new/folder/KORVEX20.INI")));
    settings.WriteText(SettingsSection::Passwords, QStringLiteral("Password_0"), QStringLiteral("secret"));
    EXPECT_EQ(modeOf(settings.path()), 0600u);
    EXPECT_EQ(readWholeFile(settings.path()), "[Passwords]\nPassword_0=secret\n");
}

TEST_F(SettingsFileTest, ExistingFileKeepsItsPermissions)
{
    auto settings = withFile("[Options]\nPrintGrid=1\n");
    ASSERT_EQ(::chmod(QFile::encodeName(iniPath()).constData(), 0640), 0);
    settings.WriteFlag(SettingsSection::Options, QStringLiteral("PrintGrid"), false);
    EXPECT_EQ(modeOf(iniPath()), 0640u);
    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\nPrintGrid=0\n");
}

TEST_F(SettingsFileTest, WriteReplacesTheLineInPlaceAndKeepsEverythingElse)
{
    auto settings = withFile("; Korvex settings\n"
                             "[options]\n"
                             "printgrid = 1\n"
                             "stray line\n"
                             "PrintDate=1\n"
                             "\n"
                             "[System]\n"
                             "View_Mode=2\n");
    settings.WriteFlag(SettingsSection::Options, QStringLiteral("PrintGrid"), false);
    settings.WriteNumber(SettingsSection::Options, QStringLiteral("Margin_Left"), -12);
    settings.WriteText(SettingsSection::MainWindow, QStringLiteral("width"), QStringLiteral("640"));
    EXPECT_EQ(readWholeFile(iniPath()), "; Korvex settings\n"
                                        "[options]\n"
                                        "PrintGrid=0\n"
                                        "stray line\n"
                                        "PrintDate=1\n"
                                        "Margin_Left=-12\n"
                                        "\n"
                                        "[System]\n"
                                        "View_Mode=2\n"
                                        "\n"
                                        "[MainWindow]\n"
                                        "width=640\n");
}

TEST_F(SettingsFileTest, WriteChangesOnlyTheFirstOfDuplicateKeys)
{
    auto settings = withFile("[Options]\nPortrait=1\nPortrait=1\n");
    settings.WriteFlag(SettingsSection::Options, QStringLiteral("Portrait"), false);
    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\nPortrait=0\nPortrait=1\n");
    EXPECT_FALSE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("Portrait"), true));
}

TEST_F(SettingsFileTest, WriteKeepsTheFileLineEnds)
{
    auto crlf = withFile("[Options]\r\nPrintGrid=1\r\nlast line without end");
    crlf.WriteFlag(SettingsSection::Options, QStringLiteral("PrintDate"), true);
    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\r\nPrintGrid=1\r\nlast line without end\r\nPrintDate=1\r\n");
}

TEST_F(SettingsFileTest, WriteOfTheSameValueLeavesTheFileAlone)
{
    auto settings = withFile("[Options]\nOffsetFirstField=0\n");
    const ino_t before = inodeOf(iniPath());
    settings.WriteNumber(SettingsSection::Options, QStringLiteral("offsetfirstfield"), 0);
    EXPECT_EQ(inodeOf(iniPath()), before);
    settings.WriteNumber(SettingsSection::Options, QStringLiteral("OffsetFirstField"), 1);
    EXPECT_NE(inodeOf(iniPath()), before) << "a change replaces the file as a whole";
}

TEST_F(SettingsFileTest, ValueCannotBreakIntoLinesOfItsOwn)
{
    auto settings = withFile("[Options]\nPrintGrid=1\n");
    settings.WriteText(SettingsSection::Passwords, QStringLiteral("Password_0"),
                       QStringLiteral("a\r\n[Options]\nPrintGrid=0"));
    EXPECT_EQ(settings.ReadText(SettingsSection::Passwords, QStringLiteral("Password_0"), {}),
              "a  [Options] PrintGrid=0");
    EXPECT_TRUE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("PrintGrid"), false));
}

TEST_F(SettingsFileTest, NamesThatTheFileCannotHoldAreRefused)
{
    SettingsFile settings(iniPath());
    for (const char* key : {"", " Lead", "Trail ", "a=b", "[x", ";x", "a\nb"})
        EXPECT_THROW(settings.WriteText(SettingsSection::Options, QString::fromLatin1(key), {}), std::invalid_argument)
            << key;
    for (const char* section : {"", "a]b", " Options", "a\rb"})
        EXPECT_THROW(settings.WriteText(QString::fromLatin1(section), QStringLiteral("k"), {}), std::invalid_argument)
            << section;
    EXPECT_FALSE(QFileInfo::exists(iniPath()));
}

TEST_F(SettingsFileTest, ClearSectionRemovesEveryBlockOfTheSectionAndNothingElse)
{
    auto settings = withFile("[Options]\nPrintGrid=0\n\n"
                             "[Passwords]\nPassword_0=a\n; note\n\n"
                             "[System]\nView_Mode=0\n"
                             "[PASSWORDS]\nPassword_1=b\n");
    settings.ClearSection(SettingsSection::Passwords);
    EXPECT_EQ(readWholeFile(iniPath()), "[Options]\nPrintGrid=0\n\n[System]\nView_Mode=0\n");
    settings.WriteText(SettingsSection::Passwords, QStringLiteral("Password_0"), QStringLiteral("c"));
    EXPECT_EQ(settings.ReadSectionLines(SettingsSection::Passwords), QStringList{"Password_0=c"});
}

// --- Failed writes ------------------------------------------------------------------------

TEST_F(SettingsFileTest, WriteOverADirectoryFailsWithTheFixedMessage)
{
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("KORVEX20.INI")));
    SettingsFile settings(iniPath());
    EXPECT_EQ(settings.ReadText(SettingsSection::Options, QStringLiteral("IndexChar"), QStringLiteral("*")), "*");
    try {
        settings.WriteText(SettingsSection::Options, QStringLiteral("IndexChar"), QStringLiteral("*"));
        FAIL() << "no error";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(e.message(), "Kann nicht nach " + iniPath() + " schreiben");
    }
    EXPECT_THROW(settings.ClearSection(SettingsSection::Passwords), SettingsWriteError);
    EXPECT_TRUE(QFileInfo(iniPath()).isDir());
}

TEST_F(SettingsFileTest, WriteThatRunsOutOfRoomLeavesTheOldFileWhole)
{
    // A file-size limit makes the disk "full" after 4096 bytes, for root as well.
    const QByteArray old = "[Options]\nMain_Header_Text=old title\n[Passwords]\nPassword_0=keep me\n";
    auto settings = withFile(old);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    bool thrown = false;
    try {
        settings.WriteText(SettingsSection::Options, QStringLiteral("Main_Header_Text"),
                           QString(100000, QLatin1Char('n')));
    } catch (const SettingsWriteError& e) {
        thrown = true;
        EXPECT_EQ(e.message(), "Kann nicht nach " + iniPath() + " schreiben");
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(thrown);
    EXPECT_EQ(readWholeFile(iniPath()), old);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"KORVEX20.INI"})
        << "no half-written file is left beside it";
}

TEST_F(SettingsFileTest, WriteIntoAReadOnlyFolderLeavesTheOldFileWhole)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const QByteArray old = "[Options]\nPrintGrid=1\n";
    auto settings = withFile(old);
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0500), 0);
    EXPECT_THROW(settings.WriteFlag(SettingsSection::Options, QStringLiteral("PrintGrid"), false), SettingsWriteError);
    EXPECT_THROW(settings.ClearSection(SettingsSection::Options), SettingsWriteError);
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0700);
    EXPECT_EQ(readWholeFile(iniPath()), old);
}

TEST_F(SettingsFileTest, UnreadableFileIsNeverOverwritten)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads files without read permission";
    const QByteArray old = "[Options]\nPrintGrid=0\n";
    auto settings = withFile(old);
    ASSERT_EQ(::chmod(QFile::encodeName(iniPath()).constData(), 0200), 0);
    EXPECT_TRUE(settings.ReadFlag(SettingsSection::Options, QStringLiteral("PrintGrid"), true)) << "reads as missing";
    EXPECT_THROW(settings.WriteFlag(SettingsSection::Options, QStringLiteral("PrintDate"), true), SettingsWriteError);
    ::chmod(QFile::encodeName(iniPath()).constData(), 0600);
    EXPECT_EQ(readWholeFile(iniPath()), old);
}

TEST_F(SettingsFileTest, ThousandsOfKeysInOneChangeLandWhereSingleWritesWouldPutThem)
{
    // The keys of the last section are added at the end of the file, those of an earlier
    // section in its middle; a key written twice keeps the later value.
    auto settings = withFile("[Options]\nPrintGrid=1\n\n[Passwords]\nPassword_0=old\n");
    std::vector<SettingsFile::Value> values;
    QStringList keys;
    for (int i = 0; i < 3000; ++i) {
        keys << QStringLiteral("Password_%1").arg(i);
        values.push_back({SettingsSection::Passwords, keys.last(), QStringLiteral("pw%1").arg(i)});
        if (i == 1500)
            values.push_back({SettingsSection::Options, QStringLiteral("PrintDate"), QStringLiteral("0")});
    }
    values.push_back({SettingsSection::Passwords, QStringLiteral("password_7"), QStringLiteral("again")});
    settings.writeTexts(values);

    const auto read = settings.readTexts(SettingsSection::Passwords, keys);
    for (int i = 0; i < 3000; ++i)
        ASSERT_EQ(read[std::size_t(i)], i == 7 ? QStringLiteral("again") : QStringLiteral("pw%1").arg(i)) << i;
    EXPECT_TRUE(
        readWholeFile(iniPath()).startsWith("[Options]\nPrintGrid=1\nPrintDate=0\n\n[Passwords]\nPassword_0=pw0\n"));
    EXPECT_TRUE(readWholeFile(iniPath()).endsWith("Password_2999=pw2999\n"));
    EXPECT_EQ(settings.ReadSectionLines(SettingsSection::Passwords).mid(0, 2),
              QStringList({"Password_0=pw0", "Password_1=pw1"}));
}

// --- What stands at the settings file's path ---------------------------------------------

TEST_F(SettingsFileTest, FifoDeviceOrHugeFileAsSettingsFileNeitherHangsNorExhaustsMemory)
{
    const auto refused = [&](const char* what) {
        SettingsFile settings(iniPath());
        QStringList warnings;
        settings.setWarning([&](const QString& text) { warnings << text; });
        EXPECT_EQ(settings.ReadNumber(SettingsSection::Options, QStringLiteral("Margin_Left"), 20), 20) << what;
        EXPECT_EQ(settings.ReadText(SettingsSection::Options, QStringLiteral("IndexChar"), QStringLiteral("*")), "*");
        EXPECT_THROW(settings.WriteFlag(SettingsSection::Options, QStringLiteral("PrintGrid"), false),
                     SettingsWriteError);
        ASSERT_EQ(warnings.size(), 1) << what << ": told once, whatever the number of reads";
        EXPECT_TRUE(warnings[0].startsWith(QStringLiteral("the settings file %1 cannot be read").arg(iniPath())))
            << warnings[0].toStdString();
    };
    const QByteArray path = QFile::encodeName(iniPath());

    ASSERT_EQ(::mkfifo(path.constData(), 0600), 0);
    refused("a FIFO without a writer");
    ASSERT_EQ(::unlink(path.constData()), 0);

    ASSERT_EQ(::symlink("/dev/zero", path.constData()), 0);
    refused("an endless device");
    ASSERT_EQ(::unlink(path.constData()), 0);

    QFile huge(iniPath());
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(ConfigurationFile::MaxSize + 1));
    huge.close();
    refused("a file over the size limit");
    EXPECT_EQ(QFileInfo(iniPath()).size(), ConfigurationFile::MaxSize + 1);
}

TEST(ConfigurationFileRead, ReadsRegularFilesUpToTheLimitAndTellsWhyNot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("aliases.ini"));
    EXPECT_EQ(ConfigurationFile::read(path).status, ConfigurationFile::Status::Missing);
    EXPECT_EQ(ConfigurationFile::read(dir.filePath(QStringLiteral("no/such/file"))).status,
              ConfigurationFile::Status::Missing);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Sales]\nPATH=/srv\n");
    file.close();
    const ConfigurationFile read = ConfigurationFile::read(path, 18);
    EXPECT_EQ(read.status, ConfigurationFile::Status::Read);
    EXPECT_EQ(read.bytes, "[Sales]\nPATH=/srv\n");
    const ConfigurationFile tooLarge = ConfigurationFile::read(path, 17);
    EXPECT_EQ(tooLarge.status, ConfigurationFile::Status::Failed);

    const ConfigurationFile folder = ConfigurationFile::read(dir.path());
    EXPECT_EQ(folder.status, ConfigurationFile::Status::Failed);
    EXPECT_EQ(folder.reason, "it is a directory");
}

// --- Choices ------------------------------------------------------------------------------

TEST(FindChoice, FindsTheStoredTextWithoutRegardToCase)
{
    const QStringList list{"Left", "Center", "Right"};
    EXPECT_EQ(findChoice(list, QStringLiteral("center")), 1);
    EXPECT_EQ(findChoice(list, QStringLiteral("RIGHT")), 2);
    EXPECT_EQ(findChoice(list, QStringLiteral("Centre")), -1);
    EXPECT_EQ(findChoice(list, QString()), -1);
}
