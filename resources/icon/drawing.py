"""The application icon as a vector drawing: a monitor with a calibration crosshair on its
screen. Coordinates are fractions of the icon's edge, so one drawing serves every size.

Each shape answers, for a point (x, y) and the icon's size in pixels, whether the point lies
inside it; render_ico.py samples the shapes several times per pixel and paints them in order.
"""

import math

BEZEL = (43, 47, 54)
STAND = (84, 90, 100)
SCREEN_TOP = (82, 150, 232)
SCREEN_BOTTOM = (24, 76, 158)
CROSS = (255, 255, 255)
TARGET = (226, 46, 46)

CENTRE = (0.5, 0.43)


def _rounded_rect(left, top, right, bottom, radius):
    def inside(x, y, _size):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2

    return inside


def _stroke(min_pixels, fraction, size):
    """Line width as a fraction of the edge, never thinner than min_pixels on small icons."""
    return max(fraction, min_pixels / size)


def _cross_arm(x, y, size):
    half = _stroke(1.0, 0.035, size) / 2
    reach = 0.27
    dx, dy = x - CENTRE[0], y - CENTRE[1]
    horizontal = abs(dy) <= half and abs(dx) <= reach
    vertical = abs(dx) <= half and abs(dy) <= reach * 0.92
    return horizontal or vertical


def _target_ring(x, y, size):
    half = _stroke(1.0, 0.04, size) / 2
    radius = 0.15
    distance = math.hypot(x - CENTRE[0], y - CENTRE[1])
    return abs(distance - radius) <= half


def _target_dot(x, y, size):
    radius = max(0.045, 1.0 / size)
    return math.hypot(x - CENTRE[0], y - CENTRE[1]) <= radius


def _screen_colour(_x, y):
    t = min(max((y - 0.14) / 0.58, 0.0), 1.0)
    return tuple(round(a + (b - a) * t) for a, b in zip(SCREEN_TOP, SCREEN_BOTTOM))


# Painted bottom to top: (shape, colour), where colour is an RGB tuple or a function of (x, y).
SHAPES = [
    (_rounded_rect(0.42, 0.74, 0.58, 0.88, 0.0), STAND),
    (_rounded_rect(0.24, 0.85, 0.76, 0.94, 0.03), STAND),
    (_rounded_rect(0.03, 0.08, 0.97, 0.78, 0.07), BEZEL),
    (_rounded_rect(0.09, 0.14, 0.91, 0.72, 0.02), _screen_colour),
    (_cross_arm, CROSS),
    (_target_ring, TARGET),
    (_target_dot, TARGET),
]
