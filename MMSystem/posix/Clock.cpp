#include "MMSystem/MMSystem.h"

#include <chrono>

DWORD timeGetTime() {
    using namespace std::chrono;
    return DWORD(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
