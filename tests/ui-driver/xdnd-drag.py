#!/usr/bin/python3
# Drags something from an X client onto whatever window lies under a point of
# the screen, as a Linux file manager or browser does: the XDND protocol
# (version 5) with the data offered through the XdndSelection. The UI driver
# starts it to drop files onto the program under Wine, whose windows are X
# windows that understand XDND.
#
#   xdnd-drag.py REPORT X Y KIND ITEM...
#     REPORT  file written when the drag is over: "accepted A finished F"
#             (1 or 0 each: the target said it takes the drop; it said it
#             has finished with it), or "error TEXT"
#     X Y     the point on the screen (root window) where the drop happens
#     KIND    files: each ITEM is a Unix path, offered as text/uri-list
#             text:  the ITEMs joined by spaces, offered as plain text
import os
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display, protocol

WAIT_S = 10.0   # for each answer of the target


def main():
    report_path, x, y, kind, items = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5:]
    try:
        result = drag(x, y, kind, items)
    except Exception as e:  # the test reads why, rather than waiting in vain
        result = "error " + repr(e)
    # Written whole and then renamed, so the reader never sees half of it.
    with open(report_path + ".part", "w") as f:
        f.write(result + "\n")
    os.replace(report_path + ".part", report_path)


def offered(d, kind, items):
    """The types offered and the bytes of each."""
    if kind == "files":
        uris = "".join("file://" + urllib.parse.quote(p) + "\r\n" for p in items).encode()
        return {d.intern_atom("text/uri-list"): uris}
    if kind == "text":
        text = " ".join(items).encode()
        return {d.intern_atom("text/plain;charset=utf-8"): text, d.intern_atom("UTF8_STRING"): text,
                d.intern_atom("text/plain"): text}
    raise ValueError("unknown kind " + kind)


def aware_window(d, x, y):
    """The deepest window under the point that carries XdndAware, and its version."""
    root = d.screen().root
    aware = d.intern_atom("XdndAware")
    window, found = root, None
    while window:
        prop = window.get_full_property(aware, X.AnyPropertyType)
        if prop and len(prop.value):
            found = (window, prop.value[0])
        child = window.translate_coords(root, x, y).child
        window = child if child else None
    return found


def drag(x, y, kind, items):
    d = display.Display()
    try:
        return drag_on(d, x, y, kind, items)
    finally:
        d.close()  # the source window and the selection go with the connection


def drag_on(d, x, y, kind, items):
    root = d.screen().root
    atom = d.intern_atom
    source = root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent, X.InputOutput,
                                event_mask=X.PropertyChangeMask)
    data = offered(d, kind, items)
    types = list(data)
    source.change_property(atom("XdndTypeList"), Xatom.ATOM, 32, types)
    source.set_selection_owner(atom("XdndSelection"), X.CurrentTime)
    d.sync()

    found = aware_window(d, x, y)
    if not found:
        return "error no XDND-aware window under the point"
    target, version = found
    version = min(5, version)

    def send(name, l):
        l = (l + [0] * 5)[:5]
        event = protocol.event.ClientMessage(window=target, client_type=atom(name), data=(32, l))
        target.send_event(event, event_mask=0)
        d.flush()

    state = {"status": None, "finished": False}

    def pump(until):
        """Handles events (data requests above all) until until() or the wait ends."""
        end = time.time() + WAIT_S
        while not until() and time.time() < end:
            if not d.pending_events():
                time.sleep(0.005)
                continue
            e = d.next_event()
            if e.type == X.SelectionRequest:
                answer_request(d, e, data)
            elif e.type == X.ClientMessage:
                name = d.get_atom_name(e.client_type)
                if name == "XdndStatus":
                    state["status"] = e.data[1][1] & 1
                elif name == "XdndFinished":
                    state["finished"] = True
        return until()

    send("XdndEnter", [source.id, (version << 24) | (1 if len(types) > 3 else 0)] + types[:3])
    send("XdndPosition", [source.id, 0, (x << 16) | y, X.CurrentTime, atom("XdndActionCopy")])
    if not pump(lambda: state["status"] is not None):
        send("XdndLeave", [source.id])
        return "accepted 0 finished 0"
    if not state["status"]:
        send("XdndLeave", [source.id])
        return "accepted 0 finished 0"
    send("XdndDrop", [source.id, 0, X.CurrentTime])
    pump(lambda: state["finished"])
    # Requests that come after the end are still answered for a moment.
    end = time.time() + 0.2
    while time.time() < end:
        while d.pending_events():
            e = d.next_event()
            if e.type == X.SelectionRequest:
                answer_request(d, e, data)
        time.sleep(0.01)
    return "accepted 1 finished %d" % (1 if state["finished"] else 0)


def answer_request(d, e, data):
    """Puts the bytes of the asked type on the requestor's property, or refuses."""
    prop = e.property or e.target
    if e.target in data:
        e.requestor.change_property(prop, e.target, 8, data[e.target])
    elif e.target == d.intern_atom("TARGETS"):
        e.requestor.change_property(prop, Xatom.ATOM, 32, list(data))
    else:
        prop = X.NONE
    notify = protocol.event.SelectionNotify(time=e.time, requestor=e.requestor, selection=e.selection,
                                            target=e.target, property=prop)
    e.requestor.send_event(notify)
    d.flush()


if __name__ == "__main__":
    main()
