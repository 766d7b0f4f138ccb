#!/usr/bin/env python3
"""Checks that rows of the main text window are drawn with real glyphs.

A font without a character draws its missing-glyph box, the same picture for
every character it lacks. So each character of the given rows is cut out of
the screenshot cell by cell (two cells for a double-byte character), and two
different characters must never look the same; every character that is not
a blank must light some pixels.

Usage: glyph_check.py SHOT.png LEFT TOP CELL_WIDTH CELL_HEIGHT ROW:COLUMN:TEXT...
LEFT, TOP: the screen position of the window's first cell.
"""
import subprocess
import sys


def row_pixels(shot, left, top, width, height):
    raw = subprocess.run(
        ["convert", shot, "-crop", f"{width}x{height}+{left}+{top}", "+repage",
         "-colorspace", "Gray", "-depth", "8", "gray:-"],
        check=True, capture_output=True).stdout
    if len(raw) != width * height:
        sys.exit(f"glyph_check: the crop of {shot} has {len(raw)} bytes")
    return raw


def main():
    shot = sys.argv[1]
    left, top, cell_w, cell_h = (int(v) for v in sys.argv[2:6])
    failures = []
    for item in sys.argv[6:]:
        row, column, text = item.split(":", 2)
        row, column = int(row), int(column)
        pixels = row_pixels(shot, left, top + row * cell_h, 80 * cell_w, cell_h)
        pictures = {}
        at = column
        for ch in text:
            cells = len(ch.encode("cp932"))
            x0, x1 = at * cell_w, (at + cells) * cell_w
            picture = b"".join(
                pixels[y * 80 * cell_w + x0:y * 80 * cell_w + x1]
                for y in range(cell_h))
            at += cells
            if ch in (" ", "\u3000"):
                continue
            if max(picture) < 128:
                failures.append(f"row {row}: {ch!r} draws nothing")
            pictures.setdefault(picture, set()).add(ch)
        for same in pictures.values():
            if len(same) > 1:
                failures.append(
                    f"row {row}: {''.join(sorted(same))!r} are drawn alike "
                    "(a missing-glyph box)")
        print(f"glyph_check: row {row}: {len(pictures)} different pictures "
              f"for {len(set(text) - {' ', chr(0x3000)})} characters")
    for failure in failures:
        print("glyph_check:", failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
