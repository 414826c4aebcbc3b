#include "app/resources.h"

namespace {

constexpr StringResource kStrings[] = {
    {IDP_OLE_INIT_FAILED,
     u"OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    {AFX_IDS_APP_TITLE, u"Zbn2PPT"},
};

}  // namespace

std::span<const StringResource> StringTable() noexcept {
    return kStrings;
}
