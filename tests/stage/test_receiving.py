"""What came from the radio, in-process: the receive ring and its readers, the exact-reply
wait, and the identification, with bytes stored as the reader stores them, in timed pieces."""
import pytest

from texts import DETECTION_FAILED, as_seen, boxes_for

ACK = b"\x06"


def pieces(*timed):
    """(bytes, ms after the piece before) pairs, as the host takes them."""
    return [[list(data), ms] for data, ms in timed]


def test_the_ring_holds_up_to_255_unread_bytes_in_order_and_a_drain_stores_only_what_fits(host):
    for count, capacity in ((1, 256), (254, 256), (255, 50), (256, 256)):
        sent = bytes((i * 7 + 3) & 0xFF for i in range(count))
        host("ring", 250)  # near the end: the bytes go on at position 0
        assert host("store", sent)["unread"] == (count < 256), count  # the count is modulo 256
        if count < 256:  # a drain takes every byte, but copies only what the destination holds
            drained, kept = host("drain", capacity), min(count, capacity)
            assert (drained["count"], drained["unread"]) == (count, False)
            assert bytes(drained["buffer"]) == sent[:kept] + b"\xee" * (256 - kept)


def test_a_line_read_copies_one_reply_at_a_time_and_never_past_the_destination(host):
    host("ring", 0)
    host("store", b"AB;CD;")
    buffers = []
    for stored, capacity, count in [(b"", 256, 3), (b"", 256, 3), (b"", 256, 0),  # empty: nothing copied
                                    (b"EF", 256, 2),  # no ';': everything there is, then stop
                                    (b"GHIJ;", 3, 3), (b"", 256, 2)]:  # the rest stays unread
        host("store", stored)
        read = host("read-line", capacity)
        assert read["count"] == count, stored
        buffers.append(bytes(read["buffer"][:4]))
    assert buffers == [b"AB;\xee", b"CD;\xee", b"CD;\xee", b"EF;\xee", b"GHI\xee", b"J;I\xee"]
    assert not read["unread"]


@pytest.mark.parametrize("in_ring, abort, result, timed_out", [
    (ACK, 0, 1, 0),
    (b"\x15", 0, 0, 0),  # a wrong byte: decided at once
    (b"\x11", 0, 0, 0),  # a byte left over from before starts the reply
    (ACK * 2, 0, 0, 1),  # two bytes: only the time-out decides
    (b"", 0, 0, 1),
    (b"", 1, 0, 0),  # Cancel pressed before
    (ACK, 1, 1, 0),  # Cancel pressed, but the reply is complete
], ids=["right", "wrong", "left-over", "two", "silence", "cancel", "cancel-but-complete"])
def test_a_wait_decides_on_the_exact_reply(host, in_ring, abort, result, timed_out):
    host("ring", 0)
    host("store", in_ring)
    waited = host("wait", 150, ACK, abort, [])
    assert (waited["result"], waited["timed_out"], waited["unread"]) == (result, timed_out, False)


def test_a_flood_is_counted_without_overrunning_the_reply_buffer(host):
    # It has begun before the wait: a first look at one byte would take it as the reply. Without
    # the bound the surplus would run over the stack and the host end.
    host("ring", 0)
    host("store", b"\x11" * 200)
    waited = host("wait", 300, b"\x11", 0, pieces(*[(b"\x11" * 100, 2)] * 10))
    assert (waited["result"], waited["timed_out"]) == (0, 1)


@pytest.mark.parametrize("reply, accepted, box_ms", [
    ([(b"TY120;", 0)], True, 0),
    ([(b"TY1", 0), (b"20;", 5)], True, 0),
    ([(bytes([c]), 5) for c in b"TY120;"], True, 0),
    # Each "?;", whole or in pieces, gives another 200 ms: 50 ms apart they carry the wait well
    # past one time-out.
    ([(b"?;", 50)] * 3 + [(b"?", 50), (b";", 5)] * 3 + [(b"TY120;", 50)], True, 0),
    ([(b"FA00014250000;", 0), (b"TY120;", 50)], True, 0),  # other replies are passed over
    ([(b"x\0T?TY120;", 0)], True, 0),  # stray bytes before the reply, in its arrival or before it
    ([(b"\0", 0), (b"TY120;", 20)], True, 0),
    ([(b"T", 0), (b"TY120;", 20)], True, 0),
    ([(b"?", 0), (b"TY120;", 20)], True, 0),
    ([(b"TY121;", 0), (b"TY120;", 20)], False, 0),  # refused at position 4
    ([(b"TY;", 0)], False, 0),  # too short to have a position 4
    ([(b"XX;", 50), (b"XX;", 50), (b"TY120;", 300)], False, 0),  # other replies do not extend the wait
    ([(b"?;", 0), (b"?;", 100)], False, 0),  # busy, then silence
    ([(b"TY120;", 60)], True, 500),  # in time while a box is open: the time-out fires in its loop
    ([(b"XX;TY120;", 60)], True, 500),
], ids=["whole", "in-pieces", "byte-by-byte", "busy-extends", "others-passed-over", "stray-same-arrival",
        "stray-nul", "lone-t", "lone-question-mark", "refused", "too-short", "others-do-not-extend",
        "busy-then-silence", "box-open", "box-open-behind-another"])
def test_identification_judges_the_whole_reply(host, reply, accepted, box_ms):
    host("ring", 0)
    if box_ms:
        host("hold-boxes", box_ms)
        host("about-after", 0)
    identified = host("identify", pieces(*reply))
    host("hold-boxes", 0)
    assert identified["result"] == accepted
    assert as_seen(identified["boxes"])[1 if box_ms else 0:] == ([] if accepted else boxes_for(DETECTION_FAILED))


def test_identification_gives_up_about_200_ms_after_the_query(host):
    host("ring", 0)
    identified = host("identify", [])
    assert identified["result"] == 0
    assert 180 <= identified["ms"] <= 600  # nor a slow radio failed, nor the operator kept waiting
