#pragma once

#include <string>

namespace Vesk {

// Hears the edit fields of its owner; the Allow calls can veto a key, a character or a text.
class EditListener {
public:
    virtual ~EditListener() = default;

    virtual void EditText(int id, const std::string& text) {
        (void)id;
        (void)text;
    }
    virtual bool AllowKey(int id, int key) {
        (void)id;
        (void)key;
        return true;
    }
    virtual bool AllowChar(int id, char character) {
        (void)id;
        (void)character;
        return true;
    }
    virtual bool AllowText(int id, const std::string& text) {
        (void)id;
        (void)text;
        return true;
    }
};

}  // namespace Vesk
