# Sourced by the scripts that show the Windows application under Wine.
# norvessa_wine_cjk_fonts PREFIX: maps the dialog fonts of the prefix to WenQuanYi Micro Hei
# (Debian's fonts-wqy-microhei), so that the Simplified Chinese dialog renders its Chinese
# characters and its digits alike. Runs once per prefix; a marker file records it.
norvessa_wine_cjk_fonts() {
    prefix=$1
    marker="$prefix/.norvessa-cjk-fonts"
    [ -f "$marker" ] && return 0
    key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    for font in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "SimSun" "Microsoft YaHei"; do
        "$NORVESSA_ROOT/cmake/wine-run.sh" "$prefix" reg add "$key" /v "$font" /t REG_SZ \
            /d "WenQuanYi Micro Hei" /f >/dev/null
    done
    touch "$marker"
}
