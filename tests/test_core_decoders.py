import pytest

from src import tivenpy

B = tivenpy.TivenBase


@pytest.mark.parametrize(
    "data,encoding,expected",
    [
        (b"ABC\x00\xff\xfejunk", "GB2312", "ABC"),
        (b"\x00ABC", "GB2312", ""),
        (b"", "GB2312", ""),
        (b"ABC   ", "GB2312", "ABC"),
        (b"  AB \x1f", "GB2312", "  AB"),
        ("地质".encode("gb2312") + b"\xa1\xa1\xa1\xa1 \t\x00more", "GB2312", "地质"),
        (b"\xff\xfeAB", "GB2312", "AB"),
        (b"AB\xa1", "GB2312", "AB"),
        (b"A\xc2\x85\xc2\xa0", "utf-8", "A"),
        (b"A\x1c\x1d\x1e", "ascii", "A"),
        (b"caf\xe9", "latin-1", "café"),
    ],
)
def test_bytes_to_str(data, encoding, expected):
    assert B.bytesToStr(data, encoding) == expected


def test_bytes_to_str_errors():
    with pytest.raises(LookupError):
        B.bytesToStr(b"x", "no-such-codec")
    with pytest.raises(LookupError):
        B.bytesToStr(b"x", "rot13")
    with pytest.raises(TypeError, match=r"expected str, got NoneType"):
        B.bytesToStr(b"x", None)


@pytest.mark.parametrize(
    "data,expected",
    [(b"\x01\x02", 513), (b"", 0), (b"\xff", 255), (b"\xff" * 8, 2**64 - 1), (b"\x00" * 20 + b"\x01", 2**160)],
)
def test_bytes_integer(data, expected):
    assert B.bytesInteger(data) == expected
    assert type(B.bytesInteger(data)) is int
