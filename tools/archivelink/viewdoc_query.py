"""The query of an ArchiveLink "viewDoc" request, read back into its values.

A query looks like  viewDoc&contRep=A1&docID=DOC%204711&user=VM%5croot : the
command first, then name=value pairs. Each value is percent-decoded as RFC 3986
says: "%" and two hexadecimal digits stand for one byte, every other character
for itself ("+" stays "+"), and the bytes are UTF-8.
"""

HEX_DIGITS = "0123456789abcdefABCDEF"
REQUIRED_NAMES = ("contRep", "docID")


class MalformedQuery(ValueError):
    """The request cannot be read; the message says why, for the 400 page."""


def percent_decode(name, raw):
    """The text that raw stands for. raw holds the characters of the request
    line, one per byte (http.server reads it as Latin-1)."""
    data = raw.encode("latin-1")
    out = bytearray()
    at = 0
    while at < len(data):
        byte = data[at]
        if byte != ord("%"):
            out.append(byte)
            at += 1
            continue
        pair = data[at + 1:at + 3].decode("latin-1")
        if len(pair) < 2 or any(c not in HEX_DIGITS for c in pair):
            raise MalformedQuery(
                f"{name}: the '%' at offset {at} is not followed by two hexadecimal digits "
                f"(got {pair!r})")
        out.append(int(pair, 16))
        at += 3
    try:
        return out.decode("utf-8")
    except UnicodeDecodeError as error:
        raise MalformedQuery(f"{name}: the decoded bytes are not UTF-8 ({error.reason} at byte {error.start})")


def parse(raw_query):
    """(command, {name: decoded value}) of a query; raises MalformedQuery."""
    if not raw_query:
        raise MalformedQuery("no query: expected ?viewDoc&contRep=..&docID=..")
    command, *pairs = raw_query.split("&")
    values = {}
    for pair in pairs:
        name, equals, raw = pair.partition("=")
        if not equals:
            raise MalformedQuery(f"parameter {name!r} has no '=' and no value")
        if name in values:
            raise MalformedQuery(f"parameter {name!r} appears twice")
        values[name] = percent_decode(name, raw)
    return command, values


def check_view_doc(command, values):
    """Raises MalformedQuery unless this is a viewDoc request with its values."""
    if command != "viewDoc":
        raise MalformedQuery(f"only the command viewDoc is served, got {command!r}")
    for name in REQUIRED_NAMES:
        if name not in values:
            raise MalformedQuery(f"{name} is missing")
        if not values[name]:
            raise MalformedQuery(f"{name} is empty")
