// The message bus every object of the module carries.
#include "core/boundary.hpp"
#include "core/class_builder.hpp"
#include "core/messenger.hpp"
#include "core/recursion_guard.hpp"
#include "core/method.hpp"
#include "core/module_state.hpp"
#include "core/pyvalues.hpp"

namespace tiven {

namespace {

// The table is looked up on the object at every use, so that an object put in
// its place (or a property) is what each step works on.
Ref subscribers_of(PyObject* self) { return own(PyObject_GetAttrString(self, "subscribers")); }
Ref slots_of(PyObject* self, PyObject* key) { return own(PyObject_GetItem(subscribers_of(self).get(), key)); }

bool contains(PyObject* container, PyObject* item) { return check(PySequence_Contains(container, item)) == 1; }

constexpr auto kSelfOnly = std::to_array<Param>({{.name = "self"}});
constexpr auto kSubscribeParams = std::to_array<Param>({
    {.name = "self"},
    {.name = "key", .annotation = "str", .check = Check::Str},
    {.name = "slot", .annotation = "Callable"},
});
constexpr auto kUnsubscribeParams = std::to_array<Param>({
    {.name = "self"},
    {.name = "key", .annotation = "Union[str, None]", .check = Check::Str, .or_none = true, .value = Default::none()},
    {.name = "slot", .annotation = "Union[Callable, None]", .or_none = true, .value = Default::none()},
});
constexpr auto kPublishParams = std::to_array<Param>({
    {.name = "self"},
    {.name = "key", .annotation = "str", .check = Check::Str, .value = Default::none()},
    {.name = "value", .annotation = "Any", .value = Default::none()},
});

Ref init(const Call& c) {
    Ref table = own(PyDict_New());
    check(PyObject_SetAttrString(c[arg(kSelfOnly, "self")], "subscribers", table.get()));
    return py_none();
}

Ref subscribe(const Call& c) {
    PyObject* self = c[arg(kSubscribeParams, "self")];
    PyObject* key = c[arg(kSubscribeParams, "key")];
    PyObject* slot = c[arg(kSubscribeParams, "slot")];
    if (!check(PyObject_IsTrue(slot))) fail(ErrorKind::TypeError, "The [messageSlot] parameter should not be empty.");
    if (!PyCallable_Check(slot))
        fail_showing("The [messageSlot - ", slot, "] parameter must be a callable function.", ErrorKind::TypeError);
    if (PyUnicode_GET_LENGTH(key) == 0) fail(ErrorKind::TypeError, "The [messageKey] parameter should not be empty.");
    if (!contains(subscribers_of(self).get(), key)) {
        Ref fresh = own(PyList_New(0));
        check(PyObject_SetItem(subscribers_of(self).get(), key, fresh.get()));
    }
    if (!contains(slots_of(self, key).get(), slot)) {
        Ref r = own(PyObject_CallMethod(slots_of(self, key).get(), "append", "O", slot));
    }
    return py_none();
}

Ref unsubscribe(const Call& c) {
    PyObject* self = c[arg(kUnsubscribeParams, "self")];
    PyObject* key = c[arg(kUnsubscribeParams, "key")];
    PyObject* slot = c[arg(kUnsubscribeParams, "slot")];
    if (key == Py_None || PyUnicode_GET_LENGTH(key) == 0) {
        Ref r = own(PyObject_CallMethod(subscribers_of(self).get(), "clear", nullptr));
        return py_none();
    }
    if (!contains(subscribers_of(self).get(), key))
        fail_showing("The [messageKey - ", key, "] parameter not found.", ErrorKind::TypeError);
    if (!check(PyObject_IsTrue(slot))) {
        check(PyObject_DelItem(subscribers_of(self).get(), key));
        return py_none();
    }
    if (contains(slots_of(self, key).get(), slot)) {
        Ref r = own(PyObject_CallMethod(slots_of(self, key).get(), "remove", "O", slot));
        return py_none();
    }
    // Name the slot: its __name__ when it has one, a text as itself, else str().
    Ref name;
    if (PyCallable_Check(slot)) {
        PyObject* found = nullptr;
        check(PyObject_GetOptionalAttrString(slot, "__name__", &found));
        name = Ref::steal(found);
    }
    if (!name) name = PyUnicode_Check(slot) ? Ref::borrow(slot) : str_within_stack(slot);
    fail_showing("The [messageSlot - ", name.get(), "] parameter not found.", ErrorKind::TypeError);
}

Ref publish(const Call& c) {
    publish_message(c[arg(kPublishParams, "self")], c[arg(kPublishParams, "key")], c[arg(kPublishParams, "value")]);
    return py_none();
}

const Method kInit{"__init__", MethodKind::Instance, kSelfOnly, nullptr, ResultCheck::None,
                   "Starts the object with its own empty table of subscribers.", init};

const Method kSubscribe{
    "subscribe", MethodKind::Instance, kSubscribeParams,
    "None", ResultCheck::None,
    "订阅消息：将回调函数 slot 登记到消息键 key 之下（同一键下不重复登记）。",
    subscribe};

const Method kUnsubscribe{
    "unsubscribe", MethodKind::Instance, kUnsubscribeParams,
    "None", ResultCheck::None,
    "取消订阅：不给 key 时清空全部订阅；只给 key 时移除该键及其全部回调；给出 key 与 slot 时只移除该回调。",
    unsubscribe};

const Method kPublish{
    "publish", MethodKind::Instance, kPublishParams,
    "None", ResultCheck::None,
    "发布消息：按订阅顺序以 value 调用键 key 下的每个回调；回调出错时打印错误并继续。",
    publish};

}  // namespace

void publish_message(PyObject* self, PyObject* key, PyObject* value) {
    if (!contains(subscribers_of(self).get(), key)) return;
    Ref it = own(PyObject_GetIter(slots_of(self, key).get()));
    while (PyObject* raw = PyIter_Next(it.get())) {
        Ref slot = Ref::steal(raw);
        Ref r = Ref::steal(PyObject_CallOneArg(slot.get(), value));
        if (r) continue;
        if (!PyErr_ExceptionMatches(PyExc_Exception)) throw PythonErrorSet{};
        Ref exc = Ref::steal(PyErr_GetRaisedException());
        Ref text = format_within_stack(exc.get(), state().names.empty);
        Ref line = own(PyUnicode_FromFormat("Error in message slot: %U", text.get()));
        Ref printed = own(PyObject_CallOneArg(state().builtin_print.get(), line.get()));
    }
    if (PyErr_Occurred()) throw PythonErrorSet{};
}

void add_messenger_class(ModuleState& st) {
    ClassBuilder b("Messenger", nullptr,
                   "信使消息事件订阅与发布类（通常用于实时进度异步跟踪场景）\n\n"
                   "    每个对象持有自己的订阅表 subscribers：消息键 -> 回调函数列表。\n");
    b.method(kInit).method(kSubscribe).method(kUnsubscribe).method(kPublish);
    st.Messenger = b.finish();
    st.own_publish = class_entry(st.Messenger.get(), st.names.publish);
}

}  // namespace tiven
