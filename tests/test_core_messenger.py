import pytest

from src import tivenpy


def make():
    return tivenpy.Messenger()


def test_subscribe_keeps_one_entry_per_slot():
    m = make()

    class Obj:
        def slot(self, v):
            pass

    o = Obj()
    m.subscribe("k", print)
    m.subscribe("k", print)
    m.subscribe("k", o.slot)
    m.subscribe("k", o.slot)
    m.subscribe("j", print)
    assert m.subscribers == {"k": [print, o.slot], "j": [print]}


@pytest.mark.parametrize(
    "key,slot,message",
    [
        ("k", None, "The [messageSlot] parameter should not be empty."),
        ("k", 0, "The [messageSlot] parameter should not be empty."),
        ("k", [], "The [messageSlot] parameter should not be empty."),
        ("k", 5, "The [messageSlot - 5] parameter must be a callable function."),
        ("", print, "The [messageKey] parameter should not be empty."),
        ("", None, "The [messageSlot] parameter should not be empty."),
    ],
)
def test_subscribe_errors(key, slot, message):
    m = make()
    with pytest.raises(TypeError) as info:
        m.subscribe(key, slot)
    assert str(info.value) == message
    assert m.subscribers == {}


def test_unsubscribe_rules():
    m = make()
    assert m.unsubscribe() is None
    m.subscribe("k", print)
    m.subscribe("j", len)
    m.unsubscribe("")
    assert m.subscribers == {}
    m.subscribe("k", print)
    m.subscribe("j", len)
    m.unsubscribe("k")
    assert m.subscribers == {"j": [len]}
    m.unsubscribe("j", len)
    assert m.subscribers == {"j": []}
    with pytest.raises(TypeError, match=r"^The \[messageKey - x\] parameter not found\.$"):
        m.unsubscribe("x")
    m.subscribe("j", len)

    def other(v):
        pass

    with pytest.raises(TypeError, match=r"^The \[messageSlot - other\] parameter not found\.$"):
        m.unsubscribe("j", other)
    with pytest.raises(TypeError, match=r"^The \[messageSlot - text\] parameter not found\.$"):
        m.unsubscribe("j", "text")
    with pytest.raises(TypeError, match=r"^The \[messageSlot - 7\] parameter not found\.$"):
        m.unsubscribe("j", 7)
    assert m.subscribers == {"j": [len]}


def test_unsubscribe_nameless_callable():
    import functools

    m = make()
    m.subscribe("j", len)
    p = functools.partial(print, 1)
    with pytest.raises(TypeError) as info:
        m.unsubscribe("j", p)
    assert str(info.value) == f"The [messageSlot - {p}] parameter not found."


def test_publish_calls_in_order_and_reports_errors(capsys):
    m = make()
    seen = []

    def first(v):
        seen.append(("first", v))

    def bad(v):
        raise ValueError("bad")

    def third(v):
        seen.append(("third", v))

    for slot in (first, bad, third):
        m.subscribe("k", slot)
    assert m.publish("k", 1) is None
    assert seen == [("first", 1), ("third", 1)]
    assert capsys.readouterr().out == "Error in message slot: bad\n"
    m.publish("k")
    assert seen[-1] == ("third", None)
    m.publish()
    m.publish("nothing", 3)


def test_publish_lets_interrupts_through():
    m = make()
    seen = []

    def stop(v):
        raise KeyboardInterrupt

    m.subscribe("k", stop)
    m.subscribe("k", seen.append)
    with pytest.raises(KeyboardInterrupt):
        m.publish("k", 1)
    assert seen == []


def test_slot_added_during_publication_runs():
    m = make()
    seen = []

    def adder(v):
        seen.append("adder")
        m.subscribe("k", seen.append)

    m.subscribe("k", adder)
    m.publish("k", "late")
    assert seen == ["adder", "late"]


def test_objects_have_separate_tables():
    a, b = make(), make()
    seen = []
    a.subscribe("k", seen.append)
    b.publish("k", 1)
    assert seen == []


def test_replaced_table_is_used():
    m = make()

    class Table(dict):
        pass

    m.subscribers = Table()
    m.subscribe("k", print)
    assert type(m.subscribers) is Table and m.subscribers["k"] == [print]


class Counted(tivenpy.Messenger):
    # `subscribers` read through a property that counts its readings.
    def __init__(self):
        self.__dict__["_table"] = {}
        self.__dict__["reads"] = 0

    @property
    def subscribers(self):
        self.__dict__["reads"] += 1
        return self._table


def _no_slot(v):
    pass


@pytest.mark.parametrize(
    "prepare,operation,reads",
    [
        ([], lambda m: m.subscribe("k", print), 4),
        ([("k", len)], lambda m: m.subscribe("k", print), 3),
        ([("k", print)], lambda m: m.subscribe("k", print), 2),
        ([("k", print)], lambda m: m.unsubscribe(), 1),
        ([("k", print)], lambda m: m.unsubscribe("k"), 2),
        ([("k", print)], lambda m: m.unsubscribe("k", print), 3),
        ([("k", print)], lambda m: m.unsubscribe("k", _no_slot), 2),
        ([("k", print)], lambda m: m.unsubscribe("x", print), 1),
        ([("k", len)], lambda m: m.publish("k", "v"), 2),
        ([("k", len)], lambda m: m.publish("x"), 1),
    ],
)
def test_table_looked_up_at_every_use(prepare, operation, reads):
    m = Counted()
    for key, slot in prepare:
        m._table.setdefault(key, []).append(slot)
    try:
        operation(m)
    except TypeError:
        pass
    assert m.reads == reads
