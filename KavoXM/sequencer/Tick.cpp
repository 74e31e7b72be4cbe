#include "KavoXM/module/Module.h"

// Placeholder until the sequencer lands: the song stays where it is.
void TKavoXMModule::ProcessTick() {}
