// Runs the built program in a folder of its own and collects what it did:
// its exit status, what it wrote to standard output and standard error, and
// the folder's contents afterwards.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace cli {

// A fresh folder under the system's temporary folder, removed with the object.
class TempFolder : public test_support::TempFolder {
  public:
    TempFolder() : test_support::TempFolder("zbn2ppt-cli") {}
};

struct RunResult {
    int exit_status = -1;  // -1 when the program did not exit normally
    std::string standard_output;
    std::string standard_error;
};

// Runs `program` with `arguments` (bytes, element 0 excluded) in `folder`.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& folder);

// The folder's entries by name (bytes): a regular file maps to its content, a
// folder to "<dir>", anything else to "<other>". Subfolders are not entered.
std::map<std::string, std::string> ListFolder(const std::filesystem::path& folder);

}  // namespace cli
