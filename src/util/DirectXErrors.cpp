#include "util/DirectXErrors.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace Vesk {

namespace {

// A failure result: severity bit, facility in bits 16-26, code below.
constexpr uint32_t MakeFailure(uint32_t facility, uint32_t code) {
    return 0x80000000u | (facility << 16) | code;
}

constexpr uint32_t kFacilityDirectDraw = 0x876;  // DirectDraw and Direct3D
constexpr uint32_t kFacilityDirectSound = 0x878;

constexpr uint32_t DD(uint32_t code) {
    return MakeFailure(kFacilityDirectDraw, code);
}

constexpr uint32_t DS(uint32_t code) {
    return MakeFailure(kFacilityDirectSound, code);
}

// Generic COM results that DirectX reuses under its own names; where two
// names share one of these, the table holds the one that is reported.
constexpr uint32_t kNotImplemented = 0x80004001;
constexpr uint32_t kNoInterface = 0x80004002;
constexpr uint32_t kFail = 0x80004005;
constexpr uint32_t kNoAggregation = 0x80040110;
constexpr uint32_t kNotInitialized = 0x800401F0;
constexpr uint32_t kOutOfMemory = 0x8007000E;
constexpr uint32_t kInvalidArg = 0x80070057;

struct ErrorName {
    uint32_t code;
    const char* name;
};

constexpr std::array kErrorNames = {
    // DirectSound
    ErrorName{DS(10), "DSERR_ALLOCATED"},
    ErrorName{DS(130), "DSERR_ALREADYINITIALIZED"},
    ErrorName{DS(100), "DSERR_BADFORMAT"},
    ErrorName{DS(150), "DSERR_BUFFERLOST"},
    ErrorName{DS(30), "DSERR_CONTROLUNAVAIL"},
    ErrorName{kFail, "DSERR_GENERIC"},
    ErrorName{DS(50), "DSERR_INVALIDCALL"},
    ErrorName{kNoAggregation, "DSERR_NOAGGREGATION"},
    ErrorName{DS(120), "DSERR_NODRIVER"},
    ErrorName{kNoInterface, "DSERR_NOINTERFACE"},
    ErrorName{DS(160), "DSERR_OTHERAPPHASPRIO"},
    ErrorName{DS(70), "DSERR_PRIOLEVELNEEDED"},
    ErrorName{DS(170), "DSERR_UNINITIALIZED"},
    // DirectDraw
    ErrorName{DD(5), "DDERR_ALREADYINITIALIZED"},
    ErrorName{DD(574), "DDERR_BLTFASTCANTCLIP"},
    ErrorName{DD(10), "DDERR_CANNOTATTACHSURFACE"},
    ErrorName{DD(20), "DDERR_CANNOTDETACHSURFACE"},
    ErrorName{DD(585), "DDERR_CANTCREATEDC"},
    ErrorName{DD(583), "DDERR_CANTDUPLICATE"},
    ErrorName{DD(435), "DDERR_CANTLOCKSURFACE"},
    ErrorName{DD(640), "DDERR_CANTPAGELOCK"},
    ErrorName{DD(660), "DDERR_CANTPAGEUNLOCK"},
    ErrorName{DD(567), "DDERR_CLIPPERISUSINGHWND"},
    ErrorName{DD(400), "DDERR_COLORKEYNOTSET"},
    ErrorName{DD(40), "DDERR_CURRENTLYNOTAVAIL"},
    ErrorName{DD(620), "DDERR_DCALREADYCREATED"},
    ErrorName{DD(699), "DDERR_DEVICEDOESNTOWNSURFACE"},
    ErrorName{DD(562), "DDERR_DIRECTDRAWALREADYCREATED"},
    ErrorName{DD(55), "DDERR_EXCEPTION"},
    ErrorName{DD(581), "DDERR_EXCLUSIVEMODEALREADYSET"},
    ErrorName{DD(691), "DDERR_EXPIRED"},
    ErrorName{DD(90), "DDERR_HEIGHTALIGN"},
    ErrorName{DD(571), "DDERR_HWNDALREADYSET"},
    ErrorName{DD(570), "DDERR_HWNDSUBCLASSED"},
    ErrorName{DD(588), "DDERR_IMPLICITLYCREATED"},
    ErrorName{DD(95), "DDERR_INCOMPATIBLEPRIMARY"},
    ErrorName{DD(100), "DDERR_INVALIDCAPS"},
    ErrorName{DD(110), "DDERR_INVALIDCLIPLIST"},
    ErrorName{DD(561), "DDERR_INVALIDDIRECTDRAWGUID"},
    ErrorName{DD(120), "DDERR_INVALIDMODE"},
    ErrorName{DD(130), "DDERR_INVALIDOBJECT"},
    ErrorName{kInvalidArg, "DDERR_INVALIDPARAMS"},
    ErrorName{DD(145), "DDERR_INVALIDPIXELFORMAT"},
    ErrorName{DD(579), "DDERR_INVALIDPOSITION"},
    ErrorName{DD(150), "DDERR_INVALIDRECT"},
    ErrorName{DD(521), "DDERR_INVALIDSTREAM"},
    ErrorName{DD(592), "DDERR_INVALIDSURFACETYPE"},
    ErrorName{DD(160), "DDERR_LOCKEDSURFACES"},
    ErrorName{DD(690), "DDERR_MOREDATA"},
    ErrorName{DD(170), "DDERR_NO3D"},
    ErrorName{DD(180), "DDERR_NOALPHAHW"},
    ErrorName{DD(575), "DDERR_NOBLTHW"},
    ErrorName{DD(205), "DDERR_NOCLIPLIST"},
    ErrorName{DD(568), "DDERR_NOCLIPPERATTACHED"},
    ErrorName{DD(210), "DDERR_NOCOLORCONVHW"},
    ErrorName{DD(215), "DDERR_NOCOLORKEY"},
    ErrorName{DD(220), "DDERR_NOCOLORKEYHW"},
    ErrorName{DD(212), "DDERR_NOCOOPERATIVELEVELSET"},
    ErrorName{DD(586), "DDERR_NODC"},
    ErrorName{DD(576), "DDERR_NODDROPSHW"},
    ErrorName{DD(563), "DDERR_NODIRECTDRAWHW"},
    ErrorName{DD(222), "DDERR_NODIRECTDRAWSUPPORT"},
    ErrorName{DD(565), "DDERR_NOEMULATION"},
    ErrorName{DD(225), "DDERR_NOEXCLUSIVEMODE"},
    ErrorName{DD(230), "DDERR_NOFLIPHW"},
    ErrorName{DD(602), "DDERR_NOFOCUSWINDOW"},
    ErrorName{DD(240), "DDERR_NOGDI"},
    ErrorName{DD(569), "DDERR_NOHWND"},
    ErrorName{DD(591), "DDERR_NOMIPMAPHW"},
    ErrorName{DD(250), "DDERR_NOMIRRORHW"},
    ErrorName{DD(630), "DDERR_NONONLOCALVIDMEM"},
    ErrorName{DD(600), "DDERR_NOOPTIMIZEHW"},
    ErrorName{DD(260), "DDERR_NOOVERLAYHW"},
    ErrorName{DD(572), "DDERR_NOPALETTEATTACHED"},
    ErrorName{DD(573), "DDERR_NOPALETTEHW"},
    ErrorName{DD(280), "DDERR_NORASTEROPHW"},
    ErrorName{DD(290), "DDERR_NOROTATIONHW"},
    ErrorName{DD(181), "DDERR_NOSTEREOHARDWARE"},
    ErrorName{DD(310), "DDERR_NOSTRETCHHW"},
    ErrorName{DD(182), "DDERR_NOSURFACELEFT"},
    ErrorName{DD(316), "DDERR_NOT4BITCOLOR"},
    ErrorName{DD(317), "DDERR_NOT4BITCOLORINDEX"},
    ErrorName{DD(320), "DDERR_NOT8BITCOLOR"},
    ErrorName{DD(580), "DDERR_NOTAOVERLAYSURFACE"},
    ErrorName{DD(330), "DDERR_NOTEXTUREHW"},
    ErrorName{DD(582), "DDERR_NOTFLIPPABLE"},
    ErrorName{DD(255), "DDERR_NOTFOUND"},
    ErrorName{kNotInitialized, "DDERR_NOTINITIALIZED"},
    ErrorName{DD(601), "DDERR_NOTLOADED"},
    ErrorName{DD(584), "DDERR_NOTLOCKED"},
    ErrorName{DD(680), "DDERR_NOTPAGELOCKED"},
    ErrorName{DD(589), "DDERR_NOTPALETTIZED"},
    ErrorName{DD(335), "DDERR_NOVSYNCHW"},
    ErrorName{DD(340), "DDERR_NOZBUFFERHW"},
    ErrorName{DD(350), "DDERR_NOZOVERLAYHW"},
    ErrorName{DD(360), "DDERR_OUTOFCAPS"},
    ErrorName{DD(380), "DDERR_OUTOFVIDEOMEMORY"},
    ErrorName{DD(270), "DDERR_OVERLAPPINGRECTS"},
    ErrorName{DD(382), "DDERR_OVERLAYCANTCLIP"},
    ErrorName{DD(384), "DDERR_OVERLAYCOLORKEYONLYONEACTIVE"},
    ErrorName{DD(577), "DDERR_OVERLAYNOTVISIBLE"},
    ErrorName{DD(387), "DDERR_PALETTEBUSY"},
    ErrorName{DD(564), "DDERR_PRIMARYSURFACEALREADYEXISTS"},
    ErrorName{DD(566), "DDERR_REGIONTOOSMALL"},
    ErrorName{DD(410), "DDERR_SURFACEALREADYATTACHED"},
    ErrorName{DD(420), "DDERR_SURFACEALREADYDEPENDENT"},
    ErrorName{DD(430), "DDERR_SURFACEBUSY"},
    ErrorName{DD(440), "DDERR_SURFACEISOBSCURED"},
    ErrorName{DD(450), "DDERR_SURFACELOST"},
    ErrorName{DD(460), "DDERR_SURFACENOTATTACHED"},
    ErrorName{DD(470), "DDERR_TOOBIGHEIGHT"},
    ErrorName{DD(480), "DDERR_TOOBIGSIZE"},
    ErrorName{DD(490), "DDERR_TOOBIGWIDTH"},
    ErrorName{kNotImplemented, "DDERR_UNSUPPORTED"},
    ErrorName{DD(510), "DDERR_UNSUPPORTEDFORMAT"},
    ErrorName{DD(520), "DDERR_UNSUPPORTEDMASK"},
    ErrorName{DD(590), "DDERR_UNSUPPORTEDMODE"},
    ErrorName{DD(537), "DDERR_VERTICALBLANKINPROGRESS"},
    ErrorName{DD(695), "DDERR_VIDEONOTACTIVE"},
    ErrorName{DD(540), "DDERR_WASSTILLDRAWING"},
    ErrorName{DD(587), "DDERR_WRONGMODE"},
    ErrorName{DD(560), "DDERR_XALIGN"},
    // Direct3D
    ErrorName{DD(700), "D3DERR_BADMAJORVERSION"},
    ErrorName{DD(701), "D3DERR_BADMINORVERSION"},
    ErrorName{DD(2050), "D3DERR_COLORKEYATTACHED"},
    ErrorName{DD(2078), "D3DERR_CONFLICTINGTEXTUREFILTER"},
    ErrorName{DD(2086), "D3DERR_CONFLICTINGTEXTUREPALETTE"},
    ErrorName{DD(2081), "D3DERR_CONFLICTINGRENDERSTATE"},
    ErrorName{DD(707), "D3DERR_DEVICEAGGREGATED"},
    ErrorName{DD(706), "D3DERR_INITFAILED"},
    ErrorName{DD(770), "D3DERR_INBEGIN"},
    ErrorName{DD(2101), "D3DERR_INBEGINSTATEBLOCK"},
    ErrorName{DD(705), "D3DERR_INVALID_DEVICE"},
    ErrorName{DD(735), "D3DERR_INVALIDCURRENTVIEWPORT"},
    ErrorName{DD(2084), "D3DERR_INVALIDMATRIX"},
    ErrorName{DD(744), "D3DERR_INVALIDPALETTE"},
    ErrorName{DD(736), "D3DERR_INVALIDPRIMITIVETYPE"},
    ErrorName{DD(739), "D3DERR_INVALIDRAMPTEXTURE"},
    ErrorName{DD(2100), "D3DERR_INVALIDSTATEBLOCK"},
    ErrorName{DD(2048), "D3DERR_INVALIDVERTEXFORMAT"},
    ErrorName{DD(737), "D3DERR_INVALIDVERTEXTYPE"},
    ErrorName{DD(750), "D3DERR_LIGHT_SET_FAILED"},
    ErrorName{DD(751), "D3DERR_LIGHTHASVIEWPORT"},
    ErrorName{DD(752), "D3DERR_LIGHTNOTINTHISVIEWPORT"},
    ErrorName{DD(740), "D3DERR_MATERIAL_CREATE_FAILED"},
    ErrorName{DD(741), "D3DERR_MATERIAL_DESTROY_FAILED"},
    ErrorName{DD(743), "D3DERR_MATERIAL_GETDATA_FAILED"},
    ErrorName{DD(742), "D3DERR_MATERIAL_SETDATA_FAILED"},
    ErrorName{DD(730), "D3DERR_MATRIX_CREATE_FAILED"},
    ErrorName{DD(731), "D3DERR_MATRIX_DESTROY_FAILED"},
    ErrorName{DD(733), "D3DERR_MATRIX_GETDATA_FAILED"},
    ErrorName{DD(732), "D3DERR_MATRIX_SETDATA_FAILED"},
    ErrorName{DD(775), "D3DERR_NOCURRENTVIEWPORT"},
    ErrorName{DD(771), "D3DERR_NOTINBEGIN"},
    ErrorName{DD(2102), "D3DERR_NOTINBEGINSTATEBLOCK"},
    ErrorName{DD(772), "D3DERR_NOVIEWPORTS"},
    ErrorName{DD(762), "D3DERR_SCENE_BEGIN_FAILED"},
    ErrorName{DD(763), "D3DERR_SCENE_END_FAILED"},
    ErrorName{DD(760), "D3DERR_SCENE_IN_SCENE"},
    ErrorName{DD(761), "D3DERR_SCENE_NOT_IN_SCENE"},
    ErrorName{DD(734), "D3DERR_SETVIEWPORTDATA_FAILED"},
    ErrorName{DD(2071), "D3DERR_STENCILBUFFER_NOTPRESENT"},
    ErrorName{DD(747), "D3DERR_SURFACENOTINVIDMEM"},
    ErrorName{DD(738), "D3DERR_TEXTURE_BADSIZE"},
    ErrorName{DD(721), "D3DERR_TEXTURE_CREATE_FAILED"},
    ErrorName{DD(722), "D3DERR_TEXTURE_DESTROY_FAILED"},
    ErrorName{DD(729), "D3DERR_TEXTURE_GETSURF_FAILED"},
    ErrorName{DD(725), "D3DERR_TEXTURE_LOAD_FAILED"},
    ErrorName{DD(723), "D3DERR_TEXTURE_LOCK_FAILED"},
    ErrorName{DD(727), "D3DERR_TEXTURE_LOCKED"},
    ErrorName{DD(720), "D3DERR_TEXTURE_NO_SUPPORT"},
    ErrorName{DD(728), "D3DERR_TEXTURE_NOT_LOCKED"},
    ErrorName{DD(726), "D3DERR_TEXTURE_SWAP_FAILED"},
    ErrorName{DD(724), "D3DERR_TEXTURE_UNLOCK_FAILED"},
    ErrorName{DD(2077), "D3DERR_TOOMANYOPERATIONS"},
    ErrorName{DD(2083), "D3DERR_TOOMANYPRIMITIVES"},
    ErrorName{DD(2076), "D3DERR_UNSUPPORTEDALPHAARG"},
    ErrorName{DD(2075), "D3DERR_UNSUPPORTEDALPHAOPERATION"},
    ErrorName{DD(2074), "D3DERR_UNSUPPORTEDCOLORARG"},
    ErrorName{DD(2073), "D3DERR_UNSUPPORTEDCOLOROPERATION"},
    ErrorName{DD(2079), "D3DERR_UNSUPPORTEDFACTORVALUE"},
    ErrorName{DD(2082), "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
    ErrorName{DD(2061), "D3DERR_VBUF_CREATE_FAILED"},
    ErrorName{DD(2062), "D3DERR_VERTEXBUFFERLOCKED"},
    ErrorName{DD(2060), "D3DERR_VERTEXBUFFEROPTIMIZED"},
    ErrorName{DD(2063), "D3DERR_VERTEXBUFFERUNLOCKFAILED"},
    ErrorName{DD(773), "D3DERR_VIEWPORTDATANOTSET"},
    ErrorName{DD(774), "D3DERR_VIEWPORTHASNODEVICE"},
    ErrorName{DD(2072), "D3DERR_WRONGTEXTUREFORMAT"},
    ErrorName{DD(745), "D3DERR_ZBUFF_NEEDS_SYSTEMMEMORY"},
    ErrorName{DD(746), "D3DERR_ZBUFF_NEEDS_VIDEOMEMORY"},
    ErrorName{DD(2070), "D3DERR_ZBUFFER_NOTPRESENT"},
    // Other
    ErrorName{kOutOfMemory, "E_OUTOFMEMORY"},
};

// Codes only: comparing every pair of names too runs past clang's constant-evaluation limit.
constexpr bool EntriesAreDistinct() {
    for (size_t i = 0; i < kErrorNames.size(); ++i) {
        for (size_t j = i + 1; j < kErrorNames.size(); ++j) {
            if (kErrorNames[i].code == kErrorNames[j].code) {
                return false;
            }
        }
    }
    return true;
}

static_assert(kErrorNames.size() == 193);
static_assert(EntriesAreDistinct(), "a code listed twice would hide one of its names");

}  // namespace

std::string GetDirectXErrorString(uint32_t result) {
    for (const ErrorName& entry : kErrorNames) {
        if (entry.code == result) {
            return entry.name;
        }
    }
    char text[16];
    std::snprintf(text, sizeof(text), "%x", static_cast<unsigned>(result));
    return text;
}

}  // namespace Vesk
