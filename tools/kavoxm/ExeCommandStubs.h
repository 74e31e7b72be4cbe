#pragma once
// Where `kavoxm exe` finds its player stubs: installed beside the tool (lib/kavoxm next to its
// bin folder, or the tool's own folder in the Windows archive), or in the build tree
// (tools/stub beside tools/kavoxm).
#include <string>

// "win32" or "linux": the target of the system the tool runs on.
std::string HostStubTarget();
// The stub's file name for a target: kavoxm-stub-win32.exe, kavoxm-stub-linux.
std::string StubFileName(const std::string& target);
// The first existing stub for `target`, or empty.
std::string FindStub(const std::string& target);
// The places FindStub looks, for a message.
std::string StubSearchText(const std::string& target);
// Lets everyone who may read the file run it (posix; nothing elsewhere).
void MakeExecutable(const std::string& path);
