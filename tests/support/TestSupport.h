#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <span>
#include <vector>

namespace korvex::test {

// The folder of real sample tables, or an empty string when it is not there.
QString samplesDir();
// The folder of tables written by the independent writers (pxlib, python3-dbf) during the
// build's fixture step, or an empty string when it was not made.
QString fixturesDir();

// All files under dir (recursively) whose names end in one of the suffixes, compared
// without regard to case; sorted, paths absolute.
QStringList filesWithSuffix(const QString& dir, const QStringList& suffixes);

QByteArray readWholeFile(const QString& path);
// Writes bytes as the whole of the file at path, made or replaced; answers whether every
// byte was written.
bool writeFile(const QString& path, const QByteArray& bytes);
// SHA-256 of every regular file under dir, keyed by path; to prove that reading left
// every byte of every table as it was.
std::vector<std::pair<QString, QByteArray>> checksumTree(const QString& dir);

// What a program a test ran gave back: its exit status (-1 when it crashed or did not end
// in time) and what it wrote to its two streams.
struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs program with args under environment, its standard input closed at once (a pipe, no
// terminal), and waits at most timeoutMs for it.
ProgramRun runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& environment,
                      int timeoutMs);
// environment with "NAME=value" settings put in (a later one wins).
QProcessEnvironment withSettings(QProcessEnvironment environment, const QStringList& settings);

inline std::span<const std::byte> asBytes(const QByteArray& a)
{
    return {reinterpret_cast<const std::byte*>(a.constData()), std::size_t(a.size())};
}

} // namespace korvex::test

// Skips the current test with a clear message when the shared samples are missing.
#define KORVEX_REQUIRE_SAMPLES()                                                                                       \
    do {                                                                                                               \
        if (::korvex::test::samplesDir().isEmpty())                                                                    \
            GTEST_SKIP() << "real sample tables not found (expected at " KORVEX_SAMPLES_DIR                            \
                            "); set KORVEX_SAMPLES to their folder";                                                   \
    } while (false)

#define KORVEX_REQUIRE_FIXTURES()                                                                                      \
    do {                                                                                                               \
        if (::korvex::test::fixturesDir().isEmpty())                                                                   \
            GTEST_SKIP() << "fixture tables not found (expected at " KORVEX_FIXTURES_DIR ")";                          \
    } while (false)
