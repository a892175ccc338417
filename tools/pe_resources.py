"""Reads the resources of a Windows program (a PE file) from its resource
section, for the payload and manifest checks and the size report."""
import struct

RT_STRING = 6
RT_RCDATA = 10
RT_MANIFEST = 24


def resource_section(image):
    """Returns (section bytes, section RVA) of the PE file's .rsrc section."""
    header = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<2xH12xH", image, header + 4)
    table = header + 24 + optional_size
    for index in range(sections):
        name, _, rva, raw_size, raw_offset = struct.unpack_from("<8sIIII", image, table + 40 * index)
        if name.rstrip(b"\0") == b".rsrc":
            return image[raw_offset:raw_offset + raw_size], rva
    return b"", 0


def signature_size(image):
    """The size of the Authenticode signatures appended to the PE file (its
    certificate table, data directory 4), 0 for an unsigned program."""
    header = struct.unpack_from("<I", image, 0x3C)[0]
    magic = struct.unpack_from("<H", image, header + 24)[0]
    directories = header + 24 + (112 if magic == 0x20B else 96)  # PE32+ or PE32
    return struct.unpack_from("<II", image, directories + 4 * 8)[1]


def directory_entries(section, offset):
    """(id, target offset, is a subdirectory) for the entries of a directory; a
    named entry has the id None."""
    named, numbered = struct.unpack_from("<12xHH", section, offset)
    for index in range(named + numbered):
        ident, target = struct.unpack_from("<II", section, offset + 16 + 8 * index)
        yield (None if index < named else ident), target & 0x7FFFFFFF, bool(target & 0x80000000)


def resources(image, kind):
    """Maps each resource id of type `kind` in the program's bytes to the list
    of its bytes, one per language."""
    section, rva = resource_section(image)
    found = {}
    if not section:
        return found
    for type_id, names, _ in directory_entries(section, 0):
        if type_id != kind:
            continue
        for ident, languages, _ in directory_entries(section, names):
            found[ident] = []
            for _, entry, _ in directory_entries(section, languages):
                data_rva, size = struct.unpack_from("<II", section, entry)
                found[ident].append(section[data_rva - rva:data_rva - rva + size])
    return found


def rcdata_resources(path):
    """Maps each RCDATA resource id of the program to its bytes (first language)."""
    with open(path, "rb") as f:
        image = f.read()
    return {ident: languages[0] for ident, languages in resources(image, RT_RCDATA).items()
            if ident is not None and languages}


def string_resources(path):
    """Maps each string resource id of the program to its text (first language).
    A string table block n holds the strings (n - 1) * 16 to n * 16 - 1, each a
    16-bit length and as many UTF-16 units; an empty one is no string."""
    with open(path, "rb") as f:
        image = f.read()
    strings = {}
    for block, languages in resources(image, RT_STRING).items():
        if block is None or not languages:
            continue
        data, offset = languages[0], 0
        for index in range(16):
            length = struct.unpack_from("<H", data, offset)[0]
            text = data[offset + 2:offset + 2 + 2 * length].decode("utf-16-le")
            offset += 2 + 2 * length
            if text:
                strings[(block - 1) * 16 + index] = text
    return strings
