#include "game/core/CImageObject.h"

#include "game/core/BoardContext.h"
#include "game/core/GameMedia.h"
#include "graphics/Graphics.h"
#include "util/ByteReader.h"
#include "util/ByteWriter.h"

void CImageObject::Draw(Vesk::Graphics& g, Vesk::GameMedia&) {
    if (mImage != nullptr) {
        g.DrawImage(mImage, x, y);
    }
}

int CImageObject::Update(Vesk::ObjectOwner&) {
    return 1;
}

void CImageObject::SetResourceId(Vesk::GameMedia& media, int32_t resourceId) {
    mResourceId = resourceId;
    mImage = media.GetImageById(resourceId);
}

int CImageObject::Save(Vesk::ByteWriter& out) {
    WriteTypeId(out, ObjectTypeId::ImageObject);
    CObject::Save(out);
    out.WriteI32(mResourceId);
    return 1;
}

int CImageObject::Load(Vesk::ByteReader& in, Vesk::BoardContext& board) {
    CObject::Load(in, board);
    int32_t id = in.I32();
    if (in.Failed()) {
        return 0;
    }
    SetResourceId(board.Media(), id);
    return 1;
}
