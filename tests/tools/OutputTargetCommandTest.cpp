// What render does with what its output name leads to: a device or a pipe is written into and
// stays what it is, a regular file is replaced only with --force (through a symbolic link, the
// file the link names), anything else is refused with what it is.
#include "ToolRun.h"
#include "ToolSongs.h"

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>

namespace {
using namespace tooltest;

bool IsCharacterDevice(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

uint32_t Le32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= uint32_t(uint8_t(bytes[at + i])) << (8 * i);
    return v;
}

// A WAV image whose header declares `dataBytes` of 16-bit stereo data.
void ExpectWavDeclaring(const std::string& wav, size_t dataBytes) {
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(Le32(wav, 40), dataBytes);
    EXPECT_EQ(Le32(wav, 4), dataBytes + 36);
}

class OutputTarget : public ToolTest {
  protected:
    void SetUp() override {
        ToolTest::SetUp();
        if (!IsSkipped()) Write("song.xm", SmallSong());
    }
};

// Half a second of 16-bit stereo at 44100 Hz.
constexpr size_t HalfSecondBytes = 22050 * 4;

TEST_F(OutputTarget, ANamedPipeIsWrittenIntoWithoutForce) {
    ASSERT_EQ(::mkfifo((dir / "pipe.wav").c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadText(dir / "pipe.wav"); });
    const RunResult r = Run("render song.xm -o pipe.wav --seconds 0.5");
    // A tool that did not open the pipe leaves the reader waiting for a writer: be one.
    const int writer = ::open((dir / "pipe.wav").c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    reader.join();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // A pipe cannot be written twice: its header declares the data to come, exactly.
    ExpectWavDeclaring(received, HalfSecondBytes);
    EXPECT_EQ(received.size(), 44 + HalfSecondBytes);
    EXPECT_EQ(fs::status(dir / "pipe.wav").type(), fs::file_type::fifo);
    EXPECT_EQ(Files(), (std::vector<std::string>{"pipe.wav", "song.xm"})); // no temporary
}

TEST_F(OutputTarget, ACharacterDeviceStaysADevice) {
    if (::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "mknod needs root: " << std::strerror(errno);
    for (const char* force : {"", " --force"}) {
        const RunResult r = Run(std::string("render song.xm -o null --seconds 0.5") + force);
        EXPECT_EQ(r.exitCode, 0) << force << r.err;
        EXPECT_TRUE(IsCharacterDevice(dir / "null")) << force;
    }
    EXPECT_EQ(Files(), (std::vector<std::string>{"null", "song.xm"}));
}

// The name of an open descriptor writes into it: a regular file behind it gets its true sizes,
// a pipe a header declaring what is to come.
TEST_F(OutputTarget, StandardOutputByNameIsWrittenInto) {
    const RunResult file = Run("render song.xm -o /dev/stdout --seconds 0.5");
    EXPECT_EQ(file.exitCode, 0) << file.err;
    ExpectWavDeclaring(file.out, HalfSecondBytes);
    EXPECT_EQ(file.out.size(), 44 + HalfSecondBytes);
    const RunResult piped = Run("render song.xm -o /dev/stdout --seconds 0.5 | cat");
    ExpectWavDeclaring(piped.out, HalfSecondBytes);
    EXPECT_EQ(piped.out.size(), 44 + HalfSecondBytes);
}

TEST_F(OutputTarget, OtherKindsAreRefusedWithWhatTheyAre) {
    fs::create_directories(dir / "folder.wav");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir / "socket.wav").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socketPath.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_symlink("missing.wav", dir / "dangling.wav");
    std::vector<std::pair<std::string, std::string>> refused = {
        {"folder.wav", "is a directory"},
        {"socket.wav", "is a socket"},
        {"dangling.wav", "is a symbolic link to a missing file"}};
    if (::mknod((dir / "block.wav").c_str(), S_IFBLK | 0600, makedev(7, 0)) == 0)
        refused.push_back({"block.wav", "is a block device"});
    for (const auto& [name, what] : refused) {
        const RunResult r = Run("render song.xm --force --seconds 0.1 -o " + name);
        EXPECT_EQ(r.exitCode, 1) << name;
        EXPECT_EQ(r.err, "kavoxm render: cannot write " + name + ": " + what + "\n");
    }
    ::close(sock);
    EXPECT_TRUE(fs::is_directory(dir / "folder.wav"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.wav"));
    EXPECT_FALSE(fs::exists(dir / "missing.wav"));
}

// --force writes the file a symbolic link names, beside it, as cp does; the link stays.
TEST_F(OutputTarget, ForceThroughALinkReplacesTheFileItNames) {
    fs::create_directories(dir / "store");
    Write("store/real.wav", {'o', 'l', 'd'});
    fs::create_symlink("store/real.wav", dir / "link.wav");
    const RunResult refused = Run("render song.xm -o link.wav --seconds 0.5");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("link.wav exists (--force replaces the file it links to, "),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(ReadText(dir / "store/real.wav"), "old");

    const RunResult forced = Run("render song.xm -o link.wav --seconds 0.5 --force");
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_TRUE(fs::is_symlink(dir / "link.wav"));
    ExpectWavDeclaring(ReadText(dir / "store/real.wav"), HalfSecondBytes);
    EXPECT_EQ(Files(), (std::vector<std::string>{"link.wav", "song.xm", "store"}));
    EXPECT_EQ(fs::directory_iterator(dir / "store")->path().filename(), "real.wav");
}

} // namespace
