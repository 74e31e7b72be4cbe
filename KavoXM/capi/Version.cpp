// The library's version and the texts of its error codes.
#include "KavoXM/capi/kavoxm.h"

#define KAVOXM_TEXT_OF(x) #x
#define KAVOXM_VERSION_TEXT(a, b, c) KAVOXM_TEXT_OF(a) "." KAVOXM_TEXT_OF(b) "." KAVOXM_TEXT_OF(c)

extern "C" {

uint32_t kavoxm_version(void) {
    return KAVOXM_VERSION_MAJOR * 10000u + KAVOXM_VERSION_MINOR * 100u + KAVOXM_VERSION_PATCH;
}

const char* kavoxm_version_string(void) {
    return KAVOXM_VERSION_TEXT(KAVOXM_VERSION_MAJOR, KAVOXM_VERSION_MINOR, KAVOXM_VERSION_PATCH);
}

const char* kavoxm_error_string(int error) {
    switch (error) {
    case KAVOXM_OK:
        return "no error";
    case KAVOXM_ERROR_INVALID_ARGUMENT:
        return "invalid argument";
    case KAVOXM_ERROR_OUT_OF_MEMORY:
        return "out of memory";
    case KAVOXM_ERROR_READ:
        return "cannot read the data";
    case KAVOXM_ERROR_NOT_XM:
        return "not an XM module";
    case KAVOXM_ERROR_TRUNCATED:
        return "the module is truncated";
    case KAVOXM_ERROR_TOO_LARGE:
        return "the module is too large";
    case KAVOXM_ERROR_POSITION:
        return "no such position";
    case KAVOXM_ERROR_NO_DEVICE:
        return "no audio device could be opened";
    case KAVOXM_ERROR_INTERNAL:
        return "internal error";
    case KAVOXM_ERROR_BUSY:
        return "not now: the handle is playing on the device";
    default:
        return "unknown error";
    }
}

} // extern "C"
