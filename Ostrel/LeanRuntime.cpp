// Replacements for parts of the statically linked C++ runtime that the standalone programs
// would otherwise carry for nothing. Linked before the runtime library, these definitions
// keep the runtime's own from being pulled in, and with them what they use. The programs are
// built without exceptions (cmake/SmallEngine.cmake), and nothing in them catches one.
//
// - Allocation: the runtime's operator new throws std::bad_alloc, which links the exception
//   machinery and the unwinder. Here a failed allocation ends the program at once, as the
//   uncaught exception would have.
// - The library's helpers that throw logic errors (length_error, out_of_range, ...) and
//   system errors build exception objects holding std::string; here they end the program the
//   same way.
// - The default terminate handler prints the name of an uncaught exception's type, which links
//   the whole name demangler and a printf engine.
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

namespace {
[[noreturn]] void OutOfMemory() {
    std::fputs("out of memory\n", stderr);
    std::abort();
}

void* Allocate(std::size_t size) {
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) OutOfMemory();
    return block;
}
} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size != 0 ? size : 1);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() {
    OutOfMemory();
}
void __throw_length_error(const char*) {
    OutOfMemory();
}
void __throw_out_of_range(const char*) {
    std::abort();
}
void __throw_out_of_range_fmt(const char*, ...) {
    std::abort();
}
void __throw_logic_error(const char*) {
    std::abort();
}
void __throw_invalid_argument(const char*) {
    std::abort();
}
void __throw_system_error(int) {
    std::abort();
}
void __throw_bad_array_new_length() {
    OutOfMemory();
}
void __throw_bad_function_call() {
    std::abort();
}
} // namespace std
