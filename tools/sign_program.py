#!/usr/bin/env python3
"""Signs the programs of a release with Authenticode (SHA-256), with the
code-signing certificate the environment names:

    SIGN_PKCS12         a PKCS#12 file: the certificate, its private key, its chain
    SIGN_PASSWORD       the file's password (may be empty)
    SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server (optional)

    sign_program.py --check    checks the certificate before anything is built:
                               the password opens the file, which holds a key,
                               and the certificate is valid now and made for
                               code signing
    sign_program.py PROGRAM    signs PROGRAM in place (time-stamped when a server
                               is named) and verifies the signature; on any
                               failure PROGRAM is left as it was, unsigned

Instead of a certificate, SIGN_FROM_RELEASE may name a folder holding a
published release's setup.exe and setup-x64.exe: each program then gets the
signature of its published copy (setup itself, or the program inside it),
which fits only a program of the very same bytes. So anyone can rebuild a
signed release from its commit and compare it with the published files.

osslsigncode signs and verifies, openssl reads the certificate. A signature and
its time stamp are verified against the chain the PKCS#12 file carries and the
system's CAs: the check is that they are whole and made by those certificates.
"""
import datetime
import io
import os
import struct
import subprocess
import sys
import tempfile
import zipfile

from pe_resources import rcdata_resources

SYSTEM_CAS = "/etc/ssl/certs/ca-certificates.crt"


class SignError(Exception):
    pass


def run(command, stdin=""):
    # openssl reads the password from SIGN_PASSWORD, which may be left unset.
    env = dict(os.environ, SIGN_PASSWORD=os.environ.get("SIGN_PASSWORD", ""))
    return subprocess.run(command, input=stdin, capture_output=True, text=True, env=env)


def pkcs12_part(part):
    """The PEM text openssl reads out of the PKCS#12 file: "-clcerts" (the
    certificate), "-cacerts" (its chain) or "-nocerts" (the key)."""
    path = os.environ.get("SIGN_PKCS12", "")
    if not os.path.isfile(path):
        raise SignError(f"SIGN_PKCS12 names no readable file: '{path}'")
    command = ["openssl", "pkcs12", "-in", path, "-passin", "env:SIGN_PASSWORD", part,
               "-nokeys" if part != "-nocerts" else "-nodes"]
    done = run(command)
    if done.returncode != 0 and "password" not in done.stderr:
        done = run(command + ["-legacy"])  # older files use ciphers OpenSSL 3 keeps apart
    if done.returncode != 0:
        if "password" in done.stderr or "mac verify" in done.stderr:
            raise SignError(f"the password in SIGN_PASSWORD does not open {path}")
        raise SignError(f"{path} is not a readable PKCS#12 file: {done.stderr.strip()}")
    return done.stdout


def certificate_fields(pem):
    """{field: text} of the certificate: notBefore, notAfter, subject, and the
    key usages as openssl prints them."""
    done = run(["openssl", "x509", "-noout", "-subject", "-startdate", "-enddate",
                "-ext", "keyUsage,extendedKeyUsage"], pem)
    if done.returncode != 0 or not pem.strip():
        raise SignError(f"{os.environ['SIGN_PKCS12']} holds no certificate")
    fields, key = {}, None
    for line in done.stdout.splitlines():
        if "=" in line and not line.startswith(" "):
            name, value = line.split("=", 1)
            fields[name.strip()] = value.strip()
        elif line.startswith("X509v3"):
            key = line.split(":")[0].replace("X509v3 ", "")
            fields[key] = ""
        elif key:
            fields[key] += line.strip()
    return fields


def openssl_time(text):
    return datetime.datetime.strptime(text, "%b %d %H:%M:%S %Y %Z").replace(
        tzinfo=datetime.timezone.utc)


def check_certificate():
    """Raises SignError unless the certificate can sign programs now."""
    fields = certificate_fields(pkcs12_part("-clcerts"))
    if "PRIVATE KEY" not in pkcs12_part("-nocerts"):
        raise SignError(f"{os.environ['SIGN_PKCS12']} holds no private key")
    subject = fields.get("subject", "")
    now = datetime.datetime.now(datetime.timezone.utc)
    if now < openssl_time(fields["notBefore"]):
        raise SignError(f"the certificate ({subject}) is valid only from {fields['notBefore']}")
    if now > openssl_time(fields["notAfter"]):
        raise SignError(f"the certificate ({subject}) expired on {fields['notAfter']}")
    usage = fields.get("Extended Key Usage")
    if usage is None or "Code Signing" not in usage:
        raise SignError(f"the certificate ({subject}) is not made for code signing "
                        f"(extended key usage: {usage or 'none'})")
    if "Key Usage" in fields and "Digital Signature" not in fields["Key Usage"]:
        raise SignError(f"the certificate ({subject}) may not make signatures "
                        f"(key usage: {fields['Key Usage']})")
    return subject


def sign_command(program, signed):
    command = ["osslsigncode", "sign", "-pkcs12", os.environ["SIGN_PKCS12"], "-h", "sha256"]
    password = os.environ.get("SIGN_PASSWORD", "")
    # A password goes through standard input, never onto a command line.
    command += ["-readpass", "-"] if password else ["-pass", ""]
    if os.environ.get("SIGN_TIMESTAMP_URL"):
        command += ["-ts", os.environ["SIGN_TIMESTAMP_URL"]]
    return command + ["-in", program, "-out", signed], password


def verify(signed, chain):
    """osslsigncode ends well even when a time stamp does not verify: its report
    is read for both verdicts."""
    done = run(["osslsigncode", "verify", "-in", signed, "-CAfile", chain, "-TSA-CAfile", chain])
    if done.returncode != 0 or "Signature verification: ok" not in done.stdout:
        raise SignError(f"the signature does not verify:\n{done.stdout}{done.stderr}")
    if os.environ.get("SIGN_TIMESTAMP_URL") and \
            "Timestamp Server Signature verification: ok" not in done.stdout:
        raise SignError(f"the time stamp does not verify:\n{done.stdout}{done.stderr}")


def write_chain(path, certificates):
    """The certificates a verification trusts: those given and the system's."""
    with open(path, "w") as f:
        f.write(certificates)
        if os.path.isfile(SYSTEM_CAS):
            with open(SYSTEM_CAS) as system:
                f.write(system.read())


def sign_program(program):
    # The signed copy is made beside the program, then renamed over it at once.
    with tempfile.TemporaryDirectory(dir=os.path.dirname(os.path.abspath(program))) as work:
        chain = os.path.join(work, "chain.pem")
        write_chain(chain, pkcs12_part("-cacerts"))
        signed = os.path.join(work, os.path.basename(program))
        command, password = sign_command(program, signed)
        done = run(command, password)
        if done.returncode != 0 or not os.path.isfile(signed):
            if "timestamping failed" in done.stderr:
                raise SignError(f"the time-stamp server {os.environ['SIGN_TIMESTAMP_URL']} "
                                f"gave no time stamp:\n{done.stderr}")
            raise SignError(f"osslsigncode could not sign it:\n{done.stdout}{done.stderr}")
        verify(signed, chain)
        os.chmod(signed, os.stat(program).st_mode)
        os.replace(signed, program)


def published_copy(program):
    """The bytes of the published program PROGRAM was built as: the setup for
    its processor, or the program of that name inside it."""
    folder = os.environ["SIGN_FROM_RELEASE"]
    with open(program, "rb") as f:
        image = f.read()
    machine = struct.unpack_from("<H", image, struct.unpack_from("<I", image, 0x3C)[0] + 4)[0]
    setup = os.path.join(folder, "setup.exe" if machine == 0x14C else "setup-x64.exe")
    name = os.path.basename(program)
    try:
        with open(setup, "rb") as f:
            if name == "setup.exe":
                return f.read()
        for archive in rcdata_resources(setup).values():
            if not zipfile.is_zipfile(io.BytesIO(archive)):
                continue  # the packed pictures setup carries beside its archives
            members = zipfile.ZipFile(io.BytesIO(archive))
            if name in members.namelist():
                return members.read(name)
    except (OSError, zipfile.BadZipFile) as error:
        raise SignError(f"cannot read the published {setup}: {error}")
    raise SignError(f"the published {setup} carries no {name}")


def attach_published_signature(program):
    """Gives PROGRAM the signature of its published copy, and fails unless
    that makes it the published copy itself."""
    published = published_copy(program)
    with tempfile.TemporaryDirectory(dir=os.path.dirname(os.path.abspath(program))) as work:
        copy, signature = os.path.join(work, "published"), os.path.join(work, "signature.der")
        signed = os.path.join(work, os.path.basename(program))
        chain = os.path.join(work, "chain.pem")
        with open(copy, "wb") as f:
            f.write(published)
        if run(["osslsigncode", "extract-signature", "-in", copy, "-out", signature]).returncode:
            raise SignError("its published copy carries no signature")
        # The signature's own certificates and the system's: what is checked is
        # that the signature fits these bytes.
        certificates = run(["openssl", "pkcs7", "-inform", "DER", "-in", signature, "-print_certs"])
        write_chain(chain, certificates.stdout)
        done = run(["osslsigncode", "attach-signature", "-sigin", signature, "-CAfile", chain,
                    "-TSA-CAfile", chain, "-in", program, "-out", signed])
        attached = b""
        if done.returncode == 0:
            with open(signed, "rb") as f:
                attached = f.read()
        if attached != published:
            raise SignError("differs from the published program: another source or build")
        os.chmod(signed, os.stat(program).st_mode)
        os.replace(signed, program)


def check_published_release():
    folder = os.environ["SIGN_FROM_RELEASE"]
    for name in ("setup.exe", "setup-x64.exe"):
        if not os.path.isfile(os.path.join(folder, name)):
            raise SignError(f"SIGN_FROM_RELEASE names no folder with the published {name}: "
                            f"{folder}")
    return f"signatures from the release in {folder}"


def check():
    return check_published_release() if os.environ.get("SIGN_FROM_RELEASE") else check_certificate()


def sign(program):
    if os.environ.get("SIGN_FROM_RELEASE"):
        attach_published_signature(program)
        return "is the published program, signature and all"
    check_certificate()
    sign_program(program)
    return "signed and verified"


def main(argv):
    if len(argv) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        if argv[0] == "--check":
            print(f"sign: {check()}")
        else:
            print(f"sign: {os.path.basename(argv[0])} {sign(argv[0])}")
    except SignError as error:
        target = "" if argv[0] == "--check" else f"{argv[0]}: "
        print(f"sign: {target}{error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
