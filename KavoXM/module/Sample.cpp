#include "KavoXM/module/Sample.h"

#include <cstdlib>

void TKavoXMSample::Clear() {
    AllocateData(0);
    Bits = 8;
    Channels = 1;
    Name.clear();
    LoopEnabled = false;
    PingPongLoop = false;
    LoopStart = 0;
    LoopLength = 0;
    Volume = 64;
    UsePanning = true;
    Panning = 128;
    RelativeNote = 0;
    FineTune = 0;
}
