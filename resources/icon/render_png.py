#!/usr/bin/env python3
"""Renders drawing.py into the 256-pixel PNG that the Linux menu entry shows, from the same
drawing and sampling as the Windows icon group. Needs only the Python standard library.

Usage: render_png.py [OUTPUT]   (default: ../norvessa.png beside this folder)
"""

import os
import sys

from render_ico import png, render

SIZE = 256


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "norvessa.png")
    with open(output, "wb") as out:
        out.write(png(render(SIZE)))
    print(f"wrote a {SIZE}-pixel icon to {os.path.normpath(output)}")


if __name__ == "__main__":
    main()
