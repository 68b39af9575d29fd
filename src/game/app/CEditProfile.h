#pragma once

#include <memory>
#include <string>

#include "widgets/ButtonListener.h"
#include "widgets/EditListener.h"
#include "widgets/ListListener.h"
#include "widgets/zmDialog.h"

namespace Vesk {

class DialogButton;
class EditWidget;
class GameApp;
class zmListWidget;
class zmScrollbarWidget;

// The player profiles over the main menu: one line per "profiles/*.sav", a field for a new
// name, CREATE, DELETE, OK and CANCEL. Creating or selecting a profile makes it the current
// player at once, whichever button closes the dialog.
class CEditProfile : public zmDialog, public EditListener, public ListListener {
public:
    enum ButtonId { CREATE = 0, DELETE = 2, OK = 3, CANCEL = 4 };
    static constexpr int kDialogId = 5;
    static constexpr int kMaxNameLength = 11;
    static constexpr const char* kSuffix = ".sav";

    CEditProfile(const std::string& header, const std::string& footer);
    ~CEditProfile() override;

    void AddedToManager(WidgetManager* manager) override;
    void Update() override;
    void KeyDown(int key) override;
    void Close() override;

    void ButtonDepress(int id) override;
    void ButtonMouseEnter(int id) override;
    void EditText(int id, const std::string& text) override;
    bool AllowChar(int id, char character) override;
    void ListClicked(int id, int lineIndex, int clickCount) override;

    // Fills the list from the folder, making the folder when it is missing.
    void ScanProfiles();
    // No line equals the name ignoring case, so no second profile can name the same file.
    bool IsNameFree(const std::string& name);
    void CreateProfile();
    void DeleteSelected();
    // The list line as the current player; "profiles/game.dat" is written at once.
    void ListSelect(int index);

    EditWidget& NameEdit() { return *mNameEdit; }
    zmListWidget& List() { return *mList; }
    DialogButton& Button(int id);

private:
    GameApp& App() const;
    // The profile's file, its name resolved ignoring case; empty for a name that is no plain
    // file name.
    std::string ProfilePath(const std::string& name) const;

    std::unique_ptr<EditWidget> mNameEdit;
    std::unique_ptr<zmListWidget> mList;
    std::unique_ptr<zmScrollbarWidget> mScrollbar;
    std::unique_ptr<DialogButton> mCreate;
    std::unique_ptr<DialogButton> mDelete;
    std::unique_ptr<DialogButton> mOk;
    std::unique_ptr<DialogButton> mCancel;
};

}  // namespace Vesk
