#pragma once
// Debian's Emscripten ships a C++ library without std::atomic_ref. The engine uses it for a few
// counters and flags shared with its output thread; this stand-in, force-included in the
// WebAssembly build only, gives the operations the engine uses over the compiler's atomic
// built-ins, so they keep their meaning.
#include <atomic>
#include <version>

#if !defined(__cpp_lib_atomic_ref)
namespace std {
template <class T> class atomic_ref {
  public:
    explicit atomic_ref(T& value) noexcept : Value(&value) {}
    T load(memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_load_n(Value, int(order));
    }
    void store(T value, memory_order order = memory_order_seq_cst) const noexcept {
        __atomic_store_n(Value, value, int(order));
    }
    T fetch_add(T value, memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_fetch_add(Value, value, int(order));
    }
    T fetch_or(T value, memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_fetch_or(Value, value, int(order));
    }
    T fetch_and(T value, memory_order order = memory_order_seq_cst) const noexcept {
        return __atomic_fetch_and(Value, value, int(order));
    }

  private:
    T* Value;
};
} // namespace std
#endif
