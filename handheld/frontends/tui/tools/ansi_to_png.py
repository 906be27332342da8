#!/usr/bin/python3
"""Turns a terminal capture with ANSI colour codes into a PNG picture.

    ansi_to_png.py INPUT.ans OUTPUT.png [--columns N]

INPUT is what `tmux capture-pane -e -p` prints, or what `tui_demo --capture`
writes: text lines with SGR colour codes (basic, 256-colour and 24-bit).
Every line becomes one row of cells; wide (Japanese) characters take two
cells. Block elements are drawn as exact rectangles so that half-block
pictures look as they do on a terminal.

Needs Debian's python3-pil, fonts-dejavu-core and fonts-ipafont-gothic.
"""

import re
import sys
import unicodedata

from PIL import Image, ImageDraw, ImageFont

CELL_W, CELL_H = 10, 20
MONO = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
MONO_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"
WIDE = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
DEFAULT_FG, DEFAULT_BG = (229, 229, 229), (0, 0, 0)

BASIC = [(0, 0, 0), (205, 0, 0), (0, 205, 0), (205, 205, 0), (0, 0, 238), (205, 0, 205), (0, 205, 205),
         (229, 229, 229), (127, 127, 127), (255, 0, 0), (0, 255, 0), (255, 255, 0), (92, 92, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]
LEVELS = [0, 95, 135, 175, 215, 255]


def palette(index):
    if index < 16:
        return BASIC[index]
    if index >= 232:
        grey = 8 + 10 * (index - 232)
        return (grey, grey, grey)
    index -= 16
    return (LEVELS[index // 36], LEVELS[(index // 6) % 6], LEVELS[index % 6])


def cell_width(char):
    if unicodedata.combining(char):
        return 0
    return 2 if unicodedata.east_asian_width(char) in ("W", "F") else 1


class Pen:
    def __init__(self):
        self.reset()

    def reset(self):
        self.fg, self.bg, self.bold, self.reverse = DEFAULT_FG, DEFAULT_BG, False, False

    def apply(self, params):
        codes = [int(p) if p else 0 for p in params.split(";")] if params else [0]
        i = 0
        while i < len(codes):
            c = codes[i]
            if c == 0:
                self.reset()
            elif c == 1:
                self.bold = True
            elif c == 7:
                self.reverse = True
            elif c == 22:
                self.bold = False
            elif c == 27:
                self.reverse = False
            elif 30 <= c <= 37:
                self.fg = BASIC[c - 30]
            elif 40 <= c <= 47:
                self.bg = BASIC[c - 40]
            elif 90 <= c <= 97:
                self.fg = BASIC[c - 90 + 8]
            elif 100 <= c <= 107:
                self.bg = BASIC[c - 100 + 8]
            elif c == 39:
                self.fg = DEFAULT_FG
            elif c == 49:
                self.bg = DEFAULT_BG
            elif c in (38, 48) and i + 1 < len(codes):
                if codes[i + 1] == 5 and i + 2 < len(codes):
                    colour = palette(codes[i + 2])
                    i += 2
                elif codes[i + 1] == 2 and i + 4 < len(codes):
                    colour = tuple(codes[i + 2:i + 5])
                    i += 4
                else:
                    colour = None
                if colour is not None:
                    if c == 38:
                        self.fg = colour
                    else:
                        self.bg = colour
            i += 1

    def colours(self):
        return (self.bg, self.fg) if self.reverse else (self.fg, self.bg)


SGR = re.compile(r"\x1b\[([0-9;]*)m")
OTHER_ESCAPE = re.compile(r"\x1b\[[0-9;?]*[A-Za-z]")


def parse(text):
    rows = []
    pen = Pen()
    for line in text.split("\n"):
        cells = []
        position = 0
        while position < len(line):
            match = SGR.match(line, position)
            if match:
                pen.apply(match.group(1))
                position = match.end()
                continue
            other = OTHER_ESCAPE.match(line, position)
            if other:
                position = other.end()
                continue
            char = line[position]
            position += 1
            width = cell_width(char)
            if width == 0 or char == "\r":
                continue
            fg, bg = pen.colours()
            cells.append((char, width, fg, bg, pen.bold))
        rows.append(cells)
    while rows and not rows[-1]:
        rows.pop()
    return rows


# Block elements as rectangles: (left, top, right, bottom) in eighths of the cell.
BLOCKS = {"▀": (0, 0, 8, 4), "▄": (0, 4, 8, 8), "█": (0, 0, 8, 8), "▌": (0, 0, 4, 8), "▐": (4, 0, 8, 8)}
for eighths, char in enumerate("▏▎▍▌▋▊▉", start=1):
    BLOCKS[char] = (0, 0, eighths, 8)


def draw(rows, columns):
    image = Image.new("RGB", (columns * CELL_W, max(len(rows), 1) * CELL_H), DEFAULT_BG)
    canvas = ImageDraw.Draw(image)
    mono, bold, wide = ImageFont.truetype(MONO, 16), ImageFont.truetype(MONO_BOLD, 16), ImageFont.truetype(WIDE, 18)
    for y, cells in enumerate(rows):
        x = 0
        for char, width, fg, bg, is_bold in cells:
            if x >= columns:
                break
            left, top = x * CELL_W, y * CELL_H
            canvas.rectangle((left, top, left + width * CELL_W - 1, top + CELL_H - 1), fill=bg)
            if char in BLOCKS:
                l, t, r, b = BLOCKS[char]
                canvas.rectangle((left + l * CELL_W // 8, top + t * CELL_H // 8,
                                  left + r * CELL_W // 8 - 1, top + b * CELL_H // 8 - 1), fill=fg)
            elif char != " ":
                font = wide if width == 2 else (bold if is_bold else mono)
                canvas.text((left, top + (1 if width == 2 else 2)), char, font=font, fill=fg)
            x += width
    return image


def main():
    args = sys.argv[1:]
    columns = None
    if "--columns" in args:
        at = args.index("--columns")
        columns = int(args[at + 1])
        del args[at:at + 2]
    if len(args) != 2:
        sys.exit(__doc__)
    with open(args[0], encoding="utf-8", errors="replace") as source:
        rows = parse(source.read())
    if columns is None:
        columns = max((sum(cell[1] for cell in row) for row in rows), default=1)
    draw(rows, columns).save(args[1])


if __name__ == "__main__":
    main()
