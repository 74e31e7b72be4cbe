#include "ExeCommandStubs.h"

#include <filesystem>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {
namespace fs = std::filesystem;

// The folder of the running tool.
fs::path ToolFolder() {
    std::error_code error;
#if defined(_WIN32)
    wchar_t path[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return fs::path(path).parent_path();
#else
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : self.parent_path();
#endif
}

std::vector<fs::path> StubPlaces(const std::string& target) {
    const fs::path folder = ToolFolder();
    const std::string name = StubFileName(target);
    if (folder.empty()) return {};
    return {folder / ".." / "lib" / "kavoxm" / name, folder / name, folder / ".." / "stub" / name};
}
} // namespace

std::string HostStubTarget() {
#if defined(_WIN32)
    return "win32";
#else
    return "linux";
#endif
}

std::string StubFileName(const std::string& target) {
    return target == "win32" ? "kavoxm-stub-win32.exe" : "kavoxm-stub-linux";
}

std::string FindStub(const std::string& target) {
    std::error_code error;
    for (const fs::path& place : StubPlaces(target))
        if (fs::is_regular_file(place, error)) return fs::weakly_canonical(place, error).string();
    return {};
}

std::string StubSearchText(const std::string& target) {
    std::string text;
    for (const fs::path& place : StubPlaces(target))
        text += (text.empty() ? "" : ", ") + place.lexically_normal().string();
    return text.empty() ? "(the tool's own folder is unknown)" : text;
}

void MakeExecutable(const std::string& path) {
    std::error_code error;
    const fs::perms now = fs::status(path, error).permissions();
    if (error) return;
    fs::perms add = fs::perms::none;
    if ((now & fs::perms::owner_read) != fs::perms::none) add |= fs::perms::owner_exec;
    if ((now & fs::perms::group_read) != fs::perms::none) add |= fs::perms::group_exec;
    if ((now & fs::perms::others_read) != fs::perms::none) add |= fs::perms::others_exec;
    fs::permissions(path, add, fs::perm_options::add, error);
}
