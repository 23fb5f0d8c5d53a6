"""rdstmc: an FM RDS / RDS-TMC receiver module on a serial port, from Python.

    import rdstmc

    with rdstmc.Receiver("/dev/ttyUSB0", 38400) as receiver:
        receiver.on_station = lambda pi, name: print(f"{pi:04X} {name}")
        receiver.on_tmc_message = lambda message: print(message.events, message.location)
        time.sleep(60)

    for message in rdstmc.recording_messages("drive.log"):   # offline
        print(message)

Callbacks are called on the library's own threads (they take the GIL as
any Python code does). An exception a callback raises is reported through
sys.unraisablehook and the library goes on. A callback may set its own
property to None from inside itself. Setting a callback from your own thread
waits until a call of the one it replaces has ended, so do not do that while
holding a lock your callbacks take.
"""
import ctypes
import sys
import threading
from dataclasses import dataclass, field
from typing import Callable, Iterator, List, Optional, Tuple

from ._native import (INTERFACE_VERSION, ChangeFn, DeviceFn, EventProperties, FrequenciesFn, FrequencyFn, GroupFn,
                      RadioTextFn, RawDataFn, RdsCallbacks, RecordedGroupFn, StationFn, StatusFn,
                      StoredMessage as _CStored, TimeFn, TmcMessage as _CMessage, lib)

__all__ = ["Receiver", "TmcMessage", "TmcDecoder", "TrafficPicture", "recording_messages", "version", "STATUS_NAMES",
           "RdstmcError"]

STATUS_NAMES = {0: "stopped", 1: "open failed", 2: "no rds", 3: "rds only", 4: "tmc"}
_URGENCIES = {0: "normal", 1: "urgent", 2: "extremely urgent"}


class RdstmcError(OSError):
    """The library refused an operation. `reason` says why where the library
    knows: "not_found", "permission_denied", "in_use", "not_a_device",
    "bad_rate", "already_open", "bad_argument", "busy", "no_answer" or
    "other"; None elsewhere."""

    def __init__(self, message: str, reason: Optional[str] = None):
        super().__init__(message)
        self.reason = reason


def version() -> Tuple[str, int]:
    """The loaded library's version and its C interface version."""
    return lib.rdstmc_version().decode(), lib.rdstmc_interface_version()


@dataclass(frozen=True)
class TmcMessage:
    """One decoded Alert-C traffic message."""
    pi: int
    location: int
    events: Tuple[int, ...]
    extent: int
    negative_direction: bool
    duration: int
    diversion: bool
    urgency: str
    ltn: int
    groups: int
    encrypted: bool = False
    quantifiers: Tuple[Tuple[int, int, int], ...] = ()  # (event index, bits, value)
    supplementary: Tuple[int, ...] = ()
    diversion_route: Tuple[int, ...] = ()
    destinations: Tuple[int, ...] = ()
    length_of_route: int = -1
    speed_limit: int = -1
    start_time: int = -1
    stop_time: int = -1
    ecc: int = -1
    cross_links: Tuple[int, ...] = ()
    event_block: Tuple[int, ...] = ()  # information block of each event
    continuity_index: int = 0
    urgency_change: int = 0
    directionality_changed: bool = False
    duration_type_changed: bool = False
    spoken_duration_changed: bool = False
    reserved_labels: bool = False
    # The message as the library holds it, so handing it back loses nothing.
    _raw: bytes = field(default=b"", repr=False, compare=False)

    @staticmethod
    def _from_c(m: _CMessage) -> "TmcMessage":
        values = {name: getattr(m, name) for name in _MESSAGE_SCALARS}
        values.update({name: tuple(getattr(m, name)[:getattr(m, count)]) for name, count in _MESSAGE_ARRAYS.items()})
        return TmcMessage(**values, urgency=_URGENCIES.get(lib.rdstmc_urgency_of(ctypes.byref(m)), "normal"),
                          quantifiers=tuple((q.event, q.bits, q.value) for q in m.quantifiers[:m.quantifier_count]),
                          _raw=bytes(m))


# How the dataclass carries the C message: these fields as they are, these
# arrays as tuples of their counted part (events and event_block share one
# count), the quantifiers as (event, bits, value); nothing else.
_MESSAGE_SCALARS = ("pi", "location", "extent", "negative_direction", "duration", "diversion", "ltn", "groups",
                    "encrypted", "continuity_index", "urgency_change", "directionality_changed",
                    "duration_type_changed", "spoken_duration_changed", "length_of_route", "speed_limit",
                    "start_time", "stop_time", "reserved_labels", "ecc")
_MESSAGE_ARRAYS = {"events": "event_count", "event_block": "event_count", "supplementary": "supplementary_count",
                   "diversion_route": "diversion_count", "destinations": "destination_count",
                   "cross_links": "cross_link_count"}


class TmcDecoder:
    """Decodes one station's TMC groups into messages."""

    def __init__(self):
        self._handle = lib.rdstmc_tmc_decoder_new()
        if not self._handle:
            raise MemoryError("rdstmc: no decoder")
        self._c_message = _CMessage(size=ctypes.sizeof(_CMessage))

    def __del__(self):
        if getattr(self, "_handle", None):
            lib.rdstmc_tmc_decoder_free(self._handle)
            self._handle = None

    def feed(self, word0: int, word1: int) -> Optional[TmcMessage]:
        """Takes a group as raw data gives it (A << 16 | B, C << 16 | D); a message when one is complete."""
        if lib.rdstmc_tmc_decoder_feed(self._handle, word0, word1) != 2:
            return None
        if not lib.rdstmc_tmc_decoder_message(self._handle, ctypes.byref(self._c_message)):
            return None
        return TmcMessage._from_c(self._c_message)

    def feed_blocks(self, a: int, b: int, c: int, d: int) -> Optional[TmcMessage]:
        return self.feed(a << 16 | b, c << 16 | d)

    def reset(self) -> None:
        lib.rdstmc_tmc_decoder_reset(self._handle)


def recording_groups(path: str) -> List[Tuple[int, Tuple[int, int, int, int]]]:
    """Every valid RDS group of a recording, with its millisecond stamp, read without playing it."""
    groups = []

    def take(_user, stamp, blocks):
        groups.append((stamp, (blocks[0], blocks[1], blocks[2], blocks[3])))

    if not lib.rdstmc_read_recording(path.encode(), RecordedGroupFn(take), None):
        raise RdstmcError(f"rdstmc: cannot read the recording {path}")
    return groups


def recording_messages(path: str) -> Iterator[TmcMessage]:
    """The TMC messages of a recording, in order, decoded offline (one decoder per station)."""
    decoders = {}
    for _stamp, (a, b, c, d) in recording_groups(path):
        decoder = decoders.setdefault(a, TmcDecoder())
        message = decoder.feed_blocks(a, b, c, d)
        if message is not None:
            yield message


@dataclass
class StoredMessage:
    """A message as the traffic picture keeps it; times in seconds since 1970, UTC."""
    message: TmcMessage
    update_class: int
    first_received: int
    last_received: int
    expires: int


class TrafficPicture:
    """The messages valid now, kept by message management (see rdstmc_tmc.h)."""

    CHANGES = ("new", "update", "cancel", "expire")

    def __init__(self, capacity: int = 1000):
        self._handle = lib.rdstmc_picture_new(capacity)
        if not self._handle:
            raise MemoryError("rdstmc: no picture")

    def __del__(self):
        if getattr(self, "_handle", None):
            lib.rdstmc_picture_free(self._handle)
            self._handle = None

    @staticmethod
    def _stored(s) -> StoredMessage:
        return StoredMessage(TmcMessage._from_c(s.message), s.update_class, s.first_received, s.last_received,
                             s.expires)

    def _observer(self, changes):
        def told(_user, change, stored):
            changes.append((self.CHANGES[change], self._stored(stored.contents)))
        return ChangeFn(told)

    def set_local_offset(self, minutes: int) -> None:
        lib.rdstmc_picture_set_local_offset(self._handle, minutes)

    def apply(self, message: TmcMessage, now: int) -> List[Tuple[str, StoredMessage]]:
        """Applies a message received at `now`; returns the changes it made."""
        changes = []
        c = _to_c(message)
        lib.rdstmc_picture_apply(self._handle, ctypes.byref(c), now, self._observer(changes), None)
        return changes

    def advance(self, now: int) -> List[Tuple[str, StoredMessage]]:
        """Expires what ended by `now`; returns those expiries."""
        changes = []
        lib.rdstmc_picture_advance(self._handle, now, self._observer(changes), None)
        return changes

    def __len__(self) -> int:
        return lib.rdstmc_picture_size(self._handle)

    def __iter__(self) -> Iterator[StoredMessage]:
        stored = _CStored(size=ctypes.sizeof(_CStored))
        for index in range(len(self)):
            if lib.rdstmc_picture_at(self._handle, index, ctypes.byref(stored)):
                yield self._stored(stored)


def _to_c(message: TmcMessage) -> _CMessage:
    if len(message._raw) == ctypes.sizeof(_CMessage):
        return _CMessage.from_buffer_copy(message._raw)
    c = _CMessage(size=ctypes.sizeof(_CMessage))
    for name in _MESSAGE_SCALARS:
        setattr(c, name, getattr(message, name))
    for name, count in _MESSAGE_ARRAYS.items():
        values = getattr(message, name)[:len(getattr(c, name))]
        getattr(c, name)[:len(values)] = values
        if name != "event_block":
            setattr(c, count, len(values))
    c.quantifier_count = min(len(message.quantifiers), len(c.quantifiers))
    for i, (event, bits, value) in enumerate(message.quantifiers[:c.quantifier_count]):
        c.quantifiers[i].event, c.quantifiers[i].bits, c.quantifiers[i].value = event, bits, value
    return c


_local = threading.local()


def _report(error: BaseException, callback) -> None:
    hook = getattr(sys, "unraisablehook", None)
    if hook is None:
        return
    hook(type("UnraisableHookArgs", (), {"exc_type": type(error), "exc_value": error,
                                         "exc_traceback": error.__traceback__,
                                         "err_msg": "rdstmc: exception in callback", "object": callback})())


def _guarded(call):
    """Runs a Python callback on a library thread: an exception is reported, never
    passed into the library, and the thread is marked as inside a callback."""
    depth = getattr(_local, "depth", 0)
    _local.depth = depth + 1
    try:
        call()
    except BaseException as error:  # noqa: B902 - nothing may escape into C
        _report(error, call)
    finally:
        _local.depth = depth


class _Thunks:
    """The C function objects a slot has handed the library. One that was
    replaced stays alive until a replacement made outside any callback has
    returned, when the library guarantees no call still runs in it."""

    def __init__(self):
        self.current = None
        self.retired = []

    def replace(self, thunk, store: Callable[[], bool]) -> bool:
        if self.current is not None:
            self.retired.append(self.current)
        self.current = thunk
        result = store()
        if getattr(_local, "depth", 0) == 0:
            self.retired.clear()
        return result


class _Bound:
    """The receiver functions of one receiver handle: rdstmc_open(...) calls
    rdstmc_receiver_open(handle, ...)."""

    def __init__(self, handle):
        self._handle = handle

    def __getattr__(self, name):
        function = getattr(lib, "rdstmc_receiver_" + name[len("rdstmc_"):])
        handle = self._handle
        return lambda *arguments: function(handle, *arguments)


class Receiver:
    """The receiver module on a serial port, or a recording played in its place.

    Each Receiver is a receiver of its own: any number may run at once in one
    process, each on its own port or recording. open() opens the port (or
    starts the replay), close() closes it and removes the callbacks; as a
    context manager it does both. Callback properties take a callable, or
    None to remove it; they are called on the library's threads."""

    def __init__(self, port: Optional[str] = None, baud: int = 38400, recording: Optional[str] = None):
        if (port is None) == (recording is None):
            raise ValueError("rdstmc: give a port or a recording")
        self.port, self.baud, self.recording = port, baud, recording
        self._thunks = {slot: _Thunks() for slot in ("frequency", "rds", "status", "raw", "group", "device")}
        self._callbacks = {}
        self._decoders = {}
        handle = lib.rdstmc_receiver_new()
        if not handle:
            raise MemoryError("rdstmc: no memory for a receiver")
        self._handle = handle
        self._lib = _Bound(handle)

    def __del__(self):
        handle, self._handle = getattr(self, "_handle", None), None
        if handle:
            lib.rdstmc_receiver_free(handle)

    # ---- opening and closing
    def __enter__(self) -> "Receiver":
        return self.open()

    def open(self) -> "Receiver":
        """Opens the port, or starts the replay; raises RdstmcError when refused."""
        if self.recording is not None:
            if not self._lib.rdstmc_start_simulation(self.recording.encode()):
                self._refused(f"cannot play {self.recording}")
        elif not self._lib.rdstmc_open(self.port.encode(), self.baud):
            self._refused(f"cannot open {self.port} at {self.baud} bits/s")
        return self

    def _refused(self, what: str) -> None:
        error = self._lib.rdstmc_last_error()
        raise RdstmcError(f"rdstmc: {what}: {lib.rdstmc_error_text(error).decode()}",
                          lib.rdstmc_error_name(error).decode())

    def __exit__(self, *_exc) -> None:
        self.close()

    def close(self) -> None:
        """Closes the port or stops the replay, then removes every callback."""
        if self.recording is not None:
            self._lib.rdstmc_stop_simulation()
        else:
            self._lib.rdstmc_close()
        for name in list(self._callbacks):
            setattr(self, name, None)

    # ---- queries: None unless a port is open or a replay runs
    @property
    def status(self) -> str:
        return STATUS_NAMES.get(self._lib.rdstmc_get_status(), "unknown")

    @property
    def is_open(self) -> bool:
        return self._lib.rdstmc_is_open()

    @property
    def frequency(self) -> Optional[int]:
        """The tuned frequency in 100 kHz units (969 = 96.9 MHz)."""
        value = ctypes.c_int()
        return value.value if self._lib.rdstmc_get_frequency(ctypes.byref(value)) else None

    @property
    def health(self) -> Optional[int]:
        value = ctypes.c_int()
        return value.value if self._lib.rdstmc_get_health(ctypes.byref(value)) else None

    @property
    def station(self) -> Optional[Tuple[int, str]]:
        pi, name = ctypes.c_uint32(), ctypes.create_string_buffer(32)
        return (pi.value, name.value.decode()) if self._lib.rdstmc_get_station(ctypes.byref(pi), name, 32) else None

    @property
    def radio_text(self) -> Optional[str]:
        text = ctypes.create_string_buffer(256)
        return text.value.decode() if self._lib.rdstmc_get_radio_text(text, 256) else None

    @property
    def alternative_frequencies(self) -> Optional[List[int]]:
        values = (ctypes.c_int * 25)()
        return [v for v in values if v] if self._lib.rdstmc_get_alternative_frequencies(values) else None

    # ---- control and recording
    def tune(self, frequency: int) -> bool:
        """Tunes to `frequency` in 100 kHz units; True when the command was written."""
        return self._lib.rdstmc_control_tuner(0, frequency)

    def control(self, command: int, value: int = 0) -> bool:
        """Any tuner command of rdstmc_c.h (RDSTMC_STEP_UP = 1, ...)."""
        return self._lib.rdstmc_control_tuner(command, value)

    def send_command(self, text: str) -> bool:
        return self._lib.rdstmc_send_command(text.encode())

    def start_logging(self, path: str) -> bool:
        return self._lib.rdstmc_start_logging(path.encode())

    def stop_logging(self) -> bool:
        return self._lib.rdstmc_stop_logging()

    # ---- callbacks
    def _set(self, name: str, callback) -> None:
        if callback is None:
            self._callbacks.pop(name, None)
        else:
            self._callbacks[name] = callback
        self._reconnect(name)

    def _call(self, name: str, *arguments) -> None:
        callback = self._callbacks.get(name)
        if callback is not None:
            _guarded(lambda: callback(*arguments))

    def _reconnect(self, name: str) -> None:
        c = self._callbacks
        if name == "on_frequency":
            self._store("frequency", c.get(name) and FrequencyFn(
                lambda _u, f, q, mode: self._call(name, f, q, mode)),
                self._lib.rdstmc_connect_frequency, self._lib.rdstmc_disconnect_frequency)
        elif name == "on_status":
            self._store("status", c.get(name) and StatusFn(
                lambda _u, s: self._call(name, STATUS_NAMES.get(s, "unknown"))),
                self._lib.rdstmc_connect_status, self._lib.rdstmc_disconnect_status)
        elif name == "on_group":
            self._store("group", c.get(name) and GroupFn(
                lambda _u, b: self._call(name, (b[0], b[1], b[2], b[3]))),
                self._lib.rdstmc_connect_group, self._lib.rdstmc_disconnect_group)
        elif name == "on_device":
            self._store("device", c.get(name) and DeviceFn(lambda _u, present: self._call(name, bool(present))),
                        self._lib.rdstmc_connect_device, self._lib.rdstmc_disconnect_device)
        elif name in ("on_raw_data", "on_tmc_message"):
            wanted = c.get("on_raw_data") or c.get("on_tmc_message")
            self._store("raw", wanted and RawDataFn(lambda _u, w0, w1: self._raw(w0, w1)),
                        self._lib.rdstmc_connect_raw_data, self._lib.rdstmc_disconnect_raw_data)
        else:
            self._reconnect_rds()

    def _raw(self, word0: int, word1: int) -> None:
        self._call("on_raw_data", word0, word1)
        if "on_tmc_message" in self._callbacks:
            decoder = self._decoders.setdefault(word0 >> 16, TmcDecoder())
            message = decoder.feed(word0, word1)
            if message is not None:
                self._call("on_tmc_message", message)

    def _reconnect_rds(self) -> None:
        c = self._callbacks
        names = ("on_radio_text", "on_time", "on_station", "on_alternative_frequencies")
        if not any(n in c for n in names):
            self._store("rds", None, None, self._lib.rdstmc_disconnect_rds)
            return
        table = RdsCallbacks(size=ctypes.sizeof(RdsCallbacks))
        if "on_radio_text" in c:
            table.radio_text = RadioTextFn(lambda _u, text, _w: self._call("on_radio_text", text.decode()))
        if "on_time" in c:
            table.time = TimeFn(lambda _u, t: self._call("on_time", (t.contents.year, t.contents.month,
                                t.contents.day, t.contents.hour, t.contents.minute)))
        if "on_station" in c:
            table.station_name = StationFn(lambda _u, pi, name, _w: self._call("on_station", pi, name.decode()))
        if "on_alternative_frequencies" in c:
            table.alternative_frequencies = FrequenciesFn(
                lambda _u, values: self._call("on_alternative_frequencies", [v for v in values[:25] if v]))
        self._store("rds", table, lambda t, _u: self._lib.rdstmc_connect_rds(ctypes.byref(t), None),
                    self._lib.rdstmc_disconnect_rds)

    def _store(self, slot: str, thunk, connect, disconnect) -> None:
        if thunk:
            self._thunks[slot].replace(thunk, lambda: connect(thunk, None))
        else:
            self._thunks[slot].replace(None, disconnect)


def _callback_property(name: str, doc: str) -> property:
    return property(lambda self: self._callbacks.get(name), lambda self, fn: self._set(name, fn), doc=doc)


for _name, _doc in [
    ("on_frequency", "f(frequency, quality, tuner_mode): each change of the tuned frequency"),
    ("on_status", "f(status name): each change of the reception status"),
    ("on_station", "f(pi, name): every station-name report"),
    ("on_radio_text", "f(text): each new, complete radio text"),
    ("on_time", "f((year, month, day, hour, minute)): every clock-time group (UTC)"),
    ("on_alternative_frequencies", "f([frequency, ...]): a new alternative-frequency list"),
    ("on_raw_data", "f(word0, word1): each new TMC-related group"),
    ("on_tmc_message", "f(TmcMessage): each decoded traffic message"),
    ("on_group", "f((a, b, c, d)): every RDS group"),
    ("on_device", "f(present): the open port's device went away (False) or is back (True)"),
]:
    setattr(Receiver, _name, _callback_property(_name, _doc))
