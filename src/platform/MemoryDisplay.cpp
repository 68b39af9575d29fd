#include "platform/MemoryDisplay.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>

#include "platform/Clock.h"
#include "platform/MemorySurface.h"

namespace platform {

namespace {

constexpr PixelFormat FormatOfDepth(int32_t bitsPerPixel) {
    return bitsPerPixel == 16 ? PixelFormat::Rgb565() : PixelFormat::Xrgb8888();
}

// Where the monitor is in its frame as a count of 1/frequency frames, 0 to frequency - 1.
int64_t FramePhase(uint32_t hertz, int64_t& frequency) {
    Clock& clock = GetClock();
    frequency = std::max<int64_t>(clock.HiResFrequency(), 1);
    const int64_t ticks = clock.HiResTicks();
    const int64_t inSecond = ((ticks % frequency) + frequency) % frequency;
    // ticks * hertz mod frequency, without the product of the whole count.
    return (inSecond * static_cast<int64_t>(hertz)) % frequency;
}

// Both the same size and format.
void CopyWholePicture(const PixelStore& to, const PixelStore& from) {
    const PixelView out = to.View();
    const PixelView in = from.View();
    const size_t rowBytes = static_cast<size_t>(in.width) * in.bytesPerPixel;
    for (int32_t y = 0; y < in.height; ++y) {
        std::memcpy(out.bits + static_cast<ptrdiff_t>(y) * out.pitch,
                    in.bits + static_cast<ptrdiff_t>(y) * in.pitch, rowBytes);
    }
}

}  // namespace

MemoryDisplay::MemoryDisplay() : mCore(std::make_shared<DisplayCore>()) {
    mCore->display = this;
}

MemoryDisplay::~MemoryDisplay() {
    std::lock_guard lock(mCore->mutex);
    mCore->display = nullptr;
}

void MemoryDisplay::Shutdown() {
    std::lock_guard lock(mCore->mutex);
    if (mCore->display == nullptr) {
        return;
    }
    if (mCore->fullScreen) {
        LeaveFullScreenLocked();
    }
    mCore->display = nullptr;
    mCore->window = nullptr;
    // Lent memory goes with the backend.
    DropWindowScreenLocked();
}

std::vector<DisplayMode> MemoryDisplay::EnumerateModes() {
    std::vector<DisplayMode> sizes;
    {
        std::lock_guard lock(mCore->mutex);
        sizes = BackendModes();
    }
    std::vector<DisplayMode> modes;
    for (const DisplayMode& size : sizes) {
        for (int32_t depth : {16, 32}) {
            DisplayMode mode = size;
            mode.bitsPerPixel = depth;
            if (std::find(modes.begin(), modes.end(), mode) == modes.end()) {
                modes.push_back(mode);
            }
        }
    }
    std::sort(modes.begin(), modes.end(), [](const DisplayMode& a, const DisplayMode& b) {
        return std::tie(a.width, a.height, a.bitsPerPixel, a.refreshRate) <
               std::tie(b.width, b.height, b.bitsPerPixel, b.refreshRate);
    });
    return modes;
}

DisplayMode MemoryDisplay::DesktopMode() {
    std::lock_guard lock(mCore->mutex);
    return BackendDesktopMode();
}

PixelFormat MemoryDisplay::DisplayFormat() {
    std::lock_guard lock(mCore->mutex);
    return DisplayFormatLocked();
}

PixelFormat MemoryDisplay::DisplayFormatLocked() {
    return mCore->fullScreen ? FormatOfDepth(mCore->mode.bitsPerPixel) : BackendDesktopFormat();
}

DisplayResult MemoryDisplay::SetCooperativeLevel(Window* window, CooperativeLevel level) {
    std::lock_guard lock(mCore->mutex);
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::SetCooperativeLevel);
        Failed(failure)) {
        return failure;
    }
    if (level == CooperativeLevel::ExclusiveFullScreen && window == nullptr) {
        return DDERR_NOHWND;
    }
    if (mCore->fullScreen && (level == CooperativeLevel::Normal || window != mCore->window)) {
        LeaveFullScreenLocked();
    }
    mCore->window = window;
    mCore->level = level;
    mCore->levelSet = true;
    return DD_OK;
}

DisplayResult MemoryDisplay::SetDisplayMode(int32_t width, int32_t height, int32_t bitsPerPixel) {
    std::lock_guard lock(mCore->mutex);
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::SetDisplayMode);
        Failed(failure)) {
        return failure;
    }
    return SetDisplayModeLocked(width, height, bitsPerPixel);
}

DisplayResult MemoryDisplay::SetDisplayModeLocked(int32_t width, int32_t height,
                                                  int32_t bitsPerPixel) {
    if (!mCore->levelSet || mCore->level != CooperativeLevel::ExclusiveFullScreen ||
        mCore->window == nullptr) {
        return DDERR_NOEXCLUSIVEMODE;
    }
    if (bitsPerPixel != 16 && bitsPerPixel != 32) {
        return DDERR_INVALIDMODE;
    }
    const std::optional<DisplayMode> found = BackendFullScreenMode(width, height);
    if (!found) {
        return DDERR_INVALIDMODE;
    }
    const DisplayMode mode{width, height, bitsPerPixel, found->refreshRate};
    if (const DisplayResult result = BackendEnterFullScreen(*mCore->window, mode); Failed(result)) {
        return result;
    }
    mCore->fullScreen = true;
    mCore->mode = mode;
    ++mCore->generation;
    ScreenChangedLocked({0, 0, width, height});
    return DD_OK;
}

std::optional<DisplayMode> MemoryDisplay::BackendFullScreenMode(int32_t width, int32_t height) {
    const std::vector<DisplayMode> sizes = BackendModes();
    const auto found = std::find_if(sizes.begin(), sizes.end(), [&](const DisplayMode& m) {
        return m.width == width && m.height == height;
    });
    if (found == sizes.end()) {
        return std::nullopt;
    }
    return *found;
}

DisplayResult MemoryDisplay::RestoreDisplayMode() {
    std::lock_guard lock(mCore->mutex);
    if (mCore->fullScreen) {
        LeaveFullScreenLocked();
    }
    return DD_OK;
}

void MemoryDisplay::LeaveFullScreenLocked() {
    BackendLeaveFullScreen(mCore->window);
    mCore->fullScreen = false;
    mCore->mode = {};
    ++mCore->generation;
    mCore->windowScreen.Clear();
    if (mCore->windowScreen.Bits() != nullptr) {
        ScreenChangedLocked({0, 0, mCore->windowScreen.width, mCore->windowScreen.height});
    }
}

DisplayResult MemoryDisplay::CreateSurface(const SurfaceDesc& desc, std::shared_ptr<Surface>& out) {
    // Dropping what `out` held may end a surface, which takes the lock itself.
    out.reset();
    std::lock_guard lock(mCore->mutex);
    switch (desc.kind) {
        case SurfaceKind::Primary:
            return CreatePrimaryLocked(desc, out);
        case SurfaceKind::Offscreen:
            return CreateOffscreenLocked(desc, out);
        case SurfaceKind::BackBuffer:
            break;
    }
    // A back buffer only comes with its primary.
    return DDERR_INVALIDCAPS;
}

DisplayResult MemoryDisplay::CreateOffscreenLocked(const SurfaceDesc& desc,
                                                   std::shared_ptr<Surface>& out) {
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::CreateOffscreen);
        Failed(failure)) {
        return failure;
    }
    if (desc.chain != PrimaryChain::None) {
        return DDERR_INVALIDCAPS;
    }
    if (desc.width <= 0 || desc.height <= 0) {
        return DDERR_INVALIDPARAMS;
    }
    if (desc.width > kMaxSurfaceSide) {
        return DDERR_TOOBIGWIDTH;
    }
    if (desc.height > kMaxSurfaceSide) {
        return DDERR_TOOBIGHEIGHT;
    }
    const PixelFormat format = desc.format ? *desc.format : DisplayFormatLocked();
    if (!IsSurfaceFormat(format)) {
        return DDERR_INVALIDPIXELFORMAT;
    }
    if (desc.memory == MemoryPlace::Video) {
        const uint64_t rowBytes =
            (static_cast<uint64_t>(desc.width) * format.BytesPerPixel() + 3) & ~3ull;
        const uint64_t bytes = rowBytes * static_cast<uint64_t>(desc.height);
        const uint64_t total = BackendVideoMemory();
        if (mCore->videoBytesUsed + bytes > total) {
            return DDERR_OUTOFVIDEOMEMORY;
        }
    }
    PixelStore store;
    if (!store.Allocate(desc.width, desc.height, format)) {
        return DDERR_OUTOFMEMORY;
    }
    out = std::make_shared<MemorySurface>(mCore, MemorySurface::Role::Offscreen, std::move(store),
                                          format, desc.width, desc.height, desc.memory, desc.for3D);
    return DD_OK;
}

DisplayResult MemoryDisplay::CreatePrimaryLocked(const SurfaceDesc& desc,
                                                 std::shared_ptr<Surface>& out) {
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::CreatePrimary);
        Failed(failure)) {
        return failure;
    }
    if (desc.format) {
        return DDERR_INVALIDPARAMS;
    }
    if (!mCore->levelSet) {
        return DDERR_NOCOOPERATIVELEVELSET;
    }
    if (mCore->primary != nullptr) {
        return DDERR_PRIMARYSURFACEALREADYEXISTS;
    }
    if (mCore->level == CooperativeLevel::ExclusiveFullScreen && !mCore->fullScreen) {
        const DisplayMode desktop = BackendDesktopMode();
        const int32_t depth = desktop.bitsPerPixel == 16 ? 16 : 32;
        if (const DisplayResult result = SetDisplayModeLocked(desktop.width, desktop.height, depth);
            Failed(result)) {
            return result;
        }
    }
    if (!mCore->fullScreen) {
        if (desc.chain != PrimaryChain::None) {
            return DDERR_NOEXCLUSIVEMODE;
        }
        const PixelFormat format = BackendDesktopFormat();
        if (!IsSurfaceFormat(format)) {
            return DDERR_INVALIDPIXELFORMAT;
        }
        const DisplayMode desktop = BackendDesktopMode();
        auto primary = std::make_shared<MemorySurface>(
            mCore, MemorySurface::Role::WindowedPrimary, PixelStore{}, format, desktop.width,
            desktop.height, MemoryPlace::Video, desc.for3D);
        mCore->primary = primary.get();
        out = std::move(primary);
        return DD_OK;
    }
    const DisplayMode mode = mCore->mode;
    const PixelFormat format = FormatOfDepth(mode.bitsPerPixel);
    PixelStore front;
    PixelStore back;
    if (!front.Allocate(mode.width, mode.height, format) ||
        (desc.chain == PrimaryChain::BackBuffer &&
         !back.Allocate(mode.width, mode.height, format))) {
        return DDERR_OUTOFMEMORY;
    }
    auto primary = std::make_shared<MemorySurface>(mCore, MemorySurface::Role::FullScreenPrimary,
                                                   std::move(front), format, mode.width,
                                                   mode.height, MemoryPlace::Video, desc.for3D);
    if (desc.chain == PrimaryChain::BackBuffer) {
        primary->AttachBackBuffer(std::make_shared<MemorySurface>(
            mCore, MemorySurface::Role::BackBuffer, std::move(back), format, mode.width,
            mode.height, MemoryPlace::Video, desc.for3D));
    }
    mCore->primary = primary.get();
    ScreenChangedLocked({0, 0, mode.width, mode.height});
    out = std::move(primary);
    return DD_OK;
}

DisplayResult MemoryDisplay::AttachClipper(Surface& primary) {
    std::lock_guard lock(mCore->mutex);
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::AttachClipper);
        Failed(failure)) {
        return failure;
    }
    if (&primary != mCore->primary) {
        return DDERR_INVALIDOBJECT;
    }
    if (mCore->window == nullptr) {
        return DDERR_NOHWND;
    }
    return DD_OK;
}

DisplayResult MemoryDisplay::FlipToDesktop() {
    std::lock_guard lock(mCore->mutex);
    if (mCore->fullScreen) {
        ++mCore->desktopFlips;
        BackendShowDesktop();
    }
    return DD_OK;
}

uint64_t MemoryDisplay::DesktopFlipCount() {
    std::lock_guard lock(mCore->mutex);
    return mCore->desktopFlips;
}

DisplayResult MemoryDisplay::GetAvailableVidMem(VideoMemory& out) {
    std::lock_guard lock(mCore->mutex);
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::GetAvailableVidMem);
        Failed(failure)) {
        return failure;
    }
    out.total = BackendVideoMemory();
    out.free = out.total - std::min(out.total, mCore->videoBytesUsed);
    return DD_OK;
}

DisplayResult MemoryDisplay::GetDeviceIdentifier(DeviceIdentifier& out) {
    std::lock_guard lock(mCore->mutex);
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::GetDeviceIdentifier);
        Failed(failure)) {
        return failure;
    }
    out = BackendDeviceIdentifier();
    return DD_OK;
}

DisplayResult MemoryDisplay::GetMonitorFrequency(uint32_t& hertz) {
    std::lock_guard lock(mCore->mutex);
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::GetMonitorFrequency);
        Failed(failure)) {
        return failure;
    }
    return BackendMonitorFrequency(hertz);
}

DisplayResult MemoryDisplay::GetScanLine(uint32_t& line) {
    std::lock_guard lock(mCore->mutex);
    if (const DisplayResult failure = mCore->TakeFailure(DisplayOp::GetScanLine); Failed(failure)) {
        return failure;
    }
    return BackendScanLine(line);
}

DisplayResult MemoryDisplay::WaitForVerticalBlank() {
    uint32_t waitMs = 0;
    {
        std::lock_guard lock(mCore->mutex);
        waitMs = BackendMsToVerticalBlank();
    }
    // Sleep without the lock, so that the cursor thread can still draw meanwhile.
    if (waitMs > 0) {
        GetClock().SleepMs(waitMs);
    }
    return DD_OK;
}

void MemoryDisplay::ScreenChangedLocked(const SurfaceRect& rect) {
    BackendPresent(ScreenLocked(), rect);
}

PixelStore* MemoryDisplay::WindowScreenLocked(int32_t width, int32_t height,
                                              const PixelFormat& format) {
    PixelStore& screen = mCore->windowScreen;
    const bool sameSize = screen.width == width && screen.height == height &&
                          screen.format == format && screen.Bits() != nullptr;
    int32_t pitch = 0;
    if (uint32_t* lent = BackendLendWindowPixels(width, height, format, pitch)) {
        if (lent != screen.lent) {
            PixelStore next;
            next.lent = lent;
            next.width = width;
            next.height = height;
            next.pitch = pitch;
            next.format = format;
            if (sameSize && screen.Bits() != nullptr) {
                CopyWholePicture(next, screen);
            } else {
                next.Clear();
            }
            screen = std::move(next);
        }
        return &screen;
    }
    if (!sameSize || screen.Bits() == nullptr) {
        if (!screen.Allocate(width, height, format)) {
            screen = PixelStore{};
            return nullptr;
        }
    }
    return &screen;
}

uint32_t* MemoryDisplay::BackendLendWindowPixels(int32_t, int32_t, const PixelFormat&, int32_t&) {
    return nullptr;
}

void MemoryDisplay::KeepWindowScreenLocked() {
    PixelStore& screen = mCore->windowScreen;
    if (screen.lent == nullptr) {
        return;
    }
    PixelStore own;
    if (own.Allocate(screen.width, screen.height, screen.format)) {
        CopyWholePicture(own, screen);
    }
    screen = std::move(own);
}

void MemoryDisplay::DropWindowScreenLocked() {
    if (mCore->windowScreen.lent != nullptr) {
        mCore->windowScreen = PixelStore{};
    }
}

const PixelStore* MemoryDisplay::ScreenLocked() const {
    if (!mCore->fullScreen) {
        return mCore->windowScreen.Bits() != nullptr ? &mCore->windowScreen : nullptr;
    }
    const MemorySurface* primary = mCore->primary;
    if (primary == nullptr || primary->GetRole() != MemorySurface::Role::FullScreenPrimary ||
        Failed(primary->IsLostLocked())) {
        return nullptr;
    }
    return &primary->Store();
}

uint32_t MemoryDisplay::SimulatedLine(uint32_t hertz, uint32_t totalLines) {
    if (hertz == 0 || totalLines == 0) {
        return 0;
    }
    int64_t frequency = 1;
    const int64_t phase = FramePhase(hertz, frequency);
    return static_cast<uint32_t>(phase * static_cast<int64_t>(totalLines) / frequency);
}

uint32_t MemoryDisplay::SimulatedMsToLine(uint32_t hertz, uint32_t totalLines, uint32_t line) {
    if (hertz == 0) {
        hertz = 60;
    }
    totalLines = std::max<uint32_t>(totalLines, 1);
    int64_t frequency = 1;
    const double now =
        static_cast<double>(FramePhase(hertz, frequency)) / static_cast<double>(frequency);
    const double target = static_cast<double>(std::min(line, totalLines)) / totalLines;
    double frames = target - now;
    if (frames <= 0.0) {
        frames += 1.0;
    }
    const double ms = std::ceil(frames * 1000.0 / hertz);
    const uint32_t period = (1000 + hertz - 1) / hertz;
    return std::clamp<uint32_t>(static_cast<uint32_t>(ms), 1, period);
}

std::array<uint8_t, 16> MemoryDisplay::GuidFromText(std::string_view text) {
    // Two FNV-1a hashes with different starting points fill the 16 bytes.
    std::array<uint8_t, 16> guid{};
    uint64_t halves[2] = {0xCBF29CE484222325ull, 0x84222325CBF29CE4ull};
    for (uint64_t& hash : halves) {
        for (char c : text) {
            hash ^= static_cast<uint8_t>(c);
            hash *= 0x100000001B3ull;
        }
    }
    for (size_t i = 0; i < 16; ++i) {
        guid[i] = static_cast<uint8_t>(halves[i / 8] >> (8 * (i % 8)));
    }
    return guid;
}

}  // namespace platform
