#include "platform/headless/HeadlessDisplay.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

#include "platform/PixelOps.h"
#include "platform/Window.h"
#include "platform/headless/FakeClock.h"

namespace platform {
namespace {

class FakeWindow : public Window {
public:
    FakeWindow(Size client, Point origin)
        : Window(1, WindowParams{}), mClient(client), mOrigin(origin) {}

    void Show(ShowCommand) override {}
    bool IsVisible() const override { return true; }
    void SetForeground() override {}
    void SetFocus() override {}
    void SetTitle(std::string_view) override {}
    std::string Title() const override { return {}; }
    void SetPosition(Point) override {}
    Size ClientSize() const override { return mClient; }
    Placement GetPlacement() const override { return {}; }
    Point ClientToScreen(Point p) const override { return {p.x + mOrigin.x, p.y + mOrigin.y}; }
    Point ScreenToClient(Point p) const override { return {p.x - mOrigin.x, p.y - mOrigin.y}; }
    void SetIcon(int32_t, int32_t, const uint32_t*) override {}

private:
    Size mClient;
    Point mOrigin;
};

std::shared_ptr<Surface> MakeSurface(DisplaySystem& display, int32_t width, int32_t height,
                                     std::optional<PixelFormat> format = std::nullopt,
                                     MemoryPlace memory = MemoryPlace::System) {
    SurfaceDesc desc;
    desc.width = width;
    desc.height = height;
    desc.format = format;
    desc.memory = memory;
    std::shared_ptr<Surface> surface;
    EXPECT_EQ(display.CreateSurface(desc, surface), DD_OK);
    return surface;
}

uint32_t PixelAt(Surface& surface, int32_t x, int32_t y) {
    LockedSurface locked;
    EXPECT_EQ(surface.Lock(locked), DD_OK);
    const uint8_t* row = static_cast<const uint8_t*>(locked.bits) + locked.pitch * y;
    uint32_t value = 0;
    if (locked.format.bitsPerPixel == 16) {
        uint16_t v16;
        std::memcpy(&v16, row + 2 * x, 2);
        value = v16;
    } else {
        std::memcpy(&value, row + 4 * x, 4);
    }
    EXPECT_EQ(surface.Unlock(), DD_OK);
    return value;
}

void SetPixel(Surface& surface, int32_t x, int32_t y, uint32_t value) {
    const SurfaceRect r{x, y, x + 1, y + 1};
    ASSERT_EQ(surface.Fill(&r, value), DD_OK);
}

// Fills a surface with a distinct value per pixel.
void Numbered(Surface& surface) {
    for (int32_t y = 0; y < surface.Height(); ++y) {
        for (int32_t x = 0; x < surface.Width(); ++x) {
            SetPixel(surface, x, y, static_cast<uint32_t>(y * 100 + x + 1));
        }
    }
}

// The primary of a display that already has its window and cooperative level.
std::shared_ptr<Surface> MakePrimary(DisplaySystem& display) {
    SurfaceDesc desc;
    desc.kind = SurfaceKind::Primary;
    std::shared_ptr<Surface> primary;
    EXPECT_EQ(display.CreateSurface(desc, primary), DD_OK);
    return primary;
}

TEST(HeadlessDisplay, OffscreenSurfacesStartBlackInTheDisplayFormat) {
    HeadlessDisplay display;
    auto surface = MakeSurface(display, 5, 3);
    ASSERT_TRUE(surface);
    EXPECT_EQ(surface->Format(), PixelFormat::Xrgb8888());
    EXPECT_EQ(surface->Kind(), SurfaceKind::Offscreen);
    LockedSurface locked;
    ASSERT_EQ(surface->Lock(locked), DD_OK);
    EXPECT_EQ(locked.width, 5);
    EXPECT_EQ(locked.height, 3);
    EXPECT_GE(locked.pitch, 20);
    EXPECT_EQ(locked.pitch % 4, 0);
    for (int32_t y = 0; y < 3; ++y) {
        for (int32_t x = 0; x < 5; ++x) {
            uint32_t v;
            std::memcpy(&v, static_cast<uint8_t*>(locked.bits) + locked.pitch * y + 4 * x, 4);
            EXPECT_EQ(v, 0u);
        }
    }
    EXPECT_EQ(surface->Unlock(), DD_OK);

    auto odd16 = MakeSurface(display, 3, 2, PixelFormat::Rgb565());
    ASSERT_EQ(odd16->Lock(locked), DD_OK);
    EXPECT_EQ(locked.pitch % 4, 0);
    EXPECT_GE(locked.pitch, 6);
    EXPECT_EQ(locked.format, PixelFormat::Rgb565());
    EXPECT_EQ(odd16->Unlock(), DD_OK);
}

TEST(HeadlessDisplay, RefusesBadSurfaceRequests) {
    HeadlessDisplay display;
    std::shared_ptr<Surface> surface;
    SurfaceDesc desc;
    desc.width = 0;
    desc.height = 10;
    EXPECT_EQ(display.CreateSurface(desc, surface), DDERR_INVALIDPARAMS);
    desc.width = -4;
    EXPECT_EQ(display.CreateSurface(desc, surface), DDERR_INVALIDPARAMS);
    desc.width = 100000;
    EXPECT_EQ(display.CreateSurface(desc, surface), DDERR_TOOBIGWIDTH);
    desc.width = 10;
    desc.height = 100000;
    EXPECT_EQ(display.CreateSurface(desc, surface), DDERR_TOOBIGHEIGHT);
    desc.height = 10;
    desc.format = PixelFormat::Rgb888();
    EXPECT_EQ(display.CreateSurface(desc, surface), DDERR_INVALIDPIXELFORMAT);
    desc.format = PixelFormat{16, 0xF800, 0x0FE0, 0x001F};  // overlapping masks
    EXPECT_EQ(display.CreateSurface(desc, surface), DDERR_INVALIDPIXELFORMAT);
    desc.format = PixelFormat{32, 0x00FF00FF, 0x0000FF00, 0x00000000};
    EXPECT_EQ(display.CreateSurface(desc, surface), DDERR_INVALIDPIXELFORMAT);
    EXPECT_FALSE(surface);
    desc.format.reset();
    desc.kind = SurfaceKind::BackBuffer;
    EXPECT_EQ(display.CreateSurface(desc, surface), DDERR_INVALIDCAPS);
}

TEST(HeadlessDisplay, TwentyFourBitDesktopRefusesItsSurfaces) {
    HeadlessDisplayConfig config;
    config.desktopFormat = PixelFormat::Rgb888();
    HeadlessDisplay display(config);
    FakeWindow window({320, 200}, {0, 0});
    EXPECT_EQ(display.DesktopMode().bitsPerPixel, 24);
    ASSERT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::Normal), DD_OK);
    std::shared_ptr<Surface> surface;
    SurfaceDesc primary;
    primary.kind = SurfaceKind::Primary;
    EXPECT_EQ(display.CreateSurface(primary, surface), DDERR_INVALIDPIXELFORMAT);
    SurfaceDesc offscreen;
    offscreen.width = offscreen.height = 8;
    EXPECT_EQ(display.CreateSurface(offscreen, surface), DDERR_INVALIDPIXELFORMAT);
    offscreen.format = PixelFormat::Xrgb8888();
    EXPECT_EQ(display.CreateSurface(offscreen, surface), DD_OK);
}

TEST(HeadlessDisplay, LockIsExclusiveAndKeepsItsAddress) {
    HeadlessDisplay display;
    auto surface = MakeSurface(display, 8, 8);
    auto other = MakeSurface(display, 8, 8);
    LockedSurface first;
    ASSERT_EQ(surface->Lock(first), DD_OK);
    LockedSurface second;
    EXPECT_EQ(surface->Lock(second), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->Fill(nullptr, 1), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->Blt(nullptr, *other, nullptr, BltKey::None), DDERR_SURFACEBUSY);
    EXPECT_EQ(other->Blt(nullptr, *surface, nullptr, BltKey::None), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->Unlock(), DD_OK);
    EXPECT_EQ(surface->Unlock(), DDERR_NOTLOCKED);
    ASSERT_EQ(surface->Lock(second), DD_OK);
    EXPECT_EQ(second.bits, first.bits);
    EXPECT_EQ(surface->Unlock(), DD_OK);
}

TEST(HeadlessDisplay, FillClipsAndRefusesBadRectangles) {
    HeadlessDisplay display;
    auto surface = MakeSurface(display, 4, 4, PixelFormat::Rgb565());
    const SurfaceRect partly{-2, 2, 2, 10};
    ASSERT_EQ(surface->Fill(&partly, 0x1F), DD_OK);
    EXPECT_EQ(PixelAt(*surface, 0, 2), 0x1Fu);
    EXPECT_EQ(PixelAt(*surface, 1, 3), 0x1Fu);
    EXPECT_EQ(PixelAt(*surface, 2, 2), 0u);
    EXPECT_EQ(PixelAt(*surface, 0, 1), 0u);

    const SurfaceRect outside{10, 10, 20, 20};
    EXPECT_EQ(surface->Fill(&outside, 0x1F), DD_OK);
    const SurfaceRect inverted{3, 0, 1, 2};
    EXPECT_EQ(surface->Fill(&inverted, 0x1F), DDERR_INVALIDRECT);
    const SurfaceRect huge{INT32_MIN, 0, INT32_MAX, 1};
    EXPECT_EQ(surface->Fill(&huge, 0x1F), DDERR_INVALIDRECT);

    // Only the surface's own bits are stored.
    ASSERT_EQ(surface->Fill(nullptr, 0xABCD1234), DD_OK);
    EXPECT_EQ(PixelAt(*surface, 3, 3), 0x1234u);
}

TEST(HeadlessDisplay, CopyClipsBothSurfacesTogether) {
    HeadlessDisplay display;
    auto source = MakeSurface(display, 4, 4);
    auto dest = MakeSurface(display, 4, 4);
    Numbered(*source);

    // The destination reaches past the left and top edges: the copy moves with it.
    const SurfaceRect d{-1, -1, 3, 3};
    const SurfaceRect s{0, 0, 4, 4};
    ASSERT_EQ(dest->Blt(&d, *source, &s, BltKey::None), DD_OK);
    EXPECT_EQ(PixelAt(*dest, 0, 0), 102u);  // source (1, 1)
    EXPECT_EQ(PixelAt(*dest, 2, 2), 304u);  // source (3, 3)
    EXPECT_EQ(PixelAt(*dest, 3, 3), 0u);

    // The source reaches past its bottom-right corner: only what exists is copied.
    auto fresh = MakeSurface(display, 4, 4);
    const SurfaceRect d2{0, 0, 3, 3};
    const SurfaceRect s2{2, 2, 5, 5};
    ASSERT_EQ(fresh->Blt(&d2, *source, &s2, BltKey::None), DD_OK);
    EXPECT_EQ(PixelAt(*fresh, 0, 0), 203u);
    EXPECT_EQ(PixelAt(*fresh, 1, 1), 304u);
    EXPECT_EQ(PixelAt(*fresh, 2, 2), 0u);
    EXPECT_EQ(PixelAt(*fresh, 2, 0), 0u);

    const SurfaceRect bad{2, 0, 1, 1};
    EXPECT_EQ(fresh->Blt(&bad, *source, &s, BltKey::None), DDERR_INVALIDRECT);
    EXPECT_EQ(fresh->Blt(&d2, *source, &bad, BltKey::None), DDERR_INVALIDRECT);
}

TEST(HeadlessDisplay, CopyNeedsOneFormatAndOneDisplay) {
    HeadlessDisplay display;
    HeadlessDisplay another;
    auto wide = MakeSurface(display, 4, 4, PixelFormat::Xrgb8888());
    auto narrow = MakeSurface(display, 4, 4, PixelFormat::Rgb565());
    auto foreign = MakeSurface(another, 4, 4, PixelFormat::Xrgb8888());
    EXPECT_EQ(wide->Blt(nullptr, *narrow, nullptr, BltKey::None), DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(wide->Blt(nullptr, *foreign, nullptr, BltKey::None), DDERR_INVALIDOBJECT);
}

TEST(HeadlessDisplay, ColourKeySkipsKeyedPixelsByColourBitsOnly) {
    HeadlessDisplay display;
    auto source = MakeSurface(display, 3, 1);
    auto dest = MakeSurface(display, 3, 1);
    uint32_t key = 0;
    EXPECT_EQ(source->GetColorKey(key), DDERR_NOCOLORKEY);
    EXPECT_EQ(dest->Blt(nullptr, *source, nullptr, BltKey::Source), DDERR_NOCOLORKEY);

    ASSERT_EQ(dest->Fill(nullptr, 0x777777), DD_OK);
    SetPixel(*source, 0, 0, 0x00000001);
    SetPixel(*source, 1, 0, 0xFF000001);  // the unused byte does not count
    SetPixel(*source, 2, 0, 0x00123456);
    ASSERT_EQ(source->SetColorKey(0x00000001), DD_OK);
    ASSERT_EQ(source->GetColorKey(key), DD_OK);
    EXPECT_EQ(key, 1u);
    ASSERT_EQ(dest->Blt(nullptr, *source, nullptr, BltKey::Source), DD_OK);
    EXPECT_EQ(PixelAt(*dest, 0, 0), 0x777777u);
    EXPECT_EQ(PixelAt(*dest, 1, 0), 0x777777u);
    EXPECT_EQ(PixelAt(*dest, 2, 0), 0x123456u);

    ASSERT_EQ(source->RemoveColorKey(), DD_OK);
    ASSERT_EQ(dest->Blt(nullptr, *source, nullptr, BltKey::None), DD_OK);
    EXPECT_EQ(PixelAt(*dest, 0, 0), 1u);
}

TEST(HeadlessDisplay, OverlappingCopyWithinOneSurfaceActsLikeMemmove) {
    HeadlessDisplay display;
    for (BltKey key : {BltKey::None, BltKey::Source}) {
        for (int32_t shift : {-1, 1}) {
            auto surface = MakeSurface(display, 6, 6);
            Numbered(*surface);
            ASSERT_EQ(surface->SetColorKey(0xFFFFFF), DD_OK);  // a key that never matches
            const SurfaceRect s{1, 1, 5, 5};
            const SurfaceRect d{1 + shift, 1 + shift, 5 + shift, 5 + shift};
            ASSERT_EQ(surface->Blt(&d, *surface, &s, key), DD_OK);
            for (int32_t y = 1; y < 5; ++y) {
                for (int32_t x = 1; x < 5; ++x) {
                    EXPECT_EQ(PixelAt(*surface, x + shift, y + shift),
                              static_cast<uint32_t>(y * 100 + x + 1))
                        << "shift " << shift << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(HeadlessDisplay, StretchTakesTheNearestPixel) {
    HeadlessDisplay display;
    auto source = MakeSurface(display, 4, 1, PixelFormat::Rgb565());
    Numbered(*source);  // 1 2 3 4
    auto dest = MakeSurface(display, 8, 2, PixelFormat::Rgb565());
    const SurfaceRect s{0, 0, 4, 1};
    const SurfaceRect d{0, 0, 8, 2};
    ASSERT_EQ(dest->Blt(&d, *source, &s, BltKey::None), DD_OK);
    const uint32_t doubled[8] = {1, 1, 2, 2, 3, 3, 4, 4};
    for (int32_t x = 0; x < 8; ++x) {
        EXPECT_EQ(PixelAt(*dest, x, 0), doubled[x]);
        EXPECT_EQ(PixelAt(*dest, x, 1), doubled[x]);
    }

    // Three columns into two: step 1.5 shows source columns 0 and 1.
    const SurfaceRect three{0, 0, 3, 1};
    const SurfaceRect two{0, 0, 2, 1};
    ASSERT_EQ(dest->Blt(&two, *source, &three, BltKey::None), DD_OK);
    EXPECT_EQ(PixelAt(*dest, 0, 0), 1u);
    EXPECT_EQ(PixelAt(*dest, 1, 0), 2u);

    // Clipped on the left: the visible half starts half-way through the source.
    auto clipped = MakeSurface(display, 4, 1, PixelFormat::Rgb565());
    const SurfaceRect left{-4, 0, 4, 1};
    ASSERT_EQ(clipped->Blt(&left, *source, &s, BltKey::None), DD_OK);
    EXPECT_EQ(PixelAt(*clipped, 0, 0), 3u);
    EXPECT_EQ(PixelAt(*clipped, 3, 0), 4u);

    // The key holds for stretched copies too.
    ASSERT_EQ(source->SetColorKey(2), DD_OK);
    ASSERT_EQ(dest->Fill(nullptr, 9), DD_OK);
    ASSERT_EQ(dest->Blt(&d, *source, &s, BltKey::Source), DD_OK);
    EXPECT_EQ(PixelAt(*dest, 1, 1), 1u);
    EXPECT_EQ(PixelAt(*dest, 2, 1), 9u);
    EXPECT_EQ(PixelAt(*dest, 3, 0), 9u);
    EXPECT_EQ(PixelAt(*dest, 4, 0), 3u);

    // A stretched source must lie inside its surface.
    const SurfaceRect beyond{2, 0, 6, 1};
    EXPECT_EQ(dest->Blt(&d, *source, &beyond, BltKey::None), DDERR_INVALIDRECT);
}

// A backend that keeps what it showed: copies onto the screen show only the rows that changed.
class ChangesOnlyDisplay : public HeadlessDisplay {
public:
    bool ShowsOnlyChanges() const override { return true; }
    std::vector<SurfaceRect> mShown;

protected:
    void BackendPresent(const PixelStore* screen, const SurfaceRect& rect) override {
        mShown.push_back(rect);
        HeadlessDisplay::BackendPresent(screen, rect);
    }
};

TEST(HeadlessDisplay, ABackendThatKeepsItsPictureIsShownOnlyTheRowsThatChanged) {
    ChangesOnlyDisplay display;
    FakeWindow window({40, 30}, {0, 0});
    ASSERT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::Normal), DD_OK);
    const std::shared_ptr<Surface> primary = MakePrimary(display);
    ASSERT_NE(primary, nullptr);
    auto frame = MakeSurface(display, 40, 30);
    Numbered(*frame);
    const SurfaceRect whole{0, 0, 40, 30};
    ASSERT_EQ(primary->Blt(&whole, *frame, nullptr, BltKey::None), DD_OK);
    ASSERT_EQ(display.mShown.size(), 1u);
    EXPECT_EQ(display.mShown.back(), whole);

    // The same frame again shows nothing; one changed pixel shows its row band.
    ASSERT_EQ(primary->Blt(&whole, *frame, nullptr, BltKey::None), DD_OK);
    EXPECT_EQ(display.mShown.size(), 1u);
    SetPixel(*frame, 7, 12, 0x123456);
    SetPixel(*frame, 30, 14, 0x654321);
    ASSERT_EQ(primary->Blt(&whole, *frame, nullptr, BltKey::None), DD_OK);
    ASSERT_EQ(display.mShown.size(), 2u);
    EXPECT_EQ(display.mShown.back(), (SurfaceRect{0, 12, 40, 15}));
    EXPECT_EQ(display.LastFrame().At(30, 14), 0xFF654321u);
}

TEST(HeadlessDisplay, WindowedPrimaryIsAddressedOnTheScreen) {
    HeadlessDisplay display;
    FakeWindow window({40, 30}, {100, 50});
    std::shared_ptr<Surface> primary;
    SurfaceDesc desc;
    desc.kind = SurfaceKind::Primary;
    EXPECT_EQ(display.CreateSurface(desc, primary), DDERR_NOCOOPERATIVELEVELSET);
    ASSERT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::Normal), DD_OK);
    desc.chain = PrimaryChain::BackBuffer;
    EXPECT_EQ(display.CreateSurface(desc, primary), DDERR_NOEXCLUSIVEMODE);
    desc.chain = PrimaryChain::None;
    ASSERT_EQ(display.CreateSurface(desc, primary), DD_OK);
    EXPECT_EQ(primary->Kind(), SurfaceKind::Primary);
    EXPECT_EQ(primary->Width(), 1024);
    EXPECT_EQ(primary->Height(), 768);
    EXPECT_EQ(display.AttachClipper(*primary), DD_OK);
    std::shared_ptr<Surface> second;
    EXPECT_EQ(display.CreateSurface(desc, second), DDERR_PRIMARYSURFACEALREADYEXISTS);
    LockedSurface locked;
    EXPECT_EQ(primary->Lock(locked), DDERR_CANTLOCKSURFACE);

    auto frame = MakeSurface(display, 40, 30);
    ASSERT_EQ(frame->Fill(nullptr, 0x00FF0000), DD_OK);
    const uint64_t before = display.PresentCount();
    // Client (0, 0) is screen (100, 50); the part hanging off the client area is dropped.
    const SurfaceRect onScreen{110, 60, 150, 90};
    ASSERT_EQ(primary->Blt(&onScreen, *frame, nullptr, BltKey::None), DD_OK);
    EXPECT_GT(display.PresentCount(), before);
    const PresentedFrame shown = display.LastFrame();
    ASSERT_EQ(shown.width, 40);
    ASSERT_EQ(shown.height, 30);
    EXPECT_EQ(shown.At(9, 9), 0xFF000000u);
    EXPECT_EQ(shown.At(10, 10), 0xFFFF0000u);
    EXPECT_EQ(shown.At(39, 29), 0xFFFF0000u);

    // Reading back from the screen, as the cursor does.
    auto saved = MakeSurface(display, 4, 4);
    const SurfaceRect box{108, 58, 112, 62};
    ASSERT_EQ(saved->Blt(nullptr, *primary, &box, BltKey::None), DD_OK);
    EXPECT_EQ(PixelAt(*saved, 0, 0), 0u);
    EXPECT_EQ(PixelAt(*saved, 3, 3), 0x00FF0000u);

    // Nothing drawn into off-screen surfaces counts as presented.
    const uint64_t presents = display.PresentCount();
    ASSERT_EQ(frame->Fill(nullptr, 0), DD_OK);
    EXPECT_EQ(display.PresentCount(), presents);

    primary.reset();
    EXPECT_EQ(display.CreateSurface(desc, second), DD_OK);
}

TEST(HeadlessDisplay, FullScreenFlipShowsTheBackBuffer) {
    HeadlessDisplay display;
    FakeWindow window({800, 600}, {0, 0});
    ASSERT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::Normal), DD_OK);
    EXPECT_EQ(display.SetDisplayMode(800, 600, 32), DDERR_NOEXCLUSIVEMODE);
    EXPECT_EQ(display.SetCooperativeLevel(nullptr, CooperativeLevel::ExclusiveFullScreen),
              DDERR_NOHWND);
    ASSERT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::ExclusiveFullScreen), DD_OK);
    EXPECT_EQ(display.SetDisplayMode(801, 600, 32), DDERR_INVALIDMODE);
    EXPECT_EQ(display.SetDisplayMode(800, 600, 24), DDERR_INVALIDMODE);
    ASSERT_EQ(display.SetDisplayMode(800, 600, 16), DD_OK);
    EXPECT_TRUE(display.IsFullScreen());
    EXPECT_EQ(display.DisplayFormat(), PixelFormat::Rgb565());

    std::shared_ptr<Surface> front;
    SurfaceDesc desc;
    desc.kind = SurfaceKind::Primary;
    desc.chain = PrimaryChain::BackBuffer;
    ASSERT_EQ(display.CreateSurface(desc, front), DD_OK);
    EXPECT_EQ(front->Width(), 800);
    EXPECT_EQ(front->Format(), PixelFormat::Rgb565());
    // Handing out into a pointer that holds the last reference to another surface.
    std::shared_ptr<Surface> back = MakeSurface(display, 2, 2);
    ASSERT_EQ(front->GetBackBuffer(back), DD_OK);
    EXPECT_EQ(back->Kind(), SurfaceKind::BackBuffer);
    std::shared_ptr<Surface> reused = MakeSurface(display, 2, 2);
    SurfaceDesc plain;
    plain.width = plain.height = 2;
    ASSERT_EQ(display.CreateSurface(plain, reused), DD_OK);
    EXPECT_EQ(back->Flip(), DDERR_NOTFLIPPABLE);

    ASSERT_EQ(back->Fill(nullptr, 0xF800), DD_OK);
    EXPECT_EQ(display.LastFrame().At(5, 5), 0xFF000000u);
    ASSERT_EQ(front->Flip(), DD_OK);
    EXPECT_EQ(display.LastFrame().At(5, 5), 0xFFFF0000u);
    // The back buffer now holds the frame shown before.
    EXPECT_EQ(PixelAt(*back, 5, 5), 0u);

    LockedSurface locked;
    ASSERT_EQ(back->Lock(locked), DD_OK);
    EXPECT_EQ(front->Flip(), DDERR_SURFACEBUSY);
    ASSERT_EQ(back->Unlock(), DD_OK);

    // Leaving full screen loses the chain for good; the window shows again.
    ASSERT_EQ(display.RestoreDisplayMode(), DD_OK);
    EXPECT_FALSE(display.IsFullScreen());
    EXPECT_EQ(front->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(front->Restore(), DDERR_WRONGMODE);
    EXPECT_EQ(back->Fill(nullptr, 0), DDERR_SURFACELOST);
    EXPECT_EQ(display.DisplayFormat(), PixelFormat::Xrgb8888());
}

TEST(HeadlessDisplay, PrimaryAloneInFullScreenShowsBlitsAtOnce) {
    HeadlessDisplay display;
    FakeWindow window({640, 480}, {0, 0});
    ASSERT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::ExclusiveFullScreen), DD_OK);
    ASSERT_EQ(display.SetDisplayMode(640, 480, 32), DD_OK);
    const std::shared_ptr<Surface> front = MakePrimary(display);
    ASSERT_NE(front, nullptr);
    std::shared_ptr<Surface> none;
    EXPECT_EQ(front->GetBackBuffer(none), DDERR_NOTFOUND);
    EXPECT_EQ(front->Flip(), DDERR_NOTFLIPPABLE);
    auto frame = MakeSurface(display, 640, 480);
    ASSERT_EQ(frame->Fill(nullptr, 0x0000FF), DD_OK);
    ASSERT_EQ(front->Blt(nullptr, *frame, nullptr, BltKey::None), DD_OK);
    EXPECT_EQ(display.LastFrame().At(639, 479), 0xFF0000FFu);

    // Locked writes show when unlocked.
    LockedSurface locked;
    ASSERT_EQ(front->Lock(locked), DD_OK);
    static_cast<uint32_t*>(locked.bits)[0] = 0x00FF00;
    ASSERT_EQ(front->Unlock(), DD_OK);
    EXPECT_EQ(display.LastFrame().At(0, 0), 0xFF00FF00u);
}

// Draws the same picture through a display of the given depth and returns what shows.
PresentedFrame DrawTestPicture(int32_t depth) {
    HeadlessDisplay display;
    FakeWindow window({640, 480}, {0, 0});
    EXPECT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::ExclusiveFullScreen), DD_OK);
    EXPECT_EQ(display.SetDisplayMode(640, 480, depth), DD_OK);
    std::shared_ptr<Surface> front;
    SurfaceDesc desc;
    desc.kind = SurfaceKind::Primary;
    desc.chain = PrimaryChain::BackBuffer;
    EXPECT_EQ(display.CreateSurface(desc, front), DD_OK);
    std::shared_ptr<Surface> back;
    EXPECT_EQ(front->GetBackBuffer(back), DD_OK);
    // Channel values whose 8-bit form is the replication of their 5- or 6-bit form.
    struct Band {
        uint32_t r5, g6, b5;
    };
    const Band bands[] = {{31, 63, 31}, {16, 32, 16}, {1, 2, 3},
                          {31, 0, 0},   {0, 63, 0},   {0, 0, 31}};
    int32_t top = 0;
    for (const Band& band : bands) {
        const uint32_t color = depth == 16
                                   ? (band.r5 << 11) | (band.g6 << 5) | band.b5
                                   : (WidenChannel(band.r5, 5) << 16) |
                                         (WidenChannel(band.g6, 6) << 8) | WidenChannel(band.b5, 5);
        const SurfaceRect r{0, top, 640, top + 80};
        EXPECT_EQ(back->Fill(&r, color), DD_OK);
        top += 80;
    }
    EXPECT_EQ(front->Flip(), DD_OK);
    return display.LastFrame();
}

TEST(HeadlessDisplay, SixteenAndThirtyTwoBitScreensShowTheSamePicture) {
    const PresentedFrame sixteen = DrawTestPicture(16);
    const PresentedFrame thirtyTwo = DrawTestPicture(32);
    ASSERT_EQ(sixteen.width, 640);
    ASSERT_EQ(thirtyTwo.width, 640);
    EXPECT_EQ(sixteen.pixels, thirtyTwo.pixels);
    EXPECT_EQ(sixteen.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(sixteen.At(0, 80), 0xFF848284u);  // 16 -> 132, 32 -> 130
}

TEST(HeadlessDisplay, FiveFiveFiveDesktopWidensLikeFiveSixFive) {
    HeadlessDisplayConfig config;
    config.desktopFormat = PixelFormat::Rgb555();
    HeadlessDisplay display(config);
    FakeWindow window({2, 1}, {0, 0});
    ASSERT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::Normal), DD_OK);
    const std::shared_ptr<Surface> primary = MakePrimary(display);
    ASSERT_NE(primary, nullptr);
    EXPECT_EQ(primary->Format(), PixelFormat::Rgb555());
    auto frame = MakeSurface(display, 2, 1);
    EXPECT_EQ(frame->Format(), PixelFormat::Rgb555());
    SetPixel(*frame, 0, 0, 0x7FFF);
    SetPixel(*frame, 1, 0, (16u << 10) | (16u << 5) | 16u);
    ASSERT_EQ(primary->Blt(nullptr, *frame, nullptr, BltKey::None), DD_OK);
    const PresentedFrame shown = display.LastFrame();
    EXPECT_EQ(shown.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(shown.At(1, 0), 0xFF848484u);
}

TEST(HeadlessDisplay, LostSurfacesRefuseWorkUntilRestoredBlack) {
    HeadlessDisplay display;
    auto surface = MakeSurface(display, 4, 4);
    auto other = MakeSurface(display, 4, 4);
    ASSERT_EQ(surface->Fill(nullptr, 0x123456), DD_OK);
    LockedSurface before;
    ASSERT_EQ(surface->Lock(before), DD_OK);
    ASSERT_EQ(surface->Unlock(), DD_OK);

    display.SimulateSurfaceLoss();
    EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
    LockedSurface locked;
    EXPECT_EQ(surface->Lock(locked), DDERR_SURFACELOST);
    EXPECT_EQ(surface->Fill(nullptr, 0), DDERR_SURFACELOST);
    ASSERT_EQ(other->Restore(), DD_OK);
    EXPECT_EQ(other->Blt(nullptr, *surface, nullptr, BltKey::None), DDERR_SURFACELOST);

    ASSERT_EQ(surface->Restore(), DD_OK);
    EXPECT_EQ(surface->IsLost(), DD_OK);
    ASSERT_EQ(surface->Lock(locked), DD_OK);
    EXPECT_EQ(locked.bits, before.bits);
    ASSERT_EQ(surface->Unlock(), DD_OK);
    EXPECT_EQ(PixelAt(*surface, 2, 2), 0u);
    // Surfaces made afterwards are not lost.
    auto later = MakeSurface(display, 2, 2);
    EXPECT_EQ(later->IsLost(), DD_OK);
}

TEST(HeadlessDisplay, InjectedFailuresHitTheChosenCall) {
    HeadlessDisplay display;
    display.InjectFailure(DisplayOp::CreateOffscreen, DDERR_OUTOFMEMORY, 1);
    std::shared_ptr<Surface> surface;
    SurfaceDesc desc;
    desc.width = desc.height = 4;
    EXPECT_EQ(display.CreateSurface(desc, surface), DD_OK);
    EXPECT_EQ(display.CreateSurface(desc, surface), DDERR_OUTOFMEMORY);
    EXPECT_FALSE(surface);
    EXPECT_EQ(display.CreateSurface(desc, surface), DD_OK);

    display.InjectFailure(DisplayOp::Blt, DDERR_WASSTILLDRAWING);
    EXPECT_EQ(surface->Blt(nullptr, *surface, nullptr, BltKey::None), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(surface->Blt(nullptr, *surface, nullptr, BltKey::None), DD_OK);

    FakeWindow window({8, 8}, {0, 0});
    display.InjectFailure(DisplayOp::SetCooperativeLevel, DDERR_GENERIC);
    EXPECT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::Normal), DDERR_GENERIC);
    display.InjectFailure(DisplayOp::GetMonitorFrequency, DDERR_UNSUPPORTED);
    uint32_t hertz = 0;
    EXPECT_EQ(display.GetMonitorFrequency(hertz), DDERR_UNSUPPORTED);
    EXPECT_EQ(display.GetMonitorFrequency(hertz), DD_OK);
    EXPECT_EQ(hertz, 60u);
}

TEST(HeadlessDisplay, VideoMemoryIsCountedAndLimited) {
    HeadlessDisplayConfig config;
    config.videoMemory = 1 << 20;
    HeadlessDisplay display(config);
    VideoMemory memory;
    ASSERT_EQ(display.GetAvailableVidMem(memory), DD_OK);
    EXPECT_EQ(memory.total, 1u << 20);
    EXPECT_EQ(memory.free, 1u << 20);
    auto inVideo = MakeSurface(display, 256, 256, PixelFormat::Xrgb8888(), MemoryPlace::Video);
    EXPECT_EQ(inVideo->Memory(), MemoryPlace::Video);
    auto inSystem = MakeSurface(display, 256, 256, PixelFormat::Xrgb8888(), MemoryPlace::System);
    ASSERT_EQ(display.GetAvailableVidMem(memory), DD_OK);
    EXPECT_EQ(memory.free, (1u << 20) - 256u * 256u * 4u);

    SurfaceDesc tooBig;
    tooBig.width = 512;
    tooBig.height = 512;
    tooBig.memory = MemoryPlace::Video;
    std::shared_ptr<Surface> surface;
    EXPECT_EQ(display.CreateSurface(tooBig, surface), DDERR_OUTOFVIDEOMEMORY);
    inVideo.reset();
    ASSERT_EQ(display.GetAvailableVidMem(memory), DD_OK);
    EXPECT_EQ(memory.free, 1u << 20);
}

TEST(HeadlessDisplay, DescribesItsModesAndDevice) {
    HeadlessDisplay display;
    const std::vector<DisplayMode> modes = display.EnumerateModes();
    EXPECT_NE(std::find(modes.begin(), modes.end(), DisplayMode{800, 600, 16, 60}), modes.end());
    EXPECT_NE(std::find(modes.begin(), modes.end(), DisplayMode{800, 600, 32, 60}), modes.end());
    EXPECT_NE(std::find(modes.begin(), modes.end(), DisplayMode{1024, 768, 32, 60}), modes.end());
    EXPECT_EQ(display.DesktopMode(), (DisplayMode{1024, 768, 32, 60}));

    DeviceIdentifier first;
    DeviceIdentifier second;
    ASSERT_EQ(display.GetDeviceIdentifier(first), DD_OK);
    ASSERT_EQ(HeadlessDisplay().GetDeviceIdentifier(second), DD_OK);
    EXPECT_EQ(first.description, "Headless display");
    EXPECT_NE(first.guid, (std::array<uint8_t, 16>{}));
    EXPECT_EQ(first.guid, second.guid);
}

TEST(HeadlessDisplay, MonitorFrequencyAndScanLines) {
    ScopedFakeClock clock(1000);
    HeadlessDisplay display;
    uint32_t hertz = 0;
    display.SetRefreshRate(75);
    ASSERT_EQ(display.GetMonitorFrequency(hertz), DD_OK);
    EXPECT_EQ(hertz, 75u);

    display.ScriptScanLines({{DD_OK, 5}, {DDERR_VERTICALBLANKINPROGRESS, 0}});
    uint32_t line = 0;
    EXPECT_EQ(display.GetScanLine(line), DD_OK);
    EXPECT_EQ(line, 5u);
    EXPECT_EQ(display.GetScanLine(line), DDERR_VERTICALBLANKINPROGRESS);

    // 60 Hz, 768 lines shown of 806: a whole second starts a frame at line 0, and
    // 8 ms later the monitor is near the middle.
    display.SetRefreshRate(60);
    EXPECT_EQ(display.GetScanLine(line), DD_OK);
    EXPECT_EQ(line, 0u);
    clock->Advance(8);
    EXPECT_EQ(display.GetScanLine(line), DD_OK);
    EXPECT_EQ(line, 386u);  // 8 ms * 60 / 1000 of 806 lines
    clock->Advance(8);
    EXPECT_EQ(display.GetScanLine(line), DDERR_VERTICALBLANKINPROGRESS);

    display.SetRefreshRate(0);
    EXPECT_EQ(display.GetMonitorFrequency(hertz), DDERR_UNSUPPORTED);
    EXPECT_EQ(display.GetScanLine(line), DDERR_UNSUPPORTED);
}

TEST(HeadlessDisplay, WaitForVerticalBlankIsBoundedByOnePeriod) {
    ScopedFakeClock clock(5000);
    HeadlessDisplay display;
    for (uint32_t hertz : {60u, 100u, 0u}) {
        display.SetRefreshRate(hertz);
        for (uint32_t step = 0; step < 20; ++step) {
            clock->Advance(step);
            const uint32_t start = clock->TickMs();
            ASSERT_EQ(display.WaitForVerticalBlank(), DD_OK);
            const uint32_t waited = clock->TickMs() - start;
            EXPECT_GE(waited, 1u);
            EXPECT_LE(waited, hertz == 100 ? 10u : 17u);
        }
    }
    // Waiting lands at the start of a blank: the next frame starts within a millisecond.
    display.SetRefreshRate(60);
    clock->SetTick(7003);
    ASSERT_EQ(display.WaitForVerticalBlank(), DD_OK);
    uint32_t line = 0;
    const DisplayResult result = display.GetScanLine(line);
    EXPECT_TRUE(result == DDERR_VERTICALBLANKINPROGRESS || line < 60) << line;
}

TEST(HeadlessDisplay, CursorThreadAndMainThreadShareThePrimary) {
    HeadlessDisplay display;
    FakeWindow window({64, 64}, {0, 0});
    ASSERT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::Normal), DD_OK);
    const std::shared_ptr<Surface> primary = MakePrimary(display);
    ASSERT_NE(primary, nullptr);
    auto frame = MakeSurface(display, 64, 64);
    auto cursor = MakeSurface(display, 8, 8);
    ASSERT_EQ(cursor->Fill(nullptr, 0xFFFFFF), DD_OK);
    std::thread mover([&] {
        for (int32_t i = 0; i < 200; ++i) {
            const SurfaceRect box{i % 56, i % 56, i % 56 + 8, i % 56 + 8};
            EXPECT_EQ(primary->Blt(&box, *cursor, nullptr, BltKey::None), DD_OK);
        }
    });
    for (int32_t i = 0; i < 200; ++i) {
        EXPECT_EQ(primary->Blt(nullptr, *frame, nullptr, BltKey::None), DD_OK);
    }
    mover.join();
    EXPECT_EQ(display.LastFrame().width, 64);
}

TEST(HeadlessDisplay, SurfacesOutliveTheirDisplay) {
    std::shared_ptr<Surface> surface;
    std::shared_ptr<Surface> primary;
    FakeWindow window({16, 16}, {0, 0});
    {
        HeadlessDisplay display;
        surface = MakeSurface(display, 4, 4);
        ASSERT_EQ(display.SetCooperativeLevel(&window, CooperativeLevel::Normal), DD_OK);
        primary = MakePrimary(display);
        ASSERT_NE(primary, nullptr);
    }
    EXPECT_EQ(surface->Fill(nullptr, 7), DD_OK);
    EXPECT_EQ(PixelAt(*surface, 1, 1), 7u);
    EXPECT_EQ(primary->Blt(nullptr, *surface, nullptr, BltKey::None), DD_OK);
}

TEST(PixelOps, WidensChannelsByReplication) {
    EXPECT_EQ(WidenChannel(31, 5), 255u);
    EXPECT_EQ(WidenChannel(16, 5), 132u);
    EXPECT_EQ(WidenChannel(0, 5), 0u);
    EXPECT_EQ(WidenChannel(63, 6), 255u);
    EXPECT_EQ(WidenChannel(32, 6), 130u);
    EXPECT_EQ(WidenChannel(1, 1), 255u);
    EXPECT_EQ(WidenChannel(0xAB, 8), 0xABu);
    EXPECT_EQ(WidenChannel(0x3FF, 10), 0xFFu);
}

TEST(PixelOps, RecognisesSurfaceFormats) {
    EXPECT_TRUE(IsSurfaceFormat(PixelFormat::Rgb565()));
    EXPECT_TRUE(IsSurfaceFormat(PixelFormat::Rgb555()));
    EXPECT_TRUE(IsSurfaceFormat(PixelFormat::Xrgb8888()));
    EXPECT_TRUE(IsSurfaceFormat(PixelFormat{32, 0xFF, 0xFF00, 0xFF0000}));
    EXPECT_FALSE(IsSurfaceFormat(PixelFormat::Rgb888()));
    EXPECT_FALSE(IsSurfaceFormat(PixelFormat{16, 0x1F0000, 0x7E0, 0x1F}));  // past 16 bits
    EXPECT_FALSE(IsSurfaceFormat(PixelFormat{16, 0xF00F, 0x7E0, 0x0}));
    EXPECT_FALSE(IsSurfaceFormat(PixelFormat{32, 0xF0F000, 0xFF00 >> 8, 0xF}));  // gap in red
}

}  // namespace
}  // namespace platform
