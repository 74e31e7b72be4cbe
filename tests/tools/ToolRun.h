#pragma once
// Running the kavoxm tool as a program in a temporary folder: exit code, standard output and
// standard error of one command line.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tooltest {

namespace fs = std::filesystem;

inline fs::path ToolPath() {
    return fs::path(KAVOXM_BINARY_DIR) / "tools" / "kavoxm" / "kavoxm";
}

inline std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
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
    // same shell (limits, traps, environment).
    RunResult Run(const std::string& arguments, const std::string& prefix = "") {
        const std::string command = "cd '" + dir.string() + "' && " + prefix + " '" +
                                    ToolPath().string() + "' " + arguments + " >.stdout 2>.stderr";
        const int status = std::system(command.c_str());
        RunResult result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadText(dir / ".stdout");
        result.err = ReadText(dir / ".stderr");
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
