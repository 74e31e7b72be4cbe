#include "MMSystem/Console.h"

#include <fcntl.h>
#include <io.h>

void SetBinaryMode(std::FILE* stream) {
    std::fflush(stream);
    _setmode(_fileno(stream), _O_BINARY);
}
