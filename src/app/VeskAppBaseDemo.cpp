// Demo recording and playback. A recording keeps the random seed and a bit stream of events,
// each stamped with the update count: the input handed to the widgets, the window's state
// changes, the end of loading and the values read from the outside world. A played demo
// rebuilds the run from it, the recorded values standing in for the outside world.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "app/DemoFile.h"
#include "app/VeskAppBase.h"
#include "platform/ByteOrder.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/FileSystem.h"
#include "util/Common.h"
#include "util/MersenneTwister.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

namespace msg = platform::msg;

// Short-form codes.
constexpr int kShortMouseMove = 0;
constexpr int kShortMouseButton = 1;

// Long-form codes.
constexpr int kEventMouseMove = 0;
constexpr int kEventActivation = 1;
constexpr int kEventMinimized = 2;
constexpr int kEventKeyDown = 3;
constexpr int kEventKeyUp = 4;
constexpr int kEventChar = 5;
constexpr int kEventClose = 6;
constexpr int kEventMouseEntered = 7;
constexpr int kEventMouseLeft = 8;
constexpr int kEventLoadingCompleted = 9;
constexpr int kEventRegistryRead = 11;
constexpr int kEventRegistryWrite = 12;
constexpr int kEventFileRead = 15;
constexpr int kEventHTTPResult = 17;
constexpr int kEventSyncValue = 18;
constexpr int kEventMouseWheel = 21;
constexpr int kEventDisplayState = 23;
constexpr int kEventNoAction = 31;

constexpr int kMaxDelta = 15;
// A moved mouse closer than this along both axes is written as a relative move.
constexpr int kNearMove = 32;
// The shortest event: delta 4 bits, form 1 bit, long code 5 bits (a short one has 4 bits
// of fields at least). Fewer bits left are the zero padding of the file's last byte.
constexpr int32_t kMinEventBits = 10;

bool IsSynchronousCode(int code) {
    return code == kEventRegistryRead || code == kEventRegistryWrite || code == kEventFileRead ||
           code == kEventHTTPResult || code == kEventSyncValue;
}

int64_t BitsLeft(const Buffer& stream) {
    return int64_t{stream.GetBitLength()} - stream.GetReadCursor();
}

void StartEvent(VeskAppBase& app, bool isShort, int code) {
    app.WriteDemoEventHeader();
    app.mDemoBuffer.WriteNumBits(isShort ? 1 : 0, 1);
    app.mDemoBuffer.WriteNumBits(code, isShort ? 1 : 5);
}

// An event header is held, or one can still be read.
bool EventAvailable(const VeskAppBase& app) {
    return !app.mDemoHeaderNeeded || BitsLeft(app.mDemoBuffer) >= kMinEventBits;
}

// A stream that cannot be read on is over: nothing after it is replayed.
void EndStream(VeskAppBase& app) {
    app.mDemoBuffer.SetReadCursor(app.mDemoBuffer.GetBitLength());
    app.mDemoHeaderNeeded = true;
}

// A replay that left its recording feeds no more synchronised calls, as if the user had
// closed it, rather than hand out misread values.
void NoteOutOfSync(VeskAppBase& app, const char* reason) {
    if (!app.mManualShutdown) {
        platform::DebugOutput(
            StrFormat("demo out of sync at update %d: %s\r\n", app.mUpdateCount, reason));
    }
    app.mManualShutdown = true;
}

// Steps over a recorded byte count and its bytes; false when they run past the stream.
bool SkipCountedBytes(Buffer& stream) {
    const int32_t count = stream.ReadLong();
    if (stream.ReadFailed() || count < 0 || int64_t{count} * 8 > BitsLeft(stream)) {
        return false;
    }
    stream.SetReadCursor(stream.GetReadCursor() + count * 8);
    return true;
}

// Steps over the fields of a synchronous event that no caller took.
bool SkipSynchronousFields(VeskAppBase& app) {
    Buffer& stream = app.mDemoBuffer;
    switch (app.mDemoEventCode) {
        case kEventRegistryRead:
            if (stream.ReadNumBits(1, false) == 0) {
                break;
            }
            stream.ReadLong();
            return SkipCountedBytes(stream);
        case kEventRegistryWrite:
            stream.ReadNumBits(1, false);
            break;
        case kEventFileRead:
            if (stream.ReadNumBits(1, false) == 0) {
                break;
            }
            return SkipCountedBytes(stream);
        case kEventHTTPResult:
            stream.ReadLong();
            stream.ReadByte();
            stream.ReadString();
            break;
        case kEventSyncValue:
            return SkipCountedBytes(stream);
        default:
            break;
    }
    return !stream.ReadFailed();
}

// Reads the held event's fields and replays it; false when the fields run past the stream
// (nothing is replayed then).
bool DispatchEvent(VeskAppBase& app) {
    Buffer& stream = app.mDemoBuffer;
    WidgetManager& widgets = *app.mWidgetManager;

    if (app.mDemoEventIsShort) {
        if (app.mDemoEventCode == kShortMouseMove) {
            const int dx = stream.ReadNumBits(6, true);
            const int dy = stream.ReadNumBits(6, true);
            if (stream.ReadFailed()) {
                return false;
            }
            app.mLastDemoMouseX += dx;
            app.mLastDemoMouseY += dy;
            widgets.MouseMove(app.mLastDemoMouseX, app.mLastDemoMouseY);
        } else {
            const bool down = stream.ReadNumBits(1, false) != 0;
            const int clickCount = stream.ReadNumBits(3, true);
            if (stream.ReadFailed()) {
                return false;
            }
            if (down) {
                widgets.MouseDown(app.mLastDemoMouseX, app.mLastDemoMouseY, clickCount);
            } else {
                widgets.MouseUp(app.mLastDemoMouseX, app.mLastDemoMouseY, clickCount);
            }
        }
        return true;
    }

    switch (app.mDemoEventCode) {
        case kEventMouseMove: {
            const int x = stream.ReadNumBits(12, false);
            const int y = stream.ReadNumBits(12, false);
            if (stream.ReadFailed()) {
                return false;
            }
            app.mLastDemoMouseX = x;
            app.mLastDemoMouseY = y;
            widgets.MouseMove(x, y);
            break;
        }
        case kEventActivation: {
            const bool active = stream.ReadNumBits(1, false) != 0;
            if (stream.ReadFailed()) {
                return false;
            }
            app.mActive = active;
            app.SetActive();
            // The windowed flag is the recorded one (display event).
            if (app.mActive && !app.mIsWindowed) {
                widgets.MarkAllDirty();
            }
            if (app.mIsOpeningURL && !app.mActive) {
                app.URLOpenSucceeded(app.mOpeningURL);
            }
            break;
        }
        case kEventMinimized: {
            const bool minimized = stream.ReadBoolean();
            if (stream.ReadFailed()) {
                return false;
            }
            // As the live delivery does it, so that both runs mute alike.
            if (!app.mShutdown && minimized != app.mMinimized) {
                app.mMinimized = minimized;
                if (minimized) {
                    if (app.mMuteOnLostFocus) {
                        app.Mute(true);
                    }
                } else {
                    if (app.mMuteOnLostFocus) {
                        app.Unmute(true);
                    }
                    widgets.MarkAllDirty();
                }
            }
            app.SetActive();
            break;
        }
        case kEventKeyDown:
        case kEventKeyUp: {
            const int key = stream.ReadNumBits(8, false);
            if (stream.ReadFailed()) {
                return false;
            }
            if (app.mDemoEventCode == kEventKeyDown) {
                widgets.KeyDown(key);
            } else {
                widgets.KeyUp(key);
            }
            break;
        }
        case kEventChar: {
            const bool wide = stream.ReadNumBits(1, false) != 0;
            const int character = stream.ReadNumBits(wide ? 16 : 8, false);
            if (stream.ReadFailed()) {
                return false;
            }
            widgets.KeyChar(static_cast<char>(static_cast<uint8_t>(character & 0xFF)));
            break;
        }
        case kEventClose:
            app.Shutdown();
            break;
        case kEventMouseEntered:
            app.mMouseIn = true;
            app.EnforceCursor();
            break;
        case kEventMouseLeft:
            widgets.MouseExit(app.mLastDemoMouseX, app.mLastDemoMouseY);
            app.mMouseIn = false;
            app.EnforceCursor();
            break;
        case kEventLoadingCompleted:
            app.mDemoLoadingComplete = true;
            break;
        case kEventMouseWheel: {
            const int delta = stream.ReadNumBits(8, true);
            if (stream.ReadFailed()) {
                return false;
            }
            widgets.MouseWheel(delta);
            break;
        }
        case kEventDisplayState: {
            const bool windowed = stream.ReadBoolean();
            const int refreshRate = stream.ReadByte();
            if (stream.ReadFailed()) {
                return false;
            }
            app.mIsWindowed = windowed;
            app.mRefreshRate = refreshRate;
            break;
        }
        default:
            // Filler and the codes that are never written carry no fields.
            break;
    }
    return true;
}

// Takes the held event as a synchronised value (event 18) and puts its bytes into the
// buffer; false when the replay has nothing for this call.
bool TakeSyncValue(VeskAppBase& app, Buffer* buffer) {
    if (app.mManualShutdown) {
        return false;
    }
    Buffer& stream = app.mDemoBuffer;
    for (;;) {
        if (!EventAvailable(app)) {
            NoteOutOfSync(app, "the demo has ended");
            return false;
        }
        const bool due = app.ReadDemoEventHeader();
        // Fillers that fall due carry nothing: step over them.
        if (!due || app.mDemoEventIsShort || app.mDemoEventCode != kEventNoAction) {
            break;
        }
        app.mDemoHeaderNeeded = true;
    }
    if (app.mDemoEventIsShort || app.mDemoEventCode != kEventSyncValue) {
        NoteOutOfSync(app, "another event was recorded here");
        return false;
    }
    app.mDemoHeaderNeeded = true;

    const int32_t count = stream.ReadLong();
    if (stream.ReadFailed() || count < 0 || int64_t{count} * 8 > BitsLeft(stream)) {
        NoteOutOfSync(app, "a recorded length runs past the demo");
        EndStream(app);
        return false;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    stream.ReadBytes(bytes.data(), count);
    buffer->Clear();
    buffer->SetData(bytes.data(), count);
    return true;
}

void PutLittle32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace

// ---- The file ----

bool VeskAppBase::ReadDemoFile(std::string& error) {
    const std::optional<std::vector<uint8_t>> bytes = platform::fs::ReadWholeFile(mDemoFileName);
    if (!bytes) {
        error = "Demo file not found: " + mDemoFileName;
        return false;
    }
    DemoFile file;
    if (!file.Parse(bytes->data(), bytes->size(), mProductVersion, error)) {
        return false;
    }

    mRandSeed = file.mRandSeed;
    SRand(mRandSeed);
    mDemoMarkers = std::move(file.mMarkers);
    mDemoLength = file.mDemoLength;
    mDemoBuffer.Clear();
    mDemoBuffer.WriteBytes(file.mEvents.data(), static_cast<int32_t>(file.mEvents.size()));
    mDemoBuffer.SeekFront();

    mDemoNextEventUpdate = 0;
    mDemoHeaderNeeded = true;
    mDemoEventIsShort = false;
    mDemoEventCode = 0;
    mDemoLoadingComplete = false;
    mLastDemoMouseX = 0;
    mLastDemoMouseY = 0;
    // Nothing the user did can have ended this replay yet.
    mManualShutdown = false;
    return true;
}

void VeskAppBase::WriteDemoFile() {
    if (!mRecordingDemoBuffer) {
        return;
    }
    DemoFile file;
    file.mRandSeed = mRandSeed;
    file.mProductVersion = mProductVersion;
    file.mMarkers = mDemoMarkers;
    file.mDemoLength = mUpdateCount;
    if (const uint8_t* data = mDemoBuffer.GetDataPtr()) {
        file.mEvents.assign(data, data + mDemoBuffer.GetDataLen());
    }
    const std::vector<uint8_t> bytes = file.Serialize();
    // A recording that cannot be saved is at least reported.
    if (!platform::fs::WriteWholeFileAtomic(mDemoFileName, bytes.data(), bytes.size())) {
        LogError("Unable to write demo file: " + mDemoFileName);
    }
}

// ---- Event headers ----

void VeskAppBase::WriteDemoEventHeader() {
    while (mUpdateCount - mDemoNextEventUpdate > kMaxDelta) {
        mDemoBuffer.WriteNumBits(kMaxDelta, 4);
        mDemoNextEventUpdate += kMaxDelta;
        mDemoBuffer.WriteNumBits(0, 1);
        mDemoBuffer.WriteNumBits(kEventNoAction, 5);
    }
    mDemoBuffer.WriteNumBits(std::max(mUpdateCount - mDemoNextEventUpdate, 0), 4);
    mDemoNextEventUpdate = mUpdateCount;
}

bool VeskAppBase::ReadDemoEventHeader() {
    if (mDemoHeaderNeeded) {
        // The padding of the last byte is no event: the stream has ended.
        if (BitsLeft(mDemoBuffer) < kMinEventBits) {
            return false;
        }
        const int delta = mDemoBuffer.ReadNumBits(4, false);
        mDemoEventIsShort = mDemoBuffer.ReadNumBits(1, false) != 0;
        mDemoEventCode = mDemoBuffer.ReadNumBits(mDemoEventIsShort ? 1 : 5, false);
        mDemoNextEventUpdate += delta;
        mDemoHeaderNeeded = false;
    }
    return mUpdateCount >= mDemoNextEventUpdate;
}

bool VeskAppBase::DemoEventDue() {
    if (!mPlayingDemoBuffer || !EventAvailable(*this)) {
        return false;
    }
    return ReadDemoEventHeader();
}

// ---- Playback ----

void VeskAppBase::DemoPlaybackStep() {
    if (!mPlayingDemoBuffer || mShutdown) {
        return;
    }
    while (mUpdateCount >= mDemoNextEventUpdate && !mShutdown) {
        if (!EventAvailable(*this) || !ReadDemoEventHeader()) {
            break;
        }
        if (!mDemoEventIsShort && IsSynchronousCode(mDemoEventCode)) {
            // Reads made by the loading-completed hook follow event 9: they are taken once
            // the update step has handled the completion.
            if (mDemoLoadingComplete && !mLoaded) {
                break;
            }
            // Its caller never asked: the run has left its recording.
            NoteOutOfSync(*this, "a recorded value was not asked for");
            mDemoHeaderNeeded = true;
            if (!SkipSynchronousFields(*this)) {
                EndStream(*this);
                break;
            }
            continue;
        }
        mDemoHeaderNeeded = true;
        if (!DispatchEvent(*this)) {
            EndStream(*this);
            break;
        }
    }
}

void VeskAppBase::DemoTakeDisplayState() {
    if (!mPlayingDemoBuffer) {
        return;
    }
    while (EventAvailable(*this) && ReadDemoEventHeader() && !mDemoEventIsShort &&
           mDemoEventCode == kEventDisplayState) {
        mDemoHeaderNeeded = true;
        if (!DispatchEvent(*this)) {
            EndStream(*this);
            return;
        }
    }
}

// ---- Recording ----

void VeskAppBase::DemoRecordMessage(const platform::Message& message) {
    if (!mRecordingDemoBuffer) {
        return;
    }
    const uint32_t kind = message.kind;

    if (kind >= msg::MouseMove && kind <= msg::MiddleButtonDoubleClick) {
        const int x = platform::LowSigned(message.lparam);
        const int y = platform::HighSigned(message.lparam);
        const int dx = x - mLastDemoMouseX;
        const int dy = y - mLastDemoMouseY;
        if (dx != 0 || dy != 0) {
            if (std::abs(dx) < kNearMove && std::abs(dy) < kNearMove) {
                StartEvent(*this, true, kShortMouseMove);
                mDemoBuffer.WriteNumBits(dx, 6);
                mDemoBuffer.WriteNumBits(dy, 6);
            } else {
                StartEvent(*this, false, kEventMouseMove);
                mDemoBuffer.WriteNumBits(x, 12);
                mDemoBuffer.WriteNumBits(y, 12);
            }
        }
        mLastDemoMouseX = x;
        mLastDemoMouseY = y;

        bool button = true;
        bool down = true;
        int clickCount = 0;
        switch (kind) {
            case msg::LeftButtonDown:
                clickCount = 1;
                break;
            case msg::LeftButtonUp:
                down = false;
                clickCount = 1;
                break;
            case msg::LeftButtonDoubleClick:
                clickCount = 2;
                break;
            case msg::RightButtonDown:
                clickCount = -1;
                break;
            case msg::RightButtonUp:
                down = false;
                clickCount = -1;
                break;
            case msg::RightButtonDoubleClick:
                clickCount = -2;
                break;
            case msg::MiddleButtonDown:
            case msg::MiddleButtonDoubleClick:
                // Delivered as a press, so recorded as one.
                clickCount = 3;
                break;
            case msg::MiddleButtonUp:
                down = false;
                clickCount = 3;
                break;
            default:
                button = false;
                break;
        }
        if (button) {
            StartEvent(*this, true, kShortMouseButton);
            mDemoBuffer.WriteNumBits(down ? 1 : 0, 1);
            mDemoBuffer.WriteNumBits(clickCount, 3);
        }
        return;
    }

    switch (kind) {
        case msg::ActivateApp:
            if (message.window == mHWnd) {
                // The delivery acts on the active flag as the window procedure last set it,
                // which a later activation message may already have changed: that is what
                // the replay must reproduce.
                StartEvent(*this, false, kEventActivation);
                mDemoBuffer.WriteNumBits(mActive ? 1 : 0, 1);
            }
            break;
        case msg::Size:
            // Only the main window's size is delivered, so only it is recorded.
            if (message.window == mHWnd) {
                StartEvent(*this, false, kEventMinimized);
                mDemoBuffer.WriteBoolean(message.wparam == platform::size::Minimized);
            }
            break;
        case msg::KeyDown:
        case msg::SysKeyDown:
            StartEvent(*this, false, kEventKeyDown);
            mDemoBuffer.WriteNumBits(static_cast<int32_t>(message.wparam & 0xFF), 8);
            break;
        case msg::KeyUp:
        case msg::SysKeyUp:
            StartEvent(*this, false, kEventKeyUp);
            mDemoBuffer.WriteNumBits(static_cast<int32_t>(message.wparam & 0xFF), 8);
            break;
        case msg::Char:
            StartEvent(*this, false, kEventChar);
            mDemoBuffer.WriteNumBits(0, 1);
            mDemoBuffer.WriteNumBits(static_cast<int32_t>(message.wparam & 0xFF), 8);
            break;
        case msg::Close:
            if (message.window == mHWnd || message.window == mInvisHWnd) {
                StartEvent(*this, false, kEventClose);
            }
            break;
        case msg::MouseWheel:
            StartEvent(*this, false, kEventMouseWheel);
            mDemoBuffer.WriteNumBits(
                platform::WheelDelta(message.wparam) / platform::WheelDeltaPerNotch, 8);
            break;
        default:
            break;
    }
}

void VeskAppBase::DemoRecordMouseIn(bool mouseIn) {
    if (mRecordingDemoBuffer) {
        StartEvent(*this, false, mouseIn ? kEventMouseEntered : kEventMouseLeft);
    }
}

void VeskAppBase::DemoRecordLoadingCompleted() {
    if (mRecordingDemoBuffer) {
        StartEvent(*this, false, kEventLoadingCompleted);
    }
}

void VeskAppBase::DemoRecordDisplayState() {
    if (!mRecordingDemoBuffer) {
        return;
    }
    StartEvent(*this, false, kEventDisplayState);
    mDemoBuffer.WriteBoolean(mIsPhysWindowed);
    mDemoBuffer.WriteByte(static_cast<uint8_t>(std::clamp(mRefreshRate, 0, 255)));
}

// ---- Synchronised values ----

void VeskAppBase::DemoSyncBuffer(Buffer* buffer) {
    if (buffer == nullptr) {
        return;
    }
    if (mRecordingDemoBuffer) {
        const int32_t count = buffer->GetDataLen();
        StartEvent(*this, false, kEventSyncValue);
        mDemoBuffer.WriteLong(count);
        mDemoBuffer.WriteBytes(buffer->GetDataPtr(), count);
    } else if (mPlayingDemoBuffer) {
        TakeSyncValue(*this, buffer);
    }
}

void VeskAppBase::DemoSyncString(std::string* value) {
    if (value == nullptr || (!mRecordingDemoBuffer && !mPlayingDemoBuffer)) {
        return;
    }
    Buffer scratch;
    scratch.WriteString(*value);
    if (mRecordingDemoBuffer) {
        // The recording run goes on with the text as the replay will see it.
        DemoSyncBuffer(&scratch);
        *value = scratch.ReadString();
    } else if (TakeSyncValue(*this, &scratch)) {
        std::string recorded = scratch.ReadString();
        if (!scratch.ReadFailed()) {
            *value = std::move(recorded);
        }
    }
}

void VeskAppBase::DemoSyncBool(bool* value) {
    if (value == nullptr || (!mRecordingDemoBuffer && !mPlayingDemoBuffer)) {
        return;
    }
    Buffer scratch;
    scratch.WriteBoolean(*value);
    if (mRecordingDemoBuffer) {
        DemoSyncBuffer(&scratch);
    } else if (TakeSyncValue(*this, &scratch)) {
        const bool recorded = scratch.ReadBoolean();
        if (!scratch.ReadFailed()) {
            *value = recorded;
        }
    }
}

uint32_t VeskAppBase::GetGameTickMs() const {
    if (!mRecordingDemoBuffer && !mPlayingDemoBuffer) {
        return platform::NowMs();
    }
    return static_cast<uint32_t>(mUpdateCount) * static_cast<uint32_t>(std::max(mFrameTime, 1));
}

// ---- The game generator's seed file ----

std::string VeskAppBase::GetDemoSeedFileName() const {
    std::string name = mDemoFileName;
    if (name.size() >= 4 && Lower(name.substr(name.size() - 4)) == ".dmo") {
        name.resize(name.size() - 4);
    }
    return name + ".dm0";
}

bool VeskAppBase::WriteDemoSeedFile(uint32_t seed) {
    uint8_t bytes[4];
    PutLittle32(bytes, seed);
    const std::string fileName = GetDemoSeedFileName();
    if (platform::fs::WriteWholeFileAtomic(fileName, bytes, sizeof(bytes))) {
        return true;
    }
    LogError("Unable to write demo seed file: " + fileName);
    return false;
}

bool VeskAppBase::ReadDemoSeedFile(uint32_t& seed) {
    const std::optional<std::vector<uint8_t>> bytes =
        platform::fs::ReadWholeFile(GetDemoSeedFileName());
    if (!bytes || bytes->size() != 4) {
        return false;
    }
    const std::vector<uint8_t>& b = *bytes;
    seed = platform::LoadLittle32(b.data());
    return true;
}

bool VeskAppBase::SeedGameRandomForDemo() {
    if (mRecordingDemoBuffer) {
        const uint32_t seed = platform::GetClock().TickMs();
        WriteDemoSeedFile(seed);
        mGameRandom.SRand(seed);
        return true;
    }
    if (mPlayingDemoBuffer) {
        uint32_t seed = 0;
        if (!ReadDemoSeedFile(seed)) {
            // The run goes on, but its random numbers will not be the recorded ones.
            LogError("Unable to read demo seed file: " + GetDemoSeedFileName());
            return false;
        }
        mGameRandom.SRand(seed);
        return true;
    }
    return false;
}

}  // namespace Vesk
