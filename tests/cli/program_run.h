// Runs the built program in a folder of its own and collects what it did:
// its exit status, what it wrote to standard output and standard error, and
// the folder's contents afterwards.
#pragma once

#include <chrono>
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
    int signal = 0;        // the signal that ended it, if one did
    std::string standard_output;
    std::string standard_error;
};

// How the program is run beyond its arguments.
struct RunOptions {
    // Run as the unprivileged user "nobody" when the tests run as root, who
    // would pass every permission check.
    bool as_nobody = false;
    // Sent to the program `signal_after` after its start, unless it is gone.
    int signal = 0;
    std::chrono::microseconds signal_after{0};
    // The program's address space in bytes, when not 0.
    std::size_t memory_limit = 0;
};

// Runs `program` with `arguments` (bytes, element 0 excluded) in `folder`.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& folder, const RunOptions& options = {});

// The folder's entries by path relative to it, subfolders included: a file
// maps to its content, a folder to "<dir>", a link to "-> " and its target.
std::map<std::string, std::string> ListFolder(const std::filesystem::path& folder);

}  // namespace cli
