// The master-password checksum: its constant tables, pxlib's implementation as a second
// witness, and the sample tables protected by a known password.

#include "paradox/PasswordChecksum.h"
#include "paradox/ParadoxReader.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>

#include <algorithm>
#include <random>

// Exported by libpx.so but declared only in pxlib's internal headers.
extern "C" long px_passwd_checksum(const char* aPsw);

using namespace korvex::paradox;

namespace {

QByteArray sha256(std::span<const std::uint8_t, 256> table)
{
    return QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(table.data()), 256),
                                    QCryptographicHash::Sha256)
        .toHex();
}

bool isPermutation(std::span<const std::uint8_t, 256> table)
{
    std::array<std::uint8_t, 256> sorted{};
    std::copy(table.begin(), table.end(), sorted.begin());
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 256; ++i)
        if (sorted[std::size_t(i)] != i)
            return false;
    return true;
}

std::uint32_t pxlibChecksum(const QByteArray& password)
{
    return std::uint32_t(px_passwd_checksum(password.constData()));
}

} // namespace

TEST(PasswordChecksum, ConstantTablesAreTranscribedExactly)
{
    EXPECT_EQ(sha256(scrambleTable('A')), "c5a5fe3d4de74cc7e5777a94adbbcc36177d1a95114af9de1a5dd65a8fec2b60");
    EXPECT_EQ(sha256(scrambleTable('B')), "5171c9ac4c8ce77135f9140185a31e2886550b42f3d24b88db10605a683fa228");
    EXPECT_EQ(sha256(scrambleTable('C')), "40e13a8a8a4a84d2dadbee614e512dafa849c7249d70f3478141f3668a547619");
    EXPECT_FALSE(isPermutation(scrambleTable('A')));
    EXPECT_TRUE(isPermutation(scrambleTable('B')));
    EXPECT_TRUE(isPermutation(scrambleTable('C')));
}

TEST(PasswordChecksum, KnownValues)
{
    // The samples protected by "123" store 0x0A25E09A.
    EXPECT_EQ(passwordChecksum("123"), 0x0A25E09Au);
    // No password, no encryption.
    EXPECT_EQ(passwordChecksum(""), 0u);
    // Letter case counts.
    EXPECT_NE(passwordChecksum("Test"), passwordChecksum("test"));
}

TEST(PasswordChecksum, AgreesWithPxlibForRandomPasswords)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(1, 255); // a C string holds no NUL
    std::uniform_int_distribution<int> length(1, 40);
    for (int n = 0; n < 2000; ++n) {
        QByteArray password;
        const int l = n < 300 ? n % 31 + 1 : length(random);
        for (int i = 0; i < l; ++i)
            password.append(char(n < 300 ? byte(random) % 95 + 32 : byte(random)));
        ASSERT_EQ(passwordChecksum(password), pxlibChecksum(password)) << password.toHex().toStdString();
    }
    // Passwords that fill the whole 256-byte block (pxlib overruns a buffer beyond it).
    for (int l : {200, 255, 256}) {
        const QByteArray password(l, 'x');
        EXPECT_EQ(passwordChecksum(password), pxlibChecksum(password)) << l;
    }
}
