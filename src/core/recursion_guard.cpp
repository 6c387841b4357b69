// The one recursion guard: the interpreter's own counts and the C stack left.
#include "core/recursion_guard.hpp"

#include <Python.h>

#include <algorithm>
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

// Stack kept free below the deepest level of a walk that runs no code of the
// caller's (the interpreter's counted levels, our scanner and vertex
// comparison): room to raise the error and unwind. At most
// 1/kFloorMarginShare of a small thread stack, so that shallow walks still
// run in it. Such a level's frame is small even under AddressSanitizer, and
// the interpreter is not instrumented, so a sanitizer build keeps no more.
constexpr size_t kFloorMargin = 64 * 1024;
constexpr size_t kFloorMarginShare = 4;

// Stack kept free below the deepest level of our walks over caller data:
// room for that level's own calls (a member's __str__ or __eq__ may run
// Python code) and for raising the error. AddressSanitizer's redzones make our frames several times
// larger: one level of the JSON encoder spans about 8 KiB, so a quarter of a
// 32 KiB stack would not hold a level and the throw of its refusal.
#ifdef TIVEN_ASAN
constexpr size_t kMargin = 256 * 1024;
constexpr size_t kMarginShare = 2;
#else
constexpr size_t kMargin = kFloorMargin;
constexpr size_t kMarginShare = kFloorMarginShare;
#endif

// Levels allowed where the stack's bounds are unknown, or where the walk runs
// on a stack of its own (as coroutine libraries switch to): about what
// 256 KiB hold of the heaviest walk.
constexpr int kFallbackDepth = 200;

#if PY_VERSION_HEX >= 0x030D0000 && PY_VERSION_HEX < 0x030E0000
#define TIVEN_BOUND_COUNT 1
// 3.13 guards the interpreter's own recursive C walks with a count alone,
// c_recursion_remaining (10,000 on Linux), as if the whole main-thread stack
// lay ahead. It bounds what the interpreter counts: the built-in containers,
// and chains of __repr__, __str__ and __format__ written in Python. A value
// whose own code spends stack that is not counted (sorting inside its
// __repr__: 816 to 1,053 bytes a count) can still exhaust a small thread
// stack, or one a deep walk has spent, as it can in plain CPython 3.13.
// C stack that one count spends, measured on 3.13.0 (release, x86-64 Linux)
// as the growth per nesting level between threads of 256 KiB and 1 MiB,
// divided by the counts a level spends (the same for repr, str, format and
// f-strings but where noted):
//   kind                       counts/level  bytes/level  bytes/count
//   list                       1             144          144
//   tuple                      1             160          160
//   dict                       1             208          208
//   set, frozenset             2             224          112
//   deque                      2             656          328
//   OrderedDict                2             720          360
//   namedtuple                 3             1008         336
//   SimpleNamespace            1             560          560
//   dict values / items / keys 2 / 3 / 3     656/817/1248 328/272/416
//   json.loads array, object   1             128          128
//   __repr__ / __str__ / __format__ in Python, calling the child's:
//                              4 / 3 / 2     576/544/672  144/181/336
// The largest measured with an eighth more: the main thread's 8 MiB still
// hold the whole count, 10,000 levels at 640 bytes.
constexpr size_t kCountStack = 640;
// A thread's count starts at the interpreter's own limit, fixed when the
// interpreter was built, not as these headers see it: seeing AddressSanitizer
// they say 4,000, while the release interpreter a sanitizer build is loaded
// into starts every thread at 10,000. So the common road takes the largest any
// 3.13 build gives; below it, the thread's own count is compared with the room.
constexpr size_t kLargestCount = 10000;
static_assert(Py_C_RECURSION_LIMIT <= kLargestCount);
constexpr size_t kWholeCount = kLargestCount * kCountStack;
#endif

struct ThreadStack {
    bool looked = false;
    uintptr_t low = 0;    // [low, high): the thread's stack; both 0 when unknown
    uintptr_t high = 0;
    uintptr_t limit = 0;  // a level whose frame lies below this is refused
    uintptr_t floor = 0;  // the same for levels that run no caller code
    uintptr_t whole = 0;  // from here up, the stack holds the interpreter's whole count
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
    s.low = low;
    s.high = high;
    s.limit = low + std::min((high - low) / kMarginShare, kMargin);
    s.floor = low + std::min((high - low) / kFloorMarginShare, kFloorMargin);
#ifdef TIVEN_BOUND_COUNT
    s.whole = s.floor + kWholeCount;
#endif
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

#ifdef TIVEN_BOUND_COUNT
// Lowers the calling thread's count to the levels the stack left holds;
// gives back by how much.
int bind_count(const ThreadStack& s, uintptr_t here) {
    // The whole count fits (the common road), the bounds are unknown, or this is another stack.
    if (here >= s.whole || here < s.low || here >= s.high) return 0;
    const size_t room = here > s.floor ? here - s.floor : 0;
    PyThreadState* ts = PyThreadState_Get();
    const int remaining = ts->c_recursion_remaining;
    if (remaining <= 0 || static_cast<size_t>(remaining) * kCountStack <= room) return 0;
    const int fit = static_cast<int>(room / kCountStack);
    ts->c_recursion_remaining = fit;
    return remaining - fit;
}

void give_back(int lowered) {
    if (lowered) PyThreadState_Get()->c_recursion_remaining += lowered;
}
#else
// Elsewhere the interpreter's guard measures the stack itself.
int bind_count(const ThreadStack&, uintptr_t) { return 0; }
void give_back(int) {}
#endif

}  // namespace

void RecursionGuard::refuse(const char* where) {
    PyErr_Format(PyExc_RecursionError, "maximum recursion depth exceeded%s", where);
    throw PythonErrorSet{};
}

StackBoundCount::StackBoundCount() : lowered_(bind_count(this_thread_stack(), stack_here())) {}

StackBoundCount::~StackBoundCount() { give_back(lowered_); }

Ref str_within_stack(PyObject* value) {
    StackBoundCount bound;
    return own(PyObject_Str(value));
}

Ref repr_within_stack(PyObject* value) {
    StackBoundCount bound;
    return own(PyObject_Repr(value));
}

Ref format_within_stack(PyObject* value, PyObject* spec) {
    StackBoundCount bound;
    return own(PyObject_Format(value, spec));
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
    lowered_ = bind_count(s, here);
}

RecursionGuard::~RecursionGuard() {
    give_back(lowered_);
    --t_stack.depth;
    Py_LeaveRecursiveCall();
}

RecursionGuard::Floor::Floor() {
    ThreadStack& s = this_thread_stack();
    uintptr_t here = stack_here();
    floor_ = here >= s.low && here < s.high ? s.floor : 0;
}

void RecursionGuard::Floor::check(const char* where) const {
    if (stack_here() < floor_) refuse(where);
}

}  // namespace tiven
