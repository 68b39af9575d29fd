#include "graphics/DDInterface.h"

#include <algorithm>
#include <bit>
#include <mutex>

#include "graphics/D3DErrorText.h"
#include "graphics/D3DInterface.h"
#include "graphics/D3DTester.h"
#include "graphics/DDImage.h"
#include "platform/Clock.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessDisplay.h"
#include "util/CommonText.h"
#include "util/DirectXErrors.h"
#include "util/MemoryLeakTracker.h"

namespace Vesk {

using platform::DisplayResult;
using platform::SurfaceDesc;
using platform::SurfaceRect;

std::atomic<bool> DDInterface::sStandardChannelOrder{false};

namespace {

SurfaceRect ToSurfaceRect(const Rect& rect) {
    return {rect.mX, rect.mY, rect.mX + rect.mWidth, rect.mY + rect.mHeight};
}

SurfaceRect Shifted(const SurfaceRect& rect, int32_t dx, int32_t dy) {
    return {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

// Channel widths and positions of a mask: the lowest set bit and the bits up to the highest.
void ReadMask(uint32_t mask, int32_t& shift, int32_t& bits) {
    if (mask == 0) {
        shift = 0;
        bits = 0;
        return;
    }
    shift = std::countr_zero(mask);
    bits = 32 - std::countl_zero(mask) - shift;
}

std::vector<int32_t> MakeAddTable(int32_t bits) {
    const int32_t max = (1 << bits) - 1;
    std::vector<int32_t> table(static_cast<size_t>(2 * max + 1));
    for (int32_t i = 0; i < static_cast<int32_t>(table.size()); ++i) {
        table[static_cast<size_t>(i)] = std::min(i, max);
    }
    return table;
}

// The widths for the debugger lines, which print sizes unsigned.
unsigned long Unsigned(int32_t value) {
    return static_cast<unsigned long>(static_cast<uint32_t>(value));
}

}  // namespace

DDInterface::DDInterface(VeskAppBase* app)
    : mApp(app), mD3DInterface(std::make_unique<D3DInterface>(this)) {
    mSettings.correctionAspect.Set(4, 3);
}

DDInterface::DDInterface(platform::WindowSystem* windowSystem, DeviceFactory factory)
    : mD3DInterface(std::make_unique<D3DInterface>(this)),
      mWindowSystem(windowSystem),
      mDeviceFactory(std::move(factory)) {
    mSettings.correctionAspect.Set(4, 3);
}

DDInterface::~DDInterface() {
    Cleanup();
    // Before the lock goes: the device's clean-up takes it.
    mD3DTester.reset();
    mD3DInterface.reset();
}

void DDInterface::SetHost(std::unique_ptr<Host> host) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    mHost = std::move(host);
}

void DDInterface::ReadSettings() {
    if (mHost != nullptr) {
        mHost->ReadSettings(mSettings);
    }
}

platform::WindowSystem* DDInterface::GetWindowSystem() const {
    return mHost != nullptr ? mHost->GetWindowSystem() : mWindowSystem;
}

DDInterface::DeviceFactory DDInterface::DefaultDeviceFactory() const {
    platform::WindowSystem* windowSystem = GetWindowSystem();
    if (windowSystem != nullptr && windowSystem->Name() == "sdl") {
        return [](std::unique_ptr<platform::DisplaySystem>& out) {
            return platform::CreateSdlDisplaySystem(out);
        };
    }
    // Without a screen the display keeps its picture in memory, on a desktop like the one the
    // window system shows.
    platform::HeadlessDisplayConfig config;
    if (windowSystem != nullptr) {
        const platform::Size screen = windowSystem->ScreenSize();
        if (screen.width > 0 && screen.height > 0) {
            config.desktopWidth = screen.width;
            config.desktopHeight = screen.height;
        }
        switch (windowSystem->DesktopBitsPerPixel()) {
            case 16:
                config.desktopFormat = platform::PixelFormat::Rgb565();
                break;
            case 24:
                config.desktopFormat = platform::PixelFormat::Rgb888();
                break;
            default:
                config.desktopFormat = platform::PixelFormat::Xrgb8888();
                break;
        }
    }
    return [config](std::unique_ptr<platform::DisplaySystem>& out) {
        out = std::make_unique<platform::HeadlessDisplay>(config);
        return platform::DD_OK;
    };
}

platform::Point DDInterface::ClientOrigin() const {
    if (mWindowHandle == nullptr || !mIsWindowed) {
        return {};
    }
    return mWindowHandle->ClientToScreen(platform::Point{0, 0});
}

bool DDInterface::GotDXError(DisplayResult result, const std::string& context) {
    if (platform::Succeeded(result)) {
        return false;
    }
    mErrorString = StrFormat("%s: %s", context.c_str(),
                             GetDirectXErrorString(static_cast<uint32_t>(result)).c_str());
    return true;
}

std::string DDInterface::ResultToString(int result) {
    switch (result) {
        case RESULT_OK:
            return "RESULT_OK";
        case RESULT_FAIL:
            return "RESULT_FAIL";
        case RESULT_DD_CREATE_FAIL:
            return "RESULT_DD_CREATE_FAIL";
        case RESULT_SURFACE_FAIL:
            return "RESULT_SURFACE_FAIL";
        case RESULT_EXCLUSIVE_FAIL:
            return "RESULT_EXCLUSIVE_FAIL";
        case RESULT_DISPCHANGE_FAIL:
            return "RESULT_DISPCHANGE_FAIL";
        case RESULT_INVALID_COLORDEPTH:
            return "RESULT_INVALID_COLORDEPTH";
        default:
            return "RESULT_UNKNOWN";
    }
}

int DDInterface::Init(platform::WindowId window, bool isWindowed) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    mInitialized = false;
    Cleanup();
    ReadSettings();

    const DeviceFactory factory = mDeviceFactory ? mDeviceFactory : DefaultDeviceFactory();
    DisplayResult createResult = factory(mDisplay);
    if (platform::Succeeded(createResult) && mDisplay == nullptr) {
        createResult = platform::DDERR_GENERIC;
    }
    if (GotDXError(createResult, "DirectDrawCreateEx")) {
        mDisplay.reset();
        return RESULT_DD_CREATE_FAIL;
    }

    if (RunAccelerationTest(window) && mD3DTester->mFirstTest && mHost != nullptr) {
        mHost->FirstAccelerationTestHook();
    }

    mWindow = window;
    platform::WindowSystem* windowSystem = GetWindowSystem();
    mWindowHandle = windowSystem != nullptr ? windowSystem->FindWindow(window) : nullptr;
    mWidth = mSettings.clientWidth;
    mHeight = mSettings.clientHeight;
    mAspect.Set(mWidth, mHeight);
    const platform::Size desktop =
        windowSystem != nullptr ? windowSystem->ScreenSize() : platform::Size{};
    mDesktopWidth = desktop.width;
    mDesktopHeight = desktop.height;
    mDesktopAspect.Set(mDesktopWidth, mDesktopHeight);
    // Describes this initialisation only: a window corrected before may not be now.
    mIsAspectCorrected = false;
    mDisplayWidth = mWidth;
    mDisplayHeight = mHeight;
    mDisplayAspect = mAspect;
    mPresentationRect = Rect(0, 0, mWidth, mHeight);
    if (mHost != nullptr) {
        mHost->SetScreenBounds(Rect(0, 0, mWidth, mHeight));
    }
    mColorDepth = mSettings.colorDepth;
    mIsWindowed = isWindowed;

    OutputDebugPrintf("Application requests %4lu x %4lu [%2d:%2d]\n", Unsigned(mWidth),
                      Unsigned(mHeight), mAspect.mNumerator, mAspect.mDenominator);

    const int screenResult =
        mIsWindowed ? InitWindowed(mWindowHandle) : InitFullScreen(mWindowHandle);
    if (screenResult != RESULT_OK) {
        return screenResult;
    }

    OutputDebugPrintf("Draw buffer is       %4lu x %4lu [%2d:%2d]\n", Unsigned(mWidth),
                      Unsigned(mHeight), mAspect.mNumerator, mAspect.mDenominator);

    ReadRefreshRate();

    if (const int cursorResult = InitCursorAreas(); cursorResult != RESULT_OK) {
        return cursorResult;
    }
    if (const int formatResult = ReadScreenFormat(); formatResult != RESULT_OK) {
        return formatResult;
    }

    SetVideoOnlyDraw(mVideoOnlyDraw);

    if (mIs3D) {
        std::string errorText;
        if (!Start3DDevice(errorText)) {
            mErrorString = "3D init error: " + errorText;
            return RESULT_3D_FAIL;
        }
    }

    mInitialized = true;
    return RESULT_OK;
}

int DDInterface::InitWindowed(platform::Window* window) {
    const Ratio& correction = mSettings.correctionAspect;
    OutputDebugPrintf("Hack aspect is                   [%2d:%2d]\n", correction.mNumerator,
                      correction.mDenominator);
    if (mSettings.correctAspect && mAspect < correction) {
        CorrectWindowAspect(window);
    }
    OutputDebugPrintf("Window is            %4lu x %4lu [%2d:%2d]\n", Unsigned(mDisplayWidth),
                      Unsigned(mDisplayHeight), mDisplayAspect.mNumerator,
                      mDisplayAspect.mDenominator);

    // Normal sharing of the desktop; a refusal shows up in the steps below.
    mDisplay->SetCooperativeLevel(window, platform::CooperativeLevel::Normal);

    SurfaceDesc primary;
    primary.kind = platform::SurfaceKind::Primary;
    primary.for3D = mIs3D;
    const DisplayResult primaryResult = CreateSurface(primary, mPrimarySurface);
    if (GotDXError(primaryResult, "CreateSurface Windowed Primary")) {
        return primaryResult == platform::DDERR_INVALIDPIXELFORMAT ? RESULT_INVALID_COLORDEPTH
                                                                   : RESULT_SURFACE_FAIL;
    }

    SurfaceDesc draw;
    draw.width = mWidth;
    draw.height = mHeight;
    draw.memory = mIs3D ? platform::MemoryPlace::Video : platform::MemoryPlace::System;
    draw.for3D = mIs3D;
    if (GotDXError(CreateSurface(draw, mDrawSurface), "CreateSurface Windowed DrawSurface")) {
        return RESULT_SURFACE_FAIL;
    }

    if (GotDXError(mDisplay->AttachClipper(*mPrimarySurface), "CreateClipper Windowed")) {
        return RESULT_FAIL;
    }
    return RESULT_OK;
}

void DDInterface::CorrectWindowAspect(platform::Window* window) {
    const Ratio& correction = mSettings.correctionAspect;
    if (correction.mDenominator <= 0 || correction.mNumerator <= 0) {
        return;
    }
    mIsAspectCorrected = true;
    mDisplayWidth = static_cast<int32_t>(static_cast<int64_t>(correction.mNumerator) * mHeight /
                                         correction.mDenominator);
    mDisplayHeight = mHeight;
    mDisplayAspect = correction;

    if (window != nullptr) {
        // Centre the wider client area on the one the window has now, so that a second
        // initialisation of the same window leaves it where it is.
        const platform::Size client = window->ClientSize();
        const int32_t moveLeft = (mDisplayWidth - client.width) / 2;
        const int32_t moveUp = (mDisplayHeight - client.height) / 2;
        const platform::Point outer = window->GetPlacement().normalPosition;
        window->SetClientSize(platform::Size{mDisplayWidth, mDisplayHeight});
        window->SetPosition(
            platform::Point{std::max(outer.x - moveLeft, 0), std::max(outer.y - moveUp, 0)});
    }

    if (mSettings.drawIntoCorrectedWidth) {
        mWidth = mDisplayWidth;
        mHeight = mDisplayHeight;
        mAspect = mDisplayAspect;
        mPresentationRect = Rect(0, 0, mDisplayWidth, mDisplayHeight);
    } else {
        mPresentationRect = Rect((mDisplayWidth - mWidth) / 2, 0, mWidth, mHeight);
    }
}

int DDInterface::InitFullScreen(platform::Window* window) {
    OutputDebugPrintf("Desktop is           %4lu x %4lu [%2d:%2d]\n", Unsigned(mDesktopWidth),
                      Unsigned(mDesktopHeight), mDesktopAspect.mNumerator,
                      mDesktopAspect.mDenominator);
    OutputDebugPrintf("Display is           %4lu x %4lu [%2d:%2d]\n", Unsigned(mDisplayWidth),
                      Unsigned(mDisplayHeight), mDisplayAspect.mNumerator,
                      mDisplayAspect.mDenominator);

    if (GotDXError(
            mDisplay->SetCooperativeLevel(window, platform::CooperativeLevel::ExclusiveFullScreen),
            "SetCooperativeLevel FullScreen")) {
        return RESULT_EXCLUSIVE_FAIL;
    }
    if (GotDXError(mDisplay->SetDisplayMode(mDisplayWidth, mDisplayHeight, mColorDepth),
                   "SetDisplayMode FullScreen")) {
        return RESULT_DISPCHANGE_FAIL;
    }

    SurfaceDesc primary;
    primary.kind = platform::SurfaceKind::Primary;
    primary.chain = platform::PrimaryChain::BackBuffer;
    primary.for3D = mIs3D;
    if (GotDXError(CreateSurface(primary, mPrimarySurface), "CreateSurface FullScreen Primary")) {
        return RESULT_SURFACE_FAIL;
    }
    if (GotDXError(mPrimarySurface->GetBackBuffer(mBackSurface), "GetAttachedSurface")) {
        return RESULT_SURFACE_FAIL;
    }
    if (mIsAspectCorrected) {
        ClearSurface(mPrimarySurface.get());
        ClearSurface(mBackSurface.get());
    }

    SurfaceDesc draw;
    draw.width = mWidth;
    draw.height = mHeight;
    draw.memory = mIs3D ? platform::MemoryPlace::Video : platform::MemoryPlace::System;
    draw.for3D = mIs3D;
    if (GotDXError(CreateSurface(draw, mDrawSurface), "CreateSurface FullScreen DrawSurface")) {
        return RESULT_SURFACE_FAIL;
    }

    if (GotDXError(mDisplay->AttachClipper(*mPrimarySurface), "CreateClipper FullScreen")) {
        return RESULT_FAIL;
    }
    if (!mSettings.allowPageFlip) {
        mDisplay->FlipToDesktop();
    }
    return RESULT_OK;
}

void DDInterface::ReadRefreshRate() {
    uint32_t hertz = 0;
    const DisplayResult result = mDisplay->GetMonitorFrequency(hertz);
    mRefreshRateClamped = true;
    if (platform::Failed(result) || hertz < 60) {
        hertz = 60;
    } else if (hertz > 100) {
        hertz = 100;
    } else {
        mRefreshRateClamped = false;
    }
    mRefreshRate = hertz;
    mMillisecondsPerFrame = 1000 / mRefreshRate;
    if (mHost != nullptr) {
        mHost->SetRefreshRateClamped(mRefreshRateClamped);
    }
}

int DDInterface::InitCursorAreas() {
    SurfaceDesc area;
    area.width = mCursorWidth;
    area.height = mCursorHeight;
    area.memory = platform::MemoryPlace::System;
    if (GotDXError(CreateSurface(area, mOldCursorArea), "CreateSurface OldCursorArea")) {
        return RESULT_SURFACE_FAIL;
    }
    if (GotDXError(CreateSurface(area, mNewCursorArea), "CreateSurface NewCursorArea")) {
        return RESULT_SURFACE_FAIL;
    }
    mOldCursorAreaImage = std::make_unique<DDImage>(this);
    mOldCursorAreaImage->SetSurface(mOldCursorArea);
    mOldCursorAreaImage->SetImageMode(false, false);
    mNewCursorAreaImage = std::make_unique<DDImage>(this);
    mNewCursorAreaImage->SetSurface(mNewCursorArea);
    mNewCursorAreaImage->SetImageMode(false, false);
    return RESULT_OK;
}

int DDInterface::ReadScreenFormat() {
    if (mPrimarySurface == nullptr) {
        return RESULT_OK;
    }
    const platform::PixelFormat format = mPrimarySurface->Format();
    if (format.bitsPerPixel != 16 && format.bitsPerPixel != 32) {
        GotDXError(platform::DDERR_INVALIDPIXELFORMAT, "GetPixelFormat");
        return RESULT_INVALID_COLORDEPTH;
    }
    mRGBBits = format.bitsPerPixel;
    mRedMask = format.redMask;
    mGreenMask = format.greenMask;
    mBlueMask = format.blueMask;
    ReadMask(mRedMask, mRedShift, mRedBits);
    ReadMask(mGreenMask, mGreenShift, mGreenBits);
    ReadMask(mBlueMask, mBlueShift, mBlueBits);
    mRedAddTable = MakeAddTable(mRedBits);
    mGreenAddTable = MakeAddTable(mGreenBits);
    mBlueAddTable = MakeAddTable(mBlueBits);
    return RESULT_OK;
}

bool DDInterface::Start3DDevice(std::string& errorText) {
    if (!mD3DInterface->InitFromDisplay(*this, mWindowHandle)) {
        errorText = gD3DErrorText;
        return false;
    }
    return true;
}

bool DDInterface::Is3DRecommended() const {
    return Is3DSupported() && mD3DTester->mWarning.empty();
}

bool DDInterface::Is3DSupported() const {
    return mD3DTester != nullptr && mD3DTester->mFailureReason.empty();
}

bool DDInterface::AccelerationTestFailed() const {
    return mD3DTester != nullptr && !mD3DTester->mFailureReason.empty();
}

bool DDInterface::RunAccelerationTest(platform::WindowId window) {
    if (mD3DTester != nullptr || (!mSettings.wants3D && !mSettings.wantsAccelerationTest)) {
        return false;
    }
    mD3DTester = std::make_unique<D3DTester>();
    mD3DTester->SetVidMemoryConstraints(mSettings.minVidMemory3D, mSettings.recommendedVidMemory3D);
    mD3DTester->SetHost(mHost.get());
    mD3DTester->SetDeviceFactory(mD3DInterface->GetDeviceFactory());
    platform::WindowSystem* windowSystem = GetWindowSystem();
    platform::Window* handle = windowSystem != nullptr ? windowSystem->FindWindow(window) : nullptr;
    mD3DTester->TestD3D(handle, mDisplay.get());
    // Only the tester's own run uses the host; it is the application's to replace.
    mD3DTester->SetHost(nullptr);

    const bool failed = !mD3DTester->mFailureReason.empty();
    const bool warned = !mD3DTester->mWarning.empty();
    if (mSettings.wants3D && !failed && !warned) {
        mIs3D = true;
    } else if (failed || (mD3DTester->mFirstTest && warned)) {
        mIs3D = false;
    }
    return true;
}

void DDInterface::Cleanup() {
    std::lock_guard<CriticalLock> lock(mCritSect);
    mInitialized = false;
    if (mD3DInterface != nullptr) {
        mD3DInterface->Cleanup();
    }
    mCursorDrawn = false;
    mOldCursorAreaImage.reset();
    mNewCursorAreaImage.reset();
    mOldCursorArea.reset();
    mNewCursorArea.reset();
    mScreenImage.reset();
    mDrawSurface.reset();
    mBackSurface.reset();
    mPrimarySurface.reset();
    if (mDisplay != nullptr) {
        mDisplay->SetCooperativeLevel(mWindowHandle, platform::CooperativeLevel::Normal);
        mDisplay.reset();
    }
    mWindowHandle = nullptr;
}

DisplayResult DDInterface::CreateSurface(const SurfaceDesc& desc,
                                         std::shared_ptr<platform::Surface>& out) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    if (mDisplay == nullptr) {
        out.reset();
        return platform::DDERR_NOTINITIALIZED;
    }
    const DisplayResult result = mDisplay->CreateSurface(desc, out);
    if (platform::Failed(result)) {
        return result;
    }
    // The screen's format decides; while the primary itself is being made, it is the new one.
    const platform::PixelFormat format =
        mPrimarySurface != nullptr ? mPrimarySurface->Format() : out->Format();
    sStandardChannelOrder.store(format.blueMask < format.greenMask &&
                                format.greenMask < format.redMask);
    if (format.bitsPerPixel != 16 && format.bitsPerPixel != 32) {
        out.reset();
        return platform::DDERR_INVALIDPIXELFORMAT;
    }
    return result;
}

void DDInterface::ClearSurface(platform::Surface* surface) {
    if (surface != nullptr) {
        surface->Fill(nullptr, 0);
    }
}

DDImage* DDInterface::GetScreenImage() {
    return mScreenImage.get();
}

void DDInterface::SetVideoOnlyDraw(bool videoOnly) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    mVideoOnlyDraw = videoOnly;
    if (mVideoOnlyDraw && mBackSurface == nullptr) {
        SurfaceDesc back;
        back.width = mWidth;
        back.height = mHeight;
        back.memory = platform::MemoryPlace::Video;
        if (platform::Failed(CreateSurface(back, mBackSurface))) {
            mVideoOnlyDraw = false;
        }
    }
    mScreenImage.reset();
    const std::shared_ptr<platform::Surface>& target = mVideoOnlyDraw ? mBackSurface : mDrawSurface;
    if (target == nullptr) {
        return;
    }
    mScreenImage = std::make_unique<DDImage>(this);
    mScreenImage->SetSurface(target);
    mScreenImage->mVideoOnly = mVideoOnlyDraw;
    mScreenImage->mWantVideoMemory = mVideoOnlyDraw;
    mScreenImage->SetImageMode(false, false);
}

void DDInterface::AddDDImage(DDImage* image) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    mDDImageSet.insert(image);
}

void DDInterface::RemoveDDImage(DDImage* image) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    mDDImageSet.erase(image);
}

void DDInterface::RemoveImageTextureData(MemoryImage* image) {
    if (mD3DInterface != nullptr) {
        mD3DInterface->RemoveImageTextureData(image);
    }
}

bool DDInterface::Redraw(const Rect* rect) {
    std::lock_guard<CriticalLock> lock(mCritSect);
    if (!mInitialized) {
        return false;
    }
    ReadSettings();
    mPresenting.store(true);
    struct PresentingScope {
        std::atomic<bool>& flag;
        ~PresentingScope() { flag.store(false); }
    } presentingScope{mPresenting};

    if (mIs3D) {
        // A 3-D call failed during the frame: drawing goes back to 2-D for the rest of the
        // run, and the application makes the display again.
        if (!gD3DErrorText.empty()) {
            mIs3D = false;
            return false;
        }
        mD3DInterface->Flush();
    }

    // A flip shows the other page, which lacks what changed outside the rectangle.
    if (!mIsWindowed && !mSettings.popupShowing && mSettings.allowPageFlip) {
        rect = nullptr;
    }
    SurfaceRect source;
    SurfaceRect dest;
    if (rect != nullptr && !mIsAspectCorrected) {
        source = ToSurfaceRect(*rect);
        dest = source;
    } else {
        source = SurfaceRect{0, 0, mWidth, mHeight};
        dest = ToSurfaceRect(mPresentationRect);
    }
    const platform::Point origin = ClientOrigin();
    dest = Shifted(dest, origin.x, origin.y);
    // Drawing into the draw surface has finished here: the display's operations complete
    // before they return.

    DisplayResult result = platform::DD_OK;
    const char* context = "Redraw Windowed";
    if (mIsWindowed) {
        platform::Surface* frame = mVideoOnlyDraw ? mBackSurface.get() : mDrawSurface.get();
        result = PresentWindowed(*frame, rect, source, dest);
    } else if (!mSettings.popupShowing && mSettings.allowPageFlip) {
        context = "Redraw FullScreen Flip";
        if (!mVideoOnlyDraw) {
            result = mBackSurface->Blt(&dest, *mDrawSurface, &source, platform::BltKey::None);
        }
        if (platform::Succeeded(result)) {
            mCursorDrawnX = mCursorX.load();
            mCursorDrawnY = mCursorY.load();
            DrawCursor(mBackSurface.get(), false);
            // A flip shows the new page at the monitor's next vertical blank.
            mDisplay->WaitForVerticalBlank();
            result = mPrimarySurface->Flip();
        }
        if (platform::Failed(result)) {
            mCursorDrawn = false;
        }
    } else {
        context = "Redraw FullScreen Blt";
        result = mPrimarySurface->Blt(&dest, *mDrawSurface, &source, platform::BltKey::None);
        // The frame covers any cursor drawn on the screen before.
        mCursorDrawn = false;
    }
    return !GotDXError(result, context);
}

DisplayResult DDInterface::PresentWindowed(platform::Surface& frame, const Rect* rect,
                                           const SurfaceRect& source, const SurfaceRect& dest) {
    const platform::Point screenOrigin = ClientOrigin();
    const platform::Point frameOrigin = SurfaceOrigin(&frame, false);
    // A partial present must also refresh the boxes of the old and the new cursor, or the
    // old one would stay on the screen when it lies outside the rectangle.
    const bool partial = rect != nullptr && !mIsAspectCorrected;
    std::optional<SurfaceRect> oldBox;
    if (partial && mCursorDrawn) {
        oldBox = ClipToPresentation(CursorBox(mCursorDrawnX, mCursorDrawnY));
    }

    mCursorDrawnX = mCursorX.load();
    mCursorDrawnY = mCursorY.load();
    DrawCursor(&frame, false);
    const bool cursorDrawn = mCursorDrawn;

    DisplayResult result = platform::DD_OK;
    bool presented = false;
    if (mSettings.waitForVSync && !mSettings.softVSyncWait) {
        if (!mVideoOnlyDraw && mVSyncFailCount < kMaxVSyncFailures) {
            presented = PresentSplit(frame, source, dest, result);
        }
        if (!presented) {
            mDisplay->WaitForVerticalBlank();
        }
    }
    if (!presented) {
        result = mPrimarySurface->Blt(&dest, frame, &source, platform::BltKey::None);
    }
    if (partial && platform::Succeeded(result)) {
        std::vector<SurfaceRect> boxes;
        if (oldBox) {
            boxes.push_back(*oldBox);
        }
        if (cursorDrawn) {
            boxes.push_back(ClipToPresentation(CursorBox(mCursorDrawnX, mCursorDrawnY)));
        }
        for (const SurfaceRect& box : boxes) {
            const SurfaceRect from = Shifted(box, frameOrigin.x, frameOrigin.y);
            const SurfaceRect to = Shifted(box, screenOrigin.x, screenOrigin.y);
            mPrimarySurface->Blt(&to, frame, &from, platform::BltKey::None);
        }
    }
    if (cursorDrawn) {
        // The frame keeps no cursor; the screen now shows it over the background saved.
        RestoreCursorArea(&frame);
        mCursorDrawn = platform::Succeeded(result);
    }
    return result;
}

bool DDInterface::WaitForScanLine(const std::function<int(DisplayResult, uint32_t)>& test) {
    platform::Clock& clock = platform::GetClock();
    const uint32_t start = clock.TickMs();
    for (;;) {
        uint32_t line = 0;
        const DisplayResult result = mDisplay->GetScanLine(line);
        const int verdict = test(result, line);
        if (verdict != 0) {
            return verdict > 0;
        }
        if (clock.TickMs() - start >= kScanLineWaitMs) {
            return false;
        }
        // A short sleep keeps the poll from spinning and lets any clock move on.
        clock.SleepMs(1);
    }
}

bool DDInterface::PresentSplit(platform::Surface& frame, const SurfaceRect& source,
                               const SurfaceRect& dest, DisplayResult& result) {
    const int64_t screenHeight = mPrimarySurface->Height();
    const int32_t half = mSettings.clientHeight / 2;
    const int64_t middle = static_cast<int64_t>(dest.top) + half;

    // Wait until the beam has passed the middle line after being seen above it.
    bool seenAbove = false;
    const bool passedMiddle = WaitForScanLine([&](DisplayResult polled, uint32_t line) {
        if (polled == platform::DDERR_VERTICALBLANKINPROGRESS) {
            return seenAbove ? 1 : 0;
        }
        if (platform::Failed(polled)) {
            return -1;
        }
        if (line < screenHeight && line < middle) {
            seenAbove = true;
            return 0;
        }
        return seenAbove ? 1 : 0;
    });
    if (!passedMiddle) {
        ++mVSyncFailCount;
        return false;
    }

    // Both halves keep their sizes even for a destination shorter than the client area.
    const int32_t split = std::clamp(half, 0, dest.Height());
    const SurfaceRect upperSource{source.left, source.top, source.right, source.top + split};
    const SurfaceRect upperDest{dest.left, dest.top, dest.right, dest.top + split};
    result = mPrimarySurface->Blt(&upperDest, frame, &upperSource, platform::BltKey::None);
    mVSyncFailCount = 0;

    // Then until the beam wraps to the top or reaches the bottom of the destination; failed
    // polls are simply repeated, but never for longer than one wait.
    bool havePrevious = false;
    uint32_t previous = 0;
    const bool wrapped = WaitForScanLine([&](DisplayResult polled, uint32_t line) {
        if (platform::Failed(polled)) {
            return 0;
        }
        if ((havePrevious && line < previous) || static_cast<int64_t>(line) >= dest.bottom) {
            return 1;
        }
        havePrevious = true;
        previous = line;
        return 0;
    });
    if (!wrapped) {
        ++mVSyncFailCount;
    }

    const SurfaceRect lowerSource{source.left, source.top + split, source.right, source.bottom};
    const SurfaceRect lowerDest{dest.left, dest.top + split, dest.right, dest.bottom};
    const DisplayResult lower =
        mPrimarySurface->Blt(&lowerDest, frame, &lowerSource, platform::BltKey::None);
    if (platform::Succeeded(result)) {
        result = lower;
    }
    return true;
}

}  // namespace Vesk
