#!/usr/bin/env python3
"""Writes the files the demo's pages show into a setup folder: the licence in each page language
(eula_<code>.rtf, non-ASCII letters as RTF Unicode escapes) and the advertising pictures
(advertise_de.jpg, advertise_en.jpg, baseline JPEG) with the button the page cuts out of them at
(557, 374), 250 x 64."""
import heapq
import math
import struct
import sys
from pathlib import Path

LICENCES = {
    "en": ("End-User Licence Agreement",
           "This demo installs a stand-in of the product for trying the setup only.",
           "By installing it you accept that it comes without any warranty."),
    "de": ("Endbenutzer-Lizenzvertrag",
           "Diese Demo installiert einen Platzhalter des Produkts, nur zum Ausprobieren der Installation.",
           "Mit der Installation erkennen Sie an, dass er ohne jede Gewährleistung geliefert wird."),
    "fr": ("Contrat de licence utilisateur final",
           "Cette démonstration installe un substitut du produit, uniquement pour essayer l'installation.",
           "En l'installant, vous acceptez qu'il soit fourni sans aucune garantie."),
    "es": ("Contrato de licencia para el usuario final",
           "Esta demostración instala un sustituto del producto solo para probar la instalación.",
           "Al instalarlo, acepta que se entrega sin ninguna garantía."),
    "it": ("Contratto di licenza con l'utente finale",
           "Questa demo installa un sostituto del prodotto solo per provare l'installazione.",
           "Installandolo accetti che è fornito senza alcuna garanzia."),
    "ja": ("エンドユーザー使用許諾契約",
           "このデモはセットアップを試すためだけに製品の代替をインストールします。",
           "インストールすることで、保証がないことに同意したものとみなされます。"),
    "pt": ("Contrato de licença do usuário final",
           "Esta demonstração instala um substituto do produto apenas para testar a instalação.",
           "Ao instalá-lo, você aceita que ele é fornecido sem nenhuma garantia."),
    "zh": ("最终用户许可协议",
           "此演示仅为试用安装程序而安装产品的替代品。",
           "安装即表示您接受其不提供任何担保。"),
}

# The advertising page: the picture's size, and the button it cuts out of it.
PICTURE = (820, 460)
BUTTON = (557, 374, 250, 64)
SCHEMES = {"en": ((24, 56, 112), (40, 96, 176), (250, 180, 40)),
           "de": ((96, 24, 40), (168, 40, 64), (250, 210, 60))}


def rtf_text(text):
    out = []
    for ch in text:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif code < 128:
            out.append(ch)
        else:  # RTF's \u takes a signed 16-bit number; '?' is what readers without Unicode show
            out.append("\\u%d?" % (code - 65536 if code > 32767 else code))
    return "".join(out)


def licence(code):
    title, *paragraphs = LICENCES[code]
    body = "".join("\\par\\par %s" % rtf_text(p) for p in paragraphs)
    return ("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Tahoma;}}\\uc1\\f0\\fs20"
            "{\\b\\fs24 %s}%s\\par}\n" % (rtf_text(title), body))


def picture(scheme):
    width, height = PICTURE
    top, bottom, button = scheme
    bx, by, bw, bh = BUTTON

    def pixel(x, y):
        if bx <= x < bx + bw and by <= y < by + bh:
            inner = bx + 4 <= x < bx + bw - 4 and by + 4 <= y < by + bh - 4
            # A play mark in the button's left part, so the cut-out button shows where it came from.
            mark = 0 <= x - (bx + 24) < 28 and abs(y - (by + bh // 2)) * 2 < 28 - (x - (bx + 24))
            return (255, 255, 255) if mark or not inner else button
        band = min(y // 40, 10) / 10  # bands of 40 rows: a stepped gradient, flat in each block row
        colour = tuple(round(top[i] * (1 - band) + bottom[i] * band) for i in range(3))
        if 40 <= x < 460 and 60 <= y < 100:  # a headline bar and three lines of "text"
            return (255, 255, 255)
        if 40 <= x < 400 and any(130 + 40 * n <= y < 146 + 40 * n for n in range(3)):
            return (200, 210, 230)
        return colour

    return [[pixel(x, y) for x in range(width)] for y in range(height)]


ZIGZAG = sorted(((i, j) for i in range(8) for j in range(8)),
                key=lambda p: (p[0] + p[1], p[0] if (p[0] + p[1]) % 2 else -p[0]))
COSINES = [[math.cos((2 * x + 1) * u * math.pi / 16) * (math.sqrt(0.5) if u == 0 else 1) for x in range(8)]
           for u in range(8)]
QUANT = (3, 4)  # luminance, chrominance: flat tables, the picture is flat colours


def dct(block, q):
    rows = [[sum(COSINES[v][y] * block[x][y] for y in range(8)) / 2 for v in range(8)] for x in range(8)]
    coeff = [[sum(COSINES[u][x] * rows[x][v] for x in range(8)) / 2 for v in range(8)] for u in range(8)]
    return [round(coeff[i][j] / q) for i, j in ZIGZAG]


def size_and_bits(value):
    size = abs(value).bit_length()
    return size, value if value >= 0 else value + (1 << size) - 1


def symbols(zz, previous_dc):
    """The block's (table, symbol, size, bits) runs: its DC difference and its AC run lengths."""
    size, bits = size_and_bits(zz[0] - previous_dc)
    out = [(0, size, size, bits)]
    run = 0
    for coef in zz[1:]:
        if coef == 0:
            run += 1
            continue
        while run > 15:
            out.append((1, 0xF0, 0, 0))
            run -= 16
        size, bits = size_and_bits(coef)
        out.append((1, (run << 4) | size, size, bits))
        run = 0
    if run:
        out.append((1, 0x00, 0, 0))
    return out


def huffman_table(freq):
    """An optimal table of codes of at most 16 bits with no code of all ones (the JPEG rule)."""
    heap = [(f, n, [s]) for n, (s, f) in enumerate(sorted(freq.items()))]
    heap.append((0.5, len(heap), [256]))  # the reserved symbol takes the all-ones code
    heapq.heapify(heap)
    length = {s: 0 for s in list(freq) + [256]}
    while len(heap) > 1:
        f1, n1, s1 = heapq.heappop(heap)
        f2, _, s2 = heapq.heappop(heap)
        for s in s1 + s2:
            length[s] += 1
        heapq.heappush(heap, (f1 + f2, n1, s1 + s2))
    if len(length) == 1:
        length[256] = 1
    bits = [0] * 33
    for n in length.values():
        bits[n] += 1
    for i in range(32, 16, -1):  # shorten codes over 16 bits by moving leaves up the tree
        while bits[i] > 0:
            j = i - 2
            while bits[j] == 0:
                j -= 1
            bits[i] -= 2
            bits[i - 1] += 1
            bits[j + 1] += 2
            bits[j] -= 1
    last = max(i for i in range(17) if bits[i])
    bits[last] -= 1
    order = [s for s in sorted(length, key=lambda s: (length[s], s)) if s != 256]
    codes, code, k = {}, 0, 0
    for n in range(1, 17):
        for _ in range(bits[n]):
            codes[order[k]] = (code, n)
            code += 1
            k += 1
        code <<= 1
    return bits[1:17], order, codes


def jpeg(rows):
    height, width = len(rows), len(rows[0])
    planes = [[[0.0] * width for _ in range(height)] for _ in range(3)]
    for y, row in enumerate(rows):
        for x, (r, g, b) in enumerate(row):
            planes[0][y][x] = 0.299 * r + 0.587 * g + 0.114 * b - 128
            planes[1][y][x] = -0.168736 * r - 0.331264 * g + 0.5 * b
            planes[2][y][x] = 0.5 * r - 0.418688 * g - 0.081312 * b
    cache = {}
    runs = []  # (component, symbols)
    previous = [0, 0, 0]
    for by in range(0, height, 8):
        for bx in range(0, width, 8):
            for c in range(3):
                block = tuple(tuple(planes[c][min(by + i, height - 1)][min(bx + j, width - 1)] for j in range(8))
                              for i in range(8))
                key = (c, block)
                if key not in cache:
                    cache[key] = dct(block, QUANT[min(c, 1)])
                zz = cache[key]
                runs.append((c, symbols(zz, previous[c])))
                previous[c] = zz[0]
    # Tables: 0 DC luminance, 1 AC luminance, 2 DC chrominance, 3 AC chrominance.
    freqs = [{} for _ in range(4)]
    for c, syms in runs:
        for table, symbol, _, _ in syms:
            t = table + (2 if c else 0)
            freqs[t][symbol] = freqs[t].get(symbol, 0) + 1
    tables = [huffman_table(f) for f in freqs]

    out = bytearray(b"\xff\xd8")
    out += b"\xff\xe0" + struct.pack(">H5sBBBHHBB", 16, b"JFIF\0", 1, 1, 0, 1, 1, 0, 0)
    for n, q in enumerate(QUANT):
        out += b"\xff\xdb" + struct.pack(">HB", 67, n) + bytes([q] * 64)
    out += b"\xff\xc0" + struct.pack(">HBHHB", 17, 8, height, width, 3)
    for c in range(3):
        out += bytes([c + 1, 0x11, min(c, 1)])
    for t, (bits, order, _) in enumerate(tables):
        cls, ident = t % 2, t // 2
        out += b"\xff\xc4" + struct.pack(">HB", 3 + 16 + len(order), (cls << 4) | ident) + bytes(bits) + bytes(order)
    out += b"\xff\xda" + struct.pack(">HB", 12, 3)
    for c in range(3):
        out += bytes([c + 1, (min(c, 1) << 4) | min(c, 1)])
    out += bytes([0, 63, 0])

    acc, count = 0, 0
    data = bytearray()

    def put(value, n):
        nonlocal acc, count
        acc = (acc << n) | value
        count += n
        while count >= 8:
            count -= 8
            byte = (acc >> count) & 0xFF
            data.append(byte)
            if byte == 0xFF:
                data.append(0)  # a 0xFF in the data is stuffed so it is not read as a marker
        acc &= (1 << count) - 1

    for c, syms in runs:
        for table, symbol, size, bits in syms:
            code, n = tables[table + (2 if c else 0)][2][symbol]
            put(code, n)
            if size:
                put(bits, size)
    if count:
        put((1 << (8 - count)) - 1, 8 - count)
    return bytes(out + data + b"\xff\xd9")


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for code in LICENCES:
        (out / ("eula_%s.rtf" % code)).write_text(licence(code), encoding="ascii")
    for code, scheme in SCHEMES.items():
        (out / ("advertise_%s.jpg" % code)).write_bytes(jpeg(picture(scheme)))


if __name__ == "__main__":
    main()
