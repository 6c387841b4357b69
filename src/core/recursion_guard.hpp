// The one guard of every recursive walk over caller data.
#pragma once
#include <cstddef>
#include <cstdint>

struct _object;  // PyObject, without the interpreter's headers

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

    // Refuses, as a level would be refused, a call into one of the
    // interpreter's own recursive walks that does not look at the C stack
    // (the json module's reader, repr and str of nested containers) when
    // `levels` of it would not fit in what is left above the margin.
    static void reserve(const char* where, size_t levels);
    // reserve() for repr, str or format of a caller's value: its levels are
    // the nesting of the lists, tuples, dicts and sets in it.
    static void reserve_text(const char* where, _object* value);

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
