#pragma once

#include <memory>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_font_face cairo_font_face_t;

namespace make_data::images {

// The two faces the pictures' words are set in, loaded from Debian's DejaVu files through
// FreeType, so the words look the same whatever fontconfig would pick. Made on one thread,
// then shared read-only: cairo locks each face while it draws with it.
class FaceSet {
public:
    FaceSet();
    ~FaceSet();
    FaceSet(const FaceSet&) = delete;
    FaceSet& operator=(const FaceSet&) = delete;

    cairo_font_face_t* Face(bool bold) const;

    // Lends the faces to everything drawn on the surface; they must outlive it.
    void AttachTo(cairo_surface_t* surface) const;
    // Selects a face on cr from the faces its target was lent, or by name when it has none.
    static void Select(cairo_t* cr, bool bold);

private:
    cairo_font_face_t* mBold = nullptr;
    cairo_font_face_t* mRegular = nullptr;
};

}  // namespace make_data::images
