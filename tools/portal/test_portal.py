"""Checks of the test portal itself: date layouts, truncation, no length, trickle, login,
the control routes, the log and the time limit."""

import email.utils
import http.client
import json
import os
import sys
import time
import unittest
import urllib.error
import urllib.request
from datetime import datetime, timezone

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from portal import Portal, Scenario, generated_body, http_date  # noqa: E402

MOMENT = datetime(1994, 11, 6, 8, 49, 37, tzinfo=timezone.utc)


class PortalTest(unittest.TestCase):
    def setUp(self):
        self.portal = Portal(time_limit=60).start()

    def tearDown(self):
        self.portal.stop()

    def get(self, path, port=None, headers=None):
        return urllib.request.urlopen(urllib.request.Request(self.portal.url(path, port), headers=headers or {}))

    def control(self, command, data):
        request = urllib.request.Request(self.portal.url("/_portal/" + command), data=json.dumps(data).encode(),
                                         method="POST")
        return json.loads(urllib.request.urlopen(request).read())

    def test_date_layouts(self):
        self.assertEqual([http_date(MOMENT, layout) for layout in ("rfc1123", "rfc850", "asctime")],
                         ["Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994"])
        self.portal.set_route("/d", Scenario(body=b"x", last_modified=MOMENT.timestamp()))
        header = self.get("/d").headers["Last-Modified"]
        self.assertEqual(email.utils.parsedate_to_datetime(header), MOMENT)

    def test_truncation_no_length_and_trickle(self):
        self.portal.set_route("/t", Scenario(body=b"0123456789", truncate_after=4))
        with self.assertRaises(http.client.IncompleteRead) as cut:
            self.get("/t").read()
        self.assertEqual(cut.exception.partial, b"0123")
        self.portal.set_route("/n", Scenario(body=b"unsized", send_length=False))
        answer = self.get("/n")
        self.assertIsNone(answer.headers["Content-Length"])
        self.assertEqual(answer.read(), b"unsized")
        self.portal.set_route("/s", Scenario(body_size=1000, trickle_bytes=250, trickle_delay=0.05))
        start = time.monotonic()
        self.assertEqual(self.get("/s").read(), generated_body(1000))
        self.assertGreaterEqual(time.monotonic() - start, 0.15)

    def test_chunked_whole_and_cut(self):
        self.portal.set_route("/c", Scenario(body=b"0123456789", chunked=True, trickle_bytes=4))
        answer = self.get("/c")
        self.assertEqual(answer.headers["Transfer-Encoding"], "chunked")
        self.assertIsNone(answer.headers["Content-Length"])
        self.assertEqual(answer.read(), b"0123456789")
        # Cut inside the second chunk: the last chunk never comes.
        self.portal.set_route("/x", Scenario(body=b"0123456789", chunked=True, trickle_bytes=4, truncate_after=6))
        with self.assertRaises(http.client.IncompleteRead):
            self.get("/x").read()

    def test_login_and_log(self):
        self.control("route", {"path": "/a", "body_text": "secret", "auth_user": "ann", "auth_password": "pw",
                               "realm": "Zone A"})
        with self.assertRaises(urllib.error.HTTPError) as denied:
            self.get("/a")
        self.assertEqual(denied.exception.code, 401)
        self.assertEqual(denied.exception.headers["WWW-Authenticate"], 'Basic realm="Zone A"')
        port = self.control("port", {})["port"]
        self.assertEqual(self.get("/a", port, {"Authorization": "Basic YW5uOnB3"}).read(), b"secret")
        with self.assertRaises(urllib.error.HTTPError):
            self.get("/missing")
        lines = urllib.request.urlopen(self.portal.url("/_portal/log?format=lines")).read().decode().splitlines()
        self.assertEqual(lines, ["GET /a 401 0 -", "GET /a 200 6 auth", "GET /missing 404 0 -"])
        self.assertEqual([e["port"] for e in self.portal.log()], [self.portal.port, port, self.portal.port])
        with self.assertRaises(urllib.error.HTTPError) as bad:
            self.control("route", {"path": "/x", "no_such_field": 1})
        self.assertEqual(bad.exception.code, 400)

    def test_log_holds_a_request_whose_handler_is_still_busy(self):
        # The answer is complete while its handler still runs: its line is there at once.
        self.portal.set_route("/h", Scenario(body=b"held", hold_after=0.5))
        answer = self.get("/h")
        self.assertEqual(answer.read(), b"held")
        answer.close()
        self.assertEqual([(e["path"], e["status"], e["sent"]) for e in self.portal.log()], [("/h", 200, 4)])

    def test_held_answer_goes_on_when_released(self):
        for hold in (0, 4):
            self.control("route", {"path": "/g", "body_text": "0123456789", "hold_at": hold})
            answer = self.get("/g")  # the headers come at once
            self.assertEqual(answer.headers["Content-Length"], "10")
            self.assertEqual(answer.read(hold), b"0123"[:hold])
            self.assertEqual(self.control("release", {"path": "/g"}), {"ok": True})
            self.assertEqual(answer.read(), b"0123456789"[hold:])
        with self.assertRaises(urllib.error.HTTPError) as none:
            self.control("release", {"path": "/not-held"})
        self.assertEqual(none.exception.code, 400)

    def test_claimed_length_silence_and_dropped_connections(self):
        self.portal.set_route("/c", Scenario(status=404, body=b"short", claimed_length=500000000))
        with self.assertRaises(urllib.error.HTTPError) as claimed:
            self.get("/c")
        self.assertEqual(claimed.exception.headers["Content-Length"], "500000000")
        with self.assertRaises(http.client.IncompleteRead) as cut:
            claimed.exception.read()
        self.assertEqual(cut.exception.partial, b"short")
        for how in ("close", "reset"):
            self.portal.set_route("/" + how, Scenario(no_answer=how))
            with self.assertRaises((http.client.RemoteDisconnected, ConnectionResetError)):
                self.get("/" + how)
        self.portal.set_route("/s", Scenario(silent=1.0))
        start = time.monotonic()
        with self.assertRaises(OSError):  # a time-out of the client, then the dropped end
            urllib.request.urlopen(self.portal.url("/s"), timeout=0.3)
        self.assertLess(time.monotonic() - start, 1.0)
        lines = urllib.request.urlopen(self.portal.url("/_portal/log?format=lines")).read().decode().splitlines()
        self.assertEqual(lines, ["GET /c 404 5 -", "GET /close 0 0 -", "GET /reset 0 0 -", "GET /s 0 0 -"])

    def test_stops_by_itself(self):
        short = Portal(time_limit=0.3).start()
        self.assertEqual(urllib.request.urlopen(short.url("/_portal/log")).status, 200)
        time.sleep(0.8)
        with self.assertRaises(OSError):
            urllib.request.urlopen(short.url("/_portal/log"), timeout=2)


if __name__ == "__main__":
    unittest.main()
