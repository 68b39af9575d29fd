#include "game/app/CHelpWidget.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "app/VeskAppBase.h"
#include "game/app/ResourceIds.h"
#include "game/core/Board.h"
#include "game/core/CBonusIconBubble.h"
#include "game/core/CBonusIconBuxpb.h"
#include "game/core/CBonusIconSlomo.h"
#include "game/core/CEffectiveProgressBar.h"
#include "game/core/CLevelProgressBar.h"
#include "game/core/CTable.h"
#include "game/core/GameMath.h"
#include "game/core/GameMedia.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "platform/Clock.h"
#include "resources/zmImageEx.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

uint32_t Tick() {
    return gVeskAppBase != nullptr ? gVeskAppBase->GetGameTickMs() : platform::NowMs();
}

constexpr uint32_t kAllTopics[] = {CHelpWidget::kBubble,         CHelpWidget::kWhirlwind,
                                   CHelpWidget::kSlowMotion,     CHelpWidget::kMatch3,
                                   CHelpWidget::kMatch3Plus,     CHelpWidget::kGameBar,
                                   CHelpWidget::kEffectivityBar, CHelpWidget::kSpellShield};

bool SameSign(int32_t a, int32_t b) {
    return (a > 0 && b > 0) || (a < 0 && b < 0);
}

}  // namespace

const char* CHelpWidget::TopicTextId(uint32_t topic) {
    switch (topic) {
        case kBubble:
            return "BUBBLE HELP";
        case kWhirlwind:
            return "WIND HELP";
        case kSlowMotion:
            return "SLOMO HELP";
        case kMatch3:
            return "MATCH3 HELP";
        case kMatch3Plus:
            return "MATCH3PLUS HELP";
        case kGameBar:
            return "GAMEBAR HELP";
        case kEffectivityBar:
            return "EFFBAR HELP";
        case kSpellShield:
            return "SPELLSHIELD HELP";
        default:
            return "";
    }
}

CHelpWidget::Layout CHelpWidget::PlaceBubble(const Geometry& geo) {
    Layout out;
    const int32_t w = geo.bubbleWidth;
    const int32_t h = geo.bubbleHeight;
    const int32_t tx = geo.targetX;
    const int32_t ty = geo.targetY;
    int32_t bx = tx < geo.areaWidth / 2 ? tx + (geo.areaWidth - tx - w) / 2 : (tx - w) / 2;
    int32_t by = ty < geo.areaHeight / 2 ? ty + (geo.areaHeight - ty - h) / 2 : (ty - h) / 2;
    int32_t dx = 0;
    int32_t dy = 0;
    switch (geo.arrowMode) {
        case 1:
            dy = geo.areaHeight / 2;
            break;
        case 2:
            dy = -(geo.areaHeight / 2);
            break;
        case 3:
            dx = -(geo.areaWidth / 2);
            break;
        case 4:
            dx = geo.areaWidth / 2;
            break;
        default:
            dx = tx - w / 2 - bx;
            dy = ty - h / 2 - by;
            break;
    }
    const int32_t d = FastDistance(dx, dy);
    int32_t ox = 0;
    int32_t oy = 0;
    // A target on the bubble's centre has no direction: the arrow sits on the target.
    if (d != 0) {
        ox = geo.arrowHeight * dx / d;
        oy = geo.arrowHeight * dy / d;
    }
    out.arrowX = tx - geo.celWidth / 2 - ox;
    out.arrowY = ty - geo.celHeight / 2 - oy;
    // Compared by cross products, so a flat or upright arrow divides by nothing.
    if (std::abs(ox) * h > w * std::abs(oy)) {
        const int32_t nx = tx - 2 * ox - (ox > 0 ? w : 0);
        if (ox != 0 && SameSign(nx - bx, ox)) {
            by += (nx - bx) * oy / ox;
            bx = nx;
        }
    } else if (oy != 0) {
        const int32_t ny = ty - 2 * oy - (oy > 0 ? h : 0);
        if (SameSign(ny - by, oy)) {
            bx += (ny - by) * ox / oy;
            by = ny;
        }
    }
    out.bubbleX = bx;
    out.bubbleY = by;
    const double pi = std::numbers::pi;
    if (dy < 0) {
        out.angle = std::atan(static_cast<double>(dx) / dy);
    } else if (dy > 0) {
        out.angle = std::atan(static_cast<double>(dx) / dy) + pi;
    } else {
        out.angle = dx <= 0 ? pi / 2 : 3 * pi / 2;
    }
    return out;
}

CHelpWidget::CHelpWidget(Board& board) : mBoard(board) {
    if (IMAGE_HELP_ARROW != nullptr) {
        mArrow = std::make_unique<zmImageEx>();
        mArrow->Assign(*IMAGE_HELP_ARROW);
        mArrow->Play(0, Tick(), true, 0.0);
    }
    FillTopicQueue();
}

CHelpWidget::~CHelpWidget() {
    RemoveAllWidgets(false, false);
}

void CHelpWidget::FillTopicQueue() {
    if (!mTopics.empty()) {
        return;
    }
    mShowing = false;
    mTopics.assign(std::begin(kAllTopics), std::end(kAllTopics));
}

uint32_t CHelpWidget::SaveTopics() const {
    uint32_t mask = 0;
    for (uint32_t topic : mTopics) {
        mask |= topic;
    }
    return mask;
}

void CHelpWidget::LoadTopics(uint32_t mask) {
    mTopics.clear();
    for (uint32_t topic : kAllTopics) {
        if ((mask & topic) != 0) {
            mTopics.push_back(topic);
        }
    }
}

void CHelpWidget::RemovedFromManager(WidgetManager* manager) {
    RemoveAllWidgets(false, false);
    BoardHelp::RemovedFromManager(manager);
}

bool CHelpWidget::TopicReady(uint32_t topic, int32_t& targetX, int32_t& targetY,
                             int32_t& arrowMode) {
    arrowMode = 0;
    GameMedia& media = mBoard.Media();
    const auto iconReady = [&](const CBonusIcon* icon) {
        if (icon == nullptr || icon->state != CBonusIcon::Shown) {
            return false;
        }
        icon->PictureCentre(media, targetX, targetY);
        return true;
    };
    // The middle of the line's centre cell; a line made before a load is not known: wait.
    const auto onCell = [&](const std::optional<Point>& at) {
        if (!at || mBoard.GetTable() == nullptr) {
            return false;
        }
        targetX = at->mX + 21;
        targetY = at->mY + 21;
        return true;
    };
    const auto& counts = mBoard.counters.matchCounts;
    switch (topic) {
        case kBubble:
            return iconReady(mBoard.GetBubbleIcon());
        case kWhirlwind:
            return iconReady(mBoard.GetWhirlwindIcon());
        case kSlowMotion:
            return iconReady(mBoard.GetSlowMotionIcon());
        case kMatch3:
            return counts[0] != 0 && onCell(mBoard.lastThreeAt);
        case kMatch3Plus:
            return (counts[1] != 0 || counts[2] != 0 || counts[3] != 0 || counts[4] != 0) &&
                   onCell(mBoard.lastBigAt);
        case kGameBar: {
            const CLevelProgressBar* bar = mBoard.GetLevelBar();
            if (bar == nullptr || bar->GetValue() <= 0.01) {
                return false;
            }
            targetX = bar->GetTopX();
            targetY = bar->GetTopY();
            return true;
        }
        case kEffectivityBar: {
            const CEffectiveProgressBar* bar = mBoard.GetEffectivityBar();
            if (bar == nullptr || bar->GetValue() <= 200) {
                return false;
            }
            const Image* label = media.GetImage(GameImage::EffectivePbCoef2);
            targetX = bar->x + 430 + (label != nullptr ? label->GetWidth() / 2 : 0);
            targetY = bar->y - 30 + (label != nullptr ? label->GetHeight() / 2 : 0);
            return true;
        }
        case kSpellShield: {
            const Widget* overlay = mBoard.GetOverlay(BoardOverlay::Kind::Knockdown);
            if (overlay == nullptr || !mBoard.HasWidget(overlay)) {
                return false;
            }
            targetX = overlay->mX + overlay->mWidth / 2;
            targetY = overlay->mY + overlay->mHeight / 2;
            arrowMode = 1;
            return true;
        }
        default:
            return false;
    }
}

void CHelpWidget::Update() {
    BoardHelp::Update();
    if (!mShowing && mBoard.boardState == Board::kPlaying) {
        if (mTopics.empty()) {
            mBoard.helpShown = false;
            mBoard.RemoveWidget(this);
            return;
        }
        for (auto it = mTopics.begin(); it != mTopics.end(); ++it) {
            int32_t tx = 0;
            int32_t ty = 0;
            int32_t mode = 0;
            if (TopicReady(*it, tx, ty, mode)) {
                const uint32_t topic = *it;
                mTopics.erase(it);
                ShowTopic(topic, tx, ty, mode);
                break;
            }
        }
    }
    if (mShowing && mArrow != nullptr) {
        mArrow->Update(Tick());
        MarkDirty();
    }
}

void CHelpWidget::ShowTopic(uint32_t topic, int32_t targetX, int32_t targetY, int32_t arrowMode) {
    mBoard.SetPaused(true);
    Resize(0, 0, mBoard.mWidth, mBoard.mHeight);
    mBoard.BringToFront(this);
    mShownAt = Tick();
    mShowing = true;
    mTextId = TopicTextId(topic);
    mTargetX = targetX;
    mTargetY = targetY;
    mArrowMode = arrowMode;
    if (mWidgetManager != nullptr) {
        mWidgetManager->SetFocus(this);
    }
    BuildBubble(arrowMode);
}

void CHelpWidget::BuildBubble(int32_t arrowMode) {
    const std::string text = VeskAppBase::GetString(mTextId);
    Image* top = IMAGE_HELPWND_TOP;
    Image* centre = IMAGE_HELPWND_CENTER;
    Image* bottom = IMAGE_HELPWND_BOTTOM;
    Font* font = FONT_BASIC;
    const int32_t topH = top != nullptr ? top->GetHeight() : 0;
    const int32_t bottomH = bottom != nullptr ? bottom->GetHeight() : 0;
    const int32_t w = centre != nullptr ? centre->GetWidth() : 0;
    int32_t textH = 0;
    if (font != nullptr) {
        Graphics measure;
        measure.SetFont(font);
        textH = measure.GetWordWrappedHeight(text, w - kTextMargin) + font->GetLineSpacing();
    }
    const int32_t h = textH + topH + bottomH;
    const Rect cel = mArrow != nullptr ? mArrow->GetCelRect() : Rect(0, 0, 0, 0);
    mLayout = PlaceBubble({mWidth, mHeight, mTargetX, mTargetY, w, h, arrowMode,
                           mArrow != nullptr ? mArrow->GetHeight() : 0, cel.mWidth, cel.mHeight});
    if (w <= 0 || h <= 0) {
        mBubble.reset();
        return;
    }
    auto bubble = std::make_unique<MemoryImage>();
    bubble->Create(w, h);
    Graphics g(bubble.get());
    if (top != nullptr) {
        g.DrawImage(top, 0, 0);
    }
    if (centre != nullptr) {
        g.DrawImagePart(centre, 0, topH, Rect(0, 0, w, h - topH - bottomH));
    }
    // The bottom slice sits on the bottom edge whatever the top slice's height.
    if (bottom != nullptr) {
        g.DrawImage(bottom, 0, h - bottomH);
    }
    if (font != nullptr) {
        g.SetFont(font);
        g.SetColor(Color(220, 220, 220));
        const int32_t baseline = topH + font->GetLineSpacing();
        g.WriteWordWrapped(Rect(kTextX, baseline - font->GetAscent(), w - kTextMargin, 0), text);
    }
    mBubble = std::move(bubble);
}

void CHelpWidget::Draw(Graphics* g) {
    if (!mShowing) {
        return;
    }
    if (mBubble != nullptr) {
        g->DrawImage(mBubble.get(), mLayout.bubbleX, mLayout.bubbleY);
    }
    if (mArrow != nullptr && mArrow->mImage != nullptr) {
        const Rect cel = mArrow->GetCelRect();
        g->DrawImageRotated(mArrow->mImage, mLayout.arrowX, mLayout.arrowY, mLayout.angle, &cel);
    }
}

void CHelpWidget::KeyDown(int key) {
    BoardHelp::KeyDown(key);
    Dismiss();
}

void CHelpWidget::MouseDown(int x, int y, int clickCount) {
    BoardHelp::MouseDown(x, y, clickCount);
    if (mShowing) {
        Dismiss();
    }
}

void CHelpWidget::Dismiss() {
    if (!mShowing || Tick() - mShownAt < kDismissDelayMs) {
        return;
    }
    mBubble.reset();
    mArrowMode = 0;
    mShowing = false;
    if (mWidgetManager != nullptr) {
        mWidgetManager->SetFocus(&mBoard);
    }
    Resize(0, 0, 0, 0);
    mBoard.SetPaused(false);
}

}  // namespace Vesk
