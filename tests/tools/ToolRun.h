#pragma once
// Running the kavoxm tool as a program in a temporary folder: exit code, standard output and
// standard error of one command line. The command line goes through the system's shell: sh, or
// on Windows cmd.exe, which knows < and > but not the Unix tools or sh's own syntax; tests that
// need those skip there (HasPosixShell).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#ifdef _WIN32
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tooltest {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr bool HasPosixShell = false;
constexpr const char* SkipWithoutPosixShell = "needs a POSIX shell and its tools (cmd.exe here)";
#else
constexpr bool HasPosixShell = true;
constexpr const char* SkipWithoutPosixShell = "";
#endif

inline fs::path ToolPath() {
#ifdef _WIN32
    // Absolute with its drive: the command changes to the test's folder, maybe on another one.
    return fs::absolute(fs::path(KAVOXM_BINARY_DIR) / "tools" / "kavoxm" / "kavoxm.exe")
        .make_preferred();
#else
    return fs::path(KAVOXM_BINARY_DIR) / "tools" / "kavoxm" / "kavoxm";
#endif
}

// Text written by the tool with its lines ended the system's way, with "\n" ends: Windows'
// C library writes "\r\n" for each "\n" of a text stream (elsewhere a CR stays a CR).
inline std::string Text(std::string text) {
#ifdef _WIN32
    size_t to = 0;
    for (size_t from = 0; from < text.size(); ++from)
        if (!(text[from] == '\r' && from + 1 < text.size() && text[from + 1] == '\n'))
            text[to++] = text[from];
    text.resize(to);
#endif
    return text;
}

// Exit code of the command std::system ran.
inline int ExitCodeOf(int status) {
#ifdef _WIN32
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

inline std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct RunResult {
    int exitCode = -1;
    std::string out; // as written: Text(out) for text
    std::string err; // text
};

// A fixture with its own temporary folder, removed afterwards.
class ToolTest : public ::testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        if (!fs::exists(ToolPath())) GTEST_SKIP() << "kavoxm tool not built";
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            if (c == '/') c = '_';
        dir =
            fs::temp_directory_path() / ("kavoxm-tool-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        if (!dir.empty()) fs::remove_all(dir, ignored);
    }

    fs::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const fs::path path = dir / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    // Runs `kavoxm ARGUMENTS` through the shell in the folder; `prefix` runs before it in the
    // same shell (limits, traps, environment; in that shell's syntax).
    RunResult Run(const std::string& arguments, const std::string& prefix = "") {
#ifdef _WIN32
        const std::string command = "cd /d \"" + dir.string() + "\" && " + prefix + " \"" +
                                    ToolPath().string() + "\" " + arguments + " >.stdout 2>.stderr";
#else
        const std::string command = "cd '" + dir.string() + "' && " + prefix + " '" +
                                    ToolPath().string() + "' " + arguments + " >.stdout 2>.stderr";
#endif
        const int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = ExitCodeOf(status);
        result.out = ReadText(dir / ".stdout");
        result.err = Text(ReadText(dir / ".stderr"));
        fs::remove(dir / ".stdout");
        fs::remove(dir / ".stderr");
        return result;
    }

    // Names in the folder, sorted.
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

} // namespace tooltest
