#include "util/DirectXErrors.h"

#include <gtest/gtest.h>

namespace {

using Vesk::GetDirectXErrorString;

TEST(DirectXErrorsTest, NamesFromEachFamily) {
    EXPECT_EQ(GetDirectXErrorString(0x887601C2), "DDERR_SURFACELOST");
    EXPECT_EQ(GetDirectXErrorString(0x88760091), "DDERR_INVALIDPIXELFORMAT");
    EXPECT_EQ(GetDirectXErrorString(0x8876017C), "DDERR_OUTOFVIDEOMEMORY");
    EXPECT_EQ(GetDirectXErrorString(0x8876021C), "DDERR_WASSTILLDRAWING");
    EXPECT_EQ(GetDirectXErrorString(0x8878000A), "DSERR_ALLOCATED");
    EXPECT_EQ(GetDirectXErrorString(0x88780032), "DSERR_INVALIDCALL");
    EXPECT_EQ(GetDirectXErrorString(0x88780078), "DSERR_NODRIVER");
    EXPECT_EQ(GetDirectXErrorString(0x887800AA), "DSERR_UNINITIALIZED");
    EXPECT_EQ(GetDirectXErrorString(0x887602BC), "D3DERR_BADMAJORVERSION");
    EXPECT_EQ(GetDirectXErrorString(0x88760835), "D3DERR_INBEGINSTATEBLOCK");
}

TEST(DirectXErrorsTest, SharedCodesGiveTheChosenName) {
    EXPECT_EQ(GetDirectXErrorString(0x80004001), "DDERR_UNSUPPORTED");
    EXPECT_EQ(GetDirectXErrorString(0x80004002), "DSERR_NOINTERFACE");
    EXPECT_EQ(GetDirectXErrorString(0x80004005), "DSERR_GENERIC");
    EXPECT_EQ(GetDirectXErrorString(0x80040110), "DSERR_NOAGGREGATION");
    EXPECT_EQ(GetDirectXErrorString(0x800401F0), "DDERR_NOTINITIALIZED");
    EXPECT_EQ(GetDirectXErrorString(0x8007000E), "E_OUTOFMEMORY");
    EXPECT_EQ(GetDirectXErrorString(0x80070057), "DDERR_INVALIDPARAMS");
}

TEST(DirectXErrorsTest, UnknownCodesPrintAsLowerCaseHex) {
    EXPECT_EQ(GetDirectXErrorString(0x12345678), "12345678");
    EXPECT_EQ(GetDirectXErrorString(0xDEADBEEF), "deadbeef");
    EXPECT_EQ(GetDirectXErrorString(0), "0");
    // Same code in another facility is not a DirectX result.
    EXPECT_EQ(GetDirectXErrorString(0x887701C2), "887701c2");
}

}  // namespace
