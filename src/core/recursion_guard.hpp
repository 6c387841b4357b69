// The one guard of every recursive walk over caller data.
#pragma once
#include <cstddef>
#include <cstdint>

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

namespace tiven {

// The calling frame's address on the C stack.
inline uintptr_t stack_here() {
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

// One level of a recursive walk. A level is refused with RecursionError
// ("maximum recursion depth exceeded" + where) when the interpreter's own C
// guard refuses it, when the walk is deeper than sys.getrecursionlimit(), or
// when less C stack is left than a level and its error may need. The walks
// recurse through C frames and calls that the interpreter does not count, and
// one level spends far more stack than its own limits assume.
// Errors are thrown (PythonErrorSet).
class RecursionGuard {
public:
    // Whether a level counts against sys.getrecursionlimit(). The levels of a
    // text reader do not, as the json module's own do not: only the
    // interpreter's C guard and the C stack limit them.
    enum class Counted { Yes, No };

    explicit RecursionGuard(const char* where, Counted counted = Counted::Yes);
    ~RecursionGuard();
    RecursionGuard(const RecursionGuard&) = delete;
    RecursionGuard& operator=(const RecursionGuard&) = delete;

    // Refuses, as a level would be refused, a call that will spend `bytes` of
    // C stack out of our sight (the json module's reader recursing over a
    // deep text) when that much is not left above the margin.
    static void reserve(const char* where, size_t bytes);

    // The guard of a reader that bounds its own depth and calls no code
    // while it recurses: the stack left is found once, so that each level
    // costs a comparison. Levels are refused as a RecursionGuard's would be
    // for the stack; where the stack is unknown, the reader's bound holds.
    class Floor {
    public:
        Floor();
        // Out of line, so that it measures below the caller's whole frame
        // (inlined, it would see the frame's top: under AddressSanitizer a
        // frame of the reader spans kilobytes).
        void check(const char* where) const;

    private:
        uintptr_t floor_;
    };

    [[noreturn]] static void refuse(const char* where);

private:
    bool counted_;
};

}  // namespace tiven
