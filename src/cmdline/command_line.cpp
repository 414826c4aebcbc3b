#include "cmdline/command_line.h"

#include "cmdline/path_utils.h"
#include "framework/arguments.h"
#include "framework/file.h"
#include "framework/fresh_file.h"
#include "framework/message_box.h"

namespace {

constexpr const char16_t* kHelpCaption = u"Help";
constexpr const char16_t* kErrorCaption = u"Error";
constexpr const char16_t* kWarningCaption = u"Warning";

void ShowError(const char16_t* text, const CString& usage) {
    const CString message = text + usage;
    MessageBoxW(nullptr, message, kErrorCaption, MB_OK);
}

bool HasExtension(const CString& path, const char16_t* extension) {
    return ExtractFileExtension(path).CompareNoCase(extension) == 0;
}

// Opens the output for writing (created when absent, an existing one left as
// it is: a request rejected later must not cost the user that file) and closes
// it, so an unwritable output is reported before any work; false after saying why.
bool ProbeOutputFile(const CString& output_path, const CString& usage) {
    try {
        CFile file;
        CFileException error;
        if (!file.Open(output_path, CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite,
                       &error)) {
            WCHAR description[1024] = {};
            error.GetErrorMessage(description, 1024);
            CString message = u"ERROR! INVALID OUTPUT FILE\n\n";
            message += description;
            message += u"\n\n";
            message += usage;
            MessageBoxW(nullptr, message, kErrorCaption, MB_OK);
            return false;
        }
        file.Close();
        return true;
    } catch (...) {
        ShowError(u"ERROR! INVALID OUT FILE \n\n", usage);
        return false;
    }
}

// A folder, a pipe or a device is no usable template (reading a pipe could
// wait forever): the user is warned and the work goes on without one.
bool TemplateIsUsable(const CString& template_path) {
    CFileStatus status;
    return CFile::GetStatus(template_path, status) &&
           (status.m_attribute & (CFile::directory | CFile::device)) == 0;
}

}  // namespace

std::optional<BuildOutcome> ProcessCommandLine() {
    const CString usage = UsageText();

    // A vector that holds only the program's own path (or, when started
    // without one, nothing at all) carries no request.
    if (__argc < 2) {
        MessageBoxW(nullptr, usage, kHelpCaption, MB_OK);
        return std::nullopt;
    }

    CString data_path = __wargv[1];
    CString output_path;
    if (__argc == 2) {
        output_path = data_path;
        if (output_path.Replace(u".zbn", u".ppt") != 1) {
            ShowError(u"ERROR! INVALID OUTPUT FILE\n\n", usage);
            return std::nullopt;
        }
    } else {
        output_path = __wargv[2];
    }
    data_path.Trim();
    output_path.Trim();

    // The probe comes before the extension checks on purpose: an output path
    // that cannot be written is the first thing worth telling.
    framework::FreshFile fresh_output(output_path);
    if (!ProbeOutputFile(output_path, usage)) {
        return std::nullopt;
    }
    fresh_output.NoteCreated();

    if (!HasExtension(data_path, u"zbn")) {
        ShowError(u"ERROR! INVALID INPUTFILE EXTENSION\n\n", usage);
        return std::nullopt;
    }
    if (!HasExtension(output_path, u"ppt")) {
        ShowError(u"ERROR! UNSUPPORTED OUTPUT FILE EXTENSION. Supported Formats: .ppt\n\n", usage);
        return std::nullopt;
    }

    CString template_path;
    if (__argc >= 4) {
        CString candidate = __wargv[3];
        candidate.Trim();
        if (!HasExtension(candidate, u"pot")) {
            ShowError(
                u"ERROR! UNSUPPORTED MS-PowerPoint Template FILE EXTENSION. Supported Formats: "
                u".pot\n\n",
                usage);
            return std::nullopt;
        }
        if (TemplateIsUsable(candidate)) {
            template_path = candidate;
        } else {
            const CString message = u"Warning!  MS-PowerPoint Template.\n\n" + usage;
            MessageBoxW(nullptr, message, kWarningCaption, MB_OK);
        }
    }

    const BuildOutcome outcome = BuildPresentation(data_path, output_path, template_path);
    // A rejected command line keeps the probe's file, as it always has; a
    // build that saved nothing takes it away again.
    if (outcome == BuildOutcome::kNotSaved) {
        fresh_output.Discard();
    }
    return outcome;
}
