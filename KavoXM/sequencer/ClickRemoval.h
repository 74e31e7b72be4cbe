#pragma once
// Hand-over of a cut voice's last output to the module's click-removal sums.
#include "KavoXM/module/Module.h"
#include "KavoXM/sequencer/Channel.h"

// Adds the voice's last output to the click-removal sums, so that the render fades out what
// the voice stops contributing, and forgets it. The sums wrap like the mixing buffer.
inline void FoldIntoClickRemoval(TKavoXMChannel& channel) {
    if (channel.Module != nullptr) {
        TKavoXMModule& module = *channel.Module;
        module.ClickRemovalLeft =
            int32_t(uint32_t(module.ClickRemovalLeft) + uint32_t(channel.LastOutputLeft));
        module.ClickRemovalRight =
            int32_t(uint32_t(module.ClickRemovalRight) + uint32_t(channel.LastOutputRight));
    }
    channel.LastOutputLeft = 0;
    channel.LastOutputRight = 0;
}
