// The system's refusals to read or write a file, with its reason, for a
// person: "cannot write out.ppt: Permission denied".
#pragma once

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace file_access {

class IoError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// "cannot <verb> <path>: <the system's words for error>".
[[noreturn]] inline void ThrowIo(const char* verb, const std::filesystem::path& path, int error) {
    throw IoError(std::string("cannot ") + verb + " " + path.string() + ": " +
                  std::strerror(error));
}

}  // namespace file_access
