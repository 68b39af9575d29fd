#include "game/app/CHighScoresDialog.h"

#include <algorithm>

#include "game/app/CMainMenu.h"
#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "platform/TextEncoding.h"
#include "util/Common.h"
#include "widgets/DialogButton.h"
#include "widgets/WidgetManager.h"

namespace Vesk {

namespace {

constexpr int kDialogX = 229;
constexpr int kDialogY = 49;
constexpr int kFirstBaseline = 108;
constexpr int kBulletX = 26;
constexpr int kBulletRise = 8;
constexpr int kNameX = 46;
constexpr int kScoreRight = 294;

}  // namespace

CHighScoresDialog::CHighScoresDialog(const std::string& header, const std::string& footer)
    : zmDialog(IMAGE_HIGHSCORES_BG, kDialogId, header, "", footer),
      mOk(std::make_unique<DialogButton>(nullptr, 0, this)) {
    Resize(kDialogX, kDialogY, IMAGE_HIGHSCORES_BG != nullptr ? IMAGE_HIGHSCORES_BG->GetWidth() : 0,
           IMAGE_HIGHSCORES_BG != nullptr ? IMAGE_HIGHSCORES_BG->GetHeight() : 0);
    mOk->mButtonImage = IMAGE_OK;
    mOk->mOverImage = IMAGE_OK_OVER;
    mOk->mDownImage = IMAGE_OK_PRESSED;
    mOk->Resize(135, 364, IMAGE_OK_PRESSED != nullptr ? IMAGE_OK_PRESSED->GetWidth() : 0,
                IMAGE_OK_PRESSED != nullptr ? IMAGE_OK_PRESSED->GetHeight() : 0);
}

CHighScoresDialog::~CHighScoresDialog() {
    RemoveAllWidgets(false, false);
    mOk.reset();
    if (GameApp* app = GetGameApp()) {
        app->ClearHighScores();
    }
}

GameApp& CHighScoresDialog::App() const {
    return *GetGameApp();
}

void CHighScoresDialog::AddedToManager(WidgetManager* manager) {
    zmDialog::AddedToManager(manager);
    GameApp& app = App();
    // Damage is logged and told where it is found, once a run; the list shows the sound records.
    static_cast<void>(app.LoadHighScores());
    app.SortHighScores();
    mRows = static_cast<int>(std::min<size_t>(app.mHighScores.size(), kMaxRows));
    AddWidget(mOk.get());
}

void CHighScoresDialog::Draw(Graphics* g) {
    zmDialog::Draw(g);
    Font* font = FONT_SMALL;
    if (font == nullptr) {
        return;
    }
    g->SetFont(font);
    g->SetColor(Color(255, 255, 255, 255));
    const GameApp& app = App();
    int y = font->GetAscent() + kFirstBaseline;
    for (int i = 0; i < mRows && static_cast<size_t>(i) < app.mHighScores.size(); ++i) {
        const HighScoreRecord& record = *app.mHighScores[static_cast<size_t>(i)];
        if (IMAGE_LISTITEM != nullptr) {
            g->DrawImage(IMAGE_LISTITEM, kBulletX, y - kBulletRise);
        }
        g->DrawString(platform::text::UpperCp1252(record.mName), kNameX, y);
        const std::string score = StrFormat("%d", record.mScore);
        g->DrawString(score, kScoreRight - font->StringWidth(score), y);
        y += font->GetLineSpacing();
    }
}

void CHighScoresDialog::ButtonMouseEnter(int id) {
    (void)id;
    App().PlaySoundById(SOUND_BUTTON_OVER, false, false);
}

void CHighScoresDialog::ButtonDepress(int id) {
    App().PlaySoundById(SOUND_BUTTON_DOWN, false, false);
    if (id == 0) {
        Close();
    }
}

void CHighScoresDialog::Close() {
    zmDialog::Close();
    GameApp& app = App();
    if (app.mWidgetManager != nullptr && app.mMainMenu != nullptr) {
        app.mWidgetManager->SetFocus(app.mMainMenu.get());
    }
}

}  // namespace Vesk
