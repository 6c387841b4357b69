// The one guard of every recursive walk over caller data.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tiven {

// One level of a recursive walk. A level is refused with RecursionError
// ("maximum recursion depth exceeded" + where) when the interpreter's own C
// guard refuses it, when the walk is deeper than sys.getrecursionlimit(), or
// when less C stack is left than a level and its error may need. The walks
// recurse through C frames and calls that the interpreter does not count, and
// one level spends far more stack than its own limits assume.
// Errors are thrown (PythonErrorSet).
class RecursionGuard {
public:
    explicit RecursionGuard(const char* where);
    ~RecursionGuard();
    RecursionGuard(const RecursionGuard&) = delete;
    RecursionGuard& operator=(const RecursionGuard&) = delete;

    // How many levels of one of the interpreter's own recursive walks that
    // does not look at the C stack (the json module's reader) fit in what is
    // left above the margin; SIZE_MAX where the walk's own count runs out
    // first (as in the main thread) or the stack is unknown, so that the
    // walk's own answer stands.
    static size_t interpreter_levels_left();
    // Refuses as a level is refused.
    [[noreturn]] static void refuse(const char* where);

    // The guard of a walk that bounds its own depth and calls no code while
    // it recurses: the stack left is found once, so that each level costs a
    // call and a comparison, and no level is counted against the recursion
    // limit (as the json module's reader counts none). Where the stack is
    // unknown, the walk's own bound holds.
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
};

}  // namespace tiven
