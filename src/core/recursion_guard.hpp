// The one guard of every recursive walk over caller data.
#pragma once

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
};

}  // namespace tiven
