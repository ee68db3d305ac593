#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/.

Each seed is a small, hand-shaped example of what the parsers meet: valid
datagrams and files, and the usual ways they go wrong. Run it again after
changing it and commit the output; the replay tests read these files.
Standard library only.
"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")

CMD_SEARCH = 0x0201
CMD_READ_SYS_PARA = 0x0202
REPLY_BIT = 0x8000


def ip(text):
    # Addresses travel in network order: the dotted octets in byte order.
    return bytes(int(part) for part in text.split("."))


def checksum(data):
    return sum(data) & 0xFFFF


def packet(command, payload=b"", target=b"\xff\xff\xff\xff", length=None, packet_count=1,
           packet_no=0, hdr_flag=1, poll_mark=0, pad=True, bad_sum=False):
    """A datagram as a device or the tool sends it. `length` overrides the
    header field without changing the payload that follows."""
    if pad and len(payload) % 2:
        payload += b"\x00"
    declared = len(payload) if length is None else length
    header = b"KPUC" + struct.pack("<HHHHHH", command, packet_count, packet_no, declared,
                                   hdr_flag, poll_mark) + target
    assert len(header) == 20
    body = header + payload
    total = checksum(header + payload[:declared])
    if bad_sum:
        total ^= 0x0101
    return body + struct.pack("<H", total)


def text_field(text, width):
    raw = text.encode("latin-1")[: width - 1]
    return raw + b"\x00" * (width - len(raw))


def device_info(no, name, address, mask="255.255.255.0", mac=b"\x00\x1a\x4e\x10\x20\x30",
                model="KP-4410", model_name="", firmware="V1.0.8", work_state=1, type_code=3):
    """The 224-byte identity record of a search reply."""
    r = bytearray(224)
    struct.pack_into("<ii", r, 0, type_code, no)
    r[8:24] = text_field(firmware, 16)
    r[24:56] = text_field(name, 32)
    r[56:72] = text_field(model, 16)
    r[72:78] = mac
    r[80:84] = ip(address)
    r[84:88] = ip(mask)
    r[88:92] = ip("192.168.1.1")
    r[92:96] = ip("192.168.1.2")
    r[96:100] = ip("192.168.1.3")
    r[104:108] = ip("8.8.8.8")
    r[108:112] = ip("8.8.4.4")
    struct.pack_into("<H", r, 116, work_state)
    r[118:126] = bytes([1, 5, 0, 0, 0, 0, 0, 0])
    r[208:224] = text_field(model_name, 16)
    return bytes(r)


def device_list_file(records, count=None, magic=b"device list file"):
    out = magic + b"\x00" * (64 - len(magic))
    out += struct.pack("<i", len(records) if count is None else count)
    for rec in records:
        out += rec
    return out


def list_record(info, para_ext=0xFFFFFFFF, search_only=0, has_record=1):
    return struct.pack("<I", para_ext) + info[80:84] + struct.pack("<II", search_only, has_record) + info


def packet_seeds():
    hall = device_info(7, "Hall speaker", "192.168.1.50", work_state=2)
    desk = device_info(12, "Front desk", "10.1.1.5", mask="255.0.0.0", mac=b"\x00\x1a\x4e\x00\x00\x01",
                       model="KP-9120", model_name="Call station", work_state=9, type_code=-1)
    return {
        "search_request.bin": packet(CMD_SEARCH),
        "search_reply.bin": packet(CMD_SEARCH | REPLY_BIT, hall, target=ip("192.168.1.50")),
        "search_reply_unknown_state.bin": packet(CMD_SEARCH | REPLY_BIT, desk, target=ip("10.1.1.5")),
        "search_reply_short_payload.bin": packet(CMD_SEARCH | REPLY_BIT, hall[:90], target=ip("192.168.1.50")),
        "search_reply_bad_checksum.bin": packet(CMD_SEARCH | REPLY_BIT, hall[:40], bad_sum=True),
        "length_past_end.bin": packet(CMD_SEARCH, b"\x01\x02\x03\x04", length=1400),
        "odd_length_unpadded.bin": packet(CMD_READ_SYS_PARA, b"\x00\x1a\x4e", pad=False),
        "header_only.bin": packet(CMD_SEARCH)[:20],
        "max_length_field.bin": packet(CMD_SEARCH, b"\xff" * 8, length=0xFFFF),
        "not_a_packet.bin": b"hello, device\n",
    }


def devicelist_seeds():
    hall = device_info(7, "Hall speaker", "192.168.1.50", work_state=2)
    desk = device_info(12, "Front desk", "10.1.1.5", mask="255.0.0.0", mac=b"\x00\x1a\x4e\x00\x00\x01",
                       model_name="Call station", firmware="V1.0.6")
    two = [list_record(hall), list_record(desk, para_ext=0, search_only=1)]
    return {
        "empty_list.bin": device_list_file([]),
        "two_devices.bin": device_list_file(two),
        "truncated_record.bin": device_list_file(two, count=3)[: 68 + 240 + 100],
        "count_beyond_file.bin": device_list_file([list_record(hall)], count=1000),
        "negative_count.bin": device_list_file([list_record(hall)], count=-1),
        "no_identity_record.bin": device_list_file([list_record(hall, has_record=0)]),
        "magic_only.bin": device_list_file([])[:64],
        "foreign_magic.bin": device_list_file([list_record(hall)], magic=b"group info file"),
    }


def sys_para(name, address, firmware="V1.0.8", mac=b"\x00\x1a\x4e\x10\x20\x30", dev_no=7):
    """A 436-byte parameter record in the long layout; a device of the short
    layout fills only the first 392 bytes and leaves the rest zero."""
    r = bytearray(436)
    r[4:56] = text_field(firmware, 52)
    r[56:62] = mac
    struct.pack_into("<i", r, 68, dev_no)
    r[72:88] = text_field(name, 16)
    r[88:104] = text_field("admin", 16)
    r[104:120] = text_field("1234", 16)
    r[124:128] = ip(address)
    r[128:132] = ip("255.255.255.0")
    r[132:136] = ip("192.168.1.1")
    struct.pack_into("<H", r, 148, 65176)
    r[160:168] = bytes([1, 5, 0, 0, 0, 0, 0, 0])
    for i in range(392, 436):
        r[i] = i & 0xFF
    return bytes(r)


def config_file(record, length=436, magic=b"Aulira config file"):
    return magic + b"\x00" * (64 - len(magic)) + struct.pack("<I", length) + record


def alc_seeds():
    hall = sys_para("Hall speaker", "192.168.1.50")
    short = sys_para("Old desk", "10.1.1.5", firmware="V1.0.6")[:392] + b"\x00" * 44
    good = config_file(hall)
    assert len(good) == 504
    return {
        "exported.alc": good,
        "exported_short_layout.alc": config_file(short),
        "length_392.alc": config_file(hall[:392], length=392),
        "length_zero.alc": config_file(hall, length=0),
        "length_max.alc": config_file(hall, length=0xFFFFFFFF),
        "foreign_magic.alc": config_file(hall, magic=b"device list file"),
        "trailing_bytes.alc": good + b"\xee" * 300,
        "body_cut.alc": good[:68 + 200],
        "header_only.alc": good[:68],
        "magic_only.alc": good[:64],
        "empty.alc": b"",
    }


def ini_seeds():
    return {
        "typical.ini": b"[SysCfg]\r\nLanguage=1\r\n[Network]\r\nAdapters=127.0.0.1, 10.0.0.2\r\n"
                       b"DevicePort=65176\r\n[Text]\r\nCodePage=936\r\n",
        "bom_comments_quotes.ini": b"\xef\xbb\xbf; written by hand\r\n[ syscfg ]\r\n  LANGUAGE =  \"7 quoted \" \r\n"
                                   b";Language=9\r\n[Network]\r\nadapters='127.0.0.1;bogus'\r\n",
        "numbers.ini": b"[SysCfg]\nLanguage=12abc\n[Network]\nDevicePort=0065176\n[Text]\nCodePage="
                       + b"0" * 63 + b"79\n",
        "overflow.ini": b"[SysCfg]\nLanguage=99999999999999999999\n[Network]\nDevicePort=70000\n"
                        b"[Text]\nCodePage=-5\n",
        "long_value.ini": b"[Network]\nAdapters=" + b"127.0.0.1 " * 600 + b"\n",
        "no_final_newline.ini": b"[SysCfg]\nLanguage=3",
        "broken_lines.ini": b"[SysCfg\nLanguage=4\n[]\n=5\nno equals sign\n[Text]]\nCodePage==\n\"\n",
        "bare_cr_and_nul.ini": b"[SysCfg]\rLanguage=2\r[Text]\nCode\x00Page=1252\nCodePage=\t1252\t\n",
    }


def group_file(groups, count=None, magic=b"group info file"):
    out = magic.ljust(64, b"\0") + struct.pack("<I", len(groups) if count is None else count)
    for no, name, members in groups:
        out += bytes([2, 0, 0, 0]) + struct.pack("<I", no) + text_field(name, 16)
        out += struct.pack("<I", len(members))
        for dev_no, dev_name, address in members:
            out += struct.pack("<i", dev_no) + text_field(dev_name, 16) + ip(address)
    return out


def group_seeds():
    two = group_file([(1, "Lobby", [(101, "Hall", "10.0.0.5"), (102, "Desk", "10.0.0.6")]), (7, "Car park", [])])
    return {
        "empty.grp": group_file([]),
        "two_groups.grp": two,
        "cut.grp": two[:100],
        "negative_count.grp": group_file([], count=0xFFFFFFFF),
        "huge_members.grp": two[:68 + 24] + struct.pack("<I", 0x7FFFFFFF),
        "foreign_magic.grp": group_file([], magic=b"address book"),
        "unterminated_name.grp": group_file([(3, "ABCDEFGHIJKLMNOP", [])]),
    }


def counted_utf16(text):
    units = text.encode("utf-16-le")
    n = len(units) // 2
    prefix = bytes([n]) if n < 255 else b"\xff" + struct.pack("<H", n)
    return b"\xff\xfe\xff" + prefix + units


def book_file(books, count=None, magic=b"address book"):
    out = magic.ljust(64, b"\0") + struct.pack("<I", len(books) if count is None else count)
    for name, groups, broadcast, intercom in books:
        out += name
        for entries, kind in ((groups, 2), (broadcast, 1), (intercom, 1)):
            out += struct.pack("<I", len(entries))
            for ident, entry_name in entries:
                value = struct.pack("<I", ident) if kind == 2 else ip(ident)
                out += bytes([kind, 0, 0, 0]) + value + text_field(entry_name, 16)
    return out


def addrbook_seeds():
    one = book_file([(counted_utf16("A"), [(1, "Lobby")], [], [])])
    full = book_file([(counted_utf16("Front desk"), [(1, "Lobby"), (2, "Halls")], [("10.0.0.5", "Hall")],
                       [("10.0.0.9", "Reception")]), (counted_utf16("B" * 255), [], [], [("10.0.0.6", "Desk")])])
    return {
        "empty.book": book_file([]),
        "one_group.book": one,
        "two_books.book": full,
        "eight_bit_name.book": book_file([(b"\x04Caf\xe9", [(3, "Music")], [], [])]),
        "cut.book": full[:150],
        "huge_count.book": one[:64] + struct.pack("<I", 0x7FFFFFFF),
        "foreign_magic.book": book_file([], magic=b"group info file"),
    }


CMD_UPGRADE_PACKET = 0x5903


def upgrade_file(image_size, model="KP-4410", version="V2.4.0", magic=b"KPU update file\x00"):
    header = (magic + b"\x00" * 16 + text_field(version, 16) + text_field("2025-02-03", 32) +
              text_field(model, 48))
    assert len(header) == 128
    return header + bytes((i * 7) & 0xFF for i in range(image_size))


def upgrade_header_seeds():
    return {
        "firmware.bin": upgrade_file(3000),
        "one_byte.bin": upgrade_file(1),
        "header_only.bin": upgrade_file(0),
        "short.bin": upgrade_file(100)[:60],
        "bad_magic.bin": upgrade_file(10, magic=b"KPU update fil\x00\x00"),
        "no_nul_magic.bin": upgrade_file(10, magic=b"KPU update filex"),
        "full_texts.bin": upgrade_file(5, model="M" * 48, version="V" * 16),
        "screen.bin": upgrade_file(2048 + 300, model="KM-220"),
    }


def upgrade_reply_seeds():
    def reply(k, no, **kw):
        return struct.pack("<H", k) + packet(CMD_UPGRADE_PACKET | REPLY_BIT, packet_count=max(k, 1),
                                             packet_no=no, target=ip("127.0.0.1"), **kw)
    return {
        "header_ok": reply(0, 0),
        "header_refused": reply(0, 0, poll_mark=1),
        "packet_3": reply(3, 3),
        "stale_packet_2_for_3": reply(3, 2),
        "no_echo_for_5": reply(5, 0),
        "bad_sum": reply(3, 3, bad_sum=True),
        "cut": reply(3, 3)[:15],
        "long_claim": reply(3, 3, length=600),
    }


def write(kind, seeds):
    folder = os.path.join(CORPUS, kind)
    os.makedirs(folder, exist_ok=True)
    for name, data in sorted(seeds.items()):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    print("%s: %d files, %d bytes" % (kind, len(seeds), sum(len(d) for d in seeds.values())))


def main():
    # Self-check against the search request every device knows.
    expected = bytes.fromhex("4b50554301020100000000000100 0000ffffffff3405".replace(" ", ""))
    if packet(CMD_SEARCH) != expected:
        sys.exit("search request encoding is wrong")
    write("packet", packet_seeds())
    write("devicelist", devicelist_seeds())
    write("alc", alc_seeds())
    write("ini", ini_seeds())
    write("group", group_seeds())
    write("addrbook", addrbook_seeds())
    write("upgrade_header", upgrade_header_seeds())
    write("upgrade_reply", upgrade_reply_seeds())


if __name__ == "__main__":
    main()
