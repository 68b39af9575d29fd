#pragma once

namespace Vesk {

// Bits of the flags that the update, draw and hit-test walks carry down the tree.
namespace WidgetFlags {
inline constexpr int kUpdate = 1;     // Update/UpdateF run
inline constexpr int kMarkDirty = 2;  // marked dirty on every update walk
inline constexpr int kDraw = 4;       // Draw runs
inline constexpr int kClip = 8;  // drawing is clipped to the widget (when its clip field is set)
inline constexpr int kAllowMouse = 16;
inline constexpr int kAllowFocus = 32;
// What the manager's walks start from: everything but the per-update dirty marking.
inline constexpr int kDefault = kUpdate | kDraw | kClip | kAllowMouse | kAllowFocus;
}  // namespace WidgetFlags

// Adds, then removes bits: (flags | add) & ~remove.
struct FlagsMod {
    int mAddFlags = 0;
    int mRemoveFlags = 0;

    constexpr int Apply(int flags) const { return (flags | mAddFlags) & ~mRemoveFlags; }
};

// The flags of a walk on either side of the base-modal widget: the under flags hold until the
// walk reaches it, the over flags from there on.
struct ModalFlags {
    int mOverFlags = 0;
    int mUnderFlags = 0;
    bool mIsOver = false;

    constexpr int GetFlags() const { return mIsOver ? mOverFlags : mUnderFlags; }
    constexpr void ModFlags(const FlagsMod& mod) {
        mOverFlags = mod.Apply(mOverFlags);
        mUnderFlags = mod.Apply(mUnderFlags);
    }
};

}  // namespace Vesk
