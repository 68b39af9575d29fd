#include "game/core/CObjectList.h"

#include "game/core/CObject.h"

namespace {

// Marks a pass so that removals inside it are deferred.
class PassScope {
public:
    explicit PassScope(int& depth) : mDepth(depth) { ++mDepth; }
    ~PassScope() { --mDepth; }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;

private:
    int& mDepth;
};

}  // namespace

CObjectList::~CObjectList() {
    mPassDepth = 0;
    DeleteAll();
    Sweep();
}

void CObjectList::LinkBefore(CObjectNode* node, CObjectNode* before) {
    node->next = before;
    node->previous = before != nullptr ? before->previous : mLast;
    if (node->previous != nullptr) {
        node->previous->next = node;
    } else {
        mFirst = node;
    }
    if (before != nullptr) {
        before->previous = node;
    } else {
        mLast = node;
    }
}

void CObjectList::Unlink(CObjectNode* node) {
    if (node->previous != nullptr) {
        node->previous->next = node->next;
    } else {
        mFirst = node->next;
    }
    if (node->next != nullptr) {
        node->next->previous = node->previous;
    } else {
        mLast = node->previous;
    }
    delete node;
}

void CObjectList::Add(CObject* object) {
    CObjectNode* before = mFirst;
    while (before != nullptr &&
           (before->object == nullptr || before->object->layer < object->layer)) {
        before = before->next;
    }
    auto* node = new CObjectNode{};
    node->object = object;
    LinkBefore(node, before);
    object->node = node;
    ++mCount;
}

void CObjectList::AddLast(CObject* object) {
    auto* node = new CObjectNode{};
    node->object = object;
    LinkBefore(node, nullptr);
    object->node = node;
    ++mCount;
}

bool CObjectList::Remove(CObject* object) {
    CObjectNode* node = object->node;
    if (node == nullptr) {
        return false;
    }
    object->node = nullptr;
    if (mHovered == object) {
        mHovered = nullptr;
    }
    --mCount;
    if (mPassDepth > 0) {
        node->object = nullptr;
        mNeedsSweep = true;
    } else {
        Unlink(node);
    }
    return true;
}

bool CObjectList::SetLayer(CObject* object, int32_t layer) {
    if (object->layer == layer) {
        return false;
    }
    object->layer = layer;
    if (Remove(object)) {
        Add(object);
    }
    return true;
}

void CObjectList::DeleteAll() {
    if (mPassDepth > 0) {
        mDeleteAllRequested = true;
        return;
    }
    mHovered = nullptr;
    while (mFirst != nullptr) {
        CObjectNode* node = mFirst;
        CObject* object = node->object;
        Unlink(node);
        if (object != nullptr) {
            object->node = nullptr;
            delete object;
        }
    }
    mCount = 0;
    mNeedsSweep = false;
}

void CObjectList::Sweep() {
    if (!mNeedsSweep || mPassDepth > 0) {
        return;
    }
    mNeedsSweep = false;
    for (CObjectNode* node = mFirst; node != nullptr;) {
        CObjectNode* next = node->next;
        if (node->object == nullptr) {
            Unlink(node);
        }
        node = next;
    }
}

void CObjectList::DrawAll(Vesk::Graphics& g, Vesk::GameMedia& media) {
    {
        PassScope pass(mPassDepth);
        for (CObjectNode* node = mFirst; node != nullptr; node = node->next) {
            if (node->object != nullptr) {
                node->object->Draw(g, media);
            }
        }
    }
    Sweep();
}

void CObjectList::UpdateAll() {
    {
        PassScope pass(mPassDepth);
        for (CObjectNode* node = mFirst; node != nullptr;) {
            CObjectNode* next = node->next;
            CObject* object = node->object;
            if (object != nullptr && !object->updated) {
                if (object->removeMe) {
                    Remove(object);
                    delete object;
                } else {
                    object->Update(*mOwner);
                }
            }
            node = next;
        }
        for (CObjectNode* node = mFirst; node != nullptr; node = node->next) {
            if (node->object != nullptr) {
                node->object->updated = false;
            }
        }
    }
    Sweep();
    if (mDeleteAllRequested) {
        mDeleteAllRequested = false;
        DeleteAll();
    }
}

int CObjectList::MouseDown(int32_t x, int32_t y) {
    if (mHovered == nullptr) {
        return 0;
    }
    {
        PassScope pass(mPassDepth);
        mHovered->MouseDown(*mOwner, x, y);
    }
    Sweep();
    return 1;
}

int CObjectList::MouseUp(int32_t x, int32_t y) {
    if (mHovered == nullptr) {
        return 0;
    }
    {
        PassScope pass(mPassDepth);
        mHovered->MouseUp(*mOwner, x, y);
    }
    Sweep();
    return 1;
}

int CObjectList::MouseMove(int32_t x, int32_t y) {
    return HoverWalk(x, y, false);
}

int CObjectList::MouseDrag(int32_t x, int32_t y) {
    return HoverWalk(x, y, true);
}

int CObjectList::HoverWalk(int32_t x, int32_t y, bool drag) {
    int taken = 0;
    {
        PassScope pass(mPassDepth);
        for (CObjectNode* node = mFirst; node != nullptr && taken == 0; node = node->next) {
            CObject* object = node->object;
            if (object == nullptr || !object->takesInput) {
                continue;
            }
            int answer = drag ? object->MouseDrag(*mOwner, x, y) : object->MouseMove(*mOwner, x, y);
            // The slot may have removed the object; its node then holds null.
            if (node->object != object) {
                continue;
            }
            if (answer != 0) {
                if (mHovered != nullptr && mHovered != object) {
                    mHovered->MouseLeave(*mOwner);
                }
                mHovered = object;
                taken = 1;
            } else if (mHovered == object) {
                mHovered = nullptr;
                object->MouseLeave(*mOwner);
            }
        }
        if (taken == 0) {
            mHovered = nullptr;
        }
    }
    Sweep();
    return taken;
}

CObject* CObjectList::GetAt(int32_t index) const {
    if (index < 0) {
        return nullptr;
    }
    for (CObjectNode* node = mFirst; node != nullptr; node = node->next) {
        if (node->object != nullptr && index-- == 0) {
            return node->object;
        }
    }
    return nullptr;
}

int32_t CObjectList::IndexOf(const CObject* object) const {
    int32_t index = 0;
    for (CObjectNode* node = mFirst; node != nullptr; node = node->next) {
        if (node->object == nullptr) {
            continue;
        }
        if (node->object == object) {
            return index;
        }
        ++index;
    }
    return -1;
}
