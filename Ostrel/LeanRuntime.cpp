// Replacements for parts of the statically linked C++ runtime that the standalone programs
// would otherwise carry for nothing. Linked before the runtime library, these definitions
// keep the runtime's own from being pulled in, and with them what they use.
//
// - The default terminate handler prints the name of an uncaught exception's type, which links
//   the whole name demangler and a printf engine; an uncaught exception here ends the program
//   just the same without the name.
// - The library's helpers that throw logic errors (length_error, out_of_range, ...) build
//   exception objects holding std::string, which links the string and locale-free stream
//   support. The engine catches failures to allocate where it loads a song; a size that cannot
//   be represented is the same failure to it, so these throw std::bad_alloc.
// - A thread or lock the system refuses throws std::system_error, whose message text links
//   the same string support; nothing in these programs catches it, so it ends the program as
//   it would uncaught.
// - The engine formats its load refusals with vsnprintf, which MinGW routes to a complete C99
//   printf engine of its own (floating point included). The system's C library formats the
//   integers and strings of those messages the same way.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <new>

extern "C" int __mingw_vsnprintf(char* buffer, size_t size, const char* format, va_list arguments) {
    va_list counting;
    va_copy(counting, arguments);
    const int length = _vscprintf(format, counting);
    va_end(counting);
    if (size == 0) return length;
    const int written = _vsnprintf(buffer, size, format, arguments);
    if (written < 0 || size_t(written) >= size) buffer[size - 1] = '\0';
    return length;
}

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() {
    throw std::bad_alloc();
}
void __throw_length_error(const char*) {
    throw std::bad_alloc();
}
void __throw_out_of_range(const char*) {
    throw std::bad_alloc();
}
void __throw_out_of_range_fmt(const char*, ...) {
    throw std::bad_alloc();
}
void __throw_logic_error(const char*) {
    throw std::bad_alloc();
}
void __throw_invalid_argument(const char*) {
    throw std::bad_alloc();
}
void __throw_system_error(int) {
    std::abort();
}
void __throw_bad_array_new_length() {
    throw std::bad_array_new_length();
}
} // namespace std
