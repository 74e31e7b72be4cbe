// The file operations that each system does its own way, called directly: the same answers on
// POSIX and on Windows.
#include "PlatformFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

class PlatformFiles : public ::testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kavoxm-files-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    std::string Put(const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }
    std::string Text(const std::string& name) {
        std::ifstream in(dir / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(PlatformFiles, ReadsAWholeFileUpToTheLimitExactly) {
    const std::string path = Put("song.xm", "0123456789");
    std::vector<uint8_t> bytes;
    std::string reason;
    ASSERT_EQ(ReadWholeInput(path, 10, bytes, reason), ReadResult::Done) << reason;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123456789");
    EXPECT_EQ(ReadWholeInput(path, 9, bytes, reason), ReadResult::TooLarge);
    ASSERT_EQ(ReadWholeInput(Put("empty.xm", ""), 0, bytes, reason), ReadResult::Done);
    EXPECT_TRUE(bytes.empty());
}

// Standard input replaced by a pipe that a thread fills with `bytes` and then closes.
class PipeOnStandardInput {
  public:
    explicit PipeOnStandardInput(std::string bytes) : bytes(std::move(bytes)) {
#ifdef _WIN32
        HANDLE read = nullptr;
        CreatePipe(&read, &write, nullptr, 0);
        saved = GetStdHandle(STD_INPUT_HANDLE);
        SetStdHandle(STD_INPUT_HANDLE, read);
#else
        int ends[2] = {-1, -1};
        if (::pipe(ends) != 0) return;
        saved = ::dup(0);
        ::dup2(ends[0], 0);
        ::close(ends[0]);
        write = ends[1];
#endif
        writer = std::thread([this] { Fill(); });
    }
    ~PipeOnStandardInput() {
        writer.join();
#ifdef _WIN32
        CloseHandle(GetStdHandle(STD_INPUT_HANDLE));
        SetStdHandle(STD_INPUT_HANDLE, saved);
#else
        ::dup2(saved, 0);
        ::close(saved);
#endif
    }

  private:
    std::string bytes;
    std::thread writer;
#ifdef _WIN32
    HANDLE write = nullptr, saved = nullptr;
    void Fill() {
        for (size_t at = 0; at < bytes.size();) {
            DWORD n = 0;
            if (WriteFile(write, bytes.data() + at, DWORD(bytes.size() - at), &n, nullptr) == 0)
                break;
            at += n;
        }
        CloseHandle(write);
    }
#else
    int write = -1, saved = -1;
    void Fill() {
        for (size_t at = 0; at < bytes.size();) {
            const ssize_t n = ::write(write, bytes.data() + at, bytes.size() - at);
            if (n <= 0) break;
            at += size_t(n);
        }
        ::close(write);
    }
#endif
};

// More than one read's worth, so that the limit is checked between reads.
TEST_F(PlatformFiles, ReadsAPipeToItsEndUpToTheLimitExactly) {
    std::string song(3 * 1048576 + 5, '\0');
    for (size_t i = 0; i < song.size(); ++i) song[i] = char(i * 7 + i / 4096);
    for (const uint64_t limit : {uint64_t(song.size()), uint64_t(song.size()) - 1}) {
        std::vector<uint8_t> bytes;
        std::string reason;
        ReadResult result;
        {
            const PipeOnStandardInput pipe(song);
            result = ReadWholeInput("-", limit, bytes, reason);
        }
        if (limit == song.size()) {
            ASSERT_EQ(result, ReadResult::Done) << reason;
            ASSERT_EQ(bytes.size(), song.size());
            const std::string read(bytes.begin(), bytes.end());
            const auto differ = std::mismatch(read.begin(), read.end(), song.begin());
            EXPECT_EQ(differ.first - read.begin(), read.end() - read.begin()) << "bytes differ";
        } else {
            EXPECT_EQ(result, ReadResult::TooLarge) << limit;
        }
    }
}

TEST_F(PlatformFiles, RefusesFoldersAndSaysWhyForMissingFiles) {
    std::vector<uint8_t> bytes;
    std::string reason;
    EXPECT_EQ(ReadWholeInput(dir.string(), 100, bytes, reason), ReadResult::Failed);
    EXPECT_EQ(reason, "is a directory");
    reason.clear();
    EXPECT_EQ(ReadWholeInput((dir / "absent.xm").string(), 100, bytes, reason), ReadResult::Failed);
    EXPECT_FALSE(reason.empty());
}

TEST_F(PlatformFiles, SameFileSeesThroughOtherNamesAndHardLinks) {
    const std::string a = Put("a.xm", "same");
    const std::string b = Put("b.xm", "same");
    fs::create_hard_link(a, dir / "link.wav");
    EXPECT_TRUE(SameFile(a, a));
    EXPECT_TRUE(SameFile(a, (dir / "." / "a.xm").string()));
    EXPECT_TRUE(SameFile(a, (dir / "link.wav").string()));
    EXPECT_FALSE(SameFile(a, b)); // equal contents, another file
    EXPECT_FALSE(SameFile(a, (dir / "absent.wav").string()));
    EXPECT_FALSE(SameFile((dir / "absent.wav").string(), (dir / "absent.wav").string()));
}

TEST_F(PlatformFiles, PathExistsForFilesAndFolders) {
    EXPECT_TRUE(PathExists(Put("a.wav", "")));
    EXPECT_TRUE(PathExists(dir.string()));
    EXPECT_FALSE(PathExists((dir / "absent.wav").string()));
}

TEST_F(PlatformFiles, FilesBesideTheTargetAreNewAndDistinct) {
    const std::string target = (dir / "out.wav").string();
    std::string first, second, reason;
    std::FILE* a = CreateFileBeside(target, first, reason);
    std::FILE* b = CreateFileBeside(target, second, reason);
    ASSERT_NE(a, nullptr) << reason;
    ASSERT_NE(b, nullptr) << reason;
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(target, 0), 0u) << first; // same folder, named after the target
    EXPECT_EQ(std::fwrite("\n\x1a", 1, 2, a), 2u);  // binary: no CR added, no end at ^Z
    EXPECT_TRUE(SyncToDisk(a));
    std::fclose(a);
    std::fclose(b);
    EXPECT_EQ(Text(fs::path(first).filename().string()), "\n\x1a");
    EXPECT_FALSE(PathExists(target));
    RemoveFile(first);
    RemoveFile(second);
    EXPECT_TRUE(Names().empty());
}

// Targets whose names leave no room for the 14 bytes the temporary name adds (a name has at
// most 255) are written under a short temporary name in the same folder and published.
class LongTargetNames : public PlatformFiles, public ::testing::WithParamInterface<size_t> {};

TEST_P(LongTargetNames, AreWrittenAndPublished) {
    const std::string base(GetParam() - 4, 'n');
    const std::string target = (dir / (base + ".wav")).string();
    std::string name, reason;
    std::FILE* file = CreateFileBeside(target, name, reason);
    ASSERT_NE(file, nullptr) << reason;
    EXPECT_EQ(fs::path(name).parent_path(), dir);
    EXPECT_LE(fs::path(name).filename().string().size(), 255u);
    EXPECT_EQ(std::fwrite("data", 1, 4, file), 4u);
    std::fclose(file);
    EXPECT_EQ(PublishFile(name, target, false, reason), PublishResult::Published) << reason;
    EXPECT_EQ(Names(), std::vector<std::string>{base + ".wav"});
    EXPECT_EQ(Text(base + ".wav"), "data");
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongTargetNames,
                         ::testing::Values(size_t(12), size_t(241), size_t(242), size_t(250),
                                           size_t(255)));

TEST_F(PlatformFiles, CreatingBesideAMissingFolderFails) {
    std::string name, reason;
    EXPECT_EQ(CreateFileBeside((dir / "absent" / "out.wav").string(), name, reason), nullptr);
    EXPECT_FALSE(reason.empty());
}

struct PublishCase {
    std::string name;
    bool targetExists;
    bool replace;
    PublishResult result;
    std::vector<std::string> namesAfter;
    std::string targetAfter; // contents of out.wav
};

class Publishing : public PlatformFiles, public ::testing::WithParamInterface<PublishCase> {};

TEST_P(Publishing, TakesTheTargetsNameOnlyWhenAllowed) {
    const PublishCase& c = GetParam();
    const std::string finished = Put("out.wav.kavoxm-abc123", "new");
    if (c.targetExists) Put("out.wav", "old");
    std::string reason;
    EXPECT_EQ(PublishFile(finished, (dir / "out.wav").string(), c.replace, reason), c.result)
        << reason;
    EXPECT_EQ(Names(), c.namesAfter);
    EXPECT_EQ(Text("out.wav"), c.targetAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, Publishing,
    ::testing::Values(
        PublishCase{"New", false, false, PublishResult::Published, {"out.wav"}, "new"},
        PublishCase{"NewWithReplace", false, true, PublishResult::Published, {"out.wav"}, "new"},
        PublishCase{"ExistingKept",
                    true,
                    false,
                    PublishResult::Exists,
                    {"out.wav", "out.wav.kavoxm-abc123"},
                    "old"},
        PublishCase{"ExistingReplaced", true, true, PublishResult::Published, {"out.wav"}, "new"}),
    [](const ::testing::TestParamInfo<PublishCase>& info) { return info.param.name; });

TEST_F(PlatformFiles, PublishingIntoAMissingFolderFailsAndKeepsTheFile) {
    const std::string finished = Put("out.wav.kavoxm-abc123", "new");
    for (const bool replace : {false, true}) {
        std::string reason;
        EXPECT_EQ(PublishFile(finished, (dir / "absent" / "out.wav").string(), replace, reason),
                  PublishResult::Failed);
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(Text("out.wav.kavoxm-abc123"), "new");
    }
}

} // namespace
