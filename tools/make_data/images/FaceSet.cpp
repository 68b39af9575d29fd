#include "make_data/images/FaceSet.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <atomic>

namespace make_data::images {
namespace {

constexpr const char* kBoldFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr const char* kRegularFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Keys by address only.
const cairo_user_data_key_t kFaceKey{};     // an FT face on its cairo face
const cairo_user_data_key_t kSurfaceKey{};  // a FaceSet on a surface

// The FreeType library lives until cairo has let go of the last face made from it, which may
// be after the FaceSet is gone (cairo keeps recently used fonts).
struct Library {
    FT_Library library = nullptr;
    std::atomic<int> faces{0};
};

struct FaceOwner {
    Library* library;
    FT_Face face;
};

void ReleaseFace(void* data) {
    auto* owner = static_cast<FaceOwner*>(data);
    Library* library = owner->library;
    FT_Done_Face(owner->face);
    delete owner;
    if (--library->faces == 0) {
        FT_Done_FreeType(library->library);
        delete library;
    }
}

cairo_font_face_t* LoadFace(Library* library, const char* file, bool bold) {
    FT_Face face = nullptr;
    if (library != nullptr && FT_New_Face(library->library, file, 0, &face) == 0) {
        cairo_font_face_t* made = cairo_ft_font_face_create_for_ft_face(face, 0);
        auto* owner = new FaceOwner{library, face};
        ++library->faces;
        if (cairo_font_face_set_user_data(made, &kFaceKey, owner, ReleaseFace) ==
            CAIRO_STATUS_SUCCESS) {
            return made;
        }
        cairo_font_face_destroy(made);
        --library->faces;
        delete owner;
        FT_Done_Face(face);
    }
    // Without the file, fontconfig's best match for the family.
    return cairo_toy_font_face_create("DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                                      bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
}

}  // namespace

FaceSet::FaceSet() {
    auto* library = new Library;
    if (FT_Init_FreeType(&library->library) != 0) {
        delete library;
        library = nullptr;
    }
    // A guard face count, so the library survives until both faces are made.
    if (library != nullptr) {
        ++library->faces;
    }
    mBold = LoadFace(library, kBoldFile, true);
    mRegular = LoadFace(library, kRegularFile, false);
    if (library != nullptr && --library->faces == 0) {
        FT_Done_FreeType(library->library);
        delete library;
    }
}

FaceSet::~FaceSet() {
    cairo_font_face_destroy(mBold);
    cairo_font_face_destroy(mRegular);
}

cairo_font_face_t* FaceSet::Face(bool bold) const {
    return bold ? mBold : mRegular;
}

void FaceSet::AttachTo(cairo_surface_t* surface) const {
    cairo_surface_set_user_data(surface, &kSurfaceKey, const_cast<FaceSet*>(this), nullptr);
}

void FaceSet::Select(cairo_t* cr, bool bold) {
    const auto* faces = static_cast<const FaceSet*>(
        cairo_surface_get_user_data(cairo_get_target(cr), &kSurfaceKey));
    if (faces != nullptr) {
        cairo_set_font_face(cr, faces->Face(bold));
        return;
    }
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
}

}  // namespace make_data::images
