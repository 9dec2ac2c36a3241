"""The local portal the client runs against: the portal's pages ("/box/",
"/box/webgame.html", "/box/feedback.html"), a game page under "/flash/<key>" for every game
of site/games.json (with the script variable f naming its movie and the element
"HowToPlay"), and the movies under "/swf/", served by the test portal with its request log.

    python3 box_site.py [--port N] [--time-limit S]     serves until the time limit
    with site_portal(port=0) as portal: ...          in Python
"""

import argparse
import json
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from portal import Portal, Scenario  # noqa: E402

SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "site")
HTML = {"Content-Type": "text/html; charset=utf-8"}


def movie_bytes(name):
    """A small stand-in movie: a SWF signature, then its name, so copies can be told apart."""
    return b"FWS\x06" + name.encode("ascii") + b"\x00" * 64


def install(portal):
    """Puts the site's routes on a running portal."""
    for page in ("index.html", "webgame.html", "feedback.html"):
        with open(os.path.join(SITE, "box", page), "rb") as f:
            body = f.read()
        portal.set_route("/box/" + ("" if page == "index.html" else page), Scenario(body=body, headers=HTML))
    with open(os.path.join(SITE, "flash", "game.html"), encoding="utf-8") as f:
        template = f.read()
    with open(os.path.join(SITE, "games.json"), encoding="utf-8") as f:
        games = json.load(f)
    base = portal.url("")
    for game in games:
        movie_url = base + "/" + game["movie"]
        page = template.replace("{title}", game["title"]).replace("{movie}", movie_url).replace("{howto}", game["howto"])
        portal.set_route("/flash/" + game["key"], Scenario(body=page.encode("utf-8"), headers=HTML))
        portal.set_route("/" + game["movie"], Scenario(body=movie_bytes(os.path.basename(game["movie"])),
                                                       headers={"Content-Type": "application/x-shockwave-flash"}))
    return games


def site_portal(port=0, time_limit=600):
    portal = Portal(port=port, time_limit=time_limit)
    portal.start()
    install(portal)
    return portal


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8631)
    parser.add_argument("--time-limit", type=float, default=8 * 3600)
    args = parser.parse_args()
    portal = site_portal(args.port, args.time_limit)
    print("portal at " + portal.url("/box/"), flush=True)
    try:
        time.sleep(args.time_limit)  # the portal stops itself at the same moment
    except KeyboardInterrupt:
        pass
    portal.stop()


if __name__ == "__main__":
    main()
