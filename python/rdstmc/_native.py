"""The C interface (rdstmc_c.h) as ctypes declarations."""
import ctypes
import ctypes.util
import os
import sys
from ctypes import (CFUNCTYPE, POINTER, Structure, c_bool, c_char_p, c_int, c_int64, c_size_t, c_uint, c_uint16,
                    c_uint32, c_void_p)

INTERFACE_VERSION = 2


def _load():
    """The library named by RDSTMC_LIBRARY, else the one the system finds."""
    names = [os.environ.get("RDSTMC_LIBRARY")]
    names += ["rdstmc.dll"] if sys.platform == "win32" else ["librdstmc.so.0", ctypes.util.find_library("rdstmc")]
    errors = []
    for name in filter(None, names):
        try:
            return ctypes.CDLL(name)
        except OSError as error:
            errors.append(str(error))
    raise ImportError("rdstmc: the library was not found (set RDSTMC_LIBRARY): " + "; ".join(errors))


lib = _load()


class Time(Structure):
    _fields_ = [("year", c_int), ("month", c_int), ("day", c_int), ("week_day", c_int), ("hour", c_int),
                ("minute", c_int), ("reserved", c_int)]


class Quantifier(Structure):
    _fields_ = [("event", c_int), ("bits", c_int), ("value", c_int)]


MAX_EVENTS, MAX_ITEMS = 8, 12


class TmcMessage(Structure):
    _fields_ = [("size", c_size_t), ("pi", c_uint16), ("ltn", c_int), ("encrypted", c_bool), ("groups", c_int),
                ("continuity_index", c_int), ("duration", c_int), ("diversion", c_bool),
                ("negative_direction", c_bool), ("extent", c_int), ("location", c_uint16),
                ("urgency_change", c_int), ("directionality_changed", c_bool),
                ("duration_type_changed", c_bool), ("spoken_duration_changed", c_bool),
                ("event_count", c_int), ("events", c_uint16 * MAX_EVENTS), ("event_block", c_int * MAX_EVENTS),
                ("length_of_route", c_int), ("speed_limit", c_int), ("start_time", c_int), ("stop_time", c_int),
                ("quantifier_count", c_int), ("quantifiers", Quantifier * MAX_ITEMS),
                ("supplementary_count", c_int), ("supplementary", c_int * MAX_ITEMS),
                ("diversion_count", c_int), ("diversion_route", c_uint16 * MAX_ITEMS),
                ("destination_count", c_int), ("destinations", c_uint16 * MAX_ITEMS),
                ("cross_link_count", c_int), ("cross_links", c_uint16 * MAX_ITEMS),
                ("reserved_labels", c_bool), ("ecc", c_int)]


class StoredMessage(Structure):
    _fields_ = [("size", c_size_t), ("message", TmcMessage), ("update_class", c_int),
                ("first_received", c_int64), ("last_received", c_int64), ("expires", c_int64)]


class EventProperties(Structure):
    _fields_ = [("size", c_size_t), ("code", c_int), ("nature", c_int), ("quantifier_type", c_int),
                ("duration_type", c_int), ("duration_spoken", c_bool), ("directionality", c_int),
                ("urgency", c_int), ("update_class", c_int), ("kind", c_int)]


FrequencyFn = CFUNCTYPE(None, c_void_p, c_int, c_int, c_int)
RadioTextFn = CFUNCTYPE(None, c_void_p, c_char_p, POINTER(c_uint16))
TimeFn = CFUNCTYPE(None, c_void_p, POINTER(Time))
StationFn = CFUNCTYPE(None, c_void_p, c_uint32, c_char_p, POINTER(c_uint16))
FrequenciesFn = CFUNCTYPE(None, c_void_p, POINTER(c_int))
StatusFn = CFUNCTYPE(None, c_void_p, c_int)
RawDataFn = CFUNCTYPE(None, c_void_p, c_uint32, c_uint32)
GroupFn = CFUNCTYPE(None, c_void_p, POINTER(c_uint16))
DeviceFn = CFUNCTYPE(None, c_void_p, c_bool)
RecordedGroupFn = CFUNCTYPE(None, c_void_p, c_uint32, POINTER(c_uint16))
ChangeFn = CFUNCTYPE(None, c_void_p, c_int, POINTER(StoredMessage))


class RdsCallbacks(Structure):
    _fields_ = [("size", c_size_t), ("radio_text", RadioTextFn), ("time", TimeFn), ("station_name", StationFn),
                ("alternative_frequencies", FrequenciesFn)]


def _declare(name, result, *arguments):
    function = getattr(lib, name)
    function.restype = result
    function.argtypes = list(arguments)


for _name, _result, _arguments in [
    ("rdstmc_version", c_char_p, []),
    ("rdstmc_interface_version", c_int, []),
    ("rdstmc_open", c_bool, [c_char_p, c_uint]),
    ("rdstmc_close", c_bool, []),
    ("rdstmc_is_open", c_bool, []),
    ("rdstmc_reopen", c_bool, []),
    ("rdstmc_is_device_present", c_bool, []),
    ("rdstmc_last_error", c_int, []),
    ("rdstmc_error_text", c_char_p, [c_int]),
    ("rdstmc_error_name", c_char_p, [c_int]),
    ("rdstmc_get_status", c_int, []),
    ("rdstmc_get_frequency", c_bool, [POINTER(c_int)]),
    ("rdstmc_get_health", c_bool, [POINTER(c_int)]),
    ("rdstmc_get_alternative_frequencies", c_bool, [c_int * 25]),
    ("rdstmc_get_station", c_bool, [POINTER(c_uint32), c_char_p, c_size_t]),
    ("rdstmc_get_radio_text", c_bool, [c_char_p, c_size_t]),
    ("rdstmc_get_time", c_bool, [POINTER(Time)]),
    ("rdstmc_control_tuner", c_bool, [c_int, c_int]),
    ("rdstmc_send_command", c_bool, [c_char_p]),
    ("rdstmc_start_logging", c_bool, [c_char_p]),
    ("rdstmc_stop_logging", c_bool, []),
    ("rdstmc_start_simulation", c_bool, [c_char_p]),
    ("rdstmc_stop_simulation", c_bool, []),
    ("rdstmc_read_recording", c_bool, [c_char_p, RecordedGroupFn, c_void_p]),
    ("rdstmc_connect_frequency", c_bool, [FrequencyFn, c_void_p]),
    ("rdstmc_disconnect_frequency", c_bool, []),
    ("rdstmc_connect_rds", c_bool, [POINTER(RdsCallbacks), c_void_p]),
    ("rdstmc_disconnect_rds", c_bool, []),
    ("rdstmc_connect_status", c_bool, [StatusFn, c_void_p]),
    ("rdstmc_disconnect_status", c_bool, []),
    ("rdstmc_connect_raw_data", c_bool, [RawDataFn, c_void_p]),
    ("rdstmc_disconnect_raw_data", c_bool, []),
    ("rdstmc_connect_group", c_bool, [GroupFn, c_void_p]),
    ("rdstmc_disconnect_group", c_bool, []),
    ("rdstmc_connect_device", c_bool, [DeviceFn, c_void_p]),
    ("rdstmc_disconnect_device", c_bool, []),
    ("rdstmc_tmc_decoder_new", c_void_p, []),
    ("rdstmc_tmc_decoder_free", None, [c_void_p]),
    ("rdstmc_tmc_decoder_feed", c_int, [c_void_p, c_uint32, c_uint32]),
    ("rdstmc_tmc_decoder_reset", None, [c_void_p]),
    ("rdstmc_tmc_decoder_message", c_bool, [c_void_p, POINTER(TmcMessage)]),
    ("rdstmc_event_info", c_bool, [c_int, POINTER(EventProperties)]),
    ("rdstmc_urgency_of", c_int, [POINTER(TmcMessage)]),
    ("rdstmc_urgency_name", c_char_p, [c_int]),
    ("rdstmc_quantifier_text", c_size_t, [c_int, c_int, c_char_p, c_size_t]),
    ("rdstmc_picture_new", c_void_p, [c_size_t]),
    ("rdstmc_picture_free", None, [c_void_p]),
    ("rdstmc_picture_set_local_offset", None, [c_void_p, c_int]),
    ("rdstmc_picture_apply", c_bool, [c_void_p, POINTER(TmcMessage), c_int64, ChangeFn, c_void_p]),
    ("rdstmc_picture_advance", None, [c_void_p, c_int64, ChangeFn, c_void_p]),
    ("rdstmc_picture_size", c_size_t, [c_void_p]),
    ("rdstmc_picture_at", c_bool, [c_void_p, c_size_t, POINTER(StoredMessage)]),
    ("rdstmc_picture_save", c_bool, [c_void_p, c_char_p, c_char_p, c_size_t]),
    ("rdstmc_picture_load", c_bool, [c_void_p, c_char_p, c_int64, c_char_p, c_size_t]),
]:
    _declare(_name, _result, *_arguments)

if lib.rdstmc_interface_version() < INTERFACE_VERSION:
    raise ImportError(f"rdstmc: the library's C interface is version {lib.rdstmc_interface_version()}, "
                      f"this module needs {INTERFACE_VERSION}")

# Every receiver function has a twin taking the receiver first.
_declare("rdstmc_receiver_new", c_void_p)
_declare("rdstmc_receiver_free", None, c_void_p)
for _name in ("open", "close", "is_open", "reopen", "is_device_present", "last_error", "get_status", "get_frequency", "get_health",
              "get_alternative_frequencies", "get_station", "get_radio_text", "get_time", "control_tuner",
              "send_command", "start_logging", "stop_logging", "start_simulation", "stop_simulation",
              "connect_frequency", "disconnect_frequency", "connect_rds", "disconnect_rds", "connect_status",
              "disconnect_status", "connect_raw_data", "disconnect_raw_data", "connect_group", "disconnect_group",
              "connect_device", "disconnect_device"):
    _plain = getattr(lib, "rdstmc_" + _name)
    _declare("rdstmc_receiver_" + _name, _plain.restype, c_void_p, *_plain.argtypes)
