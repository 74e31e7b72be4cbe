#pragma once
// Text of a song file for display: names and the message are bytes without a declared
// encoding.
#include "KavoXM/module/CodePage.h"

#include <string>
#include <string_view>

// The bytes as UTF-8: a text that is valid UTF-8 stays as it is, anything else is read in the
// file's code page (bytes it leaves undefined count as control characters). Control characters
// (C0, DEL, C1) are removed; with `keepLineBreaks`, CR LF, CR and LF become one '\n' each.
std::string TextUtf8(std::string_view bytes, TKavoXMCodePage page, bool keepLineBreaks = false);
