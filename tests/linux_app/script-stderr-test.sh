#!/bin/sh
# A script test whose checks fail shows the end of the program's stderr. Each script test that
# runs the Linux demo is run against a stand-in demo that writes 45 numbered lines on its stderr
# and ends at once: the script must fail, and its output must hold at least the last 40 of
# those lines. A script that skips (exit code 77: weston not installed) is reported and passed.
# Usage: script-stderr-test.sh
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build=$work/build
mkdir -p "$build/src/app/linux"
cat >"$build/src/app/linux/norvessa-demo" <<'EOF'
#!/bin/sh
i=1
while [ $i -le 45 ]; do
    echo "stand-in demo: stderr line $i of 45" >&2
    i=$((i + 1))
done
exit 3
EOF
chmod +x "$build/src/app/linux/norvessa-demo"

failed=0
for script in two-screen-test.sh fractional-scale-test.sh wayland-test.sh measure-idle-cpu.sh \
    x11-check-test.sh; do
    status=0
    sh "$root/scripts/$script" "$build" >"$work/output" 2>&1 </dev/null || status=$?
    missing=''
    for line in 6 45; do
        grep -q "^stand-in demo: stderr line $line of 45\$" "$work/output" || missing="$missing $line"
    done
    if [ $status = 77 ]; then
        echo "$script: skipped ($(tail -n 1 "$work/output"))"
    elif [ $status = 0 ]; then
        echo "$script: passed with a demo that ends at once" >&2
        failed=1
    elif [ -n "$missing" ]; then
        echo "$script: failed (exit code $status) without the demo's stderr lines$missing;" \
             "its output:" >&2
        sed 's/^/    /' "$work/output" >&2
        failed=1
    else
        echo "$script: failed (exit code $status) and showed the demo's last 40 stderr lines"
    fi
done
exit $failed
