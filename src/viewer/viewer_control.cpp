#include "viewer/viewer_control.h"

#include "automation/automation_error.h"
#include "automation/member_check.h"
#include "automation/presentation_members.h"
#include "automation/text_codec.h"
#include "viewer/viewer_control_class.h"
#include "viewer/viewer_state.h"

namespace viewer {

void ViewerControl::Invoke(automation::DISPID member, std::uint16_t kind,
                           std::span<const automation::Variant> args,
                           automation::Variant& /*result*/) {
    if (member != automation::ppt::kViewerDataPath || kind != automation::DISPATCH_PROPERTYPUT) {
        automation::ThrowMemberNotFound("TrelvoCtrl", member, kind);
    }
    constexpr automation::VARTYPE kOneString[] = {automation::VT_BSTR};
    automation::CheckArguments(args, kOneString, "TrelvoCtrl property 1");
    if (args[0].AsBstr().size() > kMaxDataPathUnits) {
        throw automation::AutomationError(automation::E_INVALIDARG,
                                          "TrelvoCtrl property 1: the data path is too long");
    }
    data_path_ = args[0].AsBstr();
}

automation::Clsid ViewerControl::GetClassId() const {
    return kViewerControlClsid;
}

std::vector<std::uint8_t> ViewerControl::SaveState() const {
    return EncodeViewerState(data_path_);
}

std::vector<std::u16string> ViewerControl::SourceFiles() const {
    return data_path_.empty() ? std::vector<std::u16string>{} : std::vector{data_path_};
}

std::vector<std::u16string> ViewerControl::PreviewLines() const {
    std::vector<std::u16string> lines{u"Trelvo viewer"};
    // The path is as the user gave it, with either kind of separator.
    const std::size_t cut = data_path_.find_last_of(u"\\/");
    std::u16string name =
        automation::ReadableText(data_path_.substr(cut == std::u16string::npos ? 0 : cut + 1));
    if (!name.empty()) {
        lines.push_back(std::move(name));
    }
    return lines;
}

automation::DispatchPtr CreateViewerControl() {
    return automation::MakeRef<ViewerControl>();
}

void RegisterViewerControlClass(automation::ClassRegistry& registry) {
    registry.Register({u"TRELVO.TrelvoCtrl.1", kViewerControlClsid, &CreateViewerControl, true});
}

}  // namespace viewer
