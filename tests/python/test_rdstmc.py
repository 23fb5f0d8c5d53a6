"""The Python module against the freshly built library, with rdstmc-emulator
playing a receiver on a pseudo-terminal. RDSTMC_LIBRARY and RDSTMC_EMULATOR
name the built library and emulator."""
import os
import re
import subprocess
import sys
import threading
import time

import pytest

import rdstmc


def frame(body):
    checksum = 0
    for ch in body[1:]:
        checksum ^= ord(ch)
    return f"{body}*{checksum:02X}\r\n"


def groups(*rows):
    return [f"$PLTTR,0,{a},{b},{c},{d}" for a, b, c, d in rows]


STATION = ["$PLTTQ,9690,50,0,0,0", '$PLTCH,"JACK FM "'] + groups(
    (25089, 247, 59140, 21321), (25089, 240, 8727, 22860), (25089, 241, 4409, 17696), (25089, 242, 2580, 22859),
    (51540, 9456, 19009, 17227), (51540, 9457, 8249, 13870), (51540, 9458, 14605, 0),
    # One single-group TMC message, then one of three groups with the copies stations send.
    (0xA201, 0x8008, 0x4654, 0x8097), (0xA201, 0x3010, 0x0064, 0xCD46), (0xA201, 0x8002, 0xC641, 0x7A29),
    (0xA201, 0x8002, 0x5417, 0x48D7), (0xA201, 0x3010, 0x4000, 0xCD46), (0xA201, 0x8002, 0x5417, 0x48D7),
    (0xA201, 0x8002, 0x0E93, 0xE800))


def wait_until(condition, seconds=10.0):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.01)
    return True


@pytest.fixture
def recording(tmp_path):
    """The station as a recording, every sentence 10 ms apart, then the same TMC groups again a second later."""
    lines = [f"[{1000 + 10 * i}],{frame(s)}" for i, s in enumerate(STATION)]
    lines += [f"[{2500 + 10 * i}],{frame(s)}" for i, s in enumerate(STATION[9:])]
    path = tmp_path / "station.log"
    path.write_text("".join(lines))
    return str(path)


@pytest.fixture
def device(recording):
    emulator = subprocess.Popen([os.environ["RDSTMC_EMULATOR"], "--recording", recording],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    line = emulator.stdout.readline()
    match = re.match(r"device: (\S+)", line)
    assert match, line
    # Keep reading its output, so it never blocks on a full pipe.
    threading.Thread(target=emulator.stdout.read, daemon=True).start()
    yield match.group(1)
    emulator.terminate()
    emulator.wait(10)


class Heard:
    def __init__(self):
        self.lock = threading.Lock()
        self.items = {}

    def add(self, key, value):
        with self.lock:
            self.items.setdefault(key, []).append(value)

    def get(self, key):
        with self.lock:
            return list(self.items.get(key, []))


def test_version_names_the_library_and_its_interface():
    library, interface = rdstmc.version()
    assert re.fullmatch(r"\d+\.\d+\.\d+", library)
    assert interface >= 1


def test_a_receiver_delivers_station_text_and_traffic_messages(device):
    heard = Heard()
    # Connected before the port opens: the module plays as soon as it is opened.
    receiver = rdstmc.Receiver(device, 38400)
    receiver.on_station = lambda pi, name: heard.add("station", name)
    receiver.on_radio_text = lambda text: heard.add("text", text)
    receiver.on_status = lambda status: heard.add("status", status)
    receiver.on_tmc_message = lambda message: heard.add("tmc", message)
    with receiver:
        assert wait_until(lambda: len(heard.get("tmc")) >= 2 and heard.get("text"))
        assert heard.get("station")[0] == "JACK FM "
        assert heard.get("text") == ["JACK 96.9"]
        single, assembled = heard.get("tmc")[:2]
        assert (single.location, single.groups) == (0x8097, 1)
        assert assembled.events == (1601, 215, 500)
        assert (assembled.location, assembled.extent, assembled.negative_direction) == (31273, 0, True)
        assert receiver.frequency == 969
        assert receiver.station == (25089, "JACK FM ")
        assert receiver.radio_text == "JACK 96.9"
        assert wait_until(lambda: receiver.status == "tmc")
    assert not receiver.is_open and wait_until(lambda: receiver.status == "stopped")
    assert receiver.on_status is None and receiver.on_tmc_message is None, "leaving removes the callbacks"


def test_a_callback_that_raises_is_reported_and_the_library_goes_on(device, monkeypatch):
    reported = []
    monkeypatch.setattr(sys, "unraisablehook", lambda info: reported.append(info.exc_value))
    calls = []

    def failing(word0, word1):
        calls.append(word0)
        raise RuntimeError("a bug in the program")

    with rdstmc.Receiver(device, 38400) as receiver:
        receiver.on_raw_data = failing
        assert wait_until(lambda: len(calls) >= 3), "later groups still arrive"
        assert receiver.is_open
    assert isinstance(reported[0], RuntimeError)


def test_a_callback_removes_itself_from_inside_its_own_call(device):
    calls = []
    after = []
    with rdstmc.Receiver(device, 38400) as receiver:
        def once(blocks):
            calls.append(blocks)
            receiver.on_group = None

        receiver.on_group = once
        receiver.on_raw_data = lambda w0, w1: after.append(w0)
        assert wait_until(lambda: len(after) >= 7)
        assert len(calls) == 1
        assert receiver.on_group is None


def test_a_recordings_messages_are_read_offline_and_kept_in_a_picture(recording):
    messages = list(rdstmc.recording_messages(recording))
    # The repeat a second later is a repetition of the same message.
    assert [m.location for m in messages] == [0x8097, 31273, 0x8097, 31273]
    picture = rdstmc.TrafficPicture()
    changes = [[change for change, _ in picture.apply(m, 1_700_000_000)] for m in messages]
    # "Traffic back to normal" removes what it names and is not kept itself;
    # received again unchanged, a message only renews its time.
    assert changes == [[], ["new"], [], []]
    stored = list(picture)
    assert len(stored) == 1 and stored[0].message.events == (1601, 215, 500)
    assert [change for change, _ in picture.advance(stored[0].expires)] == ["expire"]
    assert len(picture) == 0


def test_a_log_made_after_24_days_of_uptime_reads_as_any_other(recording, tmp_path):
    negated = tmp_path / "negated.log"
    negated.write_text(re.sub(r"^\[", "[-", open(recording).read(), flags=re.M))
    assert [m.location for m in rdstmc.recording_messages(str(negated))] == \
        [m.location for m in rdstmc.recording_messages(recording)]


def test_two_modules_and_a_recording_each_heard_by_their_own_receiver(device, recording, tmp_path):
    other_recording = tmp_path / "other.log"
    other_recording.write_bytes(open(recording, "rb").read().replace(frame('$PLTCH,"JACK FM "').encode(),
                                                                      frame('$PLTCH,"OTHER FM"').encode()))
    emulator = subprocess.Popen([os.environ["RDSTMC_EMULATOR"], "--recording", str(other_recording)],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    try:
        other_device = re.match(r"device: (\S+)", emulator.stdout.readline()).group(1)
        threading.Thread(target=emulator.stdout.read, daemon=True).start()
        heard = {"first": [], "second": [], "replay": []}
        receivers = {"first": rdstmc.Receiver(device, 38400), "second": rdstmc.Receiver(other_device, 38400),
                     "replay": rdstmc.Receiver(recording=recording)}
        for name, receiver in receivers.items():
            receiver.on_station = lambda pi, station, name=name: heard[name].append(station)
            receiver.open()
        try:
            assert wait_until(lambda: all(heard.values()))
            assert receivers["second"].station == (25089, "OTHER FM")
        finally:
            for receiver in receivers.values():
                receiver.close()
        assert not any(receiver.is_open for receiver in receivers.values())
        assert set(heard["first"]) == set(heard["replay"]) == {"JACK FM "} and set(heard["second"]) == {"OTHER FM"}
    finally:
        emulator.terminate()
        emulator.wait(10)


def test_a_refused_open_says_why(tmp_path):
    with pytest.raises(rdstmc.RdstmcError) as missing:
        rdstmc.Receiver("/dev/rdstmc-no-such-port", 38400).open()
    assert missing.value.reason == "not_found" and "no such device" in str(missing.value)
    empty = tmp_path / "empty.log"
    empty.write_text("")
    with pytest.raises(rdstmc.RdstmcError) as nothing:
        rdstmc.Receiver(recording=str(empty)).open()
    assert nothing.value.reason == "bad_argument"
