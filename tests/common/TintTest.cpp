// Colour derivation and the brightness rule of the tint engine, worked out by hand.
#include <gtest/gtest.h>

#include <climits>

#include "filters/common/Painting.h"
#include "filters/common/Tint.h"

namespace tintara::testing {
namespace {

void ExpectColour(int colour, int U, int V, int Y, int kV, int kG, int kU) {
  const FillColour f = FillColourOf(colour);
  EXPECT_EQ(f.U, U) << std::hex << colour;
  EXPECT_EQ(f.V, V) << std::hex << colour;
  EXPECT_EQ(f.kV, kV) << std::hex << colour;
  EXPECT_EQ(f.kG, kG) << std::hex << colour;
  EXPECT_EQ(f.kU, kU) << std::hex << colour;
  const MarkerColour m = MarkerColourOf(colour);
  EXPECT_EQ(m.Y, Y) << std::hex << colour;
  EXPECT_EQ(m.U, U) << std::hex << colour;
  EXPECT_EQ(m.V, V) << std::hex << colour;
}

TEST(ColourTable, WorkedValues) {
  // Red: U = -43.095 + 128, V = 127.5 + 128; du = -44, dv = 127.
  // kG = 15.202 - 91.0463 = -75.84 and kU = -78.276 truncate toward zero, not down.
  ExpectColour(0xFF0000, 84, 255, 76, 178, -75, -78);
  // Blue: V = -20.7315 + 128 = 107.27; kV = 1.4075 * -21 = -29.56 -> -29.
  ExpectColour(0x0000FF, 255, 107, 29, -29, -28, 225);
  ExpectColour(0, 128, 128, 0, 0, 0, 0);
}

TEST(ColourTable, WhiteIsNotNeutral) {
  // U = 127.5 - 127.755 + 128 = 127.745, V = 127.5 - 106.845 - 20.7315 + 128 = 127.92:
  // du = dv = -1, so kV = -1.4075, kG = 0.3455 + 0.7169, kU = -1.779.
  ExpectColour(0xFFFFFF, 127, 127, 255, -1, 1, -1);
}

TEST(ColourTable, HighBitsIgnored) {
  const MarkerColour m = MarkerColourOf(static_cast<int>(0xAB123456u));
  EXPECT_EQ(m.R, 0x12);
  EXPECT_EQ(m.G, 0x34);
  EXPECT_EQ(m.B, 0x56);
  // 0xFFFFFFFF is -1 as a script int; it must read as white, not as something negative.
  ExpectColour(-1, 127, 127, 255, -1, 1, -1);
  ExpectColour(static_cast<int>(0x80FF0000u), 84, 255, 76, 178, -75, -78);
}

TEST(BrightnessRule, ShiftAndStretch) {
  EXPECT_EQ(Adjust(77, true, 0), 77);
  EXPECT_EQ(Adjust(77, false, 0), 77);
  EXPECT_EQ(Adjust(250, true, 20), 270);  // not clamped until stored
  EXPECT_EQ(Adjust(10, true, -30), -20);
  EXPECT_EQ(Adjust(200, false, -100), 0);
  EXPECT_EQ(Adjust(200, false, 100), 400);
  EXPECT_EQ(Adjust(10, false, -33), 7);  // -330 / 100 truncates to -3, not -4
  EXPECT_EQ(Adjust(10, false, 33), 13);
}

TEST(BrightnessRule, HugeStretchDoesNotOverflow) {
  // 255 * INT_MAX does not fit an int; the adjusted value is still exact and stores as 255.
  EXPECT_EQ(Adjust(255, false, INT_MAX), 255 + static_cast<int64_t>(INT_MAX) * 255 / 100);
  EXPECT_EQ(Adjust(255, true, INT_MAX), 255 + static_cast<int64_t>(INT_MAX));
  const Brightness up(false, INT_MAX);
  EXPECT_EQ(up.Stored(255), 255);
  EXPECT_EQ(up.Stored(0), 0);
  EXPECT_EQ(up.Stored(1), 255);
  const Brightness down(true, INT_MIN);
  EXPECT_EQ(down.Stored(255), 0);
}

TEST(BrightnessRule, TableKeepsUnclampedLevel) {
  const Brightness b(true, 20);
  EXPECT_TRUE(b.Adjusts());
  EXPECT_EQ(b.Level(250), 270);
  EXPECT_EQ(b.Stored(250), 255);
  EXPECT_EQ(b.Stored(100), 120);
  const Brightness low(true, -255);
  EXPECT_EQ(low.Level(0), -255);
  EXPECT_EQ(low.Stored(200), 0);
  EXPECT_FALSE(Brightness(false, 0).Adjusts());
}

// The vector loops add the offset, the single-pixel loops read a table: for every brightness
// byte both must give the bytes of the brightness rule, in each clamp order.
template <ClampOrder Order>
void ExpectOffsetMatchesTable(int colour, int st) {
  const FillColour c = FillColourOf(colour);
  const Brightness b(true, st);
  ASSERT_TRUE(b.IsOffset());
  using Added = TintLevels<Order, true>;
  const Added added(b);
  const TintLevels<Order, false> looked_up(b);
  const TintTable table(c, b, Order);
  const int k[3] = {c.kV, c.kG, c.kU};
  for (int n = 0; n < 256; ++n) {
    const BYTE v = static_cast<BYTE>(n);
    const int64_t adjusted = Adjust(n, true, st);
    const int64_t level = Order == ClampOrder::Once ? adjusted : Clamp(adjusted);
    EXPECT_EQ(added.Level(v), looked_up.Level(v)) << st << " " << n;
    EXPECT_EQ(added.Luma(v), Clamp(adjusted)) << st << " " << n;
    EXPECT_EQ(looked_up.Luma(v), Clamp(adjusted)) << st << " " << n;
    EXPECT_EQ(table.luma[n], Clamp(adjusted)) << st << " " << n;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(table.rgb[i][n], Clamp(level + k[i])) << st << " " << n << " " << i;
      EXPECT_EQ(Added::Channel(added.Level(v), static_cast<int16_t>(k[i])), table.rgb[i][n]);
    }
  }
}

TEST(TintEngine, OffsetArithmeticMatchesTheTableInBothClampOrders) {
  for (int st : {0, 1, -1, 37, -90, 255, -255, 1024, -1024})
    for (int colour : {0xFF0000, 0x0000FF, 0x00FF00, 0x7F7F00}) {
      ExpectOffsetMatchesTable<ClampOrder::Once>(colour, st);
      ExpectOffsetMatchesTable<ClampOrder::BrightnessFirst>(colour, st);
    }
  // The orders differ where the adjusted brightness leaves 0..255: 250 + 20 less red's 75.
  const FillColour red = FillColourOf(0xFF0000);
  const Brightness up(true, 20);
  EXPECT_EQ(TintTable(red, up, ClampOrder::Once).rgb[1][250], 270 - 75);
  EXPECT_EQ(TintTable(red, up, ClampOrder::BrightnessFirst).rgb[1][250], 255 - 75);
}

}  // namespace
}  // namespace tintara::testing
