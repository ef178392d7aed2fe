#!/usr/bin/env python3
"""Writes the small seed corpora under fuzz/corpus/<target>/.

The seeds are the shapes the tests use: settings files in each encoding,
stored column format documents, formula lines, small PNG files of every
colour type, layouts, and the fields fuzz_journal builds journals from.
Run again after changing a seed; the files are committed.
"""
import base64
import hashlib
import json
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, items):
    d = os.path.join(HERE, "corpus", target)
    os.makedirs(d, exist_ok=True)
    for old in os.listdir(d):
        os.remove(os.path.join(d, old))
    for data in items:
        if isinstance(data, str):
            data = data.encode("utf-8")
        name = hashlib.sha1(data).hexdigest()[:16]
        with open(os.path.join(d, name), "wb") as f:
            f.write(data)


def utf16(text, big):
    return (b"\xfe\xff" + text.encode("utf-16-be")) if big else (b"\xff\xfe" + text.encode("utf-16-le"))


ini = "[Optionen]\r\nZQHost=192.0.2.10\r\nVollBild=ja\r\nInfoZeile=Startnr,\"Team \"&&[Verein]\r\n\r\n"
settings = [
    b"",
    ini.encode("cp1252"),
    b"\xef\xbb\xbf" + ini.encode("utf-8"),
    utf16(ini, False),
    utf16(ini, True),
    "[optionen]\nzqhost = 192.0.2.10\n; Kommentar\n\n[Andere]\nx=\"quoted\"\n".encode("cp1252"),
    b"vorher=1\r[Optionen]\rA=1\rA=2\r[Optionen]\rB=\xe4\xf6\xfc\x80\x81\r",
    b"[Optionen]\r\nText=ab\x00cd\r\nZQHost=\r\n  [ Leer ]  \r\nkeinGleich\r\n=nurWert\r\n",
    b"\xef\xbb\xbf[Optionen]\r\nKaputt=\xc3\x28\xed\xa0\x80\xf4\x90\x80\x80\xc0\xaf\r\n",
    b"\xff\xfe[\x00O\x00]\x00\r\x00\n\x00a\x00=\x00\x00\xd8\x41",
    b"[]\r\n[a]b]\r\n\t[x]\t\r\nk\t=\tv = w\t\r\n",
]
write("settings", settings)

json_seeds = [
    '{"1":{"schriftname":"Arial","schriftgroesse":"24","farbe":"#FFFFFF","fett":"true","ausrichtung":"links","anzahlzeichen":"5"}"2":{"schriftname":"Arial","schriftgroesse":"24","farbe":"#000000","fett":"false","ausrichtung":"rechts","anzahlzeichen":"20"}}',
    '{"1":{"schriftname":"Tahoma","schriftgroesse":"14","farbe":"#FFFFFF","fett":"false","text":"Startnr"}"2":{"schriftname":"Tahoma","schriftgroesse":"14","farbe":"#FFFFFF","fett":"true","text":"Name"}}',
    '{"-1":{"schriftname":"","schriftgroesse":"","farbe":"","fett":"false"}}',
    '{"a":1,}', '{,"a":1}', '[1 2,3,]', '{"A":1,"a":2}', '{"a":-0.5e+3}', '{"a":007}',
    '{"a":"a\\"b"}', '{"a":"C:\\\\x"}', '{"a":"x\\qy"}', '{"a":"\\u00e9\\u0041\\ud83d\\ude00"}',
    '{"a":"\\u00zz"}', '{"a":"\\u12"}', '{"a":1}  xyz', '"abc"', '\xef\xbb\xbf{"a":true}', '{"a":truex}',
    '[' * 40 + ']' * 40, '{"a":1e999}', '{"":{"x":null}}',
]
write("json", json_seeds)

format_seeds = json_seeds[:3] + [
    '{"1":{"schriftname":"Arial","schriftgroesse":"24","farbe":"#FFFFFF","fett":"true","ausrichtung":"links","anzahlzeichen":"5"}}',
    '{"7":{"Schriftname":"A","ausrichtung":"Mitte"},"x":{"ausrichtung":"RECHTS","fett":"TRUE"},"-1":{"ausrichtung":" z","schriftgroesse":12.5}}',
    '{"1":{"schriftgroesse":13.5,"anzahlzeichen":"abc","farbe":"#FFFFFF00","fett":"ja"}}',
    '{"1":"x","2":{"text":"a\\"b\\\\c\\n\\r\\u0000"}}',
    '[{"a":1},2]', '{}', '"nur Text"', '{"1":{"fett":1,"schriftgroesse":true,"text":false,"ausrichtung":null}}',
    '{"1":{"schriftgroesse":"2147483648","anzahlzeichen":-2147483648.5,"farbe":1e300}}',
]
write("format_table", format_seeds)

split_seeds = [
    'Startnr', 'Startnr,"Team "&&[Verein]', 'A,B,C', '"a, b",Startnr', '  Startnr, Name', 'Startnr ,Name',
    'A,,B', 'A,', ',A', ',', ' ,A', '   ', '"a, b,Startnr', '"",Startnr', 'x\t,y', '\tStartnr',
    'A,\u0301B', 'e\u0301,f', 'x,\U0001F600y', 'a\x00,b', '\x01\u0301\u0301,z',
]
split_bytes = [s.encode("utf-8") for s in split_seeds]
split_bytes += [s.encode("utf-16-le", "surrogatepass") for s in ['A,\udc00B', '\udc00,\u0300\u0300x', 'a,"b,c"d,']]
write("split", split_bytes)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, depth, color, rows, interlace=0, extra=b"", idat_split=1, bad_crc=False):
    ihdr = struct.pack(">IIBBBBB", width, height, depth, color, 0, 0, interlace)
    raw = zlib.compress(b"".join(rows))
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra
    step = max(1, len(raw) // idat_split)
    for i in range(0, len(raw), step):
        out += chunk(b"IDAT", raw[i:i + step])
    out += chunk(b"IEND", b"")
    if bad_crc:
        out = out[:29] + bytes([out[29] ^ 1]) + out[30:]
    return out


pngs = [
    png(1, 1, 8, 0, [b"\x00\x80"]),
    png(2, 2, 8, 6, [b"\x00" + b"\xff\x00\x00\x80" * 2, b"\x02" + b"\x00\x10\x20\x30" * 2]),
    png(3, 1, 8, 2, [b"\x01" + bytes(range(9))], idat_split=3),
    png(4, 2, 2, 3, [b"\x00\x1b", b"\x03\xe4"], extra=chunk(b"PLTE", bytes(range(12))) + chunk(b"tRNS", b"\x00\x80")),
    png(2, 1, 16, 4, [b"\x04" + b"\x12\x34\xff\xff\x00\x01\x80\x00"]),
    png(1, 1, 1, 0, [b"\x00\x80"], extra=chunk(b"tRNS", b"\x00\x01")),
    png(5, 5, 8, 0, [b"\x00" + bytes(range(5))] * 5, interlace=1),
    png(1, 1, 8, 0, [b"\x00\x00"], bad_crc=True),
    b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 65535, 65535, 8, 6, 0, 0, 0)) + chunk(b"IEND", b""),
    b"\x89PNG\r\n\x1a\n" + chunk(b"tEXt", b"a\x00b"),
    b"kein PNG",
]
write("png", pngs)


def layout(values, **extra):
    root = {"format": "VADaroradarAdadad-Layout", "version": 1, "name": "Halle", "created": "2026-12-11T08:30:00Z",
            "values": values}
    root.update(extra)
    return json.dumps(root, ensure_ascii=False, indent=2)


layout_defaults = {
    "VollBild": "ja", "AnzahlZeilen": "20", "TimeoutleereZeile": "5", "HintergrundFarbe": "#000000",
    "TimeoutLogo": "60", "TransparenzLogo": "80", "ZweiteZeileFarbe": "#000000", "InfoZeileFormat": "",
    "UeberschriftFormat": "", "SNRInfoFelderFormat": "", "InfoZeile": "Startnr", "mitUeberschrift": "ja",
    "mitStartNrInfo": "ja", "SNRInfoFelder": "Startnr", "StartNrInFeld": "", "erstesEF": "-1", "letztesEF": "-1",
}
layout_hall = dict(layout_defaults, AnzahlZeilen="$1F", InfoZeile="Startnr,[Name]", InfoZeileFormat=format_seeds[3],
                   UeberschriftFormat='{"1":{"schriftname":"Arial","schriftgroesse":"36","farbe":"#FFFF00","fett":"true","text":"Nr."}}')
layout_seeds = [
    layout(layout_defaults),
    layout(layout_hall),
    layout(layout_defaults, logo=base64.b64encode(pngs[0]).decode("ascii")),
    layout(dict(layout_defaults, ZQHost="192.0.2.1")),
    layout(layout_defaults, version=2),
    layout({k: v for k, v in layout_defaults.items() if k != "VollBild"}),
]
write("layout", layout_seeds)


# Journals: the input of fuzz_journal is not a journal but the fields it
# builds one from (see the comment at the top of fuzz_journal.cpp): a byte
# of fields taken from the input, a byte of the journal's shape and the
# file's state, the fields, the old text (one length byte) and the new text.
def journal(fuzzed=0, shape=0, fields=b"", old=b"[Optionen]\r\nZQHost=alt\r\n",
            new=b"[Optionen]\r\nZQHost=neu\r\nVollBild=ja\r\n"):
    return bytes([fuzzed, shape]) + fields + bytes([len(old)]) + old + new


u16 = lambda n: struct.pack("<H", n)
u32 = lambda n: struct.pack("<I", n)
u64 = lambda n: struct.pack("<Q", n)
OLD, NEW, TORN, ROOM, OTHER, NONE, MOVED = range(7)
TEMP_NAME, CUT, TRAILING, PATH_LENGTH, OLD_SIZE = 8, 16, 32, 64, 128
IDENTITY, PATH, VERSION, HEADER_SUM, NEW_SIZE, NEW_SUM, MAGIC, OTHERS_READ = (1 << i for i in range(8))
journal_seeds = [
    b"",
    journal(),  # replayed over the old text
    journal(shape=NEW),
    journal(shape=TORN, fields=u16(9)),
    journal(shape=ROOM),
    journal(shape=OTHER, fields=bytes([6]) + b"[A]\r\nB"),
    journal(shape=NONE),
    journal(shape=MOVED),
    journal(old=b"", new=b"[Optionen]\r\n"),
    journal(old=b"x" * 40, new=b"kurz"),
    journal(fuzzed=IDENTITY, fields=u64(2049) + u64(123456)),
    journal(fuzzed=PATH, fields=bytes([15]) + b"/tmp/anders.ini"),
    journal(fuzzed=VERSION, fields=u32(2)),
    journal(fuzzed=HEADER_SUM, fields=u64(0x1234)),
    journal(fuzzed=NEW_SIZE, fields=u64(5)),
    journal(fuzzed=NEW_SUM, fields=u64(0)),
    journal(fuzzed=MAGIC, fields=b"VADJOURX"),
    journal(fuzzed=OTHERS_READ),
    journal(shape=TEMP_NAME),
    journal(shape=CUT, fields=u16(70)),
    journal(shape=TRAILING, fields=bytes([3]) + b"+++"),
    journal(shape=PATH_LENGTH, fields=u32(70000)),
    journal(shape=OLD_SIZE | ROOM, fields=u64(3)),
]
write("journal", journal_seeds)
