#include "DbaseIndexTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace korvex::dbase::test {

void put16(QByteArray& a, std::size_t at, std::uint16_t v)
{
    a[qsizetype(at)] = char(v & 0xFF);
    a[qsizetype(at + 1)] = char(v >> 8);
}

void put32(QByteArray& a, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        a[qsizetype(at + i)] = char((v >> (8 * i)) & 0xFF);
}

void put32be(QByteArray& a, std::size_t at, std::uint32_t v)
{
    for (std::size_t i = 0; i < 4; ++i)
        a[qsizetype(at + i)] = char((v >> (8 * (3 - i))) & 0xFF);
}

namespace {

void putText(QByteArray& a, std::size_t at, const std::string& text)
{
    a.replace(qsizetype(at), qsizetype(text.size()), QByteArray::fromStdString(text));
}

} // namespace

void expectTags(const std::vector<IndexDescription>& listed, const std::vector<ExpectedTag>& want)
{
    ASSERT_EQ(listed.size(), want.size());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const auto& g = listed[i];
        const auto& w = want[i];
        SCOPED_TRACE(w.name);
        EXPECT_EQ(g.name.toStdString(), w.name);
        EXPECT_EQ(g.fields.toStdString(), w.fields);
        EXPECT_EQ(g.expression.toStdString(), w.expression);
        EXPECT_EQ(g.expressionIndex, *w.expression != '\0');
        EXPECT_EQ(g.forCondition.toStdString(), w.forCondition);
        EXPECT_EQ(g.unique, w.unique);
        EXPECT_EQ(g.descending, w.descending);
        EXPECT_FALSE(g.primary);
        EXPECT_TRUE(g.maintained);
        EXPECT_FALSE(g.caseInsensitive);
    }
}

QByteArray buildMdx(const std::vector<MdxTagSpec>& tags, int entryLength)
{
    const bool dBase7 = entryLength != 32;
    const std::size_t nameSlot = dBase7 ? 33 : 11;
    const std::size_t firstTagPage = dBase7 ? 6 : 4; // after the header and the tag table
    const std::size_t pages = firstTagPage + 2 * tags.size();
    QByteArray a(qsizetype(pages * 512), '\0');
    a[0] = char(dBase7 ? 3 : 2);
    a[1] = char(124);
    a[2] = char(5);
    a[3] = char(17);
    putText(a, 4, "TEST");
    put16(a, 20, 2);    // pages per block
    put16(a, 22, 1024); // block size
    a[24] = 1;          // production index
    a[25] = 48;         // tag entries available
    a[26] = char(entryLength);
    put16(a, 28, std::uint16_t(tags.size()));
    put32(a, 32, std::uint32_t(pages));

    const std::size_t table = 544 + std::size_t(entryLength - 32);
    for (std::size_t i = 0; i < tags.size(); ++i) {
        const auto& t = tags[i];
        const std::size_t page = firstTagPage + 2 * i;
        const std::size_t entry = table + i * std::size_t(entryLength);
        put32(a, entry, std::uint32_t(page));
        putText(a, entry + 4, t.name.substr(0, nameSlot));
        a[qsizetype(entry + 4 + nameSlot)] = char(0x10);

        const std::size_t header = page * 512;
        put32(a, header, std::uint32_t(page + 1)); // root page
        put32(a, header + 4, 2);
        a[qsizetype(header + 8)] = char(t.keyFormat);
        a[qsizetype(header + 9)] = 'C';
        put16(a, header + 12, 10);
        putText(a, header + 24, t.expression);
        if (!t.forCondition.empty()) {
            a[qsizetype(header + 245)] = 1;
            putText(a, header + 762, t.forCondition);
        }
    }
    return a;
}

QByteArray buildCdx(std::vector<CdxTagSpec> tags, std::size_t tagsPerLeaf)
{
    constexpr std::size_t keyLength = 10;
    std::sort(tags.begin(), tags.end(), [](const auto& x, const auto& y) { return x.name < y.name; });
    const std::size_t leaves = std::max<std::size_t>(1, (tags.size() + tagsPerLeaf - 1) / tagsPerLeaf);
    const bool interior = leaves > 1;
    const std::size_t nodes = leaves + (interior ? 1 : 0);
    const std::size_t firstTag = cdx::FirstNode + nodes * cdx::NodeSize;
    QByteArray a(qsizetype(firstTag + tags.size() * 1024), '\0');
    const auto tagHeader = [&](std::size_t i) { return std::uint32_t(firstTag + i * 1024); };

    // directory header
    put32(a, 0, std::uint32_t(cdx::FirstNode));
    put32(a, 4, 0xFFFFFFFF);
    put16(a, 12, keyLength);
    a[14] = char(0xE0);
    a[15] = 1;
    put16(a, 506, 1);
    put16(a, 510, 1);

    const std::size_t firstLeaf = cdx::FirstNode + (interior ? cdx::NodeSize : 0);
    const auto leafAt = [&](std::size_t leaf) { return firstLeaf + leaf * cdx::NodeSize; };
    for (std::size_t leaf = 0; leaf < leaves; ++leaf) {
        const std::size_t node = leafAt(leaf);
        const std::size_t begin = leaf * tagsPerLeaf;
        const std::size_t end = std::min(tags.size(), begin + tagsPerLeaf);
        put16(a, node, interior ? 2 : 3);
        put16(a, node + 2, std::uint16_t(end - begin));
        put32(a, node + 4, leaf > 0 ? std::uint32_t(leafAt(leaf - 1)) : 0xFFFFFFFF);
        put32(a, node + 8, leaf + 1 < leaves ? std::uint32_t(leafAt(leaf + 1)) : 0xFFFFFFFF);
        put32(a, node + 14, 0x00FFFFFF);
        a[qsizetype(node + 18)] = 0x0F;
        a[qsizetype(node + 19)] = 0x0F;
        a[qsizetype(node + 20)] = 24;
        a[qsizetype(node + 21)] = 4;
        a[qsizetype(node + 22)] = 4;
        a[qsizetype(node + 23)] = 4;
        std::size_t keys = cdx::NodeSize;
        std::string previous;
        for (std::size_t i = begin; i < end; ++i) {
            const std::string& name = tags[i].name;
            std::size_t duplicates = 0;
            while (duplicates < name.size() && duplicates < previous.size() && name[duplicates] == previous[duplicates])
                ++duplicates;
            const std::size_t trailing = keyLength - name.size();
            const std::size_t fresh = name.size() - duplicates;
            keys -= fresh;
            putText(a, node + keys, name.substr(duplicates));
            put32(a, node + 24 + 4 * (i - begin),
                  tagHeader(i) | std::uint32_t(duplicates) << 24 | std::uint32_t(trailing) << 28);
            previous = name;
        }
        put16(a, node + 12, std::uint16_t(keys - (24 + 4 * (end - begin))));
    }
    if (interior) {
        const std::size_t root = cdx::FirstNode;
        put16(a, root, 1);
        put16(a, root + 2, std::uint16_t(leaves));
        put32(a, root + 4, 0xFFFFFFFF);
        put32(a, root + 8, 0xFFFFFFFF);
        for (std::size_t leaf = 0; leaf < leaves; ++leaf) {
            // each entry carries the highest key of its child
            const std::size_t last = std::min(tags.size(), (leaf + 1) * tagsPerLeaf) - 1;
            const std::size_t entry = root + 12 + leaf * (keyLength + 8);
            std::string key = tags[last].name;
            key.resize(keyLength, ' ');
            putText(a, entry, key);
            put32be(a, entry + keyLength, tagHeader(last));
            put32be(a, entry + keyLength + 4, std::uint32_t(leafAt(leaf)));
        }
    }

    for (std::size_t i = 0; i < tags.size(); ++i) {
        const auto& t = tags[i];
        const std::size_t header = tagHeader(i);
        put32(a, header, 0xFFFFFFFF);
        put32(a, header + 4, 0xFFFFFFFF);
        put16(a, header + 12, 10);
        a[qsizetype(header + 14)] = char(t.options | (t.forCondition.empty() ? 0 : 0x08));
        a[qsizetype(header + 15)] = 1;
        put16(a, header + 502, t.order);
        putText(a, header + 512, t.expression);
        putText(a, header + 512 + t.expression.size() + 1, t.forCondition);
        put16(a, header + 510, std::uint16_t(t.expression.size() + 1));
        put16(a, header + 506, std::uint16_t(t.forCondition.size() + 1));
    }
    return a;
}

} // namespace korvex::dbase::test
