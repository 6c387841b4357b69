// The one guard of every recursive walk over caller data.
#pragma once
#include <cstdint>

#include "core/pyref.hpp"

namespace tiven {

// For the length of a scope, the interpreter's own recursion count (the guard
// of its repr, str, format, json.loads and evaluation loop, which on 3.13
// never looks at the C stack) promises no more levels than the stack left
// holds, so that the interpreter refuses with its own RecursionError where it
// would otherwise overflow. Given back on leaving, on every path. Nothing
// changes where the stack holds the whole count, where the stack is unknown,
// or on interpreters whose guard measures the stack itself.
class StackBoundCount {
public:
    StackBoundCount();
    ~StackBoundCount();
    StackBoundCount(const StackBoundCount&) = delete;
    StackBoundCount& operator=(const StackBoundCount&) = delete;

private:
    int lowered_;
};

// The interpreter's str, repr and format of a caller's value, shown in a
// message or written as text, under StackBoundCount.
Ref str_within_stack(PyObject* value);
Ref repr_within_stack(PyObject* value);
Ref format_within_stack(PyObject* value, PyObject* spec);

// One level of a recursive walk. A level is refused with RecursionError
// ("maximum recursion depth exceeded" + where) when the interpreter's own C
// guard refuses it, when the walk is deeper than sys.getrecursionlimit(), or
// when less C stack is left than a level and its error may need. The walks
// recurse through C frames and calls that the interpreter does not count, and
// one level spends far more stack than its own limits assume. While a level
// is held, the interpreter's count is bound to the stack left, as by
// StackBoundCount: a member's str or a caller's __eq__ may run at any level.
// Errors are thrown (PythonErrorSet).
class RecursionGuard {
public:
    explicit RecursionGuard(const char* where);
    ~RecursionGuard();
    RecursionGuard(const RecursionGuard&) = delete;
    RecursionGuard& operator=(const RecursionGuard&) = delete;

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

private:
    int lowered_;
};

}  // namespace tiven
