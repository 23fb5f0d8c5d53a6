"""The module's ctypes declarations against the layout compiled from
rdstmc_c.h itself (RDSTMC_LAYOUT_DUMP), and the message dataclass against the
C message: nothing is mirrored by hand without a check."""
import ctypes
import dataclasses
import json
import os
import subprocess

import rdstmc
from rdstmc import _native

MIRRORS = {"rdstmc_time": _native.Time, "rdstmc_tmc_message": _native.TmcMessage,
           "rdstmc_stored_message": _native.StoredMessage, "rdstmc_event_properties": _native.EventProperties,
           "rdstmc_rds_callbacks": _native.RdsCallbacks}


def test_every_ctypes_structure_has_the_c_headers_layout():
    dumped = subprocess.run([os.environ["RDSTMC_LAYOUT_DUMP"]], capture_output=True, text=True, check=True)
    layout = json.loads(dumped.stdout)
    assert set(layout) == set(MIRRORS)
    for name, mirror in MIRRORS.items():
        offsets = {field: getattr(mirror, field).offset for field, _type in mirror._fields_}
        assert offsets == layout[name]["fields"], name
        assert ctypes.sizeof(mirror) == layout[name]["size"], name


def test_the_message_dataclass_carries_every_field_of_the_c_message_and_gives_it_back():
    carried = {f.name for f in dataclasses.fields(rdstmc.TmcMessage)}
    counts = set(rdstmc._MESSAGE_ARRAYS.values()) | {"quantifier_count", "size"}
    assert {name for name, _type in _native.TmcMessage._fields_} - counts <= carried
    message = rdstmc.TmcMessage(
        pi=0xD3C5, location=12345, events=(101, 401), extent=3, negative_direction=True, duration=2, diversion=True,
        urgency="normal", ltn=6, groups=3, encrypted=False, quantifiers=((1, 5, 7),), supplementary=(4,),
        diversion_route=(11, 12), destinations=(13,), length_of_route=9, speed_limit=8, start_time=30,
        stop_time=40, ecc=0xE0, cross_links=(14, 15), event_block=(0, 1), continuity_index=5, urgency_change=1,
        directionality_changed=True, duration_type_changed=True, spoken_duration_changed=True, reserved_labels=True)
    back = rdstmc.TmcMessage._from_c(rdstmc._to_c(message))
    assert dataclasses.replace(back, urgency="normal") == message
