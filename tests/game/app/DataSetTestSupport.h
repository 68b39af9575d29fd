#pragma once

// The data-set tests' fixture: build/vorns.pak registered, the headless application with its
// properties and both manifests read.
#include <string>

#include "../../app/AppTestSupport.h"
#include "game/app/ResourceIdTable.h"
#include "platform/headless/HeadlessAudioDevice.h"
#include "resources/PakInterface.h"
#include "resources/ResourceManagerException.h"
#include "resources/zmResourceManager.h"

namespace apptest {

// The groups in the order the game loads them.
constexpr const char* kGroups[] = {"TitleScreen", "Game",   "Interface",
                                   "Particles",   "Levels", "Credits"};

inline bool Found(Vesk::zmResourceManager& manager, const ResourceIdEntry& entry) {
    try {
        switch (entry.mKind) {
            case ResourceKind::Level:
                return manager.LookupLevel(entry.mName) != nullptr;
            case ResourceKind::Font:
                return manager.LookupFont(entry.mName) != nullptr;
            case ResourceKind::Image:
                return manager.LookupImage(entry.mName).GetImage() != nullptr;
            case ResourceKind::ImageEx:
                return manager.LookupImageEx(entry.mName) != nullptr;
            case ResourceKind::Particle:
                return manager.LookupParticle(entry.mName) != nullptr;
            case ResourceKind::Sound:
                return manager.LookupSound(entry.mName) >= 0;
        }
    } catch (const Vesk::ResourceManagerException&) {
    }
    return false;
}

// Whether the data set holds any id of the kind: a part of the tool that made nothing at all
// (on a branch where it is still a stub) is reported as a skip, not as each of its ids.
inline bool AnyOfKind(Vesk::zmResourceManager& manager, ResourceKind kind) {
    for (const ResourceIdEntry& entry : kResourceIdEntries) {
        if (entry.mKind == kind && Found(manager, entry)) {
            return true;
        }
    }
    return false;
}

class DataSetTest : public AppTest {
protected:
    // The extracted pictures, fonts and animations go with the application: later tests must
    // not find them bound.
    void TearDown() override {
        for (const ResourceIdEntry& entry : kResourceIdEntries) {
            if (entry.mKind != ResourceKind::Sound) {
                *static_cast<void**>(entry.mVariable) = nullptr;
            }
        }
        AppTest::TearDown();
    }

    // The application with the data set's archive, properties and manifests read.
    TestApp& LoadedApp() {
        static const bool added = Vesk::gPakInterface->AddPakFile(VESK_DATA_PAK);
        EXPECT_TRUE(added) << VESK_DATA_PAK << " is missing; build the target vorns_data";
        // A real mixer, so every sound is read and decoded, not passed over as when silent.
        TestApp& app = MakeApp();
        app.mAudioDevice = &mAudio;
        app.Init();
        EXPECT_TRUE(app.LoadProperties());
        Vesk::zmResourceManager& manager = *app.mResourceManager;
        EXPECT_TRUE(manager.ReadManifestFile("properties\\resources.xml"))
            << manager.GetErrorText();
        EXPECT_TRUE(manager.ReadLevelManifest("properties\\levels.xml")) << manager.GetErrorText();
        return app;
    }

    platform::HeadlessAudioDevice mAudio;

    static void LoadAllGroups(Vesk::zmResourceManager& manager) {
        for (const char* group : kGroups) {
            EXPECT_TRUE(manager.LoadGroup(group)) << group << ": " << manager.GetErrorText();
        }
    }
};

}  // namespace apptest
