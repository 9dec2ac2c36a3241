"""Downloads a file (64 MB unless told otherwise) from the local test portal through the
upgrader's transfer component (under Wine) and with curl, in one run, and prints the
throughput ratio: once with the component's defaults (4096-byte buffer, a progress
handler, as the upgrader runs it), with the default buffer and no progress handler (what the events cost), and with a
1 MB buffer; medians of RUNS runs. It also prints how many progress
events the handler saw: the worker never waits for them, so they are fewer than the reads
but keep coming. The run at the defaults also reads the same answer in the same process
by a bare loop of 4096-byte InternetReadFile calls (before the transfer in odd runs, after
it in even ones) and prints the transfer's speed as a share of that loop's.

    python3 tools/bench/download_bench.py [BUILD-DIR [RUNS [MB]]]      (default: build 3 64)

BUILD-DIR is a tree of tools/test.sh (it holds win32/ and its Wine prefix). The program
upgrade_http_bench is built there if needed (unless LUDORA_BENCH_BUILT is set: the emulated
machine runs what the host built). A display is started when none is set.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "portal"))
from portal import Portal, Scenario  # noqa: E402

MB = 1024 * 1024


def start_display():
    if os.environ.get("DISPLAY"):
        return None
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = os.read(read, 16).decode().strip()
    os.close(read)
    os.environ["DISPLAY"] = ":" + number
    return xvfb


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    size = (int(sys.argv[3]) if len(sys.argv) > 3 else 64) * MB
    win32 = os.path.join(build, "win32")
    if not os.environ.get("LUDORA_BENCH_BUILT"):
        subprocess.check_call(["cmake", "--build", win32, "--target", "upgrade_http_bench"],
                              stdout=subprocess.DEVNULL)
    program = os.path.join(win32, "tests", "upgrade", "upgrade_http_bench.exe")
    wine = [os.path.join(ROOT, "tools", "wine-run.sh"), os.path.join(win32, "wine")]
    xvfb = start_display()
    work = tempfile.mkdtemp(prefix="ludora-bench-")
    try:
        with Portal(time_limit=7200) as portal:
            portal.set_route("/update/big.bin", Scenario(body_size=size))
            url = portal.url("/update/big.bin")
            target = os.path.join(work, "big.bin")
            curl_times = []
            configs = {"default buffer (4096)": ["4096", "progress"],
                       "default buffer, no progress handler": ["4096", "noprogress"], "1 MB buffer": ["1048576"]}
            times = {name: [] for name in configs}
            events = {name: [] for name in configs}
            bare_times, bare_shares = [], []
            for run in range(runs):
                start = time.monotonic()
                subprocess.check_call(["curl", "-s", "-o", target, url])
                curl_times.append(time.monotonic() - start)
                assert os.path.getsize(target) == size
                os.remove(target)
                for name, extra in configs.items():
                    bare = extra == configs["default buffer (4096)"]
                    if bare:
                        extra = extra + ["bare-first" if run % 2 == 0 else "bare-after"]
                    out = subprocess.check_output(wine + [program, url, "Z:" + target.replace("/", "\\")] + extra)
                    out = out.decode().split()
                    times[name].append(int(out[0]) / 1000.0)
                    events[name].append(int(out[2]))
                    assert int(out[1]) == size and os.path.getsize(target) == size, out
                    if bare:
                        assert int(out[4]) == size, out
                        bare_times.append(int(out[3]) / 1000.0)
                        bare_shares.append(int(out[3]) / max(1, int(out[0])))
                    os.remove(target)
        mb = size / MB
        curl = statistics.median(curl_times)
        print("curl:       median %.2f s (%.0f MB/s) of %s" % (curl, mb / curl, ["%.2f" % t for t in curl_times]))
        for name in configs:
            median = statistics.median(times[name])
            print("component, %s: median %.2f s (%.0f MB/s) of %s; speed ratio to curl %.2f; progress events %s"
                  % (name, median, mb / median, ["%.2f" % t for t in times[name]], curl / median, events[name]))
        bare = statistics.median(bare_times)
        print("bare 4096-byte InternetReadFile loop, same processes: median %.2f s (%.0f MB/s) of %s; the transfer at "
              "the defaults as a share of its speed, median %.2f of %s (the loop first in runs 1, 3, ...)"
              % (bare, mb / bare, ["%.2f" % t for t in bare_times], statistics.median(bare_shares),
                 ["%.2f" % r for r in bare_shares]))
    finally:
        shutil.rmtree(work, ignore_errors=True)
        if xvfb:
            xvfb.terminate()


if __name__ == "__main__":
    main()
