#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Renders drawing.py into the hicolor theme's sizes for the Linux package, with the same
sampling as the Windows icon group. Needs only the Python standard library.

Usage: render_hicolor.py [FOLDER]   (default: hicolor/ beside this script)
Writes FOLDER/SIZExSIZE.png for every size below; the scalable icon is norvessa.svg here.
"""

import os
import sys

from render_ico import png, render

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "hicolor")
    os.makedirs(folder, exist_ok=True)
    for size in SIZES:
        with open(os.path.join(folder, f"{size}x{size}.png"), "wb") as out:
            out.write(png(render(size)))
    print(f"wrote {len(SIZES)} icons to {os.path.normpath(folder)}")


if __name__ == "__main__":
    main()
