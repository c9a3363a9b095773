# Sourced by the screen tests: what the demo's frame log (NORVESSA_DEMO_FRAMES) shows.

# size_bytes WIDTH HEIGHT: the set-up frame's little-endian 16-bit width and height (bytes 3 to
# 6), as the log writes them.
size_bytes() {
    printf '%02X %02X %02X %02X' $(($1 & 255)) $(($1 >> 8)) $(($2 & 255)) $(($2 >> 8))
}
