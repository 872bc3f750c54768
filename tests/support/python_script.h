// python_script.h - running a consumer-check script of tests/xls under /usr/bin/python3,
// or any other command, and the xlrd checks of saved books.
#pragma once

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/interfaces.h"
#include "core/utf_convert.h"

namespace karvo::testing {

/// The scripts' exit status when the Python module they check with is missing.
inline constexpr int kScriptModuleMissing = 3;

/// Runs a shell command; returns what it printed (stderr included) and sets `status`
/// to its exit status, -1 when it could not be started.
inline std::string runCommand(const std::string& command, int& status) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>&1").c_str(), "r"), pclose);
    std::string out;
    std::array<char, 4096> buffer;
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe.get())) out += buffer.data();
    status = pipe ? WEXITSTATUS(pclose(pipe.release())) : -1;
    return out;
}

/// Runs tests/xls/`script` on `path`, as runCommand does.
inline std::string runPythonScript(const std::string& script, const std::string& path, int& status) {
    return runCommand("/usr/bin/python3 " KARVO_TESTS_DIR "/xls/" + script + " '" + path + "'", status);
}

/// What an xlrd check script printed for a book, or why it could not run here.
struct XlrdView {
    std::string skipped; ///< the reason to skip the test; empty when the script ran
    std::string seen;
};

/// Saves `book` to a temporary file, runs tests/xls/`script` on it and removes the file.
/// A failed save or a script that fails is a test failure carrying its message.
inline XlrdView xlrdSees(IBook& book, const std::string& script) {
    if (!std::filesystem::exists("/usr/bin/python3")) return {"no /usr/bin/python3: xlrd check skipped", ""};
    // Tests may run in parallel processes, and two of them may check with one script.
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("karvo_" + std::to_string(getpid()) + "_" + script + ".xls");
    XlrdView view;
    if (!book.save(utf8ToUtf16(path.string()).c_str())) {
        ADD_FAILURE() << "saving for " << script << ": " << book.errorMessage();
        return view;
    }
    int status = 0;
    view.seen = runPythonScript(script, path.string(), status);
    std::filesystem::remove(path);
    if (status == kScriptModuleMissing) view.skipped = "python3-xlrd is not installed: xlrd check skipped";
    else if (status != 0) ADD_FAILURE() << script << " failed (" << status << "):\n" << view.seen;
    return view;
}

} // namespace karvo::testing
