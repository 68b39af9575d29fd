// Demo recording and playback. The event stream and the file format come with demo
// support; until then nothing is recorded and a played demo replays no events, and every
// synchronised value passes through unchanged.
#include "app/VeskAppBase.h"
#include "platform/FileSystem.h"

namespace Vesk {

bool VeskAppBase::ReadDemoFile(std::string& error) {
    if (!platform::fs::Exists(mDemoFileName)) {
        error = "Demo file not found: " + mDemoFileName;
        return false;
    }
    mDemoBuffer.Clear();
    mDemoLength = 0;
    return true;
}

void VeskAppBase::WriteDemoFile() {}

void VeskAppBase::DemoPlaybackStep() {}

void VeskAppBase::DemoRecordMessage(const platform::Message& message) {
    (void)message;
}

void VeskAppBase::DemoRecordMouseIn(bool mouseIn) {
    (void)mouseIn;
}

void VeskAppBase::DemoRecordLoadingCompleted() {}

void VeskAppBase::DemoRecordDisplayState() {}

void VeskAppBase::DemoSyncBuffer(Buffer* buffer) {
    (void)buffer;
}

void VeskAppBase::DemoSyncString(std::string* value) {
    (void)value;
}

void VeskAppBase::DemoSyncBool(bool* value) {
    (void)value;
}

}  // namespace Vesk
