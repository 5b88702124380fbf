#include "BevelPanel.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>

using namespace korvex;

namespace {

class Panel : public ::testing::Test {
protected:
    void SetUp() override
    {
        QPalette p = panel_.palette();
        p.setColor(QPalette::Button, Face);
        p.setColor(QPalette::Light, Light);
        p.setColor(QPalette::Dark, Dark);
        panel_.setPalette(p);
        panel_.resize(10, 6);
    }

    QImage image() { return panel_.grab().toImage(); }

    static constexpr QRgb Face = 0xffc0c0c0;
    static constexpr QRgb Light = 0xffffffff;
    static constexpr QRgb Dark = 0xff808080;
    BevelPanel panel_;
};

} // namespace

TEST_F(Panel, WithoutBevelsTheFaceFillsEveryPixel)
{
    const QImage img = image();
    ASSERT_EQ(img.size(), QSize(10, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(img.pixel(x, y), Face) << x << "," << y;
    EXPECT_EQ(panel_.bevelWidth(), 0);
}

// A raised ring is lit along the top and the left, shaded along the right and the bottom;
// the shaded edges own the top-right and bottom-left corners.
TEST_F(Panel, RaisedOuterAndLoweredInnerRings)
{
    panel_.setBevelOuter(BevelPanel::Bevel::Raised);
    panel_.setBevelInner(BevelPanel::Bevel::Lowered);
    EXPECT_EQ(panel_.bevelWidth(), 2);
    const QImage img = image();
    const char* expected[] = {
        "LLLLLLLLLD", "LDDDDDDDLD", "LDFFFFFFLD", "LDFFFFFFLD", "LLLLLLLLLD", "DDDDDDDDDD",
    };
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) {
            const char c = expected[y][x];
            const QRgb want = c == 'L' ? Light : c == 'D' ? Dark : Face;
            ASSERT_EQ(img.pixel(x, y), want) << x << "," << y;
        }
}
