#!/usr/bin/python3
"""Draws every picture of Ostrane's two windows into this folder.

The generated files are committed, so building needs no generator; run this script (Debian's
python3-pil and the DejaVu, URW and Liberation fonts) only to change a picture. Each file is
written in the exact format, size, colour depth and byte count the windows expect; the
compressed formats are brought to their byte count with a comment block.
"""

import math
import struct
import sys
from pathlib import Path

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = Path(__file__).resolve().parent
DEJAVU = Path("/usr/share/fonts/truetype/dejavu")
URW = Path("/usr/share/fonts/opentype/urw-base35")
LIBERATION = Path("/usr/share/fonts/truetype/liberation")

# The sixteen colours of a 4-bit Windows bitmap, in their usual order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def font(path, size):
    return ImageFont.truetype(str(path), size)


def supersampled(size, factor, draw_fn, background=(0, 0, 0)):
    """Draws at `factor` times the size and scales down, for smooth edges."""
    scale = DOUBLE if DRAWING_DOUBLE else 1
    size = (size[0] * scale, size[1] * scale)
    big = Image.new("RGB", (size[0] * factor, size[1] * factor), background)
    draw_fn(big, ImageDraw.Draw(big), factor * scale)
    return big.resize(size, Image.LANCZOS)


# The double-size set, for screens at twice the scale: the same drawings at twice the size,
# saved losslessly as NAME@2x.png beside each picture.
DOUBLE = 2
DRAWING_DOUBLE = False


# ----------------------------------------------------------------------------- file writers


def bmp_bytes(image, bits, palette=None):
    """An uncompressed bottom-up Windows bitmap with a 40-byte header."""
    if DRAWING_DOUBLE:
        return png_bytes(image)
    width, height = image.size
    row = ((width * bits + 31) // 32) * 4
    colours = b""
    if bits <= 8:
        colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
        colours = colours.ljust((1 << bits) * 4, b"\0")
    pixels = bytearray()
    for y in range(height - 1, -1, -1):
        if bits == 24:
            line = b"".join(bytes(image.getpixel((x, y))[::-1]) for x in range(width))
        elif bits == 8:
            line = bytes(image.getpixel((x, y)) for x in range(width))
        else:
            indexes = [image.getpixel((x, y)) for x in range(width)] + [0]
            line = bytes((indexes[x] << 4) | indexes[x + 1] for x in range(0, width, 2))
        pixels += line.ljust(row, b"\0")
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 3780, 3780,
                       1 << bits if bits <= 8 else 0, 0)
    return header + info + colours + bytes(pixels)


def bmp_with_alpha_bytes(image):
    """An uncompressed bottom-up 32-bit bitmap whose header names an alpha mask (108 bytes)."""
    width, height = image.size
    pixels = bytearray()
    for y in range(height - 1, -1, -1):
        for x in range(width):
            r, g, b, a = image.getpixel((x, y))
            pixels += bytes((b, g, r, a))
    info = struct.pack("<IiiHHIIiiII", 108, width, height, 1, 32, 3, len(pixels), 2835, 2835,
                       0, 0)
    info += struct.pack("<IIIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 0x73524742)
    info += bytes(48)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + bytes(pixels)


def ico_bytes(image, opaque):
    """A one-image icon, 256 colours: `image` is a palette image, `opaque` a mask image."""
    width, height = image.size
    palette = palette_of(image)
    xor_row = ((width * 8 + 31) // 32) * 4
    and_row = ((width + 31) // 32) * 4
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    colours = colours.ljust(1024, b"\0")
    xor = bytearray()
    mask = bytearray()
    for y in range(height - 1, -1, -1):
        xor += bytes(image.getpixel((x, y)) for x in range(width)).ljust(xor_row, b"\0")
        line = bytearray(and_row)
        for x in range(width):
            if not opaque.getpixel((x, y)):
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 8, 0, len(xor) + len(mask), 0,
                       0, 256, 0)
    data = info + colours + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, 1, 8, len(data), 6 + 16)
    return directory + entry + data


def palette_of(image):
    flat = image.getpalette()[: 256 * 3]
    flat += [0] * (768 - len(flat))
    return [tuple(flat[i:i + 3]) for i in range(0, 768, 3)]


def to_palette(image, colours=256):
    """Quantises to at most `colours` colours, keeping a full 256-entry palette."""
    quantised = image.quantize(colours, method=Image.MEDIANCUT, dither=Image.NONE)
    flat = quantised.getpalette()[: 768]
    quantised.putpalette(flat + [0] * (768 - len(flat)))
    return quantised


def to_vga16(image):
    palette = Image.new("P", (1, 1))
    palette.putpalette([c for rgb in VGA16 for c in rgb] + [0] * (768 - 48))
    return image.quantize(16, palette=palette, dither=Image.NONE)


def gif_bytes(image, size):
    """GIF89a with a full 256-colour table, padded to `size` bytes with comment blocks."""
    if DRAWING_DOUBLE:
        return png_bytes(image)
    path = HERE / ".gif-draft.gif"
    image.save(path, "GIF", optimize=False)
    data = bytearray(path.read_bytes())
    path.unlink()
    assert data[10] & 0x87 == 0x87, "the colour table must hold 256 entries"
    data[0:6] = b"GIF89a"
    table_end = 13 + 768

    # A comment of n bytes costs 3 + n + ceil(n / 255) bytes; an empty one costs 3.
    def cost(n):
        return 3 + n + (n + 254) // 255

    blocks = bytearray()
    padding = size - len(data)
    assert padding == 0 or padding >= 3, f"cannot pad the GIF of {len(data)} bytes to {size}"
    while padding > 0:
        # The longest comment that leaves nothing, or room for one more.
        n = max(n for n in range(0, padding) if cost(n) == padding or padding - cost(n) >= 3)
        text = bytes(n)
        blocks += b"\x21\xfe"
        for start in range(0, n, 255):
            chunk = text[start:start + 255]
            blocks += bytes([len(chunk)]) + chunk
        blocks += b"\0"
        padding -= cost(n)
    assert padding == 0, f"cannot pad the GIF of {size - padding} bytes to {size}"
    data[table_end:table_end] = blocks
    return bytes(data)


def jpeg_bytes(image, size):
    """JFIF at the best quality that fits, padded to `size` bytes with a comment segment."""
    if DRAWING_DOUBLE:
        return png_bytes(image)
    path = HERE / ".jpeg-draft.jpg"
    for quality in range(95, 10, -1):
        image.save(path, "JPEG", quality=quality, optimize=True)
        data = path.read_bytes()
        if len(data) <= size - 4:
            break
    path.unlink()
    padding = size - len(data)
    comment = b"\xff\xfe" + struct.pack(">H", padding - 2) + bytes(padding - 4)
    # After SOI and the JFIF APP0 segment.
    app0_end = 2 + 2 + struct.unpack(">H", data[4:6])[0]
    return data[:app0_end] + comment + data[app0_end:]


def png_bytes(image):
    """A lossless PNG, for the double-size set."""
    path = HERE / ".double.png"
    image.save(path, "PNG", optimize=True)
    data = path.read_bytes()
    path.unlink()
    return data


def write(name, data, size=None):
    if size is not None:
        assert len(data) == size, f"{name}: {len(data)} bytes, not {size}"
    (HERE / name).write_bytes(data)
    print(f"{name}: {len(data)} bytes")


# ----------------------------------------------------------------------------- the pictures


def banner_image(scale=1):
    """Picture1: the name in dark letters on a magenta radial gradient; 229 x 66 show."""
    width, height = 238 * scale, 69 * scale
    image = Image.new("RGB", (width, height))
    cx, cy = 114 * scale, 33 * scale
    for y in range(height):
        for x in range(width):
            d = math.hypot((x - cx) / (125 * scale), (y - cy) / (48 * scale))
            t = min(1.0, d)
            r = int(255 - 130 * t)
            g = int(120 - 115 * t)
            b = int(235 - 95 * t)
            image.putpixel((x, y), (r, g, b))
    face = font(URW / "URWBookman-DemiItalic.otf", 40 * scale)
    text = "Corvissa"
    draw = ImageDraw.Draw(image)
    box = draw.textbbox((0, 0), text, font=face)
    x = (229 * scale - (box[2] - box[0])) // 2 - box[0]
    y = (66 * scale - (box[3] - box[1])) // 2 - box[1]
    glow = Image.new("L", image.size, 0)
    ImageDraw.Draw(glow).text((x + scale, y + scale), text, font=face, fill=255)
    glow = glow.filter(ImageFilter.GaussianBlur(2.5 * scale))
    image = Image.composite(Image.new("RGB", image.size, (255, 200, 255)), image,
                            glow.point(lambda v: v * 0.55))
    draw = ImageDraw.Draw(image)
    draw.text((x, y), text, font=face, fill=(40, 0, 48))
    return image


def banner():
    return jpeg_bytes(banner_image(DOUBLE if DRAWING_DOUBLE else 1), 7144)


def filelist(open_):
    """The panel toggle: FileList with a triangle below it (closed) or above it (open)."""
    green = (0, 255, 0)

    def draw_fn(image, draw, k):
        face = font(DEJAVU / "DejaVuSans-Bold.ttf", 11 * k)
        text = "FileList"
        box = draw.textbbox((0, 0), text, font=face)
        text_y = 14 if open_ else 1
        x = (56 * k - (box[2] - box[0])) // 2 - box[0]
        draw.text((x, text_y * k - box[1]), text, font=face, fill=green)
        cx = 28 * k
        if open_:
            draw.polygon([(cx - 7 * k, 11 * k), (cx + 7 * k, 11 * k), (cx, 2 * k)], fill=green)
        else:
            draw.polygon([(cx - 7 * k, 15 * k), (cx + 7 * k, 15 * k), (cx, 24 * k)], fill=green)

    image = supersampled((56, 26), 4, draw_fn)
    return bmp_bytes(image, 24)


def playlist():
    """Picture5: the panel's dark grey backdrop, its arrow, title and lightning bolt."""
    width, height = 350, 118

    def draw_fn(image, draw, k):
        for y in range(height * k):
            shade = int(58 - 18 * y / (height * k))
            draw.line([(0, y), (width * k, y)], fill=(shade, shade, shade + 4))
        # Fine diagonal grain.
        for x in range(-height * k, width * k, 6 * k):
            draw.line([(x, 0), (x + height * k, height * k)], fill=(62, 62, 66), width=k)
        # The small white arrow pointing down, at the lower left.
        ax, ay = 14 * k, 84 * k
        draw.rectangle([ax - 2 * k, ay, ax + 2 * k, ay + 12 * k], fill=(255, 255, 255))
        draw.polygon([(ax - 7 * k, ay + 11 * k), (ax + 7 * k, ay + 11 * k), (ax, ay + 20 * k)],
                     fill=(255, 255, 255))
        face = font(DEJAVU / "DejaVuSans-Bold.ttf", 15 * k)
        text = "QV-SPC Playlist"
        box = draw.textbbox((0, 0), text, font=face)
        tx = 318 * k - (box[2] - box[0]) - box[0]
        ty = 93 * k - box[1]
        draw.text((tx + k, ty + k), text, font=face, fill=(10, 10, 10))
        draw.text((tx, ty), text, font=face, fill=(225, 225, 225))
        bx, by = 322 * k, 82 * k
        bolt = [(10, 0), (2, 15), (8, 15), (3, 30), (17, 11), (10, 11), (15, 0)]
        draw.polygon([(bx + px * k, by + py * k) for px, py in bolt], fill=(255, 230, 0),
                     outline=(160, 110, 0))

    image = supersampled((width, height), 3, draw_fn)
    indexed = to_palette(image)
    return bmp_bytes(indexed, 8, palette_of(indexed))


def transport(symbol, pressed):
    """A 23 x 18 button face: raised with 16 colours, or darker and sunken with 256."""
    width, height = 23, 18
    face = (128, 128, 128) if pressed else (192, 192, 192)
    light, dark = ((64, 64, 64), (255, 255, 255)) if pressed else ((255, 255, 255), (64, 64, 64))
    if not pressed:
        dark = (0, 0, 0)
    image = Image.new("RGB", (width, height), face)
    draw = ImageDraw.Draw(image)
    draw.line([(0, 0), (width - 1, 0)], fill=light)
    draw.line([(0, 0), (0, height - 1)], fill=light)
    draw.line([(0, height - 1), (width - 1, height - 1)], fill=dark)
    draw.line([(width - 1, 0), (width - 1, height - 1)], fill=dark)
    if not pressed:
        draw.line([(1, height - 2), (width - 2, height - 2)], fill=(128, 128, 128))
        draw.line([(width - 2, 1), (width - 2, height - 2)], fill=(128, 128, 128))
    s = 1 if pressed else 0  # the symbol sinks by a pixel while held down
    colours = {
        "stop": ((255, 0, 0), (128, 0, 0)),
        "play": ((0, 255, 0), (0, 128, 0)),
        "pause": ((0, 0, 255), (0, 0, 128)),
    }[symbol]
    fill, edge = colours
    if pressed:
        fill = tuple(int(c * 0.7) for c in fill)
        edge = tuple(int(c * 0.6) for c in edge)
    if symbol == "stop":
        draw.rectangle([7 + s, 4 + s, 15 + s, 12 + s], fill=fill, outline=edge)
    elif symbol == "play":
        draw.polygon([(8 + s, 3 + s), (8 + s, 13 + s), (16 + s, 8 + s)], fill=fill, outline=edge)
    else:
        draw.rectangle([7 + s, 4 + s, 9 + s, 12 + s], fill=fill, outline=edge)
        draw.rectangle([13 + s, 4 + s, 15 + s, 12 + s], fill=fill, outline=edge)
    if DRAWING_DOUBLE:
        # A face of whole pixels: each doubled keeps its edges sharp.
        return png_bytes(image.resize((width * DOUBLE, height * DOUBLE), Image.NEAREST))
    if pressed:
        indexed = to_palette(image)
        return bmp_bytes(indexed, 8, palette_of(indexed))
    return bmp_bytes(to_vga16(image), 4, VGA16)


def crystal_ball():
    """Form1's icon: a crystal ball on a stand with lettering across it."""
    size, k = 32, 8

    def draw_fn(image, draw, k):
        # The stand: a bronze foot and collar.
        draw.polygon([(6 * k, 31 * k), (26 * k, 31 * k), (22 * k, 25 * k), (10 * k, 25 * k)],
                     fill=(150, 95, 30))
        draw.polygon([(8 * k, 30 * k), (24 * k, 30 * k), (21 * k, 26 * k), (11 * k, 26 * k)],
                     fill=(215, 160, 60))
        draw.rectangle([11 * k, 23 * k, 21 * k, 26 * k], fill=(180, 120, 40))
        # The ball, lit from the upper left.
        cx, cy, r = 16 * k, 13 * k, 11.5 * k
        for step in range(int(r), 0, -1):
            t = step / r
            colour = (int(40 + 120 * (1 - t)), int(30 + 90 * (1 - t)), int(120 + 130 * (1 - t)))
            ox, oy = (1 - t) * -4 * k, (1 - t) * -4 * k
            draw.ellipse([cx + ox - step, cy + oy - step, cx + ox + step, cy + oy + step],
                         fill=colour)
        draw.ellipse([9 * k, 5 * k, 14 * k, 9 * k], fill=(235, 235, 255))
        # Lettering across the ball.
        face = font(DEJAVU / "DejaVuSans-Bold.ttf", 9 * k)
        box = draw.textbbox((0, 0), "QV", font=face)
        tx = cx - (box[2] - box[0]) // 2 - box[0]
        ty = 14 * k - (box[3] - box[1]) // 2 - box[1]
        draw.text((tx + k // 2, ty + k // 2), "QV", font=face, fill=(30, 0, 50))
        draw.text((tx, ty), "QV", font=face, fill=(255, 220, 90))

    image = supersampled((size, size), k, draw_fn, background=(0, 0, 0))
    shape = supersampled((size, size), k, lambda im, d, k: (
        d.ellipse([4.5 * k, 1.5 * k, 27.5 * k, 24.5 * k], fill=(255, 255, 255)),
        d.polygon([(6 * k, 31 * k), (26 * k, 31 * k), (22 * k, 23 * k), (10 * k, 23 * k)],
                  fill=(255, 255, 255))))
    return icon(image, shape)


def goblet():
    """Form5's icon, 20 wide and 32 high: a grey goblet."""
    width, height, k = 20, 32, 8

    def outline(d, k, fill_fn):
        # Bowl, stem, knot and foot.
        d.chord([1 * k, -6 * k, 19 * k, 15 * k], 0, 180, fill=fill_fn("bowl"))
        d.rectangle([1 * k, 1 * k, 19 * k, 5 * k], fill=fill_fn("bowl"))
        d.rectangle([8.5 * k, 14 * k, 11.5 * k, 26 * k], fill=fill_fn("stem"))
        d.ellipse([6.5 * k, 18 * k, 13.5 * k, 22 * k], fill=fill_fn("knot"))
        d.polygon([(3 * k, 31 * k), (17 * k, 31 * k), (12 * k, 26 * k), (8 * k, 26 * k)],
                  fill=fill_fn("foot"))

    shades = {"bowl": (150, 150, 155), "stem": (120, 120, 125), "knot": (170, 170, 175),
              "foot": (110, 110, 115)}

    def draw_fn(image, d, k):
        outline(d, k, lambda part: shades[part])
        # A highlight down the bowl's left side and its dark rim.
        d.ellipse([3 * k, 2 * k, 6 * k, 10 * k], fill=(225, 225, 230))
        d.rectangle([1 * k, 1 * k, 19 * k, 2 * k], fill=(85, 85, 90))
        d.line([(13 * k, 27 * k), (15 * k, 30 * k)], fill=(170, 170, 175), width=k)

    image = supersampled((width, height), k, draw_fn)
    shape = supersampled((width, height), k,
                         lambda im, d, k: outline(d, k, lambda part: (255, 255, 255)))
    return icon(image, shape)


def icon(image, shape):
    """Pixels under the shape are opaque; the rest are transparent through the AND mask."""
    opaque = shape.convert("L").point(lambda v: 255 if v >= 110 else 0)
    black = Image.new("RGB", image.size)
    image = Image.composite(image, black, opaque)
    indexed = to_palette(image)
    return ico_bytes(indexed, opaque), indexed, opaque


def scrollwork():
    """Form5's divider: gold scrollwork on black, 583 x 16."""
    width, height, k = 583, 16, 4
    gold = [(110, 75, 10), (170, 125, 25), (225, 180, 60), (255, 230, 140)]

    def draw_fn(image, d, k):
        mid = 8 * k
        d.line([(0, mid), (width * k, mid)], fill=gold[1], width=k)
        period = 36
        for i, x0 in enumerate(range(-period, width + period, period)):
            flip = 1 if i % 2 == 0 else -1
            cx = (x0 + period / 2) * k
            # A spiral curling off the centre line, alternately up and down.
            points = []
            for n in range(0, 90):
                a = n / 90 * 2.6 * math.pi
                r = (6.5 - 4.6 * n / 90) * k
                points.append((cx + r * math.cos(a) - 6.5 * k, mid - flip * r * math.sin(a)))
            d.line(points, fill=gold[2], width=int(1.3 * k))
            d.ellipse([points[-1][0] - 1.2 * k, points[-1][1] - 1.2 * k,
                       points[-1][0] + 1.2 * k, points[-1][1] + 1.2 * k], fill=gold[3])
            # A leaf between the spirals.
            lx = cx + 9 * k
            d.polygon([(lx - 3 * k, mid), (lx, mid + flip * 5 * k), (lx + 3 * k, mid),
                       (lx, mid + flip * 1.5 * k)], fill=gold[1])
            d.ellipse([lx - k, mid - k, lx + k, mid + k], fill=gold[3])

    image = supersampled((width, height), k, draw_fn)
    # A few gold shades keep the scrollwork crisp and the file small.
    image = image.quantize(12, method=Image.MEDIANCUT, dither=Image.NONE).convert("RGB")
    return gif_bytes(to_palette(image), 3674)


def close_picture():
    """Form5's close picture: a red skull with spider legs above the word Close in blue."""
    width, height, k = 76, 52, 6
    red, dark = (220, 20, 20), (120, 0, 0)

    def draw_fn(image, d, k):
        cx = 38 * k
        # Four jointed legs on each side.
        for side in (-1, 1):
            for n, (ky, fy) in enumerate([(10, 4), (15, 14), (20, 26), (24, 34)]):
                root = (cx + side * 8 * k, (14 + 3 * n) * k)
                knee = (cx + side * (20 + 2 * n) * k, ky * k - 6 * k)
                foot = (cx + side * (31 + n) * k, fy * k)
                d.line([root, knee, foot], fill=dark, width=int(2.2 * k), joint="curve")
                d.line([root, knee, foot], fill=red, width=int(1.2 * k), joint="curve")
        # Cranium, jaw, eyes, nose and teeth.
        d.ellipse([cx - 11 * k, 2 * k, cx + 11 * k, 24 * k], fill=red, outline=dark, width=k)
        d.rounded_rectangle([cx - 7 * k, 18 * k, cx + 7 * k, 30 * k], 2 * k, fill=red,
                            outline=dark, width=k)
        for ex in (-5, 5):
            d.ellipse([cx + (ex - 3.5) * k, 10 * k, cx + (ex + 3.5) * k, 17.5 * k], fill=(0, 0, 0))
        d.polygon([(cx, 18.5 * k), (cx - 2 * k, 22 * k), (cx + 2 * k, 22 * k)], fill=(0, 0, 0))
        for tx in range(-5, 6, 3):
            d.line([(cx + tx * k, 25 * k), (cx + tx * k, 30 * k)], fill=(0, 0, 0), width=k)
        d.ellipse([cx - 8 * k, 4 * k, cx - 4 * k, 7 * k], fill=(255, 120, 110))
        face = font(DEJAVU / "DejaVuSans-Bold.ttf", 15 * k)
        box = d.textbbox((0, 0), "Close", font=face)
        tx = cx - (box[2] - box[0]) // 2 - box[0]
        d.text((tx, 34 * k - box[1]), "Close", font=face, fill=(40, 90, 255))

    image = supersampled((width, height), k, draw_fn)
    image = image.quantize(20, method=Image.MEDIANCUT, dither=Image.NONE).convert("RGB")
    return gif_bytes(to_palette(image), 2422)


def main():
    write("banner.jpg", banner(), 7144)
    write("filelist-closed.bmp", filelist(False), 4422)
    write("filelist-open.bmp", filelist(True), 4422)
    write("playlist.bmp", playlist(), 42614)
    for symbol in ("stop", "play", "pause"):
        write(f"{symbol}.bmp", transport(symbol, False), 334)
        write(f"{symbol}-down.bmp", transport(symbol, True), 1510)
    data, image, opaque = crystal_ball()
    write("corvissa.ico", data, 2238)
    # The icon's own 256 colours: the window shows this twin in the icon's place.
    rgba = image.convert("RGBA")
    rgba.putalpha(opaque)
    rgba.save(HERE / "corvissa.png", optimize=True)
    print("corvissa.png: 32 x 32")
    # The same again uncompressed: what the window reads at start, with no PNG decoder.
    write("corvissa.bmp", bmp_with_alpha_bytes(rgba), 4218)
    data, _, _ = goblet()
    write("goblet.ico", data, 1854)
    write("scrollwork.gif", scrollwork(), 3674)
    write("close.gif", close_picture(), 2422)
    draw_double()


def draw_double():
    """The pictures of the windows at twice the size, as NAME@2x.png."""
    global DRAWING_DOUBLE
    DRAWING_DOUBLE = True
    try:
        write("banner@2x.png", banner())
        write("filelist-closed@2x.png", filelist(False))
        write("filelist-open@2x.png", filelist(True))
        write("playlist@2x.png", playlist())
        for symbol in ("stop", "play", "pause"):
            write(f"{symbol}@2x.png", transport(symbol, False))
            write(f"{symbol}-down@2x.png", transport(symbol, True))
        write("scrollwork@2x.png", scrollwork())
        write("close@2x.png", close_picture())
    finally:
        DRAWING_DOUBLE = False


if __name__ == "__main__":
    sys.exit(draw_double() if sys.argv[1:] == ["--double"] else main())
