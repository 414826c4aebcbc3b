#include <cstdint>

#include "builder/presentation_builder.h"

namespace {

// Shapes.AddOLEObject(Left, Top, Width, Height, ClassName, FileName, DisplayAsIcon,
// IconFileName, IconIndex, IconLabel, Link).
constexpr DISPID kShapesAddOleObject = 2008;

// The viewer control's class; the application creates it by this name.
constexpr const char16_t* kViewerControlProgId = u"TRELVO.TrelvoCtrl.1";

static const BYTE kOleObjectInsertionParams[] = {VT_R4, VT_R4,   VT_R4, VT_R4,   VT_BSTR, VT_BSTR,
                                                 VT_I4, VT_BSTR, VT_I4, VT_BSTR, VT_I4,   0};

}  // namespace

LPDISPATCH AddViewerObject(COleDispatchDriver& shapes, float left, float top, float width,
                           float height) {
    // The control is embedded, not linked to a file and not shown as an icon:
    // it draws the data itself once it is given the data path.
    LPDISPATCH shape = nullptr;
    shapes.InvokeHelper(kShapesAddOleObject, DISPATCH_METHOD, VT_DISPATCH, &shape,
                        kOleObjectInsertionParams, left, top, width, height, kViewerControlProgId,
                        u"", std::int32_t{0}, u"", std::int32_t{0}, u"", std::int32_t{0});
    return shape;
}
