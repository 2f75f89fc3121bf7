#include <gtest/gtest.h>

#include "io/Eof.h"
#include "orvane/bytes/BytesInputWrapper.h"
#include "orvane/images/color/ColorUtils.h"

using namespace orvane::images::color;

namespace {

constexpr std::int32_t packed(std::uint32_t v) { return static_cast<std::int32_t>(v); }

} // namespace

TEST(Color, PackingAndClamping) {
    const Rgba red = Rgba::fromComponents(255, 0, 0);
    EXPECT_EQ(red.value, packed(0xFFFF0000));
    EXPECT_LT(red.value, 0);
    EXPECT_EQ(Rgba::get_alpha(red), 255);
    EXPECT_EQ(Rgba::fromComponents(300, -5, 128, 0).value, packed(0x00FF0080));
    EXPECT_EQ(Rgb::fromComponents(1, 2, 3).value, 0x010203);
    EXPECT_EQ(Rgb::toRgba(Rgb::fromComponents(1, 2, 3)).value, packed(0xFF010203));
    EXPECT_EQ(Rgb::fromRgba(Rgba{packed(0x80FFFFFF)}).value, 0xFFFFFF);
    EXPECT_EQ(Rgb::_new(-1).value, 0xFFFFFF);
}

TEST(Color, ComponentSettersTakeLowBitsAndKeepTheRest) {
    EXPECT_EQ(Rgba::set_red(Rgba{0}, 511).value, packed(0x00FF0000));
    EXPECT_EQ(Rgba::set_alpha(Rgba{packed(0x11223344)}, 0xAB).value, packed(0xAB223344));
    EXPECT_EQ(Rgba::get_green(Rgba{packed(0x11223344)}), 0x33);
    EXPECT_EQ(Rgb::set_blue(Rgb{0x123456}, 0x1FF).value, 0x1234FF);
}

TEST(Color, AddAndSubClampEachComponent) {
    EXPECT_EQ(Rgba::add(Rgba{packed(0xFF800000)}, Rgba{packed(0xFF800000)}).value, packed(0xFFFF0000));
    EXPECT_EQ(Rgba::sub(Rgba{0x10}, Rgba{0x20}).value, 0);
    EXPECT_EQ(Rgb::add(Rgb{0x800001}, Rgb{0x900001}).value, 0xFF0002);
}

TEST(Color, HexText) {
    EXPECT_EQ(Rgba::toString(Rgba{0}), "0");
    EXPECT_EQ(Rgba::toString(Rgba{packed(0xFF0000FF)}), "FF0000FF");
    EXPECT_EQ(Rgb::toString(Rgb{0xFF}), "FF");
}

TEST(Color, PaletteReaders) {
    const io::Bytes data = io::Bytes::ofString(std::string("\x01\x02\x03\x04", 4));
    orvane::bytes::BytesInputWrapper a(data, orvane::bytes::Endian::BigEndian);
    EXPECT_EQ(ColorUtils::readBgr(a).value, 0x030201);
    orvane::bytes::BytesInputWrapper b(data);
    EXPECT_EQ(ColorUtils::readRgb(b).value, 0x010203);
    orvane::bytes::BytesInputWrapper c(data);
    EXPECT_EQ(ColorUtils::readRgba(c).value, packed(0x04010203));
    orvane::bytes::BytesInputWrapper d(data, std::nullopt, 2);
    EXPECT_THROW(ColorUtils::readRgb(d), io::Eof);
    EXPECT_EQ(d.getAbailable(), 0);
}
