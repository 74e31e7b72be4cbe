#include "Ostrel/ConsolePlayer.h"

#include "KavoXM/KavoXM.h"
#include "KavoXM/player/PlatformThreads.h"

#include <atomic>
#include <memory>

const char* const BannerLines[14] = {
    "\r\n",
    "  --------------------------------\r\n",
    " | \"Sombrevallis\" by Quennorabeth |\r\n",
    "  --------------------------------\r\n",
    "\r\n",
    " Powered using KavoXM engine / WinMM\r\n",
    " shrinked edition by Quennorabeth\r\n",
    " Executable is packed with UPX\r\n",
    "\r\n",
    " Especially for Yolvane\r\n",
    "\r\n",
    " Vote for me if u like this music!\r\n",
    " Thanks ;)\r\n",
    "\r\n",
};

std::string FormatTwoDigits(int32_t value) {
    std::string text = std::to_string(value);
    if (text.size() < 2) text.insert(0, 2 - text.size(), ' ');
    return text;
}

std::string ProgressLine(int32_t pattern, int32_t row) {
    return " Pattern: " + FormatTwoDigits(pattern) + ", Row: " + FormatTwoDigits(row) + "\r";
}

bool ReachedStopPoint(int32_t pattern, int32_t row) {
    return pattern == 12 && row > 60;
}

namespace {

void WriteFlushed(std::FILE* stream, const std::string& text) {
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
}

// The output thread moves the song position while this thread reads it without the lock.
int32_t CurrentPatternOf(TKavoXMModule& module) {
    return module.LoadCurrentPattern();
}
int32_t CurrentRowOf(TKavoXMModule& module) {
    return module.LoadCurrentRow();
}

void PollUntilStopPoint(TKavoXMModule& module, std::FILE* out) {
    for (;;) {
        KavoXMSleepMs(10);
        if (ReachedStopPoint(CurrentPatternOf(module), CurrentRowOf(module))) return;
        WriteFlushed(out, ProgressLine(CurrentPatternOf(module), CurrentRowOf(module)));
    }
}

} // namespace

int RunConsolePlayer(const uint8_t* image, int32_t size, std::FILE* out, std::FILE* err,
                     int32_t threadPollMs) {
    for (const char* line : BannerLines) WriteFlushed(out, line);
    auto player = std::make_unique<TKavoXM>(44100, 2048, 4, true, threadPollMs, 16, 0);
    if (!player->DeviceOpen) {
        WriteFlushed(err, "Ostrel: no audio output device could be opened\n");
        return 1;
    }
    player->ClipOutput = true;
    player->Module->MasterVolume = 230;
    if (!player->Module->LoadFromMemory(image, size)) {
        WriteFlushed(err, "Ostrel: the song could not be loaded\n");
        return 1;
    }
    player->Play();
    PollUntilStopPoint(*player->Module, out);
    player.reset();
    return 0;
}
