#include "KavoXM/module/Module.h"

// Placeholder until the XM reader lands: every image is refused.
bool TKavoXMModule::LoadFromMemory(const void* /*data*/, int32_t /*size*/) {
    Clear();
    return false;
}
