#pragma once

namespace Vesk {

// Hears the lists of its owner.
class ListListener {
public:
    virtual ~ListListener() = default;

    virtual void ListClicked(int id, int lineIndex, int clickCount) {
        (void)id;
        (void)lineIndex;
        (void)clickCount;
    }
    virtual void ListClosed(int id) { (void)id; }
    virtual void ListHiliteChanged(int id, int oldIndex, int newIndex) {
        (void)id;
        (void)oldIndex;
        (void)newIndex;
    }
};

}  // namespace Vesk
