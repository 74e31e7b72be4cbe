#include "MMSystem/Console.h"

void SetBinaryMode(std::FILE* /*stream*/) {}
