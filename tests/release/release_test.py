#!/usr/bin/env python3
"""Guards against a release that comes out different from another build of the
same commit (another folder, time, time zone, umask), a signed release of which
setup or a program it carries does not verify, a certificate or image pack the
release takes although it is broken, and a release with another image pack
that does not carry it, install it or uninstall exactly its files.

    release_test.py

Run by tools/test.sh after the i686 and x86_64 builds: their setup.exe files
are the second build of the comparison, and the x86_64 end-to-end driver walks
the release made with a test pack through an installation under Wine. The
releases are made in copies of the working tree under build/release-test/, two
at once.
"""
import http.server
import io
import os
import shutil
import signal
import struct
import subprocess
import sys
import threading
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
from pe_resources import rcdata_resources, string_resources  # noqa: E402

WORK = os.path.join(ROOT, "build", "release-test")
SETUPS = {"setup.exe": "i686", "setup-x64.exe": "x86_64"}
CARRIED_PROGRAMS = {5000: ["Tarnwick.scr"], 5001: ["zindle.exe", "uninstall.exe"]}
PASSWORD = "pass word"
failures = []


def check(condition, message):
    print(("ok: " if condition else "FAILED: ") + message, flush=True)
    if not condition:
        failures.append(message)


def copy_tree(name):
    """A copy of the working tree as git sees it (tracked and new files)."""
    target = os.path.join(WORK, name)
    files = subprocess.run(["git", "ls-files", "-z", "-co", "--exclude-standard"], cwd=ROOT,
                           check=True, capture_output=True).stdout.decode().split("\0")
    for path in filter(None, files):
        if os.path.isfile(os.path.join(ROOT, path)):
            os.makedirs(os.path.dirname(os.path.join(target, path)), exist_ok=True)
            shutil.copy2(os.path.join(ROOT, path), os.path.join(target, path))
    return target


def start_release(tree, log, args=(), env=None, prefix=(), umask=None):
    """Starts tree's tools/release.sh in a session of its own, output to `log`."""
    out = open(log, "w")
    return subprocess.Popen([*prefix, os.path.join(tree, "tools", "release.sh"), *args],
                            stdout=out, stderr=subprocess.STDOUT, env=env, start_new_session=True,
                            preexec_fn=(lambda: os.umask(umask)) if umask is not None else None)


def finish(process, seconds):
    try:
        return process.wait(seconds)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        return process.wait()


def read(path, mode="r"):
    with open(path, mode) as f:
        return f.read()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb" if isinstance(data, bytes) else "w") as f:
        f.write(data)


def bmp(width, height, depth, bits_per_pixel_field=None):
    """A small BMP picture: a palette below 24 bits, a pattern of pixels."""
    colours = 2 ** depth if depth <= 8 else 0
    palette = b"".join(bytes((i * 37 % 256, i * 91 % 256, i * 13 % 256, 0)) for i in range(colours))
    stride = (width * depth + 31) // 32 * 4
    pixels = bytes((x * 29 + y * 7) % 256 for y in range(height) for x in range(stride))
    offset = 14 + 40 + len(palette)
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
            + struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits_per_pixel_field or depth, 0,
                          len(pixels), 2835, 2835, 0, 0) + palette + pixels)


def make_pack(folder, ini, pictures):
    if ini is not None:
        write(os.path.join(folder, "pack.ini"), ini.encode("latin-1"))
    for name, data in pictures.items():
        write(os.path.join(folder, name), data)
    return folder


TEST_PACK_INI = ("[Pack]\nTitle=Meadow Test Pack\nAuthor=Ada Tester\n"
                 "Rights=Images (C) 2026 \"Meadow\" \\ Tester\n\n[Images]\n"
                 "one bit.bmp=Black and white\nfour-bit.bmp=Sixteen colours\n"
                 "eight_bit.bmp=A palette\nFull Colour (24).bmp=Millions\n")
TEST_PICTURES = {"one bit.bmp": bmp(9, 5, 1), "four-bit.bmp": bmp(7, 3, 4),
                 "eight_bit.bmp": bmp(5, 4, 8), "Full Colour (24).bmp": bmp(6, 6, 24)}


def broken_packs():
    """(case, pack folder, what the refusal must say) for each kind of fault."""
    base = os.path.join(WORK, "broken")
    good = TEST_PICTURES["eight_bit.bmp"]
    ini = "[Pack]\nTitle={}\n[Images]\n{}=caption\n"
    cases = [
        ("no pack.ini", None, {"a.bmp": good}, "pack.ini: missing"),
        ("no Title", "[Pack]\nAuthor=x\n[Images]\na.bmp=x\n", {"a.bmp": good}, "has no Title"),
        ("no pictures", "[Pack]\nTitle=Empty\n[Images]\n", {}, "lists no pictures"),
        ("missing file", ini.format("T", "gone.bmp"), {}, "gone.bmp: is listed in pack.ini but missing"),
        ("not a BMP", ini.format("T", "a.bmp"), {"a.bmp": b"\x89PNG\r\n"}, "a.bmp: is not a BMP picture"),
        ("32-bit BMP", ini.format("T", "a.bmp"), {"a.bmp": bmp(4, 4, 32)},
         "a.bmp: is a 32-bit BMP; a pack takes 1-, 4-, 8- or 24-bit pictures"),
        ("not ASCII", ini.format("T", "caf\xe9.bmp"), {},
         'picture name "caf\\xe9.bmp" is not plain printable ASCII'),
        ("device name", ini.format("T", "Com1.bmp"), {}, 'picture name "Com1.bmp" is a device name'),
        ("forbidden character", ini.format("T", "a?b.bmp"), {},
         "picture name \"a?b.bmp\" holds '?', which a path cannot hold"),
        ("Title too long", ini.format("T" * 128, "a.bmp"), {"a.bmp": good},
         "the Title is 128 characters long; at most 127 fit"),
        ("name too long", ini.format("T" * 100, "n" * 120 + ".bmp"), {"n" * 120 + ".bmp": good},
         "make a path of 264 characters under C:\\Program Files (x86)\\Tarnwick\\Themes; at most 259 fit"),
    ]
    return [(case, make_pack(os.path.join(base, case.replace(" ", "_")), text, pictures), message)
            for case, text, pictures, message in cases]


def make_certificates(folder):
    """A throwaway CA and what it signed: three PKCS#12 files, a code-signing
    one, an expired one and one made for web servers only, and a time-stamp
    authority's certificate."""
    os.makedirs(folder, exist_ok=True)
    ca, ca_key = os.path.join(folder, "ca.pem"), os.path.join(folder, "ca.key")
    quiet = {"check": True, "capture_output": True, "cwd": folder}
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key,
                    "-out", ca, "-days", "3", "-subj", "/CN=Throwaway Release Test CA",
                    "-addext", "basicConstraints=critical,CA:TRUE",
                    "-addext", "keyUsage=critical,keyCertSign"], **quiet)
    for name, usage, shift in (("signing", "codeSigning", ()), ("web", "serverAuth", ()),
                               ("expired", "codeSigning", ("faketime", "-f", "-10d")),
                               ("tsa", "critical,timeStamping", ())):
        write(os.path.join(folder, f"{name}.cnf"), f"extendedKeyUsage={usage}\n"
              "keyUsage=critical,digitalSignature\nbasicConstraints=CA:FALSE\n")
        subprocess.run(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key",
                        "-out", f"{name}.csr", "-subj", f"/CN=Tarnwick Test {name}"], **quiet)
        subprocess.run([*shift, "openssl", "x509", "-req", "-in", f"{name}.csr", "-CA", ca, "-CAkey",
                        ca_key, "-set_serial", str(len(name)), "-days", "2", "-extfile",
                        f"{name}.cnf", "-out", f"{name}.pem"], **quiet)
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", f"{name}.key", "-in",
                        f"{name}.pem", "-certfile", ca, "-passout", f"pass:{PASSWORD}",
                        "-out", f"{name}.p12"], **quiet)
    write(os.path.join(folder, "tsa.cnf"), "[tsa]\ndefault_tsa = tsa\nserial = tsa.serial\n"
          "signer_digest = sha256\ndefault_policy = 1.2.3.4.1\ndigests = sha256\n"
          "ess_cert_id_alg = sha256\n")
    write(os.path.join(folder, "tsa.serial"), "01\n")
    return ca


class TimeStampAuthority(http.server.BaseHTTPRequestHandler):
    """An RFC 3161 time-stamp server on the loopback: openssl answers each query."""
    folder = ""

    def do_POST(self):
        query = os.path.join(self.folder, f"query-{threading.get_ident()}")
        write(query, self.rfile.read(int(self.headers["Content-Length"])))
        done = subprocess.run(["openssl", "ts", "-reply", "-config", "tsa.cnf", "-queryfile", query,
                               "-signer", "tsa.pem", "-inkey", "tsa.key", "-chain", "ca.pem"],
                              cwd=self.folder, capture_output=True)
        self.send_response(200 if done.returncode == 0 else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(done.stdout)))
        self.end_headers()
        self.wfile.write(done.stdout)

    def log_message(self, *args):
        pass


def start_time_stamp_authority(folder):
    TimeStampAuthority.folder = folder
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), TimeStampAuthority)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"http://127.0.0.1:{server.server_address[1]}/"


def signing_env(folder, name, password=PASSWORD, **more):
    env = dict(os.environ, SIGN_PKCS12=os.path.join(folder, f"{name}.p12"), SIGN_PASSWORD=password)
    env.pop("SIGN_TIMESTAMP_URL", None)
    env.update(more)
    return env


def check_refusals(tree, certificates):
    """Each broken pack or certificate ends the release before it builds."""
    unsigned = {k: v for k, v in os.environ.items() if not k.startswith("SIGN_")}
    runs = [(f"pack: {case}", ["--pack", folder], unsigned, [message])
            for case, folder, message in broken_packs()]
    runs += [("certificate: wrong password", [], signing_env(certificates, "signing", "wrong"),
              ["the password in SIGN_PASSWORD does not open"]),
             ("certificate: expired", [], signing_env(certificates, "expired"), ["expired on"]),
             ("certificate: not for code signing", [], signing_env(certificates, "web"),
              ["is not made for code signing (extended key usage: TLS Web Server Authentication)"])]
    for case, args, env, messages in runs:
        messages.append("nothing was built")
        log = os.path.join(WORK, "refused.log")
        code = finish(start_release(tree, log, args, env), 120)
        output = read(log)
        refused = code == 1 and all(m in output for m in messages)
        check(refused and not os.path.exists(os.path.join(tree, "build", "release-work")),
              f"refused, {case}: " + next((line for line in output.splitlines()
                                            if messages[0] in line), output.strip()[-300:]))


def check_timestamp_failure(certificates):
    """A time-stamp server that does not answer fails the signing, and the
    program stays as it was."""
    program = os.path.join(WORK, "zindle.exe")
    shutil.copy(os.path.join(ROOT, "build", "i686", "payload", "bin", "zindle.exe"), program)
    before = read(program, "rb")
    done = subprocess.run([os.path.join(ROOT, "tools", "sign_program.py"), program],
                          capture_output=True, text=True,
                          env=signing_env(certificates, "signing", SIGN_TIMESTAMP_URL="http://127.0.0.1:9/"))
    check(done.returncode == 1 and "gave no time stamp" in done.stderr and read(program, "rb") == before,
          "a failed time stamp fails the signing and leaves the program unsigned")


def release_files(tree):
    return os.path.join(tree, "build", "release")


def check_reproduced(tree):
    """The release, built in another folder with another umask, time zone and
    clock, is byte for byte the test builds' setup.exe of each target."""
    release = release_files(tree)
    for name, target in SETUPS.items():
        built = os.path.join(ROOT, "build", target, "setup.exe")
        check(read(os.path.join(release, name), "rb") == read(built, "rb"),
              f"{name} is the same as {os.path.relpath(built, ROOT)}, built in another folder")
    sums = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=release, capture_output=True, text=True)
    check(sums.returncode == 0, "SHA256SUMS checks: " + " ".join(sums.stdout.split()))


def verify_signature(path, ca):
    """Whether the signature and its time stamp verify against the test CA."""
    done = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", ca, "-TSA-CAfile", ca],
                          capture_output=True, text=True)
    return done.returncode == 0 and "Signature verification: ok" in done.stdout and \
        "Timestamp Server Signature verification: ok" in done.stdout, done.stdout


def check_signed(tree, ca):
    """setup and every program it carries verify against the throwaway CA."""
    release = release_files(tree)
    for name in SETUPS:
        setup = os.path.join(release, name)
        ok, output = verify_signature(setup, ca)
        write(os.path.join(WORK, f"verify-{name}.txt"), output)
        check(ok, f"{name} verifies against the test CA, time stamp and all")
        for program in sum(CARRIED_PROGRAMS.values(), []):
            path = os.path.join(WORK, "carried", name, program)
            write(path, carried_program(setup, program))
            check(verify_signature(path, ca)[0], f"{program} in {name} verifies, time stamp and all")


def check_signatures_taken_over(tree):
    """Unsigned programs of the same bytes take the published signatures and
    become the published files; a program of other bytes is refused."""
    published = release_files(tree)
    env = dict(os.environ, SIGN_FROM_RELEASE=published)
    env.pop("SIGN_PKCS12", None)
    sign = os.path.join(ROOT, "tools", "sign_program.py")
    folder = os.path.join(WORK, "taken-over")
    zindle, setup = os.path.join(folder, "zindle.exe"), os.path.join(folder, "setup.exe")
    write(zindle, read(os.path.join(ROOT, "build", "i686", "payload", "bin", "zindle.exe"), "rb"))
    # setup-x64.exe unsigned again: osslsigncode gives back the bytes before signing.
    subprocess.run(["osslsigncode", "remove-signature", "-in", os.path.join(published, "setup-x64.exe"),
                    "-out", setup], check=True, capture_output=True)
    for program, expected in ((zindle, carried_program(os.path.join(published, "setup.exe"), "zindle.exe")),
                              (setup, read(os.path.join(published, "setup-x64.exe"), "rb"))):
        done = subprocess.run([sign, program], env=env, capture_output=True, text=True)
        check(done.returncode == 0 and read(program, "rb") == expected,
              f"{os.path.basename(program)} with the published signature is the published file "
              f"{done.stderr.strip()}")
    other = bytearray(read(os.path.join(ROOT, "build", "i686", "payload", "bin", "zindle.exe"), "rb"))
    other[0x400] ^= 1
    write(zindle, bytes(other))
    done = subprocess.run([sign, zindle], env=env, capture_output=True, text=True)
    check(done.returncode == 1 and "differs from the published program" in done.stderr
          and read(zindle, "rb") == bytes(other), "a program of other bytes takes no published signature")


def carried_program(setup, name):
    for ident, programs in CARRIED_PROGRAMS.items():
        if name in programs:
            return zipfile.ZipFile(io.BytesIO(rcdata_resources(setup)[ident])).read(name)
    return b""


def check_carries_pack(tree, pack):
    """Archive 1 holds the pack's pictures and pack.ini, strings 1-3 its texts."""
    setup = os.path.join(release_files(tree), "setup.exe")
    archive = zipfile.ZipFile(io.BytesIO(rcdata_resources(setup).get(1, b"")))
    names = list(TEST_PICTURES) + ["pack.ini"]
    check(archive.namelist() == names, f"setup.exe carries the test pack's files: {archive.namelist()}")
    for name, data in TEST_PICTURES.items():
        check(archive.read(name) == data, f"{name} is carried as it is")
    ini = archive.read("pack.ini").decode("ascii")
    check(ini.startswith("[Pack]\r\nTitle=Meadow Test Pack\r\n") and "four-bit.bmp=Sixteen colours\r\n" in ini,
          "pack.ini is carried with CR LF line ends")
    strings = string_resources(setup)
    check([strings.get(i) for i in (1, 2, 3)] ==
          ["Meadow Test Pack", "Ada Tester", 'Images (C) 2026 "Meadow" \\ Tester'],
          f"strings 1-3 are the pack's Title, Author and Rights: {[strings.get(i) for i in (1, 2, 3)]}")


def check_installs_pack(tree):
    """The typical run installs the pack under Themes\\<Title>, and each
    uninstall round leaves the prefix as it was, so nothing of the pack stays.
    The 64-bit setup carries the same pack, and needs no 32-bit Wine."""
    build = os.path.join(ROOT, "build", "x86_64")
    setup = os.path.join(WORK, "x64", "setup.exe")  # the name the driver starts
    write(setup, read(os.path.join(release_files(tree), "setup-x64.exe"), "rb"))
    log = os.path.join(WORK, "e2e.log")
    with open(log, "w") as out:
        code = subprocess.run([os.path.join(ROOT, "cmake", "wine-run"), "--template",
                               os.path.join(build, "wine", "template"), "--arch", "win64",
                               "--timeout", "300", "--with", setup,
                               os.path.join(build, "tests", "e2e", "e2e_typical_run_test.exe"),
                               "--gtest_filter=-JapaneseRun.*"],
                              stdout=out, stderr=subprocess.STDOUT).returncode
    summary = [line for line in read(log).splitlines() if "PASSED" in line or "FAILED" in line]
    check(code == 0, f"the end-to-end typical run installs and removes the test pack: {summary}")


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    started = time.time()
    reproduced, signed, refusing = copy_tree("folder-a"), copy_tree("folder-b"), copy_tree("folder-c")
    certificates = os.path.join(WORK, "certificates")
    ca = make_certificates(certificates)
    pack = make_pack(os.path.join(WORK, "meadow"), TEST_PACK_INI, TEST_PICTURES)
    elsewhere = dict(os.environ, TZ="XYZ-13:45", LC_ALL="C.UTF-8")
    elsewhere = {k: v for k, v in elsewhere.items() if not k.startswith("SIGN_")}
    first = start_release(reproduced, os.path.join(WORK, "release-a.log"), env=elsewhere,
                          prefix=("faketime", "-f", "+400d"), umask=0o077)
    second = start_release(signed, os.path.join(WORK, "release-b.log"), ["--pack", pack],
                           env=signing_env(certificates, "signing",
                                           SIGN_TIMESTAMP_URL=start_time_stamp_authority(certificates)))
    check_refusals(refusing, certificates)
    check_timestamp_failure(certificates)

    made = finish(second, 900) == 0
    check(made, "the signed release with the test pack is made")
    if made:
        check_signed(signed, ca)
        check_signatures_taken_over(signed)
        check_carries_pack(signed, pack)
        check_installs_pack(signed)
    check(finish(first, 900) == 0 and "UNSIGNED" in read(os.path.join(WORK, "release-a.log")),
          "the release under another clock, time zone and umask is made, and says it is unsigned")
    if os.path.isdir(release_files(reproduced)):
        check_reproduced(reproduced)
        check(not verify_signature(os.path.join(release_files(reproduced), "setup.exe"), ca)[0],
              "the unsigned release carries no signature")
    print(f"release tests: {len(failures)} failed, {time.time() - started:.0f} s")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
