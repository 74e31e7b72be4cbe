// A C++ host of the engine itself: renders a song offline to standard output, raw 16-bit stereo
// at 44100 Hz, up to the frame count given.
#include <KavoXM/KavoXM.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::ifstream file(argv[1], std::ios::binary);
    std::vector<char> song{std::istreambuf_iterator<char>(file), {}};
    TKavoXM player(44100, 2048, 4, true, 10, 16, 0, TKavoXMOutput::None);
    TKavoXMLoadInfo info;
    if (!player.Module->LoadFromMemory(song.data(), int32_t(song.size()), &info)) return 1;
    if (!player.StartOffline()) return 1;
    std::vector<int16_t> pcm(2 * size_t(std::atol(argv[2])));
    const int32_t frames = player.RenderOffline(pcm.data(), int32_t(pcm.size() / 2));
    return std::fwrite(pcm.data(), 4, size_t(frames), stdout) == size_t(frames) ? 0 : 1;
}
