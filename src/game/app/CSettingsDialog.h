#pragma once

#include <memory>

#include "widgets/CheckboxListener.h"
#include "widgets/SliderListener.h"
#include "widgets/zmDialog.h"

namespace Vesk {

class Checkbox;
class DialogButton;
class GameApp;
class Image;
class Slider;

// What the options and pause dialogs share: two buttons, the sound and music sliders and the
// full-screen and help boxes at the same places. Volumes apply and are stored at once; the
// full-screen box cannot be cleared while the display forces full screen, nor set when the
// display cannot show full screen. A mode switched while the dialog is up (Alt+Enter) shows in
// the box, so that applying the box keeps it unless the player set the box again.
class CSettingsDialog : public zmDialog, public SliderListener, public CheckboxListener {
public:
    enum ControlId {
        kButton0 = 0,
        kButton1 = 1,
        kSound = 2,
        kMusic = 3,
        kFullScreen = 4,
        kHelp = 5
    };
    static constexpr int kWidth = 407;
    static constexpr int kHeight = 375;

    // A button's pictures and its place in the dialog.
    struct ButtonLook {
        Image* normal;
        Image* over;
        Image* down;
        Point place;
    };

    CSettingsDialog(Image* window, int id, const ButtonLook& first, const ButtonLook& second);
    ~CSettingsDialog() override;

    void AddedToManager(WidgetManager* manager) override;
    void RemovedFromManager(WidgetManager* manager) override;
    void Resize(int x, int y, int width, int height) override;
    void Update() override;

    void SliderVal(int id, double value) override;
    void CheckboxChecked(int id, bool checked) override;
    void ButtonMouseEnter(int id) override;

    std::unique_ptr<DialogButton> mButton0;
    std::unique_ptr<DialogButton> mButton1;
    std::unique_ptr<Slider> mSoundSlider;
    std::unique_ptr<Slider> mMusicSlider;
    std::unique_ptr<Checkbox> mFullScreenBox;
    std::unique_ptr<Checkbox> mHelpBox;
    Point mButtonPlaces[2];

protected:
    GameApp& App() const;
    // Switches to the mode the full-screen box shows.
    void ApplyScreenMode();
    // The help box changed; checked means help off.
    virtual void HelpChanged(bool checked) = 0;

private:
    // The box takes the application's mode when that changed since the box last took it.
    void FollowScreenMode();

    bool mBoxTookWindowed = false;
};

}  // namespace Vesk
