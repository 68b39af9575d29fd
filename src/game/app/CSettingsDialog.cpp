#include "game/app/CSettingsDialog.h"

#include "game/app/GameApp.h"
#include "game/app/ResourceIds.h"
#include "graphics/Image.h"
#include "widgets/Checkbox.h"
#include "widgets/DialogButton.h"
#include "widgets/Slider.h"

namespace Vesk {

namespace {

constexpr int kSliderX = 35;
constexpr int kSoundY = 110;
constexpr int kMusicY = 160;
constexpr int kSliderWidth = 265;
constexpr int kBoxX = 70;
constexpr int kFullScreenY = 228;
constexpr int kHelpY = 260;

std::unique_ptr<DialogButton> MakeButton(int id, ButtonListener* listener,
                                         const CSettingsDialog::ButtonLook& images) {
    auto button = std::make_unique<DialogButton>(nullptr, id, listener);
    button->mButtonImage = images.normal;
    button->mOverImage = images.over;
    button->mDownImage = images.down;
    return button;
}

int WidthOf(Image* image) {
    return image != nullptr ? image->GetWidth() : 0;
}

int HeightOf(Image* image) {
    return image != nullptr ? image->GetHeight() : 0;
}

// Settings keep volumes in hundredths; a hair above the product keeps 0.29 from becoming 28.
int VolumeSetting(double volume) {
    return static_cast<int>(volume * 100.0 + 1e-9);
}

}  // namespace

CSettingsDialog::CSettingsDialog(Image* window, int id, const ButtonLook& first,
                                 const ButtonLook& second)
    : zmDialog(window, id, "", "", ""), mButtonPlaces{first.place, second.place} {
    GameApp& app = App();
    mButton0 = MakeButton(kButton0, this, first);
    mButton1 = MakeButton(kButton1, this, second);
    mSoundSlider = std::make_unique<Slider>(kSound, this);
    mSoundSlider->SetValue(app.GetSfxVolume());
    mMusicSlider = std::make_unique<Slider>(kMusic, this);
    mMusicSlider->SetValue(app.GetMusicVolume());
    // Nothing sets the toolkit's default slider looks: without these the sliders are invisible.
    for (Slider* slider : {mSoundSlider.get(), mMusicSlider.get()}) {
        slider->mTrackImage = IMAGE_SLDR;
        slider->mThumbImage = IMAGE_THUMB;
    }
    mFullScreenBox = std::make_unique<Checkbox>(kFullScreen, this);
    mBoxTookWindowed = app.mIsWindowed;
    mHelpBox = std::make_unique<Checkbox>(kHelp, this);
    Resize(app.mWidth / 2 - 183, app.mHeight / 2 - 187, kWidth, kHeight);
}

CSettingsDialog::~CSettingsDialog() {
    RemoveAllWidgets(false, false);
}

GameApp& CSettingsDialog::App() const {
    return *GetGameApp();
}

void CSettingsDialog::AddedToManager(WidgetManager* manager) {
    zmDialog::AddedToManager(manager);
    GameApp& app = App();
    AddWidget(mButton0.get());
    AddWidget(mButton1.get());
    AddWidget(mSoundSlider.get());
    AddWidget(mMusicSlider.get());
    // The picture holds both looks side by side; the help box shows them the other way round,
    // so that it looks ticked while help is on.
    const int w = WidthOf(IMAGE_CHKBX);
    const int h = HeightOf(IMAGE_CHKBX);
    const Rect left(0, 0, w / 2, h);
    const Rect right(w / 2, 0, w / 2, h);
    for (Checkbox* box : {mFullScreenBox.get(), mHelpBox.get()}) {
        box->mCheckedImage = IMAGE_CHKBX;
        box->mUncheckedImage = IMAGE_CHKBX;
    }
    mFullScreenBox->mCheckedRect = left;
    mFullScreenBox->mUncheckedRect = right;
    mHelpBox->mCheckedRect = right;
    mHelpBox->mUncheckedRect = left;
    mFullScreenBox->SetChecked(!app.mIsWindowed, false);
    mBoxTookWindowed = app.mIsWindowed;
    mHelpBox->SetChecked(app.mShowHelp == 0, false);
    AddWidget(mFullScreenBox.get());
    AddWidget(mHelpBox.get());
}

void CSettingsDialog::RemovedFromManager(WidgetManager* manager) {
    zmDialog::RemovedFromManager(manager);
    RemoveAllWidgets(false, false);
}

void CSettingsDialog::Resize(int x, int y, int width, int height) {
    zmDialog::Resize(x, y, width, height);
    if (mButton0 == nullptr) {
        return;
    }
    for (DialogButton* button : {mButton0.get(), mButton1.get()}) {
        const Point place = mButtonPlaces[button->mId == kButton0 ? 0 : 1];
        button->Resize(place.mX, place.mY, WidthOf(button->mButtonImage),
                       HeightOf(button->mButtonImage));
    }
    const int thumbHeight = HeightOf(IMAGE_THUMB);
    mSoundSlider->Resize(kSliderX, kSoundY, kSliderWidth, thumbHeight);
    mMusicSlider->Resize(kSliderX, kMusicY, kSliderWidth, thumbHeight);
    const int boxWidth = WidthOf(IMAGE_CHKBX) / 2;
    const int boxHeight = HeightOf(IMAGE_CHKBX);
    mFullScreenBox->Resize(kBoxX, kFullScreenY, boxWidth, boxHeight);
    mHelpBox->Resize(kBoxX, kHelpY, boxWidth, boxHeight);
}

void CSettingsDialog::Update() {
    FollowScreenMode();
    zmDialog::Update();
}

void CSettingsDialog::FollowScreenMode() {
    const bool windowed = App().mIsWindowed;
    if (windowed != mBoxTookWindowed) {
        mBoxTookWindowed = windowed;
        mFullScreenBox->SetChecked(!windowed, false);
    }
}

void CSettingsDialog::ApplyScreenMode() {
    // A switch in the step that pressed the button has not reached the box yet.
    FollowScreenMode();
    App().SwitchScreenModeWindowed(!mFullScreenBox->IsChecked());
}

void CSettingsDialog::SliderVal(int id, double value) {
    GameApp& app = App();
    if (id == kMusic) {
        app.SetMusicVolume(value);
        app.RegistryWriteInteger("MusicVolume", VolumeSetting(value));
    } else if (id == kSound) {
        app.SetSfxVolume(value);
        app.RegistryWriteInteger("SfxVolume", VolumeSetting(value));
        if (!mSoundSlider->mDragging) {
            app.PlaySoundById(SOUND_BEEP, false, false);
        }
    }
}

void CSettingsDialog::CheckboxChecked(int id, bool checked) {
    if (id == kFullScreen) {
        // A switch the box has not shown yet (Alt+Enter queued just before the click) counts as
        // shown: the click turns the mode the game is in, as the player saw it on the screen.
        if (App().mIsWindowed != mBoxTookWindowed) {
            mBoxTookWindowed = App().mIsWindowed;
            checked = mBoxTookWindowed;
            mFullScreenBox->SetChecked(checked, false);
        }
        // The box shows the mode the display can give.
        if (!checked && App().mForceFullscreen) {
            mFullScreenBox->SetChecked(true, true);
        } else if (checked && App().mFullScreenImpossible) {
            mFullScreenBox->SetChecked(false, true);
        }
    } else if (id == kHelp) {
        HelpChanged(checked);
    }
}

void CSettingsDialog::ButtonMouseEnter(int id) {
    (void)id;
    App().PlaySoundById(SOUND_BUTTON_OVER, false, false);
}

}  // namespace Vesk
