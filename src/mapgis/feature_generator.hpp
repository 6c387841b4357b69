// MapGisFile.getFeature: the generator over the valid records of a vector file.
#pragma once
#include <Python.h>

#include <cstdint>
#include <memory>

#include "core/pyref.hpp"
#include "mapgis/binary_file.hpp"
#include "mapgis/colour_library.hpp"
#include "mapgis/feature_kinds.hpp"

namespace tiven::mapgis {

// One walk over the record slots of a file: set-up on the first request, the
// file open until the walk ends (finish() or destruction closes it).
class FeatureWalk {
public:
    explicit FeatureWalk(PyObject* self);
    ~FeatureWalk();
    FeatureWalk(const FeatureWalk&) = delete;
    FeatureWalk& operator=(const FeatureWalk&) = delete;

    // The next feature and its id. With `parts`, a line feature comes as its
    // parts (properties flat) instead of a dictionary in *feature.
    bool advance(Ref* feature, LineFeatureParts* parts, long long* id);
    void finish() noexcept;
    int traverse(visitproc visit, void* arg) {
        Py_VISIT(self_.get());
        return 0;
    }

private:
    bool step(Ref* feature, LineFeatureParts* parts, long long* id);
    bool set_up();

    Ref self_;
    bool started_ = false, done_ = false;
    BinaryFile file_;
    ColourLibrary colours_;
    std::unique_ptr<FeatureContext> ctx_;
    int kind_ = -1;
    int64_t limit_ = 0, index_ = 0;
    long long valid_id_ = 0;
};

// A new generator over the features of `self` (a MapGisFile); reads nothing
// until the first item is requested.
Ref make_feature_generator(PyObject* self);

}  // namespace tiven::mapgis
