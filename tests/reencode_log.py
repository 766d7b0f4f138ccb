#!/usr/bin/env python3
"""Logs as they survive today, made from a Shift-JIS log with CR LF ends.

  reencode_log.py LOG PREFIX     writes PREFIX.<variant> for each variant
  reencode_log.py --random SEED BYTES LOG
                                 writes a random forum log of about BYTES
                                 bytes (Shift-JIS, CR LF) made only of
                                 characters that every variant holds

The variants: Shift-JIS with LF ends; UTF-8 mapped the JIS way (U+301C for
0x8160) and the Windows way (U+FF5E), each with CR LF and with LF ends, and
with a byte-order mark; EUC-JP with LF ends; ISO-2022-JP with CR LF ends.
A character cut by a line end (a lead byte at the end of a line) cannot be
written in another encoding: it is written whole, on the first line, as the
conversion joins it.
"""
import random
import re
import sys

VARIANTS = {
    "sjis-lf": ("cp932", "cp932", "\n", False),
    "utf8-jis-crlf": ("shift_jis", "utf-8", "\r\n", False),
    "utf8-jis-lf": ("shift_jis", "utf-8", "\n", False),
    "utf8-win-crlf": ("cp932", "utf-8", "\r\n", False),
    "utf8-win-lf": ("cp932", "utf-8", "\n", False),
    "utf8-bom-crlf": ("cp932", "utf-8", "\r\n", True),
    "eucjp-lf": ("shift_jis", "euc_jp", "\n", False),
    "iso2022jp-crlf": ("shift_jis", "iso2022_jp", "\r\n", False),
}

LEAD = re.compile(rb"((?:[\x00-\x7F\xA1-\xDF]|[\x81-\x9F\xE0-\xFC][\x40-\x7E\x80-\xFC])*"
                  rb"[\x81-\x9F\xE0-\xFC])\r\n")


def joined(log):
    """The log with each character cut by a CR LF made whole."""
    out = []
    for line in log.split(b"\r\n"):
        out.append(line)
    # A line whose characters end in a lone lead byte takes the next line.
    result = []
    i = 0
    while i < len(out):
        line = out[i]
        k = 0
        while k < len(line):
            k += 2 if (0x81 <= line[k] <= 0x9F or 0xE0 <= line[k] <= 0xFC) else 1
        if k > len(line) and i + 1 < len(out):
            out[i + 1] = line + out[i + 1]
        else:
            result.append(line)
        i += 1
    return b"\r\n".join(result)


def variant(log, name):
    source, target, end, bom = VARIANTS[name]
    text = joined(log).decode(source)
    if source == "cp932" and target == "cp932":
        text = log.decode("cp932", errors="surrogateescape")
    data = text.replace("\r\n", end).encode(target, errors="surrogateescape")
    return (b"\xEF\xBB\xBF" if bom else b"") + data


def write_variants(path, prefix):
    log = open(path, "rb").read()
    for name in VARIANTS:
        with open(prefix + "." + name, "wb") as out:
            if name == "sjis-lf":
                out.write(log.replace(b"\r\n", b"\n"))
            else:
                out.write(variant(log, name))


# --- random forum logs ------------------------------------------------------

def jis(row, cell):
    return bytes([row | 0x80, cell | 0x80]).decode("euc_jp")


HIRAGANA = [jis(0x24, c) for c in range(0x21, 0x74)]
KATAKANA = [jis(0x25, c) for c in range(0x21, 0x77)]
KANJI = [jis(r, c) for r in range(0x30, 0x4F) for c in range(0x21, 0x7F)]
# Row 1 holds the characters whose two mappings differ (〜 ‖ − ¢ £ ¬ ―).
SYMBOLS = [jis(0x21, c) for c in range(0x21, 0x7F)]
ALNUM = [jis(0x23, c) for c in list(range(0x30, 0x3A)) + list(range(0x41, 0x5B))]
FORUMS = ["FMKTG", "FGALDC", "FCHAT", "FPC", "FTRAIN"]


def width(text):
    return len(text.encode("cp932"))


def padded(text, size):
    while width(text) > size:
        text = text[:-1]
    return text + " " * (size - width(text))


def words(rnd, count):
    pools = [HIRAGANA] * 5 + [KATAKANA] * 2 + [KANJI] * 3 + [SYMBOLS, ALNUM]
    out = []
    for _ in range(count):
        if rnd.random() < 0.15:
            out.append(rnd.choice(["abc", " ", "123", "Re:", "(^_^)", "!?", "#x"]))
        else:
            out.append(rnd.choice(rnd.choice(pools)))
    return "".join(out)


def random_log(seed, size):
    rnd = random.Random(seed)
    lines = ["ATDT 0120XXXXXX", "CONNECT 9600"]
    number = 100
    while sum(width(line) + 2 for line in lines) < size:
        forum = rnd.choice(FORUMS)
        conference = rnd.randrange(1, 26)
        lines.append("\uFF1EGO " + forum)
        lines.append("- %s  MES(%02d) [%s] %s -" %
                     (forum, conference, forum, words(rnd, 6)))
        for _ in range(rnd.randrange(1, 12)):
            number += rnd.randrange(1, 4)
            handle = padded(words(rnd, rnd.randrange(2, 8)), 16)
            lines.append("%05d/%05d %-8s  %s %s" % (
                number, rnd.randrange(1, 99999), "ABC%05d" % rnd.randrange(99999),
                handle, words(rnd, rnd.randrange(1, 14))))
            comment = ("%05d" % (number - 1) + jis(0x24, 0x58) + jis(0x24, 0x4E) +
                       "\u30B3\u30E1\u30F3\u30C8") if rnd.random() < 0.4 else ""
            lines.append("(%02d)   %02d/%02d/%02d %02d:%02d  %s" % (
                conference, rnd.randrange(100), rnd.randrange(1, 13),
                rnd.randrange(1, 29), rnd.randrange(24), rnd.randrange(60),
                comment))
            for _ in range(rnd.randrange(0, 15)):
                lines.append(words(rnd, rnd.randrange(0, 40)))
        lines.append("\uFF1E\u25C6\u6B21\u9801\u306F\u3042\u308A\u307E\u305B\u3093\u25C6")
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


def main(args):
    if len(args) == 4 and args[0] == "--random":
        with open(args[3], "wb") as out:
            out.write(random_log(int(args[1]), int(args[2])))
    elif len(args) == 2:
        write_variants(args[0], args[1])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
