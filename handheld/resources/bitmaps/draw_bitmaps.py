#!/usr/bin/python3
"""Draws the program's icon and bitmaps 130-143 as 24-bit BMP files.

    draw_bitmaps.py [OUTPUT_DIRECTORY]     (default: the directory of this script)

128      the program icon, 32 x 32: the card in dark blue with its gold
         contacts and "42", an antenna and two bars rising from it, on
         orange. Pixel art, set pixel by pixel from a character grid so that
         it stays crisp at its size and when scaled by whole numbers.
130-137  the update animation, 215 x 80: "Software Update" in white italics on
         an orange field above a row of eight squares; frame n has the first
         n + 1 squares filled.
138-142  the reception pictures, 80 x 80, white on dark blue: 138 the
         characters 圏外 (out of service area), 139 an antenna with three bars,
         140 with no bar, 141 with one bar, 142 with two bars.
143      the start-up picture, 216 x 144. The screen draws it from pixel
         (13, 13) on, so its outer 13 pixels are plain background.

Needs Debian's python3-pil, fonts-dejavu-core and fonts-ipafont-gothic. The
output is deterministic for one version of those packages; the .bmp files
beside this script are the ones the build embeds, so run this only to change
the pictures, and commit the files it writes.
"""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

LATIN_ITALIC = "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf"
LATIN_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
JAPANESE = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"

WHITE = (255, 255, 255)
ORANGE = (245, 130, 32)
DARK_BLUE = (0, 32, 112)
INK = (24, 24, 40)
GOLD = (214, 178, 72)

FRAME_SIZE = (215, 80)
SIGNAL_SIZE = (80, 80)
STARTUP_SIZE = (216, 144)
STARTUP_MARGIN = 13

# One character per pixel: . orange, B dark blue, W white, G gold.
ICON_GRID = (
    "................................",
    "................................",
    "...................WWWWWWWW.....",
    "....................WWWWWW...WW.",
    ".....................WWWW....WW.",
    "......................WW.....WW.",
    "......................WW..WW.WW.",
    "......................WW..WW.WW.",
    "......................WW..WW.WW.",
    "...BBBBBBBBBBBBBBBBBBBBBBBBBB...",
    "..BBBBBBBBBBBBBBBBBBBBBBBBBBBB..",
    "..BBBBBBBBBBBBBBBBBBBBBBBBBBBB..",
    "..BBGGGBBBBBBBWWBBBBWWWWWWBBBB..",
    "..BBGGGBBBBBBWWWBBBWWWWWWWWBBB..",
    "..BBBBBBBBBBWWWWBBBWWBBBBWWBBB..",
    "..BBBBBBBBBWWBWWBBBBBBBBBWWBBB..",
    "..BBGGGBBBWWBBWWBBBBBBBBWWBBBB..",
    "..BBGGGBBBWWBBWWBBBBBBWWWBBBBB..",
    "..BBBBBBBBWWWWWWWWBBBWWBBBBBBB..",
    "..BBBBBBBBWWWWWWWWBBWWBBBBBBBB..",
    "..BBGGGBBBBBBBWWBBBWWBBBBBBBBB..",
    "..BBGGGBBBBBBBWWBBBWWWWWWWWBBB..",
    "..BBBBBBBBBBBBWWBBBWWWWWWWWBBB..",
    "..BBBBBBBBBBBBBBBBBBBBBBBBBBBB..",
    "..BBGGGBBBBBBBBBBBBBBBBBBBBBBB..",
    "..BBGGGBBB.................BBB..",
    "..BBBBBBBB.................BBB..",
    "..BBBBBBBBBBBBBBBBBBBBBBBBBBBB..",
    "..BBBBBBBBBBBBBBBBBBBBBBBBBBBB..",
    "...BBBBBBBBBBBBBBBBBBBBBBBBBB...",
    "................................",
    "................................",
)
ICON_COLOURS = {".": ORANGE, "B": DARK_BLUE, "W": WHITE, "G": GOLD}


def font(path, size):
    if not os.path.exists(path):
        sys.exit(f"draw_bitmaps.py: missing font {path} (install the Debian package that holds it)")
    return ImageFont.truetype(path, size)


def largest_font(path, text, max_width, max_size):
    """The biggest size of `path` at which `text` is at most `max_width` wide."""
    for size in range(max_size, 6, -1):
        candidate = font(path, size)
        left, _, right, _ = candidate.getbbox(text)
        if right - left <= max_width:
            return candidate
    return font(path, 7)


def centre_text(draw, box, text, text_font, fill, stroke=0):
    left, top, right, bottom = draw.textbbox((0, 0), text, font=text_font, stroke_width=stroke)
    x = box[0] + (box[2] - box[0] - (right - left)) // 2 - left
    y = box[1] + (box[3] - box[1] - (bottom - top)) // 2 - top
    draw.text((x, y), text, font=text_font, fill=fill, stroke_width=stroke, stroke_fill=fill)


def animation_frame(n):
    image = Image.new("RGB", FRAME_SIZE, ORANGE)
    draw = ImageDraw.Draw(image)
    title = "Software Update"
    centre_text(draw, (0, 4, FRAME_SIZE[0], 48), title, largest_font(LATIN_ITALIC, title, 199, 30), WHITE)
    size, gap = 18, 7
    left = (FRAME_SIZE[0] - (8 * size + 7 * gap)) // 2
    top = 54
    for square in range(8):
        x = left + square * (size + gap)
        box = (x, top, x + size - 1, top + size - 1)
        if square <= n:
            draw.rectangle(box, fill=WHITE)
        else:
            draw.rectangle(box, outline=WHITE, width=2)
    return image


def antenna(bars):
    image = Image.new("RGB", SIGNAL_SIZE, DARK_BLUE)
    draw = ImageDraw.Draw(image)
    draw.polygon([(4, 8), (36, 8), (20, 30)], fill=WHITE)
    draw.rectangle((18, 8, 22, 72), fill=WHITE)
    for bar in range(bars):
        height = 18 + 16 * bar
        x = 36 + 15 * bar
        draw.rectangle((x, 72 - height, x + 11, 72), fill=WHITE)
    return image


def out_of_service():
    image = Image.new("RGB", SIGNAL_SIZE, DARK_BLUE)
    draw = ImageDraw.Draw(image)
    centre_text(draw, (0, 0, SIGNAL_SIZE[0], SIGNAL_SIZE[1]), "圏外", font(JAPANESE, 36), WHITE, stroke=1)
    return image


def startup_picture():
    image = Image.new("RGB", STARTUP_SIZE, WHITE)
    draw = ImageDraw.Draw(image)
    m = STARTUP_MARGIN
    card = (m + 4, m + 2, STARTUP_SIZE[0] - m - 4, STARTUP_SIZE[1] - m - 2)
    draw.rounded_rectangle(card, radius=12, fill=DARK_BLUE)
    # The card's contacts, a row of gold pads along its left edge.
    for pad in range(4):
        y = card[1] + 22 + pad * 14
        draw.rectangle((card[0] + 8, y, card[0] + 18, y + 8), fill=GOLD)
    centre_text(draw, (card[0] + 24, card[1] + 6, card[2] - 6, card[1] + 58), "P42R", font(LATIN_BOLD, 40), WHITE)
    draw.rectangle((card[0] + 28, card[1] + 62, card[2] - 12, card[1] + 67), fill=ORANGE)
    centre_text(draw, (card[0] + 24, card[1] + 72, card[2] - 6, card[3] - 6), "ケータイアップデート",
                largest_font(JAPANESE, "ケータイアップデート", card[2] - card[0] - 40, 16), WHITE)
    return image


def program_icon():
    image = Image.new("RGB", (len(ICON_GRID[0]), len(ICON_GRID)))
    for y, row in enumerate(ICON_GRID):
        for x, pixel in enumerate(row):
            image.putpixel((x, y), ICON_COLOURS[pixel])
    return image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    pictures = {128: program_icon()}
    pictures.update({130 + n: animation_frame(n) for n in range(8)})
    pictures[138] = out_of_service()
    pictures[139] = antenna(3)
    pictures[140] = antenna(0)
    pictures[141] = antenna(1)
    pictures[142] = antenna(2)
    pictures[143] = startup_picture()
    for number, image in pictures.items():
        image.save(os.path.join(out, f"{number}.bmp"), format="BMP")


if __name__ == "__main__":
    main()
