#include "game/app/CCredits.h"

#include <algorithm>
#include <cmath>

#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIdTable.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/Clock.h"
#include "platform/VirtualKeys.h"
#include "resources/XMLParser.h"
#include "resources/zmResourceManager.h"
#include "sound/MusicInterface.h"
#include "util/CommonText.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

bool ReadItemAttributes(const XMLElement& element, CCredits::Item& item, std::string& error) {
    for (const auto& [rawName, value] : element.mAttributes) {
        const std::string name = StringToLower(rawName);
        if (name == "align") {
            const std::string align = StringToLower(value);
            item.align = align == "left"    ? CCredits::LEFT
                         : align == "right" ? CCredits::RIGHT
                                            : CCredits::CENTER;
        } else if (name == "delay") {
            int32_t delay = 0;
            item.delay = StringToInt(value, delay) ? std::max(delay, 0) : 0;
        } else if (name == "id" && item.kind == CCredits::IMAGE) {
            // Only an id bound to a loaded plain image is drawn as one.
            const int id = GetIdByString(value);
            if (id >= kResourceIdCount || kResourceIdEntries[id].mKind != ResourceKind::Image ||
                GetResourceById(id) == 0) {
                error = "Unknown image in the credits: " + value;
                return false;
            }
            item.image = reinterpret_cast<Image*>(GetResourceById(id));
        } else if (name == "string" && item.kind == CCredits::TEXT) {
            item.text = value;
        }
    }
    if (item.kind == CCredits::IMAGE && item.image == nullptr) {
        error = "An image of the credits has no id";
        return false;
    }
    return true;
}

}  // namespace

int CCredits::Item::Width() const {
    switch (kind) {
        case IMAGE:
            return image != nullptr ? image->GetWidth() : 0;
        case TEXT:
            return font != nullptr ? font->StringWidth(text) : 0;
        default:
            return 0;
    }
}

double CCredits::Item::Height() const {
    switch (kind) {
        case IMAGE:
            return image != nullptr ? image->GetHeight() : 0;
        case TEXT:
            return font != nullptr ? font->GetAscent() : 0;
        default:
            return breakHeight;
    }
}

CCredits::CCredits() : CScreen(false) {}

CCredits::~CCredits() {
    // The next showing builds a new screen.
    GameApp* app = GetGameApp();
    if (app != nullptr && app->mCredits.get() == this) {
        (void)app->mCredits.release();
    }
}

bool CCredits::ReadScript(std::string_view text, std::vector<Item>& items, std::string& error) {
    items.clear();
    XMLParser parser;
    parser.SetString(text);
    XMLElement element;
    bool inRoot = false;
    // The start tag waiting for its end tag.
    std::string open;
    while (parser.NextElement(&element)) {
        if (element.mType != XMLElement::TYPE_START && element.mType != XMLElement::TYPE_END) {
            continue;
        }
        const std::string name = StringToLower(element.mValue);
        if (!inRoot) {
            inRoot = element.mType == XMLElement::TYPE_START && name == "credits";
            continue;
        }
        if (!open.empty()) {
            if (element.mType != XMLElement::TYPE_END || name != open) {
                error = "The credits item " + open + " is not closed";
                return false;
            }
            open.clear();
            continue;
        }
        if (element.mType == XMLElement::TYPE_END) {
            if (name == "credits") {
                return true;
            }
            error = "Unexpected end tag in the credits: " + element.mValue;
            return false;
        }
        Item item;
        if (name == "image") {
            item.kind = IMAGE;
        } else if (name == "text") {
            item.kind = TEXT;
        } else if (name == "br") {
            item.kind = BREAK;
        } else {
            error = "Unknown element in the credits: " + element.mValue;
            return false;
        }
        if (!ReadItemAttributes(element, item, error)) {
            return false;
        }
        items.push_back(std::move(item));
        open = name;
    }
    if (parser.HasFailed()) {
        error = parser.GetErrorText();
        return false;
    }
    if (!inRoot) {
        error = "The credits have no Credits element";
        return false;
    }
    if (!open.empty()) {
        error = "The credits item " + open + " is not closed";
        return false;
    }
    // The end of the text closes the root as well.
    return true;
}

bool CCredits::LoadResources() {
    GameApp* app = GetGameApp();
    return app != nullptr && app->mResourceManager->LoadGroup("Credits") &&
           ExtractCreditsResources(app->mResourceManager.get());
}

uint32_t CCredits::MusicLevel() {
    GameApp* app = GetGameApp();
    return app != nullptr && app->mMusicInterface != nullptr
               ? app->mMusicInterface->GetSongLevel(kTrack)
               : 0;
}

void CCredits::AddedToManager(WidgetManager* manager) {
    zmWidget::AddedToManager(manager);
    GameApp* app = GetGameApp();
    if (!LoadResources()) {
        if (app != nullptr) {
            app->ShowResourceError(true);
        }
        return;
    }
    mRunning = ReadScript(kBuiltInScript, mItems, mScriptError);
    if (app != nullptr) {
        app->SwitchMusic(kTrack);
    }
    for (Item& item : mItems) {
        if (item.kind == TEXT) {
            item.font = FONT_SHOWCARDGOTHIC;
        }
    }
    // A board left paused for the menu runs again; it keeps no pointer to deleted objects.
    if (app != nullptr) {
        if (auto* board = dynamic_cast<Board*>(app->mBoard.get());
            board != nullptr && board->IsPaused()) {
            board->SetPaused(false);
        }
    }
}

void CCredits::RemovedFromManager(WidgetManager* manager) {
    zmWidget::RemovedFromManager(manager);
    GameApp* app = GetGameApp();
    if (app == nullptr) {
        return;
    }
    // From here the safe-delete list owns it.
    if (app->mCredits.get() == this) {
        (void)app->mCredits.release();
    }
    app->SafeDeleteWidget(this);
}

void CCredits::KeyDown(int key) {
    if (mFadeState == FADE_IDLE && (key == platform::vk::Space || key == platform::vk::Escape)) {
        Leave();
    }
}

void CCredits::Leave() {
    if (mFadeState != FADE_IDLE) {
        return;
    }
    GameApp* app = GetGameApp();
    LeaveTo(app != nullptr ? app->GetScreen<CMainMenu>() : nullptr);
}

bool CCredits::PrepareHandOver(Widget* next) {
    GameApp* app = GetGameApp();
    if (next == nullptr || app == nullptr) {
        return false;
    }
    app->mResourceManager->DeleteGroupResources("Credits");
    return true;
}

void CCredits::UpdateF(float fraction) {
    zmWidget::UpdateF(fraction);
    Scroll(fraction);
}

uint32_t CCredits::TickMs() const {
    const GameApp* app = GetGameApp();
    return app != nullptr ? app->GetGameTickMs() : platform::NowMs();
}

void CCredits::Scroll(double fraction) {
    if (mFinished) {
        return;
    }
    if (mCurrentDelay == 0) {
        mScrollPos -= kSpeed * fraction;
    } else if (TickMs() - mDelayStart > static_cast<uint32_t>(mCurrentDelay) * 1000u) {
        mCurrentDelay = 0;
        mScrollPos -= kSpeed * fraction + kSpeed;
    }
}

void CCredits::Layout() {
    if (!mRunning || mPassedCount == static_cast<int>(mItems.size())) {
        Leave();
        return;
    }
    double y = mScrollPos;
    const double top = kAreaTop;
    const double bottom = kAreaTop + kAreaHeight;
    for (Item& item : mItems) {
        if (item.passed) {
            continue;
        }
        if (item.kind == BREAK) {
            item.breakHeight = std::clamp(bottom - y, 0.0, static_cast<double>(kAreaHeight));
        }
        const double h = item.Height();
        const double centred = kAreaTop + kAreaHeight / 2 - h / 2;
        // A fast step may jump over the narrow centring window: crossing the middle counts too.
        const bool atCentre =
            std::abs(y - centred) < kSpeed || (item.laid && item.lastY > centred && y < centred);
        if (atCentre && mCurrentDelay == 0 && item.delay != 0 && !item.delayStarted) {
            item.delayStarted = true;
            mCurrentDelay = item.delay;
            mDelayStart = TickMs();
        }
        item.lastY = y;
        item.laid = true;
        if (y + h >= top && y <= bottom) {
            item.visible = true;
            y += h + kSpacing;
        } else if (y + h < top) {
            if (item.visible) {
                y += h + kSpacing;
                mScrollPos = y;
                item.passed = true;
                ++mPassedCount;
            }
            item.visible = false;
        } else {
            item.visible = false;
        }
    }
    if (mPassedCount == static_cast<int>(mItems.size())) {
        mFinished = true;
    }
}

void CCredits::RippleStep() {
    const uint32_t level = MusicLevel();
    const uint32_t left = level & 0xFFFF;
    const uint32_t right = level >> 16;
    if (left > kLoudPeak && right > kLoudPeak && left != kNoLevel && right != kNoLevel &&
        mRipple.IsIdle()) {
        GameApp* app = GetGameApp();
        const int r1 = app != nullptr ? app->mGameRandom.Next() : 0;
        const int r2 = app != nullptr ? app->mGameRandom.Next() : 0;
        // The patch stays wholly on the screen.
        mRippleX = CRipple::kSize + r1 % (kAreaWidth - 3 * CRipple::kSize / 2);
        mRippleY = CRipple::kSize + r2 % (kAreaHeight - 2 * CRipple::kSize);
        mRipple.Drop();
    }
    mRipple.Step();
}

void CCredits::Update() {
    zmWidget::Update();
    Layout();
    RippleStep();
    MarkDirty();
}

}  // namespace Vesk
