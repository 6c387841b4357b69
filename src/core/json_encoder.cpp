#include "core/json_encoder.hpp"

#include <cstring>
#include <optional>
#include <vector>

#include "core/json_text.hpp"
#include "core/module_state.hpp"
#include "core/recursion_guard.hpp"
#include "core/text_sink.hpp"

namespace tiven {

namespace {

// Thrown when the native walk meets what only json.dumps can judge.
struct NeedInterpreter {};

constexpr const char* kWhere = " while encoding a JSON object";

// Walk depth before handing over: json.dumps then reports the cycle or the
// recursion error in its own words.
constexpr int kMaxDeferDepth = 200;

static_assert(kFloatReprMax <= TextSink::kPiece && kJsonIntMax <= TextSink::kPiece);

template <bool Pretty, bool Defer>
class Walker {
public:
    Walker(std::string& out, const JsonOptions& o) : out_(out), opt_(o) {}

    // Returns whether all it wrote is ASCII.
    bool run(PyObject* v) {
        value(v, 0);
        out_.flush();
        return ascii_;
    }

private:
    // Flattened so the small writes of the hot path stay inline. Exact floats
    // and lists, the bulk of a geometry, are taken first.
    [[gnu::flatten]] void value(PyObject* v, int level) {
        if (PyFloat_CheckExact(v)) { number(PyFloat_AS_DOUBLE(v)); return; }
        if constexpr (!Defer) {
            if (PyList_CheckExact(v)) { list(v, level); return; }
        }
        if (v == Py_None) { out_.put("null"); return; }
        if (v == Py_True) { out_.put("true"); return; }
        if (v == Py_False) { out_.put("false"); return; }
        if (PyUnicode_Check(v)) { string(v); return; }
        if (PyLong_Check(v)) { integer(v); return; }
        if (PyFloat_Check(v)) { number(PyFloat_AS_DOUBLE(v)); return; }
        if constexpr (Defer) {
            if (level > kMaxDeferDepth) throw NeedInterpreter{};
        }
        if (PyList_Check(v) || PyTuple_Check(v)) { list(v, level); return; }
        if (PyDict_Check(v)) { dict(v, level); return; }
        if constexpr (Defer) throw NeedInterpreter{};
        // The json module names the class as o.__class__.__name__ (date, not datetime.date).
        Ref cls = own(PyObject_GetAttrString(v, "__class__"));
        Ref name = own(PyObject_GetAttrString(cls.get(), "__name__"));
        PyErr_Format(PyExc_TypeError, "Object of type %S is not JSON serializable", name.get());
        throw PythonErrorSet{};
    }

    TextSink out_;
    bool ascii_ = true;
    const JsonOptions& opt_;
    std::vector<PyObject*> path_;  // containers being written, for the cycle test
    // A newline and blanks, at least a piece long and as long as the deepest
    // indent written so far: indents are copied from it in whole pieces.
    std::string pad_ = std::string(1, '\n') + std::string(TextSink::kPiece - 1, ' ');

    // One container level of a walk that does not defer: the recursion guard
    // and the cycle test.
    class Level {
    public:
        Level(Walker& w, PyObject* o) : w_(w), guard_(kWhere) {
            for (PyObject* p : w.path_) {
                if (p == o) {
                    PyErr_SetString(PyExc_ValueError, "Circular reference detected");
                    throw PythonErrorSet{};
                }
            }
            w.path_.push_back(o);
        }
        ~Level() { w_.path_.pop_back(); }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;

    private:
        Walker& w_;
        RecursionGuard guard_;
    };

    void number(double x) { out_.advance(json_float_chars(x, out_.room())); }

    // Length of a newline and the indent of `level`; 0 on one line.
    size_t newline_size(int level) const {
        return Pretty ? 1 + static_cast<size_t>(level) * static_cast<size_t>(opt_.indent) : 0;
    }

    // Room a separator with a newline of at most a piece needs.
    static constexpr size_t kSeparatorRoom = 2 + TextSink::kPiece;
    static_assert(kSeparatorRoom + kFloatReprMax <= TextSink::kMaxRoom);

    // Writes at p what goes before item i: a comma (and a blank on one line),
    // then a newline of `newline` bytes (<= a piece). Returns the end.
    char* separator_at(char* p, Py_ssize_t i, size_t newline) const {
        if (i > 0) {
            if constexpr (Pretty) *p++ = ',';
            else p = static_cast<char*>(std::memcpy(p, ", ", 2)) + 2;
        }
        if constexpr (Pretty) {
            // A whole piece is copied, the bytes past the newline are written over later.
            std::memcpy(p, pad_.data(), TextSink::kPiece);
            p += newline;
        }
        return p;
    }

    void item_separator(Py_ssize_t i, int level) {
        size_t n = newline_size(level + 1);
        if (n <= TextSink::kPiece) {
            char* p = out_.room(kSeparatorRoom);
            out_.advance(static_cast<size_t>(separator_at(p, i, n) - p));
            return;
        }
        if (i > 0) out_.put(',');
        newline(level + 1);
    }

    void close(char c, int level) {
        if constexpr (Pretty) newline(level);
        out_.put(c);
    }

    void newline(int level) {
        size_t n = newline_size(level);
        if (n <= TextSink::kPiece) {
            std::memcpy(out_.room(), pad_.data(), TextSink::kPiece);
            out_.advance(n);
            return;
        }
        if (pad_.size() < n) pad_.resize(n, ' ');
        out_.text().append(pad_.data(), n);
    }

    // Lone surrogates cannot be written as UTF-8: when deferring, the
    // interpreter's encoder and the file decide what happens to them.
    void string(PyObject* s) {
        Py_ssize_t n = PyUnicode_GET_LENGTH(s);
        const void* data = PyUnicode_DATA(s);
        std::string& out = out_.text();
        if (PyUnicode_IS_ASCII(s)) {
            append_json_string(out, std::string_view(static_cast<const char*>(data), static_cast<size_t>(n)));
            return;
        }
        ascii_ = false;
        int kind = PyUnicode_KIND(s);
        out += '"';
        for (Py_ssize_t i = 0; i < n; ++i) {
            Py_UCS4 cp = PyUnicode_READ(kind, data, i);
            if constexpr (Defer) {
                if (cp >= 0xD800 && cp <= 0xDFFF) throw NeedInterpreter{};
            }
            append_json_code_point(out, cp);
        }
        out += '"';
    }

    void integer(PyObject* v) {
        int overflow = 0;
        long long x = PyLong_AsLongLongAndOverflow(v, &overflow);
        if (x == -1 && PyErr_Occurred()) throw PythonErrorSet{};
        if (!overflow) {
            out_.advance(json_int_chars(x, out_.room()));
            return;
        }
        Ref text = own(PyLong_Type.tp_repr(v));
        append_utf8(out_.text(), text.get());
    }

    void list(PyObject* v, int level) {
        if constexpr (Defer) {
            Py_ssize_t n = PySequence_Fast_GET_SIZE(v);
            if (n == 0) { out_.put("[]"); return; }
            out_.put('[');
            for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(v); ++i) {
                item_separator(i, level);
                // A borrowed item of a list stays alive while we hold a reference.
                Ref item = Ref::borrow(PySequence_Fast_GET_ITEM(v, i));
                value(item.get(), level + 1);
            }
            close(']', level);
        } else {
            // Items as the json module takes them: a subclass of list or tuple
            // is iterated once into a list (its __len__ is not asked).
            Ref items = PyList_CheckExact(v) ? Ref::borrow(v) : own(PySequence_Fast(v, "_iterencode_list needs a sequence"));
            PyObject* seq = items.get();
            if (PySequence_Fast_GET_SIZE(seq) == 0) { out_.put("[]"); return; }
            Level guard(*this, v);
            out_.put('[');
            // A run of float lists (vertices) shares one recursion level: no
            // code runs between them, so each would get the same verdict.
            std::optional<RecursionGuard> float_lists;
            for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(seq); ++i) {
                Ref item = Ref::borrow(PySequence_Fast_GET_ITEM(seq, i));
                item_separator(i, level);
                if (is_float_list(item.get())) {
                    if (!float_lists) float_lists.emplace(kWhere);
                    float_list(item.get(), level + 1);
                } else {
                    float_lists.reset();
                    value(item.get(), level + 1);
                }
            }
            float_lists.reset();
            close(']', level);
        }
    }

    // A non-empty exact list of exact floats: it holds no container, so it
    // can be no cycle's member and runs no code while written.
    static bool is_float_list(PyObject* v) {
        if (!PyList_CheckExact(v) || PyList_GET_SIZE(v) == 0) return false;
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(v); ++i)
            if (!PyFloat_CheckExact(PyList_GET_ITEM(v, i))) return false;
        return true;
    }

    void float_list(PyObject* v, int level) {
        out_.put('[');
        size_t n = newline_size(level + 1);
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(v); ++i) {
            double x = PyFloat_AS_DOUBLE(PyList_GET_ITEM(v, i));
            if (n <= TextSink::kPiece) {
                // Separator and number in one piece of room.
                char* p = out_.room(kSeparatorRoom + kFloatReprMax);
                char* end = separator_at(p, i, n);
                end += json_float_chars(x, end);
                out_.advance(static_cast<size_t>(end - p));
            } else {
                item_separator(i, level);
                number(x);
            }
        }
        close(']', level);
    }

    void key(PyObject* k) {
        if (PyUnicode_Check(k)) {
            string(k);
            return;
        }
        out_.put('"');
        if (PyFloat_Check(k)) {
            number(PyFloat_AS_DOUBLE(k));
        } else if (k == Py_True) {
            out_.put("true");
        } else if (k == Py_False) {
            out_.put("false");
        } else if (k == Py_None) {
            out_.put("null");
        } else if (PyLong_Check(k)) {
            integer(k);
        } else {
            if constexpr (Defer) throw NeedInterpreter{};
            PyErr_Format(PyExc_TypeError, "keys must be str, int, float, bool or None, not %s", Py_TYPE(k)->tp_name);
            throw PythonErrorSet{};
        }
        out_.put('"');
    }

    void dict(PyObject* d, int level) {
        if constexpr (Defer) {
            if (!PyDict_CheckExact(d)) throw NeedInterpreter{};  // items() may be its own
            if (PyDict_GET_SIZE(d) == 0) { out_.put("{}"); return; }
            out_.put('{');
            Py_ssize_t pos = 0, i = 0;
            PyObject *k, *v;
            while (PyDict_Next(d, &pos, &k, &v)) {
                item_separator(i++, level);
                key(k);
                out_.put(": ");
                value(v, level + 1);
            }
            close('}', level);
        } else {
            if (PyDict_GET_SIZE(d) == 0) { out_.put("{}"); return; }
            Level guard(*this, d);
            out_.put('{');
            // A subclass's own items() may hand back anything: only pairs are written.
            Ref items = own(PyMapping_Items(d));
            Py_ssize_t n = PyList_GET_SIZE(items.get());
            for (Py_ssize_t i = 0; i < n; ++i) {
                PyObject* pair = PyList_GET_ITEM(items.get(), i);
                if (!PyTuple_Check(pair) || PyTuple_GET_SIZE(pair) != 2) {
                    PyErr_SetString(PyExc_ValueError, "items must return 2-tuples");
                    throw PythonErrorSet{};
                }
                item_separator(i, level);
                key(PyTuple_GET_ITEM(pair, 0));
                out_.put(": ");
                value(PyTuple_GET_ITEM(pair, 1), level + 1);
            }
            close('}', level);
        }
    }
};

template <bool Pretty, bool Defer>
bool walk(std::string& out, PyObject* value, const JsonOptions& o) {
    return Walker<Pretty, Defer>(out, o).run(value);
}

// The interpreter's own encoder decides: its text, or its error.
bool append_dumps(std::string& out, PyObject* value, const JsonOptions& o) {
    bool indented = o.indent >= 0;
    Ref& names = state().dumps_kwnames[indented];
    if (!names)
        names = own(indented ? Py_BuildValue("(ss)", "ensure_ascii", "indent") : Py_BuildValue("(s)", "ensure_ascii"));
    Ref indent = indented ? own(PyLong_FromLong(o.indent)) : Ref();
    Ref dumps = own(PyObject_GetAttrString(state().json.get(), "dumps"));
    PyObject* args[3] = {value, Py_False, indent.get()};
    Ref text = own(PyObject_Vectorcall(dumps.get(), args, 1, names.get()));
    if (!PyUnicode_Check(text.get())) {
        PyErr_Format(PyExc_TypeError, "write() argument must be str, not %.100s", Py_TYPE(text.get())->tp_name);
        throw PythonErrorSet{};
    }
    append_utf8(out, text.get());
    return PyUnicode_IS_ASCII(text.get());
}

}  // namespace

void append_utf8(std::string& out, PyObject* text) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size);
    if (!utf8) throw PythonErrorSet{};
    out.append(utf8, static_cast<size_t>(size));
}

bool encode_json(std::string& out, PyObject* value, const JsonOptions& o) {
    size_t mark = out.size();
    bool pretty = o.indent >= 0;
    if (!o.defer_to_interpreter) {
        try {
            return pretty ? walk<true, false>(out, value, o) : walk<false, false>(out, value, o);
        } catch (...) {
            out.resize(mark);
            throw;
        }
    }
    try {
        return pretty ? walk<true, true>(out, value, o) : walk<false, true>(out, value, o);
    } catch (const NeedInterpreter&) {
        out.resize(mark);
    } catch (...) {
        out.resize(mark);
        if (PyErr_Occurred() && !PyErr_ExceptionMatches(PyExc_Exception)) throw;
        PyErr_Clear();
    }
    return append_dumps(out, value, o);
}

}  // namespace tiven
