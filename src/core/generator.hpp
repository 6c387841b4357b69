// The generator object returned by the methods that are generator functions.
#pragma once
#include <Python.h>

#include <memory>

#include "core/pyref.hpp"

namespace tiven {

// The body of a generator method. next() gives the next item, or an empty Ref
// when the generator is exhausted; errors are thrown. close() releases what the
// body holds (open files); it is called once on exhaustion, error, close(),
// throw() and when the generator is dropped.
class GeneratorBody {
public:
    virtual ~GeneratorBody() = default;
    virtual Ref next() = 0;
    virtual void close() noexcept {}
    // Visits the Python objects the body owns, so that a generator kept alive
    // only through a cycle (stored on the object it reads) is collected and closed.
    virtual int traverse(visitproc, void*) { return 0; }
};

Ref make_generator(std::unique_ptr<GeneratorBody> body, const char* name, const char* qualname);

}  // namespace tiven
