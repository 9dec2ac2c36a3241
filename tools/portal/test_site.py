"""Checks of the local portal's site: every game page names its movie in the script
variable f and carries the element HowToPlay, and the movie it names is served."""

import json
import os
import re
import sys
import unittest
import urllib.error
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from box_site import SITE, site_portal  # noqa: E402


class SiteTest(unittest.TestCase):
    def setUp(self):
        self.portal = site_portal(port=0, time_limit=60)

    def tearDown(self):
        self.portal.stop()

    def get(self, path):
        with urllib.request.urlopen(self.portal.url(path)) as answer:
            return answer.read()

    def test_box_pages(self):
        for path in ("/box/", "/box/webgame.html", "/box/feedback.html"):
            self.assertIn(b"<html>", self.get(path))

    def test_game_pages_name_their_movie_and_how_to_play(self):
        with open(os.path.join(SITE, "games.json"), encoding="utf-8") as f:
            games = json.load(f)
        self.assertTrue(games)
        for game in games:
            page = self.get("/flash/" + game["key"]).decode("utf-8")
            movie = re.search(r'var f = "([^"]+)";', page).group(1)
            self.assertTrue(movie.startswith(self.portal.url("/swf/")))
            self.assertIn('<div id="HowToPlay">' + game["howto"] + "</div>", page)
            self.assertTrue(self.get(movie[len(self.portal.url("")):]).startswith(b"FWS"))

    def test_unknown_pages_are_missing(self):
        with self.assertRaises(urllib.error.HTTPError) as caught:
            self.get("/flash/none")
        self.assertEqual(caught.exception.code, 404)


if __name__ == "__main__":
    unittest.main()
