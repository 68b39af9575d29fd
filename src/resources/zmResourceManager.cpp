#include "resources/zmResourceManager.h"

#include <algorithm>

#include "resources/ParticleRegistry.h"
#include "resources/ResourceHost.h"
#include "resources/XMLElement.h"
#include "resources/XMLParser.h"
#include "resources/zmParticleSystem.h"
#include "util/CommonText.h"

namespace Vesk {

namespace {

const std::string* FindAttribute(const XMLElement& element, const char* name) {
    auto it = element.mAttributes.find(name);
    return it != element.mAttributes.end() ? &it->second : nullptr;
}

}  // namespace

void zmResourceManager::ImageExRes::DeleteResource() {
    ImageRes::DeleteResource();
    mImageEx.reset();
}

zmResourceManager::zmResourceManager(ResourceHost* host) : ResourceManager(host) {
    mGroupKinds["ImageEx"] = {[this](XMLElement& element) { return ReadImageExElement(element); },
                              true};
    mGroupKinds["Particle"] = {
        [this](XMLElement& element) { return ReadParticleElement(element); }};
    mSeqKinds = {{"Seq", {[this](XMLElement& element) {
                      auto* res = static_cast<ImageExRes*>(mCurResGroupList->back());
                      return ReadSeqElement(element, res);
                  }}}};
    mLevelKinds = {{"Level", {[this](XMLElement& element) { return ReadLevelElement(element); }}}};
    mRecordKinds[ResType_ImageEx] = {
        [](BaseRes& res) { return static_cast<ImageExRes&>(res).mImageEx != nullptr; },
        [this](BaseRes& res) { return LoadImageExRecord(&static_cast<ImageExRes&>(res)); }};
    mRecordKinds[ResType_Level] = {
        [](BaseRes& res) { return static_cast<LevelRes&>(res).mLevel != nullptr; },
        [this](BaseRes& res) { return LoadLevelRecord(&static_cast<LevelRes&>(res)); }};
    mRecordKinds[ResType_Particle] = {
        [](BaseRes& res) { return static_cast<ParticleSystemRes&>(res).mSystem != nullptr; },
        [this](BaseRes& res) { return LoadParticleRecord(&static_cast<ParticleSystemRes&>(res)); }};
}

zmResourceManager::~zmResourceManager() {
    for (ResMap* map : {&mLevelMap, &mParticleMap}) {
        for (auto& [id, res] : *map) {
            res->DeleteResource();
        }
        map->clear();
    }
}

bool zmResourceManager::ReadImageExElement(XMLElement& element) {
    auto* res = new ImageExRes();
    if (!ReadCommonAttributes(element, res, mImageMap)) {
        return false;
    }
    ReadImageAttributes(element, res);
    res->mAnimInfo.mAnimType = AnimNone;
    if (const std::string* v = FindAttribute(element, "particle")) {
        res->mParticle = *v;
    }

    return ReadElements(mSeqKinds);
}

bool zmResourceManager::ReadSeqElement(XMLElement& element, ImageExRes* res) {
    SeqRes seq;
    const std::string* id = FindAttribute(element, "id");
    if (id == nullptr) {
        return Fail("No id specified.");
    }
    seq.mId = *id;
    AnimInfo& anim = seq.mAnimInfo;
    anim.mAnimType = AnimNone;
    if (const std::string* v = FindAttribute(element, "anim")) {
        const std::string type = Lower(*v);
        if (type == "none") {
            anim.mAnimType = AnimNone;
        } else if (type == "once") {
            anim.mAnimType = AnimOnce;
        } else if (type == "loop") {
            anim.mAnimType = AnimLoop;
        } else if (type == "pingpong") {
            anim.mAnimType = AnimPingPong;
        } else {
            return Fail("Invalid animation type.");
        }
    }
    const int32_t cels = std::max(res->mRows, res->mCols);
    int32_t beginDelay = 0;
    int32_t endDelay = 0;
    if (const std::string* v = FindAttribute(element, "framedelay")) {
        anim.mFrameDelay = ReadDecimal(*v);
    }
    if (const std::string* v = FindAttribute(element, "begindelay")) {
        beginDelay = ReadDecimal(*v);
    }
    if (const std::string* v = FindAttribute(element, "enddelay")) {
        endDelay = ReadDecimal(*v);
    }
    std::vector<int32_t> delays;
    if (const std::string* v = FindAttribute(element, "perframedelay")) {
        delays = ReadDecimalList(*v);
    }
    if (const std::string* v = FindAttribute(element, "framemap")) {
        anim.mFrameMap = ReadDecimalList(*v);
    }
    // A ping-pong map is twice the cel count; every list is built only below the limit.
    if (cels > kMaxSeqFrames || anim.mFrameMap.size() > size_t{kMaxSeqFrames} ||
        delays.size() > size_t{kMaxSeqFrames}) {
        return Fail(StrFormat("Too many frames in sequence '%s'.", seq.mId.c_str()));
    }
    for (size_t i = 0; i < delays.size(); ++i) {
        anim.SetPerFrameDelay(static_cast<int32_t>(i), delays[i]);
    }
    anim.Compute(cels, beginDelay, endDelay);
    res->mSequences.push_back(std::move(seq));
    return true;
}

bool zmResourceManager::ReadParticleElement(XMLElement& element) {
    return ReadCommonAttributes(element, new ParticleSystemRes(), mParticleMap);
}

bool zmResourceManager::LoadImageExRecord(ImageExRes* res) {
    // Without its image an animated image has nothing to draw; the error is recorded.
    if (!LoadImageRecord(res)) {
        return false;
    }
    auto imageEx = std::make_unique<zmImageEx>();
    imageEx->mImage = res->mImage.GetImage();
    const int32_t cols = std::max(res->mCols, 1);
    imageEx->mAnimations.reserve(res->mSequences.size());
    for (const SeqRes& seq : res->mSequences) {
        const AnimInfo& anim = seq.mAnimInfo;
        zmImageEx::Animation& entry = imageEx->mAnimations.emplace_back();
        entry.mFrames.resize(static_cast<size_t>(std::max(anim.mFrameCount, 0)));
        for (size_t i = 0; i < entry.mFrames.size(); ++i) {
            const int32_t cel =
                i < anim.mFrameMap.size() ? anim.mFrameMap[i] : static_cast<int32_t>(i);
            zmImageEx::Frame& frame = entry.mFrames[i];
            frame.mRow = cel / cols;
            frame.mColumn = cel % cols;
            frame.mDelay =
                i < anim.mPerFrameDelay.size() ? anim.mPerFrameDelay[i] : anim.mFrameDelay;
        }
    }
    if (!res->mParticle.empty() && mHost != nullptr) {
        if (ParticleRegistry* registry = mHost->GetParticleRegistry()) {
            imageEx->mParticleSystem = registry->CreateParticleSystem(res->mParticle, 0, 0);
        }
    }
    res->mImageEx = std::move(imageEx);
    return true;
}

bool zmResourceManager::LoadParticleRecord(ParticleSystemRes* res) {
    ParticleRegistry* registry = mHost != nullptr ? mHost->GetParticleRegistry() : nullptr;
    if (registry == nullptr) {
        return true;
    }
    // Null when the registry is full: the record then stays unloaded.
    res->mSystem = registry->CreateParticleSystem(res->mPath, 0, 0);
    if (res->mSystem != nullptr && !res->mSystem->GetLoadError().empty()) {
        return Fail(res->mSystem->GetLoadError());
    }
    ResourceLoadedHook(res);
    return true;
}

void zmResourceManager::DeleteGroupResources(const std::string& group) {
    // The base unloads images, sounds and fonts and forgets the group.
    DeleteGroupInMap(mLevelMap, group);
    DeleteGroupInMap(mParticleMap, group);
    ResourceManager::DeleteGroupResources(group);
}

void zmResourceManager::ThrowNotFound(const std::string& text) {
    Fail(text);
    throw ResourceManagerException(GetErrorText());
}

zmImageEx* zmResourceManager::LookupImageEx(const std::string& id) {
    auto it = mImageMap.find(id);
    if (it != mImageMap.end() && it->second->mType == ResType_ImageEx) {
        if (zmImageEx* imageEx = static_cast<ImageExRes*>(it->second.get())->mImageEx.get()) {
            return imageEx;
        }
    }
    ThrowNotFound("ImageEx resource not found: " + id);
}

zmParticleSystem* zmResourceManager::LookupParticle(const std::string& id) {
    auto it = mParticleMap.find(id);
    if (it != mParticleMap.end()) {
        if (zmParticleSystem* system = static_cast<ParticleSystemRes*>(it->second.get())->mSystem) {
            return system;
        }
    }
    ThrowNotFound("Particle resource not found: " + id);
}

}  // namespace Vesk
