// The one recursion guard: the interpreter's own counts and the C stack left.
#include "core/recursion_guard.hpp"

#include <Python.h>

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <intrin.h>
#include <windows.h>
#elif defined(__APPLE__) || defined(__linux__)
#include <pthread.h>
#endif

#include "core/error.hpp"

namespace tiven {

namespace {

#if defined(__SANITIZE_ADDRESS__)
#define TIVEN_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TIVEN_ASAN 1
#endif
#endif

// Stack kept free below the deepest level: room for that level's own calls
// (a member's __str__ or __eq__ may run Python code) and for raising the
// error. AddressSanitizer's redzones make our frames several times larger:
// one level of the JSON encoder spans about 8 KiB, so a quarter of a 32 KiB
// stack would not hold a level and the throw of its refusal.
// At most 1/kMarginShare of a small thread stack is kept free, so that
// shallow walks still run in it.
#ifdef TIVEN_ASAN
constexpr size_t kMargin = 256 * 1024;
constexpr size_t kMarginShare = 2;
#else
constexpr size_t kMargin = 64 * 1024;
constexpr size_t kMarginShare = 4;
#endif
// Levels allowed where the stack's bounds are unknown, or where the walk runs
// on a stack of its own (as coroutine libraries switch to): about what
// 256 KiB hold of the heaviest walk.
constexpr int kFallbackDepth = 200;

struct ThreadStack {
    bool looked = false;
    uintptr_t low = 0;    // [low, high): the thread's stack; both 0 when unknown
    uintptr_t high = 0;
    uintptr_t limit = 0;  // a level whose frame lies below this is refused
    int depth = 0;        // levels entered on this thread
};

thread_local ThreadStack t_stack;

uintptr_t stack_here() {
#if defined(__GNUC__) || defined(__clang__)
    // The real frame, also where AddressSanitizer moves locals to a heap stack.
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
#elif defined(_MSC_VER)
    return reinterpret_cast<uintptr_t>(_AddressOfReturnAddress());
#else
    volatile char probe = 0;
    return reinterpret_cast<uintptr_t>(&probe);
#endif
}

// The calling thread's stack as [low, high), stacks growing down; false when unknown.
bool stack_bounds(uintptr_t& low, uintptr_t& high) {
#if defined(_WIN32)
    ULONG_PTR lo = 0, hi = 0;
    GetCurrentThreadStackLimits(&lo, &hi);
    low = lo;
    high = hi;
    return low < high;
#elif defined(__APPLE__)
    pthread_t self = pthread_self();
    high = reinterpret_cast<uintptr_t>(pthread_get_stackaddr_np(self));
    low = high - pthread_get_stacksize_np(self);
    return low < high;
#elif defined(__linux__)
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return false;
    void* addr = nullptr;
    size_t size = 0, guard = 0;
    bool ok = pthread_attr_getstack(&attr, &addr, &size) == 0 && pthread_attr_getguardsize(&attr, &guard) == 0;
    pthread_attr_destroy(&attr);
    if (!ok || size <= guard) return false;
    low = reinterpret_cast<uintptr_t>(addr) + guard;
    high = reinterpret_cast<uintptr_t>(addr) + size;
    return true;
#else
    (void)low;
    (void)high;
    return false;
#endif
}

void look_up(ThreadStack& s) {
    s.looked = true;
    uintptr_t low = 0, high = 0;
    if (!stack_bounds(low, high)) return;
    size_t margin = (high - low) / kMarginShare;
    if (margin > kMargin) margin = kMargin;
    s.low = low;
    s.high = high;
    s.limit = low + margin;
}

ThreadStack& this_thread_stack() {
    ThreadStack* s = &t_stack;
#if defined(__GNUC__) || defined(__clang__)
    // Looked up once: the compiler would repeat the thread-local lookup after each call.
    __asm__("" : "+r"(s));
#endif
    if (!s->looked) look_up(*s);
    return *s;
}

// C stack the json module's reader spends on one level: about 130 bytes in a
// release build, with room to spare.
constexpr size_t kInterpreterLevelStack = 192;

}  // namespace

void RecursionGuard::refuse(const char* where) {
    PyErr_Format(PyExc_RecursionError, "maximum recursion depth exceeded%s", where);
    throw PythonErrorSet{};
}

size_t RecursionGuard::interpreter_levels_left() {
    ThreadStack& s = this_thread_stack();
    uintptr_t here = stack_here();
    if (here < s.low || here >= s.high) return SIZE_MAX;  // bounds unknown, or another stack
    const int remaining = PyThreadState_Get()->c_recursion_remaining;
    if (here < s.limit) return 0;
    const size_t fit = (here - s.limit) / kInterpreterLevelStack;
    return remaining <= 0 || fit >= static_cast<size_t>(remaining) ? SIZE_MAX : fit;
}

RecursionGuard::RecursionGuard(const char* where) {
    ThreadStack& s = this_thread_stack();
    uintptr_t here = stack_here();
    // One test on the common road: on the known stack, above the margin.
    if (here - s.limit >= s.high - s.limit) {
        bool on_stack = here >= s.low && here < s.high;
        if (on_stack || s.depth >= kFallbackDepth) refuse(where);
    }
    if (Py_EnterRecursiveCall(where)) throw PythonErrorSet{};
    if (s.depth + 1 > Py_GetRecursionLimit()) {
        Py_LeaveRecursiveCall();
        refuse(where);
    }
    ++s.depth;
}

RecursionGuard::~RecursionGuard() {
    --t_stack.depth;
    Py_LeaveRecursiveCall();
}

RecursionGuard::Floor::Floor() {
    ThreadStack& s = this_thread_stack();
    uintptr_t here = stack_here();
    floor_ = here >= s.low && here < s.high ? s.limit : 0;
}

void RecursionGuard::Floor::check(const char* where) const {
    if (stack_here() < floor_) refuse(where);
}

}  // namespace tiven
