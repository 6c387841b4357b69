// Texts and token values between the interpreter and the scanners and writers:
// a str as the code points the readers scan, the values of the tokens they
// find, and the str of a text a writer built.
#pragma once
#include <Python.h>

#include <memory>
#include <string>

#include "core/pyref.hpp"
#include "geometry/coords.hpp"
#include "geometry/text_scan.hpp"

namespace tiven::geometry {

// The code points of a str, as the readers scan them.
class CodePoints {
public:
    explicit CodePoints(PyObject* str);
    Text text() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<char32_t[]> data_;
    size_t size_;
};
// A new str from code points.
Ref str_of(Text t);
Ref str_of(Text t, Span s);
// A new str from the UTF-8 a writer built (lone surrogates encoded as they
// stand); `ascii` when the writer knows it wrote nothing else.
Ref str_of_utf8(const std::string& text, bool ascii = false);

// A writer's text buffer, taken from the thread's spare and handed back at
// the end, so that large texts do not fault in fresh pages on every call. A
// writer entered again meanwhile (through a member's own str) starts empty.
class ScratchText {
public:
    ScratchText();
    ~ScratchText();
    ScratchText(const ScratchText&) = delete;
    ScratchText& operator=(const ScratchText&) = delete;
    std::string& text() { return text_; }

private:
    std::string text_;
};

// The nested lists of a coordinate body, with numbers as the json module
// reads them; texts with other tokens are read by the json module itself.
Ref coords_value(Text t, const Coords& c);
// json.loads of the text; linear reader first, the json module for the rest.
Ref json_value(PyObject* str, Text t);

}  // namespace tiven::geometry
