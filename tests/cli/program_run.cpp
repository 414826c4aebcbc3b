#include "program_run.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace cli {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::filesystem::path& folder, const RunOptions& options) {
    // The captured streams live apart from the program's folder, so the
    // folder holds only what the program made.
    TempFolder capture;
    const std::string out_path = (capture.path() / "stdout").string();
    const std::string err_path = (capture.path() / "stderr").string();

    std::vector<std::string> strings;
    strings.push_back(program);
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& s : strings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    const std::string work = folder.string();

    const passwd* nobody = options.as_nobody && ::geteuid() == 0 ? ::getpwnam("nobody") : nullptr;
    if (options.as_nobody && ::geteuid() == 0 && nobody == nullptr) {
        throw std::runtime_error("there is no user \"nobody\" to run as");
    }
    const pid_t child = ::fork();
    if (child < 0) {
        throw std::system_error(errno, std::generic_category(), "fork");
    }
    if (child == 0) {
        const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int null_in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || null_in < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 ||
            ::dup2(null_in, 0) < 0 || ::chdir(work.c_str()) != 0) {
            ::_exit(127);
        }
        const rlimit memory{options.memory_limit, options.memory_limit};
        if (options.memory_limit != 0 && ::setrlimit(RLIMIT_AS, &memory) != 0) {
            ::_exit(127);
        }
        if (nobody != nullptr && (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
                                  ::setuid(nobody->pw_uid) != 0)) {
            ::_exit(127);
        }
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    if (options.signal != 0) {
        std::this_thread::sleep_for(options.signal_after);
        ::kill(child, options.signal);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "waitpid");
        }
    }
    RunResult result;
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.standard_output = ReadFile(out_path);
    result.standard_error = ReadFile(err_path);
    return result;
}

std::map<std::string, std::string> ListFolder(const std::filesystem::path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        const auto status = entry.symlink_status();
        if (std::filesystem::is_symlink(status)) {
            entries[name] = "-> " + std::filesystem::read_symlink(entry.path()).string();
        } else {
            entries[name] =
                std::filesystem::is_directory(status) ? "<dir>" : ReadFile(entry.path());
        }
    }
    return entries;
}

}  // namespace cli
